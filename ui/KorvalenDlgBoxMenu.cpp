#include "KorvalenDlg.h"

#include "BoxMenu.h"
#include "StripGeometry.h"
#include "TrayMenu.h"
#include "core/BoxTools.h"
#include "core/DailyLog.h"
#include "core/Workers.h"
#include "platform/DateTime.h"
#include "platform/desktop/MessageBox.h"
#include "platform/programs/Shell.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include <memory>

void CKorvalenDlg::OnRButtonDown(unsigned, QPoint point)
{
    // One menu at a time; a dialog of the strip that is open keeps it shut
    // and comes forward instead, as it may be minimised or covered.
    if (m_bBoxMenuOpen || EditDialogVisible()) {
        BringOpenDialogForward();
        return;
    }
    // A configuration being replaced has no boxes to act on yet.
    if (m_bBusy)
        return;
    m_bBoxMenuOpen = true;
    const QPoint position = mapToGlobal(point);

    m_nSelectedBox = HitTestBox(Metrics(), point);
    m_bHighlight = true;
    m_bAddMode = false;
    repaint();

    BoxMenuState state;
    state.selected = m_nSelectedBox;
    state.count = NumBox;
    state.row = WinPos != 0;
    const BoxRecord* selected = m_nSelectedBox >= 1 ? m_pBoxes[size_t(m_nSelectedBox - 1)] : nullptr;
    state.selectedDisabled = selected && selected->Disabled != 0;
    for (uint32_t k = 0; k < m_nCustomRows && k < uint32_t(kMaxCustomApps); ++k)
        state.customTitles << m_CustomApps[k].m_strTitle;
    std::unique_ptr<QMenu> menu(createBoxMenu(this, state));

    // Without a notification area the tray menu's commands are reached here.
    if (!CSystemTray::IsTrayAvailable()) {
        QMenu* tray = createTrayMenu(menu.get());
        tray->setTitle(QStringLiteral("Korvalen"));
        tray->setIcon(m_hIcon);
        for (QAction* action : tray->actions())
            if (const QAction* own = trayAction(m_TrayMenu, action->data().toInt()))
                action->setEnabled(own->isEnabled());
        markZOrder(tray, WinBeh);
        menu->addMenu(tray);
    }

    m_nLastCommand = trackBoxMenu(menu.get(), position);
    menu.reset();

    OnBoxCommand(m_nLastCommand);

    m_bHighlight = false;
    m_bAddMode = false;
    m_bBoxMenuOpen = false;
    repaint();
}

void CKorvalenDlg::OnBoxCommand(int command)
{
    const int selected = m_nSelectedBox;
    const bool hasBox = selected >= 1 && selected <= NumBox && m_pBoxes[size_t(selected - 1)];
    if (command == ID_BOX_ADD) {
        m_bAddMode = true;
        repaint();
        AddCheck();
        return;
    }
    if (command != 0 && trayAction(m_TrayMenu, command)) {
        OnTrayCommand(command);
        return;
    }
    if (!hasBox)
        return;
    const BoxSnapshot box = snapshotOf(*m_pBoxes[size_t(selected - 1)]);
    if (const int row = customAppRow(command); row >= 0) {
        m_nCustomApp = row;
        const CustomAppRecord app = m_CustomApps[size_t(row)];
        runWorker([box, app] { RunCustomAppThread(box, app); });
        return;
    }
    switch (command) {
    case ID_BOX_EDIT:
        EditCheck();
        break;
    case ID_BOX_DELETE:
        OnDeleteCheck();
        break;
    case ID_BOX_MOVELEFT:
        OnMoveBox(false);
        break;
    case ID_BOX_MOVERIGHT:
        OnMoveBox(true);
        break;
    case ID_BOX_DUPLICATE:
        OnDuplicateCheck();
        break;
    case ID_BOX_DISABLE:
        OnDisableEnableCheck();
        break;
    case ID_BOX_STATUSINFO:
        OnStatusInformation();
        break;
    case ID_BOX_VIEWLOG:
        OnViewLog();
        break;
    case ID_BOX_SHARE:
        runWorker([box] { OpenShareThread(box); });
        break;
    case ID_BOX_WEB:
        runWorker([box] { OpenWebThread(box); });
        break;
    case ID_BOX_FTP:
        runWorker([box] { OpenFtpThread(box); });
        break;
    case ID_BOX_PING:
        OnToolPing();
        break;
    case ID_BOX_TRACEROUTE:
        OnToolTraceRoute();
        break;
    case ID_BOX_REMOTEDESKTOP:
        OnToolRemoteDesktop();
        break;
    case ID_BOX_SENDNETMSG:
        OnSendNetMsg();
        break;
    case ID_BOX_CUSTOMIZE:
        OnCustomize();
        break;
    default:
        break;
    }
}

void CKorvalenDlg::OnStatusInformation()
{
    BoxRecord& box = *m_pBoxes[size_t(m_nSelectedBox - 1)];
    if (box.m_nStatus == STATUS_CHECKING || box.m_nStatus == STATUS_DISABLED)
        box.m_dwLastCode = 0;
    platform::MessageBoxW(
        boxtools::statusInformation(box.Text, box.m_nStatus, box.VerifyMetod, box.m_dwLastCode),
        QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONINFORMATION);
}

void CKorvalenDlg::OnViewLog()
{
    // The file today's log lines of the box go to, named as the writer names it.
    const BoxSnapshot box = snapshotOf(*m_pBoxes[size_t(m_nSelectedBox - 1)]);
    const int logFileType = g_nLogFileType;
    const QString file =
        dailylog::fileName(box, dailylog::dayFolder(m_strLogsDir, platform::localStampNow()), logFileType);
    if (file.isEmpty() || !QFileInfo(file).isFile()) {
        platform::AfxMessageBox(
            QStringLiteral(
                "Log file not found. If you want Logging, you need to enable it and wait for status "
                "change."),
            platform::MB_OK | platform::MB_ICONWARNING);
        return;
    }
    // Asking the desktop for an application and waiting for its opener may
    // take seconds: a worker does it, and reports on the window thread.
    runWorker([file, logFileType] {
        const int result = platform::shellService().openDocument(file);
        if (result > 32)
            return;
        const QString text =
            result != platform::SE_ERR_NOASSOC ? QStringLiteral("Could not open log file.")
            : logFileType == 0 ? QStringLiteral("There is no application associated with the given file name "
                                                "extension *.txt.")
                               : QStringLiteral("There is no application associated with the given file name "
                                                "extension *.csv.");
        platform::postMessageBox(text, QStringLiteral("Korvalen"),
                                 platform::MB_OK | platform::MB_ICONWARNING);
    });
}
