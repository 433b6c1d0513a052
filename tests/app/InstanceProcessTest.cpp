// Starts the real program as separate processes and checks how instances
// share the machine: one process per instance, activation of the running one,
// and recovery after a process was killed.
#include "TestSupport.h"

#include "app/KorvalenApp.h"
#include "platform/desktop/Instance.h"
#include "platform/files/DataFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <linux/capability.h>
#include <memory>
#include <optional>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(KORVALEN_BINARY);

class InstanceProcessTest : public ::testing::Test
{
protected:
    ~InstanceProcessTest() override
    {
        for (auto& process : m_processes) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    QProcess* start(const QStringList& arguments = {}, const QString& appData = QString())
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        if (!appData.isEmpty())
            env.insert(QStringLiteral("APPDATA"), appData);
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(kProgram, arguments);
        EXPECT_TRUE(process->waitForStarted(5000));
        m_processes.push_back(std::move(process));
        return m_processes.back().get();
    }

    QString socketOf(int instance, const QString& dataDir = QString()) const
    {
        static const char* const titles[] = {"Korvalen.", "Korvalen. Sec", "Korvalen. Ter"};
        return platform::instanceSocketPath(titles[instance], dataDir.isEmpty() ? m_env.dataDir() : dataDir);
    }

    // The program listens for activation once its window exists. Loading and
    // painting seventy big tiles under the address checks on a loaded
    // machine took more than ten seconds: a minute is the bound.
    bool waitUntilListening(int instance, QProcess* process, const QString& dataDir = QString())
    {
        return test::waitFor(
                   [&] {
                       return QFileInfo(socketOf(instance, dataDir)).exists() ||
                              process->state() == QProcess::NotRunning;
                   },
                   60000) &&
               process->state() == QProcess::Running;
    }

    // Starts in this process as `arguments` say; true when the start went on
    // as the instance's only process (it is stopped there), false when it
    // ended.
    static bool startRuns(const QStringList& arguments, int answerWaitMs = 10000)
    {
        struct Ran
        {
        };
        theApp.m_answerWaitMs = answerWaitMs;
        theApp.m_setUpOutputs = [] { throw Ran{}; };
        bool ran = false;
        try {
            EXPECT_FALSE(theApp.InitInstance(arguments));
        } catch (const Ran&) {
            ran = true;
        }
        theApp.m_answerWaitMs = 10000;
        theApp.m_setUpOutputs = nullptr;
        return ran;
    }

    static bool finishes(QProcess* process, int timeoutMs = 10000)
    {
        return test::waitFor([&] { return process->state() == QProcess::NotRunning; }, timeoutMs);
    }

    test::ScopedEnvironment m_env;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

// The resident memory of a process in kB, or -1 when it cannot be read.
long residentKilobytes(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

TEST_F(InstanceProcessTest, SecondStartActivatesRunningInstanceAndEnds)
{
    // This test process plays the running instance: it holds the lock and answers.
    ASSERT_EQ(platform::acquireInstanceLock(m_env.dataDir(), "Tamsorin KorvalenA", socketOf(0)),
              platform::InstanceLockResult::Acquired);
    int activations = 0;
    platform::InstanceServer server(socketOf(0), [&] { ++activations; });
    ASSERT_TRUE(server.isListening());

    QProcess* second = start();
    ASSERT_TRUE(finishes(second));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(activations, 1);
    // It ended before building a window of its own: no configuration was made.
    EXPECT_FALSE(QFileInfo::exists(m_env.dataDir() + QStringLiteral("/MainConfA.ini")));
}

// A second start that only brings the running window forward sets up no
// sound: no audio connection is tried, and it says nothing at all, even
// without a runtime folder (it reaches the socket the lock names).
TEST_F(InstanceProcessTest, SecondStartThatActivatesPrintsNothingAndMakesNoAudioConnection)
{
    ASSERT_EQ(platform::acquireInstanceLock(m_env.dataDir(), "Tamsorin KorvalenC", socketOf(2)),
              platform::InstanceLockResult::Acquired);
    int activations = 0;
    platform::InstanceServer server(socketOf(2), [&] { ++activations; });
    ASSERT_TRUE(server.isListening());

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // A sound server that is not there: any try to reach it would be said.
    env.insert(QStringLiteral("PULSE_SERVER"),
               QStringLiteral("unix:") + m_env.path() + QStringLiteral("/nothing"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    second.setProcessEnvironment(env);
    second.start(kProgram, {QStringLiteral("/tertiary")});
    ASSERT_TRUE(second.waitForStarted(5000));
    ASSERT_TRUE(finishes(&second));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(activations, 1);
    EXPECT_EQ(second.readAllStandardError(), QByteArray());
    EXPECT_EQ(second.readAllStandardOutput(), QByteArray());
}

// A start whose twin cannot be reached says why and ends, leaving whatever
// holds the lock's name as it was.
TEST_F(InstanceProcessTest, SecondStartThatCannotReachItsTwinSaysWhyAndEnds)
{
    const QString notes = m_env.path() + QStringLiteral("/notes.txt");
    const QString lock = m_env.dataDir() + QStringLiteral("/Tamsorin KorvalenB.lock");
    const struct
    {
        std::function<void()> plant;
        const char* said;
    } cases[] = {
        {[&] { platform::acquireInstanceLock(m_env.dataDir(), "Tamsorin KorvalenB", socketOf(1)); },
         "but it does not answer"},
        {[&] { QFile::link(notes, lock); }, "cannot be used: it is a symbolic link"},
        {[&] { ::link(QFile::encodeName(notes), QFile::encodeName(lock)); }, "it is a hard link"},
        {[&] { ::mkfifo(QFile::encodeName(lock), 0600); }, "it is not a regular file"},
    };
    for (const auto& c : cases) {
        test::writeFile(notes, "mine\n");
        QFile::remove(lock);
        ASSERT_TRUE(QDir().mkpath(m_env.dataDir()));
        c.plant();
        test::RecordingMessageBoxes boxes;
        EXPECT_FALSE(startRuns({kProgram, QStringLiteral("/secondary")}, 300));
        const QString text = boxes.shown.size() == 1 ? boxes.shown[0].text : QString();
        EXPECT_TRUE(text.contains(m_env.dataDir() + "/MainConfB.ini\n") && text.contains(c.said))
            << text.toStdString();
        EXPECT_EQ(test::readFile(notes), "mine\n");
        EXPECT_FALSE(QFileInfo::exists(m_env.dataDir() + QStringLiteral("/MainConfB.ini")));
    }
}

// Two data folders in one session: each instance keeps its own socket, and
// each answers for its own configuration.
TEST_F(InstanceProcessTest, TwoConfigurationsInOneSessionEachAnswerOnTheirOwnSocket)
{
    const QString other = m_env.path() + QStringLiteral("/other");
    ASSERT_TRUE(waitUntilListening(0, start()));
    ASSERT_TRUE(waitUntilListening(0, start({}, other), other + QStringLiteral("/Korvalen")));
    EXPECT_NE(socketOf(0), socketOf(0, other + QStringLiteral("/Korvalen")));
    EXPECT_TRUE(platform::activateRunningInstance(socketOf(0)));
    EXPECT_TRUE(platform::activateRunningInstance(socketOf(0, other + QStringLiteral("/Korvalen"))));
    EXPECT_EQ(m_processes[0]->state(), QProcess::Running);
}

// A start from a session with another runtime folder, or none, reaches the
// socket the lock names while it lies in a folder only this user may enter;
// when it does not, the start says that the instance runs elsewhere and ends.
TEST_F(InstanceProcessTest, SecondStartFromAnotherSessionReachesTheNamedSocketOrSaysWhy)
{
    ASSERT_TRUE(waitUntilListening(0, start()));
    const struct
    {
        QString runtime;
        QFile::Permissions holders;
        bool said;
    } cases[] = {
        {m_env.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner, false},
        {QString(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner, false},
        {m_env.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther, true},
    };
    for (const auto& c : cases) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(c.runtime));
        QFile::setPermissions(m_env.runtimeDir(), c.holders);
        test::RecordingMessageBoxes boxes;
        EXPECT_FALSE(startRuns({kProgram}));
        const QString text = boxes.shown.size() == 1 ? boxes.shown[0].text : QString();
        EXPECT_EQ(c.said, text.contains(m_env.dataDir() + "/MainConfA.ini\nstarted in another session") &&
                              text.contains('\n' + m_env.runtimeDir() + "\nand this one's is\n" +
                                            platform::runtimeFolder() + '\n'))
            << text.toStdString();
        EXPECT_EQ(boxes.shown.size(), c.said ? 1u : 0u);
    }
    EXPECT_EQ(m_processes[0]->state(), QProcess::Running);
}

// An instance that ends closes its socket before the system drops its lock:
// a start in between waits for the lock and runs once it has it.
TEST_F(InstanceProcessTest, StartWhileTheInstanceEndsRunsOnceTheLockIsFree)
{
    ASSERT_TRUE(QDir().mkpath(m_env.dataDir()));
    const QString lock = platform::instanceLockFile(m_env.dataDir(), QStringLiteral("Tamsorin KorvalenA"));
    QProcess holder; // holds the lock, without a socket, for half a second
    holder.start(QStringLiteral("flock"), {lock, QStringLiteral("sleep"), QStringLiteral("0.5")});
    ASSERT_TRUE(test::waitFor([&] {
        const int fd = ::open(QFile::encodeName(lock).constData(), O_RDONLY | O_CLOEXEC);
        const bool held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        ::close(fd);
        return held;
    }));
    test::RecordingMessageBoxes boxes;
    EXPECT_TRUE(startRuns({kProgram}));
    EXPECT_TRUE(boxes.shown.empty());
}

// Without a lock file it can use, a start asks the socket first; when no
// instance answers there it runs, and says once that another copy could not be
// ruled out, and why.
TEST_F(InstanceProcessTest, WithoutAUsableLockFileAStartTriesTheSocketThenRunsAndSaysWhy)
{
    // Root passes over file modes: this thread gives up that power meanwhile.
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2] = {}, without[2];
    ASSERT_EQ(::syscall(SYS_capget, &header, caps), 0);
    std::copy(caps, caps + 2, without);
    without[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    ASSERT_EQ(::syscall(SYS_capset, &header, without), 0);
    const auto restore = qScopeGuard([&] { ::syscall(SYS_capset, &header, caps); });
    const QString lock = platform::instanceLockFile(m_env.dataDir(), QStringLiteral("Tamsorin KorvalenB"));
    const struct
    {
        const char* made; // the lock file, or the folder when it has none
        mode_t mode;
        bool answered;
    } cases[] = {{"file", 0, true}, {"file", 0, false}, {"folder", 0500, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.made);
        QProcess* running = c.answered ? start({QStringLiteral("/secondary")}) : nullptr;
        ASSERT_TRUE(!running || waitUntilListening(1, running));
        QFile::remove(lock);
        if (c.made == std::string_view("file"))
            test::writeFile(lock, QByteArray());
        ::chmod(QFile::encodeName(c.made == std::string_view("file") ? lock : m_env.dataDir()), c.mode);
        test::RecordingMessageBoxes boxes;
        EXPECT_EQ(startRuns({kProgram, QStringLiteral("/secondary")}), !c.answered);
        if (running) // killed, it leaves a socket that nobody answers on
            running->kill();
        ASSERT_TRUE(!running || finishes(running));
        const QString text = boxes.shown.empty() ? QString() : boxes.shown[0].text;
        EXPECT_EQ(boxes.shown.size(), c.answered ? 0u : 1u);
        EXPECT_EQ(c.answered, !text.contains('\n' + lock + "\ncannot be used: Permission denied."))
            << text.toStdString();
        ::chmod(QFile::encodeName(m_env.dataDir()), 0700);
    }
}

// A socket file is taken over only where nobody answers on it (as after a
// kill), and removed at the end only while it is still the server's own.
TEST_F(InstanceProcessTest, ASocketIsTakenOverOrRemovedOnlyWhereNobodyAnswers)
{
    auto first = std::make_unique<platform::InstanceServer>(socketOf(0), nullptr);
    const platform::InstanceServer second(socketOf(0), nullptr);
    EXPECT_FALSE(second.isListening());
    QFile::remove(socketOf(0));
    const platform::InstanceServer third(socketOf(0), nullptr);
    EXPECT_TRUE(third.isListening());
    first.reset();
    QLocalSocket client; // the system accepts for a server that listens
    client.connectToServer(socketOf(0));
    EXPECT_TRUE(client.waitForConnected(1000));
}

TEST_F(InstanceProcessTest, ActivationGivesUpOnAnInstanceThatDoesNotAnswer)
{
    // Accepts connections (the kernel does, from the backlog) but never replies.
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(socketOf(2)));
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(platform::activateRunningInstance(socketOf(2), 300));
    EXPECT_LT(timer.elapsed(), 3000);
}

TEST_F(InstanceProcessTest, TwoProcessesOfOneInstance)
{
    QProcess* first = start();
    ASSERT_TRUE(waitUntilListening(0, first));

    QProcess* second = start();
    ASSERT_TRUE(finishes(second));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(first->state(), QProcess::Running);
    // The running instance still answers.
    EXPECT_TRUE(platform::activateRunningInstance(socketOf(0)));
}

TEST_F(InstanceProcessTest, ThreeInstancesRunSideBySideWithTheirOwnFiles)
{
    QProcess* a = start();
    QProcess* b = start({QStringLiteral("/secondary")});
    QProcess* c = start({QStringLiteral("--x"), QStringLiteral("/tertiary")});
    ASSERT_TRUE(waitUntilListening(0, a));
    ASSERT_TRUE(waitUntilListening(1, b));
    ASSERT_TRUE(waitUntilListening(2, c));
    // Each writes its new file once its window runs.
    for (const char* file : {"MainConfA.ini", "MainConfB.ini", "MainConfC.ini"})
        EXPECT_TRUE(test::waitFor([&] {
            return QFileInfo::exists(m_env.dataDir() + u'/' + QString::fromLatin1(file));
        })) << file;
    EXPECT_TRUE(platform::activateRunningInstance(socketOf(1)));
    EXPECT_EQ(a->state(), QProcess::Running);
    EXPECT_EQ(b->state(), QProcess::Running);
    EXPECT_EQ(c->state(), QProcess::Running);
}

TEST_F(InstanceProcessTest, FreshStartAfterTheFirstWasKilled)
{
    QProcess* first = start();
    ASSERT_TRUE(waitUntilListening(0, first));
    first->kill(); // SIGKILL: the lock and a stale socket file are left to the system
    ASSERT_TRUE(finishes(first));
    ASSERT_TRUE(QFileInfo(socketOf(0)).exists());

    QProcess* again = start();
    ASSERT_TRUE(test::waitFor([&] { return platform::activateRunningInstance(socketOf(0), 500); }));
    EXPECT_EQ(again->state(), QProcess::Running);
}

TEST_F(InstanceProcessTest, SeventyHandEditedHugeTilesStayUnderAHundredMegabytes)
{
    // Tiles of 1000 by 1000 count as the Options dialog's largest, 300 by
    // 200; as they are, the strip alone would take 280 MB. Beside it, the
    // second instance runs the same boxes at the usual 90 by 80.
    ASSERT_TRUE(QDir().mkpath(m_env.dataDir()));
    const struct
    {
        const char* file;
        const char* size;
        QStringList arguments;
    } runs[] = {{"MainConfA.ini", "XBox=1000\nYBox=1000", {}},
                {"MainConfB.ini", "XBox=90\nYBox=80", {QStringLiteral("/secondary")}}};
    QProcess* programs[2];
    for (int i = 0; i < 2; ++i) {
        QByteArray config =
            "[main]\nFirstStart=0\nNumBox=70\nPosX=0\nPosY=0\nWinPos=1\n" + QByteArray(runs[i].size) + "\n";
        for (int box = 0; box < 70; ++box)
            config += "[Box " + QByteArray::number(box) + "]\nText=Box " + QByteArray::number(box) +
                      "\nDisabled=1\n";
        test::writeFile(m_env.dataDir() + u'/' + QString::fromLatin1(runs[i].file), config);
        programs[i] = start(runs[i].arguments);
        ASSERT_TRUE(waitUntilListening(i, programs[i]));
    }
    // The windows are shown and painted once they listen; the most each
    // holds in the following two seconds is what it keeps.
    long most[2] = {0, 0};
    test::waitFor(
        [&] {
            for (int i = 0; i < 2; ++i)
                most[i] = std::max(most[i], residentKilobytes(programs[i]->processId()));
            return false;
        },
        2000);
    ASSERT_GT(most[1], 0);
    EXPECT_LT(most[0] - most[1], 30 * 1024) << most[0] << " kB against " << most[1] << " kB";
#ifndef __SANITIZE_ADDRESS__ // the address checks take memory of their own
    EXPECT_LT(most[0], 100 * 1024) << "kB";
#endif
    for (QProcess* program : programs)
        EXPECT_EQ(program->state(), QProcess::Running);
}

} // namespace

namespace {

// Ended by a signal, the program writes the settings still waiting (here
// the whole new file, held back by another holder of the folder's lock)
// before it ends, as Exit does.
TEST_F(InstanceProcessTest, EndedByASignalItWritesWhatWaitsFirst)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        const QString config = m_env.dataDir() + QStringLiteral("/MainConfA.ini");
        QFile::remove(config);
        QDir().mkpath(m_env.dataDir());
        const int folder = test::holdFolderLock(m_env.dataDir());
        ASSERT_GE(folder, 0);
        QProcess* process = start();
        ASSERT_TRUE(waitUntilListening(0, process));
        ::kill(pid_t(process->processId()), signal);
        QTimer::singleShot(1000, [folder] { ::close(folder); });
        ASSERT_TRUE(finishes(process, 20000));
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0);
        EXPECT_TRUE(test::readFile(config).contains("\nFirstStart=0\n"));
    }
}

} // namespace

namespace {

// A signal ignored when the program started (under nohup) stays ignored; a
// second one, while the first waits for the folder's lock, ends it at once.
TEST_F(InstanceProcessTest, AnIgnoredSignalStaysIgnoredAndASecondOneEndsAtOnce)
{
    const struct
    {
        int first, second;
        QProcess::ExitStatus status;
    } cases[] = {{SIGHUP, SIGTERM, QProcess::NormalExit}, {SIGTERM, SIGINT, QProcess::CrashExit}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        QDir().mkpath(m_env.dataDir());
        const int folder = test::holdFolderLock(m_env.dataDir());
        const auto earlier = ::signal(SIGHUP, SIG_IGN); // what the program inherits
        QProcess* process = start();
        ::signal(SIGHUP, earlier);
        ASSERT_TRUE(waitUntilListening(0, process));
        // Two kinds, so that neither is merged into the other; both come before
        // the lock is free, so before the first could have ended the program.
        ::kill(pid_t(process->processId()), c.first);
        ::kill(pid_t(process->processId()), c.second);
        ::close(folder);
        ASSERT_TRUE(finishes(process, 20000));
        EXPECT_EQ(process->exitStatus(), c.status);
    }
}

} // namespace
