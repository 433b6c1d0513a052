// Saving the running configuration while its folder is locked by another
// process or its disk is full: the strip goes on, the user is told once per
// failing spell, and what was kept reaches the file when it can.
#include "LoopbackServer.h"
#include "TestSupport.h"

#include "core/NetThread.h"
#include "platform/files/FileLock.h"
#include "platform/files/PrivateProfile.h"
#include "ui/KorvalenDlg.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

class StartableDlg : public CKorvalenDlg
{
public:
    using CKorvalenDlg::CKorvalenDlg;
    using CKorvalenDlg::OnInitDialog;
};

class SettingsSave : public ::testing::Test
{
protected:
    ~SettingsSave() override
    {
        window.reset();
        EXPECT_TRUE(test::waitFor([] { return CNetThread::RunningCount() == 0; }));
    }
    // One box checking a listening loopback port every second, in a row at (200, 150).
    void open()
    {
        window.reset();
        QDir().mkpath(env.dataDir());
        test::writeFile(path(),
                        "[main]\nFirstStart=0\nNumBox=1\nPosX=200\nPosY=150\nWinPos=1\nWinBeh=1\n"
                        "[Box 0]\nText=Loop\nIPAdress=127.0.0.1\nVerifyMetod=2\nCheckInterval=1\nPort=" +
                            QByteArray::number(server.port()) + "\n");
        window = std::make_unique<StartableDlg>(nullptr, 0);
        window->OnInitDialog();
        ASSERT_TRUE(window->FlushSettings());
    }
    QString path() const { return env.dataDir() + QStringLiteral("/MainConfA.ini"); }
    // What the file itself holds, past any write still waiting.
    int inFile(const char* key) const
    {
        QString text;
        platform::GetPrivateProfileString("main", key, "", text, 64, path());
        return text.toInt();
    }
    void mouse(QEvent::Type type, QPoint local, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, QPointF(local), QPointF(window->pos() + local),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(window.get(), &event);
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    test::LoopbackServer server{QByteArray(), true};
    std::unique_ptr<StartableDlg> window;
};

TEST_F(SettingsSave, ALockedFolderOrAFullDiskNeitherStopsTheStripNorLosesItsPlace)
{
    for (const bool lockHeld : {true, false}) {
        SCOPED_TRACE(lockHeld ? "folder locked by another process" : "disk full");
        open();
        messages.shown.clear();
        // Held on a descriptor of its own, as another instance holds it.
        const int folder = lockHeld ? test::holdFolderLock(env.dataDir()) : -1;
        ASSERT_TRUE(!lockHeld || folder >= 0);
        std::optional<test::FullDisk> full;
        if (!lockHeld)
            full.emplace(0);

        QElapsedTimer took;
        took.start();
        mouse(QEvent::MouseButtonPress, QPoint(3, 40), Qt::LeftButton);
        mouse(QEvent::MouseMove, QPoint(63, 90), Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, QPoint(3, 40), Qt::NoButton);
        // A window that waited for the lock would wait for all of kWriteLockWait.
        const qint64 bound = platform::kWriteLockWait.count() / 2;
        EXPECT_LT(took.restart(), bound) << "the drag";
        mouse(QEvent::MouseButtonPress, QPoint(3, 15), Qt::LeftButton); // Layout
        mouse(QEvent::MouseButtonRelease, QPoint(3, 15), Qt::NoButton);
        EXPECT_LT(took.elapsed(), bound) << "the Layout press";
        const QPoint placed = window->pos();
        ASSERT_EQ(window->WinPos, 0);
        ASSERT_NE(placed, QPoint(200, 150));

        // Checks go on and the program reads back its own settings while the
        // file cannot be written; the failure is said once.
        EXPECT_TRUE(test::waitFor([&] { return window->m_pBoxes[0]->m_nStatus == STATUS_UP; }));
        EXPECT_TRUE(test::waitFor([&] { return !messages.shown.empty(); }));
        EXPECT_EQ(window->m_iniConfig.GetInt("main", "PosX", 0), placed.x());
        EXPECT_EQ(inFile("PosX"), 200);

        ::close(folder);
        full.reset();
        EXPECT_TRUE(test::waitFor([&] {
            return inFile("PosX") == placed.x() && inFile("PosY") == placed.y() && inFile("WinPos") == 0;
        }));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_FALSE(messages.shown[0].waited) << "the message holds nothing up";
    }
}

// Exit writes the last place, also when the lock comes free during it, or
// says what was lost before the program ends.
TEST_F(SettingsSave, ExitWritesTheLastPlaceOrSaysWhatIsLost)
{
    for (const bool freedDuringExit : {true, false}) {
        SCOPED_TRACE(freedDuringExit ? "lock freed during the exit" : "lock held throughout");
        open();
        messages.shown.clear();
        const int folder = test::holdFolderLock(env.dataDir());
        ASSERT_GE(folder, 0);
        window->m_iniConfig.WriteInt("main", "PosY", 170);
        // A try fails and is told; a later change waits for the retry.
        ASSERT_TRUE(test::waitFor([&] { return !messages.shown.empty(); }));
        window->move(260, 190);
        std::thread freer;
        if (freedDuringExit)
            freer = std::thread([folder] {
                std::this_thread::sleep_for(std::chrono::seconds(2));
                ::close(folder);
            });
        window->OnTrayExit();
        if (freer.joinable())
            freer.join();
        else
            ::close(folder);
        EXPECT_EQ(inFile("PosX"), freedDuringExit ? 260 : 200);
        EXPECT_EQ(inFile("PosY"), freedDuringExit ? 190 : 150);
        ASSERT_EQ(messages.shown.size(), freedDuringExit ? 1u : 2u);
        if (!freedDuringExit) {
            EXPECT_TRUE(messages.shown[1].waited);
            for (const char* lost : {"[main] PosX=260", "[main] PosY=190"})
                EXPECT_TRUE(messages.shown[1].text.contains(QLatin1String(lost))) << lost;
        }
    }
}

TEST_F(SettingsSave, EachFailingSpellIsSaidOnce)
{
    const struct
    {
        const char* saves; // F a save on a full disk, G one that is written
        size_t said;
    } cases[] = {{"FFF", 1}, {"FGFF", 2}, {"FGFGF", 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saves);
        open();
        messages.shown.clear();
        for (const char* s = c.saves; *s; ++s) {
            std::optional<test::FullDisk> full;
            if (*s == 'F')
                full.emplace(0);
            window->m_pBoxes[0]->Text = QString::number(s - c.saves); // a change to write
            window->SaveBoxes();
            EXPECT_EQ(window->FlushSettings(), *s == 'G');
        }
        EXPECT_EQ(messages.shown.size(), c.said);
    }
}

} // namespace
