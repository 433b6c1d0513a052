#pragma once

#include "BoxRecord.h"
#include "ConfigKeys.h"
#include "IniFile.h"
#include "MainSettings.h"

#include <QRect>

#include <array>
#include <functional>

inline constexpr int kMaxBoxes = 70;
using BoxArray = std::array<BoxRecord*, kMaxBoxes>;

// The whole-file operations of the configuration, free of any window so that
// they can be tested on their own. The main window's LoadConfig and SaveBoxes
// call them.
namespace config {

QString boxSection(int index);

// Writes a new configuration file key by key: section "main", then "Box 0".
void writeNewFile(CIniFile& ini);

// Reads section "main" into the settings and the process-wide values;
// returns FirstStart.
int32_t readMainSection(const CIniFile& ini, MainSettings& settings);

// First start: centres the row layout on the work area and stores the
// position, then FirstStart 0.
void centreOnWorkArea(CIniFile& ini, MainSettings& settings, const QRect& workArea);

void readBox(const CIniFile& ini, int index, BoxRecord& box, const QString& picturesDir);
void writeBox(CIniFile& ini, int index, const BoxRecord& box);

// Steps of loading up to the box records; the pictures are left to the caller.
// `boxes` must hold no box.
void load(CIniFile& ini, const QString& configPath, MainSettings& settings, BoxArray& boxes,
          const QString& picturesDir, const std::function<QRect()>& workArea);

// Writes NumBox and every key of every box, rewriting the file once. False
// when the file could not be written.
bool saveBoxes(CIniFile& ini, const MainSettings& settings, const BoxArray& boxes);

} // namespace config
