#include "KorvalenDlg.h"

#include "core/BoxTools.h"
#include "core/Placeholders.h"
#include "platform/desktop/DesktopOpen.h"
#include "platform/desktop/MessageBox.h"
#include "platform/programs/NetTools.h"
#include "platform/programs/ProgramStart.h"
#include "platform/programs/Shell.h"

#include <QUrl>

// The tools of the box context menu. Every host, URL and parameter reaches
// the program as an argument of its own; none is ever shell text.

namespace {

void tellMissing(const QString& what, const QString& packages)
{
    platform::MessageBoxW(QStringLiteral("%1 Install %2 and try again.").arg(what, packages),
                          QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONWARNING);
}

// Runs a network command for a host in a terminal titled with the tool and
// the host, which stays open until Enter.
void runNetworkCommand(const QString& tool, const QString& host, const QStringList& command,
                       const QString& package)
{
    // A host such as "-f" would be read as an option by a program that does
    // not know "--".
    if (host.startsWith(u'-')) {
        platform::MessageBoxW(
            QStringLiteral("The target \"%1\" starts with \"-\" and cannot be used here.").arg(host),
            QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONWARNING);
        return;
    }
    platform::ShellService& shell = platform::shellService();
    if (shell.findProgram(command.first()).isEmpty()) {
        tellMissing(QStringLiteral("The program %1 is not installed.").arg(command.first()), package);
        return;
    }
    if (!shell.runInTerminal(tool + u' ' + host, command, true))
        tellMissing(QStringLiteral("No terminal program was found to run %1 in.").arg(command.first()),
                    QString::fromLatin1(platform::kTerminalPackages));
}

// Waits for the desktop's answer (the tools run on workers) and says when
// it could not open the address and what would.
void openAddress(const QString& address, const QString& what, const QString& needs)
{
    const QUrl url(address, QUrl::TolerantMode);
    if (url.isValid() && !url.isRelative())
        platform::openOrTell(url, what, needs);
}

void openShare(const QString& host)
{
    openAddress(
        boxtools::shareAddress(host), QStringLiteral("the shared folders of the host"),
        QStringLiteral("a file manager that opens smb:// shares (such as nautilus with gvfs-backends)"));
}

} // namespace

void CKorvalenDlg::OnToolPing()
{
    const BoxSnapshot box = snapshotOf(*m_pBoxes[size_t(m_nSelectedBox - 1)]);
    const QString host = boxtools::toolHost(box);
    runNetworkCommand(QStringLiteral("Ping"), host,
                      platform::pingCommand(host, box.VerifyMetod != METHOD_URL && box.IPv == 1),
                      QString::fromLatin1(platform::kPingPackage));
}

void CKorvalenDlg::OnToolTraceRoute()
{
    const BoxSnapshot box = snapshotOf(*m_pBoxes[size_t(m_nSelectedBox - 1)]);
    const QString host = boxtools::toolHost(box);
    runNetworkCommand(QStringLiteral("Trace route"), host,
                      platform::traceRouteCommand(host, box.VerifyMetod != METHOD_URL && box.IPv == 1),
                      QString::fromLatin1(platform::kTraceRoutePackage));
}

void CKorvalenDlg::OnToolRemoteDesktop()
{
    const BoxSnapshot box = snapshotOf(*m_pBoxes[size_t(m_nSelectedBox - 1)]);
    platform::ShellService& shell = platform::shellService();
    const QStringList command = platform::remoteDesktopCommand(shell, boxtools::toolHost(box));
    if (command.isEmpty()) {
        tellMissing(QStringLiteral("No remote desktop client was found."),
                    QString::fromLatin1(platform::kRemoteDesktopPackages));
        return;
    }
    // A client that cannot connect says why on its error output only.
    platform::startWatchedOrTell(QStringLiteral("the remote desktop client"), command.first(),
                                 command.mid(1));
}

void CKorvalenDlg::OpenWebThread(const BoxSnapshot& box)
{
    openAddress(boxtools::webAddress(box), QStringLiteral("the web page"),
                QStringLiteral("a web browser (such as firefox-esr)"));
}

void CKorvalenDlg::OpenFtpThread(const BoxSnapshot& box)
{
    openAddress(boxtools::ftpAddress(box), QStringLiteral("the FTP site"),
                QStringLiteral("a program that opens ftp:// addresses (an FTP client)"));
}

void CKorvalenDlg::OpenShareThread(const BoxSnapshot& box)
{
    if (box.VerifyMetod == METHOD_URL || box.IPv != 1) {
        openShare(boxtools::toolHost(box));
        return;
    }
    // An IPv6 box: what its target resolves to first decides, by its family.
    const platform::FirstAddress first = platform::resolveFirstAddress(box.IPAdress);
    if (first.version == 4)
        openShare(box.IPAdress);
    else if (first.version == 6)
        openShare(first.text);
}

void CKorvalenDlg::RunCustomAppThread(const BoxSnapshot& box, const CustomAppRecord& app)
{
    QStringList arguments = platform::splitArguments(app.m_strParams);
    for (QString& argument : arguments)
        argument = expandPlaceholders(argument, box, PlaceholderSet::CustomApplication);
    platform::startOrTell(QStringLiteral("the custom application \"%1\"").arg(app.m_strTitle), app.m_strPath,
                          arguments, false);
}
