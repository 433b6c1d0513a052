#include "QtMessageBox.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

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

void makeDialogWindow(QWidget* widget)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
    if (widget->windowFlags() & Qt::WindowStaysOnTopHint)
        flags |= Qt::WindowStaysOnTopHint;
    widget->setWindowFlags(flags);
    widget->setWindowIcon(programIcon());
}

namespace {
void configure(QMessageBox& box, const QString& text, const QString& caption, unsigned type)
{
    makeDialogWindow(&box);
    box.setWindowTitle(caption);
    // Texts hold the user's values (a box's name, target, description, a
    // path): shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
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
    if (type & (MB_SYSTEMMODAL | MB_TOPMOST))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
}
} // namespace

int QtMessageBoxService::show(const QString& text, const QString& caption, unsigned type)
{
    QMessageBox box;
    configure(box, text, caption, type);
    switch (box.exec()) {
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
    // Widgets live on the user-interface thread only.
    QMetaObject::invokeMethod(
        qApp,
        [text, caption, type] {
            auto* box = new QMessageBox;
            configure(*box, text, caption, type);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setModal(false);
            box->show();
            box->raise();
            box->activateWindow();
        },
        Qt::QueuedConnection);
}

} // namespace platform
