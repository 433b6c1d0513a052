#pragma once

#include <QLibraryInfo>
#include <QString>

class QTranslator;

namespace platform {

// Installs Qt's own Chinese texts (standard buttons, the file and colour
// pickers) from `folder`, Qt's translations folder unless a test names
// another. Returns the installed translator, owned by the application, or
// nullptr when the file is missing or unreadable: the windows then keep
// Qt's English texts.
QTranslator*
installQtTranslations(const QString& folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath));

} // namespace platform
