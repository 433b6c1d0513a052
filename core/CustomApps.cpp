#include "CustomApps.h"

uint32_t readCustomApps(const CIniFile& mainIni, CustomAppArray& apps)
{
    uint32_t rows = mainIni.GetDWORD(QStringLiteral("Main"), QStringLiteral("nrows"), 0);
    if (rows > kMaxCustomApps)
        rows = kMaxCustomApps;
    for (uint32_t i = 0; i < rows; ++i) {
        const QString section = QStringLiteral("Row %1").arg(i);
        apps[i].m_strTitle = mainIni.GetString(section, QStringLiteral("标题"), QStringLiteral("Empty"));
        apps[i].m_strPath = mainIni.GetString(section, QStringLiteral("应用程序"), QString());
        apps[i].m_strParams = mainIni.GetString(section, QStringLiteral("参数"), QString());
    }
    return rows;
}
