#pragma once

#include "core/BoxRecord.h"
#include "platform/desktop/Messages.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <memory>

class CBoxLook;
class CColorButton;
struct SoundRequest;

namespace Ui {
class CBoxPropertiesDlg;
}

// The dialog in which a box is added or edited. The opener puts the box's
// values into the members named after their keys, runs the dialog and takes
// them back on OK; Apply hands them over while the dialog stays open, by
// sending WM_APPLYBOXPROPERTIES to the main window. The dialog itself never
// touches a box record or the configuration.
class CBoxPropertiesDlg : public QDialog
{
    Q_OBJECT
public:
    // `hWndParent` receives WM_APPLYBOXPROPERTIES; `owner` is the window the
    // dialog is centred over. The dialog is a top-level window of its own, so
    // that what it opens never blocks the strip.
    CBoxPropertiesDlg(platform::HWND hWndParent, QWidget* owner);
    ~CBoxPropertiesDlg() override;

    // Fills the controls from the members; the opener calls it before each run.
    bool OnInitDialog();
    // Moves the values between the members and the controls: in (save) or out.
    void DoDataExchange(bool save);

    void OnBnClickedPing();
    void OnBnClickedTcp();
    void OnBnClickedUrl();
    void OnBnClickedIPv4();
    void OnBnClickedIPv6();
    void OnBnClickedTestUp();
    void OnBnClickedTestDown();
    void OnBnClickedTestClose();
    void OnBnClickedTestError();
    void OnBnClickedTestMsgBox();
    void OnBnClickedDefaults();
    // The sound, program-run and message-box settings (…Settings.cpp).
    void OnBnClickedSoundSettings();
    void OnBnClickedExecSettings();
    void OnBnClickedMsgBoxSettings();
    void OnBnClickedOk();
    void OnBnClickedApply();
    void OnBnClickedCancel();

    // The look: the skin controls, the picture buttons and the preview tiles
    // are handled by the look's handlers of the same names (OnCbnDropdownSkin,
    // OnBnClickedUpIcon, OnBnClickedGrayscaleIcon …).
    CBoxLook* Look() const { return m_pLook; }
    // Loads both pictures again from their paths, then repaints the preview.
    void ReloadIcons();
    // Repaints both preview tiles with the dialog's name, target and method.
    void DrawPreview();

    // The four colours of the look, held by their buttons.
    CColorButton* m_OnLineBoxColor = nullptr;
    CColorButton* m_OffLineBoxColor = nullptr;
    CColorButton* m_OnLineTextColor = nullptr;
    CColorButton* m_OffLineTextColor = nullptr;

    // The values, named by the keys of the box record.
    QString Text;
    QString IPAdress;
    int32_t IPv = 0;
    int32_t VerifyMetod = METHOD_PING;
    uint32_t Port = 80;
    uint8_t Sound = 0;
    uint8_t MsgBox = 0;
    uint32_t nPS = 0;
    uint32_t nMSGB = 0;
    int32_t Logging = 0;
    int32_t ExecFileCheck = 0;
    QString Phrase;
    uint32_t CheckInterval = 3;
    QString UpPath;
    QString DownPath;
    QString OpenPath;
    QString ClosePath;
    QString TcpDownPath;
    int32_t CustomSoundCheck = 0;
    QString UpTextString;
    QString DownTextString;
    QString OpenTextString;
    QString CloseTextString;
    QString TDownTextString;
    int32_t SpeechTextCheck = 0;
    QString ExecFilePath;
    QString ExecFileParam;
    int32_t ExecFileStatusCheck = 0;
    uint32_t nEF = 0;
    int32_t RunHideMode = 0;
    QString MsgBoxDesc;
    QString OnLinePicFile;
    QString OffLinePicFile;
    // Pictures folder + file name, worked out whenever a file name is set.
    QString m_strOnLinePicPath;
    QString m_strOffLinePicPath;

    // Set by the opener: adding a box (caption "添加检查") or editing one.
    bool m_bAdd = false;
    // Set by the opener: the look comes from the skin "Default".
    bool m_bDefaultSkin = false;
    // The main settings' error sound, for the error test.
    int32_t ErrorDefaultSound = 0;
    QString PlayErrorDefSoundPath;
    int32_t ErrorTextSpeechSound = 0;
    QString ErrorTextSpeechText;

    QString m_strDataDir;
    QString m_strSkinsDir;

    // The full path of a picture file name (empty for none).
    QString PicturePath(const QString& file) const;

private:
    // Checks the method's radio and sets the controls and labels for it.
    void ShowMethod();
    void ShowTargetLabel();
    void OnNotifyCheck(uint8_t& mask, uint8_t bit, bool checked);
    void OnCountEdited(uint32_t& count, qint64 value, bool sound);
    void OnIntervalEdited(qint64 value);
    void OnEnChangeName();
    // The opener's look (the colour buttons and the two picture files) into
    // the look's pictures, and the pictures back into the members.
    void PutLook();
    void TakeLook();
    // The values as a box, for the sound a status change would play.
    void PlayTest(int status);
    // Validates and takes the values (OK and Apply); false when refused.
    bool TakeValues();

    std::unique_ptr<Ui::CBoxPropertiesDlg> m_ui;
    CBoxLook* m_pLook = nullptr;
    platform::HWND m_hWndParent;
    QWidget* m_pOwner;
};
