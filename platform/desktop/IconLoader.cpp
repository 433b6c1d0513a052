#include "IconLoader.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

#include <cstring>

namespace platform {

namespace {

// Icons are at most 256 pixels square; anything larger is not an icon we show.
constexpr int kMaxSide = 1024;
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

uint16_t u16(const uchar* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t u32(const uchar* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

struct Entry
{
    int width;
    int height;
    int bitCount;
    uint32_t size;
    uint32_t offset;
};

int rowBytes(int width, int bits)
{
    return ((width * bits + 31) / 32) * 4;
}

QImage decodeDib(const uchar* data, size_t size)
{
    if (size < 40)
        return QImage();
    const uint32_t headerSize = u32(data);
    const int32_t width = int32_t(u32(data + 4));
    const int32_t height2 = int32_t(u32(data + 8));
    const int bits = u16(data + 14);
    const uint32_t compression = u32(data + 16);
    uint32_t colorsUsed = u32(data + 32);
    if (headerSize < 40 || headerSize > size || width <= 0 || width > kMaxSide || height2 <= 0 ||
        height2 / 2 > kMaxSide || compression != 0)
        return QImage();
    const int height = height2 / 2;
    if (height <= 0)
        return QImage();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return QImage();

    size_t pos = headerSize;
    std::vector<QRgb> palette;
    if (bits <= 8) {
        const uint32_t maxColors = 1u << bits;
        if (colorsUsed == 0 || colorsUsed > maxColors)
            colorsUsed = maxColors;
        if (pos + size_t(colorsUsed) * 4 > size)
            return QImage();
        for (uint32_t i = 0; i < colorsUsed; ++i) {
            const uchar* c = data + pos + i * 4;
            palette.push_back(qRgb(c[2], c[1], c[0]));
        }
        palette.resize(maxColors, qRgb(0, 0, 0));
        pos += size_t(colorsUsed) * 4;
    }

    const size_t xorStride = size_t(rowBytes(width, bits));
    const size_t andStride = size_t(rowBytes(width, 1));
    if (pos + xorStride * size_t(height) > size)
        return QImage();
    const uchar* xorBits = data + pos;
    const uchar* andBits = data + pos + xorStride * size_t(height);
    const bool hasMask = pos + xorStride * size_t(height) + andStride * size_t(height) <= size;

    QImage image(width, height, QImage::Format_ARGB32);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const uchar* row = xorBits + size_t(height - 1 - y) * xorStride;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb pixel;
            switch (bits) {
            case 32:
                pixel = qRgba(row[x * 4 + 2], row[x * 4 + 1], row[x * 4], row[x * 4 + 3]);
                anyAlpha = anyAlpha || row[x * 4 + 3] != 0;
                break;
            case 24:
                pixel = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
                break;
            case 16: {
                const uint16_t v = u16(row + x * 2);
                pixel = qRgb(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
                break;
            }
            default: {
                const int perByte = 8 / bits;
                const int shift = (perByte - 1 - x % perByte) * bits;
                const int index = (row[x / perByte] >> shift) & ((1 << bits) - 1);
                pixel = palette[size_t(index)];
                break;
            }
            }
            out[x] = pixel;
        }
    }
    // 32-bit images carry their own alpha; all others (and 32-bit images whose
    // alpha is all zero) take their transparency from the AND mask.
    if (bits != 32 || !anyAlpha) {
        for (int y = 0; y < height; ++y) {
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            const uchar* mask = hasMask ? andBits + size_t(height - 1 - y) * andStride : nullptr;
            for (int x = 0; x < width; ++x) {
                const bool transparent = mask && ((mask[x / 8] >> (7 - x % 8)) & 1);
                out[x] = transparent ? qRgba(0, 0, 0, 0) : (out[x] | 0xFF000000u);
            }
        }
    }
    return image;
}

} // namespace

QImage decodeIcon(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const size_t size = size_t(bytes.size());
    if (size < 6 || u16(data) != 0 || (u16(data + 2) != 1 && u16(data + 2) != 2))
        return QImage();
    const int count = u16(data + 4);
    if (count == 0 || 6 + size_t(count) * 16 > size)
        return QImage();

    std::vector<Entry> entries;
    for (int i = 0; i < count; ++i) {
        const uchar* e = data + 6 + i * 16;
        entries.push_back(Entry{e[0] ? e[0] : 256, e[1] ? e[1] : 256, u16(e + 6), u32(e + 8), u32(e + 12)});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.width * a.height != b.width * b.height)
            return a.width * a.height > b.width * b.height;
        return a.bitCount > b.bitCount;
    });
    // The largest image that decodes; a broken entry falls through to the next.
    for (const Entry& entry : entries) {
        if (entry.offset >= size || entry.size > size - entry.offset || entry.size < 8)
            continue;
        const uchar* image = data + entry.offset;
        QImage result;
        if (std::memcmp(image, "\x89PNG", 4) == 0) {
            result = QImage::fromData(image, int(entry.size), "PNG");
            if (!result.isNull() && (result.width() > kMaxSide || result.height() > kMaxSide))
                result = QImage();
            if (!result.isNull())
                result = result.convertToFormat(QImage::Format_ARGB32);
        } else {
            result = decodeDib(image, entry.size);
        }
        if (!result.isNull())
            return result;
    }
    return QImage();
}

QImage loadIconFile(const QString& path)
{
    // Only regular files: opening a FIFO put in the picture's place would block.
    QFile file(path);
    if (path.isEmpty() || !QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return QImage();
    return decodeIcon(file.read(kMaxFileBytes));
}

} // namespace platform
