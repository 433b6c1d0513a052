// What a dialog opens: message boxes, pickers and sub-dialogs above it in
// every z-order, balloons that neither take the focus nor a click nor hide
// the next field and go with their dialog, and one set of button pictures.
#include "TestSupport.h"

#include "platform/QtDialogs.h"
#include "platform/QtMessageBox.h"
#include "ui/dialogs/BalloonTip.h"
#include "ui/dialogs/BoxPropertiesDlg.h"
#include "ui/dialogs/DialogRun.h"
#include "ui/dialogs/ExecFile.h"
#include "ui/dialogs/MsgBoxSettings.h"
#include "ui/dialogs/PropertiesDlg.h"
#include "ui/dialogs/SkinName.h"
#include "ui/dialogs/SpinEdit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// The visible dialog window other than `opener`, or none.
QDialog* openedBesides(const QWidget* opener)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget != opener)
            if (auto* dialog = qobject_cast<QDialog*>(widget))
                return dialog;
    return nullptr;
}

TEST(OwnedWindows, StandAboveTheirOpenerInEveryZOrder)
{
    platform::QtMessageBoxService boxes;
    platform::QtDialogService pickers;
    platform::setMessageBoxService(&boxes);
    platform::setDialogService(&pickers);
    const struct
    {
        const char* what;
        std::function<void(QWidget*)> open;
    } openers[] = {
        {"message box", [](QWidget* owner) { platform::AfxMessageBox(owner, QStringLiteral("名称丢失。")); }},
        {"question",
         [](QWidget* owner) { platform::AfxMessageBox(owner, QStringLiteral("删除?"), platform::MB_YESNO); }},
        {"box of the active window",
         [](QWidget*) { platform::AfxMessageBox(QStringLiteral("Enter a positive integer.")); }},
        {"file picker",
         [](QWidget* owner) { platform::dialogService().getOpenFileName(owner, QStringLiteral("*.wav")); }},
        {"colour picker",
         [](QWidget* owner) {
             QColor chosen;
             platform::dialogService().getColor(owner, Qt::red, chosen);
         }},
        {"skin name", [](QWidget* owner) {
             CSkinName dlg(owner);
             runSubDialog(&dlg);
         }}};
    const struct
    {
        Qt::WindowFlags mode;
        bool onTop;
    } modes[] = {{Qt::WindowStaysOnTopHint, true}, {{}, false}, {Qt::WindowStaysOnBottomHint, false}};
    for (const auto& mode : modes) {
        for (const auto& opener : openers) {
            SCOPED_TRACE(std::string(opener.what) + (mode.onTop ? " on top" : " not on top"));
            QDialog owner(nullptr, Qt::Dialog | mode.mode);
            owner.show();
            owner.activateWindow();
            ASSERT_TRUE(test::waitFor([&] { return QApplication::activeWindow() == &owner; }));
            bool seen = false;
            QTimer::singleShot(0, &owner, [&] {
                QDialog* opened = nullptr;
                if (!test::waitFor([&] { return (opened = openedBesides(&owner)) != nullptr; }, 3000))
                    return;
                seen = true;
                EXPECT_EQ(opened->parentWidget(), &owner) << "not the opener's own window";
                EXPECT_EQ(opened->windowFlags().testFlag(Qt::WindowStaysOnTopHint), mode.onTop);
                EXPECT_FALSE(opened->windowFlags().testFlag(Qt::WindowStaysOnBottomHint));
                opened->reject();
            });
            opener.open(&owner);
            EXPECT_TRUE(seen) << "nothing opened";
        }
    }
    platform::setDialogService(nullptr);
    platform::setMessageBoxService(nullptr);
}

TEST(OwnedWindows, ShortMessageBoxesShowTheirWholeCaption)
{
    platform::QtMessageBoxService boxes;
    // A title bar draws its caption in bold beside the window icon and three
    // buttons: at least 100 pixels besides the caption.
    QFont bold = QApplication::font();
    bold.setBold(true);
    const struct
    {
        const char* text;
        const char* caption;
    } cases[] = {{"名称丢失。", "Korvalen"}, {"OK", "Korvalen"}, {"IP地址丢失。", "Korvalen Notify"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int width = 0;
        QTimer::singleShot(0, [&] {
            QMessageBox* box = nullptr;
            ASSERT_TRUE(test::waitFor([&] {
                for (QWidget* widget : QApplication::topLevelWidgets())
                    if (auto* shown = qobject_cast<QMessageBox*>(widget); shown && shown->isVisible())
                        box = shown;
                return box != nullptr;
            }));
            width = box->width();
            test::saveDialogPicture(box, QStringLiteral("message-box-short"));
            box->reject();
        });
        boxes.show(QString::fromUtf8(c.text), QString::fromUtf8(c.caption), platform::MB_OK);
        EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(QString::fromUtf8(c.caption)) + 100);
    }
}

// The field a user goes to after `anchor`: the next one in the tab order.
QWidget* nextField(QWidget* anchor)
{
    QWidget* next = anchor->nextInFocusChain();
    while (next != anchor &&
           (anchor->isAncestorOf(next) || !next->isVisible() || next->focusPolicy() == Qt::NoFocus))
        next = next->nextInFocusChain();
    return next;
}

TEST(Balloons, TakeNeitherFocusNorClicksNorTheNextFieldAndGoWithTheirDialog)
{
    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    platform::MessageReceiver receiver([](uint32_t, platform::WPARAM, platform::LPARAM) { return 0; });
    const struct
    {
        const char* field;
        const char* typed;
        std::function<std::unique_ptr<QDialog>()> make;
    } cases[] = {
        {"spinWidth", "350",
         [] {
             auto dlg = std::make_unique<CPropertiesDlg>();
             dlg->OnInitDialog();
             return dlg;
         }},
        {"spinHeight", "250",
         [] {
             auto dlg = std::make_unique<CPropertiesDlg>();
             dlg->OnInitDialog();
             return dlg;
         }},
        {"spinSoundCount", "10",
         [&] {
             auto dlg = std::make_unique<CBoxPropertiesDlg>(&receiver, nullptr);
             dlg->OnInitDialog();
             return dlg;
         }},
        {"spinMsgBoxCount", "10",
         [&] {
             auto dlg = std::make_unique<CBoxPropertiesDlg>(&receiver, nullptr);
             dlg->OnInitDialog();
             return dlg;
         }},
        {"spinCount", "5",
         [] {
             auto dlg = std::make_unique<CExecFile>();
             dlg->OnInitDialog();
             return dlg;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        std::unique_ptr<QDialog> dialog = c.make();
        dialog->show();
        dialog->move(dialog->screen()->availableGeometry().center() - dialog->rect().center());
        dialog->activateWindow();
        auto* spin = dialog->findChild<CSpinEdit*>(QString::fromLatin1(c.field));
        ASSERT_NE(spin, nullptr);
        const auto typingInField = [spin] {
            return QApplication::focusWidget() == spin || QApplication::focusWidget() == spin->edit();
        };
        spin->setFocus();
        ASSERT_TRUE(test::waitFor(typingInField, 3000));
        spin->edit()->selectAll();
        QTest::keyClicks(spin->edit(), QString::fromLatin1(c.typed));
        CBalloonTip* balloon = CBalloonTip::visibleFor(spin);
        ASSERT_NE(balloon, nullptr);
        EXPECT_TRUE(balloon->windowFlags().testFlag(Qt::WindowTransparentForInput));
        EXPECT_TRUE(balloon->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        EXPECT_TRUE(balloon->testAttribute(Qt::WA_ShowWithoutActivating));
        QApplication::processEvents();
        EXPECT_TRUE(typingInField());
        QWidget* next = nextField(spin);
        const QRect nextOnScreen(next->mapToGlobal(QPoint(0, 0)), next->size());
        EXPECT_FALSE(balloon->frameGeometry().intersects(nextOnScreen))
            << next->objectName().toStdString() << " is under the balloon";
        // The balloon is a window of its own: drawn over the dialog's picture.
        QPixmap picture = dialog->grab();
        QPainter(&picture).drawPixmap(balloon->pos() - dialog->mapToGlobal(QPoint(0, 0)), balloon->grab());
        QLabel shown;
        shown.setPixmap(picture);
        shown.resize(picture.size());
        test::saveDialogPicture(&shown, QStringLiteral("balloon-%1").arg(QLatin1String(c.field)));
        dialog->hide();
        EXPECT_FALSE(balloon->isVisible()) << "the balloon outlived its dialog";
    }
}

TEST(DialogButtons, OkCancelAndApplyWearTheProgramsOwnPictures)
{
    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    platform::MessageReceiver receiver([](uint32_t, platform::WPARAM, platform::LPARAM) { return 0; });
    CBoxPropertiesDlg box(&receiver, nullptr);
    box.OnInitDialog();
    CPropertiesDlg options;
    options.OnInitDialog();
    CSkinName skinName;
    CExecFile program;
    program.OnInitDialog();
    CMsgBoxSettings message;
    message.OnInitDialog();
    const struct
    {
        const QDialog* dialog;
        const char* button;
        int picture;
    } cases[] = {
        {&box, "btnOK", 206},
        {&box, "btnCancel", 207},
        {&box, "btnApply", 208},
        {&options, "buttonOK", 206},
        {&options, "buttonCancel", 207},
        {&options, "buttonApply", 208},
        {&skinName, "btnOK", 206},
        {&skinName, "btnCancel", 207},
        {&program, "buttonOK", 206},
        {&program, "buttonCancel", 207},
        {&message, "buttonOK", 206},
        {&message, "buttonCancel", 207},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dialog->metaObject()->className() + std::string(" ") + c.button);
        const auto* button = c.dialog->findChild<QPushButton*>(QString::fromLatin1(c.button));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->iconSize(), QSize(16, 16));
        EXPECT_EQ(button->icon().pixmap(16).toImage(),
                  QIcon(QStringLiteral(":/images/%1.png").arg(c.picture)).pixmap(16).toImage());
    }
}

} // namespace
