#pragma once

#include "platform/desktop/Dialogs.h"

namespace platform {

class QtDialogService : public DialogService
{
public:
    QString getSaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix) override;
    QString getOpenFileName(QWidget* parent, const QString& filter) override;
    bool getColor(QWidget* parent, const QColor& initial, QColor& chosen) override;
};

// Ends every open dialog, message box and menu but `keep` unanswered, as
// cancelled, so that no loop of one holds up the end of the program.
void endOpenDialogs(const QWidget* keep = nullptr);

} // namespace platform
