#include "ConfigKeys.h"

#include <array>

namespace {

using A = Accessor;
using R = BoxRecord;

constexpr std::array kMainKeys = {
    MainKeySpec{MainKey::App, "App", A::None, 0, "", A::String, "Korvalen"},
    MainKeySpec{MainKey::FirstStart, "FirstStart", A::Int, 1, "", A::Int, "1"},
    MainKeySpec{MainKey::NumBox, "NumBox", A::Int, 1, "", A::Int, "1"},
    MainKeySpec{MainKey::XBox, "XBox", A::Int, 90, "", A::Int, "90"},
    MainKeySpec{MainKey::YBox, "YBox", A::Int, 80, "", A::Int, "80"},
    MainKeySpec{MainKey::PosX, "PosX", A::Int, 300, "", A::Int, "300"},
    MainKeySpec{MainKey::PosY, "PosY", A::Int, 300, "", A::Int, "300"},
    MainKeySpec{MainKey::WinPos, "WinPos", A::Int, 1, "", A::Int, "1"},
    MainKeySpec{MainKey::WinBeh, "WinBeh", A::Int, 1, "", A::Int, "1"},
    MainKeySpec{MainKey::VerifyTime, "VerifyTime", A::DWord, 3, "", A::Int, "3"},
    MainKeySpec{MainKey::TimeOut, "TimeOut", A::DWord, 3000, "", A::Int, "3000"},
    MainKeySpec{MainKey::Transparent, "Transparent", A::Int, 255, "", A::Int, "255"},
    MainKeySpec{MainKey::ShowOnLineOffLineTime, "ShowOnLineOffLineTime", A::Int, 1, "", A::Int, "1"},
    MainKeySpec{MainKey::DCOBEFE, "DCOBEFE", A::Int, 0, "", A::Int, "0"},
    MainKeySpec{MainKey::DCOBEFPath, "DCOBEFPath", A::String, 0, "", A::String, ""},
    MainKeySpec{MainKey::DCOBEFParameters, "DCOBEFParameters", A::String, 0, "", A::String, ""},
    MainKeySpec{MainKey::ErrorDefaultSound, "ErrorDefaultSound", A::Int, 0, "", A::Int, "0"},
    MainKeySpec{MainKey::PlayErrorDefSoundPath, "PlayErrorDefSoundPath", A::String, 0, "", A::String, ""},
    MainKeySpec{MainKey::ErrorTextSpeechSound, "ErrorTextSpeechSound", A::Int, 0, "", A::Int, "0"},
    MainKeySpec{MainKey::ErrorTextSpeechText, "ErrorTextSpeechText", A::String, 0, "%name Error", A::String,
                "%name Error"},
    MainKeySpec{MainKey::HideTaskBarButton, "HideTaskBarButton", A::Int, 0, "", A::Int, "0"},
    MainKeySpec{MainKey::ErrorSound, "ErrorSound", A::Int, 0, "", A::Int, "0"},
    MainKeySpec{MainKey::EnableLog, "EnableLog", A::Int, 0, "", A::Int, "0"},
    MainKeySpec{MainKey::ErrorMsgBox, "ErrorMsgBox", A::Int, 0, "", A::Int, "0"},
    MainKeySpec{MainKey::ShowUpDownTime, "ShowUpDownTime", A::Int, 0, "", A::Int, "0"},
    MainKeySpec{MainKey::ShowStatusX, "ShowStatusX", A::Int, 0, "", A::Int, "0"},
    MainKeySpec{MainKey::ShowVMethodIPX, "ShowVMethodIPX", A::None, 0, "", A::Int, "0"},
    MainKeySpec{MainKey::ShowIPandMethodX, "ShowIPandMethodX", A::Int, 0, "", A::Int, "0"},
    MainKeySpec{MainKey::VolumeMute, "VolumeMute", A::Int, 0, "", A::Int, "0"},
    MainKeySpec{MainKey::Volume, "Volume", A::DWord, 65535, "", A::Int, "65535"},
    MainKeySpec{MainKey::LogFileType, "LogFileType", A::Int, 0, "", A::None, ""},
    MainKeySpec{MainKey::AutoUpdate, "AutoUpdate", A::Int, 0, "", A::None, ""},
    MainKeySpec{MainKey::NetUserName, "NetUserName", A::None, 0, "", A::None, ""},
    MainKeySpec{MainKey::SendNetMsgComm, "SendNetMsgComm", A::None, 0, "cmd", A::None, ""},
    MainKeySpec{MainKey::SendNetMsgParam, "SendNetMsgParam", A::None, 0, "", A::None, ""},
};

static_assert(
    [] {
        for (size_t i = 0; i < kMainKeys.size(); ++i)
            if (size_t(kMainKeys[i].id) != i)
                return false;
        return true;
    }(),
    "mainKey() looks keys up by their place");

const std::array kBoxKeys = {
    BoxKeySpec{"Text", &R::Text, A::String, 0, "LOCAL", A::String, 1, A::String, "LOCAL"},
    BoxKeySpec{"PicTypeOnLine", &R::PicTypeOnLine, A::DWord, 1, "", A::Int, 2, A::Int, "1"},
    BoxKeySpec{"PicTypeOffLine", &R::PicTypeOffLine, A::DWord, 1, "", A::Int, 3, A::Int, "1"},
    BoxKeySpec{"OnLineBoxColor", &R::OnLineBoxColor, A::DWord, 16699845, "", A::DWord, 6, A::Int, "16699845"},
    BoxKeySpec{"OffLineBoxColor", &R::OffLineBoxColor, A::DWord, 7960953, "", A::DWord, 7, A::Int, "7960953"},
    BoxKeySpec{"OnLineTextColor", &R::OnLineTextColor, A::DWord, 0, "", A::DWord, 8, A::DWord, "0"},
    BoxKeySpec{"OffLineTextColor", &R::OffLineTextColor, A::DWord, 16777215, "", A::DWord, 9, A::Int,
               "16777215"},
    BoxKeySpec{"OnLinePicFile", &R::OnLinePicFile, A::String, 0, "1274607096_Desktop.ico", A::String, 4,
               A::String, "1274607096_Desktop.ico"},
    BoxKeySpec{"OffLinePicFile", &R::OffLinePicFile, A::String, 0, "1274607096_Desktop_bw.ico", A::String, 5,
               A::String, "1274607096_Desktop_bw.ico"},
    BoxKeySpec{"IPAdress", &R::IPAdress, A::String, 0, "127.0.0.1", A::String, 10, A::String, "127.0.0.1"},
    BoxKeySpec{"IPv", &R::IPv, A::DWord, 0, "", A::DWord, 11, A::Int, "0"},
    BoxKeySpec{"Port", &R::Port, A::DWord, 80, "", A::DWord, 12, A::String, "80"},
    BoxKeySpec{"VerifyMetod", &R::VerifyMetod, A::DWord, 1, "", A::DWord, 13, A::Int, "1"},
    BoxKeySpec{"Sound", &R::Sound, A::Int, 0, "", A::DWord, 0, A::None, ""},
    BoxKeySpec{"Logging", &R::Logging, A::Int, 0, "", A::DWord, 14, A::Int, "0"},
    BoxKeySpec{"MsgBox", &R::MsgBox, A::Int, 0, "", A::DWord, 15, A::Int, "0"},
    BoxKeySpec{"UpPath", &R::UpPath, A::String, 0, "", A::String, 16, A::String, ""},
    BoxKeySpec{"DownPath", &R::DownPath, A::String, 0, "", A::String, 17, A::String, ""},
    BoxKeySpec{"OpenPath", &R::OpenPath, A::String, 0, "", A::String, 18, A::String, ""},
    BoxKeySpec{"ClosePath", &R::ClosePath, A::String, 0, "", A::String, 19, A::String, ""},
    BoxKeySpec{"TcpDownPath", &R::TcpDownPath, A::String, 0, "", A::String, 20, A::String, ""},
    BoxKeySpec{"CustomSoundCheck", &R::CustomSoundCheck, A::Int, 0, "", A::DWord, 21, A::Int, "0"},
    BoxKeySpec{"UpTextString", &R::UpTextString, A::String, 0, "", A::String, 22, A::String, "%name is Up"},
    BoxKeySpec{"DownTextString", &R::DownTextString, A::String, 0, "", A::String, 23, A::String,
               "%name is Down"},
    BoxKeySpec{"OpenTextString", &R::OpenTextString, A::String, 0, "", A::String, 24, A::String,
               "%name is Open"},
    BoxKeySpec{"CloseTextString", &R::CloseTextString, A::String, 0, "", A::String, 25, A::String,
               "%name is Close"},
    BoxKeySpec{"TDownTextString", &R::TDownTextString, A::String, 0, "", A::String, 26, A::String,
               "%name is Down"},
    BoxKeySpec{"SpeechTextCheck", &R::SpeechTextCheck, A::Int, 0, "", A::DWord, 27, A::Int, "0"},
    BoxKeySpec{"ExecFilePath", &R::ExecFilePath, A::String, 0, "", A::String, 28, A::String, ""},
    BoxKeySpec{"ExecFileParam", &R::ExecFileParam, A::String, 0, "", A::String, 29, A::String, ""},
    BoxKeySpec{"ExecFileStatusCheck", &R::ExecFileStatusCheck, A::DWord, 0, "", A::DWord, 30, A::Int, "0"},
    BoxKeySpec{"ExecFileCheck", &R::ExecFileCheck, A::DWord, 0, "", A::DWord, 31, A::Int, "0"},
    BoxKeySpec{"nMSGB", &R::nMSGB, A::DWord, 0, "", A::DWord, 0, A::None, ""},
    BoxKeySpec{"nPS", &R::nPS, A::DWord, 0, "", A::DWord, 0, A::None, ""},
    BoxKeySpec{"nEF", &R::nEF, A::DWord, 0, "", A::DWord, 0, A::None, ""},
    BoxKeySpec{"MsgBoxDesc", &R::MsgBoxDesc, A::String, 0, "%name is %status", A::String, 0, A::None, ""},
    BoxKeySpec{"Phrase", &R::Phrase, A::String, 0, "html", A::String, 0, A::None, ""},
    BoxKeySpec{"CheckInterval", &R::CheckInterval, A::DWord, 3, "", A::DWord, 0, A::None, ""},
    BoxKeySpec{"RunHideMode", &R::RunHideMode, A::DWord, 0, "", A::Int, 0, A::None, ""},
    BoxKeySpec{"Disabled", &R::Disabled, A::DWord, 0, "", A::Int, 0, A::None, ""},
};

} // namespace

std::span<const MainKeySpec> mainKeys()
{
    return kMainKeys;
}

const MainKeySpec& mainKey(MainKey id)
{
    return kMainKeys[size_t(id)];
}

std::span<const BoxKeySpec> boxKeys()
{
    return kBoxKeys;
}
