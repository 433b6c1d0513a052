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

} // namespace platform
