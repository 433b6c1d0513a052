#include "NetMessage.h"

#include "platform/desktop/Shell.h"
#include "platform/programs/CommandInterpreter.h"
#include "platform/programs/ScriptBinder.h"

#include <QList>
#include <QStringList>

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
        "/K \"printf '%s\\n' %user %message | ssh -- %ip 'read -r u && exec write -- \"$u\"'\"");
}

NetMessageSent sendNetMessage(const QString& command, const QString& parameters, const QString& host,
                              const QString& user, const QString& message, QString* refused)
{
    const QList<std::pair<QString, QString>> placeholders{
        {QStringLiteral("%ip"), host},
        {QStringLiteral("%user"), user},
        {QStringLiteral("%message"), message},
    };
    bool started = false;
    if (platform::isCommandInterpreter(command)) {
        platform::InterpreterScript script = platform::interpreterScript(parameters);
        const platform::BoundScript bound = platform::bindShellValues(script.text, placeholders);
        if (!bound.refused.isEmpty()) {
            if (refused)
                *refused = bound.refused + QStringLiteral(" stands ") + bound.because;
            return NetMessageSent::Refused;
        }
        script.text = bound.text;
        script.arguments = bound.arguments;
        started = platform::startInTerminal(script);
    } else {
        QStringList arguments = platform::splitArguments(parameters);
        for (QString& argument : arguments)
            for (const auto& [placeholder, value] : placeholders)
                argument.replace(placeholder, value);
        started = platform::shellService().startProgram(command, arguments, false);
    }
    return started ? NetMessageSent::Started : NetMessageSent::NotStarted;
}
