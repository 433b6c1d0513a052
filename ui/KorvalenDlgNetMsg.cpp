#include "KorvalenDlg.h"

#include "ui/dialogs/CustomMenu.h"
#include "ui/dialogs/SendNetMsgDlg.h"

// The member dialogs that the box menu opens: the network message to the
// selected box's host, and the custom applications.

void CKorvalenDlg::OnSendNetMsg()
{
    if (m_nSelectedBox < 1 || m_nSelectedBox > NumBox || !m_pBoxes[size_t(m_nSelectedBox - 1)])
        return;
    const BoxRecord& box = *m_pBoxes[size_t(m_nSelectedBox - 1)];
    if (!m_dlgSendNetMsg)
        m_dlgSendNetMsg = new CSendNetMsgDlg(nullptr);
    auto* dialog = static_cast<CSendNetMsgDlg*>(m_dlgSendNetMsg.data());
    // The strip stays usable while the dialog is open: a second request
    // brings the open dialog forward and leaves its message alone.
    if (dialog->isVisible()) {
        dialog->raise();
        dialog->activateWindow();
        return;
    }
    QString user = m_iniConfig.GetString(QStringLiteral("main"), QStringLiteral("NetUserName"), QString());
    // The user's own login name is the one most likely to be known on the
    // host too.
    if (user.isEmpty())
        user = qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME", QStringLiteral("console")));
    dialog->m_iniConfig.SetFileName(m_strConfigPath);
    dialog->m_strUserName = user;
    dialog->m_strIP = box.IPAdress;
    dialog->m_nMethod = box.VerifyMetod;
    dialog->m_pOwner = this;
    dialog->DoModal();
}

void CKorvalenDlg::OnCustomize()
{
    if (!m_dlgCustomMenu)
        m_dlgCustomMenu = new CCustomMenu(nullptr);
    auto* dialog = static_cast<CCustomMenu*>(m_dlgCustomMenu.data());
    if (dialog->isVisible()) {
        dialog->raise();
        dialog->activateWindow();
        return;
    }
    dialog->m_strMainIniPath = m_strMainIniPath;
    dialog->m_pOwner = this;
    if (dialog->DoModal() == QDialog::Accepted)
        m_nCustomRows = readCustomApps(m_iniMain, m_CustomApps);
}
