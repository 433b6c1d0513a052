#include "KorvalenApp.h"

#include "core/Instance.h"
#include "platform/DataFolder.h"
#include "platform/Instance.h"
#include "platform/MessageBox.h"
#include "platform/Network.h"
#include "ui/KorvalenDlg.h"

CKorvalenApp theApp;

bool CKorvalenApp::InitInstance(const QStringList& arguments)
{
    const int nInstance = instance::fromCommandLine(arguments.mid(1).join(u' '));

    if (platform::acquireInstanceLock(instance::mutexName(nInstance)) ==
        platform::InstanceLockResult::HeldElsewhere) {
        // The running window comes forward; a running instance that has no
        // window yet, or does not answer, leaves this start to end silently.
        platform::activateRunningInstance(instance::windowTitle(nInstance));
        return false;
    }
    if (m_setUpOutputs)
        m_setUpOutputs();

    if (!platform::initNetwork()) {
        platform::AfxMessageBox(QStringLiteral("Windows套接字初始化失败。"), platform::MB_OK);
        return false;
    }

    if (!platform::applicationDataFolder()) {
        platform::MessageBoxW(
            QStringLiteral("Korvalen cannot find a folder for its settings: none of the "
                           "environment variables APPDATA, XDG_CONFIG_HOME and HOME is set."),
            QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONERROR);
        return false;
    }

    CKorvalenDlg dlg(nullptr, nInstance);
    dlg.DoModal();
    return false;
}
