// Writes that fail on a full disk or through a link planted in a data folder:
// the old file or none is left, never a cut one, and nothing is written where
// a planted link leads.
#include "TestSupport.h"

#include "core/IniFile.h"
#include "core/Skins.h"
#include "platform/desktop/Autostart.h"
#include "platform/files/AppendFile.h"
#include "platform/files/CopyFile.h"
#include "platform/files/PrivateProfile.h"
#include "ui/BoxIcons.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// A full disk with no file there yet, or with room for a few bytes over an
// old file; or a link planted where the file goes.
constexpr int NoRoom = 1, CutShort = 2, LinkToAFile = 4, DanglingLink = 8, LinkToAFolder = 16;

TEST(WriteFailure, AFailedWriteLeavesTheOldFileOrNoneAndNothingGoesThroughALink)
{
    const QByteArray old = "[skin]\nOnLineBoxColor=1\n";
    for (const int fault : {NoRoom, CutShort, LinkToAFile, DanglingLink, LinkToAFolder}) {
        test::ScopedEnvironment env;
        const QString data = env.dataDir();
        const QString source = env.path() + "/desk.ico";
        const QString outside = env.path() + "/outside"; // where planted links lead
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        test::writeFile(source, EncodeIconFile(&icon, 1));
        CIniFile skin;
        skin.SetFileName(data + "/Skins/Night.ini");
        // Each writer meets the faults that once got past it (a link to
        // something may be stepped round by a free name, which is no fault).
        const struct
        {
            const char* name;
            QString target;
            int faults;
            std::function<bool(const QString&)> write; // true when it says the file was written
        } writers[] = {
            {"backup copy", env.path() + "/backups/backup.ini", NoRoom | CutShort,
             [&](const QString& t) { return platform::copyFileReplacing(source, t); }},
            {"start at login", platform::autostartEntryPath("Korvalen"), NoRoom | CutShort,
             [](const QString&) { return platform::writeAutostartEntry("Korvalen", "korvalen"); }},
            {"greyscale copy", data + "/Pictures/pc_GSC.ico", NoRoom | CutShort | LinkToAFile | DanglingLink,
             [&](const QString& t) { return SaveIconsToFile(t, &icon, 1) == 1; }},
            {"picture import", data + "/Pictures/desk.ico", NoRoom | CutShort | DanglingLink,
             [&](const QString&) { return ImportPicture(source, data + "/Pictures").error.isEmpty(); }},
            {"skin", skin.FileName(), NoRoom | CutShort | LinkToAFile | DanglingLink,
             [&](const QString&) { return skins::WriteSkin(skin, SkinLook{}); }},
            {"log line", data + "/Logs/1_Ping.txt", CutShort | LinkToAFile | DanglingLink,
             [](const QString& t) { return platform::appendToFile(t, "a | b | Up\r\n"); }},
            {"log line, the logs folder a link", env.path() + "/Logs", LinkToAFolder,
             [](const QString& t) {
                 return platform::appendToFileIn(t + "/", "1-5-2027", "1_Ping.txt", "a\r\n");
             }},
            {"log line in its day folder", data + "/Logs/1-5-2027", LinkToAFolder,
             [](const QString& t) { return platform::appendToFile(t + "/1_Ping.txt", "a | b | Up\r\n"); }},
        };
        const QHash<int, QString> leadsTo{{LinkToAFile, outside + "/kept.txt"},
                                          {DanglingLink, outside + "/made.txt"},
                                          {LinkToAFolder, outside}};
        for (const auto& w : writers) {
            if (!(w.faults & fault))
                continue;
            SCOPED_TRACE(testing::Message() << w.name << ", fault " << fault);
            QDir(outside).removeRecursively();
            QDir().mkpath(outside);
            test::writeFile(outside + "/kept.txt", "outside\n");
            const QString folder = QFileInfo(w.target).path();
            QDir().mkpath(folder);
            if (fault == CutShort)
                test::writeFile(w.target, old);
            if (leadsTo.contains(fault))
                QFile::link(leadsTo[fault], w.target);
            const QStringList before = entriesOf(folder);
            bool written;
            {
                test::FullDisk full(fault == NoRoom ? 0 : fault == CutShort ? old.size() + 3 : 1 << 20);
                written = w.write(w.target);
            }
            EXPECT_FALSE(written);
            EXPECT_EQ(entriesOf(folder), before); // no new file, no temporary one
            EXPECT_EQ(entriesOf(outside), QStringList{"kept.txt"});
            EXPECT_EQ(test::readFile(outside + "/kept.txt"), "outside\n");
            if (fault == CutShort) {
                EXPECT_EQ(test::readFile(w.target), old);
            }
        }
    }
}

// The file systems of most USB sticks (FAT, exFAT) refuse every change of a
// file's mode; a child of this process is made to refuse it in the same way.
TEST(WriteFailure, AModeTheFileSystemRefusesLosesNoWrite)
{
    test::ScopedEnvironment env;
    const QString source = env.path() + "/MainConfA.ini";
    test::writeFile(source, "[main]\nApp=Korvalen\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sock_filter refuseChmod[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fchmod, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        const sock_fprog program{static_cast<unsigned short>(std::size(refuseChmod)), refuseChmod};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program))
            ::_exit(2);
        if (::fchmod(STDIN_FILENO, 0600) == 0)
            ::_exit(3); // not refused: the test would prove nothing
        const bool written = platform::copyFileReplacing(source, env.path() + "/backup.ini") &&
                             platform::WritePrivateProfileString("main", "PosX", "5", source);
        ::_exit(written ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(test::readFile(env.path() + "/backup.ini"), "[main]\nApp=Korvalen\n");
    EXPECT_EQ(test::readFile(source), "[main]\nApp=Korvalen\nPosX=5\n");
}

} // namespace
