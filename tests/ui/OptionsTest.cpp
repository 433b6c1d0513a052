// The main window's side of the Options dialog: the values it hands out,
// what Apply and OK take back and write, and what Cancel leaves alone.
#include "TestSupport.h"

#include "core/NetThread.h"
#include "core/Workers.h"
#include "ui/KorvalenDlg.h"
#include "ui/TrayMenu.h"
#include "ui/dialogs/PropertiesDlg.h"
#include "ui/dialogs/SpinEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kWaitMs = 10000;

class StartableDlg : public CKorvalenDlg
{
public:
    using CKorvalenDlg::CKorvalenDlg;
    using CKorvalenDlg::OnInitDialog;
};

class VolumeSound : public test::RecordingSound
{
public:
    void setVolume(uint32_t level) override { levels.push_back(level); }
    std::vector<uint32_t> levels;
};

// Three disabled boxes in a row at (200, 150); none of the keys the Options
// write is in the file unless `main` adds it.
QByteArray configText(const QByteArray& main)
{
    QByteArray text = "[main]\nFirstStart=0\nNumBox=3\nPosX=200\nPosY=150\n" + main;
    for (int i = 0; i < 3; ++i)
        text += "[Box " + QByteArray::number(i) + "]\nText=Box " + QByteArray::number(i) + "\nDisabled=1\n";
    return text;
}

class Options : public ::testing::Test
{
protected:
    Options() { platform::setSoundOutput(&sound); }
    ~Options() override
    {
        window.reset();
        waitForWorkers(kWaitMs);
        platform::setSoundOutput(nullptr);
    }
    void TearDown() override
    {
        if (window)
            window->close();
        EXPECT_TRUE(test::waitFor([] { return CNetThread::RunningCount() == 0; }, kWaitMs));
    }

    void open(const QByteArray& text)
    {
        QDir().mkpath(env.dataDir());
        test::writeFile(configPath(), text);
        window = std::make_unique<StartableDlg>(nullptr, 0);
        window->OnInitDialog();
        ASSERT_TRUE(window->FlushSettings());
    }
    QString configPath() const { return env.dataDir() + QStringLiteral("/MainConfA.ini"); }
    QString stored(const char* key) const
    {
        CIniFile ini;
        ini.SetFileName(configPath());
        return ini.GetString(QStringLiteral("main"), QString::fromLatin1(key), QStringLiteral("missing"));
    }

    // Chooses Options in the tray menu and lets `user` act in the dialog
    // once it is open; returns when the dialog has ended.
    void runOptions(const std::function<void(CPropertiesDlg&)>& user)
    {
        bool acted = false;
        QTimer::singleShot(0, window.get(), [&] {
            auto* dlg = qobject_cast<CPropertiesDlg*>(window->m_dlgOptions.data());
            ASSERT_NE(dlg, nullptr);
            EXPECT_TRUE(dlg->isVisible());
            user(*dlg);
            acted = true;
        });
        trayAction(window->TrayMenu(), ID_TRAY_OPTIONS)->trigger();
        EXPECT_TRUE(acted);
    }
    template <class T> static T* control(CPropertiesDlg& dlg, const char* name)
    {
        return dlg.findChild<T*>(QLatin1String(name));
    }
    // Clicked near the left edge, where a check box has its box.
    static void click(CPropertiesDlg& dlg, const char* name)
    {
        QAbstractButton* button = control<QAbstractButton>(dlg, name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    VolumeSound sound;
    std::unique_ptr<StartableDlg> window;
};

TEST_F(Options, ApplyWritesTheTwentyTwoKeysInOrderWithTheDisplayFlagsInverted)
{
    open(configText("WinBeh=1\nErrorSound=-5\n"));
    EXPECT_TRUE(trayAction(window->TrayMenu(), ID_TRAY_OPTIONS)->isEnabled());
    runOptions([&](CPropertiesDlg& dlg) {
        EXPECT_TRUE(control<QCheckBox>(dlg, "checkShowReplyTime")->isChecked());
        CSpinEdit* width = control<CSpinEdit>(dlg, "spinWidth");
        width->edit()->selectAll();
        QTest::keyClicks(width->edit(), QStringLiteral("150"));
        click(dlg, "checkShowReplyTime");
        click(dlg, "checkShowStatus");
        click(dlg, "buttonApply");
        // Applied while the dialog stays open: the strip is already wider.
        EXPECT_EQ(window->width(), 3 * 151 + 8);
        EXPECT_TRUE(dlg.isVisible());
        click(dlg, "buttonCancel");
    });

    // ErrorSound was there already and keeps its place; the others follow in
    // the order they are written.
    const QStringList expected = {"FirstStart",
                                  "NumBox",
                                  "PosX",
                                  "PosY",
                                  "WinBeh",
                                  "ErrorSound",
                                  "HideTaskBarButton",
                                  "ErrorDefaultSound",
                                  "PlayErrorDefSoundPath",
                                  "DCOBEFE",
                                  "DCOBEFPath",
                                  "DCOBEFParameters",
                                  "XBox",
                                  "YBox",
                                  "VerifyTime",
                                  "TimeOut",
                                  "ShowOnLineOffLineTime",
                                  "EnableLog",
                                  "ShowUpDownTime",
                                  "ShowIPandMethodX",
                                  "ShowStatusX",
                                  "ErrorTextSpeechSound",
                                  "ErrorTextSpeechText",
                                  "VolumeMute",
                                  "Volume",
                                  "LogFileType",
                                  "AutoUpdate"};
    ASSERT_TRUE(window->FlushSettings());
    QStringList main = test::keysInOrder(configPath()).filter(QRegularExpression(QStringLiteral("^main/")));
    main.replaceInStrings(QStringLiteral("main/"), QString());
    EXPECT_EQ(main, expected);
    // Written in place, as held, unsigned.
    EXPECT_EQ(stored("ErrorSound"), QStringLiteral("4294967291"));
    EXPECT_EQ(stored("XBox"), QStringLiteral("150"));
    EXPECT_EQ(stored("ShowUpDownTime"), QStringLiteral("1"));   // hidden
    EXPECT_EQ(stored("ShowStatusX"), QStringLiteral("1"));      // hidden
    EXPECT_EQ(stored("ShowIPandMethodX"), QStringLiteral("0")); // shown
    EXPECT_EQ(stored("ErrorTextSpeechText"), QStringLiteral("%name Error"));
    EXPECT_FALSE(window->m_bShowReplyTime);
    EXPECT_FALSE(window->m_bShowStatus);
}

TEST_F(Options, OKAppliesAndBothErrorNotificationsStoredOnKeepOnlyTheSpeech)
{
    // Numbers too long for their fields: the carried ones come back whole.
    open(configText(
        "ErrorDefaultSound=1\nErrorTextSpeechSound=1\nLogFileType=3\nVerifyTime=120\nTimeOut=60000\n"));
    runOptions([&](CPropertiesDlg& dlg) {
        CSpinEdit* height = control<CSpinEdit>(dlg, "spinHeight");
        height->edit()->selectAll();
        QTest::keyClicks(height->edit(), QStringLiteral("999"));
        click(dlg, "buttonOK");
    });
    EXPECT_EQ(stored("ErrorDefaultSound"), QStringLiteral("0"));
    EXPECT_EQ(stored("ErrorTextSpeechSound"), QStringLiteral("1"));
    EXPECT_EQ(stored("YBox"), QStringLiteral("200"));
    EXPECT_EQ(stored("LogFileType"), QStringLiteral("3")); // still tab-separated, as stored
    EXPECT_EQ(stored("VerifyTime"), QStringLiteral("120"));
    EXPECT_EQ(stored("TimeOut"), QStringLiteral("60000"));
    EXPECT_EQ(window->height(), 200 + 2);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Options, CancelLeavesTheFileByteForByteAndRestoresTheHeldVolume)
{
    const struct
    {
        QByteArray main;
        uint32_t held;
    } cases[] = {
        {"Volume=30000\nVolumeMute=0\n", 30000},
        {"Volume=30000\nVolumeMute=1\n", 0},
    };
    for (const auto& c : cases) {
        open(configText(c.main));
        const QByteArray before = test::readFile(configPath());
        runOptions([&](CPropertiesDlg& dlg) {
            click(dlg, "buttonDefaults");
            control<QSlider>(dlg, "sliderVolume")->setValue(12345);
            CSpinEdit* width = control<CSpinEdit>(dlg, "spinWidth");
            width->edit()->selectAll();
            QTest::keyClicks(width->edit(), QStringLiteral("250"));
            click(dlg, "buttonCancel");
        });
        EXPECT_EQ(test::readFile(configPath()), before);
        ASSERT_FALSE(sound.levels.empty());
        EXPECT_EQ(sound.levels.back(), c.held) << c.main.constData();
        EXPECT_EQ(window->width(), 3 * 91 + 8);
        // Defaults turned start at login on, but Cancel writes nothing.
        EXPECT_FALSE(QFile::exists(env.configHome() + QStringLiteral("/autostart/Korvalen.desktop")));
        window.reset();
    }
}

TEST_F(Options, TheTaskbarSettingKeepsTheFramelessAndZOrderFlags)
{
    const struct
    {
        int winBeh;
        Qt::WindowFlags zOrder;
    } cases[] = {
        {0, Qt::WindowStaysOnTopHint},
        {1, {}},
        {2, Qt::WindowStaysOnBottomHint},
    };
    for (const auto& c : cases) {
        open(configText("WinBeh=" + QByteArray::number(c.winBeh) + "\n"));
        for (const bool hide : {true, false}) {
            runOptions([&](CPropertiesDlg& dlg) {
                // Above a strip that stays on top, the dialog does too.
                EXPECT_EQ(dlg.windowFlags().testFlag(Qt::WindowStaysOnTopHint), c.winBeh == 0);
                control<QCheckBox>(dlg, "checkHideTaskBarButton")->setChecked(hide);
                click(dlg, "buttonOK");
            });
            const Qt::WindowFlags flags = window->windowFlags();
            EXPECT_TRUE(flags.testFlag(Qt::FramelessWindowHint)) << c.winBeh;
            EXPECT_EQ(flags & (Qt::WindowStaysOnTopHint | Qt::WindowStaysOnBottomHint), c.zOrder) << c.winBeh;
            EXPECT_EQ((flags & Qt::WindowType_Mask) == Qt::Tool, hide) << c.winBeh;
            EXPECT_TRUE(window->isVisible());
            EXPECT_EQ(stored("HideTaskBarButton"), hide ? QStringLiteral("1") : QStringLiteral("0"));
        }
        window.reset();
    }
}

TEST_F(Options, ClosingTheDialogLeavesTheProgramRunning)
{
    QDir().mkpath(env.dataDir());
    test::writeFile(configPath(), configText(""));
    window = std::make_unique<StartableDlg>(nullptr, 0);
    bool exitChosen = false;
    bool stripShownAfterClose = false;
    QTimer::singleShot(0, window.get(), [&] {
        QTimer::singleShot(0, window.get(), [&] { window->m_dlgOptions->close(); });
        window->OnTrayOptions();
        stripShownAfterClose = window->isVisible();
        QTimer::singleShot(0, window.get(), [&] {
            exitChosen = true;
            window->OnTrayExit();
        });
    });
    // The window's own loop ends with Exit only.
    window->DoModal();
    EXPECT_TRUE(stripShownAfterClose);
    EXPECT_TRUE(exitChosen);
    window.reset();
}

} // namespace
