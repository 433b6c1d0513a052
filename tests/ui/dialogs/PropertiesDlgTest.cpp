// The Options dialog on its own: the size fields with their ranges, the
// time-out spin, the error sound or speech, the tests and the volume preview.
#include "TestSupport.h"

#include "core/Workers.h"
#include "platform/desktop/Messages.h"
#include "ui/dialogs/BalloonTip.h"
#include "ui/dialogs/PropertiesDlg.h"
#include "ui/dialogs/SpinEdit.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Clicked near the left edge, where a check box has its box.
void clickButton(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

constexpr int kWaitMs = 10000;

// Records the volume levels set, besides what is played.
class VolumeSound : public test::RecordingSound
{
public:
    void setVolume(uint32_t level) override { levels.push_back(level); }
    std::vector<uint32_t> levels;
};

class PropertiesDlg : public ::testing::Test
{
protected:
    PropertiesDlg()
        : parent([this](uint32_t message, platform::WPARAM, platform::LPARAM) -> platform::LRESULT {
              if (message == platform::WM_APPLYOPTIONS)
                  applied.push_back(dlg.m_nXBox);
              return 0;
          })
    {
        platform::setSoundOutput(&sound);
        platform::setSpeechOutput(&speech);
        dlg.SetParentWindow(&parent);
        dlg.m_nXBox = 90;
        dlg.m_nYBox = 80;
        dlg.m_nVerifyTime = 3;
        dlg.m_nTimeOut = 3000;
        dlg.m_dwVolume = 40000;
        dlg.m_strErrorTextSpeechText = QStringLiteral("%name Error");
    }
    ~PropertiesDlg() override
    {
        waitForWorkers(kWaitMs);
        platform::setSoundOutput(nullptr);
        platform::setSpeechOutput(nullptr);
    }

    void open()
    {
        dlg.OnInitDialog();
        dlg.show();
    }
    template <class T> T* control(const char* name)
    {
        T* found = dlg.findChild<T*>(QLatin1String(name));
        if (!found)
            ADD_FAILURE() << "no control " << name;
        return found;
    }
    // Types into the field over what it holds.
    static void typeInto(CSpinEdit* spin, const QString& text)
    {
        spin->edit()->selectAll();
        QTest::keyClicks(spin->edit(), text);
    }
    static QString balloonText(QWidget* widget)
    {
        const CBalloonTip* balloon = CBalloonTip::visibleFor(widget);
        return balloon ? balloon->title() + u' ' + balloon->text() : QString();
    }
    static void hideBalloon(QWidget* widget)
    {
        if (CBalloonTip* balloon = CBalloonTip::visibleFor(widget))
            balloon->hide();
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    VolumeSound sound;
    test::RecordingSpeech speech;
    platform::MessageReceiver parent;
    std::vector<uint32_t> applied;
    CPropertiesDlg dlg;
};

TEST_F(PropertiesDlg, SizeFieldsShowTheirRangeWhileTypedAndAreHeldToItOnLeaving)
{
    const struct
    {
        const char* field;
        const char* typed;
        const char* balloon; // after the last key; empty: none
        const char* left;    // the field once it lost the focus
    } cases[] = {
        {"spinWidth", "350", "Range: 60 to 300", "300"},
        {"spinWidth", "45", "Range: 60 to 300", "60"},
        {"spinWidth", "150", "", "150"},
        {"spinWidth", "300", "", "300"},
        {"spinHeight", "250", "Range: 60 to 200", "200"},
        {"spinHeight", "201", "Range: 60 to 200", "200"},
        {"spinHeight", "60", "", "60"},
    };
    open();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.typed);
        CSpinEdit* spin = control<CSpinEdit>(c.field);
        const QString typed = QString::fromLatin1(c.typed);
        // The first digit alone is below the range; the balloon that shows
        // goes again once the number is in range.
        typeInto(spin, typed.left(1));
        EXPECT_EQ(balloonText(spin),
                  QStringLiteral("Range: %1 to %2").arg(spin->minimum()).arg(spin->maximum()));
        QTest::keyClicks(spin->edit(), typed.mid(1));
        EXPECT_EQ(balloonText(spin), QString::fromLatin1(c.balloon));
        EXPECT_EQ(spin->edit()->text(), typed);
        QFocusEvent focusOut(QEvent::FocusOut);
        QCoreApplication::sendEvent(spin, &focusOut);
        EXPECT_EQ(spin->edit()->text(), QString::fromLatin1(c.left));
        EXPECT_EQ(balloonText(spin), QString());
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PropertiesDlg, FullSizeFieldsRefuseMoreDigitsAndApplyHoldsTheTypedValue)
{
    open();
    CSpinEdit* width = control<CSpinEdit>("spinWidth");
    typeInto(width, QStringLiteral("999"));
    hideBalloon(width);
    // A fourth digit is refused, and the range is shown again.
    QTest::keyClicks(width->edit(), QStringLiteral("1"));
    EXPECT_EQ(width->edit()->text(), QStringLiteral("999"));
    EXPECT_EQ(balloonText(width), QStringLiteral("Range: 60 to 300"));

    // Apply without leaving the field: the main window is handed 300.
    clickButton(control<QPushButton>("buttonApply"));
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied[0], 300u);
    EXPECT_EQ(width->edit()->text(), QStringLiteral("300"));

    // An emptied field cannot be read: the user is told, and its last value comes back.
    width->edit()->selectAll();
    QTest::keyClick(width->edit(), Qt::Key_Backspace);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Enter a positive integer."));
    EXPECT_EQ(width->edit()->text(), QStringLiteral("300"));
}

TEST_F(PropertiesDlg, TimeOutStepsByFiveHundredWithinItsRangeAndCannotBeTyped)
{
    const struct
    {
        uint32_t from;
        Qt::Key key;
        const char* to;
    } cases[] = {
        {3000, Qt::Key_Up, "3500"},   {5000, Qt::Key_Up, "5000"},   {4500, Qt::Key_Up, "5000"},
        {1000, Qt::Key_Down, "1000"}, {3000, Qt::Key_Down, "2500"},
    };
    for (const auto& c : cases) {
        dlg.m_nTimeOut = c.from;
        open();
        CSpinEdit* spin = control<CSpinEdit>("spinTimeOut");
        QTest::keyClick(spin, c.key);
        EXPECT_EQ(spin->edit()->text(), QString::fromLatin1(c.to)) << c.from;
        EXPECT_EQ(dlg.m_nTimeOut, spin->edit()->text().toUInt());
        QTest::keyClicks(spin->edit(), QStringLiteral("7"));
        EXPECT_EQ(spin->edit()->text(), QString::fromLatin1(c.to));
    }
    // The interval is carried, not shown.
    EXPECT_FALSE(control<CSpinEdit>("spinInterval")->isVisible());
}

TEST_F(PropertiesDlg, ErrorSoundAndErrorSpeechExcludeEachOther)
{
    dlg.m_bErrorDefaultSound = dlg.m_bErrorTextSpeechSound = 1;
    dlg.m_bDCOBEFE = 1;
    dlg.m_strDCOBEFPath = QStringLiteral("/usr/bin/notify-send");
    dlg.m_strDCOBEFParameters = QStringLiteral("%name %ip %status");
    dlg.m_strPlayErrorDefSoundPath = QStringLiteral("/home/user/sounds/error.wav");
    open();
    test::saveDialogPicture(&dlg, QStringLiteral("options"));
    auto* sound = control<QCheckBox>("checkErrorSound");
    auto* speech = control<QCheckBox>("checkErrorSpeech");
    auto* file = control<QLineEdit>("editErrorSoundFile");
    auto* text = control<QLineEdit>("editErrorSpeechText");
    // sound on, speech on, file enabled, text enabled after each step; both
    // stored on open with the speech only.
    const auto state = [&] {
        return std::vector<bool>{sound->isChecked(), speech->isChecked(), file->isEnabled(),
                                 text->isEnabled()};
    };
    EXPECT_EQ(state(), (std::vector<bool>{false, true, false, true}));
    clickButton(sound);
    EXPECT_EQ(state(), (std::vector<bool>{true, false, true, false}));
    test::saveDialogPicture(&dlg, QStringLiteral("options-error-sound"));
    clickButton(speech);
    EXPECT_EQ(state(), (std::vector<bool>{false, true, false, true}));
    clickButton(speech);
    EXPECT_EQ(state(), (std::vector<bool>{false, false, false, false}));
    EXPECT_TRUE(control<QLineEdit>("editDblClickPath")->isEnabled());
}

TEST_F(PropertiesDlg, TestButtonsPlayTheErrorSoundSpeakTheTextAndPlayTheVolumeSound)
{
    const QString wav = env.path() + QStringLiteral("/error.wav");
    test::writeFile(wav, "RIFF");
    dlg.m_strPlayErrorDefSoundPath = wav;
    open();
    // The file plays although its check box is off.
    clickButton(control<QPushButton>("buttonTestSound"));
    clickButton(control<QPushButton>("buttonTestVolume"));
    EXPECT_TRUE(test::waitFor([&] { return sound.played().size() == 2; }, kWaitMs));
    QStringList played = sound.played();
    played.sort();
    EXPECT_EQ(played, QStringList({QStringLiteral("builtin:IDW_VOLTEST"), QStringLiteral("file:") + wav}));

    control<QLineEdit>("editErrorSpeechText")->setText(QStringLiteral("%name fell over"));
    clickButton(control<QPushButton>("buttonTestSpeech"));
    EXPECT_TRUE(test::waitFor([&] { return !speech.spoken().isEmpty(); }, kWaitMs));
    EXPECT_EQ(speech.spoken(), QStringList{QStringLiteral("Check Name fell over")});
}

TEST_F(PropertiesDlg, VolumeSliderAndMutePreviewAtOnceAndDefaultsSetFullVolume)
{
    open();
    EXPECT_EQ(sound.levels, std::vector<uint32_t>{40000});
    auto* slider = control<QSlider>("sliderVolume");
    auto* mute = control<QCheckBox>("checkMute");
    EXPECT_EQ(slider->value(), 40000);
    slider->setValue(20000);
    clickButton(mute);
    slider->setValue(10000); // muted: moves the value, not the output
    clickButton(mute);
    EXPECT_EQ(sound.levels, (std::vector<uint32_t>{40000, 20000, 0, 10000}));
    EXPECT_EQ(dlg.m_dwVolume, 10000u);

    clickButton(control<QPushButton>("buttonDefaults"));
    EXPECT_EQ(sound.levels.back(), 65535u);
    EXPECT_EQ(slider->value(), 65535);
    EXPECT_TRUE(applied.empty()); // nothing is handed over before Apply or OK
}

} // namespace
