#include "Instance.h"

namespace instance {

int fromCommandLine(const QString& arguments)
{
    if (arguments.contains(QLatin1String("/secondary")))
        return 1;
    if (arguments.contains(QLatin1String("/tertiary")))
        return 2;
    return 0;
}

QString mutexName(int instance)
{
    static const char* const names[] = {"Tamsorin KorvalenA", "Tamsorin KorvalenB", "Tamsorin KorvalenC"};
    return QString::fromLatin1(names[instance >= 0 && instance < 3 ? instance : 0]);
}

QString windowTitle(int instance)
{
    static const char* const titles[] = {"Korvalen.", "Korvalen. Sec", "Korvalen. Ter"};
    return QString::fromLatin1(titles[instance >= 0 && instance < 3 ? instance : 0]);
}

QString configFileName(int instance)
{
    static const char* const files[] = {"MainConfA.ini", "MainConfB.ini", "MainConfC.ini"};
    return QString::fromLatin1(files[instance >= 0 && instance < 3 ? instance : 0]);
}

} // namespace instance
