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

// A dialog open while the strip's z-order changes, or shown again after it
// (About and the network message are made once), follows the strip; a box
// that stays on top of its own keeps its hint.
TEST(DialogsAboveStrip, OpenAndReopenedDialogsFollowTheStripsZOrder)
{
    const Qt::WindowFlags top = Qt::WindowStaysOnTopHint;
    const struct
    {
        Qt::WindowFlags from, to;
        bool reopened;
    } cases[] = {
        {{}, top, false}, {top, {}, false}, {top, Qt::WindowStaysOnBottomHint, false},
        {top, {}, true},  {{}, top, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << int(c.from) << " to " << int(c.to) << (c.reopened ? " reopened" : ""));
        QWidget strip(nullptr, Qt::Window | Qt::FramelessWindowHint | c.from);
        DialogsAboveStrip rule(&strip);
        strip.show();
        QDialog dialog;
        QMessageBox box;
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        ASSERT_EQ(shownZOrder(dialog), c.from & top);
        ASSERT_EQ(shownZOrder(box), top);
        if (c.reopened)
            dialog.hide();
        strip.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | c.to);
        rule.followStrip();
        EXPECT_EQ(dialog.isVisible(), !c.reopened) << "the dialog was hidden to take the hint";
        EXPECT_EQ(shownZOrder(dialog), c.to & top);
        EXPECT_EQ(shownZOrder(box), top);
    }
}

} // namespace
