#include "DialogsAboveStrip.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>

namespace {
// Marks a window whose stays-on-top hint the strip gave it, so that it goes
// with the strip's: kept, a dialog opened again later (About, Options, the
// network message and the box properties are made once) would stay above
// every other program's windows for as long as Korvalen runs.
constexpr char kHintGiven[] = "korvalenOnTopWithStrip";
} // namespace

Qt::WindowFlags flagsAboveStrip(Qt::WindowFlags window, Qt::WindowFlags strip, bool given)
{
    if ((window & Qt::WindowType_Mask) != Qt::Dialog)
        return window;
    if (strip.testFlag(Qt::WindowStaysOnTopHint))
        window |= Qt::WindowStaysOnTopHint;
    else if (given)
        window &= ~Qt::WindowStaysOnTopHint;
    return window;
}

DialogsAboveStrip::DialogsAboveStrip(QWidget* strip) : QObject(strip), m_pStrip(strip)
{
    qApp->installEventFilter(this);
}

void DialogsAboveStrip::followStrip()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            place(window);
}

bool DialogsAboveStrip::eventFilter(QObject* watched, QEvent* event)
{
    // Show comes before the window is mapped, so the window manager puts it
    // in its layer at once.
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow())
            place(widget);
    }
    return false;
}

void DialogsAboveStrip::place(QWidget* window) const
{
    if (!m_pStrip || window == m_pStrip)
        return;
    const Qt::WindowFlags current = window->windowFlags();
    const Qt::WindowFlags flags =
        flagsAboveStrip(current, m_pStrip->windowFlags(), window->property(kHintGiven).toBool());
    if (flags == current)
        return;
    window->setProperty(kHintGiven, flags.testFlag(Qt::WindowStaysOnTopHint) ? QVariant(true) : QVariant());
    // setWindowFlags would hide the window and make it anew, in the middle
    // of its being shown; its native window takes the hints as they are.
    window->overrideWindowFlags(flags);
    if (QWindow* handle = window->windowHandle())
        handle->setFlags(flags);
}
