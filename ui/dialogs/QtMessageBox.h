#pragma once

#include "platform/desktop/MessageBox.h"

#include <QIcon>

class QWidget;

namespace platform {

// The program's icon, drawn for each size it is shown at (16, 22, 24, 32, 48
// and 256 pixels).
QIcon programIcon();

// The notification icon of an instance (0, 1 or 2), drawn for the sizes
// trays use (16, 22, 24 and 32 pixels), with the instance's mark.
QIcon trayIcon(int instance);

// Makes a top-level widget a dialog window: a title and a close button, no
// minimise or maximise buttons (it keeps staying on top if it did).
void setDialogWindowFlags(QWidget* widget);
// The same, with the program's icon.
void makeDialogWindow(QWidget* widget);

// Raises the open message boxes that no window owns and gives one of them
// the keyboard: a window of the program that is brought forward calls it
// after, so that it never covers them. False when there is none.
bool raiseUnownedMessages();

// The narrowest a message box may be so that the window manager's title bar
// shows `caption` whole beside its icon and buttons.
int messageBoxMinimumWidth(const QString& caption);

// Message boxes as Qt widgets, shown on the user-interface thread.
class QtMessageBoxService : public MessageBoxService
{
public:
    int show(const QString& text, const QString& caption, unsigned type) override;
    void post(const QString& text, const QString& caption, unsigned type) override;
    int showOwned(QWidget* owner, const QString& text, const QString& caption, unsigned type) override;
    void postOwned(QWidget* owner, const QString& text, const QString& caption, unsigned type) override;
};

} // namespace platform
