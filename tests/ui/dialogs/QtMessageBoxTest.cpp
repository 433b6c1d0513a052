#include "ui/dialogs/QtMessageBox.h"

#include "TestSupport.h"

#include <QApplication>
#include <QMessageBox>

#include <gtest/gtest.h>

namespace {

TEST(QtMessageBox, PostedTextIsShownAsPlainText)
{
    platform::QtMessageBoxService service;
    const QString text = QStringLiteral("Name: <b>PC</b>\nStatus: Up");
    service.post(text, QStringLiteral("Korvalen"), platform::MB_ICONINFORMATION | platform::MB_TOPMOST);
    QMessageBox* shown = nullptr;
    ASSERT_TRUE(test::waitFor([&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget);
                box && box->isVisible() && box->text() == text)
                shown = box;
        return shown != nullptr;
    }));
    EXPECT_EQ(shown->textFormat(), Qt::PlainText);
    shown->close();
}

TEST(QtMessageBox, APostedBoxNoVisibleWindowOwnsStaysOnTopInEveryZOrder)
{
    // A desktop's failed open reported from a worker names no owner, another
    // box a window hidden meanwhile; the strip of this or of another instance
    // may stay on top, and the box must not open under it.
    platform::QtMessageBoxService service;
    QWidget hidden;
    for (const Qt::WindowFlags mode : {Qt::WindowStaysOnTopHint, Qt::WindowStaysOnBottomHint, Qt::Widget}) {
        QWidget strip(nullptr, Qt::Tool | Qt::FramelessWindowHint | mode);
        strip.show();
        const QString text = QStringLiteral("Korvalen could not open the log folder (%1)").arg(int(mode));
        service.postOwned(mode == Qt::Widget ? &hidden : nullptr, text, QStringLiteral("Korvalen"),
                          platform::MB_OK | platform::MB_ICONWARNING);
        QMessageBox* shown = nullptr;
        ASSERT_TRUE(test::waitFor([&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->text() == text)
                    shown = box;
            return shown != nullptr;
        }));
        EXPECT_TRUE(shown->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << int(mode);
        EXPECT_EQ(shown->parentWidget(), nullptr);
        shown->close();
    }
}

} // namespace
