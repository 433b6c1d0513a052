#include "ui/KorvalenDlg.h"

#include "core/DailyLog.h"
#include "core/NetThread.h"
#include "core/Workers.h"
#include "platform/DateTime.h"
#include "platform/programs/Shell.h"
#include "platform/sound/Sound.h"

#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

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

using test::RecordingSound;
using test::RecordingSpeech;

constexpr int kWorkerWaitMs = 10000;

std::string joined(const QStringList& list)
{
    return list.join(QStringLiteral(", ")).toStdString();
}

// Programs that would be started, as the program followed by its arguments.
class RecordingShell : public platform::ShellService
{
public:
    bool startProgram(const QString& program, const QStringList& arguments, bool) override
    {
        std::lock_guard guard(m_lock);
        m_started.push_back(QStringList{program} + arguments);
        return true;
    }
    bool openUrl(const QUrl&) override { return true; }

    std::vector<QStringList> started()
    {
        std::lock_guard guard(m_lock);
        return m_started;
    }

private:
    std::mutex m_lock;
    std::vector<QStringList> m_started;
};

// The state a result changes in a box.
struct Stored
{
    const BoxRecord* box;
    int status;
    uint32_t reply;
    uint32_t code;
    bool operator==(const Stored&) const = default;
};

std::vector<Stored> storedState(const CKorvalenDlg& dlg)
{
    std::vector<Stored> state;
    for (const BoxRecord* box : dlg.m_pBoxes)
        if (box)
            state.push_back(Stored{box, box->m_nStatus, box->m_dwLastValue, box->m_dwLastCode});
    return state;
}

const char* const kRouter = "Text=Router\nIPAdress=127.0.0.1\nVerifyMetod=1\n";
const char* const kPrinter = "Text=Printer\nIPAdress=127.0.0.2\nVerifyMetod=1\n";
const char* const kGate = "Text=Gate\nIPAdress=127.0.0.3\nVerifyMetod=2\nPort=8080\n";

class CheckResult : public ::testing::Test
{
protected:
    CheckResult()
    {
        platform::setSoundOutput(&sound);
        platform::setSpeechOutput(&speech);
        platform::setShellService(&shell);
    }
    ~CheckResult() override
    {
        dlg.reset();
        waitForWorkers(kWorkerWaitMs);
        platform::setSoundOutput(nullptr);
        platform::setSpeechOutput(nullptr);
        platform::setShellService(nullptr);
    }
    void TearDown() override { EXPECT_TRUE(waitForWorkers(kWorkerWaitMs)); }

    // Writes the first instance's configuration with the boxes and opens the
    // window on it (not started: no check thread runs).
    void open(const QByteArray& main, const std::vector<QByteArray>& boxes)
    {
        dlg.reset();
        QDir().mkpath(env.dataDir());
        QByteArray text =
            "[main]\nFirstStart=0\nLogFileType=0\nNumBox=" + QByteArray::number(int(boxes.size())) + "\n" +
            main;
        for (size_t i = 0; i < boxes.size(); ++i)
            text += "[Box " + QByteArray::number(int(i)) + "]\n" + boxes[i];
        test::writeFile(env.dataDir() + QStringLiteral("/MainConfA.ini"), text);
        dlg = std::make_unique<CKorvalenDlg>(nullptr, 0);
        EXPECT_EQ(dlg->NumBox, int(boxes.size()));
        // Nothing logged by an earlier window of the same test.
        const QDir logs(dlg->m_strLogsDir);
        for (const QString& day : logs.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            QDir(logs.filePath(day)).removeRecursively();
    }

    BoxRecord& box(int index) { return *dlg->m_pBoxes[size_t(index)]; }

    void report(int status, int index, const CheckReply* reply)
    {
        dlg->OnCheckResult(packCheckResult(status, index), reinterpret_cast<platform::LPARAM>(reply));
    }

    // Every file below the logs folder, relative to it.
    QStringList logFiles() const
    {
        QStringList files;
        QDirIterator it(dlg->m_strLogsDir, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(dlg->m_strLogsDir).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    RecordingSound sound;
    RecordingSpeech speech;
    RecordingShell shell;
    std::unique_ptr<CKorvalenDlg> dlg;
};

TEST_F(CheckResult, StoresTheReplyOfTheBoxAtTheIndex)
{
    open("", {kRouter, kPrinter, kGate});
    const std::vector<Stored> before = storedState(*dlg);
    const CheckReply reply{13, 11010, 0, 0};
    report(STATUS_DOWN, 1, &reply);
    EXPECT_EQ(box(1).m_nStatus, STATUS_DOWN);
    EXPECT_EQ(box(1).m_dwLastValue, 13u);
    EXPECT_EQ(box(1).m_dwLastCode, 11010u);
    // The other boxes are untouched.
    const std::vector<Stored> after = storedState(*dlg);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_EQ(after[2], before[2]);
}

TEST_F(CheckResult, DirectCallStoresNoReplyTimeAndNoCode)
{
    for (int status : {STATUS_UP, STATUS_NET_ERROR, STATUS_CHECKING, STATUS_DISABLED}) {
        SCOPED_TRACE(status);
        open("", {kRouter, kPrinter});
        box(0).m_dwLastValue = 5;
        box(0).m_dwLastCode = 7;
        // A direct call carries no thread start: it is taken whatever thread
        // serves the box.
        box(0).m_nThreadStart = 9;
        report(status, 0, nullptr);
        EXPECT_EQ(box(0).m_nStatus, status);
        EXPECT_EQ(box(0).m_dwLastValue, 0xFFFFFFFFu);
        EXPECT_EQ(box(0).m_dwLastCode, 0u);
    }
}

TEST_F(CheckResult, ResultOfTheThreadThatServesTheBoxIsTaken)
{
    open("", {kRouter});
    box(0).m_nThreadStart = 41;
    const CheckReply reply{20, 0, 41, 0};
    report(STATUS_UP, 0, &reply);
    EXPECT_EQ(box(0).m_nStatus, STATUS_UP);
    EXPECT_EQ(box(0).m_dwLastValue, 20u);
}

TEST_F(CheckResult, ResultsForNoBoxAreDropped)
{
    // Every box notifies on Down in every way, so that a result that slips
    // through shows as a sound, a message box or a log line too.
    const QByteArray notifying = "Sound=2\nMsgBox=2\nLogging=1\nExecFileCheck=1\nExecFileStatusCheck=2\n"
                                 "ExecFilePath=/opt/notify\n";
    const struct
    {
        const char* what;
        std::function<void(CKorvalenDlg&)> prepare;
        int index;
        uint64_t threadStart;
    } cases[] = {
        {"index 0xFFFF", {}, 0xFFFF, 0},
        {"index past NumBox", {}, 4, 0},
        {"index far past NumBox", {}, 69, 0},
        {"index past the last place", {}, 70, 0},
        {"index 0xFFFE", {}, 0xFFFE, 0},
        {"index NumBox, empty place", {}, 3, 0},
        {"NumBox 0", [](CKorvalenDlg& d) { d.NumBox = 0; }, 0, 0},
        {"NumBox negative", [](CKorvalenDlg& d) { d.NumBox = -1; }, 0, 0},
        {"NumBox 70, index 70", [](CKorvalenDlg& d) { d.NumBox = 70; }, 70, 0},
        {"NumBox 70, empty place", [](CKorvalenDlg& d) { d.NumBox = 70; }, 50, 0},
        {"deleted box",
         [](CKorvalenDlg& d) {
             delete d.m_pBoxes[1];
             d.m_pBoxes[1] = nullptr;
         },
         1, 0},
        {"another thread start", [](CKorvalenDlg& d) { d.m_pBoxes[0]->m_nThreadStart = 7; }, 0, 8},
        {"an earlier thread start", [](CKorvalenDlg& d) { d.m_pBoxes[0]->m_nThreadStart = 7; }, 0, 6},
        {"a thread start for a box that has none", {}, 2, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open("EnableLog=1\n", {kRouter + notifying, kPrinter + notifying, kGate + notifying});
        if (c.prepare)
            c.prepare(*dlg);
        const std::vector<Stored> before = storedState(*dlg);
        const CheckReply reply{13, 11010, c.threadStart, 0};
        report(STATUS_DOWN, c.index, &reply);
        EXPECT_EQ(storedState(*dlg), before);
        ASSERT_TRUE(waitForWorkers(kWorkerWaitMs));
        EXPECT_TRUE(sound.played().isEmpty()) << joined(sound.played());
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_TRUE(shell.started().empty());
        EXPECT_TRUE(logFiles().isEmpty()) << joined(logFiles());
        dlg.reset();
    }
}

TEST_F(CheckResult, PlaceAfterTheLastBoxIsHandledWhileItHoldsABox)
{
    open("", {kRouter, kPrinter, "Text=Last\nSound=1\n"});
    // The copy of the last box while it is duplicated.
    auto* copy = new BoxRecord(dlg->Handle(), 3);
    copy->Text = QStringLiteral("Copy");
    copy->VerifyMetod = METHOD_PING;
    copy->Sound = 1;
    dlg->m_pBoxes[3] = copy;
    const std::vector<Stored> before = storedState(*dlg);

    const CheckReply reply{21, 0, 0, 0};
    report(STATUS_UP, 3, &reply);
    EXPECT_EQ(copy->m_nStatus, STATUS_UP);
    EXPECT_EQ(copy->m_dwLastValue, 21u);
    ASSERT_TRUE(waitForWorkers(kWorkerWaitMs));
    EXPECT_EQ(sound.played(), QStringList{QStringLiteral("builtin:IDW_UP")});
    // Only the copy took the result.
    const std::vector<Stored> after = storedState(*dlg);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(after[i], before[i]) << i;

    // One further is no box.
    report(STATUS_DOWN, 4, &reply);
    EXPECT_EQ(copy->m_nStatus, STATUS_UP);
}

TEST_F(CheckResult, SoundsReachTheOutput)
{
    const QString upFile = env.path() + QStringLiteral("/up.wav");
    test::writeFile(upFile, "RIFF");
    open("", {QByteArray(kRouter) + "Sound=2\n",
              QByteArray(kPrinter) + "Sound=1\nCustomSoundCheck=1\nUpPath=" + upFile.toUtf8() + "\n",
              QByteArray(kGate) + "Sound=4\nSpeechTextCheck=8\nCloseTextString=%name closed\n"});
    const CheckReply reply{15, 0, 0, 0};
    report(STATUS_DOWN, 0, &reply);
    report(STATUS_UP, 1, &reply);
    report(STATUS_UP, 2, &reply);
    report(STATUS_CLOSE, 2, &reply);
    ASSERT_TRUE(waitForWorkers(kWorkerWaitMs));
    QStringList played = sound.played();
    played.sort();
    EXPECT_EQ(played, (QStringList{QStringLiteral("builtin:IDW_DOWN"), QStringLiteral("file:") + upFile}));
    EXPECT_EQ(speech.spoken(), QStringList{QStringLiteral("Gate closed")});

    // The same statuses again: the episodes have had their sound.
    report(STATUS_DOWN, 0, &reply);
    report(STATUS_UP, 1, &reply);
    report(STATUS_CLOSE, 2, &reply);
    ASSERT_TRUE(waitForWorkers(kWorkerWaitMs));
    EXPECT_EQ(sound.played().size(), 2);
    EXPECT_EQ(speech.spoken().size(), 1);
}

TEST_F(CheckResult, MessageBoxIsPostedOncePerEpisode)
{
    open("", {QByteArray(kRouter) + "MsgBox=2\nnMSGB=1\nMsgBoxDesc=%name is %status\n", kPrinter});
    ASSERT_TRUE(messages.shown.empty());
    const CheckReply reply{0xFFFFFFFF, 11010, 0, 0};
    for (int i = 0; i < 4; ++i) {
        report(STATUS_DOWN, 0, &reply);
        ASSERT_TRUE(waitForWorkers(kWorkerWaitMs));
        // The second Down is the one (one repeat).
        EXPECT_EQ(messages.shown.size(), i == 0 ? 0u : 1u) << "report " << i;
    }
    ASSERT_EQ(messages.shown.size(), 1u);
    const auto& shown = messages.shown[0];
    EXPECT_FALSE(shown.waited);
    EXPECT_EQ(shown.caption, QStringLiteral("Korvalen"));
    EXPECT_TRUE(shown.text.contains(QStringLiteral("Name: Router"))) << shown.text.toStdString();
    EXPECT_TRUE(shown.text.contains(QStringLiteral("Router is Down"))) << shown.text.toStdString();
}

TEST_F(CheckResult, LoggedChangesAreWrittenIntoTheDayFile)
{
    const struct
    {
        const char* main;
        const char* box;
        bool logs;
    } cases[] = {
        {"EnableLog=1\n", "Logging=0\n", true},
        {"EnableLog=0\n", "Logging=1\n", true},
        {"EnableLog=0\n", "Logging=0\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.main << c.box);
        open(c.main, {QByteArray(kRouter) + c.box, kPrinter});
        const platform::LocalStamp first = platform::localStampNow();
        const CheckReply down{0xFFFFFFFF, 0, 0, 0};
        const CheckReply up{13, 0, 0, 0};
        for (const auto& [status, reply] : {std::pair{STATUS_CHECKING, &down}, std::pair{STATUS_DOWN, &down},
                                            std::pair{STATUS_DOWN, &down}, std::pair{STATUS_UP, &up}}) {
            report(status, 0, reply);
            // One line after the other, in order.
            ASSERT_TRUE(waitForWorkers(kWorkerWaitMs));
        }
        const platform::LocalStamp last = platform::localStampNow();
        const QStringList files = logFiles();
        if (!c.logs) {
            EXPECT_TRUE(files.isEmpty()) << joined(files);
            continue;
        }
        ASSERT_EQ(files.size(), 1) << joined(files);
        const QString path = dlg->m_strLogsDir + files[0];
        const QString folder = QFileInfo(path).absolutePath() + u'/';
        EXPECT_TRUE(folder == dailylog::dayFolder(dlg->m_strLogsDir, first) ||
                    folder == dailylog::dayFolder(dlg->m_strLogsDir, last))
            << folder.toStdString();
        EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("127.0.0.1_Ping.txt"));
        const QStringList lines =
            QString::fromUtf8(test::readFile(path)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2) << joined(lines);
        EXPECT_TRUE(lines[0].contains(QStringLiteral(" | Down | Timeout | 0"))) << lines[0].toStdString();
        EXPECT_TRUE(lines[1].contains(QStringLiteral(" | Up | 13 | 0"))) << lines[1].toStdString();
    }
}

TEST_F(CheckResult, WorkersKeepTheirCopyWhenTheBoxIsDeleted)
{
    const QByteArray notifying = "Sound=8\nMsgBox=8\nLogging=1\nExecFileCheck=1\nExecFileStatusCheck=16\n"
                                 "ExecFilePath=/opt/notify\nExecFileParam=%name\n";
    open("", {QByteArray(kRouter) + notifying, QByteArray(kPrinter) + notifying});
    const CheckReply net{0xFFFFFFFF, 11010, 0, 0};
    const CheckReply ip{0xFFFFFFFF, 11001, 0, 0};
    report(STATUS_NET_ERROR, 0, &net);
    report(STATUS_IP_ERROR, 1, &ip);
    // Deleted at once, while the workers may not even have started.
    for (int i : {0, 1}) {
        delete dlg->m_pBoxes[size_t(i)];
        dlg->m_pBoxes[size_t(i)] = nullptr;
    }
    dlg->NumBox = 0;
    ASSERT_TRUE(waitForWorkers(kWorkerWaitMs));

    // A program for NET ERROR only.
    const std::vector<QStringList> started = shell.started();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], (QStringList{QStringLiteral("/opt/notify"), QStringLiteral("Router")}));

    // Message boxes, sounds and log lines for both.
    ASSERT_EQ(messages.shown.size(), 2u);
    QStringList texts;
    for (const auto& shown : messages.shown)
        texts << shown.text;
    texts.sort();
    EXPECT_TRUE(texts[0].contains(QStringLiteral("Name: Printer"))) << texts[0].toStdString();
    EXPECT_TRUE(texts[0].contains(QStringLiteral("IP ERROR"))) << texts[0].toStdString();
    EXPECT_TRUE(texts[1].contains(QStringLiteral("Name: Router"))) << texts[1].toStdString();
    EXPECT_TRUE(texts[1].contains(QStringLiteral("NET ERROR"))) << texts[1].toStdString();
    EXPECT_EQ(sound.played(), (QStringList{QStringLiteral("builtin:IDW_COMPERROR"),
                                           QStringLiteral("builtin:IDW_COMPERROR")}));
    QStringList files = logFiles();
    ASSERT_EQ(files.size(), 2) << joined(files);
    std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return QFileInfo(a).fileName() < QFileInfo(b).fileName();
    });
    EXPECT_EQ(QFileInfo(files[0]).fileName(), QStringLiteral("127.0.0.1_Ping.txt"));
    EXPECT_EQ(QFileInfo(files[1]).fileName(), QStringLiteral("127.0.0.2_Ping.txt"));
    EXPECT_TRUE(QString::fromUtf8(test::readFile(dlg->m_strLogsDir + files[0]))
                    .contains(QStringLiteral("NET ERROR")));
    EXPECT_TRUE(
        QString::fromUtf8(test::readFile(dlg->m_strLogsDir + files[1])).contains(QStringLiteral("IP ERROR")));
}

} // namespace
