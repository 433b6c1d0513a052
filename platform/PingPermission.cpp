#include "PingPermission.h"

#include "MessageBox.h"

#include <QFileInfo>

#include <atomic>

namespace platform {

QString pingNotAllowedText(const QString& program)
{
    return QStringLiteral(
               "Korvalen may not send pings: this system lets only root open ICMP sockets, so every ping "
               "box shows NET ERROR 10013.\n\n"
               "Give Korvalen the capability that the system's own ping has, then start it again:\n"
               "    sudo setcap cap_net_raw=ep '%1'\n\n"
               "or let every group use ping sockets, at once (and in a file in /etc/sysctl.d to keep it):\n"
               "    sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"")
        .arg(program);
}

void tellPingNotAllowed()
{
    static std::atomic<bool> told{false};
    if (told.exchange(true))
        return;
    // Read here rather than from the application object: checks run on
    // threads of their own.
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    postMessageBox(pingNotAllowedText(program.isEmpty() ? QStringLiteral("korvalen") : program),
                   QStringLiteral("Korvalen"), MB_OK | MB_ICONWARNING);
}

} // namespace platform
