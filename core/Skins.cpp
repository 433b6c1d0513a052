#include "Skins.h"

#include "IniFile.h"
#include "platform/files/PrivateProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace skins {

namespace {
const QString kSection = QStringLiteral("skin");
const QString kIniSuffix = QStringLiteral(".ini");
} // namespace

SkinLook ReadSkin(const CIniFile& ini)
{
    const SkinLook defaults;
    SkinLook look;
    look.OnLineBoxColor = ini.GetDWORD(kSection, QStringLiteral("OnLineBoxColor"), defaults.OnLineBoxColor);
    look.OffLineBoxColor =
        ini.GetDWORD(kSection, QStringLiteral("OffLineBoxColor"), defaults.OffLineBoxColor);
    look.OnLineTextColor =
        ini.GetDWORD(kSection, QStringLiteral("OnLineTextColor"), defaults.OnLineTextColor);
    look.OffLineTextColor =
        ini.GetDWORD(kSection, QStringLiteral("OffLineTextColor"), defaults.OffLineTextColor);
    look.OnLinePicFile = ini.GetString(kSection, QStringLiteral("OnLinePicFile"), QString());
    look.OffLinePicFile = ini.GetString(kSection, QStringLiteral("OffLinePicFile"), QString());
    return look;
}

bool WriteSkin(CIniFile& ini, const SkinLook& look)
{
    // A link planted in the skins folder is not written through (a settings
    // file elsewhere follows its link; a skin is only ever a file here).
    if (QFileInfo(ini.FileName()).isSymLink())
        return false;
    platform::ProfileBatch batch(ini.FileName());
    bool ok = ini.WriteString(kSection, QStringLiteral("OnLinePicFile"), look.OnLinePicFile);
    ok = ini.WriteString(kSection, QStringLiteral("OffLinePicFile"), look.OffLinePicFile) && ok;
    ok = ini.WriteDWORD(kSection, QStringLiteral("OffLineBoxColor"), look.OffLineBoxColor) && ok;
    ok = ini.WriteDWORD(kSection, QStringLiteral("OnLineBoxColor"), look.OnLineBoxColor) && ok;
    ok = ini.WriteDWORD(kSection, QStringLiteral("OnLineTextColor"), look.OnLineTextColor) && ok;
    ok = ini.WriteDWORD(kSection, QStringLiteral("OffLineTextColor"), look.OffLineTextColor) && ok;
    return batch.commit() && ok;
}

bool IsSafeSkinName(const QString& name)
{
    // The name is put between the folder and ".ini": with no separator in it
    // the file can only be one right in the skins folder. A backslash counts
    // too, since skin names come from Windows habits ("..\Main").
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QChar(0));
}

QString SkinFilePath(const QString& skinsDir, const QString& name)
{
    if (!IsSafeSkinName(name))
        return QString();
    QString folder = skinsDir;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + name + kIniSuffix;
}

bool SkinExists(const QString& skinsDir, const QString& name)
{
    const QString path = SkinFilePath(skinsDir, name);
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QStringList ListSkins(const QString& skinsDir)
{
    // Any letter case of the suffix, as the Windows search for "*.ini" finds.
    const QStringList files = QDir(skinsDir).entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::NoSort);
    QStringList names;
    for (const QString& fileName : files)
        names << fileName.left(fileName.size() - kIniSuffix.size());
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

bool CanDeleteSkin(const QString& name)
{
    return name != kDefaultSkin && name != kCustomSkin && IsSafeSkinName(name);
}

bool DeleteSkin(const QString& skinsDir, const QString& name)
{
    if (!CanDeleteSkin(name))
        return false;
    const QString path = SkinFilePath(skinsDir, name);
    return !path.isEmpty() && QFile::remove(path);
}

QString CleanSkinName(const QString& typed)
{
    static const QString forbidden = QStringLiteral("\\/:\"|<>?*");
    QString name = typed;
    // Cleaning may leave one blank ("/ "), which is cleared in turn, as the
    // edit's change handling runs again on the text it writes back.
    for (;;) {
        if (name == QStringLiteral(" "))
            name.clear();
        QString cleaned;
        for (const QChar c : name)
            if (!forbidden.contains(c))
                cleaned += c;
        // A leading dot would make the skin file hidden, out of the list.
        while (cleaned.startsWith(QLatin1Char('.')))
            cleaned.remove(0, 1);
        if (cleaned == name)
            return name;
        name = cleaned;
    }
}

QString PictureFilePath(const QString& picturesDir, const QString& fileName)
{
    // Only a plain file name stays in the folder: "..", a separator or a NUL
    // would reach elsewhere.
    if (fileName.isEmpty() || fileName == QStringLiteral(".") || fileName == QStringLiteral("..") ||
        !IsSafeSkinName(fileName))
        return QString();
    QString folder = picturesDir;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + fileName;
}

bool SkinNameAcceptable(const QString& cleaned)
{
    return !cleaned.isEmpty() && cleaned != kCustomSkin;
}

} // namespace skins
