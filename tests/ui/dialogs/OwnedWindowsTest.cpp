// What a dialog opens stands above it in every z-order; its balloons take
// neither the focus nor a click nor the next field and go with it; its
// buttons wear the program's own pictures.
#include "DialogTestSupport.h"

#include "ui/DialogsAboveStrip.h"
#include "ui/dialogs/BalloonTip.h"
#include "ui/dialogs/BoxPropertiesDlg.h"
#include "ui/dialogs/DialogRun.h"
#include "ui/dialogs/ExecFile.h"
#include "ui/dialogs/FieldLimits.h"
#include "ui/dialogs/PropertiesDlg.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui/dialogs/QtMessageBox.h"
#include "ui/dialogs/SkinName.h"
#include "ui/dialogs/SpinEdit.h"
#include "ui/dialogs/UnsavedSettings.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

namespace {

TEST(OwnedWindows, StandAboveTheirOpenerInEveryZOrderAndShowTheirCaption)
{
    platform::QtMessageBoxService boxes;
    platform::QtDialogService pickers;
    platform::setMessageBoxService(&boxes);
    platform::setDialogService(&pickers);
    QColor colour;
    // The second box names no owner: the active window is its owner.
    const std::function<void(QWidget*)> openers[] = {
        [](QWidget* owner) { platform::AfxMessageBox(owner, QStringLiteral("名称丢失。")); },
        [](QWidget*) { platform::AfxMessageBox(QStringLiteral("OK"), platform::MB_YESNO); },
        [](QWidget* owner) { platform::dialogService().getOpenFileName(owner, QStringLiteral("*.wav")); },
        [&](QWidget* owner) { platform::dialogService().getColor(owner, Qt::red, colour); },
        [](QWidget* owner) { runSubDialog(new CSkinName(owner)); }, // freed with its owner
        // Raised just after a picker closed, when no window is active yet.
        [](QWidget* owner) {
            QLineEdit field(owner);
            field.setMaxLength(3);
            QApplication::setActiveWindow(nullptr);
            pickedPathFits(QStringLiteral("/long"), &field);
        },
        [](QWidget* owner) {
            QApplication::setActiveWindow(nullptr);
            warnUnsavedSettings(owner, QStringLiteral("MainConfA.ini"));
        }};
    // A title bar draws the caption in bold beside an icon and three buttons.
    QFont bold = QApplication::font();
    bold.setBold(true);
    for (const Qt::WindowFlags mode : {Qt::WindowStaysOnTopHint, Qt::WindowStaysOnBottomHint, Qt::Widget}) {
        QWidget strip(nullptr, Qt::Window | Qt::FramelessWindowHint | mode);
        DialogsAboveStrip rule(&strip);
        strip.show();
        for (const auto& open : openers) {
            QDialog owner;
            owner.show();
            owner.activateWindow();
            ASSERT_TRUE(test::waitFor([&] { return QApplication::activeWindow() == &owner; }));
            QDialog* opened = nullptr;
            QTimer::singleShot(0, &owner, [&] {
                ASSERT_TRUE(test::waitFor(
                    [&] { return (opened = qobject_cast<QDialog*>(QApplication::activeModalWidget())); }));
                SCOPED_TRACE(opened->metaObject()->className());
                EXPECT_EQ(opened->parentWidget(), &owner);
                EXPECT_EQ(opened->windowFlags() & (Qt::WindowStaysOnTopHint | Qt::WindowStaysOnBottomHint),
                          mode & Qt::WindowStaysOnTopHint);
                if (qobject_cast<QMessageBox*>(opened)) {
                    EXPECT_GE(opened->width(),
                              QFontMetrics(bold).horizontalAdvance(opened->windowTitle()) + 100);
                }
                opened->reject();
            });
            open(&owner);
            EXPECT_NE(opened, nullptr);
        }
    }
    platform::setDialogService(nullptr);
    platform::setMessageBoxService(nullptr);
}

TEST(OwnedWindows, BalloonsTakeNeitherFocusNorClicksNorTheNextFieldAndGoWithTheirDialog)
{
    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    platform::MessageReceiver receiver([](uint32_t, platform::WPARAM, platform::LPARAM) { return 0; });
    CPropertiesDlg options;
    CBoxPropertiesDlg box(&receiver, nullptr);
    CExecFile program;
    options.OnInitDialog();
    box.OnInitDialog();
    program.OnInitDialog();
    const std::pair<QDialog*, const char*> fields[] = {
        {&options, "spinWidth"}, {&options, "spinHeight"}, {&box, "spinSoundCount"}, {&program, "spinCount"}};
    for (const auto& [dialog, field] : fields) {
        SCOPED_TRACE(field);
        dialog->show();
        dialog->move(dialog->screen()->availableGeometry().center() - dialog->rect().center());
        auto* spin = dialog->findChild<CSpinEdit*>(QString::fromLatin1(field));
        ASSERT_NE(spin, nullptr);
        spin->edit()->selectAll();
        QTest::keyClicks(spin->edit(), QStringLiteral("350"));
        CBalloonTip* balloon = CBalloonTip::visibleFor(spin);
        ASSERT_NE(balloon, nullptr);
        EXPECT_TRUE(
            balloon->windowFlags().testFlags(Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus));
        EXPECT_TRUE(balloon->testAttribute(Qt::WA_ShowWithoutActivating));
        // Above its field, the fields that follow stay in sight.
        EXPECT_LT(balloon->frameGeometry().bottom(), spin->mapToGlobal(QPoint(0, 0)).y());
        dialog->hide();
        EXPECT_FALSE(balloon->isVisible()) << "the balloon outlived its dialog";
    }
}

TEST(OwnedWindows, OkCancelAndApplyWearTheProgramsOwnPictures)
{
    platform::MessageReceiver receiver([](uint32_t, platform::WPARAM, platform::LPARAM) { return 0; });
    CBoxPropertiesDlg box(&receiver, nullptr);
    CSkinName skinName;
    const std::tuple<QDialog*, const char*, int> cases[] = {
        {&box, "btnCancel", 207}, {&box, "btnApply", 208}, {&skinName, "btnCancel", 207}};
    for (const auto& [dialog, name, picture] : cases)
        EXPECT_EQ(test::control<QPushButton>(dialog, name)->icon().pixmap(16).toImage(),
                  QIcon(QStringLiteral(":/images/%1.png").arg(picture)).pixmap(16).toImage())
            << dialog->metaObject()->className() << " " << name;
}

} // namespace
