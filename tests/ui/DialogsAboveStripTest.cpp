// Every dialog window the program opens stands above the strip: it stays on
// top with a strip that stays on top, from its first showing on and when the
// strip is put on top while it is open; other kinds of window are left alone.
#include "TestSupport.h"

#include "ui/DialogsAboveStrip.h"

#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

constexpr Qt::WindowFlags kZOrder = Qt::WindowStaysOnTopHint | Qt::WindowStaysOnBottomHint;

// The z-order hints of the window as it is shown, in the widget and in its
// native window alike.
Qt::WindowFlags shownZOrder(QWidget& window)
{
    window.show();
    EXPECT_TRUE(test::waitFor([&] { return window.isVisible(); }));
    const Qt::WindowFlags flags = window.windowFlags() & kZOrder;
    EXPECT_EQ(window.windowHandle()->flags() & kZOrder, flags) << window.metaObject()->className();
    return flags;
}

TEST(DialogsAboveStrip, StayOnTopWithAStripOnTopAndOtherWindowsKeepTheirHints)
{
    const std::function<std::unique_ptr<QWidget>(QWidget * opener)> kinds[] = {
        [](QWidget*) { return std::make_unique<QDialog>(); },
        [](QWidget*) { return std::make_unique<QMessageBox>(); },
        [](QWidget* opener) { return std::make_unique<QDialog>(opener); },
        [](QWidget*) { return std::make_unique<QWidget>(nullptr, Qt::Tool | Qt::WindowStaysOnBottomHint); },
        [](QWidget*) { return std::make_unique<QMenu>(); },
    };
    for (const Qt::WindowFlags mode : {Qt::WindowStaysOnTopHint, Qt::Widget, Qt::WindowStaysOnBottomHint}) {
        QWidget strip(nullptr, Qt::Window | Qt::FramelessWindowHint | mode);
        DialogsAboveStrip rule(&strip);
        strip.show();
        QDialog opener;
        for (size_t k = 0; k < std::size(kinds); ++k) {
            SCOPED_TRACE(testing::Message() << "kind " << k << ", strip " << int(mode));
            const std::unique_ptr<QWidget> window = kinds[k](&opener);
            const Qt::WindowFlags own = window->windowFlags() & kZOrder;
            const bool dialog = window->windowType() == Qt::Dialog;
            EXPECT_EQ(shownZOrder(*window),
                      dialog && mode == Qt::WindowStaysOnTopHint ? Qt::WindowStaysOnTopHint : own);
        }
        EXPECT_EQ(strip.windowFlags() & kZOrder, mode) << "the strip's own hints changed";
    }
}

TEST(DialogsAboveStrip, AnOpenDialogStaysOnTopOnceTheStripDoes)
{
    QWidget strip(nullptr, Qt::Window | Qt::FramelessWindowHint);
    DialogsAboveStrip rule(&strip);
    strip.show();
    QDialog dialog;
    ASSERT_EQ(shownZOrder(dialog), Qt::WindowFlags());
    strip.setWindowFlag(Qt::WindowStaysOnTopHint);
    rule.followStrip();
    EXPECT_TRUE(dialog.isVisible()) << "the dialog was hidden to take the hint";
    EXPECT_EQ(shownZOrder(dialog), Qt::WindowStaysOnTopHint);
    // Off the top again, open or shown anew; a box on top of its own stays.
    QMessageBox box;
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    for (const Qt::WindowFlags mode : {Qt::WindowStaysOnBottomHint, Qt::WindowStaysOnTopHint, Qt::Widget}) {
        dialog.setVisible(mode != Qt::Widget);
        strip.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | mode);
        rule.followStrip();
        EXPECT_EQ(shownZOrder(dialog), mode & Qt::WindowStaysOnTopHint) << int(mode);
        EXPECT_EQ(shownZOrder(box), Qt::WindowStaysOnTopHint) << int(mode);
    }
}

} // namespace
