#include "KorvalenDlg.h"

#include "core/NetThread.h"
#include "core/Skins.h"
#include "ui/dialogs/BoxPropertiesDlg.h"
#include "ui/dialogs/ColorButton.h"
#include "ui/dialogs/DialogRun.h"

#include <algorithm>

// The box properties dialog's side of the main window: filling it for a new
// or the selected box, and taking its values over.

namespace {
constexpr int kCommandAddCheck = 32784;
constexpr int kCommandEditCheck = 32785;
} // namespace

CBoxPropertiesDlg* CKorvalenDlg::BoxPropertiesDlg() const
{
    return static_cast<CBoxPropertiesDlg*>(m_dlgBoxProperties.data());
}

void CKorvalenDlg::AddCheck()
{
    CBoxPropertiesDlg* dlg = BoxPropertiesDlg();
    if (!dlg || dlg->isVisible())
        return;
    // A new box takes the look of the skin "Default"; without its file, the
    // built-in one.
    const SkinLook look = skins::ReadSkin(m_iniSkin);
    dlg->m_OnLineBoxColor->SetColor(look.OnLineBoxColor);
    dlg->m_OffLineBoxColor->SetColor(look.OffLineBoxColor);
    dlg->m_OnLineTextColor->SetColor(look.OnLineTextColor);
    dlg->m_OffLineTextColor->SetColor(look.OffLineTextColor);
    dlg->OnLinePicFile = look.OnLinePicFile;
    dlg->OffLinePicFile = look.OffLinePicFile;

    dlg->Text.clear();
    dlg->IPAdress.clear();
    dlg->VerifyMetod = METHOD_PING;
    dlg->Port = 80;
    dlg->IPv = 0;
    dlg->m_bDefaultSkin = true;
    dlg->m_bAdd = true;
    dlg->Sound = 0;
    dlg->Logging = 0;
    dlg->MsgBox = 0;
    dlg->RunHideMode = 0;
    dlg->ErrorDefaultSound = ErrorDefaultSound;
    dlg->PlayErrorDefSoundPath = PlayErrorDefSoundPath;
    dlg->ErrorTextSpeechSound = ErrorTextSpeechSound;
    dlg->ErrorTextSpeechText = ErrorTextSpeechText;
    for (QString* path : {&dlg->UpPath, &dlg->DownPath, &dlg->OpenPath, &dlg->ClosePath, &dlg->TcpDownPath})
        path->clear();
    dlg->CustomSoundCheck = 0;
    dlg->UpTextString = QStringLiteral("%name is Up");
    dlg->DownTextString = QStringLiteral("%name is Down");
    dlg->OpenTextString = QStringLiteral("%name is Open");
    dlg->CloseTextString = QStringLiteral("%name is Close");
    dlg->TDownTextString = QStringLiteral("%name is Down");
    dlg->SpeechTextCheck = 0;
    dlg->ExecFilePath.clear();
    dlg->ExecFileParam.clear();
    dlg->ExecFileCheck = 0;
    dlg->ExecFileStatusCheck = 0;
    dlg->nMSGB = 0;
    dlg->nPS = 0;
    dlg->nEF = 0;
    dlg->MsgBoxDesc = QStringLiteral("%name is %status");
    dlg->Phrase = QStringLiteral("html");
    dlg->CheckInterval = 3;

    dlg->OnInitDialog();
    if (runDialog(dlg) == QDialog::Accepted) {
        OnApplyBoxProperties(0, 0);
        ResizeToBoxes();
    } else {
        // The window takes up its z-order mode again.
        ApplyWindowFlags();
        update();
    }
}

void CKorvalenDlg::EditCheck()
{
    CBoxPropertiesDlg* dlg = BoxPropertiesDlg();
    const int index = m_nSelectedBox - 1;
    if (!dlg || dlg->isVisible() || index < 0 || index >= NumBox || !m_pBoxes[size_t(index)])
        return;
    const BoxRecord& box = *m_pBoxes[size_t(index)];
    dlg->m_OnLineBoxColor->SetColor(box.OnLineBoxColor);
    dlg->m_OffLineBoxColor->SetColor(box.OffLineBoxColor);
    dlg->m_OnLineTextColor->SetColor(box.OnLineTextColor);
    dlg->m_OffLineTextColor->SetColor(box.OffLineTextColor);
    dlg->Text = box.Text;
    dlg->OnLinePicFile = box.OnLinePicFile;
    dlg->OffLinePicFile = box.OffLinePicFile;
    dlg->IPAdress = box.IPAdress;
    dlg->IPv = box.IPv;
    dlg->VerifyMetod = box.VerifyMetod;
    dlg->Port = box.Port;
    dlg->Sound = box.Sound;
    dlg->MsgBox = uint8_t(box.MsgBox & 0xFF);
    dlg->Logging = box.Logging;
    dlg->m_bDefaultSkin = false;
    dlg->m_bAdd = false;

    dlg->UpPath = box.UpPath;
    dlg->DownPath = box.DownPath;
    dlg->OpenPath = box.OpenPath;
    dlg->ClosePath = box.ClosePath;
    dlg->TcpDownPath = box.TcpDownPath;
    dlg->CustomSoundCheck = box.CustomSoundCheck;
    dlg->UpTextString = box.UpTextString;
    dlg->DownTextString = box.DownTextString;
    dlg->OpenTextString = box.OpenTextString;
    dlg->CloseTextString = box.CloseTextString;
    dlg->TDownTextString = box.TDownTextString;
    dlg->SpeechTextCheck = box.SpeechTextCheck;
    dlg->ExecFilePath = box.ExecFilePath;
    dlg->ExecFileParam = box.ExecFileParam;
    dlg->ExecFileCheck = box.ExecFileCheck;
    dlg->ExecFileStatusCheck = box.ExecFileStatusCheck;
    dlg->nMSGB = box.nMSGB;
    dlg->nPS = box.nPS;
    dlg->nEF = box.nEF;
    dlg->MsgBoxDesc = box.MsgBoxDesc;
    dlg->Phrase = box.Phrase;
    dlg->CheckInterval = box.CheckInterval;
    dlg->RunHideMode = box.RunHideMode;
    dlg->ErrorDefaultSound = ErrorDefaultSound;
    dlg->PlayErrorDefSoundPath = PlayErrorDefSoundPath;
    dlg->ErrorTextSpeechSound = ErrorTextSpeechSound;
    dlg->ErrorTextSpeechText = ErrorTextSpeechText;

    dlg->OnInitDialog();
    if (runDialog(dlg) == QDialog::Accepted) {
        OnApplyBoxProperties(0, 0);
    } else {
        ApplyWindowFlags();
        update();
    }
}

platform::LRESULT CKorvalenDlg::OnApplyBoxProperties(platform::WPARAM, platform::LPARAM)
{
    CBoxPropertiesDlg* dlg = BoxPropertiesDlg();
    if (!dlg)
        return 0;
    if (m_nLastCommand == kCommandAddCheck) {
        if (NumBox >= kMaxBoxes || NumBox < 0)
            return 0;
        // Room right after the selected box (at the front when none is).
        // A result already on its way from a moved box's thread carries the
        // old index and its own thread start: it lands on a box that start
        // does not serve and is dropped.
        const int at = std::clamp(m_nSelectedBox, 0, int(NumBox));
        for (int i = NumBox - 1; i >= at; --i) {
            m_pBoxes[size_t(i + 1)] = m_pBoxes[size_t(i)];
            if (m_pBoxes[size_t(i + 1)])
                m_pBoxes[size_t(i + 1)]->m_nIndex = i + 1;
        }
        m_pBoxes[size_t(at)] = new BoxRecord(m_hWnd, at);
        ++NumBox;
        m_nSelectedBox = at + 1;
        // A further Apply or the final OK edits the box just inserted.
        m_nLastCommand = kCommandEditCheck;
        m_bAddMode = false;
    }
    const int index = m_nSelectedBox - 1;
    if (index < 0 || index >= NumBox || !m_pBoxes[size_t(index)])
        return 0;
    BoxRecord& box = *m_pBoxes[size_t(index)];

    box.OnLineBoxColor = dlg->m_OnLineBoxColor->GetColor();
    box.OffLineBoxColor = dlg->m_OffLineBoxColor->GetColor();
    box.OnLineTextColor = dlg->m_OnLineTextColor->GetColor();
    box.OffLineTextColor = dlg->m_OffLineTextColor->GetColor();
    box.Text = dlg->Text;
    box.m_strOnLinePicPath = dlg->m_strOnLinePicPath;
    box.m_strOffLinePicPath = dlg->m_strOffLinePicPath;
    box.OnLinePicFile = dlg->OnLinePicFile;
    box.OffLinePicFile = dlg->OffLinePicFile;
    ReloadBoxIcons(index);
    box.IPAdress = dlg->IPAdress;
    box.IPv = dlg->IPv;
    box.VerifyMetod = dlg->VerifyMetod;
    box.Port = dlg->Port;
    box.Sound = dlg->Sound;
    box.Logging = dlg->Logging;
    box.MsgBox = dlg->MsgBox;
    box.UpPath = dlg->UpPath;
    box.DownPath = dlg->DownPath;
    box.OpenPath = dlg->OpenPath;
    box.ClosePath = dlg->ClosePath;
    box.TcpDownPath = dlg->TcpDownPath;
    box.CustomSoundCheck = dlg->CustomSoundCheck;
    box.UpTextString = dlg->UpTextString;
    box.DownTextString = dlg->DownTextString;
    box.OpenTextString = dlg->OpenTextString;
    box.CloseTextString = dlg->CloseTextString;
    box.TDownTextString = dlg->TDownTextString;
    box.SpeechTextCheck = dlg->SpeechTextCheck;
    box.ExecFilePath = dlg->ExecFilePath;
    box.ExecFileParam = dlg->ExecFileParam;
    box.ExecFileCheck = dlg->ExecFileCheck;
    box.ExecFileStatusCheck = dlg->ExecFileStatusCheck;
    box.nMSGB = dlg->nMSGB;
    box.nPS = dlg->nPS;
    box.nEF = dlg->nEF;
    // A new episode: every notification counts its repeats from zero.
    box.m_nSoundCount = 0;
    box.m_nMsgBoxCount = 0;
    box.m_nExecCount = 0;
    box.MsgBoxDesc = dlg->MsgBoxDesc;
    box.Phrase = dlg->Phrase;
    box.CheckInterval = dlg->CheckInterval;
    box.RunHideMode = dlg->RunHideMode;

    if (box.Disabled == 0) {
        OnCheckResult(packCheckResult(STATUS_CHECKING, index), 0);
        // The old thread checks the old settings: it goes, and its results
        // with it (they carry a start that no longer serves the box).
        box.DetachThread();
        box.StartThread();
    }
    ResizeToBoxes();
    SaveBoxes();
    if (dlg->isVisible()) {
        dlg->raise();
        dlg->activateWindow();
    }
    return 0;
}
