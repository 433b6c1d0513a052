#include "core/ConfigStore.h"

#include "TestSupport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

QStringList lines(std::initializer_list<const char*> items)
{
    QStringList result;
    for (const char* item : items)
        result << utf8(item);
    return result;
}

// The non-blank lines of one section as the file spells them. A section that
// appears twice contributes both parts.
QStringList sectionLines(const QString& path, const QString& section)
{
    QStringList result;
    QString current;
    for (QString line : QString::fromUtf8(test::readFile(path)).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'[')) {
            current = line.mid(1, line.indexOf(u']') - 1);
            continue;
        }
        if (current == section)
            result << line;
    }
    return result;
}

// The section headers of the file in order, duplicates included.
QStringList sectionNames(const QString& path)
{
    QStringList result;
    for (QString line : QString::fromUtf8(test::readFile(path)).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'['))
            result << line.mid(1, line.indexOf(u']') - 1);
    }
    return result;
}

// Section "main" of a new file, before and after the first start moved it.
QStringList newMainSection(const char* firstStart, const char* posX, const char* posY)
{
    QStringList result = lines({"App=Korvalen"});
    result << QStringLiteral("FirstStart=%1").arg(utf8(firstStart));
    result << lines({"NumBox=1", "XBox=90", "YBox=80"});
    result << QStringLiteral("PosX=%1").arg(utf8(posX));
    result << QStringLiteral("PosY=%1").arg(utf8(posY));
    result << lines({"WinPos=1",
                     "WinBeh=1",
                     "VerifyTime=3",
                     "TimeOut=3000",
                     "Transparent=255",
                     "ShowOnLineOffLineTime=1",
                     "DCOBEFE=0",
                     "DCOBEFPath=",
                     "DCOBEFParameters=",
                     "ErrorDefaultSound=0",
                     "PlayErrorDefSoundPath=",
                     "ErrorTextSpeechSound=0",
                     "ErrorTextSpeechText=%name Error",
                     "HideTaskBarButton=0",
                     "ErrorSound=0",
                     "EnableLog=0",
                     "ErrorMsgBox=0",
                     "ShowUpDownTime=0",
                     "ShowStatusX=0",
                     "ShowVMethodIPX=0",
                     "ShowIPandMethodX=0",
                     "VolumeMute=0",
                     "Volume=65535"});
    return result;
}

const QStringList kNewBoxSection = lines({
    "Text=LOCAL",
    "PicTypeOnLine=1",
    "PicTypeOffLine=1",
    "OnLinePicFile=1274607096_Desktop.ico",
    "OffLinePicFile=1274607096_Desktop_bw.ico",
    "OnLineBoxColor=16699845",
    "OffLineBoxColor=7960953",
    "OnLineTextColor=0",
    "OffLineTextColor=16777215",
    "IPAdress=127.0.0.1",
    "IPv=0",
    "Port=80",
    "VerifyMetod=1",
    "Logging=0",
    "MsgBox=0",
    "UpPath=",
    "DownPath=",
    "OpenPath=",
    "ClosePath=",
    "TcpDownPath=",
    "CustomSoundCheck=0",
    "UpTextString=%name is Up",
    "DownTextString=%name is Down",
    "OpenTextString=%name is Open",
    "CloseTextString=%name is Close",
    "TDownTextString=%name is Down",
    "SpeechTextCheck=0",
    "ExecFilePath=",
    "ExecFileParam=",
    "ExecFileStatusCheck=0",
    "ExecFileCheck=0",
});

// A box section with every key, in the order the boxes are saved, each value
// distinct so that a key read into or written from the wrong field shows.
const QStringList kFullBoxSection = lines({
    "Text=Router",
    "PicTypeOnLine=2",
    "PicTypeOffLine=3",
    "OnLineBoxColor=255",
    "OffLineBoxColor=65280",
    "OnLineTextColor=16711680",
    "OffLineTextColor=8421504",
    "OnLinePicFile=up.ico",
    "OffLinePicFile=down.ico",
    "IPAdress=192.0.2.7",
    "IPv=1",
    "Port=8080",
    "VerifyMetod=2",
    "Sound=4",
    "Logging=5",
    "MsgBox=6",
    "UpPath=/s/up.wav",
    "DownPath=/s/down.wav",
    "OpenPath=/s/open.wav",
    "ClosePath=/s/close.wav",
    "TcpDownPath=/s/tcpdown.wav",
    "CustomSoundCheck=7",
    "UpTextString=%name rises",
    "DownTextString=%name falls",
    "OpenTextString=%name opens",
    "CloseTextString=%name closes",
    "TDownTextString=%name port falls",
    "SpeechTextCheck=8",
    "ExecFilePath=/bin/run",
    "ExecFileParam=-x",
    "ExecFileStatusCheck=9",
    "ExecFileCheck=10",
    "nMSGB=11",
    "nPS=12",
    "nEF=13",
    "MsgBoxDesc=%name: %status",
    "Phrase=welcome",
    "CheckInterval=14",
    "RunHideMode=15",
    "Disabled=16",
});

QStringList keyNames(const QStringList& keyValues)
{
    QStringList names;
    for (const QString& line : keyValues)
        names << line.left(line.indexOf(u'='));
    return names;
}

QByteArray fileText(const QStringList& mainLines, const std::vector<QStringList>& boxes)
{
    QString text = QStringLiteral("[main]\n") + mainLines.join(u'\n') + u'\n';
    for (size_t i = 0; i < boxes.size(); ++i)
        text += QStringLiteral("[Box %1]\n").arg(i) + boxes[i].join(u'\n') + u'\n';
    return text.toUtf8();
}

class ConfigFixture : public ::testing::Test
{
protected:
    ~ConfigFixture() override { clearBoxes(); }

    void clearBoxes()
    {
        for (BoxRecord*& box : boxes) {
            delete box;
            box = nullptr;
        }
    }

    // Loads the file as the main window does, on the given work area.
    void load(const QRect& workArea = QRect(0, 0, 1920, 1040))
    {
        clearBoxes();
        settings = MainSettings();
        config::load(ini, path, settings, boxes, pictures, [this, workArea] {
            ++workAreaCalls;
            return workArea;
        });
    }

    int loadedBoxes() const
    {
        int count = 0;
        for (const BoxRecord* box : boxes)
            count += box ? 1 : 0;
        return count;
    }

    void writeConfig(const QByteArray& text) { test::writeFile(path, text); }

    BoxRecord& addBox(int index)
    {
        delete boxes[size_t(index)];
        boxes[size_t(index)] = new BoxRecord(nullptr, index);
        return *boxes[size_t(index)];
    }

    test::ScopedEnvironment env;
    QString path = env.path() + QStringLiteral("/MainConfA.ini");
    QString pictures = env.path() + QStringLiteral("/Pictures/");
    CIniFile ini;
    MainSettings settings;
    BoxArray boxes{};
    int workAreaCalls = 0;
};

class ConfigNewFile : public ConfigFixture
{
};
class ConfigRead : public ConfigFixture
{
};
class ConfigSave : public ConfigFixture
{
};

// ---------------------------------------------------------------------------
// A new file

TEST_F(ConfigNewFile, HoldsEveryKeyInOrder)
{
    ini.SetFileName(path);
    config::writeNewFile(ini);

    EXPECT_EQ(sectionNames(path), lines({"main", "Box 0"}));
    EXPECT_EQ(sectionLines(path, QStringLiteral("main")), newMainSection("1", "300", "300"));
    EXPECT_EQ(sectionLines(path, QStringLiteral("Box 0")), kNewBoxSection);
}

TEST_F(ConfigNewFile, FirstLoadCentresTheStripAndClearsFirstStart)
{
    ASSERT_FALSE(QFileInfo::exists(path));
    load(QRect(0, 0, 1920, 1040));

    EXPECT_EQ(workAreaCalls, 1);
    EXPECT_EQ(settings.PosX, 911);
    EXPECT_EQ(settings.PosY, 479);
    // The keys keep their places; only their values change.
    EXPECT_EQ(sectionNames(path), lines({"main", "Box 0"}));
    EXPECT_EQ(sectionLines(path, QStringLiteral("main")), newMainSection("0", "911", "479"));
    EXPECT_EQ(sectionLines(path, QStringLiteral("Box 0")), kNewBoxSection);

    EXPECT_EQ(settings.NumBox, 1);
    EXPECT_EQ(settings.XBox, 90);
    EXPECT_EQ(settings.YBox, 80);
    ASSERT_EQ(loadedBoxes(), 1);
    ASSERT_NE(boxes[0], nullptr);
    EXPECT_EQ(boxes[0]->Text, QStringLiteral("LOCAL"));
    EXPECT_EQ(boxes[0]->IPAdress, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(boxes[0]->UpTextString, QStringLiteral("%name is Up"));
    EXPECT_EQ(boxes[0]->m_nIndex, 0);

    // The second start finds FirstStart 0 and keeps the position.
    const QByteArray before = test::readFile(path);
    load(QRect(0, 0, 640, 480));
    EXPECT_EQ(workAreaCalls, 1);
    EXPECT_EQ(settings.PosX, 911);
    EXPECT_EQ(settings.PosY, 479);
    EXPECT_EQ(test::readFile(path), before);
}

TEST_F(ConfigNewFile, FirstStartCentresTheRowLayoutOnTheWorkArea)
{
    const struct
    {
        const char* name;
        QRect workArea;
        int xBox, yBox, numBox, winPos;
        int posX, posY;
    } cases[] = {
        // 960 - 99 / 2, 520 - 82 / 2: each half truncated on its own.
        {"full hd", QRect(0, 0, 1920, 1040), 90, 80, 1, 1, 911, 479},
        // Centred in the work area itself, its offset included.
        {"second screen", QRect(1920, 0, 1280, 1024), 90, 80, 1, 1, 1920 + 640 - 49, 471},
        {"offset origin", QRect(100, 50, 800, 600), 90, 80, 1, 1, 100 + 400 - 49, 50 + 300 - 41},
        // The column layout is centred as if it were a row: (101 * 3 + 8) x 52.
        {"column layout", QRect(0, 0, 1920, 1080), 100, 50, 3, 0, 805, 514},
        {"no box", QRect(0, 0, 1000, 800), 90, 80, 0, 1, 496, 359},
        // Wider than the work area: its edge strip at the area's left edge.
        {"wider than the screen", QRect(0, 0, 800, 600), 90, 80, 10, 1, 0, 259},
        {"24 boxes on 1280 by 800", QRect(0, 0, 1280, 800), 90, 80, 24, 1, 0, 359},
        {"24 boxes on a second screen", QRect(1280, 0, 1280, 800), 90, 80, 24, 1, 1280, 359},
        // Hand-edited sizes count as the window gets them: at most 300 by 200,
        // at least 1, and the sum cannot overflow; 70 such tiles are wider
        // than the area.
        {"huge tiles", QRect(0, 0, 1920, 1080), 2147483647, 80, 70, 1, 0, 540 - 41},
        {"tiles of no width", QRect(0, 0, 1000, 800), 0, 80, 2, 1, 500 - 6, 359},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeConfig(QStringLiteral("[main]\nFirstStart=1\nNumBox=%1\nXBox=%2\nYBox=%3\nWinPos=%4\n"
                                   "PosX=5\nPosY=6\n")
                        .arg(c.numBox)
                        .arg(c.xBox)
                        .arg(c.yBox)
                        .arg(c.winPos)
                        .toUtf8());
        workAreaCalls = 0;
        load(c.workArea);
        EXPECT_EQ(workAreaCalls, 1);
        EXPECT_EQ(settings.PosX, c.posX);
        EXPECT_EQ(settings.PosY, c.posY);
        const QStringList main = sectionLines(path, QStringLiteral("main"));
        EXPECT_TRUE(main.contains(QStringLiteral("PosX=%1").arg(c.posX))) << main.join(u' ').toStdString();
        EXPECT_TRUE(main.contains(QStringLiteral("PosY=%1").arg(c.posY))) << main.join(u' ').toStdString();
        EXPECT_TRUE(main.contains(QStringLiteral("FirstStart=0"))) << main.join(u' ').toStdString();
        EXPECT_EQ(main.size(), 7) << main.join(u' ').toStdString();
    }
}

// ---------------------------------------------------------------------------
// Reading

TEST_F(ConfigRead, MainSectionFillsEveryField)
{
    g_nVerifyTime = 3;
    g_nTimeOut = 3000;
    g_nLogFileType = 0;
    writeConfig(fileText(lines({"FirstStart=0",
                                "NumBox=0",
                                "XBox=71",
                                "YBox=52",
                                "PosX=-13",
                                "PosY=1234",
                                "WinPos=0",
                                "WinBeh=11",
                                "VerifyTime=9",
                                "TimeOut=4500",
                                "Transparent=200",
                                "ShowOnLineOffLineTime=12",
                                "DCOBEFE=2",
                                "DCOBEFPath=/usr/bin/notify",
                                "DCOBEFParameters=--all",
                                "ErrorDefaultSound=3",
                                "PlayErrorDefSoundPath=/s/error.wav",
                                "ErrorTextSpeechSound=4",
                                "ErrorTextSpeechText=%name broke",
                                "HideTaskBarButton=5",
                                "ErrorSound=6",
                                "EnableLog=7",
                                "ErrorMsgBox=8",
                                "ShowUpDownTime=0",
                                "ShowStatusX=1",
                                "ShowIPandMethodX=0",
                                "VolumeMute=9",
                                "Volume=1000",
                                "LogFileType=2",
                                "AutoUpdate=10"}),
                         {}));
    load();

    EXPECT_EQ(workAreaCalls, 0);
    EXPECT_EQ(settings.NumBox, 0);
    EXPECT_EQ(settings.XBox, 71);
    EXPECT_EQ(settings.YBox, 52);
    EXPECT_EQ(settings.PosX, -13);
    EXPECT_EQ(settings.PosY, 1234);
    EXPECT_EQ(settings.WinPos, 0);
    EXPECT_EQ(settings.WinBeh, 11);
    EXPECT_EQ(g_nVerifyTime.load(), 9u);
    EXPECT_EQ(g_nTimeOut.load(), 4500u);
    EXPECT_EQ(settings.Transparent, 200);
    EXPECT_EQ(settings.ShowOnLineOffLineTime, 12);
    EXPECT_EQ(settings.DCOBEFE, 2);
    EXPECT_EQ(settings.DCOBEFPath, QStringLiteral("/usr/bin/notify"));
    EXPECT_EQ(settings.DCOBEFParameters, QStringLiteral("--all"));
    EXPECT_EQ(settings.ErrorDefaultSound, 3);
    EXPECT_EQ(settings.PlayErrorDefSoundPath, QStringLiteral("/s/error.wav"));
    EXPECT_EQ(settings.ErrorTextSpeechSound, 4);
    EXPECT_EQ(settings.ErrorTextSpeechText, QStringLiteral("%name broke"));
    EXPECT_EQ(settings.HideTaskBarButton, 5);
    EXPECT_EQ(settings.ErrorSound, 6);
    EXPECT_EQ(settings.EnableLog, 7);
    EXPECT_EQ(settings.ErrorMsgBox, 8);
    EXPECT_TRUE(settings.m_bShowReplyTime);
    EXPECT_EQ(settings.m_bShowStatus, 0);
    EXPECT_EQ(settings.m_bShowIPandMethod, 1);
    EXPECT_EQ(settings.VolumeMute, 9);
    EXPECT_EQ(settings.Volume, 1000u);
    EXPECT_EQ(g_nLogFileType.load(), 2);
    EXPECT_EQ(settings.AutoUpdate, 10);
    EXPECT_EQ(loadedBoxes(), 0);
}

TEST_F(ConfigRead, AnEmptyMainSectionGivesTheDefaults)
{
    g_nVerifyTime = 77;
    g_nTimeOut = 77;
    g_nLogFileType = 77;
    writeConfig("[main]\n");
    load(QRect(0, 0, 1000, 800));

    // FirstStart defaults to 1, so the strip is centred.
    EXPECT_EQ(workAreaCalls, 1);
    EXPECT_EQ(settings.NumBox, 1);
    EXPECT_EQ(settings.XBox, 90);
    EXPECT_EQ(settings.YBox, 80);
    EXPECT_EQ(settings.PosX, 500 - 49);
    EXPECT_EQ(settings.PosY, 400 - 41);
    EXPECT_EQ(settings.WinPos, 1);
    EXPECT_EQ(settings.WinBeh, 1);
    EXPECT_EQ(g_nVerifyTime.load(), 3u);
    EXPECT_EQ(g_nTimeOut.load(), 3000u);
    EXPECT_EQ(g_nLogFileType.load(), 0);
    EXPECT_EQ(settings.Transparent, 255);
    EXPECT_EQ(settings.ShowOnLineOffLineTime, 1);
    EXPECT_EQ(settings.ErrorTextSpeechText, QStringLiteral("%name Error"));
    EXPECT_TRUE(settings.DCOBEFPath.isEmpty());
    EXPECT_TRUE(settings.m_bShowReplyTime);
    EXPECT_EQ(settings.m_bShowStatus, 1);
    EXPECT_EQ(settings.m_bShowIPandMethod, 1);
    EXPECT_EQ(settings.Volume, 65535u);
    EXPECT_EQ(settings.VolumeMute, 0);
    EXPECT_EQ(loadedBoxes(), 1);
}

TEST_F(ConfigRead, MainNumbersAreHeldAsTheWindowHoldsThem)
{
    struct Case
    {
        const char* line;
        std::function<void(const MainSettings&)> check;
    };
    const Case cases[] = {
        {"ShowUpDownTime=1", [](const MainSettings& s) { EXPECT_FALSE(s.m_bShowReplyTime); }},
        {"ShowUpDownTime=0", [](const MainSettings& s) { EXPECT_TRUE(s.m_bShowReplyTime); }},
        {"ShowUpDownTime=2", [](const MainSettings& s) { EXPECT_FALSE(s.m_bShowReplyTime); }},
        {"ShowIPandMethodX=1", [](const MainSettings& s) { EXPECT_EQ(s.m_bShowIPandMethod, 0); }},
        {"ShowIPandMethodX=0", [](const MainSettings& s) { EXPECT_EQ(s.m_bShowIPandMethod, 1); }},
        {"ShowStatusX=1", [](const MainSettings& s) { EXPECT_EQ(s.m_bShowStatus, 0); }},
        {"ShowStatusX=0", [](const MainSettings& s) { EXPECT_EQ(s.m_bShowStatus, 1); }},
        {"Transparent=511", [](const MainSettings& s) { EXPECT_EQ(s.Transparent, 255); }},
        {"Transparent=256", [](const MainSettings& s) { EXPECT_EQ(s.Transparent, 0); }},
        {"Transparent=128", [](const MainSettings& s) { EXPECT_EQ(s.Transparent, 128); }},
        {"VerifyTime=0", [](const MainSettings&) { EXPECT_EQ(g_nVerifyTime.load(), 1u); }},
        {"VerifyTime=", [](const MainSettings&) { EXPECT_EQ(g_nVerifyTime.load(), 1u); }},
        {"VerifyTime=0x10", [](const MainSettings&) { EXPECT_EQ(g_nVerifyTime.load(), 16u); }},
        {"TimeOut=250", [](const MainSettings&) { EXPECT_EQ(g_nTimeOut.load(), 250u); }},
        {"LogFileType=1", [](const MainSettings&) { EXPECT_EQ(g_nLogFileType.load(), 1); }},
        {"Volume=0xFFFF", [](const MainSettings& s) { EXPECT_EQ(s.Volume, 65535u); }},
        {"XBox=0x20", [](const MainSettings& s) { EXPECT_EQ(s.XBox, 0); }},
        {"YBox= 44px", [](const MainSettings& s) { EXPECT_EQ(s.YBox, 44); }},
        {"ErrorSound=-5", [](const MainSettings& s) { EXPECT_EQ(s.ErrorSound, -5); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        g_nVerifyTime = 99;
        g_nTimeOut = 99;
        g_nLogFileType = 99;
        writeConfig(fileText(lines({"FirstStart=0", "NumBox=0", c.line}), {}));
        load();
        c.check(settings);
    }
}

TEST_F(ConfigRead, NumBoxLimitsTheBoxesLoaded)
{
    const struct
    {
        const char* numBox; // nullptr: no key
        int held;
        int loaded;
    } cases[] = {
        {"75", 70, 70}, {"70", 70, 70}, {"69", 69, 69}, {"3", 3, 3},   {"1", 1, 1},
        {"0", 0, 0},    {"", 0, 0},     {"-1", 0, 0},   {"-75", 0, 0}, {nullptr, 1, 1},
    };
    // Sections for more boxes than can be loaded, each with its own name.
    std::vector<QStringList> sections;
    for (int i = 0; i <= 71; ++i)
        sections.push_back(QStringList{QStringLiteral("Text=B%1").arg(i)});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.numBox ? c.numBox : "(missing)");
        QStringList main = lines({"FirstStart=0"});
        if (c.numBox)
            main << QStringLiteral("NumBox=%1").arg(utf8(c.numBox));
        writeConfig(fileText(main, sections));
        load();
        EXPECT_EQ(settings.NumBox, c.held);
        EXPECT_EQ(loadedBoxes(), c.loaded);
        for (int i = 0; i < c.loaded; ++i) {
            ASSERT_NE(boxes[size_t(i)], nullptr) << i;
            EXPECT_EQ(boxes[size_t(i)]->Text, QStringLiteral("B%1").arg(i));
            EXPECT_EQ(boxes[size_t(i)]->m_nIndex, i);
        }
    }
}

TEST_F(ConfigRead, BoxKeysFillTheirFields)
{
    writeConfig(fileText(lines({"FirstStart=0", "NumBox=1"}), {kFullBoxSection}));
    load();
    ASSERT_EQ(loadedBoxes(), 1);
    const BoxRecord& box = *boxes[0];

    EXPECT_EQ(box.Text, QStringLiteral("Router"));
    EXPECT_EQ(box.PicTypeOnLine, 2);
    EXPECT_EQ(box.PicTypeOffLine, 3);
    EXPECT_EQ(box.OnLineBoxColor, 255u);
    EXPECT_EQ(box.OffLineBoxColor, 65280u);
    EXPECT_EQ(box.OnLineTextColor, 16711680u);
    EXPECT_EQ(box.OffLineTextColor, 8421504u);
    EXPECT_EQ(box.OnLinePicFile, QStringLiteral("up.ico"));
    EXPECT_EQ(box.OffLinePicFile, QStringLiteral("down.ico"));
    EXPECT_EQ(box.m_strOnLinePicPath, pictures + QStringLiteral("up.ico"));
    EXPECT_EQ(box.m_strOffLinePicPath, pictures + QStringLiteral("down.ico"));
    EXPECT_EQ(box.IPAdress, QStringLiteral("192.0.2.7"));
    EXPECT_EQ(box.IPv, 1);
    EXPECT_EQ(box.Port, 8080u);
    EXPECT_EQ(box.VerifyMetod, 2);
    EXPECT_EQ(box.Sound, 4);
    EXPECT_EQ(box.Logging, 5);
    EXPECT_EQ(box.MsgBox, 6);
    EXPECT_EQ(box.UpPath, QStringLiteral("/s/up.wav"));
    EXPECT_EQ(box.DownPath, QStringLiteral("/s/down.wav"));
    EXPECT_EQ(box.OpenPath, QStringLiteral("/s/open.wav"));
    EXPECT_EQ(box.ClosePath, QStringLiteral("/s/close.wav"));
    EXPECT_EQ(box.TcpDownPath, QStringLiteral("/s/tcpdown.wav"));
    EXPECT_EQ(box.CustomSoundCheck, 7);
    EXPECT_EQ(box.UpTextString, QStringLiteral("%name rises"));
    EXPECT_EQ(box.DownTextString, QStringLiteral("%name falls"));
    EXPECT_EQ(box.OpenTextString, QStringLiteral("%name opens"));
    EXPECT_EQ(box.CloseTextString, QStringLiteral("%name closes"));
    EXPECT_EQ(box.TDownTextString, QStringLiteral("%name port falls"));
    EXPECT_EQ(box.SpeechTextCheck, 8);
    EXPECT_EQ(box.ExecFilePath, QStringLiteral("/bin/run"));
    EXPECT_EQ(box.ExecFileParam, QStringLiteral("-x"));
    EXPECT_EQ(box.ExecFileStatusCheck, 9);
    EXPECT_EQ(box.ExecFileCheck, 10);
    EXPECT_EQ(box.nMSGB, 11u);
    EXPECT_EQ(box.nPS, 12u);
    EXPECT_EQ(box.nEF, 13u);
    EXPECT_EQ(box.MsgBoxDesc, QStringLiteral("%name: %status"));
    EXPECT_EQ(box.Phrase, QStringLiteral("welcome"));
    EXPECT_EQ(box.CheckInterval, 14u);
    EXPECT_EQ(box.RunHideMode, 15);
    EXPECT_EQ(box.Disabled, 16);
    // Run-time state is not read from the file.
    EXPECT_EQ(box.m_nStatus, STATUS_UNKNOWN);
    EXPECT_EQ(box.m_dwLastValue, 0xFFFFFFFFu);
}

TEST_F(ConfigRead, MissingBoxSectionGivesTheReadDefaults)
{
    // Box 1 is counted but has no section; Box 0 is there so that nothing of it
    // may leak into Box 1.
    writeConfig(fileText(lines({"FirstStart=0", "NumBox=2"}), {kFullBoxSection}));
    load();
    ASSERT_EQ(loadedBoxes(), 2);
    const BoxRecord& box = *boxes[1];

    EXPECT_EQ(box.m_nIndex, 1);
    EXPECT_EQ(box.Text, QStringLiteral("LOCAL"));
    EXPECT_EQ(box.IPAdress, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(box.Port, 80u);
    EXPECT_EQ(box.VerifyMetod, METHOD_PING);
    EXPECT_EQ(box.IPv, 0);
    EXPECT_EQ(box.CheckInterval, 3u);
    EXPECT_EQ(box.MsgBoxDesc, QStringLiteral("%name is %status"));
    EXPECT_EQ(box.Phrase, QStringLiteral("html"));
    EXPECT_EQ(box.OnLineBoxColor, 16699845u);
    EXPECT_EQ(box.OffLineBoxColor, 7960953u);
    EXPECT_EQ(box.OnLineTextColor, 0u);
    EXPECT_EQ(box.OffLineTextColor, 16777215u);
    EXPECT_EQ(box.PicTypeOnLine, 1);
    EXPECT_EQ(box.PicTypeOffLine, 1);
    EXPECT_EQ(box.OnLinePicFile, QStringLiteral("1274607096_Desktop.ico"));
    EXPECT_EQ(box.OffLinePicFile, QStringLiteral("1274607096_Desktop_bw.ico"));
    EXPECT_EQ(box.m_strOnLinePicPath, pictures + QStringLiteral("1274607096_Desktop.ico"));
    EXPECT_EQ(box.m_strOffLinePicPath, pictures + QStringLiteral("1274607096_Desktop_bw.ico"));
    EXPECT_EQ(box.Sound, 0);
    EXPECT_EQ(box.Logging, 0);
    EXPECT_EQ(box.MsgBox, 0);
    EXPECT_EQ(box.nMSGB, 0u);
    EXPECT_EQ(box.nPS, 0u);
    EXPECT_EQ(box.nEF, 0u);
    EXPECT_EQ(box.RunHideMode, 0);
    EXPECT_EQ(box.Disabled, 0);
    EXPECT_TRUE(box.UpPath.isEmpty());
    EXPECT_TRUE(box.ExecFilePath.isEmpty());
    EXPECT_TRUE(box.UpTextString.isEmpty());
}

TEST_F(ConfigRead, PictureNamesThatAreNoPlainFileNamesGiveNoPicture)
{
    writeConfig(fileText(lines({"FirstStart=0", "NumBox=1"}),
                         {lines({"Text=PC", "OnLinePicFile=../../x.ico", "OffLinePicFile=down.ico"})}));
    load();
    ASSERT_EQ(loadedBoxes(), 1);
    EXPECT_EQ(boxes[0]->OnLinePicFile, QStringLiteral("../../x.ico"));
    EXPECT_TRUE(boxes[0]->m_strOnLinePicPath.isEmpty());
    EXPECT_EQ(boxes[0]->m_strOffLinePicPath, pictures + QStringLiteral("down.ico"));
}

TEST_F(ConfigRead, SpeechTextsWithoutKeysAreEmpty)
{
    // Unlike a new file, a section without the speech keys gets no texts.
    writeConfig(
        fileText(lines({"FirstStart=0", "NumBox=1"}), {lines({"Text=Printer", "SpeechTextCheck=1"})}));
    load();
    ASSERT_EQ(loadedBoxes(), 1);
    const BoxRecord& box = *boxes[0];
    EXPECT_EQ(box.Text, QStringLiteral("Printer"));
    EXPECT_EQ(box.SpeechTextCheck, 1);
    for (const QString* text : {&box.UpTextString, &box.DownTextString, &box.OpenTextString,
                                &box.CloseTextString, &box.TDownTextString})
        EXPECT_TRUE(text->isEmpty()) << text->toStdString();
}

TEST_F(ConfigRead, BoxNumbersAreReadAsTheWindowsRuntimeReadsThem)
{
    struct Case
    {
        const char* line;
        std::function<void(const BoxRecord&)> check;
    };
    const Case cases[] = {
        // A COLORREF holds red in the low byte: 0xFF0000 is pure blue.
        {"OnLineBoxColor=0xFF0000", [](const BoxRecord& b) { EXPECT_EQ(b.OnLineBoxColor, 0xFF0000u); }},
        {"OffLineTextColor=4294967295",
         [](const BoxRecord& b) { EXPECT_EQ(b.OffLineTextColor, 0xFFFFFFFFu); }},
        {"Port=0x50", [](const BoxRecord& b) { EXPECT_EQ(b.Port, 80u); }},
        {"Port=010", [](const BoxRecord& b) { EXPECT_EQ(b.Port, 8u); }},
        {"Sound=257", [](const BoxRecord& b) { EXPECT_EQ(b.Sound, 1); }},
        {"Sound=0x10", [](const BoxRecord& b) { EXPECT_EQ(b.Sound, 0); }},
        {"CheckInterval=0", [](const BoxRecord& b) { EXPECT_EQ(b.CheckInterval, 1u); }},
        {"CheckInterval=", [](const BoxRecord& b) { EXPECT_EQ(b.CheckInterval, 1u); }},
        {"CheckInterval=abc", [](const BoxRecord& b) { EXPECT_EQ(b.CheckInterval, 1u); }},
        {"CheckInterval=2", [](const BoxRecord& b) { EXPECT_EQ(b.CheckInterval, 2u); }},
        {"IPv=4294967295", [](const BoxRecord& b) { EXPECT_EQ(b.IPv, -1); }},
        {"PicTypeOnLine=4294967294", [](const BoxRecord& b) { EXPECT_EQ(b.PicTypeOnLine, -2); }},
        {"Logging=-1", [](const BoxRecord& b) { EXPECT_EQ(b.Logging, -1); }},
        {"Disabled=1", [](const BoxRecord& b) { EXPECT_EQ(b.Disabled, 1); }},
        {"Text=", [](const BoxRecord& b) { EXPECT_TRUE(b.Text.isEmpty()); }},
        {"IPAdress=", [](const BoxRecord& b) { EXPECT_TRUE(b.IPAdress.isEmpty()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        writeConfig(fileText(lines({"FirstStart=0", "NumBox=1"}), {lines({c.line})}));
        load();
        ASSERT_EQ(loadedBoxes(), 1);
        c.check(*boxes[0]);
    }
}

// ---------------------------------------------------------------------------
// Saving

TEST_F(ConfigSave, FirstSaveAddsTheKeysANewFileLacks)
{
    load();
    ASSERT_EQ(loadedBoxes(), 1);
    ASSERT_TRUE(config::saveBoxes(ini, settings, boxes));

    EXPECT_EQ(sectionNames(path), lines({"main", "Box 0"}));
    EXPECT_EQ(sectionLines(path, QStringLiteral("main")), newMainSection("0", "911", "479"));
    QStringList expected = kNewBoxSection;
    expected << lines({"Sound=0", "nMSGB=0", "nPS=0", "nEF=0", "MsgBoxDesc=%name is %status", "Phrase=html",
                       "CheckInterval=3", "RunHideMode=0", "Disabled=0"});
    EXPECT_EQ(sectionLines(path, QStringLiteral("Box 0")), expected);
}

TEST_F(ConfigSave, AFreshSectionGetsTheFortyKeysInOrder)
{
    BoxRecord& box = addBox(0);
    box.Text = QStringLiteral("Gateway");
    box.PicTypeOnLine = -1;
    box.PicTypeOffLine = 2;
    box.OnLineBoxColor = 0xFFFFFFFF;
    box.OffLineBoxColor = 0x80000000;
    box.OnLineTextColor = 0x00FF00;
    box.OffLineTextColor = 1;
    box.OnLinePicFile = QStringLiteral("a.ico");
    box.OffLinePicFile = QStringLiteral("b.ico");
    box.IPAdress = QStringLiteral("::1");
    box.IPv = -1;
    box.Port = 443;
    box.VerifyMetod = -3;
    box.Sound = 255;
    box.Logging = -1;
    box.MsgBox = 1;
    box.UpPath = QStringLiteral("/u.wav");
    box.DownPath = QStringLiteral("/d.wav");
    box.OpenPath = QStringLiteral("/o.wav");
    box.ClosePath = QStringLiteral("/c.wav");
    box.TcpDownPath = QStringLiteral("/t.wav");
    box.CustomSoundCheck = 1;
    box.UpTextString = QStringLiteral("up");
    box.DownTextString = QStringLiteral("down");
    box.OpenTextString = QStringLiteral("open");
    box.CloseTextString = QStringLiteral("close");
    box.TDownTextString = QStringLiteral("tdown");
    box.SpeechTextCheck = 1;
    box.ExecFilePath = QStringLiteral("/bin/x");
    box.ExecFileParam = QStringLiteral("-y");
    box.ExecFileStatusCheck = -2;
    box.ExecFileCheck = 1;
    box.nMSGB = 0xFFFFFFFF;
    box.nPS = 2;
    box.nEF = 3;
    box.MsgBoxDesc = QStringLiteral("%name now %status");
    box.Phrase = QStringLiteral("ok");
    box.CheckInterval = 60;
    box.RunHideMode = -2;
    box.Disabled = -1;
    // Run-time state is never saved.
    box.m_nStatus = STATUS_UP;
    box.m_strStatusText = QStringLiteral("Up");
    box.m_dwLastValue = 12;
    addBox(1).Text = QStringLiteral("Second");
    settings.NumBox = 2;

    ini.SetFileName(path);
    ASSERT_TRUE(config::saveBoxes(ini, settings, boxes));

    EXPECT_EQ(sectionNames(path), lines({"main", "Box 0", "Box 1"}));
    EXPECT_EQ(sectionLines(path, QStringLiteral("main")), lines({"NumBox=2"}));
    const QStringList expected = lines({
        "Text=Gateway",
        "PicTypeOnLine=-1",
        "PicTypeOffLine=2",
        "OnLineBoxColor=4294967295",
        "OffLineBoxColor=2147483648",
        "OnLineTextColor=65280",
        "OffLineTextColor=1",
        "OnLinePicFile=a.ico",
        "OffLinePicFile=b.ico",
        "IPAdress=::1",
        "IPv=4294967295",
        "Port=443",
        "VerifyMetod=4294967293",
        "Sound=255",
        "Logging=4294967295",
        "MsgBox=1",
        "UpPath=/u.wav",
        "DownPath=/d.wav",
        "OpenPath=/o.wav",
        "ClosePath=/c.wav",
        "TcpDownPath=/t.wav",
        "CustomSoundCheck=1",
        "UpTextString=up",
        "DownTextString=down",
        "OpenTextString=open",
        "CloseTextString=close",
        "TDownTextString=tdown",
        "SpeechTextCheck=1",
        "ExecFilePath=/bin/x",
        "ExecFileParam=-y",
        "ExecFileStatusCheck=4294967294",
        "ExecFileCheck=1",
        "nMSGB=4294967295",
        "nPS=2",
        "nEF=3",
        "MsgBoxDesc=%name now %status",
        "Phrase=ok",
        "CheckInterval=60",
        "RunHideMode=-2",
        "Disabled=-1",
    });
    EXPECT_EQ(sectionLines(path, QStringLiteral("Box 0")), expected);
    const QStringList second = sectionLines(path, QStringLiteral("Box 1"));
    EXPECT_EQ(keyNames(second), keyNames(kFullBoxSection));
    EXPECT_EQ(second.value(0), QStringLiteral("Text=Second"));
}

TEST_F(ConfigSave, ASectionReadAndSavedIsUnchanged)
{
    const QByteArray text = fileText(lines({"FirstStart=0", "NumBox=1"}), {kFullBoxSection});
    writeConfig(text);
    load();
    ASSERT_EQ(loadedBoxes(), 1);
    ASSERT_TRUE(config::saveBoxes(ini, settings, boxes));
    EXPECT_EQ(test::readFile(path), text);
}

TEST_F(ConfigSave, SoundKeepsOnlyItsLowByte)
{
    writeConfig(fileText(lines({"FirstStart=0", "NumBox=1"}), {lines({"Sound=257"})}));
    load();
    ASSERT_EQ(loadedBoxes(), 1);
    EXPECT_EQ(boxes[0]->Sound, 1);
    ASSERT_TRUE(config::saveBoxes(ini, settings, boxes));
    EXPECT_EQ(sectionLines(path, QStringLiteral("Box 0")).value(0), QStringLiteral("Sound=1"));
}

TEST_F(ConfigSave, TextsSurviveSavingAndLoading)
{
    // Texts that look like other parts of a file, and one beyond Latin-1.
    const QString texts[] = {
        QStringLiteral("路由器 2"),
        QStringLiteral("a=b;c"),
        QStringLiteral("[Box 0]"),
        QStringLiteral("C:\\Tools\\run.exe"),
    };
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        clearBoxes();
        BoxRecord& box = addBox(0);
        box.Text = text;
        box.ExecFileParam = text;
        box.IPAdress = QStringLiteral("192.0.2.1");
        settings.NumBox = 1;
        ini.SetFileName(path);
        ASSERT_TRUE(config::saveBoxes(ini, settings, boxes));
        load();
        ASSERT_EQ(loadedBoxes(), 1);
        EXPECT_EQ(boxes[0]->Text, text);
        EXPECT_EQ(boxes[0]->ExecFileParam, text);
        EXPECT_EQ(boxes[0]->IPAdress, QStringLiteral("192.0.2.1"));
    }
}

TEST_F(ConfigSave, ADeletedBoxLeavesItsSectionUntilOverwritten)
{
    const char* names[] = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
        BoxRecord& box = addBox(i);
        box.Text = utf8(names[i]);
        box.Port = uint32_t(1000 + i);
        box.UpTextString = QStringLiteral("%1 up").arg(utf8(names[i]));
    }
    settings.NumBox = 3;
    ini.SetFileName(path);
    ASSERT_TRUE(config::saveBoxes(ini, settings, boxes));
    const QStringList boxC = sectionLines(path, QStringLiteral("Box 2"));
    ASSERT_EQ(boxC.size(), 40);

    // The window removes the last box and saves two.
    delete boxes[2];
    boxes[2] = nullptr;
    settings.NumBox = 2;
    ASSERT_TRUE(config::saveBoxes(ini, settings, boxes));
    EXPECT_TRUE(sectionLines(path, QStringLiteral("main")).contains(QStringLiteral("NumBox=2")));
    EXPECT_EQ(sectionLines(path, QStringLiteral("Box 2")), boxC);

    load();
    EXPECT_EQ(settings.NumBox, 2);
    EXPECT_EQ(loadedBoxes(), 2);
    EXPECT_EQ(boxes[2], nullptr);

    // A new third box overwrites every key of the old one in place.
    BoxRecord& box = addBox(2);
    box.Text = QStringLiteral("D");
    box.IPAdress = QStringLiteral("192.0.2.9");
    settings.NumBox = 3;
    ASSERT_TRUE(config::saveBoxes(ini, settings, boxes));
    EXPECT_EQ(sectionNames(path), lines({"main", "Box 0", "Box 1", "Box 2"}));
    const QStringList boxD = sectionLines(path, QStringLiteral("Box 2"));
    EXPECT_EQ(keyNames(boxD), keyNames(kFullBoxSection));
    EXPECT_EQ(boxD.value(0), QStringLiteral("Text=D"));
    EXPECT_TRUE(boxD.contains(QStringLiteral("Port=0")));
    EXPECT_TRUE(boxD.contains(QStringLiteral("UpTextString=")));
    EXPECT_TRUE(boxD.contains(QStringLiteral("IPAdress=192.0.2.9")));
    EXPECT_TRUE(sectionLines(path, QStringLiteral("main")).contains(QStringLiteral("NumBox=3")));
}

TEST_F(ConfigSave, ReportsAFileItCannotWrite)
{
    // A regular file where the folder should be: nothing can be created in it.
    const QString blocker = env.path() + QStringLiteral("/blocker");
    test::writeFile(blocker, "not a folder");
    ini.SetFileName(blocker + QStringLiteral("/MainConfA.ini"));
    addBox(0).Text = QStringLiteral("A");
    settings.NumBox = 1;

    EXPECT_FALSE(config::saveBoxes(ini, settings, boxes));
    EXPECT_EQ(test::readFile(blocker), QByteArray("not a folder"));

    ini.SetFileName(path);
    EXPECT_TRUE(config::saveBoxes(ini, settings, boxes));
    EXPECT_EQ(sectionLines(path, QStringLiteral("Box 0")).value(0), QStringLiteral("Text=A"));
}

} // namespace
