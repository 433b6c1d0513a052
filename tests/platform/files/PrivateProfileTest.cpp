#include "platform/files/PrivateProfile.h"

#include "platform/files/CopyFile.h"
#include "platform/files/ProfileWriter.h"

#include "TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>
#include <optional>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::GetPrivateProfileString;
using platform::ProfileBatch;
using platform::WritePrivateProfileString;

namespace {

constexpr int kWindowsBuffer = 256;
constexpr int kWholeValue = 1 << 24;
const QString kMissing = QStringLiteral("\x01missing\x01");

// The value as a caller with a buffer of `bufferSize` characters sees it.
QString read(const QString& path, const QString& section, const QString& key,
             const QString& defaultValue = kMissing, int bufferSize = kWholeValue)
{
    QString result;
    const int length = GetPrivateProfileString(section, key, defaultValue, result, bufferSize, path);
    EXPECT_EQ(length, result.size());
    return result;
}

// The UTF-16 units of a text, for messages about texts that do not print.
std::string units(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2).toHex(' ').toStdString();
}

std::string show(const QByteArray& b)
{
    return b.toPercentEncoding(" =[];\"'").toStdString();
}

// The bytes this process has read from files and the like so far.
qint64 bytesRead()
{
    const QByteArray io = test::readFile(QStringLiteral("/proc/self/io"));
    return io.mid(io.indexOf("rchar:") + 6, io.indexOf('\n') - 6).trimmed().toLongLong();
}

class PrivateProfile : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString path(const QString& name = QStringLiteral("test.ini")) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

// Runs `call` on another thread and fails, instead of hanging the test run,
// when it does not come back in time; `unblock` is then called so that the
// thread can end.
template <typename F>
auto returnsInTime(F call, const std::function<void()>& unblock) -> std::optional<decltype(call())>
{
    auto future = std::async(std::launch::async, call);
    if (future.wait_for(std::chrono::seconds(5)) == std::future_status::ready)
        return future.get();
    unblock();
    future.wait();
    return std::nullopt;
}

} // namespace

TEST_F(PrivateProfile, CutsValuesAndDefaultsToTheBufferInCharacters)
{
    const QString chinese300 = QString(300, QChar(0x4E2D)); // 中, three bytes in UTF-8
    const QString chinese255 = chinese300.left(255);
    test::writeFile(path(), QStringLiteral("[s]\n"
                                           "long=%1\n"
                                           "exact=%2\n"
                                           "over=%2X\n"
                                           "short=标题\n")
                                .arg(chinese300, chinese255)
                                .toUtf8());
    const struct
    {
        const char* key;
        QString defaultValue;
        int bufferSize;
        QString expected;
    } cases[] = {
        {"long", "", kWindowsBuffer, chinese255},
        {"exact", "", kWindowsBuffer, chinese255},
        {"over", "", kWindowsBuffer, chinese255},
        {"short", "", kWindowsBuffer, QStringLiteral("标题")},
        {"short", "", 2, QStringLiteral("标")},
        {"short", "", 1, ""},
        {"short", "", 0, ""},
        {"missing", chinese300, kWindowsBuffer, chinese255},
        {"missing", QStringLiteral("默认"), kWindowsBuffer, QStringLiteral("默认")},
        {"missing", QStringLiteral("默认"), 2, QStringLiteral("默")},
    };
    for (const auto& c : cases) {
        QString result = QStringLiteral("stale");
        const int length = GetPrivateProfileString("s", c.key, c.defaultValue, result, c.bufferSize, path());
        EXPECT_EQ(result, c.expected) << c.key << " " << c.bufferSize;
        EXPECT_EQ(length, c.expected.size()) << c.key << " " << c.bufferSize;
    }
}

TEST_F(PrivateProfile, MissingFileOrKeyGivesTheDefaultButAnEmptyValueIsEmpty)
{
    EXPECT_EQ(read(path("absent.ini"), "s", "k", "def"), "def");
    EXPECT_FALSE(QFileInfo::exists(path("absent.ini"))) << "a read must not create the file";

    test::writeFile(path(), "[s]\nempty=\nblank=   \nquoted=\"\"\nk=v\n");
    EXPECT_EQ(read(path(), "s", "missing", "def"), "def");
    EXPECT_EQ(read(path(), "other", "k", "def"), "def");
    for (const char* key : {"empty", "blank", "quoted"}) {
        QString result = QStringLiteral("stale");
        EXPECT_EQ(GetPrivateProfileString("s", key, "def", result, kWindowsBuffer, path()), 0) << key;
        EXPECT_EQ(result, "") << key;
    }
    EXPECT_EQ(read(path(), "S", "K", "def"), "v");
}

TEST_F(PrivateProfile, DefaultLosesItsTrailingBlanks)
{
    test::writeFile(path(), "[s]\nk=v\n");
    const struct
    {
        const char* key;
        const char* defaultValue;
        int bufferSize;
        const char* expected;
    } cases[] = {
        {"missing", "def  ", kWindowsBuffer, "def"},
        {"missing", "  def", kWindowsBuffer, "  def"},
        {"missing", "a b ", kWindowsBuffer, "a b"},
        {"missing", "   ", kWindowsBuffer, ""},
        {"missing", "ab  ", 4, "ab"},
        {"k", "def  ", kWindowsBuffer, "v"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(read(path(), "s", c.key, c.defaultValue, c.bufferSize), c.expected)
            << c.key << " '" << c.defaultValue << "'";
    EXPECT_EQ(read(path("absent.ini"), "s", "k", "def "), "def");
}

TEST_F(PrivateProfile, WriteThenReadInTheSameProcess)
{
    // The parsed copy kept between calls must follow every write.
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(WritePrivateProfileString("s", "k", QString::number(i), path()));
        ASSERT_EQ(read(path(), "s", "k"), QString::number(i));
    }
    // A change made by someone else, with another size, is seen too.
    test::writeFile(path(), "[s]\nk=changed outside\n");
    EXPECT_EQ(read(path(), "s", "k"), "changed outside");
    ASSERT_TRUE(WritePrivateProfileString("s", "j", "1", path()));
    EXPECT_EQ(test::readFile(path()), "[s]\nk=changed outside\nj=1\n");

    // Where times keep whole seconds, a change in the second of a read keeps
    // the stamp (imitated by setting the times to that second): such a copy
    // is read again at each use, one read when its time has long passed not.
    const QByteArray padded = "[s]\nk=v\n[pad]\np=" + QByteArray(256 * 1024, 'p') + "\n";
    for (const bool racy : {true, false}) {
        test::writeFile(path(), padded);
        const timespec second{::time(nullptr), 0}, times[2] = {second, second};
        if (racy)
            ASSERT_EQ(::utimensat(AT_FDCWD, path().toLocal8Bit().constData(), times, 0), 0);
        else // the times of the write, a fraction of a second ago
            ASSERT_TRUE(test::waitFor([&] {
                return QFileInfo(path()).lastModified().msecsTo(QDateTime::currentDateTime()) > 200;
            }));
        EXPECT_EQ(read(path(), "s", "k"), "v");
        const qint64 before = bytesRead();
        EXPECT_EQ(read(path(), "s", "k"), "v");
        EXPECT_EQ(bytesRead() - before >= padded.size(), racy) << "read again";
    }
}

TEST_F(PrivateProfile, RelativeAndAbsolutePathsAreTheSameFile)
{
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    const bool wrote = WritePrivateProfileString("s", "k", "rel", "test.ini");
    const QString viaAbsolute = read(path(), "s", "k");
    {
        ProfileBatch batch(path());
        WritePrivateProfileString("s", "k", "batched", "./test.ini");
        EXPECT_EQ(read("test.ini", "s", "k"), "batched");
    }
    QDir::setCurrent(saved);
    EXPECT_TRUE(wrote);
    EXPECT_EQ(viaAbsolute, "rel");
    EXPECT_EQ(read(path(), "s", "k"), "batched");
}

TEST_F(PrivateProfile, FolderInsteadOfFile)
{
    ASSERT_TRUE(QDir().mkpath(path("folder.ini")));
    EXPECT_EQ(read(path("folder.ini"), "s", "k", "def"), "def");
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", path("folder.ini")));
    EXPECT_TRUE(QFileInfo(path("folder.ini")).isDir());
    EXPECT_TRUE(QDir(path("folder.ini")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_TRUE(QDir(m_dir.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .contains(QStringLiteral("folder.ini")));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1)
        << "no temporary file may be left behind";
}

TEST_F(PrivateProfile, FifoInsteadOfFileDoesNotHang)
{
    const QByteArray fifo = path("fifo.ini").toLocal8Bit();
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    // Should a call block on the FIFO, a writer that opens and closes it
    // gives the blocked reader its end of file.
    const auto unblock = [&] {
        const int fd = ::open(fifo.constData(), O_RDWR | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    };
    const auto readResult = returnsInTime([&] { return read(path("fifo.ini"), "s", "k", "def"); }, unblock);
    ASSERT_TRUE(readResult.has_value()) << "reading a FIFO hangs";
    EXPECT_EQ(*readResult, "def");

    const auto writeResult =
        returnsInTime([&] { return WritePrivateProfileString("s", "k", "v", path("fifo.ini")); }, unblock);
    ASSERT_TRUE(writeResult.has_value()) << "writing to a FIFO hangs";
    EXPECT_FALSE(*writeResult);

    struct stat st;
    ASSERT_EQ(::lstat(fifo.constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO must not be replaced";
}

TEST_F(PrivateProfile, LineOfSeveralMegabytes)
{
    const QByteArray huge(5 * 1024 * 1024, 'x');
    test::writeFile(path(), "[s]\nbefore=1\nhuge=" + huge + "\nafter=2\n[t]\nk=3\n");
    EXPECT_EQ(read(path(), "s", "huge", "", kWindowsBuffer), QString(255, u'x'));
    EXPECT_EQ(read(path(), "s", "huge").size(), huge.size());
    EXPECT_EQ(read(path(), "s", "after"), "2");
    EXPECT_EQ(read(path(), "t", "k"), "3");

    ASSERT_TRUE(WritePrivateProfileString("s", "after", "22", path()));
    EXPECT_EQ(test::readFile(path()), "[s]\nbefore=1\nhuge=" + huge + "\nafter=22\n[t]\nk=3\n");

    // The huge line as one unbroken key name, too.
    test::writeFile(path("key.ini"), "[s]\n" + huge + "=v\nk=1\n");
    EXPECT_EQ(read(path("key.ini"), "s", "k"), "1");
    ASSERT_TRUE(WritePrivateProfileString("s", "k", "2", path("key.ini")));
    EXPECT_EQ(read(path("key.ini"), "s", "k"), "2");
}

TEST_F(PrivateProfile, BinaryGarbage)
{
    std::mt19937 rng(20240601);
    for (int round = 0; round < 8; ++round) {
        QByteArray garbage;
        const int size = 1 + int(rng() % 200000);
        for (int i = 0; i < size; ++i)
            garbage.append(char(rng() & 0xFF));
        const QString file = path(QStringLiteral("garbage%1.ini").arg(round));
        test::writeFile(file, garbage);
        EXPECT_EQ(read(file, "s", "k", "def", kWindowsBuffer), "def");
        ASSERT_TRUE(WritePrivateProfileString("s", "k", " written ", file));
        EXPECT_EQ(read(file, "s", "k", "def", kWindowsBuffer), " written ");
        ASSERT_TRUE(WritePrivateProfileString("s", "k", "again", file));
        EXPECT_EQ(read(file, "s", "k", "def", kWindowsBuffer), "again");
    }
}

TEST_F(PrivateProfile, DuplicateSectionsAndKeysOnDisk)
{
    test::writeFile(path(), "[s]\nk=first\nK=second\n[t]\nk=t\n[S]\nk=third\nlate=x\n");
    EXPECT_EQ(read(path(), "s", "k"), "first");
    EXPECT_EQ(read(path(), "s", "late"), kMissing);
    ASSERT_TRUE(WritePrivateProfileString("S", "K", "new", path()));
    EXPECT_EQ(test::readFile(path()), "[s]\nK=new\nK=second\n[t]\nk=t\n[S]\nk=third\nlate=x\n");
    EXPECT_EQ(read(path(), "s", "k"), "new");
}

TEST_F(PrivateProfile, ValuesOfAUtf16FileSurviveAWriteForEveryReader)
{
    // A UTF-16 file may hold any 16-bit unit, also one half of a surrogate pair.
    const QString text = QStringLiteral("[s]\r\nk=a") + QChar(0xD800) + QStringLiteral("b\r\nz=") +
                         QChar(0xDC00) + QStringLiteral("\r\n");
    QByteArray bytes("\xFF\xFE");
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    test::writeFile(path(), bytes);
    const QString k = read(path(), "s", "k");
    const QString z = read(path(), "s", "z");
    ASSERT_EQ(k.size(), 3);
    ASSERT_EQ(z.size(), 1);

    ASSERT_TRUE(WritePrivateProfileString("s", "j", "1", path()));
    // The writer's own reads and those of any other process, which parses
    // the file anew (as a copy at another path is), agree.
    ASSERT_TRUE(QFile::copy(path(), path("copy.ini")));
    for (const QString& f : {path(), path("copy.ini")}) {
        EXPECT_EQ(units(read(f, "s", "k")), units(k)) << qPrintable(f);
        EXPECT_EQ(units(read(f, "s", "z")), units(z)) << qPrintable(f);
        EXPECT_EQ(read(f, "s", "j"), "1") << qPrintable(f);
    }
}

TEST_F(PrivateProfile, RandomMalformedFiles)
{
    // Fragments that malformed files are made of; the names s0..s2 and k0..k3
    // are the ones read back.
    const QByteArray fragments[] = {
        "[",
        "]",
        "=",
        "\r\n",
        "\n",
        "\r",
        QByteArray(1, '\0'),
        "\"",
        "'",
        " ",
        "\t",
        ";",
        "s1",
        "k2",
        "[s0]\n",
        "[s1]\r\n",
        "[ S2 ]\n",
        "[s1",
        "k0=v0\n",
        "K1 = ' v1 '\r\n",
        "k2=\"\"\"\n",
        "k3=\n",
        "k0=x=y\n",
        "=\n",
        "k1",
        "[]\n",
        "\xB1\xEA\xCC\xE2",
        "\xC3\xA9",
        "\xEF\xBB\xBF",
        "\xFF\xFE",
    };
    const QByteArray sectionLines[] = {"[s0]\n", "[s1]\r\n", "[ S2 ]\n", "[s1", "[s2] ; c\n", "\n[s0]\n"};
    const QByteArray keyNames[] = {"k0", "k1", "K2", " k3 ", "k0 ", "x"};
    const QByteArray keyValues[] = {"v",      "",    " spaced ", "\"q\"",        "'",
                                    "\"\"\"", "a=b", "\xB1\xEA", "\xE4\xB8\xAD", "[t]"};
    const QByteArray lineEnds[] = {"\n", "\r\n", "\r", ""};
    const char runs[] = {'[', ']', '=', '\n', '\r', ' ', 'x', '"', '\0', char(0xB1)};
    const QString values[] = {"",      " a", "a ",  "\"q\"", "'",    "\"",  "''", "a\"",
                              "\ta\t", "=",  "[x]", ";c",    "中文", "v=1", "x"};
    std::mt19937 rng(0x5eed);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };

    int readable = 0;
    int failedRounds = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes;
        switch (pick(8)) {
        case 0:
            bytes = "\xEF\xBB\xBF";
            break;
        case 1:
            bytes = "\xFF\xFE";
            break;
        default:
            break;
        }
        const bool wide = bytes == "\xFF\xFE";
        const int count = pick(60);
        for (int i = 0; i < count; ++i) {
            QByteArray piece;
            switch (pick(12)) {
            case 0:
                piece = QByteArray(1, char(0x80 + pick(128)));
                break;
            case 1:
                piece = QByteArray(1 + pick(3000), runs[pick(int(sizeof runs))]);
                break;
            case 2:
            case 3:
                piece = sectionLines[pick(int(std::size(sectionLines)))];
                break;
            case 4:
            case 5:
            case 6:
            case 7:
                piece = keyNames[pick(int(std::size(keyNames)))] + '=' +
                        keyValues[pick(int(std::size(keyValues)))] + lineEnds[pick(int(std::size(lineEnds)))];
                break;
            default:
                piece = fragments[pick(int(std::size(fragments)))];
            }
            if (wide) {
                // Mostly UTF-16 text, now and then a stray byte.
                QByteArray widened;
                for (char c : piece)
                    widened.append(c).append(pick(20) == 0 ? char(0xD8 + pick(8)) : '\0');
                piece = widened;
                if (pick(20) == 0)
                    piece.append(char(pick(256)));
            }
            bytes += piece;
        }
        const QString file = path(QStringLiteral("random%1.ini").arg(round));
        test::writeFile(file, bytes);
        SCOPED_TRACE(QStringLiteral("round %1: %2")
                         .arg(round)
                         .arg(QString::fromLatin1(bytes.left(300).toHex()))
                         .toStdString());

        QHash<QString, QString> before;
        for (int s = 0; s < 3; ++s)
            for (int k = 0; k < 4; ++k)
                before.insert(QStringLiteral("s%1/k%2").arg(s).arg(k),
                              read(file, QStringLiteral("s%1").arg(s), QStringLiteral("k%1").arg(k)));

        for (const QString& v : before)
            readable += v != kMissing ? 1 : 0;
        const QString section = QStringLiteral("s%1").arg(pick(4));
        const QString key = QStringLiteral("k%1").arg(pick(5));
        const QString value = values[pick(int(std::size(values)))];
        ASSERT_TRUE(WritePrivateProfileString(section, key, value, file));

        // The values as this process sees them and as a fresh reader of the
        // written bytes sees them (a copy at another path is parsed anew).
        const QString copy = path(QStringLiteral("copy%1.ini").arg(round));
        ASSERT_TRUE(QFile::copy(file, copy));
        bool roundFailed = false;
        for (const QString& f : {file, copy}) {
            const char* reader = f == copy ? "fresh reader" : "writer";
            if (read(f, section, key) != value) {
                ADD_FAILURE() << "written " << qPrintable(section + u'/' + key) << " reads back wrong, "
                              << reader;
                roundFailed = true;
            }
            for (auto it = before.cbegin(); it != before.cend(); ++it) {
                if (it.key() == section + u'/' + key)
                    continue;
                const QStringList names = it.key().split(u'/');
                const QString now = read(f, names[0], names[1]);
                if (now != it.value()) {
                    ADD_FAILURE() << qPrintable(it.key()) << " changed for the " << reader << " from "
                                  << units(it.value()) << " to " << units(now);
                    roundFailed = true;
                }
            }
        }
        // Go on after a failing file, so that one fault does not hide
        // others, but not without end.
        failedRounds += roundFailed ? 1 : 0;
        ASSERT_LT(failedRounds, 5);
        QFile::remove(copy);
        QFile::remove(file);
    }
    // Enough of the files hold readable keys for the comparison to mean something.
    EXPECT_GT(readable, 250);
}

TEST_F(PrivateProfile, BatchGivesTheSameFileAsSingleWrites)
{
    const struct Write
    {
        const char* section;
        const char* key;
        const char* value;
    } writes[] = {
        {"Main", "a", "1"},           {"Main", "b", " spaced "}, {"Box0", "x", "\"q\""}, {"main", "A", "2"},
        {"Box1", "y", "line\nbreak"}, {"Box0", "x", "3"},        {"Main", "new", ""},    {"Box0", "x", "3"},
        {"Other", "k", "中文"},       {"Box1", "y", "=;[x]"},    {"main", "a", "1"},     {"Main", "a", "1"},
        {"MAIN", "A ", "4"},          {"main", "A", "5"},
    };
    const char* starts[] = {
        nullptr,
        "",
        "; keep me\n[Main]\na=0\n\n[Box0]\nx=old\n",
        "[Main]\r\na=0\r\n\r\n[Box0]\r\n; c\r\nx=old\r\n",
        "\xEF\xBB\xBF[Main]\na=1\n[Main]\nb=dup",
    };
    for (const char* start : starts) {
        SCOPED_TRACE(start ? show(start) : "no file");
        const QString single = path("single.ini");
        const QString batched = path("batched.ini");
        QFile::remove(single);
        QFile::remove(batched);
        if (start) {
            test::writeFile(single, start);
            test::writeFile(batched, start);
        }
        for (const Write& w : writes)
            ASSERT_TRUE(WritePrivateProfileString(w.section, w.key, w.value, single));
        {
            ProfileBatch batch(batched);
            for (const Write& w : writes)
                ASSERT_TRUE(WritePrivateProfileString(w.section, w.key, w.value, batched));
            EXPECT_EQ(test::readFile(batched), start ? QByteArray(start) : QByteArray())
                << "the writes wait for the end of the batch";
        }
        EXPECT_EQ(show(test::readFile(batched)), show(test::readFile(single)));
        // So does a writer thread, which keeps one place for each key.
        const QString written = path("written.ini");
        QFile::remove(written);
        if (start)
            test::writeFile(written, start);
        {
            platform::ProfileWriter writer(written);
            for (const Write& w : writes)
                writer.write(w.section, w.key, w.value);
            ASSERT_TRUE(writer.flush(platform::kProfileFlushWait));
        }
        EXPECT_EQ(show(test::readFile(written)), show(test::readFile(single)));
    }
}

// The writer of a file is found under any spelling that reads and writes
// resolve to it, as a link the user made to the file.
TEST_F(PrivateProfile, AWriterIsFoundByTheFileItWrites)
{
    test::writeFile(path(), "[s]\nk=old\n");
    ASSERT_TRUE(QFile::link(path(), path("link.ini")));
    platform::ProfileWriter writer(path("link.ini"));
    EXPECT_EQ(platform::ProfileWriter::forPath(path()), &writer);
    EXPECT_EQ(platform::ProfileWriter::forPath(path("link.ini")), &writer);
    EXPECT_EQ(platform::ProfileWriter::forPath(path("other.ini")), nullptr);
}

TEST_F(PrivateProfile, ReadInsideBatchSeesPendingWrites)
{
    test::writeFile(path(), "[s]\nk=old\n");
    const QString other = path("other.ini");
    {
        ProfileBatch batch(path());
        ASSERT_TRUE(WritePrivateProfileString("s", "k", "new", path()));
        ASSERT_TRUE(WritePrivateProfileString("s", "j", "added", path()));
        // Another file is not part of the batch.
        ASSERT_TRUE(WritePrivateProfileString("s", "k", "direct", other));
        EXPECT_EQ(test::readFile(other), "[s]\nk=direct\n");

        EXPECT_EQ(read(path(), "s", "k"), "new");
        EXPECT_EQ(read(path(), "s", "j"), "added");
        ASSERT_TRUE(WritePrivateProfileString("s", "k", "newer", path()));
        EXPECT_EQ(read(path(), "s", "k"), "newer");
        EXPECT_TRUE(batch.commit());
        EXPECT_EQ(test::readFile(path()), "[s]\nk=newer\nj=added\n");
        ASSERT_TRUE(WritePrivateProfileString("s", "last", "1", path()));
    }
    EXPECT_EQ(test::readFile(path()), "[s]\nk=newer\nj=added\nlast=1\n");
}

TEST_F(PrivateProfile, NestedBatchesForTheSameFile)
{
    {
        ProfileBatch outer(path());
        ASSERT_TRUE(WritePrivateProfileString("s", "a", "1", path()));
        {
            ProfileBatch inner(path());
            ASSERT_TRUE(WritePrivateProfileString("s", "b", "2", path()));
            EXPECT_TRUE(inner.commit());
        }
        // The inner batch leaves the collecting to the outer one.
        EXPECT_FALSE(QFileInfo::exists(path()));
        ASSERT_TRUE(WritePrivateProfileString("s", "c", "3", path()));
        EXPECT_EQ(read(path(), "s", "b"), "2");
        ASSERT_TRUE(WritePrivateProfileString("s", "d", "4", path()));
    }
    EXPECT_EQ(test::readFile(path()), "[s]\na=1\nb=2\nc=3\nd=4\n");
    // Once the batches are gone, writes go straight to the file again.
    ASSERT_TRUE(WritePrivateProfileString("s", "e", "5", path()));
    EXPECT_EQ(test::readFile(path()), "[s]\na=1\nb=2\nc=3\nd=4\ne=5\n");
}

TEST_F(PrivateProfile, BatchThatCannotBeWrittenReportsIt)
{
    ASSERT_TRUE(QDir().mkpath(path("folder.ini")));
    ProfileBatch batch(path("folder.ini"));
    EXPECT_TRUE(WritePrivateProfileString("s", "k", "v", path("folder.ini")));
    EXPECT_FALSE(batch.commit());
}

TEST_F(PrivateProfile, WritesKeepThePermissionBits)
{
    for (mode_t mode : {0600, 0640, 0604, 0664, 0755}) {
        const QString file = path(QStringLiteral("mode%1.ini").arg(mode, 0, 8));
        const QByteArray native = file.toLocal8Bit();
        test::writeFile(file, "[s]\nk=0\n");
        ASSERT_EQ(::chmod(native.constData(), mode), 0);
        ASSERT_TRUE(WritePrivateProfileString("s", "k", "1", file));
        {
            ProfileBatch batch(file);
            WritePrivateProfileString("s", "j", "2", file);
        }
        struct stat st;
        ASSERT_EQ(::stat(native.constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(test::readFile(file), "[s]\nk=1\nj=2\n");
    }
}

namespace {

// A section that makes every write of the file take long enough for a reader
// (or a kill) to catch it in the middle, were the file written in place.
const QByteArray kPadding = "[Pad]\np=" + QByteArray(256 * 1024, 'p') + "\n";

QByteArray prefixFile(int keys)
{
    if (keys == 0)
        return kPadding;
    QByteArray bytes = kPadding + "[S]\n";
    for (int i = 0; i < keys; ++i)
        bytes += "k" + QByteArray::number(i) + "=v" + QByteArray::number(i) + "\n";
    return bytes;
}

// How many keys k0.. the file holds, or -1 when it is anything but the
// padding followed by complete lines k0=v0, k1=v1, ... in order.
int prefixLength(const QByteArray& bytes)
{
    if (!bytes.startsWith(kPadding))
        return -1;
    const int keys = int(bytes.count('\n')) - int(kPadding.count('\n')) - 1;
    return bytes == prefixFile(std::max(keys, 0)) ? std::max(keys, 0) : -1;
}

} // namespace

TEST_F(PrivateProfile, KilledWriterLeavesACompleteFile)
{
    const QString file = path();
    test::writeFile(file, kPadding);
    constexpr int kKeys = 3000;
    // Each run starts again at k0 (rewriting the same values changes
    // nothing) and is killed once the file holds at least this many keys.
    // While it runs, every state of the file a reader sees must be complete.
    int states = 0;
    for (int threshold : {1, 15, 40, 80, 120}) {
        SCOPED_TRACE(threshold);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QStringLiteral(INI_WRITER_CHILD), {file, "S", "k", QString::number(kKeys)});
        ASSERT_TRUE(child.waitForStarted());
        QByteArray torn;
        ASSERT_TRUE(test::waitFor(
            [&] {
                const QByteArray bytes = test::readFile(file);
                ++states;
                const int keys = prefixLength(bytes);
                if (keys < 0 && torn.isNull())
                    torn = bytes;
                return keys >= threshold || !torn.isNull();
            },
            60000));
        child.kill();
        ASSERT_TRUE(child.waitForFinished(10000));
        ASSERT_TRUE(torn.isNull()) << "a reader saw this file: " << show(torn.right(200));
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit) << "the writer finished before it was killed";

        const QByteArray bytes = test::readFile(file);
        const int keys = prefixLength(bytes);
        ASSERT_GE(keys, threshold) << show(bytes.right(200));
        EXPECT_EQ(read(file, "S", QStringLiteral("k%1").arg(keys - 1)), QStringLiteral("v%1").arg(keys - 1));
        EXPECT_EQ(read(file, "S", QStringLiteral("k%1").arg(keys)), kMissing);
    }
    EXPECT_GT(states, 10);

    // What a killed writer may leave besides the file is its temporary file;
    // it must not get in the way of later writes.
    const QRegularExpression temporary(QStringLiteral("^\\.test\\.ini\\.korvalen-temp\\.[A-Za-z0-9]{6}$"));
    for (const QString& name :
         QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (name != QStringLiteral("test.ini")) {
            EXPECT_TRUE(temporary.match(name).hasMatch()) << qPrintable(name);
        }
    }
    const int keys = prefixLength(test::readFile(file));
    ASSERT_TRUE(WritePrivateProfileString("S", QStringLiteral("k%1").arg(keys),
                                          QStringLiteral("v%1").arg(keys), file));
    EXPECT_EQ(prefixLength(test::readFile(file)), keys + 1);
}

TEST_F(PrivateProfile, WriteRemovesTheTemporaryFilesOfKilledWriters)
{
    test::writeFile(path(), "[s]\nk=1\n");
    const QString ours = QStringLiteral(".test.ini.korvalen-temp.");
    const QStringList leftovers = {ours + "AbC123", ours + "000000"};
    // A user's own hidden copies, like the temporaries of other programs and
    // of older releases, are never ours to remove.
    const QStringList others =
        QStringLiteral(".test.ini.AbC123 .test.ini.backup .test.ini.before .other.ini.korvalen-temp.AbC123 "
                       "test.ini.korvalen-temp.AbC123")
            .split(u' ') +
        QStringList{ours + "AbC12", ours + "AbC1234", ours + "AbC-12", ours + "He1d00"};
    // A temporary file written a moment ago may belong to a writer that is
    // still at work without the folder's lock (an older release); one whose
    // writer is alive (He1d00) is locked, however long it has been stalled.
    const QString fresh = ours + "Fr3sh0";
    const auto plant = [&](const QStringList& names) {
        for (const QString& name : names) {
            test::writeFile(path(name), QByteArray(50 * 1024, 'x'));
            QFile file(path(name));
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-120),
                                         QFileDevice::FileModificationTime));
        }
    };
    plant(leftovers + others);
    test::writeFile(path(fresh), "x");
    QFile writer(path(others.back()));
    ASSERT_TRUE(writer.open(QIODevice::ReadOnly));
    ASSERT_EQ(::flock(writer.handle(), LOCK_EX), 0);
    // A write that changes nothing still cleans up; so do whole-file copies
    // (backups, pictures, skins, start at login).
    const std::function<bool()> writes[] = {
        [&] { return WritePrivateProfileString("s", "k", "1", path()); },
        [&] { return platform::writeFileReplacing(path(), "[s]\nk=1\n"); }};
    for (const auto& write : writes) {
        plant(leftovers);
        ASSERT_TRUE(write());
        for (const QString& name : leftovers)
            EXPECT_FALSE(QFileInfo::exists(path(name))) << qPrintable(name);
        for (const QString& name : others + QStringList{fresh})
            EXPECT_TRUE(QFileInfo::exists(path(name))) << qPrintable(name);
        EXPECT_EQ(test::readFile(path()), "[s]\nk=1\n");
    }
}

TEST_F(PrivateProfile, WriterKilledAtItsFirstWriteLeavesNoFileOrACompleteOne)
{
    // The file's first write is a big one, so that it takes a while; the
    // writer is killed the moment the file appears. At no moment may the file
    // exist but be incomplete: the next start would take it for a
    // configuration.
    const QByteArray complete = "[S]\nPad=" + QByteArray(4 * 1024 * 1024, 'p') + "\n";
    for (int run = 0; run < 5; ++run) {
        SCOPED_TRACE(run);
        const QString file = path(QStringLiteral("first%1.ini").arg(run));
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QStringLiteral(INI_WRITER_CHILD),
                    {file, "S", "k", "3", QString::number(4 * 1024 * 1024)});
        ASSERT_TRUE(child.waitForStarted());
        struct stat st;
        const QByteArray native = file.toLocal8Bit();
        // Watched without a pause, so that no moment of the file is missed.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (::stat(native.constData(), &st) != 0 && std::chrono::steady_clock::now() < deadline)
            ;
        ASSERT_EQ(::stat(native.constData(), &st), 0) << "the file never appeared";
        child.kill();
        ASSERT_TRUE(child.waitForFinished(10000));
        const QByteArray bytes = test::readFile(file);
        EXPECT_TRUE(bytes.startsWith(complete)) << bytes.size() << " bytes: " << show(bytes.left(40));
    }
}

TEST_F(PrivateProfile, TwoProcessesWritingAtOnceLoseNothing)
{
    const QString file = path();
    constexpr int kKeys = 300;
    QProcess a;
    QProcess b;
    for (QProcess* child : {&a, &b})
        child->setProcessChannelMode(QProcess::ForwardedChannels);
    a.start(QStringLiteral(INI_WRITER_CHILD), {file, "S", "a", QString::number(kKeys)});
    b.start(QStringLiteral(INI_WRITER_CHILD), {file, "S", "b", QString::number(kKeys)});
    for (QProcess* child : {&a, &b}) {
        ASSERT_TRUE(child->waitForFinished(60000));
        EXPECT_EQ(child->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child->exitCode(), 0);
    }
    for (const char* prefix : {"a", "b"})
        for (int i = 0; i < kKeys; ++i)
            ASSERT_EQ(read(file, "S", prefix + QString::number(i)), QStringLiteral("v%1").arg(i))
                << prefix << i;
    EXPECT_EQ(test::keysInOrder(file).size(), 2 * kKeys);
    EXPECT_EQ(test::readFile(file).count("[S]"), 1);
}

TEST_F(PrivateProfile, WriteThroughALinkUpdatesTheFileItPointsTo)
{
    QDir(m_dir.path()).mkdir(QStringLiteral("real"));
    const QString target = path(QStringLiteral("real/settings.ini"));
    test::writeFile(target, "[s]\nk=1\n");
    ASSERT_TRUE(QFile::link(target, path(QStringLiteral("link.ini"))));
    ASSERT_TRUE(WritePrivateProfileString("s", "k", "2", path(QStringLiteral("link.ini"))));
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("link.ini"))).isSymLink());
    EXPECT_EQ(test::readFile(target), "[s]\nk=2\n");
}

TEST_F(PrivateProfile, FileTooBigToReadWholeIsNotRewritten)
{
    // Rewriting only the part that is read would cut the file.
    QByteArray big("[s]\nk=1\n");
    big.append(QByteArray(65 * 1024 * 1024, 'x'));
    test::writeFile(path(), big);
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "2", path()));
    EXPECT_EQ(QFileInfo(path()).size(), big.size());
    EXPECT_EQ(read(path(), "s", "k"), "1");
}

// Parsed files are reused between reads, but a big file read once, or many
// files read in turn, must not stay in memory for the rest of the run.
TEST(ProfileMemory, ParsedFilesKeptBetweenReadsStayWithinTheirBound)
{
    QTemporaryDir dir;
    // One file bigger than the bound; many that only together pass it.
    const std::pair<int, qsizetype> cases[] = {{1, 2 * platform::kKeptProfileBytes},
                                               {12, platform::kKeptProfileBytes / 4}};
    for (const auto& [files, bytes] : cases) {
        for (int i = 0; i < files; ++i) {
            const QString file = dir.filePath(QStringLiteral("%1-%2.ini").arg(files).arg(i));
            test::writeFile(file, "[keep]\nvalue=" + QByteArray::number(i) +
                                      "\n[pad]\nk=" + QByteArray(bytes, 'x'));
            EXPECT_EQ(read(file, "keep", "value"), QString::number(i));
        }
        EXPECT_LE(platform::keptProfileBytes(), platform::kKeptProfileBytes) << files << " files";
    }
}

// Within a read scope a big file is parsed once for all its reads, still
// follows a change on disk, and is let go when the scope ends.
TEST(ProfileMemory, ReadScopeKeepsABigFileOnlyWhileItIsOpen)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("Main.ini");
    const QByteArray pad = "\n[pad]\nk=" + QByteArray(3 * platform::kKeptProfileBytes, 'x');
    test::writeFile(file, "[keep]\nvalue=first" + pad);
    {
        const platform::ProfileReadScope scope(file);
        EXPECT_EQ(read(file, "keep", "value"), "first");
        EXPECT_GE(platform::keptProfileBytes(), pad.size());
        test::writeFile(file, "[keep]\nvalue=second" + pad);
        EXPECT_EQ(read(file, "keep", "value"), "second");
    }
    EXPECT_LE(platform::keptProfileBytes(), platform::kKeptProfileBytes);
}

TEST(WriteFailure, AHeldFolderLockFailsASettingsWriteWithinItsBoundAndTheNextWriteGoesThrough)
{
    test::ScopedEnvironment env;
    const QString path = env.path() + "/Main.ini";
    test::writeFile(path, "[a]\nk=1\n");
    const int held = ::open(QFile::encodeName(env.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0); // as another instance (or a stuck file system) holds it

    auto write =
        std::async(std::launch::async, [&] { return WritePrivateProfileString("a", "k", "2", path); });
    const bool returned = write.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    ::close(held); // lets a write that did not give up end
    EXPECT_TRUE(returned) << "the write waits for the lock without a bound";
    EXPECT_FALSE(write.get());
    EXPECT_EQ(test::readFile(path), "[a]\nk=1\n");

    EXPECT_TRUE(WritePrivateProfileString("a", "k", "3", path));
    EXPECT_EQ(test::readFile(path), "[a]\nk=3\n");
}
