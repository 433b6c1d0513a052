#include "DesktopOpen.h"

#include "MessageBox.h"
#include "platform/programs/Shell.h"

#include <QDir>

namespace platform {

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
