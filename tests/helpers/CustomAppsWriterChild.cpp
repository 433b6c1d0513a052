// Saves custom application rows into "Main.ini" as the custom applications
// dialog's OK does, again and again:
//   custom_apps_writer_child PATH TAG COUNT ROUNDS
// writes COUNT rows titled TAG0..TAGn-1, ROUNDS times.
#include "core/CustomApps.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s PATH TAG COUNT ROUNDS\n", argv[0]);
        return 2;
    }
    CIniFile ini;
    ini.SetFileName(QString::fromLocal8Bit(argv[1]));
    const QString tag = QString::fromLocal8Bit(argv[2]);
    QList<CustomAppRecord> rows;
    for (int i = 0; i < std::atoi(argv[3]); ++i)
        rows.append(CustomAppRecord{tag + QString::number(i), QStringLiteral("/opt/") + tag,
                                    QStringLiteral("%ip ") + tag});
    for (int round = 0; round < std::atoi(argv[4]); ++round)
        if (!writeCustomApps(ini, rows))
            return 1;
    return 0;
}
