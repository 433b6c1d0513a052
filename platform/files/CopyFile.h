#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// What a whole-file write does when the target's name is a symbolic link.
enum class FinalLink
{
    Follow, // replace the file the link leads to, as the user set it up
    Refuse  // fail: a link planted in one of the data folders leads nowhere
};

// Copies a file over another through a temporary file beside the target and
// a rename, so the target is never left half written. Every step is checked
// (each write, the flush to the disk, the rename): when one fails the target
// is as it was (the old file, or none) and the temporary file is gone. The
// permissions of the old file are kept where the file system can hold them.
// The temporary files of killed copies to the same target are removed. False
// with a readable reason when it fails.
bool copyFileReplacing(const QString& source, const QString& target, QString* error = nullptr,
                       FinalLink link = FinalLink::Follow);

// Writes the bytes as the whole file in the same way.
bool writeFileReplacing(const QString& target, const QByteArray& bytes, QString* error = nullptr,
                        FinalLink link = FinalLink::Follow);

// The permission bits of a new file: 0644 less the process's file mode mask,
// read without changing it.
unsigned newFileMode();

} // namespace platform
