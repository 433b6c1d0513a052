#include "CustomApps.h"

#include "platform/files/PrivateProfile.h"

#include <algorithm>

namespace {
const QString kMain = QStringLiteral("Main");
const QString kRows = QStringLiteral("nrows");
const QString kTitle = QStringLiteral("标题");
const QString kProgram = QStringLiteral("应用程序");
const QString kParameters = QStringLiteral("参数");

QString rowSection(qsizetype row)
{
    return QStringLiteral("Row %1").arg(row);
}
} // namespace

uint32_t readCustomApps(const CIniFile& mainIni, CustomAppArray& apps)
{
    // One parse of the file for all its rows, let go afterwards.
    const platform::ProfileReadScope reading(mainIni.FileName());
    uint32_t rows = mainIni.GetDWORD(kMain, kRows, 0);
    if (rows > kMaxCustomApps)
        rows = kMaxCustomApps;
    for (uint32_t i = 0; i < rows; ++i) {
        const QString section = rowSection(i);
        apps[i].m_strTitle = mainIni.GetString(section, kTitle, QStringLiteral("Empty"));
        apps[i].m_strPath = mainIni.GetString(section, kProgram, QString());
        apps[i].m_strParams = mainIni.GetString(section, kParameters, QString());
    }
    return rows;
}

QList<CustomAppRecord> readCustomAppRows(const CIniFile& mainIni)
{
    const platform::ProfileReadScope reading(mainIni.FileName());
    const uint32_t count = std::min<uint32_t>(mainIni.GetDWORD(kMain, kRows, 0), kMaxCustomApps);
    QList<CustomAppRecord> rows;
    for (uint32_t i = 0; i < count; ++i) {
        const QString section = rowSection(i);
        rows.append(CustomAppRecord{mainIni.GetString(section, kTitle, QString()),
                                    mainIni.GetString(section, kProgram, QString()),
                                    mainIni.GetString(section, kParameters, QString())});
    }
    return rows;
}

bool writeCustomApps(CIniFile& mainIni, const QList<CustomAppRecord>& rows)
{
    platform::ProfileBatch batch(mainIni.FileName());
    mainIni.WriteDWORD(kMain, kRows, uint32_t(rows.size()));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QString section = rowSection(i);
        mainIni.WriteString(section, kTitle, rows[i].m_strTitle);
        mainIni.WriteString(section, kProgram, rows[i].m_strPath);
        mainIni.WriteString(section, kParameters, rows[i].m_strParams);
    }
    return batch.commit();
}
