#include "MainSettings.h"

std::atomic<uint32_t> g_nVerifyTime{3};
std::atomic<uint32_t> g_nTimeOut{3000};
std::atomic<int32_t> g_nLogFileType{0};
QString g_strLogsDir;
