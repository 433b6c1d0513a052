#include "ui/dialogs/BoxPropertiesDlg.h"

#include "core/Workers.h"
#include "platform/sound/Sound.h"
#include "ui/dialogs/BalloonTip.h"
#include "ui/dialogs/ColorButton.h"
#include "ui/dialogs/SpinEdit.h"

#include "TestSupport.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <tuple>

#include <gtest/gtest.h>

static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

constexpr int kWorkerWaitMs = 10000;

class BoxPropertiesDlg : public ::testing::Test
{
protected:
    BoxPropertiesDlg()
        : receiver([this](uint32_t message, platform::WPARAM, platform::LPARAM) -> platform::LRESULT {
              if (message == platform::WM_APPLYBOXPROPERTIES)
                  applied.push_back(dlg.Text + u'|' + dlg.IPAdress + u'|' + QString::number(dlg.Port));
              return 0;
          }),
          dlg(&receiver, nullptr)
    {
        platform::setSoundOutput(&sound);
        platform::setSpeechOutput(&speech);
        dlg.Text = QStringLiteral("Router");
        dlg.IPAdress = QStringLiteral("127.0.0.1");
        dlg.Phrase = QStringLiteral("html");
    }
    ~BoxPropertiesDlg() override
    {
        waitForWorkers(kWorkerWaitMs);
        platform::setSoundOutput(nullptr);
        platform::setSpeechOutput(nullptr);
    }

    void open()
    {
        dlg.OnInitDialog();
        dlg.show();
    }
    template <typename T> T* control(const char* name)
    {
        T* found = dlg.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }
    QString text(const char* name)
    {
        if (auto* label = dlg.findChild<QLabel*>(QString::fromLatin1(name)))
            return label->text();
        return control<QAbstractButton>(name)->text();
    }
    void click(const char* name)
    {
        QAbstractButton* button = control<QAbstractButton>(name);
        // A check box or radio takes clicks on its mark and text only.
        const bool checkable = qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button);
        const QPoint at = checkable ? QPoint(8, button->height() / 2) : button->rect().center();
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, at);
    }
    // Replaces the field's text as a paste would.
    void retype(const char* name, const QString& value)
    {
        QLineEdit* field = edit(name);
        field->selectAll();
        if (value.isEmpty()) {
            QTest::keyClick(field, Qt::Key_Delete);
            return;
        }
        QGuiApplication::clipboard()->setText(value);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    }
    QStringList messageTexts()
    {
        QStringList texts;
        for (const auto& shown : messages.shown)
            texts << shown.text;
        messages.shown.clear();
        return texts;
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    test::RecordingSound sound;
    test::RecordingSpeech speech;
    platform::MessageReceiver receiver;
    QStringList applied;
    CBoxPropertiesDlg dlg;
};

TEST_F(BoxPropertiesDlg, OkAndApplyRefuseWhatWouldBreakTheStrip)
{
    struct Case
    {
        const char* radio;
        QString target, name, port;
        QString message;
        bool taken;
        uint32_t portTaken;
    };
    const QString noUrl = QStringLiteral("URL不包含有效的http服务类型。");
    const QString emptyPort = QStringLiteral("Enter a positive integer.");
    const Case cases[] = {
        {"radioUrl", "http://127.0.0.1:8080/status?x=1", "Web", "80", {}, true, 80},
        {"radioUrl", "https://example.org/", "Web", "80", {}, true, 80}, // the URL check fetches https too
        {"radioUrl", "ftp://example.org/", "Web", "80", noUrl, false, 80},
        {"radioUrl", "example.org", "Web", "80", noUrl, false, 80},
        {"radioUrl", "http://", "Web", "80", noUrl, false, 80},
        {"radioUrl", "", "Web", "80", noUrl, false, 80},
        {"radioPing", "", "PC", "80", QStringLiteral("IP地址丢失。"), false, 80},
        {"radioPing", "10.0.0.1", "", "80", QStringLiteral("名称丢失。"), false, 80},
        {"radioPing", "10.0.0.1", " ", "80", QStringLiteral("名称丢失。"), false,
         80}, // a lone blank is no name
        {"radioPing", "10.0.0.1", "  ", "80", {}, true, 80},
        {"radioPing", "10.0.0.1", "PC", "99999", {}, true, 65535}, // held also where the field is off
        {"radioTcp", "10.0.0.1", "Gate", "65536", {}, true, 65535},
        {"radioTcp", "10.0.0.1", "Gate", "8080", {}, true, 8080},
        {"radioTcp", "10.0.0.1", "Gate", "", emptyPort, true, 3389}, // the previous port, shown again
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.toStdString() + " / " + c.name.toStdString() + " / " + c.port.toStdString());
        dlg.Port = 3389;
        open();
        click("radioTcp"); // the port field takes typing only for TCP
        retype("editTarget", c.target);
        retype("editName", c.name); // writes every field back: the port comes after it
        retype("editPort", c.port);
        click(c.radio);
        messages.shown.clear();
        applied.clear();
        click("btnApply");
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("编辑检查")); // refused or not
        EXPECT_EQ(messageTexts(), c.message.isEmpty() ? QStringList{} : QStringList{c.message});
        EXPECT_EQ(applied.size(), c.taken ? 1 : 0);
        if (c.taken) {
            EXPECT_EQ(dlg.Port, c.portTaken);
            EXPECT_EQ(edit("editPort")->text(), QString::number(c.portTaken));
        }
        // OK refuses alike and only then ends the dialog.
        dlg.setResult(QDialog::Rejected);
        click("btnOK");
        EXPECT_EQ(dlg.result(), c.taken ? QDialog::Accepted : QDialog::Rejected);
    }
}

TEST_F(BoxPropertiesDlg, CaptionAndLabelsFollowModeMethodAndIpVersion)
{
    dlg.m_bAdd = true;
    open();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("添加检查"));
    struct Case
    {
        const char* radio;
        bool tcp, url;
        QString up, down, previewUp, previewDown, target;
    };
    const QString up = QStringLiteral("上"), down = QStringLiteral("下");
    const Case cases[] = {
        {"radioTcp", true, false, "Open", "关闭,下", "Open", "关闭,下", "IPv4, 主机或计算机"},
        {"radioUrl", false, true, up, down, "  上", "     下", "URL (http://...)"},
        {"radioPing", false, false, up, down, "  上", "     下", "IPv4, 主机或计算机"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radio);
        click(c.radio);
        for (const char* name : {"editPort", "checkSoundClose", "checkMsgBoxClose", "btnTestClose"})
            EXPECT_EQ(control<QWidget>(name)->isEnabled(), c.tcp) << name;
        EXPECT_EQ(edit("editPhrase")->isEnabled(), c.url);
        EXPECT_EQ(control<QRadioButton>("radioIPv6")->isEnabled(), !c.url);
        EXPECT_TRUE(control<QRadioButton>("radioIPv4")->isChecked());
        for (const char* name :
             {"checkSoundUp", "checkMsgBoxUp", "btnTestUp", "labelBoxColorUp", "labelTextColorUp"})
            EXPECT_EQ(text(name), c.up) << name;
        EXPECT_EQ(text("labelBoxColorDown"), c.down);
        EXPECT_EQ(text("labelTextColorDown"), c.down);
        EXPECT_EQ(text("checkSoundDown"), down);
        EXPECT_EQ(text("labelPreviewUp"), c.previewUp);
        EXPECT_EQ(text("labelPreviewDown"), c.previewDown);
        EXPECT_EQ(text("labelTarget"), c.target);
    }
    // IPv6 switches the label; URL takes it back to IPv4, which stays after URL.
    click("radioIPv6");
    EXPECT_EQ(dlg.IPv, 1);
    EXPECT_EQ(text("labelTarget"), QStringLiteral("IPv6, 主机或计算机"));
    click("radioUrl");
    EXPECT_EQ(dlg.IPv, 0);
    EXPECT_FALSE(control<QRadioButton>("radioIPv6")->isChecked());
    click("radioTcp");
    EXPECT_TRUE(control<QRadioButton>("radioIPv4")->isChecked());
}

TEST_F(BoxPropertiesDlg, NotificationChecksSetTheirBitsAndCloseKeepsItsStateWhenOff)
{
    dlg.VerifyMetod = METHOD_TCP;
    dlg.Sound = 0x4;
    dlg.MsgBox = 0x1;
    open();
    for (const char* name : {"checkSoundError", "checkMsgBoxUp", "checkMsgBoxDown"})
        click(name);
    click("radioPing");
    EXPECT_TRUE(control<QCheckBox>("checkSoundClose")->isChecked());
    EXPECT_EQ(dlg.Sound, 0xC);
    EXPECT_EQ(dlg.MsgBox, 0x2);
}

TEST_F(BoxPropertiesDlg, RepeatBalloonTellsHowLongTheStatusMustLast)
{
    struct Case
    {
        uint32_t interval;
        const char* spin;
        QString count, balloon;
    };
    const Case cases[] = {
        {30, "spinSoundCount", "10", "如果IP更改状态，播放声音 0 时 5 分 0 秒。"},
        {30, "spinSoundCount", "0", "如果IP更改状态，播放声音 0 时 0 分 0 秒。"},
        {500, "spinMsgBoxCount", "9999", "如果IP更改状态，显示消息框 1388 时 45 分 0 秒。"},
        {7, "spinMsgBoxCount", "", "如果IP更改状态，显示消息框 0 时 0 分 0 秒。"}, // empty: 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.balloon.toStdString());
        dlg.CheckInterval = c.interval;
        open();
        QLineEdit* field = control<CSpinEdit>(c.spin)->edit();
        field->selectAll();
        if (c.count.isEmpty())
            QTest::keyClick(field, Qt::Key_Delete);
        else
            QTest::keyClicks(field, c.count);
        ASSERT_NE(CBalloonTip::visibleFor(&dlg), nullptr);
        EXPECT_EQ(CBalloonTip::visibleFor(&dlg)->text(), c.balloon);
        EXPECT_EQ(c.spin == std::string("spinSoundCount") ? dlg.nPS : dlg.nMSGB, c.count.toUInt());
    }
    // The arrows step the count and tell the same.
    dlg.CheckInterval = 60;
    dlg.nPS = 59;
    open();
    control<CSpinEdit>("spinSoundCount")->stepBy(1);
    EXPECT_EQ(dlg.nPS, 60u);
    EXPECT_EQ(CBalloonTip::visibleFor(&dlg)->text(),
              QStringLiteral("如果IP更改状态，播放声音 1 时 0 分 0 秒。"));
}

TEST_F(BoxPropertiesDlg, DefaultsKeepNameTargetAndCustomSoundsButClearSpeech)
{
    dlg.VerifyMetod = METHOD_URL;
    dlg.IPAdress = QStringLiteral("http://127.0.0.1/");
    dlg.Port = 8080;
    dlg.Sound = dlg.MsgBox = 0xF;
    dlg.nPS = dlg.nMSGB = 4;
    dlg.CheckInterval = 60;
    dlg.Logging = dlg.ExecFileCheck = 1;
    dlg.CustomSoundCheck = dlg.SpeechTextCheck = 0x1F;
    dlg.UpPath = QStringLiteral("/sounds/up.wav");
    dlg.Phrase = QStringLiteral("ok");
    open();
    click("btnDefaults");
    EXPECT_TRUE(control<QRadioButton>("radioPing")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("radioIPv6")->isEnabled());
    for (const char* name :
         {"checkSoundUp", "checkSoundError", "checkMsgBoxDown", "checkLogging", "checkExecFile"})
        EXPECT_FALSE(control<QCheckBox>(name)->isChecked()) << name;
    EXPECT_EQ(control<CSpinEdit>("spinMsgBoxCount")->edit()->text(), QStringLiteral("0"));
    EXPECT_EQ(dlg.m_OnLineBoxColor->GetColor(), 0xFED1C5u);
    EXPECT_EQ(dlg.m_OffLineTextColor->GetColor(), 0xFFFFFFu);
    click("btnOK");
    const auto values =
        std::tuple(dlg.Text, dlg.IPAdress, dlg.CustomSoundCheck, dlg.UpPath, dlg.SpeechTextCheck,
                   dlg.VerifyMetod, dlg.Port, dlg.Sound, dlg.MsgBox, dlg.nPS, dlg.nMSGB, dlg.CheckInterval,
                   dlg.Logging, dlg.ExecFileCheck, dlg.Phrase, dlg.OnLinePicFile);
    EXPECT_EQ(values,
              std::tuple(QStringLiteral("Router"), QStringLiteral("http://127.0.0.1/"), 0x1F,
                         QStringLiteral("/sounds/up.wav"), 0, int(METHOD_PING), 80u, uint8_t(0), uint8_t(0),
                         0u, 0u, 3u, 0, 0, QStringLiteral("html"), QStringLiteral("1274607096_Desktop.ico")));
}

TEST_F(BoxPropertiesDlg, TestButtonsPlayWhatTheStatusChangeWould)
{
    test::writeFile(env.path() + QStringLiteral("/up.wav"), "RIFF");
    test::writeFile(env.path() + QStringLiteral("/close.wav"), "RIFF");
    const QString upWav = env.path() + QStringLiteral("/up.wav");
    const QString closeWav = env.path() + QStringLiteral("/close.wav");
    struct Case
    {
        int method;
        int custom, speech;
        const char* button;
        QString played, spoken;
    };
    const Case cases[] = {
        {METHOD_PING, 0, 0, "btnTestUp", "builtin:IDW_UP", {}},
        {METHOD_PING, 0, 0, "btnTestDown", "builtin:IDW_DOWN", {}},
        {METHOD_URL, 1, 1, "btnTestUp", "file:" + upWav, {}},  // the file before the speech
        {METHOD_TCP, 1, 0, "btnTestUp", "builtin:IDW_UP", {}}, // bit 1 is not TCP's
        {METHOD_PING, 0, 2, "btnTestDown", {}, "Router is Down"},
        {METHOD_TCP, 0, 16, "btnTestDown", {}, "Router is down (TCP)"},
        {METHOD_TCP, 0, 4, "btnTestUp", {}, "Router is Open"},
        {METHOD_TCP, 8, 0, "btnTestClose", "file:" + closeWav, {}},
        {METHOD_TCP, 0, 8, "btnTestClose", {}, "Router closed"},
        {METHOD_TCP, 0, 0, "btnTestClose", "builtin:IDW_DOWN", {}},
        {METHOD_PING, 0, 0, "btnTestError", {}, "error at Router"}, // the main settings' error sound
    };
    dlg.UpPath = upWav;
    dlg.ClosePath = closeWav;
    dlg.DownTextString = QStringLiteral("%name is Down");
    dlg.TDownTextString = QStringLiteral("%text is down (TCP)");
    dlg.OpenTextString = QStringLiteral("%name is Open");
    dlg.CloseTextString = QStringLiteral("%name closed");
    dlg.ErrorTextSpeechSound = 1;
    dlg.ErrorTextSpeechText = QStringLiteral("error at %name");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.button) + " " + std::to_string(c.method));
        dlg.VerifyMetod = c.method;
        dlg.CustomSoundCheck = c.custom;
        dlg.SpeechTextCheck = c.speech;
        open();
        click(c.button);
        ASSERT_TRUE(waitForWorkers(kWorkerWaitMs));
        EXPECT_EQ(sound.take(), c.played.isEmpty() ? QStringList{} : QStringList{c.played});
        EXPECT_EQ(speech.take(), c.spoken.isEmpty() ? QStringList{} : QStringList{c.spoken});
    }
    // Without the speech the error test plays the chosen file, else the built-in sound.
    dlg.ErrorTextSpeechSound = 0;
    dlg.ErrorDefaultSound = 1;
    dlg.PlayErrorDefSoundPath = upWav;
    open();
    click("btnTestError");
    ASSERT_TRUE(waitForWorkers(kWorkerWaitMs));
    EXPECT_EQ(sound.take(), QStringList{"file:" + upWav});
}

TEST_F(BoxPropertiesDlg, MessageBoxTestShowsTheNotificationTextByMethod)
{
    dlg.VerifyMetod = METHOD_TCP;
    dlg.Port = 8080;
    dlg.Text = QStringLiteral("<b>Gate</b>");
    dlg.MsgBoxDesc = QStringLiteral("%name is %status");
    open();
    click("btnTestMsgBox");
    ASSERT_TRUE(test::waitFor([&] {
        std::lock_guard guard(messages.lock);
        return !messages.shown.empty();
    }));
    std::lock_guard guard(messages.lock);
    const QStringList lines = messages.shown[0].text.split(u'\n');
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0], QStringLiteral("Description: <b>Gate</b> is STATUS"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Date: ")));
    EXPECT_EQ(lines.mid(3), (QStringList{"Name: <b>Gate</b>", "Method: TCP", "IP: 127.0.0.1", "Port: 8080",
                                         "Status: Open(Close,Down,ERROR)"}));
    EXPECT_EQ(messages.shown[0].type,
              platform::MB_ICONINFORMATION | platform::MB_SYSTEMMODAL | platform::MB_TOPMOST);
}

TEST_F(BoxPropertiesDlg, PicturesOfEachMethod)
{
    dlg.m_bAdd = true;
    dlg.Sound = 0x5;
    dlg.MsgBox = 0x8;
    dlg.nPS = 2;
    dlg.m_OnLineBoxColor->SetColor(0xFED1C5);
    dlg.m_OffLineBoxColor->SetColor(0x797979);
    dlg.m_OffLineTextColor->SetColor(0xFFFFFF);
    open();
    for (const char* radio : {"radioPing", "radioTcp", "radioUrl"}) {
        click(radio);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        // Nothing of the form may be cut: each control gets at least the size it asks for.
        for (QWidget* child : dlg.findChildren<QWidget*>()) {
            if (!child->isVisible() || child->objectName().startsWith(QLatin1String("qt_")) ||
                child->objectName().isEmpty())
                continue;
            EXPECT_GE(child->width(), child->minimumSizeHint().width()) << child->objectName().toStdString();
            EXPECT_GE(child->height(), child->minimumSizeHint().height())
                << child->objectName().toStdString();
        }
        test::saveDialogPicture(&dlg, QStringLiteral("BoxProperties-") + QString::fromLatin1(radio + 5));
    }
}

} // namespace
