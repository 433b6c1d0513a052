// Binding values to the placeholders of a /bin/sh script. The scanner reads
// the script as far as it understands the shell's grammar; a placeholder is
// bound only where everything around it is understood, and refused
// elsewhere with the reason.
#include "CommandInterpreter.h"

#include <algorithm>
#include <optional>

namespace platform {

namespace {

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

// A character that ends a word outside quotation marks.
bool endsWord(QChar c)
{
    return c.isNull() || c == u' ' || c == u'\t' || c == u'\n' || c == u';' || c == u'&' || c == u'|' ||
           c == u'(' || c == u')' || c == u'<' || c == u'>';
}

// name=, name+= or name[...]= at the start of a word.
bool isAssignment(const QString& raw)
{
    qsizetype j = 0;
    while (j < raw.size() && isNameChar(raw[j]))
        ++j;
    if (j == 0 || raw[0].isDigit())
        return false;
    if (charAt(raw, j) == u'[')
        j = raw.indexOf(u']', j) + 1;
    if (charAt(raw, j) == u'+')
        ++j;
    return j > 0 && charAt(raw, j) == u'=';
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
    QStringView word;
    for (const char16_t* op : {u":-", u":=", u":+", u":?", u"##", u"%%", u"-", u"=", u"+", u"?", u"#", u"%"})
        if (content.mid(j).startsWith(QStringView(op))) {
            word = content.mid(j + QStringView(op).size());
            break;
        }
    if (word.data() == nullptr || word.contains(u"$["))
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

// A word of a command as the scanner read it.
struct Word
{
    QString raw;     // as written
    QString out;     // as bound
    QString literal; // with its quoting removed; the command's text when `fixed`
    // No expansion and no placeholder: the same text whenever it runs.
    bool fixed = true;
    // No quoting either, as a reserved word must be written.
    bool plain = true;
    QString placeholder; // the first one in it, inside $( ) and backquotes too
    bool startsWithPlaceholder = false;
};

// How a command treats the words that follow its name.
enum class Reads
{
    Text,
    Script,      // every argument is script, or a script file to read
    Shell,       // the script after -c, or a script file, or standard input
    Ssh,         // a remote command after the host, or standard input
    Names,       // variable names, whose subscripts bash evaluates
    Declaration, // names and assignments
    Arithmetic,
    Printf,  // a name after -v
    Test,    // a name after -v
    Wrapper, // runs a command named by its arguments
    Grammar  // changes how the shell reads the words that follow
};

Reads commandReads(const QString& name)
{
    static const QList<std::pair<Reads, QStringList>> table{
        {Reads::Script, {"eval", "trap", ".", "source", "su", "runuser", "xargs", "watch", "at", "batch"}},
        {Reads::Shell, {"sh", "bash", "dash", "ksh", "mksh", "zsh", "busybox"}},
        {Reads::Ssh, {"ssh"}},
        {Reads::Names, {"read", "unset", "mapfile", "readarray", "getopts"}},
        {Reads::Declaration, {"declare", "typeset", "local", "export", "readonly"}},
        {Reads::Arithmetic, {"let"}},
        {Reads::Printf, {"printf"}},
        {Reads::Test, {"test", "["}},
        {Reads::Wrapper,
         {"exec", "command", "builtin", "nohup", "time", "env", "nice", "sudo", "doas", "setsid", "timeout",
          "stdbuf", "ionice", "chrt", "taskset", "flock"}},
        {Reads::Grammar, {"alias", "shopt", "enable", "hash", "coproc"}},
    };
    const QString base = name.mid(name.lastIndexOf(u'/') + 1);
    for (const auto& [reads, names] : table)
        if (names.contains(base))
            return reads;
    return Reads::Text;
}

// Programs that read their script from standard input when given none.
bool readsStandardInputAsScript(const QString& name)
{
    static const QStringList names{"su", "runuser", "xargs", "at", "batch"};
    return names.contains(name.mid(name.lastIndexOf(u'/') + 1));
}

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
    bool piped;               // its standard input comes from a pipe
    bool readsScript = false; // a command in it reads standard input as script
};

class Binder
{
public:
    Binder(const QList<std::pair<QString, QString>>& values, const QStringList& names)
        : m_values(values), m_names(names)
    {
    }

    // The commands of `text` from i on, every placeholder bound, up to the
    // end or, for a command substitution, up to (not past) its closing
    // parenthesis. `piped`: their standard input may carry a value.
    QString commands(const QString& text, qsizetype& i, bool substitution, bool piped);

    // The first placeholder refused where it stands, and why.
    QString refused, because;
    // A construct that puts every placeholder of the script at risk.
    QString risk;
    // What the scanner could not follow; it read no further.
    QString lost;

private:
    struct HereDocument
    {
        QString delimiter;
        bool quoted = false;
        bool stripTabs = false;
    };

    qsizetype placeholderAt(const QString& text, qsizetype i) const;
    QString bind(const QString& text, qsizetype& i, Word& word);
    void refuse(const QString& placeholder, const QString& why);
    void refuseIn(const Word& word, const QString& why);
    void refuseAny(QStringView text, const QString& why);
    void atRisk(const QString& why);
    void loseTrack(const QString& what);

    Word word(const QString& text, qsizetype& i);
    void quoted(const QString& text, qsizetype& i, Quoting quoting, Word& word);
    void dollar(const QString& text, qsizetype& i, bool quoted, Word& word);
    void arithmetic(const QString& text, qsizetype& i, QChar open, QChar close, Word& word);
    void parameter(const QString& text, qsizetype& i, Word& word);
    void backquoted(const QString& text, qsizetype& i, bool inDoubleQuotes, Word& word);
    QString hereDocumentOperator(const QString& text, qsizetype& i, QList<HereDocument>& pending);
    QString hereDocumentBodies(const QString& text, qsizetype& i, const QList<HereDocument>& pending);
    void checkCommand(const QList<Word>& words, bool piped, bool fed, QList<Open>& open);
    void checkArguments(const QList<Word>& words, qsizetype from, const QString& name, const QString& why);

    const QList<std::pair<QString, QString>>& m_values;
    const QStringList& m_names;
    QStringList m_bound;  // the placeholders bound so far, in order
    bool m_piped = false; // standard input of the command being read may carry a value
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

void Binder::refuse(const QString& placeholder, const QString& why)
{
    if (refused.isEmpty()) {
        refused = placeholder;
        because = why;
    }
}

void Binder::refuseIn(const Word& word, const QString& why)
{
    if (!word.placeholder.isEmpty())
        refuse(word.placeholder, why);
}

void Binder::refuseAny(QStringView text, const QString& why)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (const qsizetype k = placeholderAt(text.toString(), i); k >= 0)
            return refuse(m_values[k].first, why);
}

void Binder::atRisk(const QString& why)
{
    if (risk.isEmpty())
        risk = why;
}

void Binder::loseTrack(const QString& what)
{
    if (lost.isEmpty())
        lost = QStringLiteral("in a script with %1, which the binder does not follow").arg(what);
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

Word Binder::word(const QString& text, qsizetype& i)
{
    Word word;
    const qsizetype start = i;
    word.startsWithPlaceholder = placeholderAt(text, i) >= 0;
    while (i < text.size() && lost.isEmpty() && !endsWord(text[i])) {
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
            word.literal += c;
            word.out += c;
            ++i;
        }
    }
    word.raw = text.mid(start, i - start);
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
    while (i < text.size() && lost.isEmpty()) {
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
    const QChar next = charAt(text, i + 1);
    if (next == u'(' && charAt(text, i + 2) == u'(')
        return arithmetic(text, i, u'(', u')', word);
    if (next == u'[')
        return arithmetic(text, i, u'[', u']', word);
    if (next == u'{')
        return parameter(text, i, word);
    word.fixed = false;
    if (next == u'(') {
        const qsizetype boundBefore = m_bound.size();
        i += 2;
        word.out += QStringLiteral("$(") + commands(text, i, true, m_piped);
        if (i < text.size() && lost.isEmpty()) {
            word.out += u')';
            ++i;
        }
        if (word.placeholder.isEmpty() && m_bound.size() > boundBefore)
            word.placeholder = m_bound[boundBefore];
        return;
    }
    if (!inQuotes && (next == u'\'' || next == u'"'))
        return loseTrack(next == u'\'' ? QStringLiteral("$'…'") : QStringLiteral("$\"…\""));
    qsizetype end = i + 1;
    if (next.isDigit() || QStringView(u"@*#?-$!").contains(next))
        ++end;
    else
        while (end < text.size() && isNameChar(text[end]) && !(end == i + 1 && text[end].isDigit()))
            ++end;
    if (end == i + 1)
        word.literal += u'$';
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
    atRisk(QStringLiteral("in a script with arithmetic (%1), which a value could reach through a variable")
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
            return loseTrack(QStringLiteral("${ } holding quotation marks, a backslash or a substitution"));
        if (c == u'{')
            ++depth;
        if (c == u'}' && --depth == 0)
            break;
    }
    if (j >= text.size())
        return loseTrack(QStringLiteral("an unclosed ${"));
    const QStringView content = QStringView(text).mid(i + 2, j - i - 2);
    refuseAny(content, QStringLiteral("inside ${ }, where the shell reads it as a name or a pattern"));
    if (!plainExpansion(content))
        atRisk(QStringLiteral("in a script with ${%1}, a form of ${ } in which bash may read a value as "
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
    const QString bound = commands(inner, start, false, m_piped);
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
    if (word.placeholder.isEmpty() && m_bound.size() > boundBefore)
        word.placeholder = m_bound[boundBefore];
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

QString Binder::hereDocumentBodies(const QString& text, qsizetype& i, const QList<HereDocument>& pending)
{
    QString out;
    for (const HereDocument& document : pending) {
        // The body's lines up to the delimiter's line, or to the end.
        QString body;
        QStringView delimiterLine;
        while (i < text.size()) {
            const qsizetype end = text.indexOf(u'\n', i);
            const qsizetype stop = end < 0 ? text.size() : end + 1;
            const QStringView line = QStringView(text).mid(i, stop - i);
            i = stop;
            QStringView content = line.endsWith(u'\n') ? line.chopped(1) : line;
            while (document.stripTabs && content.startsWith(u'\t'))
                content = content.mid(1);
            if (content == document.delimiter) {
                delimiterLine = line;
                break;
            }
            body += line;
        }
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

QString Binder::commands(const QString& text, qsizetype& i, bool substitution, bool piped)
{
    QString out;
    QList<Word> words;
    QList<Open> open;
    QList<HereDocument> pending;
    bool commandStart = true;
    bool pipedIn = piped; // the command being read follows a |
    bool fed = false;     // it has a here-document that can carry a value
    bool forHeader = false, functionName = false, caseSubjectRead = false;
    std::optional<Open> closed; // the compound command that just ended
    auto inPipe = [&] {
        return pipedIn || std::any_of(open.begin(), open.end(), [](const Open& o) { return o.piped; });
    };
    auto endCommand = [&] {
        if (!words.isEmpty() && !forHeader)
            checkCommand(words, inPipe(), fed, open);
        words.clear();
        fed = forHeader = false;
        closed.reset();
        commandStart = true;
    };
    auto top = [&](Open::Kind kind) { return !open.isEmpty() && open.back().kind == kind; };
    auto close = [&](Open::Kind kind) {
        if (!top(kind))
            return loseTrack(QStringLiteral("a compound command closed where none is open"));
        endCommand();
        closed = open.takeLast();
        commandStart = false;
    };
    while (i < text.size() && lost.isEmpty()) {
        m_piped = inPipe();
        const QChar c = text[i];
        const QChar next = charAt(text, i + 1);
        if (c == u' ' || c == u'\t' || (c == u'\\' && next == u'\n')) {
            const qsizetype n = c == u'\\' ? 2 : 1;
            out += QStringView(text).mid(i, n);
            i += n;
            continue;
        }
        if (c == u'#') {
            // A comment, to the end of its line.
            const qsizetype end = text.indexOf(u'\n', i);
            const qsizetype stop = end < 0 ? text.size() : end;
            out += QStringView(text).mid(i, stop - i);
            i = stop;
            continue;
        }
        if (c == u'\n' || c == u';' || c == u'&' || (c == u'|' && !top(Open::CasePattern))) {
            const bool caseEnd = c == u';' && (next == u';' || next == u'&');
            const bool pipe = c == u'|' && next != u'|';
            qsizetype n = 1;
            if (c == u';' && next == u';')
                n = charAt(text, i + 2) == u'&' ? 3 : 2;
            else if ((c == u';' && next == u'&') || (c != u'\n' && next == c) || (pipe && next == u'&'))
                n = 2;
            if (c == u'&' && next == u'>') {
                out += c;
                ++i;
                continue; // bash's &>: a redirection of the command before
            }
            endCommand();
            pipedIn = pipe ? true : piped;
            if (caseEnd && top(Open::CaseBody))
                open.back().kind = Open::CasePattern;
            out += QStringView(text).mid(i, n);
            i += n;
            if (c == u'\n' && !pending.isEmpty()) {
                out += hereDocumentBodies(text, i, pending);
                pending.clear();
            }
            continue;
        }
        if (c == u'|') { // between the patterns of a case item
            out += c;
            ++i;
            continue;
        }
        if (c == u'<' || c == u'>') {
            if (c == u'<' && next == u'<' && charAt(text, i + 2) == u'<') {
                loseTrack(QStringLiteral("<<<"));
                break;
            }
            if (next == u'(') {
                loseTrack(QStringLiteral("process substitution"));
                break;
            }
            if (c == u'<' && next == u'<') {
                const qsizetype before = pending.size();
                out += hereDocumentOperator(text, i, pending);
                if (!pending[before].quoted) {
                    fed = true;
                    if (closed && closed->readsScript)
                        atRisk(QStringLiteral("in a script whose here-document feeds a command that reads it "
                                              "as script"));
                }
                continue;
            }
            qsizetype n = 1;
            if (next == u'>' || next == u'&' || next == u'|' || (c == u'<' && next == u'>'))
                n = 2;
            out += QStringView(text).mid(i, n);
            i += n;
            while (charAt(text, i) == u' ' || charAt(text, i) == u'\t')
                out += text[i++];
            out += word(text, i).out; // the file: any text is safe there
            continue;
        }
        if (c == u'(') {
            if (top(Open::CasePattern)) {
                out += c;
                ++i;
                continue;
            }
            if (next == u'(' && (commandStart || (words.size() == 1 && words[0].literal == u"for"))) {
                qsizetype j = i + 1;
                for (int depth = 1; j < text.size() && depth > 0; ++j)
                    depth += text[j] == u'(' ? 1 : text[j] == u')' ? -1 : 0;
                refuseAny(QStringView(text).mid(i, j - i),
                          QStringLiteral("inside (( )), where bash reads it as arithmetic"));
                atRisk(QStringLiteral("in a script with bash arithmetic (( )), which a value could reach "
                                      "through a variable"));
                out += QStringView(text).mid(i, j - i);
                i = j;
                commandStart = false;
                continue;
            }
            qsizetype j = i + 1;
            while (charAt(text, j) == u' ' || charAt(text, j) == u'\t')
                ++j;
            if (charAt(text, j) == u')' && (words.size() == 1 || commandStart) &&
                !(words.size() == 1 && words[0].raw.endsWith(u'='))) {
                // A function definition: its body follows.
                out += QStringView(text).mid(i, j + 1 - i);
                i = j + 1;
                words.clear();
                commandStart = true;
                continue;
            }
            if (commandStart) {
                open.append({Open::Subshell, inPipe()});
                pipedIn = false;
                out += c;
                ++i;
                continue;
            }
            loseTrack(QStringLiteral("a parenthesis it does not follow"));
            break;
        }
        if (c == u')') {
            if (top(Open::CasePattern)) {
                open.back().kind = Open::CaseBody;
                words.clear();
                commandStart = true;
                out += c;
                ++i;
                continue;
            }
            if (open.isEmpty() && substitution) {
                endCommand();
                return out;
            }
            close(Open::Subshell);
            out += c;
            ++i;
            continue;
        }
        Word w = word(text, i);
        out += w.out;
        if (!lost.isEmpty())
            break;
        if (w.raw.isEmpty()) { // a character that neither starts nor ends a word
            out += text[i++];
            continue;
        }
        if (std::all_of(w.raw.begin(), w.raw.end(), [](QChar d) { return d.isDigit(); }) &&
            (charAt(text, i) == u'<' || charAt(text, i) == u'>'))
            continue; // the number of the file a redirection is for
        const QString& reserved = w.plain ? w.literal : QString();
        if (top(Open::CaseSubject)) {
            if (caseSubjectRead && reserved == u"in")
                open.back().kind = Open::CasePattern;
            caseSubjectRead = true;
            continue;
        }
        if (top(Open::CasePattern)) {
            if (reserved == u"esac")
                close(Open::CasePattern);
            continue; // a pattern: a value there is matched as text
        }
        if (functionName) {
            functionName = false;
            commandStart = true;
            continue;
        }
        if (forHeader && reserved == u"do") {
            endCommand();
            continue;
        }
        if (commandStart && !reserved.isEmpty()) {
            using K = Open::Kind;
            const QString r = reserved;
            if (r == u"if" || r == u"while" || r == u"until" || r == u"{") {
                open.append({r == u"if" ? K::If : r == u"{" ? K::Group : K::Loop, inPipe()});
                pipedIn = false;
                continue;
            }
            if (r == u"then" || r == u"else" || r == u"elif" || r == u"do" || r == u"!")
                continue;
            if (r == u"fi" || r == u"done" || r == u"}" || r == u"esac") {
                close(r == u"fi" ? K::If : r == u"done" ? K::Loop : r == u"}" ? K::Group : K::CaseBody);
                continue;
            }
            if (r == u"for" || r == u"select") {
                open.append({K::Loop, inPipe()});
                pipedIn = false;
                words = {w};
                forHeader = true;
                commandStart = false;
                continue;
            }
            if (r == u"case") {
                open.append({K::CaseSubject, inPipe()});
                pipedIn = false;
                caseSubjectRead = false;
                continue;
            }
            if (r == u"function") {
                functionName = true;
                continue;
            }
            if (r == u"[[")
                atRisk(QStringLiteral("in a script with [[ ]], where bash reads words as arithmetic or "
                                      "names"));
        }
        words.append(w);
        commandStart = false;
    }
    if (lost.isEmpty())
        endCommand();
    if (!lost.isEmpty() && i < text.size()) {
        out += QStringView(text).mid(i);
        i = text.size();
    }
    return out;
}

void Binder::checkArguments(const QList<Word>& words, qsizetype from, const QString& name, const QString& why)
{
    for (qsizetype k = from; k < words.size(); ++k) {
        refuseIn(words[k], QStringLiteral("in an argument of %1, %2").arg(name, why));
        if (!words[k].fixed)
            atRisk(QStringLiteral("in a script where %1 gets an argument that is not fixed text, and %2")
                       .arg(name, why));
    }
}

void Binder::checkCommand(const QList<Word>& words, bool piped, bool fed, QList<Open>& open)
{
    qsizetype n = 0;
    for (; n < words.size() && isAssignment(words[n].raw); ++n) {
        refuseIn(words[n], QStringLiteral("in an assignment, whose variable bash may read as arithmetic"));
        if (words[n].raw.left(words[n].raw.indexOf(u'=')).contains(u'['))
            atRisk(QStringLiteral("in a script with an array assignment, whose subscript bash reads as "
                                  "arithmetic"));
    }
    if (n == words.size())
        return;
    const Word& command = words[n];
    refuseIn(command, QStringLiteral("as the name of a command"));
    if (!command.fixed) {
        checkArguments(words, n + 1, QStringLiteral("a command named only when it runs"),
                       QStringLiteral("which could be any program"));
        return atRisk(QStringLiteral("in a script with a command named only when it runs"));
    }
    QString name = command.literal;
    Reads reads = commandReads(name);
    if (reads == Reads::Wrapper) {
        // The command it runs is one of the words that follow: the rules of
        // the first one known apply from there.
        checkArguments(words, n + 1, name, QStringLiteral("which could take it for the command to run"));
        auto known = [](const Word& w) {
            const Reads r = commandReads(w.literal);
            return w.fixed && r != Reads::Text && r != Reads::Wrapper;
        };
        n = std::find_if(words.begin() + n + 1, words.end(), known) - words.begin();
        if (n == words.size())
            return;
        name = words[n].literal;
        reads = commandReads(name);
    }
    const QString script = QStringLiteral("which reads it as script");
    auto readsStandardInput = [&] {
        for (Open& o : open)
            o.readsScript = true;
        if (piped || fed)
            atRisk(QStringLiteral("in a script whose pipe or here-document feeds %1, which reads its "
                                  "standard input as script")
                       .arg(name));
    };
    switch (reads) {
    case Reads::Text:
    case Reads::Wrapper:
        return;
    case Reads::Script:
        checkArguments(words, n + 1, name, script);
        if (readsStandardInputAsScript(name))
            readsStandardInput();
        return;
    case Reads::Shell: {
        bool command = false, fromInput = false;
        qsizetype k = n + 1;
        for (; k < words.size(); ++k) {
            const QString& w = words[k].literal;
            if (!words[k].fixed || w.size() < 2 || !(w.startsWith(u'-') || w.startsWith(u'+')))
                break;
            if (w == u"--") {
                ++k;
                break;
            }
            if (!w.startsWith(u"--")) {
                command = command || w.contains(u'c');
                fromInput = fromInput || w.contains(u's');
                k += w.endsWith(u'o') ? 1 : 0;
            }
        }
        if (k >= words.size() || (fromInput && !command))
            return readsStandardInput();
        // The script, or the file that holds it; the words after it are its
        // arguments.
        return checkArguments(words.mid(0, k + 1), k, name, script);
    }
    case Reads::Ssh: {
        static const QString withArgument = QStringLiteral("BbcDEeFIiJLlmOoPpQRSWw");
        bool options = true;
        qsizetype k = n + 1;
        for (; k < words.size(); ++k) {
            const Word& w = words[k];
            if (!options || w.startsWithPlaceholder || !w.literal.startsWith(u'-'))
                break;
            if (w.literal == u"--" && w.fixed) {
                options = false;
                continue;
            }
            checkArguments(words.mid(0, k + 1), k, QStringLiteral("ssh"), QStringLiteral("an option"));
            if (w.literal.size() == 2 && withArgument.contains(w.literal[1]) && ++k < words.size() &&
                w.literal != u"-l" && w.literal != u"-p")
                checkArguments(words.mid(0, k + 1), k, QStringLiteral("ssh ") + w.literal,
                               QStringLiteral("which may run it as a command"));
        }
        if (k >= words.size())
            return;
        // The host; the words after it are the remote command.
        if (options && (words[k].startsWithPlaceholder || !words[k].fixed)) {
            refuseIn(words[k],
                     QStringLiteral("where ssh could take it for an option (put -- before the host)"));
            atRisk(QStringLiteral("in a script where ssh could take its host for an option"));
        }
        checkArguments(words, k + 1, QStringLiteral("ssh after the host"),
                       QStringLiteral("which the remote shell reads as script"));
        if (k + 1 == words.size())
            readsStandardInput();
        return;
    }
    case Reads::Names:
    case Reads::Arithmetic:
        if (reads == Reads::Arithmetic)
            atRisk(QStringLiteral("in a script with %1, where bash reads words as arithmetic").arg(name));
        return checkArguments(words, n + 1, name, QStringLiteral("which bash reads as a name or arithmetic"));
    case Reads::Declaration:
        for (qsizetype k = n + 1; k < words.size(); ++k) {
            const Word& w = words[k];
            refuseIn(w, QStringLiteral("in an argument of %1, which bash reads as a name or an assignment")
                            .arg(name));
            const QString nameOrOption = w.raw.left(w.raw.indexOf(u'='));
            if ((w.literal.startsWith(u'-') && (w.literal.contains(u'i') || w.literal.contains(u'n'))) ||
                nameOrOption.contains(u'[') || nameOrOption.contains(u'$') || nameOrOption.contains(u'`'))
                atRisk(QStringLiteral("in a script with %1 %2, where bash reads a value as arithmetic or a "
                                      "name")
                           .arg(name, w.raw));
        }
        return;
    case Reads::Printf:
    case Reads::Test:
        for (qsizetype k = n + 1; k + 1 < words.size(); ++k)
            if (words[k].literal == u"-v" && (reads == Reads::Test || k == n + 1))
                checkArguments(words.mid(0, k + 2), k + 1, name + QStringLiteral(" -v"),
                               QStringLiteral("which bash reads as a variable name"));
        return;
    case Reads::Grammar:
        return atRisk(QStringLiteral("in a script with %1, which changes how the shell reads later "
                                     "words")
                          .arg(name));
    }
}

} // namespace

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
    Binder binder(values, names);
    qsizetype i = 0;
    const QString text = binder.commands(script, i, false, false);
    bound.refused = binder.refused;
    bound.because = binder.because;
    // A construct the binder does not follow, or one that a value could
    // reach through a variable, puts every placeholder at risk.
    const QString risk = !binder.lost.isEmpty() ? binder.lost : binder.risk;
    if (bound.refused.isEmpty() && !risk.isEmpty())
        for (qsizetype j = 0; j < script.size() && bound.refused.isEmpty(); ++j)
            for (const auto& [placeholder, value] : values)
                if (!placeholder.isEmpty() && QStringView(script).mid(j).startsWith(placeholder)) {
                    bound.refused = placeholder;
                    bound.because = risk;
                    break;
                }
    bound.text =
        values.isEmpty() ? text : assignments + QStringLiteral("&& shift %1\n").arg(values.size()) + text;
    return bound;
}

} // namespace platform
