// The sound and speech settings of a box.
#include "ui/dialogs/PlaySoundSettings.h"
#include "core/BoxRecord.h"
#include "platform/desktop/Dialogs.h"

#include "TestSupport.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const char* const kRows[] = {"Up", "Down", "Open", "Close", "TcpDown"};

template <typename T> T* control(QWidget& dialog, const char* role, int row)
{
    T* found = dialog.findChild<T*>(QLatin1String(role) + QLatin1String(kRows[row]));
    EXPECT_NE(found, nullptr) << role << kRows[row];
    return found;
}

// Which controls of a row can be used, as seven marks: custom-sound check,
// file, browse, sound test, speech check, text, speech test.
std::string enabledMarks(QWidget& dialog, int row)
{
    const QWidget* widgets[] = {control<QCheckBox>(dialog, "checkCustom", row),
                                control<QLineEdit>(dialog, "editFile", row),
                                control<QPushButton>(dialog, "buttonBrowse", row),
                                control<QPushButton>(dialog, "buttonTestSound", row),
                                control<QCheckBox>(dialog, "checkSpeech", row),
                                control<QLineEdit>(dialog, "editSpeech", row),
                                control<QPushButton>(dialog, "buttonTestSpeech", row)};
    std::string marks;
    for (const QWidget* w : widgets)
        marks += w->isEnabled() ? '1' : '0';
    return marks;
}

class FakeSoundPicker : public platform::DialogService
{
public:
    FakeSoundPicker() { platform::setDialogService(this); }
    ~FakeSoundPicker() override { platform::setDialogService(nullptr); }
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return QString(); }
    QString getOpenFileName(QWidget*, const QString& filter) override
    {
        asked.push_back(filter);
        return answer;
    }
    bool getColor(QWidget*, const QColor&, QColor&) override { return false; }
    QStringList asked;
    QString answer;
};

void open(CPlaySoundSettings& dialog, int method, int32_t custom, int32_t speech)
{
    dialog.m_nMethod = method;
    dialog.m_bCustomSound = CPlaySoundSettings::FlagsFromMask(custom);
    dialog.m_bSpeech = CPlaySoundSettings::FlagsFromMask(speech);
    dialog.OnInitDialog();
    dialog.show();
}

// A click on a check box's mark: a check box wider than its text takes no
// click beyond the text.
void clickMark(QCheckBox* check)
{
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
}

} // namespace

TEST(PlaySoundSettings, RowsAreEnabledByTheMethodAndTheKindEachRowUses)
{
    const struct
    {
        int method;
        int32_t custom, speech;
        const char* rows[5]; // Up, Down, Open, Close, TCP Down
        const char* picture;
    } cases[] = {
        // Up plays its file, Down speaks; the TCP rows are out of reach.
        {METHOD_PING,
         0b00001,
         0b00010,
         {"1111100", "1000111", "0000000", "0000000", "0000000"},
         "PlaySoundSettings-Ping"},
        {METHOD_URL, 0b00001, 0b00010, {"1111100", "1000111", "0000000", "0000000", "0000000"}, nullptr},
        // Both set for Open: speech wins. Close uses the built-in sound.
        {METHOD_TCP,
         0b10100,
         0b00100,
         {"0000000", "0000000", "1000111", "1000100", "1111100"},
         "PlaySoundSettings-Tcp"},
    };
    for (const auto& c : cases) {
        CPlaySoundSettings dialog;
        open(dialog, c.method, c.custom, c.speech);
        for (int row = 0; row < CPlaySoundSettings::ROW_COUNT; ++row)
            EXPECT_EQ(enabledMarks(dialog, row), c.rows[row])
                << "method " << c.method << " row " << kRows[row];
        if (c.picture)
            test::saveDialogPicture(&dialog, QString::fromLatin1(c.picture));
    }
}

TEST(PlaySoundSettings, SpeechWinsAndOkRebuildsBothMasksKeepingTheOtherMethodsRows)
{
    CPlaySoundSettings dialog;
    dialog.m_strSoundFile[CPlaySoundSettings::ROW_OPEN] = QStringLiteral("/snd/open.wav");
    dialog.m_strSpeechText[CPlaySoundSettings::ROW_CLOSE] = QStringLiteral("closed");
    // Up plays, Down both (speech wins), Open plays, TCP Down both.
    open(dialog, METHOD_PING, 0b10111, 0b11010);
    EXPECT_FALSE(control<QCheckBox>(dialog, "checkCustom", 1)->isChecked());
    EXPECT_TRUE(control<QCheckBox>(dialog, "checkSpeech", 1)->isChecked());

    // Speech for Up takes the row from its file; a file for Down takes it
    // from speech.
    clickMark(control<QCheckBox>(dialog, "checkSpeech", 0));
    EXPECT_FALSE(control<QCheckBox>(dialog, "checkCustom", 0)->isChecked());
    EXPECT_EQ(enabledMarks(dialog, 0), "1000111");
    clickMark(control<QCheckBox>(dialog, "checkCustom", 1));
    EXPECT_FALSE(control<QCheckBox>(dialog, "checkSpeech", 1)->isChecked());
    EXPECT_EQ(enabledMarks(dialog, 1), "1111100");
    // Unchecking leaves the built-in sound.
    clickMark(control<QCheckBox>(dialog, "checkCustom", 1));
    EXPECT_EQ(enabledMarks(dialog, 1), "1000100");
    clickMark(control<QCheckBox>(dialog, "checkCustom", 1));

    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("buttonOK")), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(CPlaySoundSettings::MaskFromFlags(dialog.m_bCustomSound), 0b00110);
    EXPECT_EQ(CPlaySoundSettings::MaskFromFlags(dialog.m_bSpeech), 0b11001);
    EXPECT_EQ(dialog.m_strSoundFile[CPlaySoundSettings::ROW_OPEN], QStringLiteral("/snd/open.wav"));
    EXPECT_EQ(dialog.m_strSpeechText[CPlaySoundSettings::ROW_CLOSE], QStringLiteral("closed"));
}

TEST(PlaySoundSettings, BrowseFillAndTestsGoThroughThePickerAndTheSoundThread)
{
    test::RecordingSound sound;
    test::RecordingSpeech speech;
    platform::setSoundOutput(&sound);
    platform::setSpeechOutput(&speech);
    FakeSoundPicker picker;
    QTemporaryDir dir;
    const QString wav = dir.path() + QStringLiteral("/Bell.WAV");
    test::writeFile(wav, "RIFF");

    CPlaySoundSettings dialog;
    dialog.m_strBoxName = QStringLiteral("Main router");
    open(dialog, METHOD_TCP, 0b00100, 0b01000);
    picker.answer = wav;
    QTest::mouseClick(control<QPushButton>(dialog, "buttonBrowse", 2), Qt::LeftButton);
    EXPECT_EQ(picker.asked, QStringList{QStringLiteral("WAV File (*.wav)")});
    EXPECT_EQ(control<QLineEdit>(dialog, "editFile", 2)->text(), wav);
    picker.answer.clear();
    QTest::mouseClick(control<QPushButton>(dialog, "buttonBrowse", 2), Qt::LeftButton);
    EXPECT_EQ(control<QLineEdit>(dialog, "editFile", 2)->text(), wav); // cancelled: kept

    // The fill button sets all five texts, and keeps the path just picked.
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("buttonFillSpeechTexts")),
                      Qt::LeftButton);
    const char* filled[] = {"%name is Up", "%name is Down", "%name is Open", "%name is Close",
                            "%name is Down"};
    for (int row = 0; row < CPlaySoundSettings::ROW_COUNT; ++row)
        EXPECT_EQ(control<QLineEdit>(dialog, "editSpeech", row)->text(), QLatin1String(filled[row]));
    EXPECT_EQ(control<QLineEdit>(dialog, "editFile", 2)->text(), wav);

    QTest::mouseClick(control<QPushButton>(dialog, "buttonTestSound", 2), Qt::LeftButton);
    QTest::mouseClick(control<QPushButton>(dialog, "buttonTestSpeech", 3), Qt::LeftButton);
    EXPECT_TRUE(test::waitFor([&] { return !sound.played().isEmpty() && !speech.spoken().isEmpty(); }));
    EXPECT_EQ(sound.take(), QStringList{QStringLiteral("file:") + wav});
    EXPECT_EQ(speech.take(), QStringList{QStringLiteral("Main router is Close")});
    platform::setSoundOutput(nullptr);
    platform::setSpeechOutput(nullptr);
}
