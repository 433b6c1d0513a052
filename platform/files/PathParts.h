#pragma once

#include <QByteArray>

namespace platform {

// The folder a path in the system's encoding lies in: "." for a bare name,
// "/" for one at the root.
inline QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash > 0 ? path.left(slash) : QByteArray(slash == 0 ? "/" : ".");
}

// The last part of that path, the name inside its folder.
inline QByteArray fileNameOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

} // namespace platform
