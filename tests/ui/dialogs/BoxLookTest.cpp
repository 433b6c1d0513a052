// The look in the box properties dialog: skins, picture buttons and the
// preview tiles, driven through the dialog's controls.
#include "TestSupport.h"

#include "core/IniFile.h"
#include "core/Skins.h"
#include "platform/desktop/Dialogs.h"
#include "ui/BoxIcons.h"
#include "ui/BoxPreview.h"
#include "ui/dialogs/BoxLook.h"
#include "ui/dialogs/BoxPropertiesDlg.h"
#include "ui/dialogs/ColorButton.h"
#include "ui/dialogs/SkinCombo.h"
#include "ui/dialogs/SkinName.h"
#include "ui/dialogs/UnsavedSettings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class PickerAnswers : public platform::DialogService
{
public:
    PickerAnswers() { platform::setDialogService(this); }
    ~PickerAnswers() override { platform::setDialogService(nullptr); }
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return QString(); }
    QString getOpenFileName(QWidget*, const QString&) override { return answer; }
    bool getColor(QWidget*, const QColor&, QColor&) override { return false; }
    QString answer;
};

class BoxLook : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir().mkpath(pictures);
        QDir().mkpath(skins);
        QFile::copy(QStringLiteral(":/images/1274607096_Desktop.ico"), env.path() + "/desk.ico");
        QFile::copy(QStringLiteral(":/images/1274607096_Desktop.ico"), pictures + "pc.ico");
        test::writeFile(skins + "Blue.ini",
                        "[skin]\nOnLinePicFile=pc.ico\nOnLineBoxColor=16711680\nOffLineTextColor=255\n");
        test::writeFile(skins + "Default.ini", "[skin]\nOnLineBoxColor=1\n");
        dlg.Text = QStringLiteral("Web server");
        dlg.IPAdress = QStringLiteral("192.168.1.20");
        dlg.VerifyMetod = METHOD_TCP;
        dlg.Port = 8080;
        const SkinLook look; // the built-in default colours
        dlg.m_OnLineBoxColor->SetColor(look.OnLineBoxColor);
        dlg.m_OffLineBoxColor->SetColor(look.OffLineBoxColor);
        dlg.m_OnLineTextColor->SetColor(look.OnLineTextColor);
        dlg.m_OffLineTextColor->SetColor(look.OffLineTextColor);
        dlg.OnInitDialog();
        dlg.show();
    }
    template <typename T> T* control(const char* name)
    {
        return dlg.findChild<T*>(QString::fromLatin1(name));
    }
    QPushButton* button(const char* name) { return control<QPushButton>(name); }
    QString shown() { return combo->currentText(); }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes boxes;
    PickerAnswers picker;
    QString pictures = env.dataDir() + "/Pictures/";
    QString skins = env.dataDir() + "/Skins/";
    platform::MessageReceiver receiver{[](uint32_t, platform::WPARAM, platform::LPARAM) { return 0; }};
    CBoxPropertiesDlg dlg{&receiver, nullptr};
    CSkinCombo* combo = control<CSkinCombo>("comboSkin");
    CPreviewTile* up = control<CPreviewTile>("previewUp");
    CPreviewTile* down = control<CPreviewTile>("previewDown");
};

TEST_F(BoxLook, PicturesChosenCopiedToGreyAndEmptiedShowInThePreview)
{
    const std::pair<const char*, const char*> tips[] = {
        {"btnUpIcon", "只保留一个最大尺寸的图标文件的图标。"},
        {"btnDownIcon", "只保留一个最大尺寸的图标文件的图标。"},
        {"btnEmptyUpIcon", "空图标"},
        {"btnEmptyDownIcon", "空图标"},
        {"btnGrayscaleIcon", "Copy grayscale Up(Open) Icon to Down(Close) Icon"},
    };
    for (const auto& [name, tip] : tips) {
        EXPECT_TRUE(button(name)->isEnabled()) << name;
        EXPECT_EQ(button(name)->toolTip(), QString::fromUtf8(tip)) << name;
    }
    EXPECT_EQ(up->Tile().name, QStringLiteral("Web server"));
    EXPECT_EQ(up->Tile().port, 8080u);

    combo->setEditText(QStringLiteral("Default"));
    button("btnUpIcon")->click(); // cancelled: nothing changes, the combo neither
    EXPECT_EQ(shown(), QStringLiteral("Default"));
    EXPECT_TRUE(up->Tile().icon.isNull());

    picker.answer = env.path() + "/desk.ico";
    button("btnUpIcon")->click();
    ASSERT_FALSE(up->Tile().icon.isNull());
    EXPECT_EQ(shown(), QStringLiteral("自定义"));
    test::saveDialogPicture(&dlg, QStringLiteral("BoxProperties-picture"));

    combo->setEditText(QStringLiteral("Blue"));
    button("btnGrayscaleIcon")->click();
    EXPECT_EQ(shown(), QStringLiteral("Blue")); // the combo is not changed
    ASSERT_FALSE(down->Tile().icon.isNull());
    const QImage& grey = down->Tile().icon;
    const QRgb middle = grey.pixel(grey.width() / 2, grey.height() / 2);
    EXPECT_TRUE(qRed(middle) == qGreen(middle) && qGreen(middle) == qBlue(middle));
    test::saveDialogPicture(&dlg, QStringLiteral("BoxProperties-greyscale"));

    button("btnEmptyDownIcon")->click();
    EXPECT_TRUE(down->Tile().icon.isNull());
    EXPECT_EQ(shown(), QStringLiteral("自定义"));
    EXPECT_TRUE(QFile::exists(pictures + "desk_GSC.ico")); // files are never deleted
    test::saveDialogPicture(&dlg, QStringLiteral("BoxProperties-emptied"));

    button("btnOK")->click();
    EXPECT_EQ(dlg.OnLinePicFile, QStringLiteral("desk.ico"));
    EXPECT_EQ(dlg.m_strOnLinePicPath, pictures + "desk.ico");
    EXPECT_TRUE(dlg.OffLinePicFile.isEmpty());
}

TEST_F(BoxLook, ListIsReadAtEachDropDownAndSelectingLoadsTheSkin)
{
    EXPECT_EQ(combo->count(), 0); // not at initialisation
    combo->setEditText(QStringLiteral("自定义"));
    test::writeFile(skins + "alpha.INI", "[skin]\n");
    test::writeFile(skins + "notes.txt", "[skin]\n");
    dlg.Look()->OnCbnDropdownSkin();
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("alpha")); // sorted, any letter case of ".ini"
    EXPECT_EQ(shown(), QStringLiteral("自定义"));           // the edit part keeps its text

    dlg.Look()->OnCbnSelchangeSkin(combo->findText("Blue"));
    EXPECT_EQ(dlg.m_OnLineBoxColor->GetColor(), 16711680u);
    EXPECT_EQ(dlg.m_OffLineBoxColor->GetColor(), 7960953u); // missing keys: the defaults
    EXPECT_EQ(dlg.m_OffLineTextColor->GetColor(), 255u);
    EXPECT_FALSE(up->Tile().icon.isNull());
    EXPECT_TRUE(down->Tile().icon.isNull());
    EXPECT_TRUE(button("btnDeleteSkin")->isEnabled());

    dlg.Look()->OnCbnSelchangeSkin(combo->findText("Default"));
    EXPECT_EQ(dlg.m_OnLineBoxColor->GetColor(), 1u);
    EXPECT_FALSE(button("btnDeleteSkin")->isEnabled());
    EXPECT_TRUE(up->Tile().icon.isNull());
}

TEST_F(BoxLook, PictureNamesOfASkinReachNothingOutsideThePicturesFolder)
{
    QFile::copy(QStringLiteral(":/images/1274607096_Desktop.ico"), env.dataDir() + "/out.ico");
    test::writeFile(skins + "Escape.ini", "[skin]\nOnLinePicFile=../out.ico\nOffLinePicFile=pc.ico\n");
    dlg.Look()->OnCbnDropdownSkin();
    dlg.Look()->OnCbnSelchangeSkin(combo->findText("Escape"));
    EXPECT_TRUE(up->Tile().icon.isNull());
    EXPECT_FALSE(down->Tile().icon.isNull()); // a plain name still reads
}

TEST_F(BoxLook, TypingSwitchesDeleteByWhatExistsInTheSkinsFolderOnly)
{
    test::writeFile(env.dataDir() + "/MainConfA.ini", "[main]\n");
    struct Case
    {
        QString typed;
        bool before;
        bool after;
    };
    const Case cases[] = {
        {"Blue", false, true},
        {"Default", false, false}, // left as it was
        {"../MainConfA", true, false},
    };
    for (const Case& k : cases) {
        // Each key is a change: the state before the last one is what counts.
        combo->lineEdit()->clear();
        QTest::keyClicks(combo->lineEdit(), k.typed.chopped(1));
        button("btnDeleteSkin")->setEnabled(k.before);
        QTest::keyClicks(combo->lineEdit(), k.typed.right(1));
        EXPECT_EQ(button("btnDeleteSkin")->isEnabled(), k.after) << k.typed.toStdString();
    }
}

TEST_F(BoxLook, DeleteRefusesProtectedAndOutsideNamesAndAsksFirst)
{
    test::writeFile(env.dataDir() + "/MainConfA.ini", "[main]\n");
    for (const QString name : {"Default", "../MainConfA"}) {
        boxes.shown.clear();
        combo->setEditText(name);
        dlg.Look()->OnBnClickedDeleteSkin();
        ASSERT_EQ(boxes.shown.size(), 1u) << name.toStdString();
        EXPECT_EQ(boxes.shown[0].text, QStringLiteral("无法删除这个皮肤!"));
    }
    EXPECT_TRUE(QFile::exists(env.dataDir() + "/MainConfA.ini"));

    const SkinLook look = dlg.Look()->Look();
    combo->setEditText("Blue");
    boxes.shown.clear();
    boxes.answer = platform::IDNO;
    dlg.Look()->OnBnClickedDeleteSkin();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("你要删除的皮肤: Blue?"));
    EXPECT_EQ(boxes.shown[0].type, platform::MB_YESNO);
    EXPECT_TRUE(QFile::exists(skins + "Blue.ini"));

    boxes.answer = platform::IDYES;
    dlg.Look()->OnBnClickedDeleteSkin();
    EXPECT_FALSE(QFile::exists(skins + "Blue.ini"));
    EXPECT_EQ(shown(), QStringLiteral("自定义"));
    EXPECT_FALSE(button("btnDeleteSkin")->isEnabled());
    EXPECT_EQ(dlg.Look()->Look(), look); // the dialog keeps its look
}

TEST_F(BoxLook, SavingAsksForTheNameAndWritesTheLook)
{
    dlg.Look()->SetLook(SkinLook{10, 20, 30, 40, "pc.ico", "pc_GSC.ico"});
    QTimer::singleShot(0, [&] {
        auto* name = qobject_cast<CSkinName*>(QApplication::activeModalWidget());
        ASSERT_TRUE(name);
        name->findChild<QLineEdit*>("editName")->insert("Night/Shift");
        test::saveDialogPicture(name, QStringLiteral("SkinName"));
        name->findChild<QPushButton*>("btnOK")->click();
    });
    button("btnAddSkin")->click();
    EXPECT_EQ(shown(), QStringLiteral("NightShift"));
    EXPECT_TRUE(button("btnDeleteSkin")->isEnabled());
    CIniFile ini;
    ini.SetFileName(skins + "NightShift.ini");
    EXPECT_EQ(skins::ReadSkin(ini), (SkinLook{10, 20, 30, 40, "pc.ico", "pc_GSC.ico"}));

    QTimer::singleShot(0, [&] { QApplication::activeModalWidget()->close(); }); // Cancel writes nothing
    button("btnAddSkin")->click();
    EXPECT_EQ(skins::ListSkins(skins), QStringList({"Blue", "Default", "NightShift"}));
}

// On a full disk the greyscale copy and a saved skin each say they could not
// be written: no empty file is left for the box to wear, and the skin is not
// shown as saved.
TEST_F(BoxLook, OnAFullDiskEachPictureOrSkinWriteSaysItFailedAndLeavesNoFile)
{
    picker.answer = pictures + "pc.ico"; // already in the pictures folder
    button("btnUpIcon")->click();
    const std::pair<const char*, QString> cases[] = {{"btnGrayscaleIcon", pictures + "pc_GSC.ico"},
                                                     {"btnAddSkin", skins + "Night.ini"}};
    for (const auto& [name, file] : cases) {
        boxes.shown.clear();
        QTimer::singleShot(0, [] {
            if (auto* skin = qobject_cast<CSkinName*>(QApplication::activeModalWidget())) {
                skin->findChild<QLineEdit*>("editName")->insert("Night");
                skin->findChild<QPushButton*>("btnOK")->click();
            }
        });
        {
            test::FullDisk full(0);
            button(name)->click();
        }
        ASSERT_EQ(boxes.shown.size(), 1u) << name;
        EXPECT_FALSE(QFileInfo::exists(file)) << name;
        EXPECT_TRUE(down->Tile().icon.isNull()) << name;
        EXPECT_EQ(shown(), QStringLiteral("自定义")) << name;
    }
    EXPECT_EQ(boxes.shown[0].text, unsavedSettingsText(skins + "Night.ini")); // the skin's warning
}

} // namespace
