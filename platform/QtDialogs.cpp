#include "QtDialogs.h"

#include <QColorDialog>
#include <QFileDialog>

namespace platform {

QString QtDialogService::getSaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix)
{
    QFileDialog dialog(parent, QString(), QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    // Asks before overwriting a file that exists.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().front();
}

QString QtDialogService::getOpenFileName(QWidget* parent, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

bool QtDialogService::getColor(QWidget* parent, const QColor& initial, QColor& chosen)
{
    const QColor colour = QColorDialog::getColor(initial, parent);
    if (!colour.isValid())
        return false;
    chosen = colour;
    return true;
}

} // namespace platform
