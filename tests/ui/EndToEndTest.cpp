// The whole road on loopback: configuration, window, check threads, results,
// tiles and log lines.
#include "LoopbackServer.h"
#include "TestSupport.h"

#include "core/DailyLog.h"
#include "core/NetThread.h"
#include "core/Workers.h"
#include "platform/sound/Sound.h"
#include "ui/KorvalenDlg.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class StartedWindow : public CKorvalenDlg
{
public:
    using CKorvalenDlg::CKorvalenDlg;
    using CKorvalenDlg::OnInitDialog;
};

QByteArray box(int index, const QByteArray& name, const QByteArray& target, int method, uint16_t port)
{
    return "[Box " + QByteArray::number(index) + "]\nText=" + name + "\nIPAdress=" + target +
           "\nVerifyMetod=" + QByteArray::number(method) + "\nPort=" + QByteArray::number(port) +
           "\nPhrase=Korvalen test page\nCheckInterval=1\n";
}

TEST(EndToEnd, TilesTurnUpOpenCloseAndUpAndTheLogsHoldTheirLines)
{
    test::ScopedEnvironment env;
    test::RecordingMessageBoxes boxes;
    test::LoopbackServer web(test::httpResponse("<html>Korvalen test page</html>"));
    test::LoopbackServer listening(QByteArray(), true);
    const uint16_t closed = test::closedPort();
    const QByteArray url = "http://127.0.0.1:" + QByteArray::number(web.port()) + "/";

    QDir().mkpath(env.dataDir());
    test::writeFile(env.dataDir() + QStringLiteral("/MainConfA.ini"),
                    "[main]\nFirstStart=0\nNumBox=4\nEnableLog=1\nTimeOut=1000\n" +
                        box(0, "Loop", "127.0.0.1", 1, 80) +
                        box(1, "Open", "127.0.0.1", 2, listening.port()) +
                        box(2, "Shut", "127.0.0.1", 2, closed) + box(3, "Page", url, 3, 80));
    {
        StartedWindow window(nullptr, 0);
        window.OnInitDialog();
        const int expected[] = {STATUS_UP, STATUS_UP, STATUS_CLOSE, STATUS_UP};
        ASSERT_TRUE(test::waitFor([&] {
            for (int i = 0; i < 4; ++i)
                if (window.m_pBoxes[size_t(i)]->m_nStatus != expected[i])
                    return false;
            return true;
        })) << window.m_pBoxes[0]->m_nStatus
            << window.m_pBoxes[1]->m_nStatus << window.m_pBoxes[2]->m_nStatus
            << window.m_pBoxes[3]->m_nStatus;
        // For a reviewer to look at: the window as it shows now.
        EXPECT_TRUE(window.grab().save(QCoreApplication::applicationDirPath() +
                                       QStringLiteral("/window-sample.png")));
        window.close();
        // Closing lets every check go; they end by themselves.
        EXPECT_TRUE(test::waitFor([] { return CNetThread::RunningCount() == 0; }));
    }
    ASSERT_TRUE(waitForWorkers(10000));

    const QString day =
        dailylog::dayFolder(env.dataDir() + QStringLiteral("/Logs/"), platform::localStampNow());
    const struct
    {
        QString file;
        QString contains;
    } logs[] = {
        {QStringLiteral("127.0.0.1_Ping.txt"), QStringLiteral(" | Up | ")},
        {QStringLiteral("127.0.0.1_TCP_%1.txt").arg(listening.port()), QStringLiteral(" | Open | ")},
        {QStringLiteral("127.0.0.1_TCP_%1.txt").arg(closed), QStringLiteral(" | Close | ")},
        {QStringLiteral("127.0.0.1_URL_%1.txt").arg(web.port()), QStringLiteral(" | Korvalen test page\r\n")},
    };
    for (const auto& log : logs) {
        const QString text = QString::fromUtf8(test::readFile(day + log.file));
        EXPECT_TRUE(text.contains(log.contains)) << qPrintable(log.file) << ": " << qPrintable(text);
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n"))) << qPrintable(log.file);
    }
}

} // namespace

namespace {

class VolumeSpy : public platform::SoundOutput
{
public:
    bool playFile(const QString&) override { return false; }
    bool playBuiltIn(const QString&) override { return false; }
    void setVolume(uint32_t level) override { levels.push_back(level); }
    std::vector<uint32_t> levels;
};

TEST(StartChecks, EveryBoxHasItsFirstStatusAndOnlyEnabledBoxesAreChecked)
{
    VolumeSpy volume;
    platform::setSoundOutput(&volume);
    test::ScopedEnvironment env;
    test::RecordingMessageBoxes boxes;
    QDir().mkpath(env.dataDir());
    test::writeFile(env.dataDir() + QStringLiteral("/MainConfA.ini"),
                    "[main]\nFirstStart=0\nNumBox=3\nVolume=70000\n[Box 0]\nDisabled=1\n[Box 1]\nDisabled=1\n"
                    "[Box 2]\nDisabled=1\n");
    StartedWindow window(nullptr, 0);
    window.OnInitDialog();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(window.m_pBoxes[size_t(i)]->m_nStatus, STATUS_DISABLED);
        EXPECT_EQ(window.m_pBoxes[size_t(i)]->m_pThread, nullptr);
        EXPECT_EQ(window.m_pBoxes[size_t(i)]->m_hWndNotify, window.Handle());
    }
    EXPECT_EQ(CNetThread::RunningCount(), 0);
    EXPECT_EQ(window.size(), QSize(3 * 91 + 8, 82));
    EXPECT_TRUE(window.m_bInitialised);
    // Held as read, but a level above the range would spill into the other
    // channel: the output gets full volume.
    EXPECT_EQ(window.Volume, 70000u);
    ASSERT_FALSE(volume.levels.empty());
    EXPECT_EQ(volume.levels.back(), 65535u);
    platform::setSoundOutput(nullptr);
}

} // namespace
