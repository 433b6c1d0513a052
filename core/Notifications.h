#pragma once

#include "BoxSnapshot.h"

#include "platform/DateTime.h"

#include <QString>
#include <QStringList>

// The message-box and program-run notifications of a status change.
namespace notify {

// The message box's text for the box's status; empty where no text fits
// (CHECKING, DISABLED, Close of a box that is not TCP).
QString messageText(const BoxSnapshot& box, const platform::LocalStamp& now);

// Shows the message box, on top, without waiting for it to be closed.
void showMessageBox(const BoxSnapshot& box, const platform::LocalStamp& now);

// The program's arguments: the parameters split as a command line, then the
// placeholders expanded inside each argument, so that a value can never add
// or split an argument.
QStringList programArguments(const BoxSnapshot& box, const platform::LocalStamp& now);

// Starts the box's program; false when it could not be started.
bool runProgram(const BoxSnapshot& box, const platform::LocalStamp& now);

} // namespace notify
