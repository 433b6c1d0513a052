#include "QtDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>

namespace platform {

// Every picker is modal to the window that opens it only, so the strip keeps
// running while one is open, and stands above that window.

QString QtDialogService::getSaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix)
{
    QFileDialog dialog(parent, QString(), QString(), filter);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    // Asks before overwriting a file that exists.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().front();
}

QString QtDialogService::getOpenFileName(QWidget* parent, const QString& filter)
{
    QFileDialog dialog(parent, QString(), QString(), filter);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().front();
}

bool QtDialogService::getColor(QWidget* parent, const QColor& initial, QColor& chosen)
{
    QColorDialog dialog(initial, parent);
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || !dialog.selectedColor().isValid())
        return false;
    chosen = dialog.selectedColor();
    return true;
}

void endOpenDialogs(const QWidget* keep)
{
    while (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        if (QApplication::activePopupWidget() == popup)
            break;
    }
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog != keep && dialog->isVisible())
            dialog->reject();
}

} // namespace platform
