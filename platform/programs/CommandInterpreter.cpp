#include "CommandInterpreter.h"

#include "platform/programs/Shell.h"

namespace platform {

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

} // namespace platform
