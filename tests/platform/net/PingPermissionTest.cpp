#include "platform/net/PingPermission.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The advice where no ICMP socket may be opened ends in run.sh's commands:
// through sudo where the shell finds it, else for root to run.
TEST(PingAdvice, ItsCommandsGoThroughSudoWhereTheShellFindsItElseAreForRoot)
{
    QTemporaryDir withSudo, without;
    QFile sudo(withSudo.filePath(QStringLiteral("sudo")));
    ASSERT_TRUE(sudo.open(QIODevice::WriteOnly) && sudo.setPermissions(QFile::ExeOwner));
    QProcess script;
    script.start(QStringLiteral("bash"),
                 {QStringLiteral("-c"), QStringLiteral("PATH=$1; source \"$0\"; korvalen_allow_ping"),
                  QStringLiteral(KORVALEN_SOURCE_DIR "/scripts/ping_access.sh"), without.path()});
    ASSERT_TRUE(script.waitForFinished());
    const QString said = QString::fromUtf8(script.readAllStandardOutput());
    const struct
    {
        const QTemporaryDir& path;
        QString commands;
    } cases[] = {
        {withSudo, ":\n    echo 'net.ipv4.ping_group_range = 0 2147483647' | sudo tee "
                   "/etc/sysctl.d/50-korvalen-ping.conf\n"
                   "    sudo sysctl -p /etc/sysctl.d/50-korvalen-ping.conf\n"},
        {without, ". As root (su -), run:" + said.section(QStringLiteral("As root (su -), run:"), 1)},
    };
    const QByteArray path = qgetenv("PATH");
    for (const auto& c : cases) {
        qputenv("PATH", c.path.path().toLocal8Bit());
        const QString text = platform::pingNotAllowedText(QString(), false);
        qputenv("PATH", path);
        EXPECT_TRUE((text + u'\n').endsWith(c.commands)) << text.toStdString() << "\nnot ending in\n"
                                                         << c.commands.toStdString();
    }
}

} // namespace
