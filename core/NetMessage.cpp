#include "NetMessage.h"

#include "platform/CommandInterpreter.h"
#include "platform/Shell.h"

#include <QStringList>

#include <array>
#include <utility>

QString defaultNetMsgCommand()
{
    return QStringLiteral("cmd");
}

QString defaultNetMsgParameters()
{
    // printf prints its format once per value: the user name on the first
    // line, the message on the second, read on the host in that order.
    return QStringLiteral(
        "/K \"printf '%s\\n' %user %message | ssh -- %ip 'read -r u && exec write \"$u\"'\"");
}

bool sendNetMessage(const QString& command, const QString& parameters, const QString& host,
                    const QString& user, const QString& message)
{
    const std::array<std::pair<QString, const QString*>, 3> placeholders{{
        {QStringLiteral("%ip"), &host},
        {QStringLiteral("%user"), &user},
        {QStringLiteral("%message"), &message},
    }};
    if (platform::isCommandInterpreter(command)) {
        platform::InterpreterScript script = platform::interpreterScript(parameters);
        for (const auto& [placeholder, value] : placeholders)
            script.text = platform::replaceShellQuoted(script.text, placeholder, *value);
        return platform::startInTerminal(script);
    }
    QStringList arguments = platform::splitArguments(parameters);
    for (QString& argument : arguments)
        for (const auto& [placeholder, value] : placeholders)
            argument.replace(placeholder, *value);
    return platform::shellService().startProgram(command, arguments, false);
}
