#include "KorvalenDlg.h"

#include "TrayMenu.h"
#include "WindowSnap.h"
#include "core/WorkAreaPlacement.h"
#include "core/Workers.h"
#include "platform/desktop/DesktopOpen.h"
#include "platform/files/DataFolder.h"
#include "ui/dialogs/AboutDlg.h"
#include "ui/dialogs/QtMessageBox.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QUrl>

namespace {
const QString kMain = QStringLiteral("main");

void restoreAndRaise(QWidget* widget)
{
    widget->showNormal();
    widget->raise();
    widget->activateWindow();
}
} // namespace

void CKorvalenDlg::CreateTray()
{
    m_hInstanceIcon = platform::trayIcon(m_nInstance);
    m_TrayMenu = createTrayMenu(this);
    connect(m_TrayMenu, &QMenu::triggered, this,
            [this](QAction* action) { OnTrayCommand(action->data().toInt()); });
    // Opening the menu brought the strip forward.
    connect(m_TrayMenu, &QMenu::aboutToHide, this, &CKorvalenDlg::RaiseUnownedMessages);
    m_SystemTray.SetReceiver(m_hWnd);
    m_SystemTray.Create(nullptr, platform::WM_TRAYCALLBACK, QStringLiteral("Korvalen\nTamsorin"),
                        m_hInstanceIcon, kTrayIconId);
}

void CKorvalenDlg::BringForward()
{
    restoreAndRaise(this);
    RaiseUnownedMessages();
}

bool CKorvalenDlg::BringOpenDialogForward()
{
    for (QWidget* dialog : {m_dlgBoxProperties, m_dlgOptions, m_dlgSendNetMsg, m_dlgCustomMenu})
        if (dialog && dialog->isVisible()) {
            restoreAndRaise(dialog);
            // A picker or sub-dialog it opened stays above it.
            if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != dialog)
                restoreAndRaise(modal);
            return true;
        }
    return false;
}

platform::LRESULT CKorvalenDlg::OnTrayNotification(platform::WPARAM, platform::LPARAM lParam)
{
    switch (lParam) {
    case platform::WM_LBUTTONDOWN: {
        restoreAndRaise(this);
        QWidget* open[] = {m_dlgBoxProperties, m_dlgOptions, m_dlgAbout, m_dlgSendNetMsg};
        for (QWidget* dialog : open)
            if (dialog && dialog->isVisible())
                restoreAndRaise(dialog);
        RaiseUnownedMessages();
        return 1;
    }
    case platform::WM_LBUTTONUP:
        BringForward();
        return 1;
    case platform::WM_LBUTTONDBLCLK:
        OnTrayShow();
        return 1;
    case platform::WM_RBUTTONUP: {
        const QPoint cursor = QCursor::pos();
        activateWindow();
        QWidget* open[] = {m_dlgBoxProperties, m_dlgOptions, m_dlgAbout, m_dlgSendNetMsg, m_dlgCustomMenu};
        for (QWidget* dialog : open)
            if (dialog && dialog->isVisible()) {
                restoreAndRaise(dialog);
                return 0;
            }
        if (m_bBusy)
            return 0;
        markZOrder(m_TrayMenu, WinBeh);
        activateWindow();
        // Opened with its right edge at the cursor.
        m_TrayMenu->popup(cursor - QPoint(m_TrayMenu->sizeHint().width(), 0));
        return 1;
    }
    default:
        return 1;
    }
}

void CKorvalenDlg::OnTrayCommand(int command)
{
    switch (command) {
    case ID_TRAY_ABOUT:
        return OnTrayAbout();
    case ID_TRAY_HELP:
        return OnTrayHelp();
    case ID_TRAY_ALWAYSONTOP:
        return OnTrayAlwaysOnTop();
    case ID_TRAY_NORMAL:
        return OnTrayNormal();
    case ID_TRAY_ALWAYSONBOTTOM:
        return OnTrayAlwaysOnBottom();
    case ID_TRAY_RESETPOSITION:
        return OnTrayResetPosition();
    case ID_TRAY_SHOW:
        return OnTrayShow();
    case ID_TRAY_LOG:
        return OnTrayLog();
    case ID_TRAY_BACKUPCONFIG:
        return OnTrayBackupConfig();
    case ID_TRAY_RESTORECONFIG:
        return OnTrayRestoreConfig();
    case ID_TRAY_RESETCONFIG:
        return OnTrayResetConfig();
    case ID_TRAY_OPTIONS:
        return OnTrayOptions();
    case ID_TRAY_EXIT:
        return OnTrayExit();
    default:
        return;
    }
}

void CKorvalenDlg::OnTrayAbout()
{
    if (!m_dlgAbout)
        m_dlgAbout = new CAboutDlg(nullptr);
    m_dlgAbout->SetInstance(m_nInstance);
    m_dlgAbout->OnInitDialog();
    // Shown without blocking anything: the strip stays usable meanwhile.
    m_dlgAbout->show();
    m_dlgAbout->raise();
    m_dlgAbout->activateWindow();
}

void CKorvalenDlg::OpenWithDesktop(const QString& path, const QString& what, const QString& needs)
{
    // The opener's answer is awaited on a worker, so the strip goes on;
    // when it fails, a message says what could not be opened and what would
    // open it.
    runWorker([url = QUrl::fromLocalFile(path), what, needs] { platform::openOrTell(url, what, needs); });
}

void CKorvalenDlg::OnTrayHelp()
{
    OpenWithDesktop(platform::programDataFile(m_szProgramDir, QStringLiteral("Help.html")),
                    QStringLiteral("the help"), QStringLiteral("a web browser (such as firefox-esr)"));
}

void CKorvalenDlg::OnTrayAlwaysOnTop()
{
    WinBeh = 0;
    ApplyWindowFlags();
    raise();
    RaiseUnownedMessages();
    m_iniConfig.WriteInt(kMain, QStringLiteral("WinBeh"), WinBeh);
}

void CKorvalenDlg::OnTrayNormal()
{
    WinBeh = 1;
    ApplyWindowFlags();
    raise();
    RaiseUnownedMessages();
    m_iniConfig.WriteInt(kMain, QStringLiteral("WinBeh"), WinBeh);
}

void CKorvalenDlg::OnTrayAlwaysOnBottom()
{
    WinBeh = 2;
    ApplyWindowFlags();
    lower();
    m_iniConfig.WriteInt(kMain, QStringLiteral("WinBeh"), WinBeh);
}

void CKorvalenDlg::OnTrayResetPosition()
{
    // Centred in the work area of the screen the window is on, its offset
    // included; a strip wider than the area keeps its handle on it.
    MoveWindow(centredInWorkArea(size(), WorkArea()));
    PosX = x();
    PosY = y();
    m_iniConfig.WriteInt(kMain, QStringLiteral("PosX"), PosX);
    m_iniConfig.WriteInt(kMain, QStringLiteral("PosY"), PosY);
}

void CKorvalenDlg::OnTrayShow()
{
    show();
    showNormal();
    RaiseUnownedMessages();
}

void CKorvalenDlg::OnTrayLog()
{
    OpenWithDesktop(m_strLogsDir, QStringLiteral("the log folder"),
                    QStringLiteral("a file manager (such as pcmanfm)"));
}

void CKorvalenDlg::OnTrayExit()
{
    m_bBusy = true;
    // The position the window has when restored, also when it is minimised.
    const QPoint position = isMinimized() ? normalGeometry().topLeft() : pos();
    PosX = position.x();
    PosY = position.y();
    m_iniConfig.WriteInt(kMain, QStringLiteral("PosX"), PosX);
    m_iniConfig.WriteInt(kMain, QStringLiteral("PosY"), PosY);
    close();
    m_bBusy = false;
}
