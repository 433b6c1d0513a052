#pragma once

#include <QString>

namespace platform {

// Copies a file over another through a temporary file beside the target and
// a rename, so the target is never left half written. False with a readable
// reason when it fails.
bool copyFileReplacing(const QString& source, const QString& target, QString* error = nullptr);

} // namespace platform
