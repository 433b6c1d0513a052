#include "KorvalenDlg.h"

#include "TrayMenu.h"
#include "WindowSnap.h"
#include "platform/Shell.h"
#include "ui/dialogs/AboutDlg.h"

#include <QAction>
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
    static const char* const icons[] = {":/images/166.png", ":/images/220.png", ":/images/234.png"};
    m_hInstanceIcon =
        QIcon(QString::fromLatin1(icons[m_nInstance >= 0 && m_nInstance < 3 ? m_nInstance : 0]));
    m_TrayMenu = createTrayMenu(this);
    connect(m_TrayMenu, &QMenu::triggered, this,
            [this](QAction* action) { OnTrayCommand(action->data().toInt()); });
    // The Options dialog is not part of this program yet.
    trayAction(m_TrayMenu, ID_TRAY_OPTIONS)->setEnabled(false);
    m_SystemTray.SetReceiver(m_hWnd);
    m_SystemTray.Create(nullptr, platform::WM_TRAYCALLBACK, QStringLiteral("Korvalen\nTamsorin"),
                        m_hInstanceIcon, kTrayIconId);
}

void CKorvalenDlg::BringForward()
{
    restoreAndRaise(this);
}

platform::LRESULT CKorvalenDlg::OnTrayNotification(platform::WPARAM, platform::LPARAM lParam)
{
    switch (lParam) {
    case platform::WM_LBUTTONDOWN: {
        BringForward();
        QWidget* open[] = {m_dlgBoxProperties, m_dlgOptions, m_dlgAbout, m_dlgSendNetMsg};
        for (QWidget* dialog : open)
            if (dialog && dialog->isVisible())
                restoreAndRaise(dialog);
        return 1;
    }
    case platform::WM_LBUTTONUP:
        BringForward();
        return 1;
    case platform::WM_LBUTTONDBLCLK:
        show();
        showNormal();
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

void CKorvalenDlg::OnTrayHelp()
{
    platform::shellService().openUrl(QUrl::fromLocalFile(m_szProgramDir + QStringLiteral("/Help.html")));
}

void CKorvalenDlg::OnTrayAlwaysOnTop()
{
    WinBeh = 0;
    ApplyWindowFlags();
    raise();
    m_iniConfig.WriteInt(kMain, QStringLiteral("WinBeh"), WinBeh);
}

void CKorvalenDlg::OnTrayNormal()
{
    WinBeh = 1;
    ApplyWindowFlags();
    raise();
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
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    MoveWindow(desktop.topLeft() + centredOnDesktop(size(), desktop.size()));
    PosX = x();
    PosY = y();
    m_iniConfig.WriteInt(kMain, QStringLiteral("PosX"), PosX);
    m_iniConfig.WriteInt(kMain, QStringLiteral("PosY"), PosY);
}

void CKorvalenDlg::OnTrayShow()
{
    show();
    showNormal();
}

void CKorvalenDlg::OnTrayLog()
{
    platform::shellService().openUrl(QUrl::fromLocalFile(m_strLogsDir));
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
