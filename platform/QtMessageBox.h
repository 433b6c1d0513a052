#pragma once

#include "MessageBox.h"

class QWidget;

namespace platform {

// Makes a top-level widget a dialog window: a title and a close button, no
// minimise or maximise buttons, and the program's icon.
void makeDialogWindow(QWidget* widget);

// Message boxes as Qt widgets, shown on the user-interface thread.
class QtMessageBoxService : public MessageBoxService
{
public:
    int show(const QString& text, const QString& caption, unsigned type) override;
    void post(const QString& text, const QString& caption, unsigned type) override;
};

} // namespace platform
