#pragma once

#include "platform/desktop/Messages.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <memory>

namespace Ui {
class CPropertiesDlg;
}
class CSpinEdit;

// The Options dialog: tile size and lines, the time-out, the log, the volume,
// the double-click program, the error sound or speech, the taskbar button and
// start at login. The main window fills the values before each run and takes
// them back on Apply (WM_APPLYOPTIONS) and after OK; start at login is the
// one setting the dialog stores itself.
class CPropertiesDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CPropertiesDlg(QWidget* parent = nullptr);
    ~CPropertiesDlg() override;

    // Where Apply sends WM_APPLYOPTIONS.
    void SetParentWindow(platform::HWND window) { m_hWndParent = window; }
    // Initialises the dialog, centres it over the strip and runs it; the
    // strip stays usable meanwhile.
    int DoModal(const QWidget* strip);
    bool OnInitDialog();
    // save: the controls into the values (false when a field cannot be
    // read); else the values into the controls.
    bool DoDataExchange(bool save);

    // The name of this instance's start-at-login entry and the command it runs.
    static QString RunValueName(int instance);
    static QString RunValueData(int instance);

    // The values, in the order the dialog declares them.
    uint32_t m_nXBox = 0;
    uint32_t m_nYBox = 0;
    uint32_t m_nVerifyTime = 0; // carried; only Defaults changes it
    uint32_t m_nTimeOut = 0;
    int m_bRunAtStartup = 0;
    int ShowOnLineOffLineTime = 0; // carried; Defaults sets it to 1
    int m_bDCOBEFE = 0;
    QString m_strDCOBEFPath;
    QString m_strDCOBEFParameters;
    int m_bErrorDefaultSound = 0;
    QString m_strPlayErrorDefSoundPath;
    int m_bHideTaskBarButton = 0;
    int m_bEnableLog = 0;
    int m_bShowReplyTime = 0;
    int m_bShowIPandMethod = 0;
    int m_bShowStatus = 0;
    int m_bErrorTextSpeechSound = 0;
    QString m_strErrorTextSpeechText;
    int m_bVolumeMute = 0;
    uint32_t m_dwVolume = 0;
    int m_nLogFileType = 0; // 0 TXT, 1 CSV
    int AutoUpdate = 0;     // carried
    int m_nInstance = 0;

    // Handlers, named after their controls.
    void OnDeltaposSpin(CSpinEdit* spin);
    void OnEnChangeSize(CSpinEdit* spin);
    void OnEnKillfocusSize(CSpinEdit* spin);
    void OnEnMaxtextSize(CSpinEdit* spin);
    void OnBnClickedApply();
    void OnOK();
    void OnBnClickedDefaults();
    void OnBnClickedDblClick();
    void OnBnClickedErrorSound();
    void OnBnClickedErrorSpeech();
    void OnBnClickedBrowseProgram();
    void OnBnClickedBrowseSound();
    void OnBnClickedTestSound();
    void OnBnClickedTestSpeech();
    void OnBnClickedTestVolume();
    void OnBnClickedMute();
    void OnHScrollVolume(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Creates or removes the start-at-login entry when its check box
    // changed, then holds width and height in their ranges.
    void WriteRunValue();
    void ReadRunValue();
    void EnableDblClickFields();
    void EnableErrorFields();
    void ShowRangeTip(CSpinEdit* spin);
    static void HideRangeTip(CSpinEdit* spin);

    std::unique_ptr<Ui::CPropertiesDlg> ui;
    platform::HWND m_hWndParent = nullptr;
    // The state of the entry when last read or written: only a change of the
    // check box since then creates or removes it.
    int m_bRunAtStartupStored = -1;
    bool m_bExchanging = false;
};
