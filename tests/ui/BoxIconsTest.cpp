// The pictures of the box properties dialog: the icon file writer, the
// greyscale copy, and how a chosen file comes into the pictures folder.
#include "TestSupport.h"

#include "platform/Dialogs.h"
#include "platform/IconLoader.h"
#include "ui/BoxIcons.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

uint32_t le32(const QByteArray& bytes, int at)
{
    return qFromLittleEndian<uint32_t>(bytes.constData() + at);
}
uint16_t le16(const QByteArray& bytes, int at)
{
    return qFromLittleEndian<uint16_t>(bytes.constData() + at);
}

QImage solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

TEST(IconFileWriter, HeaderEntryAndImageSizes)
{
    struct Case
    {
        int width, height;
        int maskRow;  // bytes of a written mask row, padding included
        int fileSize; // 6 + 16 + 40 + colour + mask
    };
    const Case cases[] = {
        {32, 32, 4, 4286},                         // 4096 colour + 128 mask
        {48, 48, 8, 6 + 16 + 40 + 9216 + 384},     // a 6-byte mask row and 2 bytes of padding
        {17, 3, 4, 6 + 16 + 40 + 17 * 4 * 3 + 12}, // odd widths: word-aligned rows padded to 4
        {1, 1, 4, 6 + 16 + 40 + 4 + 4},
        {256, 2, 32, 6 + 16 + 40 + 2048 + 64}, // 256 is 0 in the entry
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        const QImage icon = solid(c.width, c.height, qRgba(10, 20, 30, 255));
        const QByteArray file = EncodeIconFile(&icon, 1);
        ASSERT_EQ(file.size(), c.fileSize);
        EXPECT_EQ(le16(file, 0), 0);
        EXPECT_EQ(le16(file, 2), 1);
        EXPECT_EQ(le16(file, 4), 1);
        EXPECT_EQ(uchar(file[6]), c.width & 0xFF);
        EXPECT_EQ(uchar(file[7]), c.height & 0xFF); // not doubled
        EXPECT_EQ(uchar(file[8]), 0);               // 32 bits: no colour count
        EXPECT_EQ(le16(file, 10), 1);
        EXPECT_EQ(le16(file, 12), 32);
        EXPECT_EQ(le32(file, 14), uint32_t(c.fileSize - 22));
        EXPECT_EQ(le32(file, 18), 22u);
        // The image header.
        EXPECT_EQ(le32(file, 22), 40u);
        EXPECT_EQ(le32(file, 26), uint32_t(c.width));
        EXPECT_EQ(le32(file, 30), uint32_t(2 * c.height));
        EXPECT_EQ(le16(file, 34), 1);
        EXPECT_EQ(le16(file, 36), 32);
        EXPECT_EQ(le32(file, 38), 0u);
        EXPECT_EQ(le32(file, 42), uint32_t(c.fileSize - 62));
        for (int at = 46; at < 62; at += 4)
            EXPECT_EQ(le32(file, at), 0u);
        // An opaque icon masks nothing: mask rows and their padding are zero.
        const QByteArray mask = file.right(c.maskRow * c.height);
        EXPECT_EQ(mask, QByteArray(mask.size(), '\0'));
    }
}

TEST(IconFileWriter, RowsRunBottomToTopWithTheMaskFromTheAlpha)
{
    // 48 wide, 2 high: the top row opaque red, the bottom row fully
    // transparent but for its last pixel, which is half transparent.
    QImage icon = solid(48, 2, qRgba(255, 0, 0, 255));
    for (int x = 0; x < 48; ++x)
        icon.setPixel(x, 1, qRgba(0, 0, 0, 0));
    icon.setPixel(47, 1, qRgba(0, 0, 255, 128));
    const QByteArray file = EncodeIconFile(&icon, 1);
    const int colour = 62;
    const int mask = colour + 48 * 4 * 2;
    // First written colour row is the bottom one: BGRA.
    EXPECT_EQ(file.mid(colour + 47 * 4, 4), QByteArray("\xFF\x00\x00\x80", 4));
    EXPECT_EQ(file.mid(colour + 48 * 4, 4), QByteArray("\x00\x00\xFF\xFF", 4));
    // Bottom mask row: 47 masked pixels, the half-transparent one shown, 2 zero bytes.
    EXPECT_EQ(file.mid(mask, 8), QByteArray("\xFF\xFF\xFF\xFF\xFF\xFE\x00\x00", 8));
    EXPECT_EQ(file.mid(mask + 8, 8), QByteArray(8, '\0'));

    // What is written reads back as it was.
    const QImage back = platform::decodeIcon(file);
    ASSERT_EQ(back.size(), icon.size());
    EXPECT_EQ(back.pixel(0, 0), icon.pixel(0, 0));
    EXPECT_EQ(qAlpha(back.pixel(0, 1)), 0);
    EXPECT_EQ(back.pixel(47, 1), icon.pixel(47, 1));
}

TEST(IconFileWriter, SeveralIconsFollowEachOther)
{
    const QImage icons[] = {solid(16, 16, qRgb(1, 2, 3)), solid(32, 32, qRgb(4, 5, 6))};
    const QByteArray file = EncodeIconFile(icons, 2);
    const uint32_t first = 6 + 2 * 16;
    const uint32_t firstBytes = 40 + 16 * 16 * 4 + 16 * 4;
    EXPECT_EQ(le16(file, 4), 2);
    EXPECT_EQ(le32(file, 6 + 8), firstBytes);
    EXPECT_EQ(le32(file, 6 + 12), first);
    EXPECT_EQ(le32(file, 22 + 12), first + firstBytes);
    EXPECT_EQ(file.size(), int(first + firstBytes + 4264));
    EXPECT_EQ(platform::decodeIcon(file).size(), QSize(32, 32)); // the largest
}

TEST(IconFileWriter, SaveReportsEveryFailureAndNeverLeavesACutFile)
{
    test::ScopedEnvironment env;
    const QString path = env.path() + QStringLiteral("/pc_GSC.ico");
    const QImage icon = solid(32, 32, qRgb(9, 9, 9));
    const QImage none;

    EXPECT_EQ(SaveIconsToFile(path, nullptr, 1), 0);
    EXPECT_EQ(SaveIconsToFile(path, &icon, 0), 0);
    EXPECT_EQ(SaveIconsToFile(path, &none, 1), 0);
    EXPECT_FALSE(QFile::exists(path));

    ASSERT_EQ(SaveIconsToFile(path, &icon, 1), 1);
    EXPECT_EQ(QFileInfo(path).size(), 4286);

    // A folder that cannot be written: 0, and the file there stays whole.
    const QString locked = env.path() + QStringLiteral("/locked");
    QDir().mkpath(locked);
    ASSERT_EQ(SaveIconsToFile(locked + QStringLiteral("/x.ico"), &icon, 1), 1);
    ::chmod(QFile::encodeName(locked).constData(), 0500);
    const QImage big = solid(48, 48, qRgb(1, 1, 1));
    const int result = SaveIconsToFile(locked + QStringLiteral("/x.ico"), &big, 1);
    ::chmod(QFile::encodeName(locked).constData(), 0700);
    if (::geteuid() != 0) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(QFileInfo(locked + QStringLiteral("/x.ico")).size(), 4286);
    }
    EXPECT_EQ(SaveIconsToFile(env.path() + QStringLiteral("/no/such/folder.ico"), &icon, 1), 0);
}

TEST(GreyIcon, GreyIsTheMeanWithWhiteKeptBelow255AndAlphaKept)
{
    struct Case
    {
        QRgb in;
        QRgb out;
    };
    const Case cases[] = {
        {qRgba(255, 255, 255, 255), qRgba(254, 254, 254, 255)},
        {qRgba(0, 0, 0, 255), qRgba(0, 0, 0, 255)},
        {qRgba(10, 20, 31, 128), qRgba(20, 20, 20, 128)}, // 61 / 3 rounded down
        {qRgba(0, 0, 0, 0), qRgba(0, 0, 0, 0)},
    };
    QImage icon(int(std::size(cases)), 1, QImage::Format_ARGB32);
    for (int i = 0; i < int(std::size(cases)); ++i)
        icon.setPixel(i, 0, cases[i].in);
    const QImage grey = MakeGreyIcon(icon);
    ASSERT_EQ(grey.size(), icon.size());
    for (int i = 0; i < int(std::size(cases)); ++i)
        EXPECT_EQ(grey.pixel(i, 0), cases[i].out) << i;
    EXPECT_TRUE(MakeGreyIcon(QImage()).isNull());
}

TEST(GreyIcon, NamesOfTheCopyAndExtensions)
{
    const std::pair<QString, QString> names[] = {
        {"pc.ico", "pc_GSC.ico"}, {"pc_GSC.ico", "pc_GSC_GSC.ico"},
        {"ico", "_GSC.ico"},      {"a.ico", "a_GSC.ico"},
        {".ico", "_GSC.ico"},     {"../x.ico", ""}, // never outside the pictures folder
        {"..\\x.ico", ""},
    };
    for (const auto& [up, down] : names)
        EXPECT_EQ(GreyscaleFileName(up), down) << up.toStdString();
    EXPECT_EQ(GetExtension(QStringLiteral("/p/Pictures/pc.ICO")), QStringLiteral("ICO"));
    EXPECT_EQ(GetExtension(QStringLiteral("co")), QStringLiteral("co"));
}

class PicturesFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pictures = env.dataDir() + QStringLiteral("/Pictures/");
        elsewhere = env.path() + QStringLiteral("/elsewhere/");
        QDir().mkpath(pictures);
        QDir().mkpath(elsewhere);
    }
    QByteArray iconBytes(QRgb colour, int side = 32) const
    {
        const QImage icon = solid(side, side, colour);
        return EncodeIconFile(&icon, 1);
    }

    test::ScopedEnvironment env;
    QString pictures;
    QString elsewhere;
};

TEST_F(PicturesFolder, GreyscaleCopyIsWrittenAndReadBack)
{
    test::writeFile(pictures + "pc.ico", iconBytes(qRgb(200, 100, 0)));
    BoxPicture up;
    BoxPicture down;
    up.SetFile(pictures, QStringLiteral("pc.ico"));
    up.Load();
    down.SetFile(pictures, QStringLiteral("old.ico"));
    MakeGreyscaleCopy(up, down, pictures);
    EXPECT_EQ(down.fileName, QStringLiteral("pc_GSC.ico"));
    EXPECT_EQ(down.fullPath, pictures + "pc_GSC.ico");
    down.Load();
    ASSERT_FALSE(down.icon.isNull());
    EXPECT_EQ(down.icon.pixel(5, 5), qRgb(100, 100, 100));
    EXPECT_EQ(down.size.bmWidth, 32);

    // No Up picture: the Down picture is emptied.
    BoxPicture empty;
    MakeGreyscaleCopy(empty, down, pictures);
    EXPECT_TRUE(down.fileName.isEmpty() && down.fullPath.isEmpty() && down.icon.isNull());
    EXPECT_EQ(down.size.bmWidth, 0);

    // A copy that cannot be written empties it too.
    up.SetFile(elsewhere + "missing/", QStringLiteral("pc.ico"));
    down.SetFile(pictures, QStringLiteral("pc_GSC.ico"));
    MakeGreyscaleCopy(up, down, elsewhere + "missing/");
    EXPECT_TRUE(down.fileName.isEmpty() && down.icon.isNull());
}

TEST_F(PicturesFolder, ChosenFilesNeverDestroyOrReplaceOtherPictures)
{
    const QByteArray red = iconBytes(qRgb(255, 0, 0));
    const QByteArray blue = iconBytes(qRgb(0, 0, 255));
    test::writeFile(pictures + "pc.ico", red);

    // The very file in the pictures folder: used as it is, not cut.
    ImportedPicture same = ImportPicture(pictures + "pc.ico", pictures);
    EXPECT_EQ(same.fileName, QStringLiteral("pc.ico"));
    EXPECT_TRUE(same.error.isEmpty());
    EXPECT_EQ(test::readFile(pictures + "pc.ico"), red);

    // The same picture from elsewhere: the file there is used.
    test::writeFile(elsewhere + "pc.ico", red);
    EXPECT_EQ(ImportPicture(elsewhere + "pc.ico", pictures).fileName, QStringLiteral("pc.ico"));
    EXPECT_FALSE(QFile::exists(pictures + "pc_2.ico"));

    // Another picture of the same name gets a free name; the first stays.
    test::writeFile(elsewhere + "pc.ico", blue);
    EXPECT_EQ(ImportPicture(elsewhere + "pc.ico", pictures).fileName, QStringLiteral("pc_2.ico"));
    EXPECT_EQ(test::readFile(pictures + "pc.ico"), red);
    EXPECT_EQ(test::readFile(pictures + "pc_2.ico"), blue);
    // ... and is found again the next time.
    EXPECT_EQ(ImportPicture(elsewhere + "pc.ico", pictures).fileName, QStringLiteral("pc_2.ico"));

    // A new name is copied in; a file that cannot be read keeps its name and says why.
    test::writeFile(elsewhere + "new.ico", blue);
    EXPECT_EQ(ImportPicture(elsewhere + "new.ico", pictures).fileName, QStringLiteral("new.ico"));
    EXPECT_EQ(test::readFile(pictures + "new.ico"), blue);
    const ImportedPicture gone = ImportPicture(elsewhere + "gone.ico", pictures);
    EXPECT_EQ(gone.fileName, QStringLiteral("gone.ico"));
    EXPECT_FALSE(gone.error.isEmpty());
}

class PickerAnswers : public platform::DialogService
{
public:
    PickerAnswers() { platform::setDialogService(this); }
    ~PickerAnswers() override { platform::setDialogService(nullptr); }
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return QString(); }
    QString getOpenFileName(QWidget*, const QString& f) override
    {
        filter = f;
        return answer;
    }
    bool getColor(QWidget*, const QColor&, QColor&) override { return false; }
    QString answer;
    QString filter;
};

TEST_F(PicturesFolder, ChoosingLoadsIconsOnlyAndCancelChangesNothing)
{
    PickerAnswers picker;
    test::RecordingMessageBoxes boxes;
    test::writeFile(elsewhere + "pc.ico", iconBytes(qRgb(0, 255, 0), 48));
    test::writeFile(elsewhere + "pc.png", iconBytes(qRgb(0, 255, 0)));

    BoxPicture picture;
    picture.SetFile(pictures, QStringLiteral("kept.ico"));
    EXPECT_FALSE(ChoosePicture(nullptr, pictures, picture));
    EXPECT_EQ(picture.fileName, QStringLiteral("kept.ico"));
    EXPECT_EQ(picker.filter, QStringLiteral("图标 (*.ico)"));

    picker.answer = elsewhere + "pc.ico";
    EXPECT_TRUE(ChoosePicture(nullptr, pictures, picture));
    EXPECT_EQ(picture.fullPath, pictures + "pc.ico");
    EXPECT_EQ(picture.size.bmWidth, 48);

    picker.answer = elsewhere + "pc.png"; // copied, not loaded
    EXPECT_TRUE(ChoosePicture(nullptr, pictures, picture));
    EXPECT_EQ(picture.fileName, QStringLiteral("pc.png"));
    EXPECT_TRUE(QFile::exists(pictures + "pc.png"));
    EXPECT_TRUE(picture.icon.isNull());
    EXPECT_EQ(picture.size.bmWidth, 0);
    EXPECT_TRUE(boxes.shown.empty());

    picker.answer = elsewhere + "gone.ico"; // the reason is shown, the name kept
    EXPECT_TRUE(ChoosePicture(nullptr, pictures, picture));
    EXPECT_EQ(picture.fileName, QStringLiteral("gone.ico"));
    EXPECT_EQ(boxes.shown.size(), 1u);
}

} // namespace
