#include "QtMessageBox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QSpacerItem>

#include <algorithm>

namespace platform {

QIcon programIcon()
{
    // One icon for every window and message box: a new icon for each would
    // add its own scaled copies to the pixmap cache.
    static QIcon icon;
    if (icon.isNull()) {
        for (int size : {16, 22, 24, 32, 48, 256})
            icon.addFile(QStringLiteral(":/images/korvalen-%1.png").arg(size), QSize(size, size));
        qAddPostRoutine([] { icon = QIcon(); });
    }
    return icon;
}

QIcon trayIcon(int instance)
{
    static const int numbers[] = {166, 220, 234};
    const int number = numbers[instance >= 0 && instance < 3 ? instance : 0];
    QIcon icon;
    for (int size : {16, 22, 24, 32})
        icon.addFile(QStringLiteral(":/images/%1-%2.png").arg(number).arg(size), QSize(size, size));
    return icon;
}

void setDialogWindowFlags(QWidget* widget)
{
    // Window managers that honour the hints draw no minimise or maximise
    // button: a minimised dialog would leave the strip waiting for it.
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (widget->windowFlags() & Qt::WindowStaysOnTopHint)
        flags |= Qt::WindowStaysOnTopHint;
    widget->setWindowFlags(flags);
}

void makeDialogWindow(QWidget* widget)
{
    setDialogWindowFlags(widget);
    widget->setWindowIcon(programIcon());
}

int messageBoxMinimumWidth(const QString& caption)
{
    // Title bars draw the caption in a bold face of about the program's
    // size, beside the window icon and three buttons of some 24 pixels each.
    constexpr int kTitleBarRoom = 4 * 24 + 40;
    QFont title = QApplication::font();
    title.setBold(true);
    return QFontMetrics(title).horizontalAdvance(caption) + kTitleBarRoom;
}

namespace {

// The window the user works in: a box raised without a named owner belongs
// to it, so it cannot open behind a dialog that stays on top.
QWidget* activeOwner()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

// The window a box raised by `owner` belongs to: none when the owner's
// window is hidden or minimised, as a box under a window out of sight
// would be out of sight too.
QWidget* visibleOwner(QWidget* owner)
{
    QWidget* window = owner ? owner->window() : nullptr;
    return window && window->isVisible() && !window->isMinimized() ? window : nullptr;
}

// A box no window owns; such a box is kept on top.
bool isUnowned(const QWidget* widget)
{
    return qobject_cast<const QMessageBox*>(widget) && !widget->parentWidget() && widget->isVisible();
}

// Lines indented by four blanks are commands to copy: the label is made
// wide enough for the widest of them (as far as the screen allows), so that
// wrapping never breaks one, in a path say.
void keepCommandsWhole(QMessageBox& box, const QString& text)
{
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!label)
        return;
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const QString& line : text.split(u'\n'))
        if (line.startsWith(QLatin1String("    ")))
            widest = std::max(widest, metrics.horizontalAdvance(line) + metrics.averageCharWidth());
    if (widest == 0)
        return;
    // A message box grows no wider than the screen where it is at most 1024
    // pixels wide, else than the screen less 480 pixels or 1000 pixels, and
    // the icon and the margins take some 100 of it.
    const QScreen* screen = box.screen();
    const int screenWidth = screen ? screen->availableGeometry().width() : 1024;
    const int boxWidth = screenWidth <= 1024 ? screenWidth : std::min(screenWidth - 480, 1000);
    label->setMinimumWidth(std::min(widest, boxWidth - 100));
}

void configure(QMessageBox& box, const QString& text, const QString& caption, unsigned type)
{
    makeDialogWindow(&box);
    box.setWindowTitle(caption);
    // Texts hold the user's values (a box's name, target, description, a
    // path): shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    keepCommandsWhole(box, text);
    switch (type & 0xF0) {
    case MB_ICONERROR:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONWARNING:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    switch (type & 0xF) {
    case MB_OKCANCEL:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MB_YESNOCANCEL:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    // A box with no owner stays on top whatever the z-order: the strip of
    // this or of another instance may stay on top, and a box under it could
    // be neither read nor closed.
    if (type & (MB_SYSTEMMODAL | MB_TOPMOST) || !box.parentWidget())
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    // A short text would make the box too narrow for its caption, which the
    // title bar would then cut to "..." or leave out.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const QMargins margins = grid->contentsMargins();
        const int width = messageBoxMinimumWidth(caption) - margins.left() - margins.right();
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(),
                      0, 1, std::max(1, grid->columnCount()));
    }
}

} // namespace

int QtMessageBoxService::show(const QString& text, const QString& caption, unsigned type)
{
    return showOwned(activeOwner(), text, caption, type);
}

int QtMessageBoxService::showOwned(QWidget* owner, const QString& text, const QString& caption, unsigned type)
{
    // On the heap: an owner that goes while the box waits takes the box with it.
    QPointer<QMessageBox> box = new QMessageBox(visibleOwner(owner));
    configure(*box, text, caption, type);
    const int answer = box->exec();
    delete box.data();
    switch (answer) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return IDCANCEL;
    }
}

void QtMessageBoxService::post(const QString& text, const QString& caption, unsigned type)
{
    postOwned(nullptr, text, caption, type);
}

void QtMessageBoxService::postOwned(QWidget* owner, const QString& text, const QString& caption,
                                    unsigned type)
{
    // Widgets live on the user-interface thread only; an owner is named only
    // there, and may be gone when the box is shown.
    QPointer<QWidget> window(owner ? owner->window() : nullptr);
    const bool owned = owner != nullptr;
    QMetaObject::invokeMethod(
        qApp,
        [text, caption, type, window, owned] {
            if (owned && !window)
                return;
            auto* box = new QMessageBox(visibleOwner(window.data()));
            configure(*box, text, caption, type);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setModal(false);
            box->show();
            box->raise();
            box->activateWindow();
        },
        Qt::QueuedConnection);
}

bool raiseUnownedMessages()
{
    QWidget* last = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (isUnowned(widget)) {
            if (widget->isMinimized())
                widget->showNormal();
            widget->raise();
            last = widget;
        }
    if (last)
        last->activateWindow();
    return last != nullptr;
}

} // namespace platform
