// Skin files in the skins folder and the rule for skin names.
#include "TestSupport.h"

#include "core/IniFile.h"
#include "core/Skins.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class SkinsFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        skinsDir = env.dataDir() + QStringLiteral("/Skins/");
        QDir().mkpath(skinsDir);
    }
    test::ScopedEnvironment env;
    QString skinsDir;
};

TEST_F(SkinsFolder, SavedSkinHasItsKeysInOrderAndReadsBack)
{
    SkinLook look;
    look.OnLinePicFile = QStringLiteral("pc.ico");
    look.OffLinePicFile = QStringLiteral("pc_GSC.ico");
    look.OnLineBoxColor = 0x00FF00;
    look.OffLineTextColor = 0x123456;
    CIniFile ini;
    ini.SetFileName(skins::SkinFilePath(skinsDir, QStringLiteral("Mine")));
    ASSERT_TRUE(skins::WriteSkin(ini, look));
    EXPECT_EQ(test::keysInOrder(skinsDir + "Mine.ini"),
              QStringList({"skin/OnLinePicFile", "skin/OffLinePicFile", "skin/OffLineBoxColor",
                           "skin/OnLineBoxColor", "skin/OnLineTextColor", "skin/OffLineTextColor"}));
    EXPECT_TRUE(test::readFile(skinsDir + "Mine.ini").contains("OnLineBoxColor=65280"));
    EXPECT_EQ(skins::ReadSkin(ini), look);

    // Saved again under the same name: the six keys change, others stay.
    test::writeFile(skinsDir + "Mine.ini", "[skin]\nOnLineBoxColor=1\nNote=kept\n[other]\nX=1\n");
    look.OnLineBoxColor = 2;
    ASSERT_TRUE(skins::WriteSkin(ini, look));
    EXPECT_EQ(skins::ReadSkin(ini), look);
    EXPECT_TRUE(test::readFile(skinsDir + "Mine.ini").contains("Note=kept"));
    EXPECT_TRUE(test::readFile(skinsDir + "Mine.ini").contains("[other]"));
}

TEST_F(SkinsFolder, MissingKeysGiveTheDefaultLookAndColoursReadAsUnsigned)
{
    CIniFile ini;
    ini.SetFileName(skinsDir + "Default.ini");
    const SkinLook none = skins::ReadSkin(ini); // no file: the built-in look
    EXPECT_EQ(none.OnLineBoxColor, 16699845u);
    EXPECT_EQ(none.OffLineBoxColor, 7960953u);
    EXPECT_EQ(none.OnLineTextColor, 0u);
    EXPECT_EQ(none.OffLineTextColor, 16777215u);
    EXPECT_TRUE(none.OnLinePicFile.isEmpty() && none.OffLinePicFile.isEmpty());

    test::writeFile(skinsDir + "Default.ini",
                    "[skin]\nOnLineBoxColor=0xFF\nOffLineBoxColor=010\nOffLinePicFile=down.ico\n");
    const SkinLook read = skins::ReadSkin(ini);
    EXPECT_EQ(read.OnLineBoxColor, 255u);
    EXPECT_EQ(read.OffLineBoxColor, 8u);
    EXPECT_TRUE(read.OnLinePicFile.isEmpty());
    EXPECT_EQ(read.OffLinePicFile, QStringLiteral("down.ico"));
    EXPECT_EQ(read.OffLineTextColor, 16777215u);
}

TEST_F(SkinsFolder, ListShowsFileTitlesSorted)
{
    EXPECT_TRUE(skins::ListSkins(skinsDir).isEmpty());
    for (const char* name : {"zeta.ini", "Default.ini", "alpha.INI", "  .ini", "notes.txt"})
        test::writeFile(skinsDir + name, "[skin]\n");
    QDir().mkpath(skinsDir + "folder.ini");
    EXPECT_EQ(skins::ListSkins(skinsDir), QStringList({"  ", "alpha", "Default", "zeta"}));
}

TEST_F(SkinsFolder, DeletingRefusesProtectedNamesAndPathsOutsideTheFolder)
{
    // Files a typed name with a path could reach.
    const QString data = env.dataDir() + "/";
    test::writeFile(data + "MainConfA.ini", "[main]\n");
    test::writeFile(env.path() + "/outside.ini", "x");
    test::writeFile(skinsDir + "Default.ini", "[skin]\n");
    test::writeFile(skinsDir + "Mine.ini", "[skin]\n");

    struct Case
    {
        QString name;
        bool deletes;
    };
    const Case cases[] = {
        {"../MainConfA", false},
        {"..\\MainConfA", false},
        {"../../../outside", false},
        {data + "MainConfA", false}, // an absolute path
        {"Default", false},
        {"自定义", false},
        {"", false},
        {"Nothing", false}, // no such skin
        {"Mine", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(skins::DeleteSkin(skinsDir, c.name), c.deletes) << c.name.toStdString();
        EXPECT_EQ(skins::SkinExists(skinsDir, c.name), c.name == "Default") << c.name.toStdString();
    }
    EXPECT_TRUE(QFile::exists(data + "MainConfA.ini"));
    EXPECT_TRUE(QFile::exists(env.path() + "/outside.ini"));
    EXPECT_TRUE(QFile::exists(skinsDir + "Default.ini"));
    EXPECT_TRUE(skins::SkinFilePath(skinsDir, "../MainConfA").isEmpty());
}

TEST(SkinName, TypedNamesAreCleanedIntoFileNames)
{
    struct Case
    {
        QString typed;
        QString cleaned;
        bool acceptable;
    };
    const Case cases[] = {
        {"ab/c:d", "abcd", true},
        {"\\/:\"|<>?*", "", false}, // only forbidden characters
        {" ", "", false},           // one blank is cleared
        {"/ ", "", false},          // ... also when cleaning leaves one
        {"  ", "  ", true},         // two blanks are a name
        {"自定义", "自定义", false},
        {"Default", "Default", true},
        {"../x", "..x", true},
        {"Dark Blue", "Dark Blue", true},
    };
    for (const Case& c : cases) {
        const QString cleaned = skins::CleanSkinName(c.typed);
        EXPECT_EQ(cleaned, c.cleaned) << c.typed.toStdString();
        EXPECT_EQ(skins::SkinNameAcceptable(cleaned), c.acceptable) << c.typed.toStdString();
        if (c.acceptable) {
            EXPECT_TRUE(skins::IsSafeSkinName(cleaned));
        }
    }
}

} // namespace
