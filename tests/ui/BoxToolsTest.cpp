// The tools of a box: what each opens or starts for which box, what the user
// is told when a program is missing, and that no name, target or parameter
// can ever run a command of its own.
#include "BoxMenuDriver.h"

#include "core/BoxTools.h"
#include "platform/NetTools.h"

#include <QProcess>
#include <QTemporaryDir>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
static void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[';
    for (qsizetype i = 0; i < list.size(); ++i)
        *out << (i ? ", " : "") << '"' << list[i].toStdString() << '"';
    *out << ']';
}

namespace {

using boxmenu::Fixture;
using Calls = std::vector<QStringList>;

BoxSnapshot boxOf(int method, int ipv, const char* target)
{
    BoxSnapshot box;
    box.VerifyMetod = method;
    box.IPv = ipv;
    box.IPAdress = QString::fromUtf8(target);
    return box;
}

TEST(BoxTools, AddressesFollowTheMethodAndTheIpVersion)
{
    const struct
    {
        const char* what;
        BoxSnapshot box;
        const char* host;
        const char* web;
        const char* ftp;
        const char* share;
    } cases[] = {
        {"IPv4 ping box", boxOf(METHOD_PING, 0, "10.0.0.1"), "10.0.0.1", "http://10.0.0.1/", "ftp://10.0.0.1",
         "smb://10.0.0.1/"},
        {"TCP box by name", boxOf(METHOD_TCP, 0, "db.example"), "db.example", "http://db.example/",
         "ftp://db.example", "smb://db.example/"},
        {"IPv6 box", boxOf(METHOD_PING, 1, "2001:db8::5"), "2001:db8::5", "http://[2001:db8::5]/",
         "ftp://[2001:db8::5]", "smb://[2001:db8::5]/"},
        {"URL box", boxOf(METHOD_URL, 0, "https://user@www.example.org:8443/a?b"), "www.example.org",
         "https://user@www.example.org:8443/a?b", "ftp://www.example.org", "smb://www.example.org/"},
        {"URL box that cannot be split", boxOf(METHOD_URL, 0, "no url"), "", "no url", "ftp://", "smb:///"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(boxtools::toolHost(c.box), QString::fromUtf8(c.host));
        EXPECT_EQ(boxtools::webAddress(c.box), QString::fromUtf8(c.web));
        EXPECT_EQ(boxtools::ftpAddress(c.box), QString::fromUtf8(c.ftp));
        EXPECT_EQ(boxtools::shareAddress(boxtools::toolHost(c.box)), QString::fromUtf8(c.share));
    }
}

class BoxToolsWindow : public Fixture
{
protected:
    // Chooses the command in the menu of a box with the given settings and
    // returns what reached the shell once every worker is done.
    Calls run(const QByteArray& settings, int command)
    {
        open(1, "[Box 0]\nDisabled=1\nText=Box\n" + settings);
        shell.clear();
        messages.shown.clear();
        boxmenu::choose(*window, 1, command);
        EXPECT_TRUE(waitForWorkers(boxmenu::kWaitMs));
        return shell.calls();
    }
};

TEST_F(BoxToolsWindow, EachToolGetsTheHostOfTheBox)
{
    const QByteArray v4 = "VerifyMetod=1\nIPAdress=10.0.0.1\n";
    const QByteArray v6 = "VerifyMetod=2\nIPv=1\nIPAdress=2001:db8::5\n";
    const QByteArray url = "VerifyMetod=3\nIPAdress=http://www.example.org:8080/status\n";
    const struct
    {
        const char* what;
        QByteArray box;
        int command;
        Calls expected;
    } cases[] = {
        {"ping", v4, ID_BOX_PING, {{"terminal+wait:", "ping", "-c", "10", "--", "10.0.0.1"}}},
        {"ping over IPv6",
         v6,
         ID_BOX_PING,
         {{"terminal+wait:", "ping", "-6", "-c", "10", "--", "2001:db8::5"}}},
        {"ping of a URL's server",
         url,
         ID_BOX_PING,
         {{"terminal+wait:", "ping", "-c", "10", "--", "www.example.org"}}},
        {"trace route", v4, ID_BOX_TRACEROUTE, {{"terminal+wait:", "traceroute", "--", "10.0.0.1"}}},
        {"trace route over IPv6",
         v6,
         ID_BOX_TRACEROUTE,
         {{"terminal+wait:", "traceroute", "-6", "--", "2001:db8::5"}}},
        {"remote desktop", v4, ID_BOX_REMOTEDESKTOP, {{"program:/usr/bin/xfreerdp", "/v:10.0.0.1"}}},
        {"remote desktop over IPv6",
         v6,
         ID_BOX_REMOTEDESKTOP,
         {{"program:/usr/bin/xfreerdp", "/v:[2001:db8::5]"}}},
        {"web", v4, ID_BOX_WEB, {{"open:http://10.0.0.1/"}}},
        {"web over IPv6", v6, ID_BOX_WEB, {{"open:http://[2001:db8::5]/"}}},
        {"web of a URL box", url, ID_BOX_WEB, {{"open:http://www.example.org:8080/status"}}},
        {"ftp of a URL box", url, ID_BOX_FTP, {{"open:ftp://www.example.org"}}},
        {"ftp over IPv6", v6, ID_BOX_FTP, {{"open:ftp://[2001:db8::5]"}}},
        {"share", v4, ID_BOX_SHARE, {{"open:smb://10.0.0.1/"}}},
        {"share of a URL box", url, ID_BOX_SHARE, {{"open:smb://www.example.org/"}}},
        {"share over IPv6", "VerifyMetod=1\nIPv=1\nIPAdress=::1\n", ID_BOX_SHARE, {{"open:smb://[::1]/"}}},
        {"share of an IPv6 box that does not resolve",
         "VerifyMetod=1\nIPv=1\nIPAdress=no-such-host.invalid\n",
         ID_BOX_SHARE,
         {}},
        {"network message: no dialog yet", v4, ID_BOX_SENDNETMSG, {}},
        {"customize: no dialog yet", v4, ID_BOX_CUSTOMIZE, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(run(c.box, c.command), c.expected);
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(BoxToolsWindow, MissingProgramsAreNamedWithWhatToInstall)
{
    const QByteArray v4 = "VerifyMetod=1\nIPAdress=10.0.0.1\n";
    const struct
    {
        const char* what;
        QByteArray box;
        int command;
        QStringList installed;
        bool terminal;
        const char* message; // a part of it; empty: none
        Calls expected;
    } cases[] = {
        {"no terminal",
         v4,
         ID_BOX_PING,
         {"ping"},
         false,
         "Install xterm",
         {{"terminal+wait:", "ping", "-c", "10", "--", "10.0.0.1"}}},
        {"no ping", v4, ID_BOX_PING, {}, true, "Install iputils-ping", {}},
        {"no traceroute", v4, ID_BOX_TRACEROUTE, {"ping"}, true, "Install traceroute", {}},
        {"no remote desktop client",
         v4,
         ID_BOX_REMOTEDESKTOP,
         {"ping"},
         true,
         "Install freerdp2-x11 or remmina",
         {}},
        {"remmina only",
         "VerifyMetod=1\nIPv=1\nIPAdress=fe80::2\n",
         ID_BOX_REMOTEDESKTOP,
         {"remmina"},
         true,
         "",
         {{"program:/usr/bin/remmina", "-c", "rdp://[fe80::2]"}}},
        {"a target that reads as an option",
         "VerifyMetod=1\nIPAdress=-f\n",
         ID_BOX_PING,
         {"ping"},
         true,
         "starts with \"-\"",
         {}},
        {"the same for trace route",
         "VerifyMetod=2\nIPAdress=--help\n",
         ID_BOX_TRACEROUTE,
         {"traceroute"},
         true,
         "starts with \"-\"",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        shell.installed = c.installed;
        shell.hasTerminal = c.terminal;
        EXPECT_EQ(run(c.box, c.command), c.expected);
        if (*c.message == 0) {
            EXPECT_TRUE(messages.shown.empty());
            continue;
        }
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_TRUE(messages.shown[0].text.contains(QString::fromUtf8(c.message)))
            << messages.shown[0].text.toStdString();
        EXPECT_EQ(messages.shown[0].type, platform::MB_OK | platform::MB_ICONWARNING);
    }
}

TEST_F(BoxToolsWindow, CustomApplicationGetsTheValuesOfTheBoxAtTheCommand)
{
    QDir().mkpath(env.dataDir());
    test::writeFile(env.dataDir() + QStringLiteral("/Main.ini"),
                    "[Main]\nnrows=2\n[Row 0]\n标题=none\n[Row 1]\n标题=Tool\n应用程序=/opt/tool\n"
                    "参数=--host %ip \"%name\" %port %status\n");
    open(1, "[Box 0]\nDisabled=1\nText=a b;$(touch pwned) `id`\nIPAdress=10.0.0.1\n");
    boxmenu::choose(*window, 1, kCustomAppCommands[1]);
    // The worker has its own copy: a change right after the command is not
    // what it runs with.
    box(0).Text = QStringLiteral("changed");
    box(0).IPAdress = QStringLiteral("10.9.9.9");
    ASSERT_TRUE(waitForWorkers(boxmenu::kWaitMs));
    EXPECT_EQ(window->m_nCustomApp, 1);
    EXPECT_EQ(shell.calls(), (Calls{{"program:/opt/tool", "--host", "10.0.0.1", "a-b;$(touch-pwned)-`id`",
                                     "N/A", "DISABLED"}}));
}

// The script that the terminal runs, with a program of the test's own in
// place of ping, in a real shell.
TEST(BoxTools, TerminalScriptPassesEveryValueAsOneArgument)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("argv"));
    const QString fake = dir.filePath(QStringLiteral("ping"));
    test::writeFile(fake,
                    "#!/bin/sh\nexec '" + QByteArray(ARGV_RECORDER) + "' '" + out.toUtf8() + "' \"$@\"\n");
    QFile::setPermissions(fake, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const char* const hosts[] = {"$(touch pwned)",    "; touch pwned", "`touch pwned`",
                                 "a b'\"|&>pwned <x", "$HOME",         "host\ntouch pwned"};
    for (const QString& terminal : platform::terminalPrograms()) {
        for (const char* host : hosts) {
            for (bool wait : {true, false}) {
                SCOPED_TRACE(terminal.toStdString() + " " + host);
                const QStringList command = platform::pingCommand(QString::fromUtf8(host), false);
                QStringList arguments = platform::terminalArguments(terminal, command, wait);
                // What comes after the terminal's own switch is the command line
                // the terminal starts.
                ASSERT_GE(arguments.size(), 5);
                ASSERT_EQ(arguments[1], QStringLiteral("/bin/sh"));
                arguments.removeFirst();
                QFile::remove(out);
                QProcess shell;
                shell.setWorkingDirectory(dir.path());
                QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
                environment.insert(QStringLiteral("PATH"), dir.path() + QStringLiteral(":/usr/bin:/bin"));
                shell.setProcessEnvironment(environment);
                shell.setStandardInputFile(QProcess::nullDevice());
                shell.start(arguments.takeFirst(), arguments);
                ASSERT_TRUE(shell.waitForFinished(10000));
                EXPECT_EQ(shell.exitStatus(), QProcess::NormalExit);
                EXPECT_EQ(test::readFile(out),
                          QByteArray("-c") + '\0' + "10" + '\0' + "--" + '\0' + QByteArray(host) + '\0');
                EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("pwned"))));
                EXPECT_EQ(shell.readAllStandardOutput().contains("Press Enter"), wait);
            }
        }
    }
}

// A custom application started for real: the box name arrives as it is.
TEST(BoxTools, CustomApplicationStartsWithoutAShell)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("argv"));
    BoxSnapshot box = boxOf(METHOD_TCP, 0, "10.0.0.1");
    box.Port = 22;
    box.Text = QStringLiteral("$(touch pwned);`touch pwned`|x");
    CustomAppRecord app;
    app.m_strPath = QStringLiteral(ARGV_RECORDER);
    app.m_strParams = QStringLiteral("\"%1\" %name %port").arg(out);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    CKorvalenDlg::RunCustomAppThread(box, app);
    EXPECT_TRUE(test::waitFor([&] { return QFileInfo::exists(out); }));
    QDir::setCurrent(before);
    EXPECT_EQ(test::readFile(out), QByteArray("$(touch-pwned);`touch-pwned`|x") + '\0' + "22" + '\0');
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("pwned"))));
}

} // namespace
