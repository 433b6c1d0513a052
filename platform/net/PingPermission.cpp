#include "PingPermission.h"

#include "platform/Capabilities.h"
#include "platform/desktop/MessageBox.h"

#include <QFileInfo>

#include <atomic>

namespace platform {

namespace {

// The path as one word of a POSIX shell, so that the command pastes as it
// reads whatever the path holds.
QString shellWord(QString text)
{
    return u'\'' + text.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

} // namespace

QString pingNotAllowedText(const QString& program, bool capabilityDropped)
{
    QString text = QStringLiteral(
        "Korvalen may not send pings: this system lets only root open ICMP sockets, so every ping "
        "box shows NET ERROR 10013.\n\n"
        "Let every group use ping sockets, as most distributions do, at once and after every restart:\n"
        "    echo 'net.ipv4.ping_group_range = 0 2147483647' | sudo tee /etc/sysctl.d/50-korvalen-ping.conf\n"
        "    sudo sysctl -p /etc/sysctl.d/50-korvalen-ping.conf");
    if (capabilityDropped)
        text +=
            QStringLiteral("\n\nThe capability given to '%1' is not used: Korvalen drops it as it starts. "
                           "Remove it with:\n    sudo setcap -r %2")
                .arg(program, shellWord(program));
    return text;
}

void tellPingNotAllowed()
{
    static std::atomic<bool> told{false};
    if (told.exchange(true))
        return;
    // Read here rather than from the application object: checks run on
    // threads of their own.
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    postMessageBox(
        pingNotAllowedText(program.isEmpty() ? QStringLiteral("korvalen") : program, capabilitiesDropped()),
        QStringLiteral("Korvalen"), MB_OK | MB_ICONWARNING);
}

} // namespace platform
