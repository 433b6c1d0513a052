#include "Pictures.h"

#include <QCoreApplication>
#include <QHash>

namespace {

// User-interface thread only. Let go with the application, before the
// pixmaps the icons hold outlive it.
QHash<int, QIcon>& pictures()
{
    static QHash<int, QIcon> kept;
    static const bool registered = [] {
        qAddPostRoutine([] { pictures().clear(); });
        return true;
    }();
    Q_UNUSED(registered);
    return kept;
}

} // namespace

QIcon resourcePicture(int number)
{
    if (number == 0)
        return QIcon();
    auto found = pictures().constFind(number);
    if (found == pictures().constEnd())
        found = pictures().insert(number, QIcon(QStringLiteral(":/images/%1.png").arg(number)));
    return *found;
}
