#include "PingPermission.h"

#include "platform/Capabilities.h"

#include <QFileInfo>
#include <QStandardPaths>

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
    // The commands run.sh gives: through sudo where the shell would find it,
    // else for the user to run as root.
    const bool sudo = !QStandardPaths::findExecutable(QStringLiteral("sudo")).isEmpty();
    const QString asRoot = QStringLiteral(". As root (su -), run:\n    ");
    QString text = QStringLiteral(
        "Korvalen may not send pings: this system lets only root open ICMP sockets, so every ping "
        "box shows NET ERROR 10013.\n\n"
        "Let every group use ping sockets, as most distributions do, at once and after every restart");
    text += (sudo ? QStringLiteral(":\n    echo '%1' | sudo tee %2\n    sudo sysctl -p %2")
                  : asRoot + QStringLiteral("echo '%1' >%2\n    sysctl -p %2"))
                .arg(QStringLiteral("net.ipv4.ping_group_range = 0 2147483647"),
                     QStringLiteral("/etc/sysctl.d/50-korvalen-ping.conf"));
    if (capabilityDropped)
        text +=
            QStringLiteral("\n\nThe capability given to '%1' is not used: Korvalen drops it as it starts. "
                           "Remove it")
                .arg(program) +
            (sudo ? QStringLiteral(" with:\n    sudo ") : asRoot) + QStringLiteral("setcap -r ") +
            shellWord(program);
    return text;
}

QString pingNotAllowedMessage()
{
    // Read here rather than from the application object: checks run on
    // threads of their own.
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return pingNotAllowedText(program.isEmpty() ? QStringLiteral("korvalen") : program,
                              capabilitiesDropped());
}

} // namespace platform
