// Every dialog window the program opens stands above the strip: it stays on
// top with a strip that stays on top, from its first showing on and when the
// strip is put on top while it is open, and leaves the top with the strip
// however it was opened; other kinds of window are left alone.
#include "TestSupport.h"

#include "platform/desktop/Messages.h"
#include "ui/DialogsAboveStrip.h"
#include "ui/dialogs/BoxPropertiesDlg.h"
#include "ui/dialogs/DialogRun.h"
#include "ui/dialogs/PropertiesDlg.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui/dialogs/QtMessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

namespace {

constexpr Qt::WindowFlags kZOrder = Qt::WindowStaysOnTopHint | Qt::WindowStaysOnBottomHint;

// The z-order hints of the window, in the widget and in its native window
// alike.
Qt::WindowFlags zOrder(const QWidget& window)
{
    const Qt::WindowFlags flags = window.windowFlags() & kZOrder;
    EXPECT_EQ(window.windowHandle()->flags() & kZOrder, flags) << window.metaObject()->className();
    return flags;
}

Qt::WindowFlags shownZOrder(QWidget& window)
{
    window.show();
    EXPECT_TRUE(test::waitFor([&] { return window.isVisible(); }));
    return zOrder(window);
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

TEST(DialogsAboveStrip, AnOpenWindowFollowsTheStripWhicheverWayItWasOpened)
{
    test::ScopedEnvironment env;
    QWidget strip(nullptr, Qt::Window | Qt::FramelessWindowHint);
    DialogsAboveStrip rule(&strip);
    strip.show();
    const auto setStrip = [&](Qt::WindowFlags mode) {
        strip.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | mode);
        strip.show();
        rule.followStrip();
    };
    QDialog opener; // a dialog the strip opened, which opens boxes and pickers
    opener.show();
    platform::QtMessageBoxService boxes;
    platform::QtDialogService pickers;
    platform::MessageReceiver receiver([](uint32_t, platform::WPARAM, platform::LPARAM) { return 0; });
    QDialog dialog; // the settings dialogs are made once and opened again
    CPropertiesDlg options;
    CBoxPropertiesDlg box(&receiver, &strip);
    // Each opens a window and returns once it is closed; the last, a box no
    // window owns, stays on top of its own.
    const std::function<void()> opens[] = {
        [&] { runDialog(&dialog); },
        [&] { options.DoModal(&strip); },
        [&] {
            box.OnInitDialog();
            runDialog(&box);
        },
        [&] { boxes.showOwned(&opener, QStringLiteral("B"), QStringLiteral("Korvalen"), platform::MB_OK); },
        [&] { pickers.getOpenFileName(&opener, QStringLiteral("*.wav")); },
        [&] { boxes.showOwned(nullptr, QStringLiteral("B"), QStringLiteral("Korvalen"), platform::MB_OK); },
    };
    // Where the strip stands as the window opens and while it is open: it
    // leaves the top, goes on top, and leaves it while the window is closed.
    const std::pair<Qt::WindowFlags, Qt::WindowFlags> moves[] = {
        {Qt::WindowStaysOnTopHint, Qt::WindowStaysOnBottomHint},
        {Qt::WindowStaysOnBottomHint, Qt::WindowStaysOnTopHint},
        {Qt::Widget, Qt::Widget}};
    for (size_t k = 0; k < std::size(opens); ++k)
        for (const auto& [atOpen, whileOpen] : moves) {
            SCOPED_TRACE(testing::Message()
                         << "way " << k << ", strip " << int(atOpen) << " then " << int(whileOpen));
            const Qt::WindowFlags own = k + 1 == std::size(opens) ? Qt::WindowStaysOnTopHint : Qt::Widget;
            setStrip(atOpen);
            QDialog* opened = nullptr;
            QTimer::singleShot(0, &strip, [&] {
                ASSERT_TRUE(test::waitFor([&] {
                    for (QWidget* window : QApplication::topLevelWidgets())
                        if (window != &opener && window->isVisible() && qobject_cast<QDialog*>(window))
                            opened = static_cast<QDialog*>(window);
                    return opened != nullptr;
                }));
                EXPECT_EQ(zOrder(*opened), own | (atOpen & Qt::WindowStaysOnTopHint));
                setStrip(whileOpen);
                EXPECT_TRUE(opened->isVisible()) << "the window was hidden to take the hint";
                EXPECT_EQ(zOrder(*opened), own | (whileOpen & Qt::WindowStaysOnTopHint));
                opened->reject();
            });
            opens[k]();
            EXPECT_NE(opened, nullptr);
        }
}

} // namespace
