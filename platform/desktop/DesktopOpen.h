#pragma once

#include <QString>
#include <QUrl>

// Places opened with the desktop's opener, and what the user is told when it
// cannot open them.
namespace platform {

class ShellService;

// Opens the URL with the desktop's default application, without waiting.
bool openWithDesktop(const QUrl& url);
// Opens it through the desktop's opener (xdg-open) and waits for its answer,
// as ShellService::openAndWait describes. Blocks: never on the window thread.
int openWithDesktopAndWait(const QUrl& url);
// Opens a document through `shell` with the application the desktop
// associates with its type, answering as ShellService::openDocument does.
int openDocumentWith(ShellService& shell, const QString& path);

// The message for a place the desktop could not open: `what` names it ("the
// log folder"), `place` is where it is, `needs` what would open it ("a file
// manager"), `answer` the opener's answer (ShellService::openAndWait).
QString openFailureText(const QString& what, const QString& place, const QString& needs, int answer);

// Opens the URL through the desktop's opener and waits for its answer; when
// it failed, a message box posted to the window thread says so. Blocks while
// the opener runs: call it on a worker thread. True when it opened.
bool openOrTell(const QUrl& url, const QString& what, const QString& needs);

} // namespace platform
