#pragma once

#include <QString>

class QWidget;

// What the program says when settings cannot be stored in their file.
QString unsavedSettingsText(const QString& path);

// Warns in a message box above `owner` that the settings in `path` were not
// stored. A dialog that shows it stays as it was, so nothing typed is lost.
void warnUnsavedSettings(QWidget* owner, const QString& path);
