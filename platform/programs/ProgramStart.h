#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

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

// Starts the program through the shell service, or opens a file that is no
// program with the desktop's application for it; when neither happened, a
// message box posted to the window thread says so. For such a file it waits
// for the desktop's opener: call it on a worker thread where the program may
// be one. True when it started or opened.
bool startOrTell(const QString& what, const QString& program, const QStringList& arguments, bool hidden);

// The longest argument, in bytes, that the system hands a program it starts
// (its per-string limit, 32 pages on Linux, less the closing zero).
qsizetype longestArgument();

// A program that ends with a failure this soon after its start did not do
// its work (a remote desktop client that could not connect); one that ends
// later was used.
inline constexpr std::chrono::seconds kEarlyEnd{10};

// Why a watched program that ended failed, from its wait status, how long it
// ran and the end of its error output: the last line written there, else its
// status. Empty when it succeeded or ended later than kEarlyEnd.
QString earlyFailureReason(int waitStatus, std::chrono::milliseconds lasted, const QByteArray& errorTail);

// Starts the program as startOrTell does, and when it ends with a failure
// within kEarlyEnd, a message box posted to the window thread says why.
bool startWatchedOrTell(const QString& what, const QString& program, const QStringList& arguments);

} // namespace platform
