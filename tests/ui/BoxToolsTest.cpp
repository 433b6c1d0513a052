// The tools of a box: what each opens or starts for which box, what the user
// is told when a program is missing, and that no name, target or parameter
// can ever run a command of its own.
#include "BoxMenuDriver.h"

#include "platform/programs/NetTools.h"

#include <QProcess>
#include <QTemporaryDir>

static void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

namespace {

using Calls = std::vector<QStringList>;

class BoxTools : public boxmenu::Fixture
{
};

TEST_F(BoxTools, EachToolGetsTheHostOfTheBoxOrSaysWhatToInstall)
{
    const QByteArray v4 = "IPAdress=10.0.0.1\n";
    const QByteArray v6 = "VerifyMetod=2\nIPv=1\nIPAdress=2001:db8::5\n";
    const QByteArray url = "VerifyMetod=3\nIPAdress=http://www.example.org:8080/status\n";
    const QStringList all = {"ping", "traceroute", "xfreerdp"};
    const struct
    {
        QByteArray box;
        int command;
        Calls expected;
        QStringList installed = {"ping", "traceroute", "xfreerdp"};
        const char* message = ""; // a part of the message shown, "" for none
    } cases[] = {
        {v4, ID_BOX_PING, {{"terminal+wait:Ping 10.0.0.1", "ping", "-c", "10", "--", "10.0.0.1"}}},
        {v6,
         ID_BOX_PING,
         {{"terminal+wait:Ping 2001:db8::5", "ping", "-6", "-c", "10", "--", "2001:db8::5"}}},
        {url,
         ID_BOX_PING,
         {{"terminal+wait:Ping www.example.org", "ping", "-c", "10", "--", "www.example.org"}}},
        {v6,
         ID_BOX_TRACEROUTE,
         {{"terminal+wait:Trace route 2001:db8::5", "traceroute", "-6", "--", "2001:db8::5"}}},
        {v4, ID_BOX_REMOTEDESKTOP, {{"program:/usr/bin/xfreerdp", "/v:10.0.0.1"}}, all, ""},
        {v6,
         ID_BOX_REMOTEDESKTOP,
         {{"program:/usr/bin/remmina", "-c", "rdp://[2001:db8::5]"}},
         {"remmina"},
         ""},
        {v4, ID_BOX_WEB, {{"open:http://10.0.0.1/"}}, all, ""},
        {v6, ID_BOX_WEB, {{"open:http://[2001:db8::5]/"}}, all, ""},
        {url, ID_BOX_WEB, {{"open:http://www.example.org:8080/status"}}, all, ""},
        {url, ID_BOX_FTP, {{"open:ftp://www.example.org"}}, all, ""},
        {v6, ID_BOX_FTP, {{"open:ftp://[2001:db8::5]"}}, all, ""},
        {v4, ID_BOX_SHARE, {{"open:smb://10.0.0.1/"}}, all, ""},
        {url, ID_BOX_SHARE, {{"open:smb://www.example.org/"}}, all, ""},
        {"IPv=1\nIPAdress=::1\n", ID_BOX_SHARE, {{"open:smb://[::1]/"}}, all, ""},
        {"IPv=1\nIPAdress=no-such-host.invalid\n", ID_BOX_SHARE, {}, all, ""},
        {v4,
         ID_BOX_PING,
         {{"terminal+wait:Ping 10.0.0.1", "ping", "-c", "10", "--", "10.0.0.1"}},
         {"ping", "no terminal"},
         "Install xterm"},
        {v4, ID_BOX_PING, {}, {}, "Install iputils-ping"},
        {v4, ID_BOX_TRACEROUTE, {}, {"ping"}, "Install traceroute"},
        {v4, ID_BOX_REMOTEDESKTOP, {}, {}, "Install freerdp2-x11 or remmina"},
        {"IPAdress=-f\n", ID_BOX_PING, {}, all, "starts with \"-\""},
        {"VerifyMetod=2\nIPAdress=--help\n", ID_BOX_TRACEROUTE, {}, all, "starts with \"-\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box.toStdString() + std::to_string(c.command));
        open(1, "[Box 0]\nDisabled=1\n" + c.box);
        shell.installed = c.installed;
        shell.hasTerminal = !c.installed.contains("no terminal");
        messages.shown.clear();
        boxmenu::choose(*window, 1, c.command);
        ASSERT_TRUE(waitForWorkers(boxmenu::kWaitMs));
        EXPECT_EQ(shell.take(), c.expected);
        ASSERT_EQ(messages.shown.size(), *c.message ? 1u : 0u);
        if (*c.message) {
            EXPECT_TRUE(messages.shown[0].text.contains(QString::fromUtf8(c.message)))
                << messages.shown[0].text.toStdString();
        }
    }
}

TEST_F(BoxTools, CustomApplicationRunsWithTheBoxAsItWasAtTheCommand)
{
    QDir().mkpath(env.dataDir());
    test::writeFile(env.dataDir() + QStringLiteral("/Main.ini"),
                    "[Main]\nnrows=2\n[Row 1]\n应用程序=/opt/tool\n"
                    "参数=--host %ip \"%name\" %port %status\n");
    open(1, "[Box 0]\nDisabled=1\nText=a b;$(touch pwned) `id`\nIPAdress=10.0.0.1\n");
    boxmenu::choose(*window, 1, kCustomAppCommands[1]);
    // The worker has its own copy: a change right after the command is not
    // what it runs with.
    box(0).Text = QStringLiteral("changed");
    box(0).IPAdress = QStringLiteral("10.9.9.9");
    ASSERT_TRUE(waitForWorkers(boxmenu::kWaitMs));
    EXPECT_EQ(window->m_nCustomApp, 1);
    EXPECT_EQ(shell.take(), (Calls{{"program:/opt/tool", "--host", "10.0.0.1", "a-b;$(touch-pwned)-`id`",
                                    "N/A", "DISABLED"}}));
}

// In a real shell, with the test's own programs recording what they get: the
// terminal's script with a stand-in for ping, and a custom application.
TEST(BoxToolsShell, MetacharactersStayInertArguments)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("argv"));
    const QString ping = dir.filePath(QStringLiteral("ping"));
    test::writeFile(ping,
                    "#!/bin/sh\nexec '" + QByteArray(ARGV_RECORDER) + "' '" + out.toUtf8() + "' \"$@\"\n");
    QFile::setPermissions(ping, QFile::ReadOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), dir.path() + QStringLiteral(":/usr/bin:/bin"));
    const auto pwned = [&] { return QFileInfo::exists(dir.filePath(QStringLiteral("pwned"))); };
    // Programs started for real run in the folder the test is in.
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));

    for (const char* host :
         {"$(touch pwned)", "; touch pwned", "`touch pwned`", "a b'\"|&>pwned", "x\ntouch pwned"}) {
        for (const QString& terminal : platform::terminalPrograms()) {
            SCOPED_TRACE(terminal.toStdString() + " " + host);
            QStringList arguments =
                platform::terminalArguments(terminal, platform::pingCommand(host, false), true);
            // After the terminal's own switch: the command line it starts.
            ASSERT_EQ(arguments.mid(1, 2), (QStringList{"/bin/sh", "-c"}));
            QFile::remove(out);
            QProcess shell;
            shell.setWorkingDirectory(dir.path());
            shell.setProcessEnvironment(environment);
            shell.setStandardInputFile(QProcess::nullDevice());
            shell.start(arguments[1], arguments.mid(2));
            ASSERT_TRUE(shell.waitForFinished(10000));
            EXPECT_EQ(test::readFile(out), QByteArray("-c\0"
                                                      "10\0"
                                                      "--\0",
                                                      9) +
                                               host + '\0');
            EXPECT_TRUE(shell.readAllStandardOutput().contains("Press Enter"));
            EXPECT_FALSE(pwned());
        }
        BoxSnapshot box;
        box.Text = QString::fromUtf8(host);
        CKorvalenDlg::RunCustomAppThread(box, {"", ARGV_RECORDER, '"' + out + "\" %name"});
        EXPECT_TRUE(test::waitFor(
            [&] { return test::readFile(out).startsWith(QByteArray(host).replace(' ', '-')); }));
        EXPECT_FALSE(pwned());
        QFile::remove(out);
    }
    QDir::setCurrent(before);
}

// A ping or trace route window is titled where the terminal takes a title
// (zutty, as x-terminal-emulator, starts a shell on -T), and stays until
// Enter after a failure too, so the user can read why.
TEST(BoxToolsShell, TerminalIsTitledAndStaysOpenAfterAFailure)
{
    const std::pair<const char*, QStringList> titles[] = {
        {"zutty", {"-title", "Ping h"}}, {"xterm", {"-T", "Ping h"}}, {"konsole", {}}};
    for (const auto& [program, title] : titles)
        EXPECT_EQ(platform::terminalTitleArguments(program, "Ping h"), title) << program;
    // A failed ping: the window says so and waits for Enter.
    QTemporaryDir dir;
    test::writeFile(dir.filePath(QStringLiteral("ping")), "#!/bin/sh\nexit 2");
    QFile::setPermissions(dir.filePath(QStringLiteral("ping")), QFile::ReadOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), dir.path() + QStringLiteral(":/usr/bin:/bin"));
    const QStringList arguments =
        platform::terminalArguments("xterm", platform::pingCommand("h", false), true);
    QProcess run;
    run.setProcessEnvironment(environment);
    run.start(arguments[1], arguments.mid(2));
    ASSERT_TRUE(test::waitFor([&] { return run.peek(4096).contains("Press Enter"); }));
    EXPECT_TRUE(run.peek(4096).contains("ping ended with status 2."));
    EXPECT_EQ(run.state(), QProcess::Running);
    run.write("\n");
    ASSERT_TRUE(run.waitForFinished(10000));
}

} // namespace
