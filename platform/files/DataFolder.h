#pragma once

#include <QString>

#include <optional>

namespace platform {

// The folder in which the per-user application folder is made: $APPDATA when
// set, else $XDG_CONFIG_HOME, else ~/.config. None when not even HOME is known.
std::optional<QString> applicationDataFolder();

// Creates the folder with every missing parent; true when it exists afterwards.
bool createFolder(const QString& path);

// True when the file exists and can be replaced (a write here renames a new
// file into place, so the folder must be writable too).
bool canReplaceFile(const QString& path);

// The folder for this user's instance locks and sockets: $XDG_RUNTIME_DIR,
// else a private folder of the user's in the temporary folder.
QString runtimeFolder();

// The program's own data file `name` (Help.html, say): beside the program, as
// in the build tree, else in ../share/korvalen/ as `cmake --install` lays it
// out. The place beside the program when it is in neither.
QString programDataFile(const QString& programDir, const QString& name);

} // namespace platform
