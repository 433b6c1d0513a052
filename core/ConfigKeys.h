#pragma once

#include "BoxRecord.h"

#include <cstdint>
#include <span>
#include <variant>

// The keys of the configuration file, each with its accessor and default
// spelled once. Loading, saving and the writer of a new file all use these
// tables.

enum class Accessor
{
    None,
    Int,
    DWord,
    String
};

inline constexpr const char* kMainSection = "main";
inline constexpr const char* kBoxSectionFormat = "Box %1";

enum class MainKey
{
    App,
    FirstStart,
    NumBox,
    XBox,
    YBox,
    PosX,
    PosY,
    WinPos,
    WinBeh,
    VerifyTime,
    TimeOut,
    Transparent,
    ShowOnLineOffLineTime,
    DCOBEFE,
    DCOBEFPath,
    DCOBEFParameters,
    ErrorDefaultSound,
    PlayErrorDefSoundPath,
    ErrorTextSpeechSound,
    ErrorTextSpeechText,
    HideTaskBarButton,
    ErrorSound,
    EnableLog,
    ErrorMsgBox,
    ShowUpDownTime,
    ShowStatusX,
    ShowVMethodIPX,
    ShowIPandMethodX,
    VolumeMute,
    Volume,
    LogFileType,
    AutoUpdate,
    NetUserName,
    SendNetMsgComm,
    SendNetMsgParam,
};

struct MainKeySpec
{
    MainKey id;
    const char* name;
    Accessor read;           // None: not read at start
    uint32_t numberDefault;  // for Int and DWord reads
    const char* textDefault; // for String reads
    Accessor newFile;        // None: not written into a new file
    const char* newFileText; // the text a new file holds
};

// In the order in which a new file is written.
std::span<const MainKeySpec> mainKeys();
const MainKeySpec& mainKey(MainKey id);

// COLORREF fields are uint32_t fields.
using BoxField =
    std::variant<QString BoxRecord::*, int32_t BoxRecord::*, uint32_t BoxRecord::*, uint8_t BoxRecord::*>;

struct BoxKeySpec
{
    const char* name;
    BoxField field;
    Accessor read;
    uint32_t numberDefault;
    const char* textDefault;
    Accessor save;
    int newFileRank; // place in the new file's "Box 0", 0: not written
    Accessor newFile;
    const char* newFileText;
};

// In the order in which the boxes are saved.
std::span<const BoxKeySpec> boxKeys();
