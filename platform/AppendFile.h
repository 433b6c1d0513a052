#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Appends the bytes to the file with one write on a file opened for
// appending, creating the file when it is missing: writers of the same file
// never interleave or lose a line. False when it could not be written.
bool appendToFile(const QString& path, const QByteArray& bytes);

} // namespace platform
