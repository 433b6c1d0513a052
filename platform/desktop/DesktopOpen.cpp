#include "DesktopOpen.h"

#include "MessageBox.h"
#include "platform/programs/Shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

namespace {

// How long the desktop's opener gets to answer. One still running then runs
// the application it chose in its own place (xdg-open does so on desktops
// without an opener of their own), so the open went through.
constexpr int kOpenerAnswerMs = 15000;

// Whether the desktop names an application for the type or one it inherits
// from (text/csv falls back to text/plain). Without xdg-mime to ask, the
// opener is left to find one.
bool hasAssociation(ShellService& shell, const QMimeType& type)
{
    const QString query = shell.findProgram(QStringLiteral("xdg-mime"));
    if (query.isEmpty())
        return true;
    QStringList names{type.name()};
    names += type.allAncestors();
    for (const QString& name : names) {
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(query, {QStringLiteral("query"), QStringLiteral("default"), name});
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(1000);
            return true;
        }
        if (!process.readAllStandardOutput().trimmed().isEmpty())
            return true;
    }
    return false;
}

} // namespace

bool openWithDesktop(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

int openWithDesktopAndWait(const QUrl& url)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    // Without xdg-open Qt's own opener has nothing to go to either, and it
    // is not to be called off the window thread, where this waits.
    if (opener.isEmpty())
        return kNoOpener;
    return exitStatusWithin(
        opener, {url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)}, kOpenerAnswerMs);
}

int openDocumentWith(ShellService& shell, const QString& path)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return SE_ERR_FNF;
    if (!hasAssociation(shell, QMimeDatabase().mimeTypeForFile(file)))
        return SE_ERR_NOASSOC;
    switch (shell.openAndWait(QUrl::fromLocalFile(file.absoluteFilePath()))) {
    case 0:
        return 42;
    case kOpenerNoApplication:
        return SE_ERR_NOASSOC;
    case kOpenerNoSuchFile:
        return SE_ERR_FNF;
    default:
        return 0;
    }
}

QString openFailureText(const QString& what, const QString& place, const QString& needs, int answer)
{
    QString reason;
    if (answer == kNoOpener)
        reason =
            QStringLiteral("No program to open it with was found on this desktop: install xdg-utils (for "
                           "xdg-open) and %1, then try again.")
                .arg(needs);
    else if (answer == kOpenerNoApplication)
        reason =
            QStringLiteral("The desktop has no program for it (xdg-open found none): install %1, then try "
                           "again.")
                .arg(needs);
    else if (answer == kOpenerNoSuchFile)
        reason = QStringLiteral("It does not exist (xdg-open found no such file or folder): check that it is "
                                "there, then try again.");
    else
        reason =
            QStringLiteral("The program the desktop chose for it failed (xdg-open answered %1): make %2 the "
                           "desktop's choice for it (xdg-mime default), then try again.")
                .arg(answer)
                .arg(needs);
    return QStringLiteral("Korvalen could not open %1:\n%2\n\n%3").arg(what, place, reason);
}

bool openOrTell(const QUrl& url, const QString& what, const QString& needs)
{
    const int answer = shellService().openAndWait(url);
    if (answer == 0)
        return true;
    const QString place = url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toString();
    postMessageBox(openFailureText(what, place, needs, answer), QStringLiteral("Korvalen"),
                   MB_OK | MB_ICONWARNING);
    return false;
}

} // namespace platform
