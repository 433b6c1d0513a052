#include "UnsavedSettings.h"

#include "platform/desktop/MessageBox.h"

#include <QDir>

QString unsavedSettingsText(const QString& path)
{
    return QStringLiteral("The settings cannot be saved: %1 cannot be written.")
        .arg(QDir::toNativeSeparators(path));
}

void warnUnsavedSettings(QWidget* owner, const QString& path)
{
    platform::AfxMessageBox(owner, unsavedSettingsText(path), platform::MB_OK | platform::MB_ICONWARNING);
}
