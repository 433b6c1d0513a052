#pragma once

#include "platform/desktop/Messages.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

// Balloon icons, as the callers name them.
enum : unsigned
{
    NIIF_NONE = 0,
    NIIF_INFO = 1,
    NIIF_WARNING = 2,
    NIIF_ERROR = 3
};

// The program's icon in the notification area. Mouse actions on it are
// forwarded to the receiving window as WM_TRAYNOTIFY, with the icon's
// identifier and the mouse message they stand for.
class CSystemTray : public QObject
{
    Q_OBJECT
public:
    CSystemTray();
    ~CSystemTray() override;

    // False when there is no notification area to put the icon into (the
    // icon is still made, and shows should a tray host appear).
    bool Create(QWidget* parent, unsigned callbackMessage, const QString& tip, const QIcon& icon, unsigned id,
                const QString& balloonText = QString(), const QString& balloonTitle = QString(),
                unsigned balloonIcon = NIIF_NONE, unsigned balloonSeconds = 0);
    bool RemoveIcon();
    bool ShowBalloon(const QString& text, const QString& title, unsigned icon, unsigned seconds);
    virtual platform::LRESULT ForwardNotification(platform::WPARAM wParam, platform::LPARAM lParam);

    void SetReceiver(platform::HWND receiver) { m_receiver = receiver; }
    QString ToolTip() const;
    bool IsVisible() const;
    static bool IsTrayAvailable();

    // A mouse action on the icon, as Qt reports it.
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

private:
    QSystemTrayIcon* m_icon = nullptr;
    platform::HWND m_receiver = nullptr;
    unsigned m_id = 0;
    bool m_bRemoved = true;
};
