#include "platform/QtMessageBox.h"

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

TEST(QtMessageBox, APostedBoxWithNoOwnerStaysOnTopWhileTheProgramDoes)
{
    // A desktop's failed open reported from a worker names no owner; with the
    // strip kept on top it would otherwise open under the strip.
    platform::QtMessageBoxService service;
    for (const Qt::WindowFlags mode : {Qt::WindowStaysOnTopHint, Qt::WindowStaysOnBottomHint, Qt::Widget}) {
        QWidget strip(nullptr, Qt::Tool | Qt::FramelessWindowHint | mode);
        strip.show();
        const QString text = QStringLiteral("Korvalen could not open the log folder (%1)").arg(int(mode));
        service.post(text, QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONWARNING);
        QMessageBox* shown = nullptr;
        ASSERT_TRUE(test::waitFor([&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->text() == text)
                    shown = box;
            return shown != nullptr;
        }));
        EXPECT_EQ(shown->windowFlags().testFlag(Qt::WindowStaysOnTopHint), mode == Qt::WindowStaysOnTopHint)
            << int(mode);
        shown->close();
    }
}

} // namespace
