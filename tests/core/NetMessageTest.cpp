// The network message command: the default one run by a real shell with
// stand-ins for ssh and write, and other programs given their arguments.
#include "core/NetMessage.h"

#include "TestSupport.h"
#include "platform/CommandInterpreter.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <vector>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

struct Started
{
    QString program;
    QStringList arguments;
};

// Records what would be started; refuses the programs it is told to.
class RecordingLauncher : public platform::ShellService
{
public:
    RecordingLauncher() { platform::setShellService(this); }
    ~RecordingLauncher() override { platform::setShellService(nullptr); }
    bool startProgram(const QString& program, const QStringList& arguments, bool) override
    {
        started.push_back({program, arguments});
        return !missing.contains(program);
    }
    bool openUrl(const QUrl&) override { return false; }
    std::vector<Started> started;
    QStringList missing;
};

void writeScript(const QString& path, const QByteArray& text)
{
    test::writeFile(path, "#!/bin/sh\n" + text);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(NetMessage, TheDefaultCommandHandsHostUserAndMessageOverAsTextOnly)
{
    test::ScopedEnvironment env;
    const QString bin = env.path() + QStringLiteral("/bin");
    const QString work = env.path() + QStringLiteral("/work");
    QDir().mkpath(bin);
    QDir().mkpath(work);
    // ssh records its arguments and runs the remote command as a remote
    // shell would: its words joined by blanks; write records its user and
    // the message it reads.
    writeScript(bin + QStringLiteral("/ssh"), "printf '%s\\n' \"$@\" > \"$OUT/ssh.args\"\n"
                                              "shift 2\nexec /bin/sh -c \"$*\"\n");
    writeScript(bin + QStringLiteral("/write"), "printf '%s\\n' \"$@\" > \"$OUT/write.args\"\n"
                                                "cat > \"$OUT/write.stdin\"\n");

    const struct
    {
        QString host, user, message;
    } cases[] = {
        {QStringLiteral("192.0.2.7"), QStringLiteral("alice"), QStringLiteral("Backup done, restart at 5")},
        {QStringLiteral("$(touch pwned)"), QStringLiteral("`touch pwned`"),
         QStringLiteral("'; touch pwned; '")},
        {QStringLiteral("host;touch pwned"), QStringLiteral("bob$(touch pwned)"),
         QStringLiteral("\"$(touch pwned)\" and %user")},
        {QStringLiteral("fe80::1%eth0"), QStringLiteral("a%messageb"), QStringLiteral("x")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        QDir(work).removeRecursively();
        QDir().mkpath(work);
        RecordingLauncher launcher;
        ASSERT_TRUE(
            sendNetMessage(defaultNetMsgCommand(), defaultNetMsgParameters(), c.host, c.user, c.message));
        ASSERT_EQ(launcher.started.size(), 1u);
        const Started& terminal = launcher.started[0];
        EXPECT_EQ(terminal.program, QStringLiteral("x-terminal-emulator"));
        ASSERT_EQ(terminal.arguments.size(), 4);
        EXPECT_EQ(terminal.arguments.mid(0, 3),
                  (QStringList{QStringLiteral("-e"), QStringLiteral("/bin/sh"), QStringLiteral("-c")}));

        // The terminal's shell, with the stand-ins first on the path; the
        // shell that "/K" leaves open ends at once here.
        QProcess shell;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PATH"), bin + u':' + environment.value(QStringLiteral("PATH")));
        environment.insert(QStringLiteral("OUT"), work);
        environment.insert(QStringLiteral("SHELL"), QStringLiteral("/bin/true"));
        shell.setProcessEnvironment(environment);
        shell.setWorkingDirectory(work);
        shell.start(QStringLiteral("/bin/sh"), terminal.arguments.mid(2));
        ASSERT_TRUE(shell.waitForFinished(10000));
        EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();

        const QString sshArgs = QString::fromUtf8(test::readFile(work + QStringLiteral("/ssh.args")));
        EXPECT_TRUE(sshArgs.startsWith(QStringLiteral("--\n") + c.host + u'\n')) << sshArgs.toStdString();
        const QString user = c.user == QStringLiteral("a%messageb") ? QStringLiteral("axb") : c.user;
        EXPECT_EQ(QString::fromUtf8(test::readFile(work + QStringLiteral("/write.args"))), user + u'\n');
        EXPECT_EQ(QString::fromUtf8(test::readFile(work + QStringLiteral("/write.stdin"))),
                  c.message + u'\n');
        EXPECT_FALSE(QFile::exists(work + QStringLiteral("/pwned")));
    }
}

TEST(NetMessage, TerminalsAreTriedInTurnAndNoneMeansNotStarted)
{
    RecordingLauncher launcher;
    launcher.missing = QStringList{QStringLiteral("x-terminal-emulator")};
    EXPECT_TRUE(sendNetMessage(QStringLiteral("CMD"), QStringLiteral("/C \"echo %message\""), QString(),
                               QString(), QStringLiteral("hi")));
    ASSERT_EQ(launcher.started.size(), 2u);
    EXPECT_EQ(launcher.started[1].program, QStringLiteral("xterm"));
    // "/C" closes with the script: no shell follows it.
    EXPECT_EQ(launcher.started[1].arguments.back(), QStringLiteral("echo 'hi'"));

    launcher.started.clear();
    launcher.missing << QStringLiteral("xterm");
    EXPECT_FALSE(sendNetMessage(QStringLiteral("cmd"), QStringLiteral("/K \"echo %message\""), QString(),
                                QString(), QStringLiteral("hi")));
    EXPECT_EQ(launcher.started.size(), 2u);
}

TEST(NetMessage, AnyOtherProgramGetsTheTemplatesWordsWithTheValuesInside)
{
    const struct
    {
        const char* parameters;
        QStringList arguments;
    } cases[] = {
        {"--to %ip \"%user says\" %message",
         {QStringLiteral("--to"), QStringLiteral("h o"), QStringLiteral("u;x says"),
          QStringLiteral("$(m) n")}},
        {"%message%user", {QStringLiteral("$(m) nu;x")}},
        {"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.parameters);
        RecordingLauncher launcher;
        EXPECT_TRUE(sendNetMessage(QStringLiteral("/opt/notify"), QString::fromUtf8(c.parameters),
                                   QStringLiteral("h o"), QStringLiteral("u;x"), QStringLiteral("$(m) n")));
        ASSERT_EQ(launcher.started.size(), 1u);
        EXPECT_EQ(launcher.started[0].program, QStringLiteral("/opt/notify"));
        EXPECT_EQ(launcher.started[0].arguments, c.arguments);
    }
    RecordingLauncher refusing;
    refusing.missing << QStringLiteral("/opt/notify");
    EXPECT_FALSE(sendNetMessage(QStringLiteral("/opt/notify"), QStringLiteral("%message"), QString(),
                                QString(), QStringLiteral("m")));
}

} // namespace
