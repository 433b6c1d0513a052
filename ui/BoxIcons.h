#pragma once

#include "core/BoxRecord.h"

#include <QByteArray>
#include <QImage>
#include <QString>

class QWidget;

// The pictures of a box as the box properties dialog holds them: icon files
// in the pictures folder, of which a box stores only the file name.

// One picture (Up or Down) of the dialog.
struct BoxPicture
{
    QString fileName; // no folder: OnLinePicFile or OffLinePicFile
    QString fullPath; // pictures folder + file name
    QImage icon;      // null when there is no picture
    BitmapSize size;  // of the icon, 0 by 0 without one

    // Sets the file name and works out the full path (none for a name that is
    // not a plain file name); the icon stays as it is.
    void SetFile(const QString& picturesDir, const QString& name);
    // Loads the icon from the full path when it names an .ico file, else none.
    void Load();
    // No picture: no icon, no file name, no path, size 0 by 0.
    void Empty();
    void UpdateSize();
};

// A greyscale copy of an icon (grey = mean of red, green and blue, 255 made
// 254, alpha kept); a null image for none.
QImage MakeGreyIcon(const QImage& icon);

// The icon file of the icons: a 6-byte header, a 16-byte entry per image, then
// each image as a 40-byte header, its 32-bit colour rows and its 1-bit mask
// rows (a pixel with no alpha at all is masked), each row bottom to top and
// padded to four bytes. Empty when an icon is null.
QByteArray EncodeIconFile(const QImage* icons, int count);
// Writes that file in place of any other of its name; a failed write leaves
// no cut file, and a symbolic link of that name is not written through. 1 when
// written, 0 when the list is missing, the count is below 1, an icon is null
// or the file cannot be written (`error` then says why, when given).
int SaveIconsToFile(const QString& path, const QImage* icons, int count, QString* error = nullptr);

// The last three characters of the path (all of it when shorter).
QString GetExtension(const QString& path);

// The name of the greyscale copy of an Up picture: the name less its last
// four characters, then "_GSC.ico". Empty for a name that is not a plain file
// name, so a copy is never written outside the pictures folder.
QString GreyscaleFileName(const QString& upFileName);

// Down = greyscale copy of Up, written into the pictures folder; without an
// Up icon the Down picture is emptied, and when the copy cannot be written it
// stays as it was. Returns why the copy could not be written, empty otherwise. The caller
// reloads both pictures afterwards.
QString MakeGreyscaleCopy(const BoxPicture& up, BoxPicture& down, const QString& picturesDir);

// Where a chosen picture file goes: its own name in the pictures folder. A
// file already there is used as it is (never copied over itself); a different
// file of the same name gets a free name ("pc_2.ico"), so the pictures of
// other boxes stay as they are. `error` is set when the copy failed, or when
// the name in the pictures folder is a symbolic link (never copied through).
// A file named .ico that holds no icon is refused: nothing is copied, and the
// file name is empty.
struct ImportedPicture
{
    QString fileName;
    QString error;
};
ImportedPicture ImportPicture(const QString& chosenPath, const QString& picturesDir);

// The choose button: the icon file picker; on Cancel false and nothing
// changes. Otherwise the file is brought into the pictures folder (a failed
// copy shows its reason), and loaded when it is an .ico file. A refused file
// changes nothing either; the message says why.
bool ChoosePicture(QWidget* parent, const QString& picturesDir, BoxPicture& picture);
