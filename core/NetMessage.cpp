#include "NetMessage.h"

#include "platform/programs/CommandInterpreter.h"
#include "platform/programs/ProgramStart.h"
#include "platform/programs/ScriptBinder.h"
#include "platform/programs/Shell.h"

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

namespace {

// Says so when an argument is longer than the system hands a program, before
// the start fails on it.
bool tooLong(const QStringList& arguments, QString* refused)
{
    for (const QString& argument : arguments)
        if (const qsizetype size = argument.toUtf8().size(); size > platform::longestArgument()) {
            if (refused)
                *refused =
                    QStringLiteral("a value is %L1 bytes long, and a program is given at most %L2 bytes "
                                   "in one argument")
                        .arg(size)
                        .arg(platform::longestArgument());
            return true;
        }
    return false;
}

} // namespace

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
        if (tooLong(bound.arguments, refused))
            return NetMessageSent::TooLong;
        script.text = bound.text;
        script.arguments = bound.arguments;
        started = platform::startInTerminal(script);
    } else {
        QStringList arguments = platform::splitArguments(parameters);
        for (QString& argument : arguments)
            for (const auto& [placeholder, value] : placeholders)
                argument.replace(placeholder, value);
        if (tooLong(arguments, refused))
            return NetMessageSent::TooLong;
        started = platform::shellService().startProgram(command, arguments, false);
    }
    return started ? NetMessageSent::Started : NetMessageSent::NotStarted;
}
