#pragma once

#include <QWidget>

// Places a dialog, at its laid-out size, with its centre over the owner's
// centre. A main-window dialog has no parent widget, so the window system
// would not do this for it.
inline void centreOn(QWidget* dialog, const QWidget* owner)
{
    if (!owner)
        return;
    dialog->adjustSize();
    const QRect frame = owner->frameGeometry();
    dialog->move(frame.center() - QPoint(dialog->width() / 2, dialog->height() / 2));
}
