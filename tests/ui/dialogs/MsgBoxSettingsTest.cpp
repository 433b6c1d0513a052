// The message-box settings of a box.
#include "ui/dialogs/MsgBoxSettings.h"

#include "TestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

TEST(MsgBoxSettings, TestShowsTheSampleOnTopAndOkHandsTheTextBack)
{
    const struct
    {
        const char* description;
        const char* shown;
    } cases[] = {
        {"Router is gone", "Router is gone"},                        // no placeholders: unchanged
        {"%name went %status (%1)", "Main router went STATUS (%1)"}, // the box name as it is
        {"", ""},
    };
    test::RecordingMessageBoxes boxes;
    for (const auto& c : cases) {
        CMsgBoxSettings dialog;
        dialog.m_strBoxName = QStringLiteral("Main router");
        dialog.m_strDescription = QStringLiteral("old");
        dialog.OnInitDialog();
        dialog.show();
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("editDescription"));
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), QStringLiteral("old"));
        edit->setText(QString::fromUtf8(c.description));
        if (!*c.description)
            test::saveDialogPicture(&dialog, QStringLiteral("MsgBoxSettings"));
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("buttonTest")), Qt::LeftButton);
        ASSERT_EQ(boxes.shown.size(), 1u);
        const auto& shown = boxes.shown.front();
        EXPECT_EQ(shown.type, 0x41040u); // information, system-modal, top-most
        EXPECT_TRUE(shown.waited);
        const QRegularExpression form(QStringLiteral(
            "^Description: (.*)\nDate: \\d\\d/\\d\\d/\\d\\d\nTime: \\d\\d:\\d\\d:\\d\\d\n"
            "Name: Main router\nMethod: Ping\\(TCP,URL\\)\nIP: \\.\\.\\.\nStatus: Up\\(Down\\.\\.\\.\\)$"));
        const auto match = form.match(shown.text);
        ASSERT_TRUE(match.hasMatch()) << shown.text.toStdString();
        EXPECT_EQ(match.captured(1), QString::fromUtf8(c.shown));
        boxes.shown.clear();
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("buttonOK")), Qt::LeftButton);
        EXPECT_EQ(dialog.m_strDescription, QString::fromUtf8(c.description));
    }
}
