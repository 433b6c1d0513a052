#pragma once

#include "MessageBox.h"

namespace platform {

// Message boxes as Qt widgets, shown on the user-interface thread.
class QtMessageBoxService : public MessageBoxService
{
public:
    int show(const QString& text, const QString& caption, unsigned type) override;
    void post(const QString& text, const QString& caption, unsigned type) override;
};

} // namespace platform
