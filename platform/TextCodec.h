#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Decodes text that may come from Windows: UTF-16LE or UTF-16BE with a
// byte-order mark, UTF-8 (with or without a mark), else line by line UTF-8 or
// GB18030, the 8-bit Chinese code page. `hadBom` tells whether a byte-order
// mark was found.
QString decodeText(const QByteArray& bytes, bool* hadBom = nullptr);

} // namespace platform
