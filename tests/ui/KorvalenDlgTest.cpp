#include "ui/KorvalenDlg.h"
#include "ui/StripGeometry.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <gtest/gtest.h>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

// Opens the window's start-up step, which the program runs from DoModal.
class StartableDlg : public CKorvalenDlg
{
public:
    using CKorvalenDlg::CKorvalenDlg;
    using CKorvalenDlg::OnInitDialog;
};

class KorvalenDlg : public ::testing::Test
{
protected:
    // A regular file where the data folder belongs: neither the folder nor
    // anything in it can be created.
    void blockDataFolder() { test::writeFile(env.dataDir(), "not a folder"); }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
};

// The names in a folder, sorted.
QStringList folderEntries(const QString& path)
{
    QStringList names = QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

bool fileHolds(const QString& path, const char* line)
{
    return QString::fromUtf8(test::readFile(path)).split(u'\n').contains(QString::fromUtf8(line));
}

// An icon file holding one PNG image of the given size.
QByteArray pngIcon(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 255, 255));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QByteArray ico("\0\0\1\0\1\0", 6);
    const char entry[] = {char(width), char(height), 0, 0, 1, 0, 32, 0};
    ico.append(entry, sizeof entry);
    for (uint32_t v : {uint32_t(png.size()), uint32_t(6 + 16)})
        for (int i = 0; i < 4; ++i)
            ico.append(char((v >> (8 * i)) & 0xFF));
    return ico + png;
}

TEST_F(KorvalenDlg, EachInstanceMakesTheDataFolderAndItsOwnConfigFile)
{
    const struct
    {
        int instance;
        const char* configFile;
    } cases[] = {{0, "MainConfA.ini"}, {1, "MainConfB.ini"}, {2, "MainConfC.ini"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.configFile);
        test::ScopedEnvironment instanceEnv;
        const QString data = instanceEnv.dataDir();
        const QString config = data + u'/' + QString::fromLatin1(c.configFile);
        {
            CKorvalenDlg dlg(nullptr, c.instance);
            EXPECT_EQ(dlg.m_strConfigPath, config);
            EXPECT_EQ(dlg.m_strPicturesDir, data + QStringLiteral("/Pictures/"));
            EXPECT_EQ(dlg.m_strSkinsDir, data + QStringLiteral("/Skins/"));
            EXPECT_EQ(dlg.m_strLogsDir, data + QStringLiteral("/Logs/"));
            EXPECT_EQ(g_strLogsDir, data + QStringLiteral("/Logs/"));
            EXPECT_EQ(dlg.NumBox, 1);
            ASSERT_NE(dlg.m_pBoxes[0], nullptr);
            EXPECT_EQ(dlg.m_pBoxes[0]->Text, QStringLiteral("LOCAL"));
            EXPECT_EQ(dlg.m_nCustomRows, 0u);
        }
        // Only the instance's own file, and no leftovers of writing it.
        QStringList expected = {QString::fromLatin1(c.configFile), QStringLiteral("Logs"),
                                QStringLiteral("Pictures"), QStringLiteral("Skins")};
        expected.sort();
        EXPECT_EQ(folderEntries(data), expected);
        for (const char* folder : {"Pictures", "Skins", "Logs"})
            EXPECT_TRUE(QFileInfo(data + u'/' + QString::fromLatin1(folder)).isDir()) << folder;
        // The first start has placed the strip and recorded it.
        EXPECT_TRUE(fileHolds(config, "FirstStart=0"));
        EXPECT_TRUE(fileHolds(config, "Text=LOCAL"));
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(KorvalenDlg, MakesTheMissingParentsOfTheDataFolder)
{
    const QString appData = env.path() + QStringLiteral("/a/b/c");
    ASSERT_FALSE(QFileInfo::exists(env.path() + QStringLiteral("/a")));
    qputenv("APPDATA", QFile::encodeName(appData)); // restored by env

    CKorvalenDlg dlg(nullptr, 1);
    const QString data = appData + QStringLiteral("/Korvalen");
    EXPECT_EQ(dlg.m_strConfigPath, data + QStringLiteral("/MainConfB.ini"));
    for (const char* folder : {"Pictures", "Skins", "Logs"})
        EXPECT_TRUE(QFileInfo(data + u'/' + QString::fromLatin1(folder)).isDir()) << folder;
    EXPECT_TRUE(dlg.FlushSettings());
    EXPECT_TRUE(QFileInfo(data + QStringLiteral("/MainConfB.ini")).isFile());
    EXPECT_EQ(g_strLogsDir, data + QStringLiteral("/Logs/"));
    EXPECT_TRUE(g_strLogsDir.endsWith(QStringLiteral("/Logs/")));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(KorvalenDlg, RunsOnDefaultsWhenTheDataFolderCannotBeMade)
{
    blockDataFolder();
    CKorvalenDlg dlg(nullptr, 1);

    EXPECT_EQ(dlg.NumBox, 1);
    EXPECT_EQ(dlg.XBox, 90);
    EXPECT_EQ(dlg.YBox, 80);
    EXPECT_EQ(dlg.WinPos, 1);
    ASSERT_NE(dlg.m_pBoxes[0], nullptr);
    EXPECT_EQ(dlg.m_pBoxes[1], nullptr);
    const BoxRecord& box = *dlg.m_pBoxes[0];
    EXPECT_EQ(box.Text, QStringLiteral("LOCAL"));
    EXPECT_EQ(box.IPAdress, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(box.Port, 80u);
    EXPECT_EQ(box.VerifyMetod, METHOD_PING);
    EXPECT_EQ(box.CheckInterval, 3u);
    EXPECT_TRUE(box.m_hOnLineIcon.isNull());
    EXPECT_EQ(box.m_bmOnLineIcon.bmWidth, 0);

    // Saving fails every time but is reported once.
    dlg.SaveBoxes();
    dlg.SaveBoxes();
    EXPECT_FALSE(dlg.FlushSettings());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, QStringLiteral("Korvalen"));
    EXPECT_TRUE(messages.shown[0].text.contains(QDir::toNativeSeparators(dlg.m_strConfigPath)))
        << messages.shown[0].text.toStdString();
    EXPECT_EQ(messages.shown[0].type & 0xF0u, unsigned(platform::MB_ICONWARNING));
    EXPECT_EQ(test::readFile(env.dataDir()), QByteArray("not a folder"));
}

TEST_F(KorvalenDlg, StartUpAndSavingShareOneReportOfAnUnwritableFile)
{
    blockDataFolder();
    StartableDlg dlg(nullptr, 0);
    EXPECT_TRUE(dlg.OnInitDialog());
    // The checks start before the message waits for its answer.
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_NE(dlg.m_pBoxes[0], nullptr);
    EXPECT_NE(dlg.m_pBoxes[0]->m_pThread, nullptr);
    EXPECT_TRUE(test::waitFor([&] { return messages.shown.size() == 1u; }));
    dlg.SaveBoxes();
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(KorvalenDlg, StartsQuietlyAndSavesAWritableFile)
{
    StartableDlg dlg(nullptr, 0);
    EXPECT_TRUE(dlg.OnInitDialog());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(dlg.size(), QSize(99, 82));

    ASSERT_FALSE(fileHolds(dlg.m_strConfigPath, "Phrase=html"));
    dlg.SaveBoxes();
    EXPECT_TRUE(dlg.FlushSettings());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(fileHolds(dlg.m_strConfigPath, "Phrase=html"));
}

TEST_F(KorvalenDlg, PositionsNearTheIntegerLimitsPlaceTheWindowWithoutOverflow)
{
    ASSERT_TRUE(QDir().mkpath(env.dataDir()));
    test::writeFile(env.dataDir() + QStringLiteral("/MainConfA.ini"),
                    "[main]\nFirstStart=0\nNumBox=1\nPosX=2147483647\nPosY=-2147483648\n"
                    "[Box 0]\nDisabled=1\n");
    StartableDlg dlg(nullptr, 0);
    EXPECT_TRUE(dlg.OnInitDialog());
    EXPECT_EQ(dlg.PosX, 2147483647); // held as read
    EXPECT_EQ(dlg.PosY, -2147483647 - 1);
    EXPECT_EQ(dlg.geometry().topLeft(), QPoint(16777215, -16777215));
    EXPECT_EQ(dlg.geometry().size(), QSize(99, 82));
}

TEST_F(KorvalenDlg, LoadsTheBoxesTheirPicturesAndTheCustomApps)
{
    const QString data = env.dataDir();
    ASSERT_TRUE(QDir().mkpath(data + QStringLiteral("/Pictures")));
    test::writeFile(data + QStringLiteral("/Pictures/up.ico"), pngIcon(20, 18));
    test::writeFile(data + QStringLiteral("/Pictures/1274607096_Desktop_bw.ico"), pngIcon(32, 32));
    test::writeFile(data + QStringLiteral("/MainConfA.ini"),
                    "[main]\nFirstStart=0\nNumBox=2\nPosX=40\nPosY=50\n"
                    "[Box 0]\nText=Router\nPicTypeOnLine=0\n"
                    "PicTypeOffLine=5\nOnLinePicFile=up.ico\n"
                    "OffLinePicFile=missing.ico\n"
                    "[Box 1]\nText=Printer\n");
    test::writeFile(data + QStringLiteral("/Main.ini"),
                    "[Main]\nnrows=2\n[Row 0]\n标题=Shell\n应用程序=/bin/sh\n[Row 1]\n参数=-v\n");

    CKorvalenDlg dlg(nullptr, 0);
    EXPECT_EQ(dlg.NumBox, 2);
    EXPECT_EQ(dlg.PosX, 40);
    EXPECT_EQ(dlg.PosY, 50);
    ASSERT_NE(dlg.m_pBoxes[0], nullptr);
    ASSERT_NE(dlg.m_pBoxes[1], nullptr);
    EXPECT_EQ(dlg.m_pBoxes[2], nullptr);

    const BoxRecord& router = *dlg.m_pBoxes[0];
    EXPECT_EQ(router.Text, QStringLiteral("Router"));
    EXPECT_EQ(router.m_strOnLinePicPath, data + QStringLiteral("/Pictures/up.ico"));
    EXPECT_EQ(router.m_hOnLineIcon.size(), QSize(20, 18));
    EXPECT_EQ(router.m_bmOnLineIcon.bmWidth, 20);
    EXPECT_EQ(router.m_bmOnLineIcon.bmHeight, 18);
    EXPECT_TRUE(router.m_hOffLineIcon.isNull());
    EXPECT_EQ(router.m_bmOffLineIcon.bmWidth, 0);
    EXPECT_EQ(router.m_bmOffLineIcon.bmHeight, 0);
    // Pictures always come from their files.
    EXPECT_EQ(router.PicTypeOnLine, 1);
    EXPECT_EQ(router.PicTypeOffLine, 1);

    const BoxRecord& printer = *dlg.m_pBoxes[1];
    EXPECT_EQ(printer.Text, QStringLiteral("Printer"));
    // The default picture, ours, is written into Pictures when it is missing;
    // one that is there already is kept.
    EXPECT_EQ(printer.m_hOnLineIcon.size(), QSize(32, 32));
    EXPECT_EQ(test::readFile(data + QStringLiteral("/Pictures/1274607096_Desktop_bw.ico")), pngIcon(32, 32));
    EXPECT_EQ(printer.m_hOffLineIcon.size(), QSize(32, 32));
    EXPECT_EQ(printer.m_bmOffLineIcon.bmWidth, 32);

    EXPECT_EQ(dlg.m_nCustomRows, 2u);
    EXPECT_EQ(dlg.m_CustomApps[0].m_strTitle, QStringLiteral("Shell"));
    EXPECT_EQ(dlg.m_CustomApps[0].m_strPath, QStringLiteral("/bin/sh"));
    EXPECT_EQ(dlg.m_CustomApps[1].m_strTitle, QStringLiteral("Empty"));
    EXPECT_EQ(dlg.m_CustomApps[1].m_strParams, QStringLiteral("-v"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST(KorvalenDlgStrip, WindowSizeFollowsTheLayout)
{
    const struct
    {
        int xBox, yBox, numBox, winPos;
        QSize expected;
    } cases[] = {
        // Rows: the tiles side by side after an 8-pixel edge.
        {90, 80, 1, 1, QSize(99, 82)},
        {90, 80, 0, 1, QSize(8, 82)},
        {90, 80, 3, 1, QSize(281, 82)},
        {50, 40, 4, 2, QSize(212, 42)},
        {90, 80, 70, 1, QSize(6378, 82)},
        // Columns: the tiles one above the other.
        {90, 80, 1, 0, QSize(92, 89)},
        {90, 80, 3, 0, QSize(92, 251)},
        {90, 80, 0, 0, QSize(92, 8)},
        {120, 30, 5, 0, QSize(122, 163)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.xBox << "x" << c.yBox << " n=" << c.numBox << " pos=" << c.winPos);
        EXPECT_EQ(stripWindowSize(c.xBox, c.yBox, c.numBox, c.winPos), c.expected);
    }
}

} // namespace
