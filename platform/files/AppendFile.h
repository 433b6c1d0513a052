#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Appends the bytes to the file with one write on a file opened for
// appending, creating the file when it is missing: writers of the same file
// never interleave or lose a line. False when it could not be written: the
// name or the folder it lies in is a symbolic link, the file's lock was not
// had in time, or the bytes did not all fit (the file is then cut back to
// its length before).
bool appendToFile(const QString& path, const QByteArray& bytes);

// The same for the file `name` in the folder `folder` of `base`, both folders
// made when missing. `base` is refused when it is a symbolic link, as the
// folder and the file are.
bool appendToFileIn(const QString& base, const QString& folder, const QString& name, const QByteArray& bytes);

// The most bytes one file name (not a path) may have on the file system.
int fileNameLimit();
// A file name as the file system gets it.
QByteArray encodedFileName(const QString& name);

} // namespace platform
