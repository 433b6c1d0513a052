#include "QtTranslations.h"

#include <QCoreApplication>
#include <QTranslator>

namespace platform {

QTranslator* installQtTranslations(const QString& folder)
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    // Debian's qt6-translations-l10n lays the file out; its absence is no
    // reason not to start.
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), folder) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace platform
