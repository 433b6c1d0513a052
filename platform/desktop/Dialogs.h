#pragma once

#include <QColor>
#include <QString>

class QWidget;

namespace platform {

// The common dialogs: file pickers and the colour picker. The program
// installs the Qt ones; tests install a fake that answers as told.
class DialogService
{
public:
    virtual ~DialogService() = default;
    // An empty path when the user cancels. `filter` is a Qt name filter.
    virtual QString getSaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix) = 0;
    virtual QString getOpenFileName(QWidget* parent, const QString& filter) = 0;
    // False when the user cancels.
    virtual bool getColor(QWidget* parent, const QColor& initial, QColor& chosen) = 0;
};

// The installed service; without one every dialog is cancelled.
DialogService& dialogService();
void setDialogService(DialogService* service);

} // namespace platform
