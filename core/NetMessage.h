#pragma once

#include <QString>

// The network message: a command run with the box's host, a user name and
// the message put into its parameters.

// The command and parameter template that a configuration without its own
// start with: a terminal that sends the message with `write` to the user's
// terminals on the host, through ssh. The host, user name and message travel
// as data: the remote command itself is fixed text, so that the remote shell
// never parses a value.
QString defaultNetMsgCommand();
QString defaultNetMsgParameters();

enum class NetMessageSent
{
    Started,
    NotStarted, // the command could not be started
    Refused,    // the template puts a value where it is not protected; nothing ran
    TooLong     // a value is longer than a program's argument can be; nothing ran
};

// Runs the command with every "%ip" in the parameters replaced by the host,
// then every "%user" by the user name, then every "%message" by the message.
// The command interpreter ("cmd") runs its script in a terminal, the values
// bound to it (platform::bindShellValues); a template that puts one where
// its value is not protected is refused, and `refused` says which
// placeholder stands where ("%message stands in an argument of eval, ..."). Any other program gets the
// parameters split into arguments first, so a value is never more than text inside one argument.
// An argument longer than a program can be given is not started: `refused` then says how long it
// is and the limit.
NetMessageSent sendNetMessage(const QString& command, const QString& parameters, const QString& host,
                              const QString& user, const QString& message, QString* refused = nullptr);
