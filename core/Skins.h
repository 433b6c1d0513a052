#pragma once

#include "BoxRecord.h"

#include <QString>
#include <QStringList>

class CIniFile;

// A skin: a stored look for a box, kept in the skins folder as NAME.ini with
// one section "skin". A box copies the values; a skin changed or deleted
// later changes no box.
struct SkinLook
{
    COLORREF OnLineBoxColor = 16699845; // RGB 197, 209, 254
    COLORREF OffLineBoxColor = 7960953; // grey 121
    COLORREF OnLineTextColor = 0;
    COLORREF OffLineTextColor = 16777215;
    QString OnLinePicFile;
    QString OffLinePicFile;

    bool operator==(const SkinLook&) const = default;
};

namespace skins {

// The skin every new box starts from.
inline const QString kDefaultSkin = QStringLiteral("Default");
// What the skin combo shows when the look is no stored skin.
inline const QString kCustomSkin = QStringLiteral("自定义");

// The six keys with their defaults; a file that cannot be read gives the defaults.
SkinLook ReadSkin(const CIniFile& ini);
// Writes the six keys (a new file gets them in this order: the two pictures,
// then the down and up tile colours, the up and down text colours); other
// keys of the file stay, and they are written in one go. False when the write
// failed or the file's name is a symbolic link (not written through).
bool WriteSkin(CIniFile& ini, const SkinLook& look);

// A name that names a file right in the skins folder: not empty, no path
// separator. Typed text that is not one never reaches the file system.
bool IsSafeSkinName(const QString& name);
// skinsDir + name + ".ini", or empty for a name that is not safe.
QString SkinFilePath(const QString& skinsDir, const QString& name);
bool SkinExists(const QString& skinsDir, const QString& name);
// Where a picture named in a box or a skin is read: picturesDir + fileName,
// or empty (no picture) for a name that is not a plain file name.
QString PictureFilePath(const QString& picturesDir, const QString& fileName);
// The titles of the skin files, sorted as the combo sorts them.
QStringList ListSkins(const QString& skinsDir);
// Delete is refused for the default skin, the custom entry, an empty name
// and a name that is not safe.
bool CanDeleteSkin(const QString& name);
// Deletes the skin's file when CanDeleteSkin allows it; false otherwise or
// when the file could not be removed.
bool DeleteSkin(const QString& skinsDir, const QString& name);

// The skin-name dialog's rule for its edit: the characters a file name
// cannot hold on Windows are removed, and so are leading dots (a hidden file
// is never listed); a name of one blank becomes empty.
QString CleanSkinName(const QString& typed);
// A cleaned name may be confirmed when it is neither empty nor the custom entry.
bool SkinNameAcceptable(const QString& cleaned);

} // namespace skins
