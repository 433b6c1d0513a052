// Backup, restore and reset of the configuration file from the tray menu.
#include "TestSupport.h"

#include "LoopbackServer.h"

#include "core/NetThread.h"
#include "core/Workers.h"
#include "platform/desktop/Dialogs.h"
#include "platform/desktop/EndSignals.h"
#include "platform/files/ProfileWriter.h"
#include "ui/KorvalenDlg.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui/dialogs/QtMessageBox.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/file.h>
#include <unistd.h>
#include <utility>
#include <vector>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

static void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

namespace {

constexpr int kWaitMs = 10000;

class StartableDlg : public CKorvalenDlg
{
public:
    using CKorvalenDlg::CKorvalenDlg;
    using CKorvalenDlg::OnInitDialog;
};

// Answers the file pickers as told and notes how it was asked.
class FakeDialogs : public platform::DialogService
{
public:
    FakeDialogs() { platform::setDialogService(this); }
    ~FakeDialogs() override { platform::setDialogService(nullptr); }

    QString getSaveFileName(QWidget*, const QString& filter, const QString& suffix) override
    {
        ++saveAsked;
        askedFilter = filter;
        askedSuffix = suffix;
        if (whenAsked)
            whenAsked();
        return saveAnswer;
    }
    QString getOpenFileName(QWidget*, const QString& filter) override
    {
        ++openAsked;
        askedFilter = filter;
        if (whenAsked)
            whenAsked();
        return openAnswer;
    }
    bool getColor(QWidget*, const QColor&, QColor&) override { return false; }

    QString saveAnswer;
    QString openAnswer;
    std::function<void()> whenAsked;
    int saveAsked = 0;
    int openAsked = 0;
    QString askedFilter;
    QString askedSuffix;
};

// Every file and folder below a folder, relative to it.
QStringList treeOf(const QString& path)
{
    QStringList entries;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << QDir(path).relativeFilePath(it.next());
    entries.sort();
    return entries;
}

QString valueIn(const QString& path, const char* section, const char* key)
{
    CIniFile ini;
    ini.SetFileName(path);
    return ini.GetString(QString::fromLatin1(section), QString::fromLatin1(key), QStringLiteral("<none>"));
}

std::vector<BoxRecord*> boxesOf(const CKorvalenDlg& window)
{
    return std::vector<BoxRecord*>(window.m_pBoxes.begin(), window.m_pBoxes.end());
}

// The running configuration: two disabled boxes and a section of its own.
QByteArray runningConfig(const QByteArray& identity)
{
    return "[main]\n" + identity +
           "FirstStart=0\nNumBox=2\nPosX=200\nPosY=150\nXBox=120\nVerifyTime=7\n"
           "[Box 0]\nText=Old Router\nIPAdress=127.0.0.1\nDisabled=1\n"
           "[Box 1]\nText=Old Printer\nIPAdress=127.0.0.2\nDisabled=1\nPort=631\n"
           "[Notes]\nWho=admin\n";
}

class ConfigCommands : public ::testing::Test
{
protected:
    ~ConfigCommands() override
    {
        window.reset();
        waitForWorkers(kWaitMs);
    }
    void TearDown() override
    {
        if (window)
            window->close();
        EXPECT_TRUE(test::waitFor([] { return CNetThread::RunningCount() == 0; }, kWaitMs));
        EXPECT_TRUE(waitForWorkers(kWaitMs));
    }

    void open(const QByteArray& text)
    {
        window.reset();
        QDir().mkpath(env.dataDir());
        test::writeFile(configPath(), text);
        window = std::make_unique<StartableDlg>(nullptr, 0);
        window->OnInitDialog();
        ASSERT_TRUE(window->FlushSettings());
        dialogs.whenAsked = [this] { busyWhenAsked.push_back(window->m_bBusy); };
    }

    // Backup, restore and reset are done by the settings writer; restore and
    // reset reload once it is done.
    void replaced()
    {
        ASSERT_TRUE(test::waitFor([this] { return !window->m_bBusy; }, kWaitMs));
    }
    // Opens the running file with a save waiting for the folder's lock, which
    // another instance holds, and asks for `command` behind it; the lock's
    // descriptor.
    int behindTheLock(const std::function<void(CKorvalenDlg&)>& command)
    {
        open(runningConfig("App=Ostrivel\n"));
        const int folder = test::holdFolderLock(env.dataDir());
        window->m_iniConfig.WriteInt("main", "XBox", 100);
        QCoreApplication::processEvents(); // the thread waits for the lock with it
        messages.answer = platform::IDYES;
        command(*window);
        return folder;
    }
    // A file to restore from, with one box 99 wide.
    QString chosen() const
    {
        test::writeFile(outside("chosen.ini"), "[main]\nApp=Korvalen\nFirstStart=0\nNumBox=1\nXBox=99\n");
        return outside("chosen.ini");
    }
    QString configPath() const { return env.dataDir() + QStringLiteral("/MainConfA.ini"); }
    QString outside(const char* name) const
    {
        QDir().mkpath(env.path() + QStringLiteral("/elsewhere"));
        return env.path() + QStringLiteral("/elsewhere/") + QString::fromLatin1(name);
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    FakeDialogs dialogs;
    std::vector<bool> busyWhenAsked;
    std::unique_ptr<StartableDlg> window;
};

using Backup = ConfigCommands;

TEST_F(Backup, CopyCarriesTheIdentityAndEveryOtherKey)
{
    const struct
    {
        const char* what;
        QByteArray identity;
    } cases[] = {
        {"older program's file", "App=Ostrivel\n"},
        {"no identity", ""},
        {"our own file", "App=Korvalen\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open(runningConfig(c.identity));
        const QStringList keysBefore = test::keysInOrder(configPath());
        const QString target = outside("backup.ini");
        QFile::remove(target);
        dialogs.saveAnswer = target;
        busyWhenAsked.clear();

        window->OnTrayBackupConfig();
        replaced();
        EXPECT_EQ(busyWhenAsked, std::vector<bool>{true});
        EXPECT_EQ(dialogs.askedFilter, QStringLiteral("INI File (*.ini)"));

        // The running file says what it is first, then is copied as it is.
        EXPECT_EQ(valueIn(configPath(), "main", "App"), QStringLiteral("Korvalen"));
        const QByteArray active = test::readFile(configPath());
        EXPECT_EQ(test::readFile(target), active);
        const QStringList copied = test::keysInOrder(target);
        for (const QString& key : keysBefore)
            EXPECT_TRUE(copied.contains(key)) << key.toStdString();
        EXPECT_EQ(copied.count(QStringLiteral("main/App")), 1);
        EXPECT_EQ(valueIn(target, "Box 1", "Text"), QStringLiteral("Old Printer"));
        EXPECT_EQ(valueIn(target, "Box 1", "Port"), QStringLiteral("631"));
        EXPECT_EQ(valueIn(target, "Notes", "Who"), QStringLiteral("admin"));
        EXPECT_EQ(valueIn(target, "main", "XBox"), QStringLiteral("120"));
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(Backup, AnEarlierFileAtTheTargetIsReplaced)
{
    open(runningConfig("App=Korvalen\n"));
    const QString target = outside("old-backup.ini");
    test::writeFile(target, "[main]\nApp=Korvalen\nNumBox=9\n[Box 8]\nText=Stale\n");
    dialogs.saveAnswer = target;
    window->OnTrayBackupConfig();
    replaced();
    EXPECT_EQ(test::readFile(target), test::readFile(configPath()));
}

TEST_F(Backup, CancellingCopiesNothing)
{
    open(runningConfig("App=Korvalen\n"));
    const QStringList before = treeOf(env.path());
    dialogs.saveAnswer.clear();
    window->OnTrayBackupConfig();
    EXPECT_EQ(dialogs.saveAsked, 1);
    EXPECT_EQ(treeOf(env.path()), before);
    EXPECT_FALSE(window->m_bBusy);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Backup, AFailedCopyIsReportedAndLeavesNoFile)
{
    open(runningConfig("App=Korvalen\n"));
    const QString target = env.path() + QStringLiteral("/no such folder/backup.ini");
    dialogs.saveAnswer = target;
    window->OnTrayBackupConfig();
    replaced();
    EXPECT_FALSE(QFileInfo::exists(target));
    ASSERT_TRUE(test::waitFor([this] { return !messages.shown.empty(); }));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(messages.shown[0].waited);
    EXPECT_FALSE(messages.shown[0].text.isEmpty());
}

using Restore = ConfigCommands;

TEST_F(Restore, AFileOfEitherProgramBecomesTheRunningConfiguration)
{
    const uint16_t closed = test::closedPort();
    for (const char* identity : {"Ostrivel", "Korvalen"}) {
        SCOPED_TRACE(identity);
        open(runningConfig("App=Korvalen\n"));
        const QByteArray chosen = "[main]\nApp=" + QByteArray(identity) +
                                  "\nFirstStart=0\nNumBox=3\nPosX=210\nPosY=160\nWinPos=1\n"
                                  "[Box 0]\nText=Shut\nIPAdress=127.0.0.1\nVerifyMetod=2\nPort=" +
                                  QByteArray::number(closed) +
                                  "\nCheckInterval=60\n"
                                  "[Box 1]\nText=Off\nIPAdress=127.0.0.1\nDisabled=1\n"
                                  "[Box 2]\nText=Shut too\nIPAdress=127.0.0.1\nVerifyMetod=2\nPort=" +
                                  QByteArray::number(closed) + "\nCheckInterval=60\n";
        const QString source = outside("chosen.ini");
        test::writeFile(source, chosen);
        dialogs.openAnswer = source;
        busyWhenAsked.clear();

        window->OnTrayRestoreConfig();
        replaced();
        EXPECT_EQ(busyWhenAsked, std::vector<bool>{true});
        EXPECT_TRUE(messages.shown.empty());
        // Taken as it is: an older program's identity stays.
        EXPECT_EQ(test::readFile(configPath()), chosen);
        EXPECT_EQ(test::readFile(source), chosen);

        ASSERT_EQ(window->NumBox, 3);
        // Checked at once: the closed port's answer comes.
        EXPECT_TRUE(test::waitFor(
            [&] {
                return window->m_pBoxes[0] && window->m_pBoxes[0]->m_nStatus == STATUS_CLOSE &&
                       window->m_pBoxes[2] && window->m_pBoxes[2]->m_nStatus == STATUS_CLOSE;
            },
            kWaitMs));
        const struct
        {
            const char* text;
            int status;
            bool checked;
        } expected[] = {
            {"Shut", STATUS_CLOSE, true}, {"Off", STATUS_DISABLED, false}, {"Shut too", STATUS_CLOSE, true}};
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            const BoxRecord* box = window->m_pBoxes[size_t(i)];
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->Text, QString::fromLatin1(expected[i].text));
            EXPECT_EQ(box->m_nStatus, expected[i].status);
            EXPECT_EQ(box->m_pThread != nullptr, expected[i].checked);
            EXPECT_EQ(box->m_hWndNotify, window->Handle());
        }
        EXPECT_EQ(window->m_pBoxes[3], nullptr);
        EXPECT_EQ(window->size(), QSize(3 * 91 + 8, 82));
        window->close();
        ASSERT_TRUE(test::waitFor([] { return CNetThread::RunningCount() == 0; }, kWaitMs));
    }
}

// After a restore the window is placed as the start of checks places it:
// sticking to the work area's edges and raised, as when the program starts.
TEST_F(Restore, TheWindowIsPlacedAsAtStartSnappedAndRaised)
{
    open(runningConfig("App=Korvalen\n"));
    const QRect area = window->WorkArea();
    QWidget other;
    other.setGeometry(area.x() + 300, area.y() + 200, 100, 100);
    other.show();
    other.raise();
    other.activateWindow();
    ASSERT_TRUE(test::waitFor([&] { return QApplication::activeWindow() == &other; }));

    const QByteArray chosen =
        "[main]\nApp=Korvalen\nFirstStart=0\nNumBox=1\nPosX=" + QByteArray::number(area.x() + 12) +
        "\nPosY=" + QByteArray::number(area.y() + 150) + "\n[Box 0]\nText=One\nDisabled=1\n";
    const QString source = outside("placed.ini");
    test::writeFile(source, chosen);
    dialogs.openAnswer = source;
    window->OnTrayRestoreConfig();
    replaced();
    EXPECT_EQ(window->pos(), QPoint(area.x(), area.y() + 150));
    EXPECT_TRUE(test::waitFor([&] { return QApplication::activeWindow() == window.get(); }));
}

TEST_F(Restore, ChoosingTheRunningFileItselfReloadsIt)
{
    open(runningConfig("App=Ostrivel\n"));
    const QByteArray active = test::readFile(configPath());
    dialogs.openAnswer = configPath();
    window->OnTrayRestoreConfig();
    replaced();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(test::readFile(configPath()), active);
    ASSERT_EQ(window->NumBox, 2);
    ASSERT_NE(window->m_pBoxes[1], nullptr);
    EXPECT_EQ(window->m_pBoxes[1]->Text, QStringLiteral("Old Printer"));
    EXPECT_EQ(window->m_pBoxes[1]->m_nStatus, STATUS_DISABLED);
}

TEST_F(Restore, FilesOfNoKnownProgramAreRefused)
{
    const struct
    {
        const char* what;
        std::function<QString(const QString& dir)> make;
    } cases[] = {
        {"identity in small letters",
         [](const QString& dir) {
             test::writeFile(dir + QStringLiteral("/a.ini"),
                             "[main]\nApp=korvalen\nNumBox=1\n[Box 0]\nText=X\n");
             return dir + QStringLiteral("/a.ini");
         }},
        {"identity in capitals",
         [](const QString& dir) {
             test::writeFile(dir + QStringLiteral("/b.ini"),
                             "[main]\nApp=KORVALEN\nNumBox=1\n[Box 0]\nText=X\n");
             return dir + QStringLiteral("/b.ini");
         }},
        {"no identity",
         [](const QString& dir) {
             test::writeFile(dir + QStringLiteral("/c.ini"), "[main]\nNumBox=1\n[Box 0]\nText=X\n");
             return dir + QStringLiteral("/c.ini");
         }},
        {"identity in another section",
         [](const QString& dir) {
             test::writeFile(dir + QStringLiteral("/d.ini"), "[main]\nNumBox=1\n[Box 0]\nApp=Korvalen\n");
             return dir + QStringLiteral("/d.ini");
         }},
        {"another program's identity",
         [](const QString& dir) {
             test::writeFile(dir + QStringLiteral("/e.ini"), "[main]\nApp=Ostrivel2\nNumBox=1\n");
             return dir + QStringLiteral("/e.ini");
         }},
        {"binary file",
         [](const QString& dir) {
             QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20);
             for (int i = 0; i < 4096; ++i)
                 bytes.append(char((i * 37 + 11) & 0xFF));
             test::writeFile(dir + QStringLiteral("/f.ini"), bytes);
             return dir + QStringLiteral("/f.ini");
         }},
        {"folder",
         [](const QString& dir) {
             QDir().mkpath(dir + QStringLiteral("/g.ini"));
             test::writeFile(dir + QStringLiteral("/g.ini/inner.ini"), "[main]\nApp=Korvalen\n");
             return dir + QStringLiteral("/g.ini");
         }},
        {"empty file",
         [](const QString& dir) {
             test::writeFile(dir + QStringLiteral("/h.ini"), "");
             return dir + QStringLiteral("/h.ini");
         }},
    };
    open(runningConfig("App=Korvalen\n"));
    const std::vector<BoxRecord*> running = boxesOf(*window);
    const QByteArray active = test::readFile(configPath());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        messages.shown.clear();
        const QString dir = env.path() + QStringLiteral("/refused");
        QDir().mkpath(dir);
        dialogs.openAnswer = c.make(dir);
        ASSERT_TRUE(QFileInfo::exists(dialogs.openAnswer));

        window->OnTrayRestoreConfig();
        EXPECT_FALSE(window->m_bBusy);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, QStringLiteral("Restored Config File is not valid."));
        EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Korvalen"));
        EXPECT_TRUE(messages.shown[0].waited);
        EXPECT_EQ(boxesOf(*window), running);
        EXPECT_EQ(window->NumBox, 2);
        EXPECT_EQ(test::readFile(configPath()), active);
    }
}

TEST_F(Restore, NoChoiceOrAMissingFileDoesNothing)
{
    open(runningConfig("App=Korvalen\n"));
    const std::vector<BoxRecord*> running = boxesOf(*window);
    const QByteArray active = test::readFile(configPath());
    for (const QString& answer : {QString(), outside("gone.ini")}) {
        SCOPED_TRACE(answer.toStdString());
        dialogs.openAnswer = answer;
        window->OnTrayRestoreConfig();
        EXPECT_FALSE(window->m_bBusy);
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(boxesOf(*window), running);
        EXPECT_EQ(test::readFile(configPath()), active);
        EXPECT_FALSE(QFileInfo::exists(answer));
    }
    EXPECT_EQ(dialogs.openAsked, 2);
}

// Restore, reset and backup asked while a save waits for the folder's lock
// come after it and before the saves asked after them; the window does not
// wait for the lock, and a backup copies the waiting saves with it held.
TEST_F(ConfigCommands, ACommandWaitingForTheLockComesInOrderWithTheSaves)
{
    const QString copy = outside("copy.ini");
    const struct
    {
        void (CKorvalenDlg::*command)();
        QString answer, file;
        const char *xBox, *who; // in `file` at the end; a save after the command if `who` is given
        int strip;
    } cases[] = {{&CKorvalenDlg::OnTrayRestoreConfig, chosen(), configPath(), "99", "later", 99},
                 {&CKorvalenDlg::OnTrayRestoreConfig, configPath(), configPath(), "100", "later", 100},
                 {&CKorvalenDlg::OnTrayResetConfig, {}, configPath(), "90", nullptr, 90},
                 {&CKorvalenDlg::OnTrayBackupConfig, copy, copy, "100", "admin", 120}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        dialogs.openAnswer = dialogs.saveAnswer = c.answer;
        int folder = behindTheLock(c.command);
        EXPECT_TRUE(window->m_bBusy);
        // After a reset the reload writes the new file only when it finds none.
        if (c.who)
            window->m_iniConfig.WriteString("Notes", "Who", "later");
        if (c.file == configPath())
            ::close(std::exchange(folder, -1));
        replaced();
        ::close(folder);
        ASSERT_TRUE(window->FlushSettings());
        EXPECT_EQ(valueIn(c.file, "main", "XBox"), c.xBox);
        EXPECT_EQ(valueIn(c.file, "Notes", "Who"), c.who ? c.who : "<none>");
        EXPECT_EQ(window->XBox, c.strip);
    }
}

// Exit gives a restore or reset waiting for the lock its try; while the lock
// stays held it names it among what is lost, with each key once.
TEST_F(ConfigCommands, ExitGivesAWaitingRestoreOrResetItsTryOrNamesIt)
{
    dialogs.openAnswer = chosen();
    const struct
    {
        void (CKorvalenDlg::*command)();
        bool freed;
        const char *numBox, *lost;
    } cases[] = {{&CKorvalenDlg::OnTrayRestoreConfig, true, "1", nullptr},
                 {&CKorvalenDlg::OnTrayResetConfig, true, "<none>", nullptr},
                 {&CKorvalenDlg::OnTrayRestoreConfig, false, "2", "the configuration was not restored from "},
                 {&CKorvalenDlg::OnTrayResetConfig, false, "2", "the configuration was not reset"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const int folder = behindTheLock(c.command);
        // Its try failed: only the exit may do it now.
        ASSERT_TRUE(test::waitFor([this] {
            return !messages.shown.empty() && messages.shown.back().text.contains("cannot be saved");
        }));
        window->m_iniConfig.WriteInt("main", "XBox", 101);
        if (c.freed)
            ::close(folder);
        window->OnTrayExit();
        if (!c.freed)
            ::close(folder);
        EXPECT_EQ(valueIn(configPath(), "main", "NumBox"), c.numBox);
        const QString said = messages.shown.back().text;
        EXPECT_TRUE(c.lost ? said.contains(c.lost) && said.count("XBox=") == 1 : !said.contains("Not saved"))
            << said.toStdString();
    }
}

// A signal while a file picker, the reset question or Exit's own message
// waits for an answer ends it and the program; the command goes no further.
TEST_F(ConfigCommands, ASignalWhileADialogWaitsEndsItAndTheProgram)
{
    platform::QtDialogService pickers;
    platform::QtMessageBoxService boxes;
    dialogs.openAnswer = chosen();
    for (auto command :
         {&CKorvalenDlg::OnTrayRestoreConfig, &CKorvalenDlg::OnTrayResetConfig, &CKorvalenDlg::OnTrayExit}) {
        // Exit says what waits for the held lock.
        const int folder = behindTheLock([](CKorvalenDlg&) {});
        if (command != &CKorvalenDlg::OnTrayExit)
            ::close(folder);
        platform::setDialogService(&pickers);
        platform::setMessageBoxService(&boxes);
        platform::EndSignals ends([this] { window->EndWithoutAsking(); });
        // The signal comes once a dialog waits; one still waiting long after
        // fails the test rather than holding it.
        bool signalled = false;
        bool gaveUp = false;
        QTimer poll;
        QTimer stuck;
        QObject::connect(&stuck, &QTimer::timeout,
                         [&] { gaveUp = (platform::endOpenDialogs(window.get()), true); });
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (!signalled && w->isVisible() && w->windowModality() != Qt::NonModal) {
                    signalled = ::kill(::getpid(), SIGTERM) == 0;
                    stuck.start(30000);
                }
        });
        poll.start(10);
        ((*window).*command)();
        platform::setDialogService(&dialogs);
        platform::setMessageBoxService(&messages);
        ::close(folder);
        EXPECT_TRUE(signalled && !gaveUp);
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(valueIn(configPath(), "main", "NumBox"), QStringLiteral("2"));
    }
}

// A restore that ends after the window was closed (its last save failing
// meanwhile) leaves the window closed with no checks running.
TEST_F(Restore, ARestoreEndingAfterTheWindowClosedLeavesItClosed)
{
    dialogs.openAnswer = chosen();
    const int folder = behindTheLock(&CKorvalenDlg::OnTrayRestoreConfig);
    ASSERT_GE(folder, 0);
    window->close();
    ::close(folder);
    replaced();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->m_pBoxes[0], nullptr);
    EXPECT_EQ(valueIn(configPath(), "main", "XBox"), QStringLiteral("99"));
}

using ResetConfig = ConfigCommands;

TEST_F(ResetConfig, AnsweringNoChangesNothing)
{
    open(runningConfig("App=Korvalen\n"));
    const std::vector<BoxRecord*> running = boxesOf(*window);
    const QByteArray active = test::readFile(configPath());
    const QPoint position = window->pos();
    messages.answer = platform::IDNO;

    window->OnTrayResetConfig();
    EXPECT_FALSE(window->m_bBusy);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Do you want to Reset Config File?"));
    EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Korvalen"));
    EXPECT_EQ(messages.shown[0].type & 0xFu, platform::MB_YESNO);
    EXPECT_EQ(boxesOf(*window), running);
    EXPECT_EQ(test::readFile(configPath()), active);
    EXPECT_EQ(window->pos(), position);
}

TEST_F(ResetConfig, AnsweringYesStartsAgainFromTheDefaults)
{
    open(runningConfig("App=Ostrivel\n"));
    const QRect area = window->WorkArea();
    messages.answer = platform::IDYES;

    window->OnTrayResetConfig();
    replaced();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Do you want to Reset Config File?"));

    // One box, the defaults, centred on the work area as at a first start.
    ASSERT_EQ(window->NumBox, 1);
    ASSERT_NE(window->m_pBoxes[0], nullptr);
    EXPECT_EQ(window->m_pBoxes[0]->Text, QStringLiteral("LOCAL"));
    EXPECT_EQ(window->m_pBoxes[1], nullptr);
    EXPECT_EQ(window->XBox, 90);
    EXPECT_EQ(window->YBox, 80);
    const int right = area.x() + area.width();
    const int bottom = area.y() + area.height();
    const int posX = right / 2 - ((90 + 1) * 1 + 8) / 2;
    const int posY = bottom / 2 - (80 + 2) / 2;
    EXPECT_EQ(window->PosX, posX);
    EXPECT_EQ(window->PosY, posY);
    EXPECT_EQ(window->pos(), QPoint(posX, posY));
    EXPECT_EQ(window->size(), QSize(99, 82));

    ASSERT_TRUE(window->FlushSettings());
    const QString path = configPath();
    EXPECT_EQ(valueIn(path, "main", "PosX"), QString::number(posX));
    EXPECT_EQ(valueIn(path, "main", "PosY"), QString::number(posY));
    EXPECT_EQ(valueIn(path, "main", "FirstStart"), QStringLiteral("0"));
    EXPECT_EQ(valueIn(path, "main", "NumBox"), QStringLiteral("1"));
    EXPECT_EQ(valueIn(path, "main", "XBox"), QStringLiteral("90"));
    EXPECT_EQ(valueIn(path, "Box 0", "Text"), QStringLiteral("LOCAL"));
    const QStringList keys = test::keysInOrder(path);
    for (const QString& key : keys) {
        EXPECT_FALSE(key.startsWith(QStringLiteral("Box 1/"))) << key.toStdString();
        EXPECT_FALSE(key.startsWith(QStringLiteral("Notes/"))) << key.toStdString();
    }

    // The same file as a first start on the same desktop writes.
    {
        test::ScopedEnvironment fresh;
        CKorvalenDlg first(nullptr, 0);
        ASSERT_EQ(first.WorkArea(), area);
        ASSERT_TRUE(first.FlushSettings());
        EXPECT_EQ(test::readFile(fresh.dataDir() + QStringLiteral("/MainConfA.ini")), test::readFile(path));
        first.close();
    }
}

// A reset whose file cannot be deleted says so, once, and is no save that
// worked: the saves failing beside it are not said again.
TEST_F(ResetConfig, AFailedResetIsSaidOnceBesideTheFailingSaves)
{
    open(runningConfig("App=Korvalen\n"));
    // Neither written over nor deleted, even by root.
    ASSERT_TRUE(QFile::remove(configPath()));
    ASSERT_TRUE(QDir().mkpath(configPath() + QStringLiteral("/kept")));
    window->m_iniConfig.WriteInt("main", "XBox", 100);
    EXPECT_FALSE(window->FlushSettings());
    messages.shown.clear();
    messages.answer = platform::IDYES;
    window->OnTrayResetConfig();
    replaced();
    EXPECT_FALSE(window->FlushSettings());
    std::vector<QString> said;
    for (const auto& shown : messages.shown)
        said.push_back(shown.text);
    EXPECT_EQ(said, (std::vector<QString>{"Do you want to Reset Config File?",
                                          "Can't delete MainConf?.ini file."}));
}

using FullDisk = ConfigCommands;

// On a full disk each command says it failed; the file and the running boxes
// stay as they were, up to and after the exit.
TEST_F(FullDisk, BackupAndRestoreSayTheyFailedAndTheConfigurationStays)
{
    dialogs.saveAnswer = outside("backup.ini");
    dialogs.openAnswer = outside("good.ini");
    test::writeFile(dialogs.openAnswer,
                    "[main]\nApp=Korvalen\nFirstStart=0\nNumBox=1\n[Box 0]\nText=New\nDisabled=1\n");
    for (auto command : {&CKorvalenDlg::OnTrayBackupConfig, &CKorvalenDlg::OnTrayRestoreConfig}) {
        SCOPED_TRACE(command == &CKorvalenDlg::OnTrayBackupConfig ? "backup" : "restore");
        open(runningConfig("App=Korvalen\n"));
        messages.shown.clear();
        const QByteArray active = test::readFile(configPath());
        const std::vector<BoxRecord*> running = boxesOf(*window);
        {
            test::FullDisk full(0);
            ((*window).*command)();
            replaced();
            EXPECT_EQ(boxesOf(*window), running);
            window->close();
        }
        EXPECT_EQ(messages.shown.size(), 1u);
        EXPECT_FALSE(QFileInfo::exists(outside("backup.ini")));
        EXPECT_EQ(test::readFile(configPath()), active);
        ASSERT_TRUE(test::waitFor([] { return CNetThread::RunningCount() == 0; }, kWaitMs));
    }
}

} // namespace
