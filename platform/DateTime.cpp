#include "DateTime.h"

namespace platform {

LocalStamp localStamp(std::time_t when)
{
    std::tm parts{};
    localtime_r(&when, &parts);
    char date[32];
    char time[32];
    std::strftime(date, sizeof date, "%m/%d/%y", &parts);
    std::strftime(time, sizeof time, "%H:%M:%S", &parts);
    return LocalStamp{QString::fromLatin1(date), QString::fromLatin1(time), parts.tm_mon + 1, parts.tm_mday,
                      parts.tm_year + 1900};
}

LocalStamp localStampNow()
{
    return localStamp(std::time(nullptr));
}

} // namespace platform
