#include "CommandInterpreter.h"

#include "Shell.h"

#include <algorithm>

namespace platform {

namespace {

// Characters that a backslash escapes inside double quotation marks.
bool escapableInDoubleQuotes(QChar c)
{
    return c == u'$' || c == u'`' || c == u'"' || c == u'\\' || c == u'\n';
}

// How the text at a place of a script is read.
enum class Quoting
{
    None,
    Single,
    Double,
    // The body of a here-document whose delimiter is not quoted: as inside
    // double quotation marks, but a quotation mark is only text.
    HereDocument
};

QChar charAt(const QString& text, qsizetype i)
{
    return i < text.size() ? text[i] : QChar();
}

// A character that ends a word outside quotation marks.
bool endsWord(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u';' || c == u'&' || c == u'|' || c == u'(' ||
           c == u')' || c == u'<' || c == u'>';
}

// Where bash (the /bin/sh of several distributions) evaluates the text from
// i on as arithmetic: the end of that text, or i when it does not.
qsizetype numericContextEnd(const QString& text, qsizetype i, bool wordStart, const QString& before)
{
    const QStringView rest = QStringView(text).mid(i);
    auto upTo = [&](QStringView closing) {
        const qsizetype end = rest.indexOf(closing);
        return end < 0 ? text.size() : i + end + closing.size();
    };
    if (wordStart && rest.startsWith(u"(("))
        return upTo(u"))");
    if (wordStart && rest.startsWith(u"[[") && (rest.size() == 2 || endsWord(rest[2])))
        return upTo(u"]]");
    if (rest.startsWith(u'[') && !before.isEmpty() &&
        (before.back().isLetterOrNumber() || before.back() == u'_'))
        return upTo(u"]");
    if (wordStart)
        for (const char16_t* word : {u"let", u"declare", u"typeset"}) {
            const QStringView name(word);
            if (rest.startsWith(name) && rest.size() > name.size() && endsWord(rest[name.size()])) {
                qsizetype end = i + name.size();
                while (end < text.size() && text[end] != u';' && text[end] != u'&' && text[end] != u'|' &&
                       text[end] != u'\n')
                    ++end;
                return end;
            }
        }
    return i;
}

// Reads a script the way /bin/sh does, as far as the place of a
// placeholder needs: quotation marks, backslashes, $( ) and backquotes with
// their own quoting inside, the expansions in which a value could be
// evaluated, comments and here-documents.
class ScriptBinder
{
public:
    ScriptBinder(const QList<std::pair<QString, QString>>& values, const QStringList& names)
        : m_values(values), m_names(names)
    {
    }

    // The text from i on with every placeholder replaced, up to the end, or
    // for a command substitution up to (not past) its closing parenthesis.
    QString commands(const QString& text, qsizetype& i, Quoting quoting, bool substitution);

    QString refused;

private:
    struct HereDocument
    {
        QString delimiter;
        bool quoted = false;
        bool stripTabs = false;
    };

    // The index of the value whose placeholder starts at i, or -1.
    qsizetype placeholderAt(const QString& text, qsizetype i) const;
    void refuseAny(QStringView text);
    QString backquoted(const QString& text, qsizetype& i, bool inDoubleQuotes);
    QString dollar(const QString& text, qsizetype& i);
    QString hereDocumentOperator(const QString& text, qsizetype& i, QList<HereDocument>& pending);
    QString hereDocumentBodies(const QString& text, qsizetype& i, const QList<HereDocument>& pending);

    const QList<std::pair<QString, QString>>& m_values;
    const QStringList& m_names;
};

qsizetype ScriptBinder::placeholderAt(const QString& text, qsizetype i) const
{
    for (qsizetype k = 0; k < m_values.size(); ++k) {
        const QString& placeholder = m_values[k].first;
        if (!placeholder.isEmpty() && QStringView(text).mid(i, placeholder.size()) == placeholder)
            return k;
    }
    return -1;
}

void ScriptBinder::refuseAny(QStringView text)
{
    for (qsizetype i = 0; i < text.size() && refused.isEmpty(); ++i)
        for (const auto& [placeholder, value] : m_values)
            if (!placeholder.isEmpty() && text.mid(i).startsWith(placeholder)) {
                refused = placeholder;
                break;
            }
}

QString ScriptBinder::commands(const QString& text, qsizetype& i, Quoting quoting, bool substitution)
{
    QString out;
    int depth = 0; // parentheses open within these commands
    bool wordStart = true;
    // A backslash inside double quotation marks that escapes nothing is a
    // character of its own; a value put right after it must not be escaped
    // by it.
    bool literalBackslash = false;
    QList<HereDocument> pending;
    while (i < text.size()) {
        const qsizetype k = placeholderAt(text, i);
        if (k >= 0 && quoting != Quoting::Single) {
            const QString reference = QStringLiteral("${%1}").arg(m_names[k]);
            if (quoting == Quoting::None)
                out += u'"' + reference + u'"';
            else
                out += (literalBackslash ? QStringLiteral("\\") : QString()) + reference;
            i += m_values[k].first.size();
            literalBackslash = wordStart = false;
            continue;
        }
        if (k >= 0) {
            out += QStringLiteral("'\"${%1}\"'").arg(m_names[k]);
            i += m_values[k].first.size();
            continue;
        }
        const QChar c = text[i];
        const QChar next = charAt(text, i + 1);
        literalBackslash = false;
        if (quoting == Quoting::Single) {
            if (c == u'\'')
                quoting = Quoting::None;
            out += c;
            ++i;
            continue;
        }
        if (c == u'\\') {
            const bool escapes = quoting == Quoting::None || (escapableInDoubleQuotes(next) &&
                                                              (quoting == Quoting::Double || next != u'"'));
            out += c;
            ++i;
            if (escapes && i < text.size())
                out += text[i++];
            literalBackslash = !escapes;
            wordStart = false;
            continue;
        }
        if (c == u'`') {
            out += backquoted(text, i, quoting == Quoting::Double);
            wordStart = false;
            continue;
        }
        if (c == u'$' && (next == u'(' || next == u'[' || next == u'{')) {
            out += dollar(text, i);
            wordStart = false;
            continue;
        }
        if (quoting != Quoting::None) {
            if (quoting == Quoting::Double && c == u'"')
                quoting = Quoting::None;
            out += c;
            ++i;
            continue;
        }
        if (const qsizetype end = numericContextEnd(text, i, wordStart, out); end > i) {
            // bash reads a value here as arithmetic, which runs any $( ) in
            // it: (( )), [[ ]], let, declare and typeset, an array subscript.
            const QStringView context = QStringView(text).mid(i, end - i);
            refuseAny(context);
            out += context;
            i = end;
            wordStart = false;
            continue;
        }
        if (c == u'#' && wordStart) {
            // A comment, to the end of its line.
            const qsizetype end = text.indexOf(u'\n', i);
            const qsizetype stop = end < 0 ? text.size() : end;
            out += QStringView(text).mid(i, stop - i);
            i = stop;
            continue;
        }
        if (c == u'<' && next == u'<' && charAt(text, i + 2) != u'<') {
            out += hereDocumentOperator(text, i, pending);
            wordStart = false;
            continue;
        }
        if (c == u')' && substitution && depth == 0)
            return out;
        if (c == u'\'')
            quoting = Quoting::Single;
        else if (c == u'"')
            quoting = Quoting::Double;
        else if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        wordStart = endsWord(c);
        out += c;
        ++i;
        if (c == u'\n' && !pending.isEmpty()) {
            out += hereDocumentBodies(text, i, pending);
            pending.clear();
        }
    }
    return out;
}

QString ScriptBinder::backquoted(const QString& text, qsizetype& i, bool inDoubleQuotes)
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
    qsizetype start = 0;
    const QString bound = commands(inner, start, Quoting::None, false);
    QString out = QStringLiteral("`");
    for (const QChar c : bound) {
        if (c != u'$' && special(c))
            out += u'\\';
        out += c;
    }
    if (j < text.size()) {
        out += u'`';
        ++j;
    }
    i = j;
    return out;
}

QString ScriptBinder::dollar(const QString& text, qsizetype& i)
{
    const QChar open = text[i + 1];
    if (open == u'(' && charAt(text, i + 2) != u'(') {
        i += 2;
        QString out = QStringLiteral("$(") + commands(text, i, Quoting::None, true);
        if (i < text.size()) {
            out += u')';
            ++i;
        }
        return out;
    }
    // $(( )), $[ ] and ${ }: the text up to the matching bracket, in which a
    // shell may evaluate a value as a number or a pattern. A value has no
    // place there.
    const QChar close = open == u'(' ? u')' : open == u'[' ? u']' : u'}';
    qsizetype j = i + 2;
    int depth = 1;
    while (j < text.size() && depth > 0) {
        if (text[j] == u'\\') {
            j += 2;
            continue;
        }
        if (text[j] == open)
            ++depth;
        else if (text[j] == close)
            --depth;
        ++j;
    }
    j = std::min(j, text.size());
    const QStringView expansion = QStringView(text).mid(i, j - i);
    refuseAny(expansion);
    i = j;
    return expansion.toString();
}

QString ScriptBinder::hereDocumentOperator(const QString& text, qsizetype& i, QList<HereDocument>& pending)
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

QString ScriptBinder::hereDocumentBodies(const QString& text, qsizetype& i,
                                         const QList<HereDocument>& pending)
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
            refuseAny(body);
            out += body;
        } else {
            qsizetype start = 0;
            out += commands(body, start, Quoting::HereDocument, false);
        }
        out += delimiterLine;
    }
    return out;
}

} // namespace

bool isCommandInterpreter(const QString& program)
{
    const QString name = program.trimmed();
    return name.compare(QStringLiteral("cmd"), Qt::CaseInsensitive) == 0 ||
           name.compare(QStringLiteral("cmd.exe"), Qt::CaseInsensitive) == 0;
}

InterpreterScript interpreterScript(const QString& parameters)
{
    InterpreterScript script;
    QString text = parameters.trimmed();
    script.keepOpen = true;
    if (text.size() >= 2 && text[0] == u'/' &&
        (text[1] == u'C' || text[1] == u'c' || text[1] == u'K' || text[1] == u'k')) {
        script.keepOpen = text[1] == u'K' || text[1] == u'k';
        text = text.mid(2).trimmed();
    }
    // As the Windows command interpreter does: the first and the last
    // quotation mark go when both are there.
    if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"')
        text = text.mid(1, text.size() - 2);
    script.text = text;
    return script;
}

bool startInTerminal(const InterpreterScript& script)
{
    QString text = script.text;
    if (script.keepOpen)
        text += QStringLiteral("\nexec \"${SHELL:-/bin/sh}\"");
    return shellService().runInTerminal(
        QString(),
        QStringList{QStringLiteral("/bin/sh"), QStringLiteral("-c"), text, QStringLiteral("sh")} +
            script.arguments,
        false);
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
    ScriptBinder binder(values, names);
    qsizetype i = 0;
    const QString text = binder.commands(script, i, Quoting::None, false);
    bound.refused = binder.refused;
    bound.text =
        values.isEmpty() ? text : assignments + QStringLiteral("&& shift %1\n").arg(values.size()) + text;
    return bound;
}

} // namespace platform
