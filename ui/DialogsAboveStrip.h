#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// The flags a dialog window of the program gets beside a strip with the
// flags `strip`: it stays on top with a strip that stays on top, as the
// window manager's layer of the strip would cover it otherwise, and loses
// the hint again with the strip when `given` says the hint came from here
// (a hint of its own, a message box's, stays). Other kinds of window
// (menus, tooltips, balloons, the strip) keep theirs.
Qt::WindowFlags flagsAboveStrip(Qt::WindowFlags window, Qt::WindowFlags strip, bool given);

// Keeps every dialog window the program opens (dialogs, the dialogs they
// open, file and colour pickers, message boxes) above the strip, whatever
// its z-order: each gets its flags as it is shown, and the open ones get
// them again when the strip's flags change. Watches the whole application
// while it lives.
class DialogsAboveStrip : public QObject
{
public:
    explicit DialogsAboveStrip(QWidget* strip);

    // Gives the open dialog windows the flags the strip's present ones ask for.
    void followStrip();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place(QWidget* window) const;

    QPointer<QWidget> m_pStrip;
};
