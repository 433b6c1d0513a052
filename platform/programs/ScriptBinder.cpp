// Binding values to the placeholders of a /bin/sh script. The binder reads
// the script as far as it follows the shell's grammar: quoting, expansions,
// command substitutions, here-documents, lists and compound commands. A
// placeholder is bound where everything around it is followed, and refused
// with the reason elsewhere.
#include "ScriptBinder.h"

#include "ShellCommands.h"

#include <algorithm>
#include <optional>

namespace platform {

namespace {

using shell::Findings;
using shell::Word;

enum class Quoting
{
    Double,
    // The body of a here-document whose delimiter is not quoted: as inside
    // double quotation marks, but a quotation mark is only text.
    HereDocument
};

QChar charAt(const QString& text, qsizetype i)
{
    return i >= 0 && i < text.size() ? text[i] : QChar();
}

bool isNameChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

bool isName(QStringView text)
{
    return !text.isEmpty() && !text[0].isDigit() && std::all_of(text.begin(), text.end(), isNameChar);
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// A character that ends a word outside quotation marks.
bool endsWord(QChar c)
{
    return c.isNull() || isBlank(c) || c == u'\n' || c == u';' || c == u'&' || c == u'|' || c == u'(' ||
           c == u')' || c == u'<' || c == u'>';
}

// The forms of ${ } whose text the shell only substitutes: ${name},
// ${#name}, and ${name} with one of the operators :- - := = :+ + :? ? # ## %
// %% and a word of text and such forms again.
bool plainExpansion(QStringView content)
{
    const bool length = content.startsWith(u'#') && content.size() > 1;
    qsizetype j = length ? 1 : 0;
    const qsizetype nameStart = j;
    if (j < content.size() && QStringView(u"@*#?$!-").contains(content[j]))
        ++j;
    else if (j < content.size() && content[j].isDigit())
        while (j < content.size() && content[j].isDigit())
            ++j;
    else
        while (j < content.size() && isNameChar(content[j]))
            ++j;
    if (j == nameStart || j == content.size())
        return j > nameStart;
    if (length)
        return false;
    static const char16_t* const operators[] = {u":-", u":=", u":+", u":?", u"##", u"%%",
                                                u"-",  u"=",  u"+",  u"?",  u"#",  u"%"};
    const auto op = std::find_if(std::begin(operators), std::end(operators), [&](const char16_t* o) {
        return content.mid(j).startsWith(QStringView(o));
    });
    if (op == std::end(operators))
        return false;
    const QStringView word = content.mid(j + QStringView(*op).size());
    if (word.contains(u"$["))
        return false;
    for (qsizetype k = word.indexOf(u"${"); k >= 0; k = word.indexOf(u"${", k)) {
        qsizetype end = k + 2;
        for (int depth = 1; end < word.size(); ++end) {
            depth += word[end] == u'{' ? 1 : word[end] == u'}' ? -1 : 0;
            if (depth == 0)
                break;
        }
        if (!plainExpansion(word.mid(k + 2, end - k - 2)))
            return false;
        k = end;
    }
    return true;
}

// Reads words, quoting and expansions, binding the placeholders in them;
// ListReader reads the commands they form.
class Binder
{
public:
    Binder(const QList<std::pair<QString, QString>>& values, const QStringList& names, Findings& findings)
        : m_findings(findings), m_values(values), m_names(names)
    {
    }

    // The commands of `text` from i on, every placeholder bound, up to the
    // end or, for a command substitution, up to (not past) its closing
    // parenthesis.
    QString commands(const QString& text, qsizetype& i, bool substitution);

    struct HereDocument
    {
        QString delimiter;
        bool quoted = false;
        bool stripTabs = false;
    };

    Word word(const QString& text, qsizetype& i, bool assignmentPlace = false);
    QString hereDocumentOperator(const QString& text, qsizetype& i, QList<HereDocument>& pending);
    QString hereDocumentBodies(const QString& text, qsizetype& i, const QList<HereDocument>& pending,
                               bool inSubstitution);
    void refuseAny(QStringView text, const QString& why);

    Findings& m_findings;
    // The standard input of the command being read may carry a value; the
    // command substitutions in its words share it.
    bool m_piped = false;

private:
    qsizetype placeholderAt(const QString& text, qsizetype i) const;
    QString bind(const QString& text, qsizetype& i, Word& word);
    void nested(Word& word, qsizetype boundBefore) const;
    void quoted(const QString& text, qsizetype& i, Quoting quoting, Word& word);
    void dollar(const QString& text, qsizetype& i, bool quoted, Word& word);
    void arithmetic(const QString& text, qsizetype& i, QChar open, QChar close, Word& word);
    void parameter(const QString& text, qsizetype& i, Word& word);
    void backquoted(const QString& text, qsizetype& i, bool inDoubleQuotes, Word& word);

    const QList<std::pair<QString, QString>>& m_values;
    const QStringList& m_names;
    QStringList m_bound; // the placeholders bound so far, in order
};

qsizetype Binder::placeholderAt(const QString& text, qsizetype i) const
{
    for (qsizetype k = 0; k < m_values.size(); ++k) {
        const QString& placeholder = m_values[k].first;
        if (!placeholder.isEmpty() && QStringView(text).mid(i, placeholder.size()) == placeholder)
            return k;
    }
    return -1;
}

void Binder::refuseAny(QStringView text, const QString& why)
{
    const QString copy = text.toString();
    for (qsizetype i = 0; i < copy.size(); ++i)
        if (const qsizetype k = placeholderAt(copy, i); k >= 0)
            return m_findings.refuse(m_values[k].first, why);
}

// A placeholder bound inside a command substitution of the word since
// `boundBefore` is in the word too.
void Binder::nested(Word& word, qsizetype boundBefore) const
{
    if (word.placeholder.isEmpty() && m_bound.size() > boundBefore)
        word.placeholder = m_bound[boundBefore];
}

// The reference to the value of the placeholder at i, for a place inside
// double quotation marks.
QString Binder::bind(const QString& text, qsizetype& i, Word& word)
{
    const qsizetype k = placeholderAt(text, i);
    i += m_values[k].first.size();
    m_bound << m_values[k].first;
    if (word.placeholder.isEmpty())
        word.placeholder = m_values[k].first;
    word.fixed = false;
    return QStringLiteral("${%1}").arg(m_names[k]);
}

// `assignmentPlace`: where bash takes name=value for an assignment, and so
// reads name[...] up to its closing bracket, blanks and all, as one word.
Word Binder::word(const QString& text, qsizetype& i, bool assignmentPlace)
{
    Word word;
    const qsizetype start = i;
    word.startsWithPlaceholder = placeholderAt(text, i) >= 0;
    QList<qsizetype> brackets; // where an unquoted [ stands in word.out
    int subscript = 0;         // the depth of brackets in name[...]
    qsizetype boundBeforeSubscript = 0;
    // An unquoted * or ?, and brace expansion ({a,b}, {1..3}), which bash
    // does and dash does not.
    bool pattern = false, braceList = false, braceExpansion = false;
    int braces = 0;
    while (i < text.size() && m_findings.lost.isEmpty() && (subscript > 0 || !endsWord(text[i]))) {
        const QChar c = text[i];
        if (placeholderAt(text, i) >= 0) {
            word.out += u'"' + bind(text, i, word) + u'"';
        } else if (c == u'\\') {
            word.plain = false;
            if (i + 1 < text.size() && text[i + 1] != u'\n')
                word.literal += text[i + 1];
            word.out += QStringView(text).mid(i, 2);
            i += 2;
        } else if (c == u'\'') {
            word.plain = false;
            word.out += text[i++];
            while (i < text.size() && text[i] != u'\'') {
                if (placeholderAt(text, i) >= 0) {
                    word.out += QStringLiteral("'\"") + bind(text, i, word) + QStringLiteral("\"'");
                } else {
                    word.literal += text[i];
                    word.out += text[i++];
                }
            }
            if (i < text.size())
                word.out += text[i++];
        } else if (c == u'"') {
            word.plain = false;
            ++i;
            quoted(text, i, Quoting::Double, word);
        } else if (c == u'$') {
            dollar(text, i, false, word);
        } else if (c == u'`') {
            backquoted(text, i, false, word);
        } else {
            if (c == u'[') {
                brackets.append(word.out.size());
                if (subscript > 0)
                    ++subscript;
                else if (assignmentPlace && isName(QStringView(text).mid(start, i - start)))
                    subscript = 1, boundBeforeSubscript = m_bound.size();
            } else if (c == u']' && subscript > 0 && --subscript == 0 &&
                       m_bound.size() > boundBeforeSubscript) {
                word.inSubscript = m_bound[boundBeforeSubscript];
            } else if (c == u'*' || c == u'?') {
                pattern = true;
            } else if (c == u'{') {
                ++braces;
            } else if (c == u'}' && braces > 0) {
                --braces;
                braceExpansion = braceExpansion || braceList;
            } else if (braces > 0 && (c == u',' || (c == u'.' && charAt(text, i + 1) == u'.'))) {
                braceList = true;
            }
            word.literal += c;
            word.out += c;
            ++i;
        }
    }
    word.raw = text.mid(start, i - start);
    // A value inside a bracket expression of a pattern would be a set of
    // characters: a word that holds a value is never such a pattern.
    if (!word.placeholder.isEmpty())
        for (auto at = brackets.rbegin(); at != brackets.rend(); ++at)
            word.out.insert(*at, u'\\');
    else if (!brackets.isEmpty() && word.out.indexOf(u']', brackets.front()) > 0)
        pattern = true;
    // What a pattern or a brace expansion becomes, and in how many words, is
    // known only when it runs (an assignment's value is neither).
    if ((pattern || braceExpansion) && !(assignmentPlace && shell::isAssignment(word.raw))) {
        word.fixed = false;
        word.splits = true;
    }
    return word;
}

// The text inside double quotation marks (up to and with the closing one)
// or of a here-document's body, appended to word.out.
void Binder::quoted(const QString& text, qsizetype& i, Quoting quoting, Word& word)
{
    if (quoting == Quoting::Double)
        word.out += u'"';
    // A backslash that escapes nothing is a character of its own; a value
    // put right after it must not be escaped by it.
    bool literalBackslash = false;
    while (i < text.size() && m_findings.lost.isEmpty()) {
        const QChar c = text[i];
        if (placeholderAt(text, i) >= 0) {
            word.out += (literalBackslash ? QStringLiteral("\\") : QString()) + bind(text, i, word);
            literalBackslash = false;
            continue;
        }
        literalBackslash = false;
        if (c == u'"' && quoting == Quoting::Double) {
            word.out += text[i++];
            return;
        }
        if (c == u'\\') {
            const QChar next = charAt(text, i + 1);
            const bool escapes = next == u'$' || next == u'`' || next == u'\\' || next == u'\n' ||
                                 (next == u'"' && quoting == Quoting::Double);
            word.out += text[i++];
            if (escapes) {
                word.literal += next;
                word.out += text[i++];
            } else {
                word.literal += c;
                literalBackslash = true;
            }
        } else if (c == u'$') {
            dollar(text, i, true, word);
        } else if (c == u'`') {
            backquoted(text, i, quoting == Quoting::Double, word);
        } else {
            word.literal += c;
            word.out += text[i++];
        }
    }
}

void Binder::dollar(const QString& text, qsizetype& i, bool inQuotes, Word& word)
{
    // A dollar sign before a placeholder is text: left bare, it would take
    // the reference that replaces the placeholder for an expansion ($$, $").
    if (placeholderAt(text, i + 1) >= 0) {
        word.literal += u'$';
        word.out += QStringLiteral("\\$");
        ++i;
        return;
    }
    const QChar next = charAt(text, i + 1);
    const bool special = next.isDigit() || QStringView(u"@*#?-$!").contains(next);
    if (!inQuotes && (special || isNameChar(next) || next == u'(' || next == u'[' || next == u'{'))
        word.splits = true;
    if (next == u'(' && charAt(text, i + 2) == u'(')
        return arithmetic(text, i, u'(', u')', word);
    if (next == u'[')
        return arithmetic(text, i, u'[', u']', word);
    if (next == u'{')
        return parameter(text, i, word);
    if (next == u'(') {
        word.fixed = false;
        const qsizetype boundBefore = m_bound.size();
        i += 2;
        word.out += QStringLiteral("$(") + commands(text, i, true);
        if (i < text.size() && m_findings.lost.isEmpty()) {
            word.out += u')';
            ++i;
        }
        return nested(word, boundBefore);
    }
    if (!inQuotes && (next == u'\'' || next == u'"'))
        return m_findings.loseTrack(next == u'\'' ? QStringLiteral("$'…'") : QStringLiteral("$\"…\""));
    qsizetype end = i + 1;
    if (special)
        ++end;
    else
        while (end < text.size() && isNameChar(text[end]) && !(end == i + 1 && text[end].isDigit()))
            ++end;
    if (end == i + 1)
        word.literal += u'$'; // only a dollar sign
    else
        word.fixed = false;
    word.out += QStringView(text).mid(i, end - i);
    i = end;
}

// $(( )) and $[ ]: bash reads their text as arithmetic, which runs any
// $( ) in a value.
void Binder::arithmetic(const QString& text, qsizetype& i, QChar open, QChar close, Word& word)
{
    qsizetype j = i + 2;
    for (int depth = 1; j < text.size() && depth > 0; ++j)
        depth += text[j] == open ? 1 : text[j] == close ? -1 : 0;
    const QStringView expansion = QStringView(text).mid(i, j - i);
    refuseAny(expansion, QStringLiteral("inside %1, where the shell reads it as arithmetic")
                             .arg(open == u'(' ? QStringLiteral("$(( ))") : QStringLiteral("$[ ]")));
    m_findings.atRisk(
        QStringLiteral("in a script with arithmetic (%1), which a value could reach through a variable")
            .arg(open == u'(' ? QStringLiteral("$(( ))") : QStringLiteral("$[ ]")));
    word.fixed = false;
    word.out += expansion;
    i = j;
}

void Binder::parameter(const QString& text, qsizetype& i, Word& word)
{
    qsizetype j = i + 2;
    for (int depth = 1; j < text.size(); ++j) {
        const QChar c = text[j];
        if (c == u'\'' || c == u'"' || c == u'`' || c == u'\\' || (c == u'$' && charAt(text, j + 1) == u'('))
            return m_findings.loseTrack(
                QStringLiteral("${ } holding quotation marks, a backslash or a substitution"));
        if (c == u'{')
            ++depth;
        if (c == u'}' && --depth == 0)
            break;
    }
    if (j >= text.size())
        return m_findings.loseTrack(QStringLiteral("an unclosed ${"));
    const QStringView content = QStringView(text).mid(i + 2, j - i - 2);
    refuseAny(content, QStringLiteral("inside ${ }, where the shell reads it as a name or a pattern"));
    if (!plainExpansion(content))
        m_findings.atRisk(
            QStringLiteral("in a script with ${%1}, a form of ${ } in which bash may read a value as "
                           "arithmetic or a name")
                .arg(content));
    word.fixed = false;
    word.out += QStringView(text).mid(i, j + 1 - i);
    i = j + 1;
}

void Binder::backquoted(const QString& text, qsizetype& i, bool inDoubleQuotes, Word& word)
{
    // The shell takes the text up to the next unescaped backquote, drops the
    // backslash before $, ` and \ (and " inside double quotation marks) and
    // reads the rest as commands of their own. The bound commands go back
    // with those characters escaped again, so the shell reads them as bound.
    auto special = [inDoubleQuotes](QChar c) {
        return c == u'$' || c == u'`' || c == u'\\' || (inDoubleQuotes && c == u'"');
    };
    QString inner;
    qsizetype j = i + 1;
    while (j < text.size() && text[j] != u'`') {
        if (text[j] == u'\\' && j + 1 < text.size()) {
            if (!special(text[j + 1]))
                inner += u'\\';
            inner += text[j + 1];
            j += 2;
            continue;
        }
        inner += text[j++];
    }
    const qsizetype boundBefore = m_bound.size();
    qsizetype start = 0;
    const QString bound = commands(inner, start, false);
    word.out += u'`';
    for (const QChar c : bound) {
        if (c != u'$' && special(c))
            word.out += u'\\';
        word.out += c;
    }
    if (j < text.size()) {
        word.out += u'`';
        ++j;
    }
    i = j;
    word.fixed = false;
    word.splits = word.splits || !inDoubleQuotes;
    nested(word, boundBefore);
}

QString Binder::hereDocumentOperator(const QString& text, qsizetype& i, QList<HereDocument>& pending)
{
    HereDocument document;
    qsizetype j = i + 2;
    if (charAt(text, j) == u'-') {
        document.stripTabs = true;
        ++j;
    }
    while (charAt(text, j) == u' ' || charAt(text, j) == u'\t')
        ++j;
    // The delimiter is the word with its quoting removed; any quoting makes
    // the body plain text.
    QChar quote;
    while (j < text.size() && (!quote.isNull() || !endsWord(text[j]))) {
        const QChar c = text[j];
        if (!quote.isNull() && c == quote) {
            quote = QChar();
        } else if (quote.isNull() && (c == u'\'' || c == u'"')) {
            quote = c;
            document.quoted = true;
        } else if (quote != u'\'' && c == u'\\' && j + 1 < text.size()) {
            document.quoted = true;
            document.delimiter += text[++j];
        } else {
            document.delimiter += c;
        }
        ++j;
    }
    pending.append(document);
    const QString out = text.mid(i, j - i);
    i = j;
    return out;
}

// `inSubstitution`: the here-documents are inside $( ).
QString Binder::hereDocumentBodies(const QString& text, qsizetype& i, const QList<HereDocument>& pending,
                                   bool inSubstitution)
{
    QString out;
    for (const HereDocument& document : pending) {
        // The body's lines up to the delimiter's line, or to the end. In a
        // body whose delimiter is not quoted, a backslash at the end of a
        // line joins it with the next before the shell compares it.
        QString body, line;
        QStringView delimiterLine;
        qsizetype lineStart = i;
        bool joined = false;
        while (i < text.size()) {
            const qsizetype end = text.indexOf(u'\n', i);
            const qsizetype stop = end < 0 ? text.size() : end + 1;
            QStringView content = QStringView(text).mid(i, (end < 0 ? text.size() : end) - i);
            i = stop;
            while (document.stripTabs && line.isEmpty() && content.startsWith(u'\t'))
                content = content.mid(1);
            line += content;
            qsizetype backslashes = 0;
            while (backslashes < content.size() && content[content.size() - 1 - backslashes] == u'\\')
                ++backslashes;
            if (!document.quoted && end >= 0 && backslashes % 2 == 1) {
                line.chop(1);
                joined = true;
                continue;
            }
            const QStringView lines = QStringView(text).mid(lineStart, i - lineStart);
            // bash ends the document there, dash does not; inside $( ), bash
            // also ends it at a line that only starts with the delimiter.
            if ((line == document.delimiter && joined) ||
                (inSubstitution && !document.delimiter.isEmpty() && line != document.delimiter &&
                 line.startsWith(document.delimiter)))
                m_findings.loseTrack(QStringLiteral("a here-document ended where not every shell ends it"));
            if (line == document.delimiter) {
                delimiterLine = lines;
                break;
            }
            body += lines;
            line.clear();
            lineStart = i;
            joined = false;
        }
        if (delimiterLine.isNull())
            body += QStringView(text).mid(lineStart, i - lineStart);
        if (document.quoted) {
            refuseAny(body, QStringLiteral("in a here-document with a quoted delimiter, which is sent as "
                                           "it is written"));
            out += body;
        } else {
            Word word;
            qsizetype start = 0;
            quoted(body, start, Quoting::HereDocument, word);
            out += word.out;
        }
        out += delimiterLine;
    }
    return out;
}

// The commands of one list, with the compound commands open in it.
class ListReader
{
public:
    ListReader(Binder& binder, const QString& text, qsizetype& i, bool substitution)
        : m_binder(binder), m_findings(binder.m_findings), m_text(text), m_i(i), m_substitution(substitution),
          m_inherited(binder.m_piped), m_pipedIn(binder.m_piped)
    {
    }
    QString read();

private:
    // A compound command open around the place being read.
    struct Open
    {
        enum Kind
        {
            Subshell,
            Group,
            Loop,
            If,
            CaseSubject, // before `in`
            CasePattern,
            CaseBody
        } kind;
        bool piped;               // its standard input may carry a value
        bool readsScript = false; // a command in it reads standard input as script
    };

    QChar at(qsizetype offset) const { return charAt(m_text, m_i + offset); }
    void copy(qsizetype n);
    bool top(Open::Kind kind) const { return !m_open.isEmpty() && m_open.back().kind == kind; }
    bool piped() const;
    void open(Open::Kind kind);
    void close(Open::Kind kind);
    void endCommand();
    void separator();
    void redirection();
    void feed(const QString& by);
    void parenthesis();
    bool closingParenthesis();
    void take(const Word& word);
    bool reservedWord(const QString& word);
    void defineFunction()
    {
        // Its name then runs what it defines, whatever the table knows of it.
        m_findings.atRisk(QStringLiteral("in a script that defines a function, which changes what later "
                                         "commands run"));
    }

    Binder& m_binder;
    Findings& m_findings;
    const QString& m_text;
    qsizetype& m_i;
    const bool m_substitution;
    const bool m_inherited; // the list's standard input may carry a value
    QString m_out;
    QList<Word> m_words; // of the simple command being read
    QList<Open> m_open;
    QList<Binder::HereDocument> m_pending;
    bool m_commandStart = true;
    bool m_pipedIn;     // the command being read follows a |
    bool m_fed = false; // its standard input is redirected from what can carry a value
    // An exec with only redirections gave the shell itself such an input.
    bool m_shellFed = false;
    bool m_forHeader = false, m_functionName = false, m_caseSubjectRead = false;
    std::optional<Open> m_closed; // the compound command that just ended
};

void ListReader::copy(qsizetype n)
{
    m_out += QStringView(m_text).mid(m_i, n);
    m_i += n;
}

bool ListReader::piped() const
{
    return m_pipedIn || m_shellFed ||
           std::any_of(m_open.begin(), m_open.end(), [](const Open& o) { return o.piped; });
}

void ListReader::open(Open::Kind kind)
{
    m_open.append({kind, piped()});
    m_pipedIn = false;
}

void ListReader::close(Open::Kind kind)
{
    if (!top(kind))
        return m_findings.loseTrack(QStringLiteral("a compound command closed where none is open"));
    endCommand();
    m_closed = m_open.takeLast();
    m_commandStart = false;
}

void ListReader::endCommand()
{
    if (m_fed && m_words.size() == 1 && m_words[0].fixed && m_words[0].literal == u"exec")
        m_shellFed = true;
    if (!m_words.isEmpty() && shell::checkCommand(m_words, piped() || m_fed, m_findings))
        for (Open& o : m_open)
            o.readsScript = true;
    m_words.clear();
    m_fed = m_forHeader = false;
    m_closed.reset();
    m_commandStart = true;
}

QString ListReader::read()
{
    while (m_i < m_text.size() && m_findings.lost.isEmpty()) {
        m_binder.m_piped = piped();
        const QChar c = at(0);
        if (isBlank(c) || (c == u'\\' && at(1) == u'\n')) {
            copy(c == u'\\' ? 2 : 1);
        } else if (c == u'#') {
            // A comment, to the end of its line.
            const qsizetype end = m_text.indexOf(u'\n', m_i);
            copy((end < 0 ? m_text.size() : end) - m_i);
        } else if (c == u'|' && top(Open::CasePattern)) {
            copy(1); // between the patterns of a case item
        } else if (c == u'\n' || c == u';' || c == u'&' || c == u'|') {
            separator();
        } else if (c == u'<' || c == u'>') {
            redirection();
        } else if (c == u'(') {
            parenthesis();
        } else if (c == u')') {
            if (!closingParenthesis())
                return m_out;
        } else {
            const bool assignmentPlace =
                !top(Open::CaseSubject) && !top(Open::CasePattern) && !m_forHeader && !m_functionName &&
                std::all_of(m_words.begin(), m_words.end(),
                            [](const Word& w) { return shell::isAssignment(w.raw); });
            const Word word = m_binder.word(m_text, m_i, assignmentPlace);
            m_out += word.out;
            if (word.raw.isEmpty())
                copy(1); // cannot happen: a character that neither starts nor ends a word
            else if (m_findings.lost.isEmpty())
                take(word);
        }
    }
    if (m_findings.lost.isEmpty())
        endCommand();
    copy(m_text.size() - m_i); // what was not followed, if anything
    return m_out;
}

// ; ;; ;& ;;& & && | |& || or a newline.
void ListReader::separator()
{
    const QChar c = at(0), next = at(1);
    if (c == u'&' && next == u'>')
        return copy(1); // bash's &>: a redirection of the command before
    const bool pipe = c == u'|' && next != u'|';
    const bool caseEnd = c == u';' && (next == u';' || next == u'&');
    endCommand();
    m_pipedIn = pipe || m_inherited;
    if (caseEnd && top(Open::CaseBody))
        m_open.back().kind = Open::CasePattern;
    if (c == u';' && next == u';')
        copy(at(2) == u'&' ? 3 : 2);
    else
        copy((c != u'\n' && next == c) || (c == u';' && next == u'&') || (pipe && next == u'&') ? 2 : 1);
    if (c == u'\n' && !m_pending.isEmpty()) {
        m_out += m_binder.hereDocumentBodies(m_text, m_i, m_pending, m_substitution);
        m_pending.clear();
    }
}

void ListReader::redirection()
{
    const QChar c = at(0), next = at(1);
    if (c == u'<' && next == u'<' && at(2) == u'<')
        return m_findings.loseTrack(QStringLiteral("<<<"));
    if (next == u'(')
        return m_findings.loseTrack(QStringLiteral("process substitution"));
    if (c == u'<' && next == u'<') {
        m_out += m_binder.hereDocumentOperator(m_text, m_i, m_pending);
        if (!m_pending.back().quoted)
            feed(QStringLiteral("here-document"));
        return;
    }
    copy(next == u'>' || next == u'&' || next == u'|' || (c == u'<' && next == u'>') ? 2 : 1);
    while (isBlank(at(0)))
        copy(1);
    // Any text is safe as the name of a file, but bash opens a name such as
    // /dev/tcp/host/port as a connection, so what it reads from there counts
    // as a value.
    const Word file = m_binder.word(m_text, m_i);
    m_out += file.out;
    if (c == u'<' && !file.fixed)
        feed(QStringLiteral("redirection"));
}

// The command being read gets its standard input from a here-document or
// a file that may carry a value.
void ListReader::feed(const QString& by)
{
    m_fed = true;
    if (m_closed && m_closed->readsScript)
        m_findings.atRisk(
            QStringLiteral("in a script whose %1 feeds a command that reads it as script").arg(by));
}

void ListReader::parenthesis()
{
    if (top(Open::CasePattern))
        return copy(1);
    if (at(1) == u'(' && (m_commandStart || (m_words.size() == 1 && m_words[0].literal == u"for"))) {
        qsizetype j = m_i + 1;
        for (int depth = 1; j < m_text.size() && depth > 0; ++j)
            depth += m_text[j] == u'(' ? 1 : m_text[j] == u')' ? -1 : 0;
        m_binder.refuseAny(QStringView(m_text).mid(m_i, j - m_i),
                           QStringLiteral("inside (( )), where bash reads it as arithmetic"));
        m_findings.atRisk(QStringLiteral(
            "in a script with bash arithmetic (( )), which a value could reach through a variable"));
        m_commandStart = false;
        return copy(j - m_i);
    }
    qsizetype j = m_i + 1;
    while (isBlank(charAt(m_text, j)))
        ++j;
    if (charAt(m_text, j) == u')' &&
        (m_commandStart || (m_words.size() == 1 && !m_words[0].raw.endsWith(u'=')))) {
        // A function definition: its body follows.
        defineFunction();
        copy(j + 1 - m_i);
        m_words.clear();
        m_commandStart = true;
        return;
    }
    if (!m_commandStart)
        return m_findings.loseTrack(QStringLiteral("a parenthesis it does not follow"));
    open(Open::Subshell);
    copy(1);
}

// False at the end of a command substitution.
bool ListReader::closingParenthesis()
{
    if (top(Open::CasePattern)) {
        m_open.back().kind = Open::CaseBody;
        m_words.clear();
        m_commandStart = true;
    } else if (m_open.isEmpty() && m_substitution) {
        endCommand();
        return false;
    } else {
        close(Open::Subshell);
    }
    copy(1);
    return true;
}

void ListReader::take(const Word& word)
{
    if (std::all_of(word.raw.begin(), word.raw.end(), [](QChar d) { return d.isDigit(); }) &&
        (at(0) == u'<' || at(0) == u'>'))
        return; // the number of the file a redirection is for
    const QString reserved = word.plain ? word.literal : QString();
    if (top(Open::CaseSubject)) {
        if (m_caseSubjectRead && reserved == u"in")
            m_open.back().kind = Open::CasePattern;
        m_caseSubjectRead = true;
    } else if (top(Open::CasePattern)) {
        if (reserved == u"esac") // else a pattern: a value there is matched as text
            close(Open::CasePattern);
    } else if (m_functionName) {
        m_functionName = false; // its body follows
    } else if (m_forHeader && reserved == u"do") {
        endCommand();
    } else if (!m_commandStart || reserved.isEmpty() || !reservedWord(reserved)) {
        m_words.append(word);
        m_commandStart = false;
    }
}

// Takes a reserved word at the start of a command; false for any other word.
bool ListReader::reservedWord(const QString& word)
{
    using K = Open::Kind;
    if (word == u"if" || word == u"while" || word == u"until" || word == u"{") {
        open(word == u"if" ? K::If : word == u"{" ? K::Group : K::Loop);
    } else if (word == u"fi" || word == u"done" || word == u"}" || word == u"esac") {
        close(word == u"fi" ? K::If : word == u"done" ? K::Loop : word == u"}" ? K::Group : K::CaseBody);
    } else if (word == u"for" || word == u"select") {
        // Its header is read as a command of its own, up to `do`.
        open(K::Loop);
        Word header;
        header.raw = header.out = header.literal = word;
        m_words = {header};
        m_forHeader = true;
        m_commandStart = false;
    } else if (word == u"case") {
        open(K::CaseSubject);
        m_caseSubjectRead = false;
    } else if (word == u"function") {
        defineFunction();
        m_functionName = true;
    } else if (word == u"[[") {
        m_findings.atRisk(
            QStringLiteral("in a script with [[ ]], where bash reads words as arithmetic or names"));
        return false;
    } else {
        return word == u"then" || word == u"else" || word == u"elif" || word == u"do" || word == u"!";
    }
    return true;
}

QString Binder::commands(const QString& text, qsizetype& i, bool substitution)
{
    const bool piped = m_piped;
    QString out = ListReader(*this, text, i, substitution).read();
    m_piped = piped;
    return out;
}

} // namespace

shell::Findings shell::scanScript(const QString& text, bool piped)
{
    const QList<std::pair<QString, QString>> none;
    const QStringList names;
    Findings findings;
    Binder binder(none, names, findings);
    binder.m_piped = piped;
    qsizetype i = 0;
    binder.commands(text, i, false);
    return findings;
}

BoundScript bindShellValues(const QString& script, const QList<std::pair<QString, QString>>& values)
{
    BoundScript bound;
    QStringList names;
    QString assignments;
    for (qsizetype k = 0; k < values.size(); ++k) {
        QString value = values[k].second;
        for (qsizetype later = k + 1; later < values.size(); ++later)
            if (!values[later].first.isEmpty())
                value.replace(values[later].first, values[later].second);
        bound.arguments << value;
        names << QStringLiteral("korvalen_value%1").arg(k + 1);
        assignments += QStringLiteral("%1=${%2} ").arg(names.back()).arg(k + 1);
    }
    Findings findings;
    qsizetype i = 0;
    const QString text = Binder(values, names, findings).commands(script, i, false);
    // A construct the binder does not follow, or one that a value could
    // reach through a variable, puts every placeholder at risk.
    const QString risk = !findings.lost.isEmpty() ? findings.lost : findings.risk;
    for (qsizetype j = 0; j < script.size() && !risk.isEmpty() && findings.refused.isEmpty(); ++j)
        for (const auto& [placeholder, value] : values)
            if (!placeholder.isEmpty() && QStringView(script).mid(j).startsWith(placeholder))
                findings.refuse(placeholder, risk);
    bound.refused = findings.refused;
    bound.because = findings.because;
    bound.text =
        values.isEmpty() ? text : assignments + QStringLiteral("&& shift %1\n").arg(values.size()) + text;
    return bound;
}

} // namespace platform
