#pragma once

#include <QString>

#include <optional>

namespace platform {

// The folder in which the per-user application folder is made: $APPDATA when
// set (a relative one from the working folder), else $XDG_CONFIG_HOME, else
// ~/.config. None when not even HOME is known, or when the variable that
// names it holds bytes that are no file name in this locale (Qt turns them
// into U+FFFD, which would make two folders one): `undecodable` then receives
// the variable's name.
std::optional<QString> applicationDataFolder(QString* undecodable = nullptr);

// Creates the folder with every missing parent; true when it exists afterwards.
bool createFolder(const QString& path);

// True when the file exists and can be replaced (a write here renames a new
// file into place, so the folder must be writable too).
bool canReplaceFile(const QString& path);

// Whether `path` is a folder that belongs to this user and that nobody else
// may enter (mode 0700): nobody else can put a socket there.
bool isPrivateFolder(const QString& path);

// The folder for this user's instance sockets: $XDG_RUNTIME_DIR when it is
// private, else a private folder of the user's in the temporary folder, else
// one in ~/.cache. With `longest` given, the first of them whose path takes at
// most that many bytes, or none; without, the home folder when none can be had.
QString runtimeFolder(qsizetype longest = -1);

// The program's own data file `name` (Help.html, say): beside the program, as
// in the build tree, else in ../share/korvalen/ as `cmake --install` lays it
// out. The place beside the program when it is in neither.
QString programDataFile(const QString& programDir, const QString& name);

} // namespace platform
