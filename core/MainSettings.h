#pragma once

#include <QString>

#include <atomic>
#include <cstdint>

// The values of the configuration's section "main" that the main window holds,
// named after their keys. Three are held inverted as "show" flags, and
// Transparent and ShowOnLineOffLineTime keep only their low byte.
struct MainSettings
{
    int32_t WinBeh = 1;
    int32_t NumBox = 0;
    int32_t WinPos = 1;
    int32_t XBox = 90;
    int32_t YBox = 80;
    int32_t PosX = 300;
    int32_t PosY = 300;
    uint8_t Transparent = 255;
    uint8_t ShowOnLineOffLineTime = 1;
    int32_t DCOBEFE = 0;
    QString DCOBEFPath;
    QString DCOBEFParameters;
    int32_t ErrorDefaultSound = 0;
    QString PlayErrorDefSoundPath;
    int32_t HideTaskBarButton = 0;
    int32_t ErrorSound = 0;
    int32_t EnableLog = 0;
    int32_t ErrorMsgBox = 0;
    bool m_bShowReplyTime = false;  // inverse of ShowUpDownTime
    uint8_t m_bShowIPandMethod = 1; // inverse of ShowIPandMethodX
    uint8_t m_bShowStatus = 1;      // inverse of ShowStatusX
    int32_t ErrorTextSpeechSound = 0;
    QString ErrorTextSpeechText;
    uint32_t Volume = 65535;
    int32_t VolumeMute = 0;
    int32_t AutoUpdate = 0;
};

// Settings that other threads read: written only by the user-interface thread.
extern std::atomic<uint32_t> g_nVerifyTime;
extern std::atomic<uint32_t> g_nTimeOut;
extern std::atomic<int32_t> g_nLogFileType;
// Set once by the main window's constructor, before any worker starts, and
// never changed afterwards; workers only copy it.
extern QString g_strLogsDir;
