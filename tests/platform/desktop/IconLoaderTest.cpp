#include "platform/desktop/IconLoader.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include <gtest/gtest.h>
#include <sys/stat.h>

using platform::decodeIcon;
using platform::loadIconFile;

namespace {

// ---------------------------------------------------------------------------
// A small writer of .ico files, so that every test states its icon's bytes.

void put16(QByteArray& out, uint32_t v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void patch32(QByteArray& out, qsizetype at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = char((v >> (8 * i)) & 0xFF);
}

// One image of an icon, with the size and depth its directory entry states.
struct IconEntry
{
    QByteArray data;
    int width;
    int height;
    int bitCount;
};

constexpr qsizetype kDirectorySize = 6;
constexpr qsizetype kEntrySize = 16;

QByteArray iconFile(const std::vector<IconEntry>& entries)
{
    QByteArray out;
    put16(out, 0);
    put16(out, 1);
    put16(out, uint32_t(entries.size()));
    uint32_t offset = uint32_t(kDirectorySize + kEntrySize * qsizetype(entries.size()));
    for (const IconEntry& e : entries) {
        out.append(char(e.width >= 256 ? 0 : e.width));
        out.append(char(e.height >= 256 ? 0 : e.height));
        out.append(char(e.bitCount < 8 ? 1 << e.bitCount : 0));
        out.append('\0');
        put16(out, 1);
        put16(out, uint32_t(e.bitCount));
        put32(out, uint32_t(e.data.size()));
        put32(out, offset);
        offset += uint32_t(e.data.size());
    }
    for (const IconEntry& e : entries)
        out += e.data;
    return out;
}

using MaskFn = std::function<bool(int x, int y)>; // true: the pixel is transparent

bool noMask(int, int)
{
    return false;
}

int strideOf(int width, int bits)
{
    return ((width * bits + 31) / 32) * 4;
}

// A device-independent bitmap as icons hold it: the header with twice the
// height, the palette, the colour rows bottom-up, then the AND mask rows.
// `fullPalette` writes every palette entry with a colour count of 0.
QByteArray dibImage(const QImage& image, int bits, const MaskFn& transparent, bool fullPalette = false)
{
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    const int w = src.width();
    const int h = src.height();
    std::vector<QRgb> palette;
    if (bits <= 8) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const QRgb c = qRgb(qRed(src.pixel(x, y)), qGreen(src.pixel(x, y)), qBlue(src.pixel(x, y)));
                if (std::find(palette.begin(), palette.end(), c) == palette.end())
                    palette.push_back(c);
            }
        EXPECT_LE(palette.size(), size_t(1) << bits);
    }
    const size_t paletteEntries = fullPalette ? size_t(1) << bits : palette.size();
    const int stride = strideOf(w, bits);
    const int maskStride = strideOf(w, 1);

    QByteArray out;
    put32(out, 40);
    put32(out, uint32_t(w));
    put32(out, uint32_t(2 * h));
    put16(out, 1);
    put16(out, uint32_t(bits));
    put32(out, 0);
    put32(out, uint32_t((stride + maskStride) * h));
    put32(out, 0);
    put32(out, 0);
    put32(out, fullPalette ? 0 : uint32_t(palette.size()));
    put32(out, 0);
    for (size_t i = 0; i < paletteEntries; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : qRgb(0x55, 0x66, 0x77);
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append('\0');
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            const QRgb c = src.pixel(x, y);
            switch (bits) {
            case 32:
                row[x * 4 + 3] = char(qAlpha(c));
                [[fallthrough]];
            case 24: {
                const int n = bits / 8;
                row[x * n] = char(qBlue(c));
                row[x * n + 1] = char(qGreen(c));
                row[x * n + 2] = char(qRed(c));
                break;
            }
            case 16: {
                const uint32_t v = uint32_t((qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3));
                row[x * 2] = char(v & 0xFF);
                row[x * 2 + 1] = char(v >> 8);
                break;
            }
            default: {
                const QRgb opaque = qRgb(qRed(c), qGreen(c), qBlue(c));
                const int index = int(std::find(palette.begin(), palette.end(), opaque) - palette.begin());
                const int perByte = 8 / bits;
                const int shift = (perByte - 1 - x % perByte) * bits;
                row[x / perByte] = char(uchar(row[x / perByte]) | (index << shift));
                break;
            }
            }
        }
        out += row;
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < w; ++x)
            if (transparent(x, y))
                row[x / 8] = char(uchar(row[x / 8]) | (0x80 >> (x % 8)));
        out += row;
    }
    return out;
}

QByteArray pngImage(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "PNG"));
    return bytes;
}

QImage filled(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

IconEntry dibEntry(const QImage& image, int bits, const MaskFn& mask = noMask)
{
    return IconEntry{dibImage(image, bits, mask), image.width(), image.height(), bits};
}

IconEntry pngEntry(const QImage& image)
{
    return IconEntry{pngImage(image), image.width(), image.height(), 32};
}

// Colours that survive every depth: 16-bit pixels keep five bits a channel,
// so those images use only full or empty channels.
const QRgb kPlainColours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0),   qRgb(0, 0, 255),   qRgb(255, 255, 255),
                              qRgb(0, 0, 0),   qRgb(255, 255, 0), qRgb(0, 255, 255), qRgb(255, 0, 255)};
const QRgb kRichColours[] = {qRgb(0x12, 0x34, 0x56), qRgb(0xFE, 0x01, 0x80), qRgb(0x7F, 0x80, 0x81),
                             qRgb(0x00, 0x00, 0x01), qRgb(0xC0, 0xFF, 0xEE), qRgb(0x20, 0x40, 0x60),
                             qRgb(0xA1, 0xB2, 0xC3), qRgb(0x09, 0x87, 0x65)};

// An image of `colours` (at most eight) different colours.
QImage pattern(int w, int h, int colours, bool plain)
{
    const QRgb* palette = plain ? kPlainColours : kRichColours;
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, palette[(x + 3 * y) % colours]);
    return image;
}

// ---------------------------------------------------------------------------

TEST(IconLoader, ThirtyTwoBitImagesKeepTheirAlpha)
{
    QImage image(4, 3, QImage::Format_ARGB32);
    const int alphas[] = {0, 1, 64, 128, 200, 255};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y, qRgba(10 + x * 50, 20 + y * 60, 30 + x * y * 10, alphas[(x + y * 4) % 6]));
    // The mask marks every pixel transparent; an image with alpha ignores it.
    const QImage icon = decodeIcon(iconFile({dibEntry(image, 32, [](int, int) { return true; })}));

    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.format(), QImage::Format_ARGB32);
    ASSERT_EQ(icon.size(), QSize(4, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(icon.pixel(x, y), image.pixel(x, y)) << x << "," << y;
}

TEST(IconLoader, ImagesWithoutAlphaTakeTransparencyFromTheMask)
{
    const struct
    {
        const char* name;
        int bits;
        int width;
        int height;
        bool fullPalette;
    } cases[] = {
        {"32-bit, alpha all zero", 32, 5, 3, false},
        {"24-bit", 24, 5, 3, false},
        {"24-bit, odd rows", 24, 3, 2, false},
        {"16-bit", 16, 5, 3, false},
        {"8-bit", 8, 5, 3, false},
        {"8-bit, full palette, wide", 8, 33, 2, true},
        {"4-bit", 4, 7, 4, false},
        {"1-bit, wide", 1, 33, 2, false},
    };
    const MaskFn mask = [](int x, int y) { return (x + 2 * y) % 3 == 0; };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int colours = std::min(8, 1 << std::min(c.bits, 8));
        QImage image = pattern(c.width, c.height, colours, c.bits == 16);
        if (c.bits == 32) // colours with zero alpha, as old 32-bit icons store them
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x)
                    image.setPixel(x, y, image.pixel(x, y) & 0x00FFFFFFu);
        const QImage icon = decodeIcon(
            iconFile({IconEntry{dibImage(image, c.bits, mask, c.fullPalette), c.width, c.height, c.bits}}));

        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.format(), QImage::Format_ARGB32);
        ASSERT_EQ(icon.size(), QSize(c.width, c.height));
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                if (mask(x, y))
                    EXPECT_EQ(qAlpha(icon.pixel(x, y)), 0) << x << "," << y;
                else
                    EXPECT_EQ(icon.pixel(x, y), image.pixel(x, y) | 0xFF000000u) << x << "," << y;
            }
    }
}

TEST(IconLoader, PicksTheLargestImageWhereverItIsListed)
{
    const QRgb red = qRgb(255, 0, 0);
    const QRgb green = qRgba(0, 255, 0, 255);
    const QRgb blue = qRgb(0, 0, 255);
    std::vector<IconEntry> entries = {
        dibEntry(filled(16, 16, red), 24),
        dibEntry(filled(48, 48, green), 32),
        dibEntry(filled(32, 32, blue), 8),
    };
    std::vector<int> order = {0, 1, 2};
    do {
        std::vector<IconEntry> listed;
        for (int i : order)
            listed.push_back(entries[size_t(i)]);
        const QImage icon = decodeIcon(iconFile(listed));
        SCOPED_TRACE(::testing::Message() << order[0] << order[1] << order[2]);
        ASSERT_EQ(icon.size(), QSize(48, 48));
        EXPECT_EQ(icon.pixel(0, 0), green);
        EXPECT_EQ(icon.pixel(47, 47), green);
    } while (std::next_permutation(order.begin(), order.end()));

    // Of two images of one size, the one with more colours.
    const IconEntry few = dibEntry(filled(32, 32, red), 4);
    const IconEntry many = dibEntry(filled(32, 32, blue), 32);
    EXPECT_EQ(decodeIcon(iconFile({few, many})).pixel(5, 5), blue);
    EXPECT_EQ(decodeIcon(iconFile({many, few})).pixel(5, 5), blue);
}

TEST(IconLoader, ReadsPngImages)
{
    QImage big(256, 256, QImage::Format_ARGB32);
    big.fill(qRgba(0x10, 0x20, 0x30, 0xFF));
    big.setPixel(0, 0, qRgba(0xAA, 0xBB, 0xCC, 0x80));
    big.setPixel(255, 255, qRgba(0, 0, 0, 0));
    big.setPixel(100, 7, qRgba(0xFF, 0x00, 0x7F, 0x01));

    // 256 is written as 0 in the directory.
    const QByteArray file = iconFile({dibEntry(filled(32, 32, qRgb(1, 2, 3)), 32), pngEntry(big)});
    ASSERT_EQ(file[kDirectorySize + kEntrySize], '\0');
    const QImage icon = decodeIcon(file);
    ASSERT_EQ(icon.size(), QSize(256, 256));
    EXPECT_EQ(icon.format(), QImage::Format_ARGB32);
    for (const QPoint p : {QPoint(0, 0), QPoint(255, 255), QPoint(100, 7), QPoint(50, 50)})
        EXPECT_EQ(icon.pixel(p), big.pixel(p)) << p.x() << "," << p.y();

    // An icon of nothing but a PNG image.
    const QImage small = decodeIcon(iconFile({pngEntry(filled(24, 24, qRgba(9, 8, 7, 60)))}));
    ASSERT_EQ(small.size(), QSize(24, 24));
    EXPECT_EQ(small.pixel(12, 12), qRgba(9, 8, 7, 60));
}

TEST(IconLoader, ABrokenImageGivesWayToTheNextLargest)
{
    const IconEntry good = dibEntry(filled(16, 16, qRgb(0, 128, 0)), 24);
    IconEntry broken = dibEntry(filled(64, 64, qRgb(255, 0, 0)), 24);
    broken.data.truncate(100); // the header, no pixels
    const QImage icon = decodeIcon(iconFile({broken, good}));
    ASSERT_EQ(icon.size(), QSize(16, 16));
    EXPECT_EQ(icon.pixel(3, 3), qRgb(0, 128, 0));

    // An entry whose offset points past the end of the file.
    QByteArray file = iconFile({good, good});
    patch32(file, kDirectorySize + 12, 0x7FFFFFF0);
    EXPECT_EQ(decodeIcon(file).size(), QSize(16, 16));
}

TEST(IconLoader, WhatIsNotAnIconGivesANullImage)
{
    const QImage image = pattern(8, 8, 4, false);
    const QByteArray valid = iconFile({dibEntry(image, 24)});
    ASSERT_FALSE(decodeIcon(valid).isNull());
    const qsizetype dib = kDirectorySize + kEntrySize; // the image's header

    auto with = [&](qsizetype at, uint32_t value) {
        QByteArray bytes = valid;
        patch32(bytes, at, value);
        return bytes;
    };
    auto with16 = [&](qsizetype at, uint16_t value) {
        QByteArray bytes = valid;
        bytes[at] = char(value & 0xFF);
        bytes[at + 1] = char(value >> 8);
        return bytes;
    };
    auto truncatedImage = [&](qsizetype keep) {
        IconEntry entry = dibEntry(image, 24);
        entry.data.truncate(keep);
        return iconFile({entry});
    };
    QByteArray pngGarbage("\x89PNG\r\n\x1a\n");
    pngGarbage += QByteArray(64, '\x5A');

    const struct
    {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"short header", QByteArray("\0\0\1\0", 4)},
        {"no images", QByteArray("\0\0\1\0\0\0", 6)},
        {"directory cut short", valid.left(kDirectorySize + 8)},
        {"more entries than the file holds", with16(4, 0xFFFF)},
        {"reserved word set", with16(0, 1)},
        {"unknown resource type", with16(2, 3)},
        {"a bitmap file", QByteArray("BM") + valid.mid(2)},
        {"a bare PNG file", pngImage(image)},
        {"garbage", QByteArray(200, '\xA7')},
        {"image size beyond the file", with(kDirectorySize + 8, uint32_t(valid.size()))},
        {"image offset beyond the file", with(kDirectorySize + 12, uint32_t(valid.size()) + 4)},
        {"image too small to have a header", with(kDirectorySize + 8, 7)},
        {"header cut short", truncatedImage(20)},
        {"pixels cut short", truncatedImage(40 + 8 * 24 / 8 * 3)},
        {"old bitmap core header", with(dib, 12)},
        {"header size beyond the image", with(dib, 4000)},
        {"zero width", with(dib + 4, 0)},
        {"negative width", with(dib + 4, uint32_t(-8))},
        {"zero height", with(dib + 8, 0)},
        {"height of one row", with(dib + 8, 1)},
        {"top-down rows", with(dib + 8, uint32_t(-16))},
        {"huge width", with(dib + 4, 5000)},
        {"huge height", with(dib + 8, 2 * 5000)},
        {"seven bits a pixel", with16(dib + 14, 7)},
        {"no bits a pixel", with16(dib + 14, 0)},
        {"run-length compressed", with(dib + 16, 1)},
        {"PNG signature, then garbage", iconFile({IconEntry{pngGarbage, 16, 16, 32}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(decodeIcon(c.bytes).isNull());
    }
}

TEST(IconLoader, LoadsIconFilesAndNothingElse)
{
    test::ScopedEnvironment env;
    const QByteArray bytes =
        iconFile({dibEntry(pattern(16, 16, 8, false), 32), dibEntry(filled(8, 8, 0), 8)});
    const QString icoPath = env.path() + QStringLiteral("/up.ico");
    test::writeFile(icoPath, bytes);
    const QImage loaded = loadIconFile(icoPath);
    ASSERT_FALSE(loaded.isNull());
    EXPECT_EQ(loaded, decodeIcon(bytes));
    EXPECT_EQ(loaded.size(), QSize(16, 16));

    const QString link = env.path() + QStringLiteral("/link.ico");
    ASSERT_TRUE(QFile::link(icoPath, link));
    EXPECT_EQ(loadIconFile(link), loaded);

    const QString folder = env.path() + QStringLiteral("/folder.ico");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString empty = env.path() + QStringLiteral("/empty.ico");
    test::writeFile(empty, QByteArray());
    const QString text = env.path() + QStringLiteral("/text.ico");
    test::writeFile(text, "[main]\nNumBox=1\n");
    const QString truncated = env.path() + QStringLiteral("/truncated.ico");
    test::writeFile(truncated, bytes.left(30));
    // A FIFO in the picture's place must not block the reader.
    const QString fifo = env.path() + QStringLiteral("/fifo.ico");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString dangling = env.path() + QStringLiteral("/dangling.ico");
    ASSERT_TRUE(QFile::link(env.path() + QStringLiteral("/gone.ico"), dangling));

    for (const QString& path : {folder, empty, text, truncated, fifo, dangling,
                                env.path() + QStringLiteral("/missing.ico"), QString()}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(loadIconFile(path).isNull());
    }
}

TEST(IconLoader, SurvivesMutatedIcons)
{
    QImage alpha = pattern(32, 32, 8, false);
    alpha.setPixel(3, 3, qRgba(1, 2, 3, 4));
    // The PNG image is the smallest, so that the bitmaps are tried first.
    const std::vector<IconEntry> entries = {
        dibEntry(alpha, 32),
        dibEntry(pattern(24, 24, 8, false), 8, [](int x, int y) { return x == y; }),
        dibEntry(pattern(9, 9, 2, true), 1, [](int x, int) { return x % 2 == 0; }),
        dibEntry(pattern(12, 12, 8, true), 16),
        pngEntry(pattern(8, 8, 8, false)),
    };
    const QByteArray base = iconFile(entries);
    ASSERT_EQ(decodeIcon(base).size(), QSize(32, 32));

    // Where the sizes and offsets are: the directory and the image headers.
    // The PNG data itself is left alone: it is Qt's to decode, and broken PNG
    // data only makes libpng print.
    std::vector<qsizetype> headers;
    qsizetype offset = kDirectorySize + kEntrySize * qsizetype(entries.size());
    for (const IconEntry& e : entries) {
        headers.push_back(offset);
        offset += e.data.size();
    }
    const qsizetype pngStart = headers.back();

    std::mt19937 random(20240611u); // the engine's sequence is fixed by the standard
    auto below = [&](qsizetype n) { return n <= 0 ? qsizetype(0) : qsizetype(random() % uint32_t(n)); };
    int decoded = 0;
    int rejected = 0;
    for (int round = 0; round < 4000; ++round) {
        QByteArray bytes = base;
        const int mutations = 1 + int(below(3));
        for (int m = 0; m < mutations && !bytes.isEmpty(); ++m) {
            qsizetype at;
            switch (below(3)) {
            case 0:
                at = below(headers.front());
                break;
            case 1:
                at = headers[size_t(below(qsizetype(headers.size()) - 1))] + below(48);
                break;
            default:
                at = below(pngStart);
                break;
            }
            at = std::min(at, bytes.size() - 1);
            switch (below(5)) {
            case 0:
                bytes[at] = char(random());
                break;
            case 1:
                bytes[at] = char(uchar(bytes[at]) ^ (1u << below(8)));
                break;
            case 2: {
                const uint32_t values[] = {uint32_t(random()), 0xFFFFFFFFu, 0x80000000u, uint32_t(below(600)),
                                           0};
                if (at + 4 <= bytes.size())
                    patch32(bytes, at, values[below(5)]);
                break;
            }
            case 3:
                bytes.truncate(at + below(bytes.size() - at));
                break;
            default:
                bytes.remove(at, 1 + below(8));
                break;
            }
        }
        const QImage icon = decodeIcon(bytes);
        if (icon.isNull()) {
            ++rejected;
            continue;
        }
        ++decoded;
        EXPECT_EQ(icon.format(), QImage::Format_ARGB32) << "round " << round;
        EXPECT_GE(icon.width(), 1) << "round " << round;
        EXPECT_GE(icon.height(), 1) << "round " << round;
        EXPECT_LE(icon.width(), 1024) << "round " << round;
        EXPECT_LE(icon.height(), 1024) << "round " << round;
    }
    // Both ways out were taken many times over.
    EXPECT_GT(decoded, 400);
    EXPECT_GT(rejected, 400);
}

} // namespace
