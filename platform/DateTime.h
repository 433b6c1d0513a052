#pragma once

#include <QString>

#include <ctime>

namespace platform {

// The one formatter of dates and times: the forms "%x" and "%X" take in the C
// runtime's default locale, month/day/two-digit year and 24-hour time
// (12/07/26 and 16:05:09), from local time.
struct LocalStamp
{
    QString date;  // "%x"
    QString time;  // "%X"
    int month = 0; // 1-12
    int day = 0;
    int year = 0; // four digits
};

LocalStamp localStamp(std::time_t when);
LocalStamp localStampNow();

} // namespace platform
