#include "CommandInterpreter.h"

#include "Shell.h"

namespace platform {

namespace {

// Characters that a backslash escapes inside double quotation marks.
bool escapableInDoubleQuotes(QChar c)
{
    return c == u'$' || c == u'`' || c == u'"' || c == u'\\' || c == u'\n';
}

QString doubleQuoted(const QString& value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (const QChar c : value) {
        if (c == u'$' || c == u'`' || c == u'"' || c == u'\\')
            out += u'\\';
        out += c;
    }
    return out;
}

QString singleQuotedInside(const QString& value)
{
    QString out = value;
    // Ends the quoted text, adds an escaped quotation mark, and starts again.
    out.replace(u'\'', QStringLiteral("'\\''"));
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
    return shellService().runInTerminal(QString(), {QStringLiteral("/bin/sh"), QStringLiteral("-c"), text},
                                        false);
}

QString shellQuote(const QString& value)
{
    return u'\'' + singleQuotedInside(value) + u'\'';
}

QString replaceShellQuoted(const QString& script, const QString& placeholder, const QString& value)
{
    if (placeholder.isEmpty())
        return script;
    enum class Quoting
    {
        None,
        Single,
        Double
    };
    Quoting quoting = Quoting::None;
    // A backslash inside double quotation marks that escapes nothing is a
    // character of its own; a value put right after it must not be escaped
    // by it.
    bool literalBackslash = false;
    QString out;
    out.reserve(script.size() + value.size() * 2);
    qsizetype i = 0;
    while (i < script.size()) {
        if (QStringView(script).mid(i, placeholder.size()) == placeholder) {
            switch (quoting) {
            case Quoting::None:
                out += shellQuote(value);
                break;
            case Quoting::Single:
                out += singleQuotedInside(value);
                break;
            case Quoting::Double:
                if (literalBackslash)
                    out += u'\\';
                out += doubleQuoted(value);
                break;
            }
            literalBackslash = false;
            i += placeholder.size();
            continue;
        }
        const QChar c = script[i];
        const QChar next = i + 1 < script.size() ? script[i + 1] : QChar();
        literalBackslash = false;
        switch (quoting) {
        case Quoting::None:
            if (c == u'\\') {
                out += c;
                if (i + 1 < script.size())
                    out += next;
                i += 2;
                continue;
            }
            if (c == u'\'')
                quoting = Quoting::Single;
            else if (c == u'"')
                quoting = Quoting::Double;
            break;
        case Quoting::Single:
            if (c == u'\'')
                quoting = Quoting::None;
            break;
        case Quoting::Double:
            if (c == u'\\') {
                if (i + 1 < script.size() && escapableInDoubleQuotes(next)) {
                    out += c;
                    out += next;
                    i += 2;
                    continue;
                }
                out += c;
                literalBackslash = true;
                ++i;
                continue;
            }
            if (c == u'"')
                quoting = Quoting::None;
            break;
        }
        out += c;
        ++i;
    }
    return out;
}

} // namespace platform
