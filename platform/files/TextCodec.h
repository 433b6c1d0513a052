#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Decodes text that may come from Windows: UTF-16LE or UTF-16BE with a
// byte-order mark, UTF-8 (with or without a mark), else line by line UTF-8 or
// GB18030, the 8-bit Chinese code page. `hadBom` tells whether a byte-order
// mark was found.
QString decodeText(const QByteArray& bytes, bool* hadBom = nullptr);

// The character set a web page declares: the `charset` parameter of the
// server's Content-Type header, else a `<meta charset>` or `http-equiv`
// Content-Type declaration within the page's first 1024 bytes; lower case,
// empty when neither says one.
QByteArray declaredCharset(const QByteArray& page, const QByteArray& contentType);

// Decodes a web page: by the charset the server declares, else the one the
// page declares, else as UTF-8 when the bytes are valid UTF-8, else GB18030
// (as decodeText does). A byte-order mark wins over any declaration, and a
// declared name that no decoder knows counts as none.
QString decodePage(const QByteArray& page, const QByteArray& contentType);

} // namespace platform
