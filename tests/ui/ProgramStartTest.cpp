// Programs the user starts from the strip: one that does not start is named,
// with why and what would fix it.
#include "TestSupport.h"

#include "platform/programs/ProgramStart.h"
#include "platform/programs/Shell.h"
#include "ui/KorvalenDlg.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

#include <csignal>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>

// Mounts a tmpfs that runs no programs on `folder`, in a mount namespace of
// the calling thread's own; false when this process may not (it takes root).
bool mountNoExecForThisThread(const QString& folder)
{
    const QByteArray target = QFile::encodeName(folder);
    return QDir().mkpath(folder) && ::unshare(CLONE_NEWNS) == 0 &&
           ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount("tmpfs", target.constData(), "tmpfs", MS_NOEXEC, "size=8m") == 0;
}

// Runs on a thread of its own, which may mount a file system for itself.
void startEachProgram(bool& noexecRan)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("argv"), script = dir.filePath("old.sh"),
                  noexec = dir.filePath("noexec");
    test::writeFile(script, "#!/nonexistent/interpreter\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
    QFile::link(ARGV_RECORDER, dir.filePath("recorder-here"));
    noexecRan = mountNoExecForThisThread(noexec) && QFile::copy(ARGV_RECORDER, noexec + "/recorder");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const std::pair<QString, const char*> cases[] = {
        {ARGV_RECORDER, ""}, // starts
        {"  " ARGV_RECORDER " ", ""},
        {"", "No program is set"},
        {"korvalen-no-such-program", "search path (PATH)"},
        {"recorder-here", "search path (PATH)"}, // never the current folder's
        {"bin/mailer", "relative path"},
        {dir.filePath("gone"), "no such file"},
        {dir.path(), "It is a folder"},
        {script, "interpreter"},
        {noexec + "/recorder", "file system does not allow programs"},
    };
    for (const bool custom : {true, false}) {
        for (const auto& [program, says] : cases) {
            if (program.startsWith(noexec) && !noexecRan)
                continue;
            SCOPED_TRACE(program.toStdString());
            test::RecordingMessageBoxes boxes;
            if (custom)
                CKorvalenDlg::RunCustomAppThread(BoxSnapshot{}, {"Mail", program, '"' + out + '"'});
            else
                CKorvalenDlg::DoubleClickActionThread(BoxSnapshot{}, program, '"' + out + '"');
            EXPECT_TRUE(*says || test::waitFor([&] { return QFile::remove(out); }));
            const QString what = custom ? "the custom application \"Mail\"" : "the double-click program";
            const QString text = boxes.shown.empty() ? QString() : boxes.shown[0].text;
            EXPECT_TRUE(
                *says ? boxes.shown.size() == 1 && text.contains(says) &&
                            text.startsWith("Korvalen could not start " + what + ":\n" + program + "\n\n")
                      : boxes.shown.empty())
                << text.toStdString();
        }
    }
    QDir::setCurrent(before);
    if (noexecRan) // or the folder could not be removed
        ::umount(QFile::encodeName(noexec).constData());
}

TEST(ProgramStart, AProgramThatDoesNotStartIsNamedWithWhatWouldFixIt)
{
    bool noexecRan = false;
    std::thread([&] { startEachProgram(noexecRan); }).join();
    if (!noexecRan)
        GTEST_SKIP() << "the case of a noexec file system needs a mount namespace, which takes root";
}

// A file that is no program is opened as a document; with no application for
// it, the user is told what would open it.
TEST(ProgramStart, ADocumentNoApplicationOpensIsNamed)
{
    struct : platform::ShellService
    {
        bool startProgram(const QString&, const QStringList&, bool) override { return started = true; }
        bool openUrl(const QUrl&) override { return false; }
        int openAndWait(const QUrl&) override { return platform::kOpenerNoApplication; }
        bool started = false;
    } shell;
    platform::setShellService(&shell);
    QTemporaryDir dir;
    test::writeFile(dir.filePath("notes.txt"), "text");
    test::RecordingMessageBoxes boxes;
    CKorvalenDlg::RunCustomAppThread(BoxSnapshot{}, {"Notes", dir.filePath("notes.txt"), "%name"});
    platform::setShellService(nullptr);
    EXPECT_FALSE(shell.started);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.startsWith("Korvalen could not open the custom application \"Notes\""));
    EXPECT_TRUE(boxes.shown[0].text.contains("install an application for that kind of file"));
}

// A watched program that fails within its first seconds is told with the last
// line of its error output; one that succeeds, or fails later, is not.
TEST(ProgramStart, AWatchedProgramThatFailsAtOnceIsToldWithItsLastErrorLine)
{
    using std::chrono::milliseconds;
    const struct
    {
        int status;
        milliseconds lasted;
        QByteArray errors;
        QString reason;
    } cases[] = {
        {W_EXITCODE(131, 0), milliseconds(80), "loading\nERRCONNECT_CONNECT_FAILED \n\n",
         "ERRCONNECT_CONNECT_FAILED"},
        {W_EXITCODE(2, 0), milliseconds(80), "", "It ended with exit status 2."},
        {SIGSEGV, milliseconds(80), "", "It was ended by signal 11."},
        {W_EXITCODE(0, 0), milliseconds(80), "warning\n", ""},
        {W_EXITCODE(1, 0), platform::kEarlyEnd, "disconnected\n", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::earlyFailureReason(c.status, c.lasted, c.errors), c.reason)
            << c.errors.toStdString();

    test::RecordingMessageBoxes boxes;
    ASSERT_TRUE(
        platform::startWatchedOrTell("the remote desktop client", "/bin/sh",
                                     {"-c", "echo starting >&2; echo 'no route to host' >&2; exit 1"}));
    ASSERT_TRUE(test::waitFor([&] {
        std::lock_guard guard(boxes.lock);
        return !boxes.shown.empty();
    }));
    EXPECT_EQ(boxes.shown[0].text, "Korvalen started the remote desktop client:\n/bin/sh\n\n"
                                   "It ended within seconds, saying:\nno route to host");
}
