// Writes keys into an INI file through CIniFile, as told on its command line:
//   ini_writer_child PATH SECTION PREFIX COUNT [PADDING]
// writes COUNT keys PREFIX0..PREFIXn-1 with the values v0.., one write each,
// after a key Pad of PADDING characters when that is given.
#include "core/IniFile.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: %s PATH SECTION PREFIX COUNT [PADDING]\n", argv[0]);
        return 2;
    }
    CIniFile ini;
    ini.SetFileName(QString::fromLocal8Bit(argv[1]));
    const QString section = QString::fromLocal8Bit(argv[2]);
    const QString prefix = QString::fromLocal8Bit(argv[3]);
    const int count = std::atoi(argv[4]);
    if (argc == 6 && !ini.WriteString(section, QStringLiteral("Pad"), QString(std::atoi(argv[5]), u'p')))
        return 1;
    for (int i = 0; i < count; ++i)
        if (!ini.WriteString(section, prefix + QString::number(i), QStringLiteral("v%1").arg(i)))
            return 1;
    return 0;
}
