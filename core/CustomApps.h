#pragma once

#include "IniFile.h"

#include <QString>

#include <QList>

#include <array>

// One custom application of a box's context menu.
struct CustomAppRecord
{
    QString m_strTitle;
    QString m_strPath;
    QString m_strParams;
};

inline constexpr int kMaxCustomApps = 7;
using CustomAppArray = std::array<CustomAppRecord, kMaxCustomApps>;

// Reads the rows of "Main.ini" into `apps` and returns how many are in use
// (at most seven); rows beyond the count are left empty.
uint32_t readCustomApps(const CIniFile& mainIni, CustomAppArray& apps);

// The rows as the custom applications dialog lists them: at most seven, and
// a missing title is empty.
QList<CustomAppRecord> readCustomAppRows(const CIniFile& mainIni);

// Writes the rows as "Main.ini" holds them: "nrows" in section "Main" and one
// section "Row %d" per row, in one locked rewrite of the file, so that
// another instance saving at the same moment never mixes its rows into
// these. Sections of rows beyond the count stay as they are. False when the
// file could not be written.
bool writeCustomApps(CIniFile& mainIni, const QList<CustomAppRecord>& rows);
