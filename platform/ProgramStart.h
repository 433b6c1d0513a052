#pragma once

#include <QString>
#include <QStringList>

// Programs started at the user's request, and what the user is told when one
// cannot be started.
namespace platform {

// Why `program` cannot be started, as a sentence that says what would fix
// it; looks at the file system and PATH as the start did. A program that
// looks startable gets the reason the system's refusal most often has.
QString programProblem(const QString& program);

// The message for a program that did not start: `what` names it ("the
// custom application \"Mail\"").
QString startFailureText(const QString& what, const QString& program);

// Starts the program through the shell service; when it did not start, a
// message box posted to the window thread says so. True when it started.
bool startOrTell(const QString& what, const QString& program, const QStringList& arguments, bool hidden);

} // namespace platform
