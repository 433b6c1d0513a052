#pragma once

#include "IniFile.h"

#include <QString>

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
