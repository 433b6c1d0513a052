// Skin files in the skins folder.
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
    void SetUp() override { QDir().mkpath(skinsDir); }
    test::ScopedEnvironment env;
    QString skinsDir = env.dataDir() + QStringLiteral("/Skins/");
};

TEST_F(SkinsFolder, SavedSkinHasItsKeysInOrderAndOthersStay)
{
    const SkinLook look{0x00FF00, 1, 2, 0x123456, "pc.ico", "pc_GSC.ico"};
    CIniFile ini;
    ini.SetFileName(skins::SkinFilePath(skinsDir, QStringLiteral("  ")));
    ASSERT_TRUE(skins::WriteSkin(ini, look));
    EXPECT_EQ(test::keysInOrder(skinsDir + "  .ini"),
              QStringList({"skin/OnLinePicFile", "skin/OffLinePicFile", "skin/OffLineBoxColor",
                           "skin/OnLineBoxColor", "skin/OnLineTextColor", "skin/OffLineTextColor"}));
    EXPECT_TRUE(test::readFile(skinsDir + "  .ini").contains("OnLineBoxColor=65280"));
    EXPECT_EQ(skins::ReadSkin(ini), look);

    test::writeFile(skinsDir + "  .ini", "[skin]\nOnLineBoxColor=1\nNote=kept\n");
    ASSERT_TRUE(skins::WriteSkin(ini, look));
    EXPECT_EQ(skins::ReadSkin(ini), look);
    EXPECT_TRUE(test::readFile(skinsDir + "  .ini").contains("Note=kept"));
}

TEST_F(SkinsFolder, MissingKeysGiveTheDefaultLookAndColoursReadAsUnsigned)
{
    CIniFile ini;
    ini.SetFileName(skinsDir + "Default.ini");
    EXPECT_EQ(skins::ReadSkin(ini), (SkinLook{16699845, 7960953, 0, 16777215, "", ""})); // no file
    test::writeFile(skinsDir + "Default.ini", "[skin]\nOnLineBoxColor=0xFF\nOffLineBoxColor=010\n"
                                              "OffLinePicFile=down.ico\n");
    EXPECT_EQ(skins::ReadSkin(ini), (SkinLook{255, 8, 0, 16777215, "", "down.ico"}));
}

TEST_F(SkinsFolder, DeletingNeverReachesOutsideTheFolder)
{
    const QString data = env.dataDir() + "/";
    test::writeFile(data + "MainConfA.ini", "[main]\n");
    test::writeFile(skinsDir + "Default.ini", "[skin]\n");
    test::writeFile(skinsDir + "Mine.ini", "[skin]\n");
    const std::pair<QString, bool> cases[] = {
        {"../MainConfA", false}, {"..\\MainConfA", false}, {data + "MainConfA", false},
        {"Default", false},      {"自定义", false},        {"", false},
        {"Nothing", false},      {"Mine", true},
    };
    for (const auto& [name, deletes] : cases) {
        EXPECT_EQ(skins::DeleteSkin(skinsDir, name), deletes) << name.toStdString();
        EXPECT_EQ(skins::SkinExists(skinsDir, name), name == "Default") << name.toStdString();
    }
    EXPECT_TRUE(QFile::exists(data + "MainConfA.ini"));
    EXPECT_TRUE(QFile::exists(skinsDir + "Default.ini"));
}

} // namespace
