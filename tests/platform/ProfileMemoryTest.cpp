#include "platform/PrivateProfile.h"

#include "TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::GetPrivateProfileString;
using platform::keptProfileBytes;
using platform::kKeptProfileBytes;
using platform::ProfileReadScope;

namespace {

// A file of about `bytes` bytes whose key "value" in section "keep" is `value`.
QByteArray iniText(qsizetype bytes, const QByteArray& value)
{
    QByteArray text = "[keep]\nvalue=" + value + "\n";
    for (int i = 0; text.size() < bytes; ++i)
        text += "[pad " + QByteArray::number(i) + "]\nkey=" + QByteArray(200, 'x') + "\n";
    return text;
}

QString read(const QString& path)
{
    QString result;
    GetPrivateProfileString(QStringLiteral("keep"), QStringLiteral("value"), QString(), result, 256, path);
    return result;
}

} // namespace

// Parsed files are reused between reads, but a big file read once, or many
// files read in turn, must not stay in memory for the rest of the run.
TEST(ProfileMemory, ParsedFilesKeptBetweenReadsStayWithinTheirBound)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct
    {
        const char* name;
        int files;
        qsizetype bytes;
    } cases[] = {
        {"one file bigger than the bound", 1, 2 * kKeptProfileBytes},
        {"many files that together pass the bound", 12, kKeptProfileBytes / 4},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < c.files; ++i) {
            const QString path = dir.filePath(QStringLiteral("%1-%2.ini").arg(c.name).arg(i));
            test::writeFile(path, iniText(c.bytes, QByteArray::number(i)));
            EXPECT_EQ(read(path), QString::number(i)) << c.name;
        }
        EXPECT_LE(keptProfileBytes(), kKeptProfileBytes) << c.name;
    }
}

// Within a read scope a big file is parsed once for all its reads, still
// follows a change on disk, and is let go when the scope ends.
TEST(ProfileMemory, ReadScopeKeepsABigFileOnlyWhileItIsOpen)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Main.ini"));
    const qsizetype bytes = 3 * kKeptProfileBytes;
    test::writeFile(path, iniText(bytes, "first"));
    {
        const ProfileReadScope scope(path);
        EXPECT_EQ(read(path), QStringLiteral("first"));
        EXPECT_GE(keptProfileBytes(), bytes);
        test::writeFile(path, iniText(bytes, "second"));
        EXPECT_EQ(read(path), QStringLiteral("second"));
    }
    EXPECT_LE(keptProfileBytes(), kKeptProfileBytes);
    EXPECT_EQ(read(path), QStringLiteral("second"));
}
