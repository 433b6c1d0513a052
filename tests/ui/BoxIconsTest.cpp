// The pictures of the box properties dialog: the icon file writer, the
// greyscale copy, and how a chosen file comes into the pictures folder.
#include "TestSupport.h"

#include "platform/desktop/IconLoader.h"
#include "ui/BoxIcons.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

uint32_t le32(const QByteArray& bytes, int at)
{
    return qFromLittleEndian<uint32_t>(bytes.constData() + at);
}

QImage solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

TEST(IconFileWriter, SizesAndMaskPadding)
{
    struct Case
    {
        int width, height, maskRow, fileSize;
    };
    const Case cases[] = {
        {32, 32, 4, 4286},                     // 6 + 16 + 40 + 4096 + 128
        {48, 48, 8, 6 + 16 + 40 + 9216 + 384}, // 6 mask bytes a row, 2 of padding
        {17, 3, 4, 6 + 16 + 40 + 17 * 4 * 3 + 12},
        {256, 2, 32, 6 + 16 + 40 + 2048 + 64}, // 256 is 0 in the entry
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        const QImage icon = solid(c.width, c.height, qRgba(10, 20, 30, 255));
        const QByteArray file = EncodeIconFile(&icon, 1);
        ASSERT_EQ(file.size(), c.fileSize);
        // Header; entry: width, height (not doubled), no colour count, 1 plane, 32 bits.
        EXPECT_EQ(file.left(6) + file.mid(8, 6), QByteArray("\0\0\1\0\1\0\0\0\1\0\x20\0", 12));
        EXPECT_EQ(uchar(file[6]), c.width & 0xFF);
        EXPECT_EQ(uchar(file[7]), c.height & 0xFF);
        EXPECT_EQ(le32(file, 14), uint32_t(c.fileSize - 22));
        EXPECT_EQ(le32(file, 18), 22u);
        // Image header: 40, width, twice the height, 1 plane, 32 bits, no compression, image bytes.
        EXPECT_EQ(le32(file, 22), 40u);
        EXPECT_EQ(le32(file, 26), uint32_t(c.width));
        EXPECT_EQ(le32(file, 30), uint32_t(2 * c.height));
        EXPECT_EQ(le32(file, 34), 0x00200001u);
        EXPECT_EQ(le32(file, 42), uint32_t(c.fileSize - 62));
        EXPECT_EQ(file.mid(38, 4) + file.mid(46, 16), QByteArray(20, '\0'));
        EXPECT_EQ(file.right(c.maskRow * c.height), QByteArray(c.maskRow * c.height, '\0')); // opaque
    }
}

TEST(IconFileWriter, RowsRunBottomToTopWithTheMaskFromTheAlphaAndReadBack)
{
    // 48 by 2: the top row opaque red; the bottom row transparent but for its
    // last pixel, which is half transparent blue.
    QImage icon = solid(48, 2, qRgba(255, 0, 0, 255));
    for (int x = 0; x < 48; ++x)
        icon.setPixel(x, 1, qRgba(0, 0, 0, 0));
    icon.setPixel(47, 1, qRgba(0, 0, 255, 128));
    const QByteArray file = EncodeIconFile(&icon, 1);
    const int colour = 62;
    const int mask = colour + 48 * 4 * 2;
    EXPECT_EQ(file.mid(colour + 47 * 4, 4), QByteArray("\xFF\x00\x00\x80", 4)); // BGRA, bottom row first
    EXPECT_EQ(file.mid(colour + 48 * 4, 4), QByteArray("\x00\x00\xFF\xFF", 4));
    EXPECT_EQ(file.mid(mask, 16), QByteArray("\xFF\xFF\xFF\xFF\xFF\xFE\0\0\0\0\0\0\0\0\0\0", 16));

    const QImage back = platform::decodeIcon(file);
    ASSERT_EQ(back.size(), icon.size());
    EXPECT_EQ(back.pixel(0, 0), icon.pixel(0, 0));
    EXPECT_EQ(qAlpha(back.pixel(0, 1)), 0);
    EXPECT_EQ(back.pixel(47, 1), icon.pixel(47, 1));
}

TEST(IconFileWriter, SaveReportsEveryFailureAndNeverLeavesACutFile)
{
    test::ScopedEnvironment env;
    const QString path = env.path() + QStringLiteral("/pc_GSC.ico");
    const QImage icon = solid(32, 32, qRgb(9, 9, 9));
    const QImage none;
    EXPECT_EQ(SaveIconsToFile(path, nullptr, 1), 0);
    EXPECT_EQ(SaveIconsToFile(path, &icon, 0), 0);
    EXPECT_EQ(SaveIconsToFile(env.path() + QStringLiteral("/no/such.ico"), &icon, 1), 0);
    EXPECT_FALSE(QFile::exists(path));
    ASSERT_EQ(SaveIconsToFile(path, &icon, 1), 1);
    EXPECT_EQ(SaveIconsToFile(path, &none, 1), 0); // the file there stays whole
    EXPECT_EQ(QFileInfo(path).size(), 4286);
}

TEST(GreyIcon, PixelsAndNamesOfTheCopy)
{
    const std::pair<QRgb, QRgb> pixels[] = {
        {qRgba(255, 255, 255, 255), qRgba(254, 254, 254, 255)}, // never pure white
        {qRgba(0, 0, 0, 255), qRgba(0, 0, 0, 255)},
        {qRgba(10, 20, 31, 128), qRgba(20, 20, 20, 128)}, // rounded down, alpha kept
    };
    QImage icon(3, 1, QImage::Format_ARGB32);
    for (int i = 0; i < 3; ++i)
        icon.setPixel(i, 0, pixels[i].first);
    const QImage grey = MakeGreyIcon(icon);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(grey.pixel(i, 0), pixels[i].second) << i;
    EXPECT_TRUE(MakeGreyIcon(QImage()).isNull());

    const std::pair<QString, QString> names[] = {
        {"pc.ico", "pc_GSC.ico"}, {"pc_GSC.ico", "pc_GSC_GSC.ico"}, {"ico", "_GSC.ico"}, {"../x.ico", ""},
        {"..\\x.ico", ""}, // never outside the pictures folder
    };
    for (const auto& [up, down] : names)
        EXPECT_EQ(GreyscaleFileName(up), down) << up.toStdString();
}

class PicturesFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(pictures);
        QDir().mkpath(elsewhere + "red");
    }
    static QByteArray iconBytes(QRgb colour)
    {
        const QImage icon = solid(32, 32, colour);
        return EncodeIconFile(&icon, 1);
    }

    test::ScopedEnvironment env;
    QString pictures = env.dataDir() + QStringLiteral("/Pictures/");
    QString elsewhere = env.path() + QStringLiteral("/elsewhere/");
};

TEST_F(PicturesFolder, GreyscaleCopyWithoutAnUpPictureEmptiesTheDownOneAndAFailedOneKeepsIt)
{
    test::writeFile(pictures + "pc.ico", iconBytes(qRgb(200, 100, 0)));
    BoxPicture up;
    BoxPicture down;
    up.SetFile(pictures, QStringLiteral("pc.ico"));
    up.Load();
    down.SetFile(pictures, QStringLiteral("old.ico"));
    MakeGreyscaleCopy(BoxPicture{}, down, pictures); // no Up picture
    EXPECT_TRUE(down.fileName.isEmpty() && down.fullPath.isEmpty() && down.icon.isNull());
    down = up;
    EXPECT_FALSE(MakeGreyscaleCopy(up, down, elsewhere + "missing/").isEmpty()); // cannot be written
    EXPECT_TRUE(down.fullPath == up.fullPath && down.icon == up.icon && down.size.bmWidth == 32);
    MakeGreyscaleCopy(up, down, pictures);
    EXPECT_EQ(down.fullPath, pictures + "pc_GSC.ico");
}

TEST_F(PicturesFolder, ChosenFilesNeverDestroyOrReplaceOtherPictures)
{
    const QByteArray red = iconBytes(qRgb(255, 0, 0));
    const QByteArray blue = iconBytes(qRgb(0, 0, 255));
    test::writeFile(pictures + "pc.ico", red);
    test::writeFile(elsewhere + "red/pc.ico", red);
    test::writeFile(elsewhere + "pc.ico", blue);
    test::writeFile(elsewhere + "new.ico", blue);
    test::writeFile(elsewhere + "text.ICO", "no picture\n");
    struct Case
    {
        QString chosen;
        QString fileName;
        bool error;
    };
    const Case cases[] = {
        {pictures + "pc.ico", "pc.ico", false},      // the very file: used, not cut
        {elsewhere + "red/pc.ico", "pc.ico", false}, // the same picture: the one there
        {elsewhere + "pc.ico", "pc_2.ico", false},   // another one: a free name
        {elsewhere + "pc.ico", "pc_2.ico", false},   // ... found again next time
        {elsewhere + "new.ico", "new.ico", false},
        {elsewhere + "gone.ico", "gone.ico", true}, // the name is kept, the reason given
        {elsewhere + "text.ICO", "", true},         // no icon: refused, nothing copied
    };
    for (const Case& c : cases) {
        const ImportedPicture imported = ImportPicture(c.chosen, pictures);
        EXPECT_EQ(imported.fileName, c.fileName) << c.chosen.toStdString();
        EXPECT_EQ(imported.error.isEmpty(), !c.error) << c.chosen.toStdString();
    }
    EXPECT_EQ(test::readFile(pictures + "pc.ico"), red);
    EXPECT_EQ(test::readFile(pictures + "pc_2.ico"), blue);
    EXPECT_FALSE(QFile::exists(pictures + "pc_3.ico"));
    EXPECT_FALSE(QFile::exists(pictures + "text.ICO"));
}

} // namespace
