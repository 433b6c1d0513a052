// Writes that fail, on a full disk, through a symbolic link planted in a data
// folder or under a folder lock held elsewhere: the old file or none is left,
// never a cut one, and nothing is written where a planted link leads.
#include "TestSupport.h"

#include "core/DailyLog.h"
#include "core/IniFile.h"
#include "core/Skins.h"
#include "platform/AppendFile.h"
#include "platform/Autostart.h"
#include "platform/CopyFile.h"
#include "platform/PrivateProfile.h"
#include "ui/BoxIcons.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <future>
#include <optional>
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
    NoRoom,   // a full disk, no file there yet
    CutShort, // a full disk with room for a few bytes, over an old file
    LinkToAFile,
    DanglingLink,
    LinkToAFolder
};

TEST(WriteFailure, AFailedWriteLeavesTheOldFileOrNoneAndNothingGoesThroughALink)
{
    test::ScopedEnvironment env;
    const QString data = env.dataDir();
    const QString source = env.path() + "/chosen/desk.ico";
    const QString outside = env.path() + "/outside"; // where planted links lead
    const QString kept = outside + "/kept.txt";
    const QString made = outside + "/made.txt";
    for (const char* folder :
         {"/appdata/Korvalen/Pictures", "/appdata/Korvalen/Skins", "/appdata/Korvalen/Logs",
          "/config/autostart", "/chosen", "/backups", "/outside"})
        QDir().mkpath(env.path() + folder);
    test::writeFile(source, QByteArray(200, 'i'));
    const QImage icon(16, 16, QImage::Format_ARGB32);
    CIniFile skin;
    skin.SetFileName(data + "/Skins/Night.ini");
    BoxSnapshot box;
    box.IPAdress = "127.0.0.1";
    box.m_nStatus = STATUS_UP;
    const platform::LocalStamp now{"01/05/27", "09:08:07", 1, 5, 2027};
    const Writer writers[] = {
        {"backup copy", env.path() + "/backups/backup.ini", false, false,
         [&] { return platform::copyFileReplacing(source, env.path() + "/backups/backup.ini"); }},
        {"start at login", platform::autostartEntryPath("Korvalen"), false, false,
         [] { return platform::writeAutostartEntry("Korvalen", "\"/usr/bin/korvalen\""); }},
        {"greyscale copy", data + "/Pictures/pc_GSC.ico", true, false,
         [&] { return SaveIconsToFile(data + "/Pictures/pc_GSC.ico", &icon, 1) == 1; }},
        {"picture import", data + "/Pictures/desk.ico", true, false,
         [&] { return ImportPicture(source, data + "/Pictures").error.isEmpty(); }},
        {"skin", skin.FileName(), true, false, [&] { return skins::WriteSkin(skin, SkinLook{}); }},
        {"log line", data + "/Logs/1_Ping.txt", true, true,
         [&] { return platform::appendToFile(data + "/Logs/1_Ping.txt", "a | b | Up\r\n"); }},
        // The day folder itself stands where a link may be planted.
        {"log line in its day folder", data + "/Logs/1-5-2027", true, true,
         [&] { return dailylog::write(box, data + "/Logs/", 0, now); }},
    };
    const QByteArray old = "[skin]\nOnLineBoxColor=1\n";
    for (const Writer& w : writers) {
        for (const Fault fault : {Fault::NoRoom, Fault::CutShort, Fault::LinkToAFile, Fault::DanglingLink,
                                  Fault::LinkToAFolder}) {
            const bool link = fault != Fault::NoRoom && fault != Fault::CutShort;
            if (link && !w.refusesLinks)
                continue;
            SCOPED_TRACE(testing::Message() << w.name << ", fault " << int(fault));
            const QString folder = QFileInfo(w.target).path();
            for (const QString& entry : entriesOf(folder))
                if (!QFile::remove(folder + '/' + entry))
                    QDir(folder + '/' + entry).removeRecursively();
            for (const QString& entry : entriesOf(outside))
                QFile::remove(outside + '/' + entry);
            test::writeFile(kept, "outside\n");
            const QByteArray contents = fault == Fault::CutShort ? old : QByteArray();
            if (fault == Fault::CutShort)
                test::writeFile(w.target, old);
            if (link)
                QFile::link(fault == Fault::LinkToAFile    ? kept
                            : fault == Fault::DanglingLink ? made
                                                           : outside,
                            w.target);
            const QStringList before = entriesOf(folder);

            bool written;
            {
                // No room at all, or room for a few bytes beyond the old file.
                std::optional<test::FullDisk> full;
                if (!link)
                    full.emplace(contents.isEmpty() ? 0 : contents.size() + 3);
                written = w.write();
            }
            EXPECT_EQ(test::readFile(kept), "outside\n");
            EXPECT_EQ(entriesOf(outside), QStringList{"kept.txt"});
            if (link) {
                EXPECT_TRUE(QFileInfo(w.target).isSymLink());
                // A link to something may be stepped round by a free name; one to nothing fails.
                EXPECT_TRUE(fault != Fault::DanglingLink || !written);
                continue;
            }
            EXPECT_FALSE(written);
            // No new file and no temporary one; a log may be left empty, with no cut line.
            if (!w.appends || fault == Fault::CutShort) {
                EXPECT_EQ(entriesOf(folder), before);
            }
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

    auto write = std::async(std::launch::async,
                            [&] { return platform::WritePrivateProfileString("a", "k", "2", path); });
    const bool returned = write.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    ::close(held); // lets a write that did not give up end
    EXPECT_TRUE(returned) << "the write waits for the lock without a bound";
    EXPECT_FALSE(write.get());
    EXPECT_EQ(test::readFile(path), "[a]\nk=1\n");

    EXPECT_TRUE(platform::WritePrivateProfileString("a", "k", "3", path));
    EXPECT_EQ(test::readFile(path), "[a]\nk=3\n");
}

} // namespace
