#include "ConfigStore.h"

#include "Skins.h"

#include "StripSize.h"
#include "WorkAreaPlacement.h"
#include "platform/files/PrivateProfile.h"

#include <algorithm>
#include <vector>

namespace config {

namespace {

const QString kMain = QString::fromLatin1(kMainSection);

QString keyName(const char* name)
{
    return QString::fromLatin1(name);
}

int32_t readInt(const CIniFile& ini, MainKey id)
{
    const MainKeySpec& spec = mainKey(id);
    return ini.GetInt(kMain, keyName(spec.name), spec.numberDefault);
}

uint32_t readDWord(const CIniFile& ini, MainKey id)
{
    const MainKeySpec& spec = mainKey(id);
    return ini.GetDWORD(kMain, keyName(spec.name), spec.numberDefault);
}

QString readString(const CIniFile& ini, MainKey id)
{
    const MainKeySpec& spec = mainKey(id);
    return ini.GetString(kMain, keyName(spec.name), QString::fromUtf8(spec.textDefault));
}

// Writes a new file's value with the accessor the table names; the number
// writers are handed the number so the text is theirs.
void writeNewValue(CIniFile& ini, const QString& section, const char* name, Accessor accessor,
                   const char* text)
{
    const QString value = QString::fromUtf8(text);
    switch (accessor) {
    case Accessor::Int:
        ini.WriteInt(section, keyName(name), value.toInt());
        break;
    case Accessor::DWord:
        ini.WriteDWORD(section, keyName(name), value.toUInt());
        break;
    case Accessor::String:
        ini.WriteString(section, keyName(name), value);
        break;
    case Accessor::None:
        break;
    }
}

} // namespace

QString boxSection(int index)
{
    return QString::fromLatin1(kBoxSectionFormat).arg(index);
}

void writeNewFile(CIniFile& ini)
{
    platform::ProfileBatch batch(ini.FileName());
    for (const MainKeySpec& spec : mainKeys())
        writeNewValue(ini, kMain, spec.name, spec.newFile, spec.newFileText);

    std::vector<const BoxKeySpec*> firstBox;
    for (const BoxKeySpec& spec : boxKeys())
        if (spec.newFileRank > 0)
            firstBox.push_back(&spec);
    std::sort(firstBox.begin(), firstBox.end(),
              [](const BoxKeySpec* a, const BoxKeySpec* b) { return a->newFileRank < b->newFileRank; });
    const QString section = boxSection(0);
    for (const BoxKeySpec* spec : firstBox)
        writeNewValue(ini, section, spec->name, spec->newFile, spec->newFileText);
}

int32_t readMainSection(const CIniFile& ini, MainSettings& s)
{
    const int32_t firstStart = readInt(ini, MainKey::FirstStart);
    s.XBox = readInt(ini, MainKey::XBox);
    s.YBox = readInt(ini, MainKey::YBox);
    s.NumBox = readInt(ini, MainKey::NumBox);
    if (s.NumBox >= kMaxBoxes)
        s.NumBox = kMaxBoxes;
    // A negative count loads no box; holding it as 0 keeps every loop over
    // the boxes and the window size sane.
    if (s.NumBox < 0)
        s.NumBox = 0;
    s.PosX = readInt(ini, MainKey::PosX);
    s.PosY = readInt(ini, MainKey::PosY);
    s.WinPos = readInt(ini, MainKey::WinPos);
    s.WinBeh = readInt(ini, MainKey::WinBeh);
    s.Transparent = uint8_t(readInt(ini, MainKey::Transparent));
    const uint32_t verifyTime = readDWord(ini, MainKey::VerifyTime);
    g_nVerifyTime = verifyTime == 0 ? 1 : verifyTime;
    g_nTimeOut = readDWord(ini, MainKey::TimeOut);
    s.ShowOnLineOffLineTime = uint8_t(readInt(ini, MainKey::ShowOnLineOffLineTime));
    s.DCOBEFE = readInt(ini, MainKey::DCOBEFE);
    s.DCOBEFPath = readString(ini, MainKey::DCOBEFPath);
    s.DCOBEFParameters = readString(ini, MainKey::DCOBEFParameters);
    s.ErrorDefaultSound = readInt(ini, MainKey::ErrorDefaultSound);
    s.PlayErrorDefSoundPath = readString(ini, MainKey::PlayErrorDefSoundPath);
    s.HideTaskBarButton = readInt(ini, MainKey::HideTaskBarButton);
    s.ErrorSound = readInt(ini, MainKey::ErrorSound);
    s.EnableLog = readInt(ini, MainKey::EnableLog);
    s.ErrorMsgBox = readInt(ini, MainKey::ErrorMsgBox);
    s.m_bShowReplyTime = readInt(ini, MainKey::ShowUpDownTime) == 0;
    s.m_bShowIPandMethod = readInt(ini, MainKey::ShowIPandMethodX) == 0;
    s.m_bShowStatus = readInt(ini, MainKey::ShowStatusX) == 0;
    s.ErrorTextSpeechSound = readInt(ini, MainKey::ErrorTextSpeechSound);
    s.ErrorTextSpeechText = readString(ini, MainKey::ErrorTextSpeechText);
    s.Volume = readDWord(ini, MainKey::Volume);
    s.VolumeMute = readInt(ini, MainKey::VolumeMute);
    g_nLogFileType = readInt(ini, MainKey::LogFileType);
    s.AutoUpdate = readInt(ini, MainKey::AutoUpdate);
    return firstStart;
}

void centreOnWorkArea(CIniFile& ini, MainSettings& s, const QRect& workArea)
{
    // Centred in the work area with the row layout's size, the size the
    // window really gets, so that hand-edited tile sizes cannot overflow the
    // sum; a strip wider than the area starts at its left edge.
    const QPoint topLeft = centredInWorkArea(stripWindowSize(s.XBox, s.YBox, s.NumBox, 1), workArea);
    s.PosX = topLeft.x();
    s.PosY = topLeft.y();
    ini.WriteInt(kMain, keyName(mainKey(MainKey::PosX).name), s.PosX);
    ini.WriteInt(kMain, keyName(mainKey(MainKey::PosY).name), s.PosY);
    ini.WriteInt(kMain, keyName(mainKey(MainKey::FirstStart).name), 0);
}

void readBox(const CIniFile& ini, int index, BoxRecord& box, const QString& picturesDir)
{
    const QString section = boxSection(index);
    for (const BoxKeySpec& spec : boxKeys()) {
        const QString key = keyName(spec.name);
        if (spec.read == Accessor::String) {
            box.*std::get<QString BoxRecord::*>(spec.field) =
                ini.GetString(section, key, QString::fromUtf8(spec.textDefault));
            continue;
        }
        const int64_t number = spec.read == Accessor::Int
                                   ? int64_t(ini.GetInt(section, key, spec.numberDefault))
                                   : int64_t(ini.GetDWORD(section, key, spec.numberDefault));
        std::visit(
            [&](auto member) {
                using Field = std::remove_reference_t<decltype(box.*member)>;
                if constexpr (!std::is_same_v<Field, QString>)
                    box.*member = Field(number);
            },
            spec.field);
    }
    box.m_strOnLinePicPath = skins::PictureFilePath(picturesDir, box.OnLinePicFile);
    box.m_strOffLinePicPath = skins::PictureFilePath(picturesDir, box.OffLinePicFile);
    if (box.CheckInterval == 0)
        box.CheckInterval = 1;
}

void writeBox(CIniFile& ini, int index, const BoxRecord& box)
{
    const QString section = boxSection(index);
    for (const BoxKeySpec& spec : boxKeys()) {
        const QString key = keyName(spec.name);
        std::visit(
            [&](auto member) {
                const auto& value = box.*member;
                using Field = std::remove_cvref_t<decltype(value)>;
                if constexpr (std::is_same_v<Field, QString>) {
                    ini.WriteString(section, key, value);
                } else if (spec.save == Accessor::Int) {
                    ini.WriteInt(section, key, int32_t(value));
                } else {
                    ini.WriteDWORD(section, key, uint32_t(value));
                }
            },
            spec.field);
    }
}

void load(CIniFile& ini, const QString& configPath, MainSettings& settings, BoxArray& boxes,
          const QString& picturesDir, const std::function<QRect()>& workArea)
{
    ini.SetFileName(configPath);
    if (!ini.FileExists())
        writeNewFile(ini);
    // Every key of the file is read: one parse, however big the file.
    const platform::ProfileReadScope reading(configPath);
    const int32_t firstStart = readMainSection(ini, settings);
    if (firstStart != 0)
        centreOnWorkArea(ini, settings, workArea());
    for (int i = 0; i < settings.NumBox; ++i) {
        boxes[size_t(i)] = new BoxRecord(nullptr, i);
        readBox(ini, i, *boxes[size_t(i)], picturesDir);
    }
}

bool saveBoxes(CIniFile& ini, const MainSettings& settings, const BoxArray& boxes)
{
    platform::ProfileBatch batch(ini.FileName());
    ini.WriteInt(kMain, keyName(mainKey(MainKey::NumBox).name), settings.NumBox);
    for (int i = 0; i < settings.NumBox && i < kMaxBoxes; ++i)
        if (boxes[size_t(i)])
            writeBox(ini, i, *boxes[size_t(i)]);
    return batch.commit();
}

} // namespace config
