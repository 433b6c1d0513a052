#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <memory>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace Ui {
class CPlaySoundSettings;
}

// A box's own sound files and speech texts, one row per status that can
// sound: Up and Down for Ping and URL boxes, Open, Close and Down for TCP
// boxes. A row plays its own file, speaks its text, or (neither checked)
// leaves the built-in sound. The opener fills the values, calls OnInitDialog,
// runs the dialog and reads the values back after OK.
class CPlaySoundSettings : public QDialog
{
    Q_OBJECT
public:
    // The rows, in the order of the bits of CustomSoundCheck and
    // SpeechTextCheck (row i is bit 2^i).
    enum Row
    {
        ROW_UP,
        ROW_DOWN,
        ROW_OPEN,
        ROW_CLOSE,
        ROW_TCP_DOWN,
        ROW_COUNT
    };

    explicit CPlaySoundSettings(QWidget* parent = nullptr);
    ~CPlaySoundSettings() override;

    // Five flags from a SoundFileMask and back.
    static std::array<int, ROW_COUNT> FlagsFromMask(int32_t mask);
    static int32_t MaskFromFlags(const std::array<int, ROW_COUNT>& flags);

    bool OnInitDialog();
    // Values to controls (false) or controls to values (true).
    void DoDataExchange(bool save);

    void OnBnClickedSound(int row);
    void OnBnClickedSpeech(int row);
    void OnBnClickedBrowse(int row);
    void OnBnClickedTestSound(int row);
    void OnBnClickedTestSpeech(int row);
    void OnBnClickedFillSpeechTexts();
    void OnOK();

    void OnBnClickedUpSound() { OnBnClickedSound(ROW_UP); }
    void OnBnClickedDownSound() { OnBnClickedSound(ROW_DOWN); }
    void OnBnClickedOpenSound() { OnBnClickedSound(ROW_OPEN); }
    void OnBnClickedCloseSound() { OnBnClickedSound(ROW_CLOSE); }
    void OnBnClickedTcpDownSound() { OnBnClickedSound(ROW_TCP_DOWN); }
    void OnBnClickedUpSpeech() { OnBnClickedSpeech(ROW_UP); }
    void OnBnClickedDownSpeech() { OnBnClickedSpeech(ROW_DOWN); }
    void OnBnClickedOpenSpeech() { OnBnClickedSpeech(ROW_OPEN); }
    void OnBnClickedCloseSpeech() { OnBnClickedSpeech(ROW_CLOSE); }
    void OnBnClickedTcpDownSpeech() { OnBnClickedSpeech(ROW_TCP_DOWN); }
    void OnBnClickedBrowseUp() { OnBnClickedBrowse(ROW_UP); }
    void OnBnClickedBrowseDown() { OnBnClickedBrowse(ROW_DOWN); }
    void OnBnClickedBrowseOpen() { OnBnClickedBrowse(ROW_OPEN); }
    void OnBnClickedBrowseClose() { OnBnClickedBrowse(ROW_CLOSE); }
    void OnBnClickedBrowseTcpDown() { OnBnClickedBrowse(ROW_TCP_DOWN); }
    void OnBnClickedTestUpSound() { OnBnClickedTestSound(ROW_UP); }
    void OnBnClickedTestDownSound() { OnBnClickedTestSound(ROW_DOWN); }
    void OnBnClickedTestOpenSound() { OnBnClickedTestSound(ROW_OPEN); }
    void OnBnClickedTestCloseSound() { OnBnClickedTestSound(ROW_CLOSE); }
    void OnBnClickedTestTcpDownSound() { OnBnClickedTestSound(ROW_TCP_DOWN); }
    void OnBnClickedTestUpSpeech() { OnBnClickedTestSpeech(ROW_UP); }
    void OnBnClickedTestDownSpeech() { OnBnClickedTestSpeech(ROW_DOWN); }
    void OnBnClickedTestOpenSpeech() { OnBnClickedTestSpeech(ROW_OPEN); }
    void OnBnClickedTestCloseSpeech() { OnBnClickedTestSpeech(ROW_CLOSE); }
    void OnBnClickedTestTcpDownSpeech() { OnBnClickedTestSpeech(ROW_TCP_DOWN); }

    // The values, per row.
    QString m_strBoxName;                          // for the speech tests
    std::array<QString, ROW_COUNT> m_strSoundFile; // UpPath, DownPath, OpenPath, ClosePath, TcpDownPath
    std::array<int, ROW_COUNT> m_bCustomSound{1, 1, 1, 1, 1};
    int m_nMethod = 0; // the box's CheckMethod; URL is shown as Ping
    std::array<int, ROW_COUNT> m_bSpeech{};
    std::array<QString, ROW_COUNT> m_strSpeechText; // UpTextString … TDownTextString

    // The WAV picker's filter.
    static QString SoundFileFilter();

private:
    struct RowControls
    {
        QCheckBox* custom;
        QLineEdit* file;
        QPushButton* browse;
        QPushButton* testSound;
        QCheckBox* speech;
        QLineEdit* text;
        QPushButton* testSpeech;
    };
    bool RowInMethod(int row) const;
    void EnableSoundHalf(int row, bool enable);
    void EnableSpeechHalf(int row, bool enable);

    std::unique_ptr<Ui::CPlaySoundSettings> m_ui;
    std::array<RowControls, ROW_COUNT> m_rows;
};
