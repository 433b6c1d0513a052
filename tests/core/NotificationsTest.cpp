#include "core/Notifications.h"

#include "platform/desktop/MessageBox.h"
#include "platform/programs/Shell.h"

#include "TestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

QStringList utf8List(std::initializer_list<const char*> items)
{
    QStringList result;
    for (const char* item : items)
        result << utf8(item);
    return result;
}

const platform::LocalStamp kNow{QStringLiteral("12/07/26"), QStringLiteral("16:05:09"), 12, 7, 2026};

BoxSnapshot makeBox(int method, int status, const char* text, const char* address, uint32_t port = 0)
{
    BoxSnapshot box;
    box.VerifyMetod = method;
    box.m_nStatus = status;
    box.Text = utf8(text);
    box.IPAdress = utf8(address);
    box.Port = port;
    return box;
}

// Records the programs it is asked to start instead of starting them.
class RecordingShell : public platform::ShellService
{
public:
    RecordingShell() { platform::setShellService(this); }
    ~RecordingShell() override { platform::setShellService(nullptr); }

    bool startProgram(const QString& program, const QStringList& arguments, bool hidden) override
    {
        started.push_back(Started{program, arguments, hidden});
        return result;
    }
    bool openUrl(const QUrl&) override
    {
        ++opened;
        return false;
    }

    struct Started
    {
        QString program;
        QStringList arguments;
        bool hidden;
    };
    std::vector<Started> started;
    int opened = 0;
    bool result = true;
};

} // namespace

TEST(MessageText, NamesTheBoxItsMethodAndStatus)
{
    const struct
    {
        int method;
        int status;
        const char* word; // in the description and the status line
    } cases[] = {
        {METHOD_PING, STATUS_UP, "Up"},
        {METHOD_PING, STATUS_DOWN, "Down"},
        {METHOD_PING, STATUS_NET_ERROR, "NET ERROR"},
        {METHOD_PING, STATUS_IP_ERROR, "IP ERROR"},
        {METHOD_TCP, STATUS_UP, "Open"},
        {METHOD_TCP, STATUS_CLOSE, "Close"},
        {METHOD_TCP, STATUS_DOWN, "Down"},
        {METHOD_TCP, STATUS_NET_ERROR, "NET ERROR"},
        {METHOD_TCP, STATUS_IP_ERROR, "IP ERROR"},
        {METHOD_URL, STATUS_UP, "Up"},
        {METHOD_URL, STATUS_DOWN, "Down"},
        {METHOD_URL, STATUS_NET_ERROR, "NET ERROR"},
        {METHOD_URL, STATUS_IP_ERROR, "URL ERROR"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "method " << c.method << ", " << c.word);
        QString target;
        QString block;
        switch (c.method) {
        case METHOD_PING:
            target = QStringLiteral("10.0.0.9");
            block = QStringLiteral("Method: Ping\nIP: 10.0.0.9\n");
            break;
        case METHOD_TCP:
            target = QStringLiteral("10.0.0.5");
            block = QStringLiteral("Method: TCP\nIP: 10.0.0.5\nPort: 25\n");
            break;
        default:
            target = QStringLiteral("http://10.0.0.7:8080/x");
            block = QStringLiteral("Method: URL\nURL: http://10.0.0.7:8080/x\n");
            break;
        }
        BoxSnapshot box = makeBox(c.method, c.status, "Mail Server", "", 25);
        box.IPAdress = target;
        box.MsgBoxDesc = QStringLiteral("%name is %status!");
        const QString word = utf8(c.word);
        EXPECT_EQ(notify::messageText(box, kNow), QStringLiteral("Description: Mail Server is ") + word +
                                                      QStringLiteral("!\nDate: 12/07/26\nTime: 16:05:09\n"
                                                                     "Name: Mail Server\n") +
                                                      block + QStringLiteral("Status: ") + word +
                                                      QStringLiteral("\r\n"));
    }
}

TEST(MessageText, DescriptionAndValuesAreTakenLiterally)
{
    const struct
    {
        int method;
        int status;
        const char* text;
        const char* address;
        uint32_t port;
        const char* description;
        const char* expected;
    } cases[] = {
        {METHOD_PING, STATUS_DOWN, "PC", "192.168.1.20", 0, "%name is %status",
         "Description: PC is Down\nDate: 12/07/26\nTime: 16:05:09\nName: PC\nMethod: Ping\nIP: 192.168.1.20\n"
         "Status: Down\r\n"},
        // A scoped IPv6 target and texts that look like formatting codes are
        // shown as they are.
        {METHOD_TCP, STATUS_UP, "%3 %d", "fe80::1%2", 25, "%1 %2 %s %name",
         "Description: %1 %2 %s %3 %d\nDate: 12/07/26\nTime: 16:05:09\nName: %3 %d\nMethod: TCP\n"
         "IP: fe80::1%2\nPort: 25\nStatus: Open\r\n"},
        {METHOD_PING, STATUS_UP, "Host %1", "fe80::1%12", 0, "%name",
         "Description: Host %1\nDate: 12/07/26\nTime: 16:05:09\nName: Host %1\nMethod: Ping\nIP: fe80::1%12\n"
         "Status: Up\r\n"},
        // %name first, then %status: a name holding "%status" gets the status.
        {METHOD_PING, STATUS_NET_ERROR, "%status", "10.0.0.9", 0, "[%name]",
         "Description: [NET ERROR]\nDate: 12/07/26\nTime: 16:05:09\nName: %status\nMethod: Ping\n"
         "IP: 10.0.0.9\nStatus: NET ERROR\r\n"},
        // No other placeholder belongs to the description.
        {METHOD_URL, STATUS_IP_ERROR, "Web", "https://example.com/", 0, "%ip %url %method %port %status",
         "Description: %ip %url %method %port URL ERROR\nDate: 12/07/26\nTime: 16:05:09\nName: Web\n"
         "Method: URL\nURL: https://example.com/\nStatus: URL ERROR\r\n"},
        {METHOD_TCP, STATUS_CLOSE, "Mail", "mail.example.com", 0xFFFFFFFF, "",
         "Description: \nDate: 12/07/26\nTime: 16:05:09\nName: Mail\nMethod: TCP\nIP: mail.example.com\n"
         "Port: -1\nStatus: Close\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        BoxSnapshot box = makeBox(c.method, c.status, c.text, c.address, c.port);
        box.MsgBoxDesc = utf8(c.description);
        EXPECT_EQ(notify::messageText(box, kNow), utf8(c.expected));
    }
}

TEST(MessageText, StatusesWithoutAMessageGiveNoText)
{
    const struct
    {
        int method;
        int status;
    } cases[] = {
        {METHOD_PING, STATUS_CHECKING}, {METHOD_TCP, STATUS_CHECKING}, {METHOD_URL, STATUS_CHECKING},
        {METHOD_PING, STATUS_DISABLED}, {METHOD_TCP, STATUS_DISABLED}, {METHOD_URL, STATUS_DISABLED},
        {METHOD_PING, STATUS_UNKNOWN},  {METHOD_TCP, STATUS_UNKNOWN},  {METHOD_URL, STATUS_UNKNOWN},
        {METHOD_PING, STATUS_CLOSE},    {METHOD_URL, STATUS_CLOSE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "method " << c.method << ", status " << c.status);
        BoxSnapshot box = makeBox(c.method, c.status, "Box", "http://h/", 80);
        box.MsgBoxDesc = QStringLiteral("%name is %status");
        EXPECT_EQ(notify::messageText(box, kNow), QString());
    }
}

TEST(MessageText, ShowMessageBoxPostsASystemModalBoxOnTop)
{
    test::RecordingMessageBoxes boxes;
    BoxSnapshot box = makeBox(METHOD_TCP, STATUS_DOWN, "Mail Server", "10.0.0.5", 25);
    box.MsgBoxDesc = QStringLiteral("%name is %status");
    notify::showMessageBox(box, kNow);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const auto& shown = boxes.shown.front();
    EXPECT_EQ(shown.text, QStringLiteral("Description: Mail Server is Down\nDate: 12/07/26\nTime: 16:05:09\n"
                                         "Name: Mail Server\nMethod: TCP\nIP: 10.0.0.5\nPort: 25\n"
                                         "Status: Down\r\n"));
    EXPECT_EQ(shown.caption, QStringLiteral("Korvalen"));
    EXPECT_EQ(shown.type,
              unsigned(platform::MB_ICONINFORMATION | platform::MB_SYSTEMMODAL | platform::MB_TOPMOST));
    EXPECT_FALSE(shown.waited);
}

// The parameters are split into arguments before the placeholders are
// expanded, so that no value can add, split or quote an argument.
TEST(ProgramRun, ValuesStayInsideTheirArgument)
{
    const char* kHostile = "10.0.0.1; rm -rf x; echo \"$(id)\" `id` 'q' | cat > y && $HOME";
    const QString hostile = utf8(kHostile);
    const struct
    {
        int method;
        const char* text;
        const char* address;
        const char* parameters;
        QStringList expected;
    } cases[] = {
        {METHOD_TCP, "a b\"; rm -rf x; \"", "10.0.0.1", "%name %ip %port",
         utf8List({"a-b\";-rm--rf-x;-\"", "10.0.0.1", "25"})},
        {METHOD_TCP, "$(reboot) `id` ;|&", "10.0.0.1", "--name=%name",
         utf8List({"--name=$(reboot)-`id`-;|&"})},
        {METHOD_PING, "PC", kHostile, "%ip", utf8List({kHostile})},
        {METHOD_PING, "PC", kHostile, "\"%ip\" next", utf8List({kHostile, "next"})},
        {METHOD_PING,
         "PC",
         kHostile,
         "--host=%ip --status=%status",
         {QStringLiteral("--host=") + hostile, QStringLiteral("--status=Up")}},
        {METHOD_PING, "PC", "two words", "\"/tmp/with blanks/log.txt\" %ip %status",
         utf8List({"/tmp/with blanks/log.txt", "two words", "Up"})},
        {METHOD_URL, "Web", "http://h/a?x=1&y=\"2\"", "%url %ip %port",
         utf8List({"http://h/a?x=1&y=\"2\"", "h", "80"})},
        // The time has a blank and is one argument all the same.
        {METHOD_PING, "PC", "10.0.0.9", "%time", utf8List({"12/07/26 16:05:09"})},
        {METHOD_PING, "PC", "10.0.0.9", "at=%time by %name", utf8List({"at=12/07/26 16:05:09", "by", "PC"})},
        {METHOD_PING, "PC", "10.0.0.9", "  a   \"b  c\"  ", utf8List({"a", "b  c"})},
        {METHOD_PING, "PC", "10.0.0.9", "", QStringList()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.parameters);
        BoxSnapshot box = makeBox(c.method, STATUS_UP, c.text, c.address, 25);
        box.ExecFileParam = utf8(c.parameters);
        EXPECT_EQ(notify::programArguments(box, kNow), c.expected);
    }
}

TEST(ProgramRun, StartsTheProgramWithItsArgumentsAndHiddenFlag)
{
    const struct
    {
        int32_t hideMode;
        bool hidden;
        bool serviceResult; // what runProgram must pass on
    } cases[] = {{0, false, true}, {1, true, true}, {2, true, true}, {-1, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hideMode);
        RecordingShell shell;
        shell.result = c.serviceResult;
        BoxSnapshot box = makeBox(METHOD_TCP, STATUS_DOWN, "Mail Server", "10.0.0.5", 25);
        box.ExecFilePath = QStringLiteral("/opt/tools/alert one");
        box.ExecFileParam = QStringLiteral("-n %name \"%status at %time\"");
        box.RunHideMode = c.hideMode;
        EXPECT_EQ(notify::runProgram(box, kNow), c.serviceResult);
        ASSERT_EQ(shell.started.size(), 1u);
        EXPECT_EQ(shell.started[0].program, QStringLiteral("/opt/tools/alert one"));
        EXPECT_EQ(shell.started[0].arguments, utf8List({"-n", "Mail-Server", "Down at 12/07/26 16:05:09"}));
        EXPECT_EQ(shell.started[0].hidden, c.hidden);
        EXPECT_EQ(shell.opened, 0);
    }
}

TEST(ProgramRun, WithoutAProgramNothingIsStarted)
{
    for (const char* path : {"", "   "}) {
        SCOPED_TRACE(path);
        BoxSnapshot box = makeBox(METHOD_PING, STATUS_DOWN, "PC", "10.0.0.9");
        box.ExecFilePath = utf8(path);
        box.ExecFileParam = QStringLiteral("%name");
        EXPECT_FALSE(notify::runProgram(box, kNow));
    }
}

// The real service starts a program that records its arguments: they arrive
// exactly as split and expanded, with no shell in between.
TEST(ProgramRun, TheProgramReceivesItsArgumentsUninterpreted)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("argv.bin"));
    const QString marker = dir.filePath(QStringLiteral("marker"));
    // What a shell would run, were one involved.
    const QString hostile =
        QStringLiteral("x; touch %1; $(touch %1) `touch %1` \"q\" 'r' > %1.2").arg(marker);

    BoxSnapshot box = makeBox(METHOD_PING, STATUS_DOWN, "a b\"; rm -rf x; \"", "", 0);
    box.IPAdress = hostile;
    box.ExecFilePath = QStringLiteral(ARGV_RECORDER);
    box.ExecFileParam = QStringLiteral("\"%1\" %name %ip \"%status at %time\" *").arg(out);
    box.RunHideMode = 1;
    ASSERT_TRUE(notify::runProgram(box, kNow));
    ASSERT_TRUE(test::waitFor([&] { return QFileInfo::exists(out); }));

    QStringList received = QString::fromUtf8(test::readFile(out)).split(QChar(0));
    ASSERT_FALSE(received.isEmpty());
    EXPECT_EQ(received.takeLast(), QString()); // after the last argument's NUL
    EXPECT_EQ(received, QStringList({utf8("a-b\";-rm--rf-x;-\""), hostile,
                                     QStringLiteral("Down at 12/07/26 16:05:09"), QStringLiteral("*")}));
    EXPECT_FALSE(QFileInfo::exists(marker));
    EXPECT_FALSE(QFileInfo::exists(marker + QStringLiteral(".2")));
}
