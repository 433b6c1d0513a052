#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace platform {

// Reads an icon file (.ico): the largest of its images, with its transparency
// mask applied, as 32-bit ARGB. A missing file or one that is not an icon
// gives a null image.
QImage loadIconFile(const QString& path);
QImage decodeIcon(const QByteArray& bytes);

} // namespace platform
