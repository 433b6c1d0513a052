#include "SystemTray.h"

namespace {

QSystemTrayIcon::MessageIcon messageIcon(unsigned icon)
{
    switch (icon) {
    case NIIF_INFO:
        return QSystemTrayIcon::Information;
    case NIIF_WARNING:
        return QSystemTrayIcon::Warning;
    case NIIF_ERROR:
        return QSystemTrayIcon::Critical;
    default:
        return QSystemTrayIcon::NoIcon;
    }
}

} // namespace

CSystemTray::CSystemTray() = default;

CSystemTray::~CSystemTray()
{
    RemoveIcon();
}

bool CSystemTray::IsTrayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool CSystemTray::Create(QWidget*, unsigned, const QString& tip, const QIcon& icon, unsigned id,
                         const QString& balloonText, const QString& balloonTitle, unsigned balloonIcon,
                         unsigned balloonSeconds)
{
    if (!m_icon) {
        m_icon = new QSystemTrayIcon(this);
        connect(m_icon, &QSystemTrayIcon::activated, this, &CSystemTray::OnActivated);
    }
    m_id = id;
    m_icon->setIcon(icon);
    m_icon->setToolTip(tip.left(127));
    m_icon->show();
    m_bRemoved = false;
    if (!balloonText.isEmpty())
        ShowBalloon(balloonText, balloonTitle, balloonIcon, balloonSeconds);
    return IsTrayAvailable();
}

bool CSystemTray::RemoveIcon()
{
    if (m_bRemoved)
        return true;
    if (m_icon)
        m_icon->hide();
    m_bRemoved = true;
    return true;
}

bool CSystemTray::ShowBalloon(const QString& text, const QString& title, unsigned icon, unsigned seconds)
{
    if (!m_icon || m_bRemoved || !QSystemTrayIcon::supportsMessages())
        return false;
    m_icon->showMessage(title.left(63), text.left(255), messageIcon(icon), int(seconds * 1000));
    return true;
}

platform::LRESULT CSystemTray::ForwardNotification(platform::WPARAM wParam, platform::LPARAM lParam)
{
    platform::SendMessage(m_receiver, platform::WM_TRAYNOTIFY, wParam, lParam);
    return 0;
}

QString CSystemTray::ToolTip() const
{
    return m_icon ? m_icon->toolTip() : QString();
}

bool CSystemTray::IsVisible() const
{
    return m_icon && !m_bRemoved && m_icon->isVisible();
}

void CSystemTray::OnActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        // A click: the button went down and up.
        ForwardNotification(m_id, platform::WM_LBUTTONDOWN);
        ForwardNotification(m_id, platform::WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::DoubleClick:
        ForwardNotification(m_id, platform::WM_LBUTTONDBLCLK);
        break;
    case QSystemTrayIcon::Context:
        ForwardNotification(m_id, platform::WM_RBUTTONUP);
        break;
    default:
        break;
    }
}
