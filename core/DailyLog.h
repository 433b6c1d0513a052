#pragma once

#include "BoxSnapshot.h"

#include "platform/DateTime.h"

#include <QString>

// The daily logs: one folder per day, one file per target and method, one
// line per status change.
namespace dailylog {

// "%d-%d-%d/" of month, day and year, inside the logs folder.
QString dayFolder(const QString& logsDir, const platform::LocalStamp& now);

// The target as a file name: ":" and "/" and "\" become "-", "%" becomes "s".
QString cleanedAddress(const QString& address);

// The file of a box in a day folder; empty for a method that has none. An
// address too long for a file name is cut and ends in "~" and a hash of
// the whole address.
QString fileName(const BoxSnapshot& box, const QString& dayFolder, int logFileType);

// The line for the box's status; empty for a status that has none. Line
// breaks and the column separator inside a field are written as blanks.
QString line(const BoxSnapshot& box, const platform::LocalStamp& now, int logFileType,
             const QString& errorText);

// Writes the line of a status change into today's file; false when nothing
// was written.
bool write(const BoxSnapshot& box, const QString& logsDir, int logFileType, const platform::LocalStamp& now);

} // namespace dailylog

// The text of a check's error code: the internet library's for its range,
// "General Failure" for 11050, else the system's text (empty when none).
QString errorText(uint32_t code);
// The internet library's text without line breaks, else the number.
QString internetErrorText(uint32_t code);
