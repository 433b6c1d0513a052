// The look part of the box properties dialog: skins and pictures, driven
// through its controls.
#include "TestSupport.h"

#include "core/IniFile.h"
#include "ui/BoxIcons.h"
#include "ui/BoxPreview.h"
#include "ui/dialogs/BoxLook.h"
#include "ui/dialogs/ColorButton.h"
#include "ui/dialogs/SkinCombo.h"
#include "ui/dialogs/SkinName.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

QByteArray iconBytes(QRgb colour)
{
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(colour);
    return EncodeIconFile(&icon, 1);
}

class BoxLookTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&dialog);
        c.comboSkin = new CSkinCombo(&dialog);
        auto button = [&]() {
            auto* b = new QPushButton(QStringLiteral("x"), &dialog);
            layout->addWidget(b);
            return b;
        };
        layout->addWidget(c.comboSkin);
        c.btnAddSkin = button();
        c.btnDeleteSkin = button();
        c.btnUpIcon = button();
        c.btnDownIcon = button();
        c.btnEmptyUpIcon = button();
        c.btnEmptyDownIcon = button();
        c.btnGrayscaleIcon = button();
        for (CColorButton** b : {&c.colorUpBox, &c.colorDownBox, &c.colorUpText, &c.colorDownText}) {
            *b = new CColorButton(&dialog);
            layout->addWidget(*b);
        }
        c.previewUp = new CPreviewTile(&dialog);
        c.previewDown = new CPreviewTile(&dialog);
        look = new CBoxLook(&dialog, c);
        skins = env.dataDir() + "/Skins/";
        pictures = env.dataDir() + "/Pictures/";
        QDir().mkpath(skins);
        QDir().mkpath(pictures);
        test::writeFile(pictures + "pc.ico", iconBytes(qRgb(200, 100, 0)));
        test::writeFile(skins + "Blue.ini",
                        "[skin]\nOnLinePicFile=pc.ico\nOnLineBoxColor=16711680\nOffLineTextColor=255\n");
        test::writeFile(skins + "Default.ini", "[skin]\nOnLineBoxColor=1\n");
    }

    QString shown() const { return c.comboSkin->currentText(); }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes boxes;
    QWidget dialog;
    CBoxLook::Controls c{};
    CBoxLook* look = nullptr;
    QString skins;
    QString pictures;
};

TEST_F(BoxLookTest, ListIsReadAtEachDropDownAndSelectingLoadsTheSkin)
{
    look->Init(env.dataDir(), true);
    EXPECT_EQ(shown(), QStringLiteral("Default"));
    EXPECT_FALSE(c.btnDeleteSkin->isEnabled());
    EXPECT_EQ(c.comboSkin->count(), 0); // not at initialisation

    look->OnCbnDropdownSkin();
    ASSERT_EQ(c.comboSkin->count(), 2);
    EXPECT_EQ(shown(), QStringLiteral("Default")); // the edit part keeps its text
    test::writeFile(skins + "Green.ini", "[skin]\n");
    look->OnCbnDropdownSkin();
    EXPECT_EQ(c.comboSkin->count(), 3);

    look->OnCbnSelchangeSkin(c.comboSkin->findText("Blue"));
    EXPECT_EQ(c.colorUpBox->GetColor(), 16711680u);
    EXPECT_EQ(c.colorDownBox->GetColor(), 7960953u); // missing keys: the defaults
    EXPECT_EQ(c.colorDownText->GetColor(), 255u);
    EXPECT_EQ(look->m_up.fullPath, pictures + "pc.ico");
    EXPECT_EQ(c.previewUp->Tile().iconSize.bmWidth, 32);
    EXPECT_TRUE(c.previewDown->Tile().icon.isNull());
    EXPECT_TRUE(c.btnDeleteSkin->isEnabled());

    look->OnCbnSelchangeSkin(c.comboSkin->findText("Default"));
    EXPECT_EQ(c.colorUpBox->GetColor(), 1u);
    EXPECT_FALSE(c.btnDeleteSkin->isEnabled());
    EXPECT_TRUE(look->m_up.icon.isNull());
}

TEST_F(BoxLookTest, TypingSwitchesDeleteByWhatExistsInTheSkinsFolderOnly)
{
    look->Init(env.dataDir(), false);
    EXPECT_EQ(shown(), QStringLiteral("自定义"));
    test::writeFile(env.dataDir() + "/MainConfA.ini", "[main]\n");
    struct Case
    {
        QString typed;
        bool before;
        bool after;
    };
    const Case cases[] = {
        {"Blue", false, true},   {"Nothing", true, false},      {"Default", false, false}, // left as it was
        {"Default", true, true}, {"../MainConfA", true, false},
    };
    for (const Case& k : cases) {
        // Each key is a change: the state before the last one is what counts.
        c.comboSkin->lineEdit()->clear();
        QTest::keyClicks(c.comboSkin->lineEdit(), k.typed.chopped(1));
        c.btnDeleteSkin->setEnabled(k.before);
        QTest::keyClicks(c.comboSkin->lineEdit(), k.typed.right(1));
        EXPECT_EQ(c.btnDeleteSkin->isEnabled(), k.after) << k.typed.toStdString();
    }
    EXPECT_EQ(c.colorUpBox->GetColor(), 0u); // typing loads nothing
}

TEST_F(BoxLookTest, DeleteRefusesProtectedAndOutsideNamesAndAsksFirst)
{
    look->Init(env.dataDir(), false);
    test::writeFile(env.dataDir() + "/MainConfA.ini", "[main]\n");
    for (const QString name : {"Default", "../MainConfA"}) {
        boxes.shown.clear();
        c.comboSkin->setEditText(name);
        look->OnBnClickedDeleteSkin();
        ASSERT_EQ(boxes.shown.size(), 1u) << name.toStdString();
        EXPECT_EQ(boxes.shown[0].text, QStringLiteral("无法删除这个皮肤!"));
    }
    EXPECT_TRUE(QFile::exists(env.dataDir() + "/MainConfA.ini"));
    EXPECT_TRUE(QFile::exists(skins + "Default.ini"));

    look->SetLook(SkinLook{1, 2, 3, 4, "a.ico", "b.ico"});
    c.comboSkin->setEditText("Blue");
    boxes.shown.clear();
    boxes.answer = platform::IDNO;
    look->OnBnClickedDeleteSkin();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("你要删除的皮肤: Blue?"));
    EXPECT_EQ(boxes.shown[0].type, platform::MB_YESNO);
    EXPECT_TRUE(QFile::exists(skins + "Blue.ini"));

    boxes.answer = platform::IDYES;
    c.btnDeleteSkin->setEnabled(true);
    look->OnBnClickedDeleteSkin();
    EXPECT_FALSE(QFile::exists(skins + "Blue.ini"));
    EXPECT_EQ(shown(), QStringLiteral("自定义"));
    EXPECT_FALSE(c.btnDeleteSkin->isEnabled());
    EXPECT_EQ(look->Look(), (SkinLook{1, 2, 3, 4, "a.ico", "b.ico"})); // the look stays
    look->OnCbnDropdownSkin();
    EXPECT_EQ(c.comboSkin->findText("Blue"), -1);
}

TEST_F(BoxLookTest, SavingAsksForTheNameAndWritesTheLook)
{
    look->Init(env.dataDir(), true);
    look->SetLook(SkinLook{10, 20, 30, 40, "pc.ico", "pc_GSC.ico"});
    dialog.show();
    bool asked = false;
    QTimer::singleShot(0, [&] {
        auto* name = qobject_cast<CSkinName*>(QApplication::activeModalWidget());
        ASSERT_TRUE(name);
        asked = true;
        name->findChild<QLineEdit*>("editName")->insert("Night/Shift");
        name->findChild<QPushButton*>("btnOK")->click();
    });
    look->OnBnClickedAddSkin();
    ASSERT_TRUE(asked);
    EXPECT_EQ(shown(), QStringLiteral("NightShift"));
    EXPECT_TRUE(c.btnDeleteSkin->isEnabled());
    CIniFile ini;
    ini.SetFileName(skins + "NightShift.ini");
    EXPECT_EQ(skins::ReadSkin(ini), (SkinLook{10, 20, 30, 40, "pc.ico", "pc_GSC.ico"}));

    // Cancel writes nothing.
    QTimer::singleShot(0, [&] { QApplication::activeModalWidget()->close(); });
    look->OnBnClickedAddSkin();
    EXPECT_EQ(skins::ListSkins(skins), QStringList({"Blue", "Default", "NightShift"}));
}

} // namespace
