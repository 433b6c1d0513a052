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
    // Picks a program to run: the filter's row is offered, but programs here
    // mostly have no extension, so a row for all files follows it and is the
    // one chosen at first.
    virtual QString getOpenProgramName(QWidget* parent, const QString& filter)
    {
        return getOpenFileName(parent, filter + QStringLiteral(";;") + allFilesFilter());
    }
    static QString allFilesFilter() { return QStringLiteral("All files (*)"); }
    // False when the user cancels.
    virtual bool getColor(QWidget* parent, const QColor& initial, QColor& chosen) = 0;
};

// The installed service; without one every dialog is cancelled.
DialogService& dialogService();
void setDialogService(DialogService* service);

} // namespace platform
