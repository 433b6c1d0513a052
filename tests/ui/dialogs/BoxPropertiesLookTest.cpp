// The look in the box properties dialog: its picture buttons and preview
// tiles wired into the dialog.
#include "TestSupport.h"

#include "core/Skins.h"
#include "platform/Dialogs.h"
#include "ui/BoxPreview.h"
#include "ui/dialogs/BoxPropertiesDlg.h"
#include "ui/dialogs/ColorButton.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

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

class BoxPropertiesLook : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* folder : {"/Pictures", "/Skins"})
            QDir().mkpath(env.dataDir() + folder);
        QFile::copy(QStringLiteral(":/images/1274607096_Desktop.ico"), env.path() + "/desk.ico");
    }
    template <typename T> T* control(QWidget& dlg, const char* name)
    {
        T* found = dlg.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    PickerAnswers picker;
};

TEST_F(BoxPropertiesLook, PicturesChosenCopiedToGreyAndEmptiedShowInThePreview)
{
    platform::MessageReceiver receiver([](uint32_t, platform::WPARAM, platform::LPARAM) { return 0; });
    CBoxPropertiesDlg dlg(&receiver, nullptr);
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
    auto* combo = control<QComboBox>(dlg, "comboSkin");
    auto* up = control<CPreviewTile>(dlg, "previewUp");
    auto* down = control<CPreviewTile>(dlg, "previewDown");
    EXPECT_EQ(combo->currentText(), QStringLiteral("自定义"));
    const std::pair<const char*, const char*> tips[] = {
        {"btnUpIcon", "只保留一个最大尺寸的图标文件的图标。"},
        {"btnDownIcon", "只保留一个最大尺寸的图标文件的图标。"},
        {"btnEmptyUpIcon", "空图标"},
        {"btnEmptyDownIcon", "空图标"},
        {"btnGrayscaleIcon", "Copy grayscale Up(Open) Icon to Down(Close) Icon"},
    };
    for (const auto& [name, tip] : tips) {
        EXPECT_TRUE(control<QPushButton>(dlg, name)->isEnabled()) << name;
        EXPECT_EQ(control<QPushButton>(dlg, name)->toolTip(), QString::fromUtf8(tip)) << name;
    }
    EXPECT_EQ(up->Tile().name, QStringLiteral("Web server"));
    EXPECT_EQ(up->Tile().port, 8080u);

    combo->setEditText(QStringLiteral("Default"));
    control<QPushButton>(dlg, "btnUpIcon")->click(); // cancelled: nothing changes
    EXPECT_EQ(combo->currentText(), QStringLiteral("Default"));
    EXPECT_TRUE(up->Tile().icon.isNull());

    picker.answer = env.path() + "/desk.ico";
    control<QPushButton>(dlg, "btnUpIcon")->click();
    ASSERT_FALSE(up->Tile().icon.isNull());
    EXPECT_EQ(combo->currentText(), QStringLiteral("自定义"));
    test::saveDialogPicture(&dlg, QStringLiteral("BoxProperties-picture"));

    combo->setEditText(QStringLiteral("Blue"));
    control<QPushButton>(dlg, "btnGrayscaleIcon")->click();
    EXPECT_EQ(combo->currentText(), QStringLiteral("Blue")); // the combo is not changed
    ASSERT_FALSE(down->Tile().icon.isNull());
    const QRgb grey = down->Tile().icon.pixel(down->Tile().icon.width() / 2, down->Tile().icon.height() / 2);
    EXPECT_TRUE(qRed(grey) == qGreen(grey) && qGreen(grey) == qBlue(grey));
    EXPECT_TRUE(QFile::exists(env.dataDir() + "/Pictures/desk_GSC.ico"));
    test::saveDialogPicture(&dlg, QStringLiteral("BoxProperties-greyscale"));

    control<QPushButton>(dlg, "btnEmptyDownIcon")->click();
    EXPECT_TRUE(down->Tile().icon.isNull());
    EXPECT_EQ(combo->currentText(), QStringLiteral("自定义"));
    EXPECT_TRUE(QFile::exists(env.dataDir() + "/Pictures/desk_GSC.ico")); // files are never deleted
    test::saveDialogPicture(&dlg, QStringLiteral("BoxProperties-emptied"));

    control<QPushButton>(dlg, "btnOK")->click();
    EXPECT_EQ(dlg.OnLinePicFile, QStringLiteral("desk.ico"));
    EXPECT_EQ(dlg.m_strOnLinePicPath, env.dataDir() + "/Pictures/desk.ico");
    EXPECT_TRUE(dlg.OffLinePicFile.isEmpty());
}

} // namespace
