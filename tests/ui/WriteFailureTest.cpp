// Writes that fail, on a full disk, through a symbolic link planted in a data
// folder or under a folder lock held elsewhere: the old file or none is left,
// never a cut one, and nothing is written where a planted link leads.
#include "TestSupport.h"

#include "core/IniFile.h"
#include "core/Skins.h"
#include "platform/AppendFile.h"
#include "platform/Autostart.h"
#include "platform/CopyFile.h"
#include "platform/PrivateProfile.h"
#include "ui/BoxIcons.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/file.h>
#include <unistd.h>

namespace {

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

struct Writer
{
    const char* name;
    QString target;
    bool refusesLinks;           // a file in one of the data folders, never written through a link
    bool appends;                // a log: a new file may stay behind empty
    std::function<bool()> write; // true when it says the file was written
};

enum class Fault
{
    FullDiskNoFile,
    FullDiskOldFile,
    LinkToAFile,
    DanglingLink
};

TEST(WriteFailure, AFailedWriteLeavesTheOldFileOrNoneAndNothingGoesThroughALink)
{
    test::ScopedEnvironment env;
    const QString pictures = env.dataDir() + "/Pictures";
    const QString source = env.path() + "/chosen/desk.ico";
    const QString outside = env.path() + "/outside";
    for (const QString& folder : {pictures, env.dataDir() + "/Skins", env.dataDir() + "/Logs",
                                  env.configHome() + "/autostart", env.path() + "/chosen", outside})
        QDir().mkpath(folder);
    test::writeFile(source, QByteArray(200, 'i'));
    const QImage icon(QImage(16, 16, QImage::Format_ARGB32));
    CIniFile skin;
    skin.SetFileName(env.dataDir() + "/Skins/Night.ini");

    const Writer writers[] = {
        {"backup copy", env.path() + "/chosen/backup.ini", false, false,
         [&] { return platform::copyFileReplacing(source, env.path() + "/chosen/backup.ini"); }},
        {"start at login", platform::autostartEntryPath("Korvalen"), false, false,
         [] { return platform::writeAutostartEntry("Korvalen", "\"/usr/bin/korvalen\""); }},
        {"greyscale copy", pictures + "/pc_GSC.ico", true, false,
         [&] { return SaveIconsToFile(pictures + "/pc_GSC.ico", &icon, 1) == 1; }},
        {"picture import", pictures + "/desk.ico", true, false,
         [&] { return ImportPicture(source, pictures).error.isEmpty(); }},
        {"skin", skin.FileName(), true, false, [&] { return skins::WriteSkin(skin, SkinLook{}); }},
        {"log line", env.dataDir() + "/Logs/127.0.0.1_Ping.txt", true, true,
         [&] {
             return platform::appendToFile(env.dataDir() + "/Logs/127.0.0.1_Ping.txt", "a | b | Up\r\n");
         }},
    };
    const QByteArray old = "[skin]\nOnLineBoxColor=1\n";
    for (const Writer& w : writers) {
        for (const Fault fault :
             {Fault::FullDiskNoFile, Fault::FullDiskOldFile, Fault::LinkToAFile, Fault::DanglingLink}) {
            const bool link = fault == Fault::LinkToAFile || fault == Fault::DanglingLink;
            if (link && !w.refusesLinks)
                continue;
            SCOPED_TRACE(testing::Message() << w.name << ", fault " << int(fault));
            const QString folder = QFileInfo(w.target).path();
            for (const QString& entry : entriesOf(folder))
                QFile::remove(folder + '/' + entry);
            const QString kept = outside + "/kept.txt";
            const QString made = outside + "/made.txt";
            test::writeFile(kept, "outside\n");
            QFile::remove(made);
            if (fault == Fault::FullDiskOldFile)
                test::writeFile(w.target, old);
            if (link) {
                ASSERT_TRUE(QFile::link(fault == Fault::LinkToAFile ? kept : made, w.target));
            }
            const QStringList before = entriesOf(folder);
            const QByteArray contents = fault == Fault::FullDiskOldFile ? old : QByteArray();

            bool written;
            if (link) {
                written = w.write();
            } else {
                // No room at all, or room for a few bytes more than the old file.
                test::FullDisk full(contents.isEmpty() ? 0 : contents.size() + 3);
                written = w.write();
            }

            EXPECT_EQ(test::readFile(kept), "outside\n");
            EXPECT_FALSE(QFileInfo::exists(made));
            if (link) {
                EXPECT_TRUE(QFileInfo(w.target).isSymLink());
                if (fault == Fault::DanglingLink) {
                    EXPECT_FALSE(written);
                }
                continue;
            }
            EXPECT_FALSE(written);
            if (w.appends && fault == Fault::FullDiskNoFile)
                EXPECT_TRUE(test::readFile(w.target).isEmpty()); // no cut line
            else
                EXPECT_EQ(entriesOf(folder), before); // no new file, no temporary file
            EXPECT_EQ(test::readFile(w.target), contents);
        }
    }
}

TEST(WriteFailure, AHeldFolderLockFailsASettingsWriteWithinItsBoundAndTheNextWriteGoesThrough)
{
    test::ScopedEnvironment env;
    const QString path = env.path() + "/Main.ini";
    test::writeFile(path, "[a]\nk=1\n");
    const int held = ::open(QFile::encodeName(env.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0); // as another instance (or a stuck file system) holds it

    QElapsedTimer clock;
    clock.start();
    auto write = std::async(std::launch::async,
                            [&] { return platform::WritePrivateProfileString("a", "k", "2", path); });
    const bool returned = write.wait_for(std::chrono::seconds(15)) == std::future_status::ready;
    const qint64 waited = clock.elapsed();
    ::close(held); // lets a write that did not give up end
    EXPECT_TRUE(returned) << "the write waits for the lock without a bound";
    EXPECT_FALSE(write.get());
    EXPECT_LT(waited, 10000);
    EXPECT_EQ(test::readFile(path), "[a]\nk=1\n");

    EXPECT_TRUE(platform::WritePrivateProfileString("a", "k", "3", path));
    EXPECT_EQ(test::readFile(path), "[a]\nk=3\n");
}

} // namespace
