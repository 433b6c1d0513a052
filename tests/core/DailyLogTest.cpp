#include "core/DailyLog.h"

#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

const platform::LocalStamp kNow{QStringLiteral("01/05/27"), QStringLiteral("09:08:07"), 1, 5, 2027};

BoxSnapshot makeBox(int method, const char* address, uint32_t port = 0, int status = STATUS_UP)
{
    BoxSnapshot box;
    box.VerifyMetod = method;
    box.Text = QStringLiteral("Box");
    box.IPAdress = utf8(address);
    box.Port = port;
    box.m_nStatus = status;
    return box;
}

} // namespace

TEST(DailyLog, OneFolderPerDayNamedMonthDayYear)
{
    const struct
    {
        int month;
        int day;
        int year;
        const char* expected;
    } cases[] = {
        {1, 5, 2027, "/logs/1-5-2027/"},
        {12, 31, 2026, "/logs/12-31-2026/"},
        {10, 1, 2030, "/logs/10-1-2030/"},
        {2, 29, 2028, "/logs/2-29-2028/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const platform::LocalStamp now{QStringLiteral("x"), QStringLiteral("y"), c.month, c.day, c.year};
        EXPECT_EQ(dailylog::dayFolder(QStringLiteral("/logs/"), now), utf8(c.expected));
    }
}

TEST(DailyLog, OneFilePerTargetAndMethod)
{
    const struct
    {
        int method;
        const char* address;
        uint32_t port;
        int type;
        const char* expected;
    } cases[] = {
        {METHOD_PING, "fe80::1%12", 0, 0, "fe80--1s12_Ping.txt"},
        {METHOD_PING, "10.0.0.1", 0, 1, "10.0.0.1_Ping.csv"},
        {METHOD_PING, "router.lan", 0, 0, "router.lan_Ping.txt"},
        {METHOD_TCP, "10.0.0.5", 25, 0, "10.0.0.5_TCP_25.txt"},
        {METHOD_TCP, "10.0.0.5", 25, 1, "10.0.0.5_TCP_25.csv"},
        {METHOD_TCP, "10.0.0.5", 25, 2, "10.0.0.5_TCP_25.csv"},
        {METHOD_TCP, "10.0.0.5", 25, -1, "10.0.0.5_TCP_25.csv"},
        {METHOD_TCP, "fe80::2%3", 8080, 0, "fe80--2s3_TCP_8080.txt"},
        {METHOD_URL, "http://10.0.0.7:8080/x", 0, 0, "10.0.0.7_URL_8080.txt"},
        {METHOD_URL, "http://example.com/index.html", 0, 0, "example.com_URL_80.txt"},
        {METHOD_URL, "https://user:pw@example.com/a", 0, 1, "example.com_URL_443.csv"},
        {METHOD_URL, "ftp://files.example.com/pub", 0, 0, "files.example.com_URL_21.txt"},
    };
    const QString day = QStringLiteral("/logs/1-5-2027/");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(dailylog::fileName(makeBox(c.method, c.address, c.port), day, c.type),
                  day + utf8(c.expected));
    }
}

TEST(DailyLog, TargetsNeverLeaveTheDayFolder)
{
    const struct
    {
        int method;
        const char* address;
    } cases[] = {
        {METHOD_PING, "../../x"},          {METHOD_PING, "/etc/passwd"}, {METHOD_PING, "..\\..\\x"},
        {METHOD_TCP, "../../x"},           {METHOD_TCP, "a/../../../b"}, {METHOD_URL, "http://../../x"},
        {METHOD_URL, "http://..:81/../x"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString day = dailylog::dayFolder(dir.path() + u'/', kNow);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        const QString file = dailylog::fileName(makeBox(c.method, c.address, 25), day, 0);
        ASSERT_TRUE(file.startsWith(day));
        const QString name = file.mid(day.size());
        EXPECT_FALSE(name.contains(u'/')) << name.toStdString();
        EXPECT_NE(name, QStringLiteral(".."));
        EXPECT_EQ(QFileInfo(file).absolutePath() + u'/', day);
    }
}

TEST(DailyLog, EachStatusHasItsLineInBothKinds)
{
    const QString phrase = utf8("Server \xe6\xad\xa3\xe5\xb8\xb8");
    const struct
    {
        int method;
        int status;
        uint32_t reply;
        uint32_t code;
        QStringList fields; // after date and time
    } cases[] = {
        {METHOD_PING, STATUS_NET_ERROR, 12, 10050, {"NET ERROR", "N/A", "10050", "TEXT"}},
        {METHOD_TCP, STATUS_NET_ERROR, 12, 10050, {"NET ERROR", "N/A", "10050", "TEXT"}},
        {METHOD_URL, STATUS_NET_ERROR, 12, 12029, {"NET ERROR", "N/A", "12029", "TEXT"}},
        {METHOD_PING, STATUS_IP_ERROR, 12, 11001, {"IP ERROR", "N/A", "11001", "TEXT"}},
        {METHOD_TCP, STATUS_IP_ERROR, 12, 11001, {"IP ERROR", "N/A", "11001", "TEXT"}},
        {METHOD_URL, STATUS_IP_ERROR, 12, 12007, {"URL ERROR", "N/A", "12007", "TEXT"}},
        {METHOD_PING, STATUS_UP, 12, 0, {"Up", "12", "0", "TEXT"}},
        {METHOD_PING, STATUS_DOWN, 12, 11010, {"Down", "Timeout", "11010", "TEXT"}},
        {METHOD_TCP, STATUS_DOWN, 12, 10060, {"Down", "Timeout", "10060", "TEXT"}},
        {METHOD_TCP, STATUS_UP, 3, 0, {"Open", "3", "0", "TEXT"}},
        {METHOD_TCP, STATUS_CLOSE, 1, 10061, {"Close", "1", "10061", "TEXT"}},
        {METHOD_URL, STATUS_UP, 250, 200, {"Up", "250", "200", "TEXT", phrase}},
        {METHOD_URL, STATUS_DOWN, 250, 404, {"Down", "Timeout", "404", "TEXT", phrase}},
        // Reply times and codes are unsigned.
        {METHOD_PING, STATUS_UP, 0xFFFFFFFF, 0xFFFFFFFF, {"Up", "4294967295", "4294967295", "TEXT"}},
        {METHOD_TCP, STATUS_CLOSE, 0x80000000, 0x80000001, {"Close", "2147483648", "2147483649", "TEXT"}},
        {METHOD_URL, STATUS_NET_ERROR, 5, 0xFFFFFFFE, {"NET ERROR", "N/A", "4294967294", "TEXT"}},
    };
    const struct
    {
        int type;
        const char* separator;
    } kinds[] = {{0, " | "}, {1, "\t"}};
    for (const auto& kind : kinds)
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message()
                         << "kind " << kind.type << ", method " << c.method << ", status " << c.status);
            BoxSnapshot box = makeBox(c.method, "10.0.0.1", 25, c.status);
            box.m_dwLastValue = c.reply;
            box.m_dwLastCode = c.code;
            box.Phrase = phrase;
            const QStringList fields = QStringList{kNow.date, kNow.time} + c.fields;
            EXPECT_EQ(dailylog::line(box, kNow, kind.type, QStringLiteral("TEXT")),
                      fields.join(utf8(kind.separator)) + QStringLiteral("\r\n"));
        }
}

TEST(DailyLog, FieldsCannotBreakTheLineOrShiftTheColumns)
{
    // A phrase or an error text with line breaks or the separator would write
    // what reads as two lines or as more columns.
    const struct
    {
        const char* phrase;
        const char* text;
        int type;
        const char* expected;
    } cases[] = {
        {"up\r\n01/05/27 | 09:08:07 | Down", "T", 0,
         "01/05/27 | 09:08:07 | Up | 1 | 0 | T | up  01/05/27   09:08:07   Down\r\n"},
        {"a\rb\nc", "T", 1, "01/05/27\t09:08:07\tUp\t1\t0\tT\ta b c\r\n"},
        {"a\tb|c", "T", 1, "01/05/27\t09:08:07\tUp\t1\t0\tT\ta b|c\r\n"},
        {"a\tb|c", "T", 0, "01/05/27 | 09:08:07 | Up | 1 | 0 | T | a\tb c\r\n"},
        {"p", "line one\r\nline | two", 0, "01/05/27 | 09:08:07 | Up | 1 | 0 | line one  line   two | p\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        BoxSnapshot box = makeBox(METHOD_URL, "http://h/", 80, STATUS_UP);
        box.m_dwLastValue = 1;
        box.Phrase = utf8(c.phrase);
        EXPECT_EQ(dailylog::line(box, kNow, c.type, utf8(c.text)), utf8(c.expected));
    }
}

TEST(DailyLog, LongTargetsGetAFileNameTheFileSystemTakes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString logsDir = dir.path() + QStringLiteral("/Logs/");
    ASSERT_TRUE(QDir().mkpath(logsDir));
    const QString day = dailylog::dayFolder(logsDir, kNow);
    const QString longName = QString(300, u'a') + QStringLiteral(".example");
    const QString longChinese = QString(120, QChar(0x6B63)); // 3 bytes each in UTF-8
    const struct
    {
        int method;
        QString address;
    } cases[] = {
        {METHOD_PING, longName},
        {METHOD_PING, longName + u'b'},
        {METHOD_TCP, longName},
        {METHOD_URL, QStringLiteral("http://") + longName + QStringLiteral(":8080/")},
        {METHOD_PING, longChinese},
        {METHOD_PING, QString(240, u'c')},
        {METHOD_PING, utf8("\xf0\x9f\x98\x80").repeated(70)}, // 4 bytes, 2 UTF-16 units each
    };
    QSet<QString> names;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        BoxSnapshot box = makeBox(c.method, "", 25, STATUS_UP);
        box.IPAdress = c.address;
        const QString file = dailylog::fileName(box, day, 0);
        const QString name = QFileInfo(file).fileName();
        EXPECT_LE(QFile::encodeName(name).size(), 255);
        EXPECT_EQ(QString::fromUtf8(name.toUtf8()), name) << "a character was cut in half";
        EXPECT_TRUE(name.endsWith(QStringLiteral(".txt")));
        EXPECT_FALSE(names.contains(name)) << "two targets share " << name.toStdString();
        names.insert(name);
        // The line is written, into the file that the name gives.
        ASSERT_TRUE(dailylog::write(box, logsDir, 0, kNow));
        EXPECT_TRUE(QFileInfo::exists(file));
    }
    // A target that fits keeps its name.
    EXPECT_EQ(dailylog::fileName(makeBox(METHOD_PING, "10.0.0.1"), day, 0),
              day + QStringLiteral("10.0.0.1_Ping.txt"));
}

TEST(DailyLog, StatusesWithoutALineGiveNone)
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
    for (const auto& c : cases)
        for (int type : {0, 1}) {
            SCOPED_TRACE(::testing::Message() << "method " << c.method << ", status " << c.status);
            EXPECT_EQ(
                dailylog::line(makeBox(c.method, "http://h/", 80, c.status), kNow, type, QStringLiteral("T")),
                QString());
        }
}

TEST(DailyLog, ErrorTexts)
{
    // A system text.
    EXPECT_FALSE(errorText(10060).isEmpty());
    EXPECT_NE(errorText(10060), QStringLiteral("10060"));
    EXPECT_FALSE(errorText(0).isEmpty());
    EXPECT_EQ(errorText(11050), QStringLiteral("General Failure"));

    // The internet library's text, on one line.
    const QString internet = errorText(12029);
    EXPECT_FALSE(internet.isEmpty());
    EXPECT_NE(internet, QStringLiteral("12029"));
    EXPECT_FALSE(internet.contains(u'\r'));
    EXPECT_FALSE(internet.contains(u'\n'));
    EXPECT_EQ(internetErrorText(12029), internet);

    // An internet code that has no text is shown as its number.
    for (uint32_t code : {12100u, 12155u}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(internetErrorText(code), QString::number(code));
        EXPECT_EQ(errorText(code), QString::number(code));
    }
}

TEST(DailyLog, WriteMakesTheDayFolderAndAppendsUtf8Lines)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString logsDir = dir.path() + QStringLiteral("/Logs/");
    ASSERT_TRUE(QDir().mkpath(logsDir));

    BoxSnapshot box = makeBox(METHOD_URL, "http://127.0.0.1:8080/status", 0, STATUS_UP);
    box.m_dwLastValue = 31;
    box.m_dwLastCode = 200;
    box.Phrase = utf8("\xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8\xe6\xad\xa3\xe5\xb8\xb8");
    ASSERT_TRUE(dailylog::write(box, logsDir, 0, kNow));
    box.m_nStatus = STATUS_DOWN;
    box.m_dwLastCode = 503;
    ASSERT_TRUE(dailylog::write(box, logsDir, 0, kNow));

    const QString file = logsDir + QStringLiteral("1-5-2027/127.0.0.1_URL_8080.txt");
    const QByteArray phrase = "\xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8\xe6\xad\xa3\xe5\xb8\xb8";
    EXPECT_EQ(test::readFile(file), "01/05/27 | 09:08:07 | Up | 31 | 200 | " + errorText(200).toUtf8() +
                                        " | " + phrase + "\r\n" +
                                        "01/05/27 | 09:08:07 | Down | Timeout | 503 | " +
                                        errorText(503).toUtf8() + " | " + phrase + "\r\n");

    // A status without a line writes nothing, not even an empty file.
    BoxSnapshot tcp = makeBox(METHOD_TCP, "10.0.0.5", 25, STATUS_CHECKING);
    EXPECT_FALSE(dailylog::write(tcp, logsDir, 1, kNow));
    EXPECT_FALSE(QFileInfo::exists(logsDir + QStringLiteral("1-5-2027/10.0.0.5_TCP_25.csv")));

    tcp.m_nStatus = STATUS_NET_ERROR;
    tcp.m_dwLastCode = 11050;
    ASSERT_TRUE(dailylog::write(tcp, logsDir, 1, kNow));
    EXPECT_EQ(test::readFile(logsDir + QStringLiteral("1-5-2027/10.0.0.5_TCP_25.csv")),
              QByteArray("01/05/27\t09:08:07\tNET ERROR\tN/A\t11050\tGeneral Failure\r\n"));
}

// Lines of many writers to one file are appended whole, none lost.
TEST(DailyLog, ConcurrentWritersLoseNoLine)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString logsDir = dir.path() + u'/';
    constexpr int kThreads = 16;
    constexpr int kLines = 200;
    // A long phrase makes every line several hundred bytes.
    const QString phrase = QString(300, u'x');

    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            BoxSnapshot box = makeBox(METHOD_URL, "http://127.0.0.1:8080/", 0, STATUS_UP);
            box.Phrase = phrase;
            for (int i = 0; i < kLines; ++i) {
                box.m_dwLastValue = uint32_t(t * 10000 + i);
                if (!dailylog::write(box, logsDir, 0, kNow))
                    ++failures;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);

    const QString text =
        QString::fromUtf8(test::readFile(logsDir + QStringLiteral("1-5-2027/127.0.0.1_URL_8080.txt")));
    ASSERT_TRUE(text.endsWith(QStringLiteral("\r\n")));
    const QStringList lines = text.chopped(2).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), kThreads * kLines);
    QSet<uint32_t> replies;
    const QString prefix = QStringLiteral("01/05/27 | 09:08:07 | Up | ");
    const QString suffix = QStringLiteral(" | 0 | ") + errorText(0) + QStringLiteral(" | ") + phrase;
    for (const QString& line : lines) {
        ASSERT_TRUE(line.startsWith(prefix) && line.endsWith(suffix)) << line.left(80).toStdString();
        bool ok = false;
        const uint32_t reply =
            line.mid(prefix.size(), line.size() - prefix.size() - suffix.size()).toUInt(&ok);
        ASSERT_TRUE(ok) << line.left(80).toStdString();
        replies.insert(reply);
    }
    EXPECT_EQ(replies.size(), kThreads * kLines);
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kLines; ++i)
            ASSERT_TRUE(replies.contains(uint32_t(t * 10000 + i))) << t << "/" << i;
}
