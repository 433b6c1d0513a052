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

} // namespace
