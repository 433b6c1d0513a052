// The advice where no kind of ICMP socket may be opened gives the commands
// run.sh gives: through sudo where the shell finds it, else for root to run.
#include "platform/net/PingPermission.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The lines of `text` that are commands: indented by four spaces.
QStringList commandsIn(const QString& text)
{
    return text.split(u'\n').filter(QRegularExpression(QStringLiteral("^    ")));
}

TEST(PingAdvice, ItsCommandsGoThroughSudoWhereTheShellFindsItElseAreForRoot)
{
    QTemporaryDir withSudo, without;
    QFile sudo(withSudo.filePath(QStringLiteral("sudo")));
    ASSERT_TRUE(sudo.open(QIODevice::WriteOnly));
    sudo.close();
    ASSERT_TRUE(sudo.setPermissions(QFile::ReadOwner | QFile::ExeOwner));

    // What run.sh prints where sudo is missing.
    QProcess script;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), without.path());
    script.setProcessEnvironment(environment);
    script.start(QStringLiteral("bash"),
                 {QStringLiteral("-c"), QStringLiteral("source \"$0\" && korvalen_allow_ping"),
                  QStringLiteral(KORVALEN_SOURCE_DIR "/scripts/ping_access.sh")});
    ASSERT_TRUE(script.waitForFinished());
    const QString said = QString::fromUtf8(script.readAllStandardOutput());
    ASSERT_TRUE(said.contains(QStringLiteral("As root (su -), run:"))) << said.toStdString();

    const QString program = QStringLiteral("/opt/korvalen");
    const struct
    {
        QString path;
        QStringList commands;
        bool asRoot;
    } cases[] = {
        {withSudo.path(),
         {QStringLiteral("    echo 'net.ipv4.ping_group_range = 0 2147483647' | sudo tee "
                         "/etc/sysctl.d/50-korvalen-ping.conf"),
          QStringLiteral("    sudo sysctl -p /etc/sysctl.d/50-korvalen-ping.conf"),
          QStringLiteral("    sudo setcap -r '/opt/korvalen'")},
         false},
        {without.path(), commandsIn(said) << QStringLiteral("    setcap -r '/opt/korvalen'"), true},
    };
    const QByteArray path = qgetenv("PATH");
    for (const auto& c : cases) {
        qputenv("PATH", c.path.toLocal8Bit());
        const QString text = platform::pingNotAllowedText(program, true);
        qputenv("PATH", path);
        EXPECT_EQ(commandsIn(text), c.commands) << text.toStdString();
        EXPECT_EQ(text.count(QStringLiteral("As root (su -), run:")), c.asRoot ? 2 : 0) << text.toStdString();
    }
}

} // namespace
