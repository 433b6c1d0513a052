#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Copies a file over another through a temporary file beside the target and
// a rename, so the target is never left half written. False with a readable
// reason when it fails.
bool copyFileReplacing(const QString& source, const QString& target, QString* error = nullptr);

// Writes the bytes as the whole file in the same way: a failed write leaves
// the old file (or none) in place, never a cut one.
bool writeFileReplacing(const QString& target, const QByteArray& bytes, QString* error = nullptr);

} // namespace platform
