#include "TestSupport.h"

#include "ui/dialogs/SkinName.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(SkinNameDlg, TypingCleansTheNameAndOkFollowsIt)
{
    CSkinName dlg;
    dlg.show();
    auto* edit = dlg.findChild<QLineEdit*>(QStringLiteral("editName"));
    auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("btnOK"));
    ASSERT_TRUE(edit && ok);
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("添加皮肤"));

    struct Case
    {
        QString typed;
        QString shown;
        bool okEnabled;
    };
    const Case cases[] = {
        {"ab/c:d", "abcd", true},
        {" ", "", false},
        {"  ", "  ", true},
        {"?*|", "", false},
        {"自定义", "自定义", false},
        {"Dark", "Dark", true},
        {"..hidden", "hidden", true},
        {"/.x.y", "x.y", true},
        {". ", "", false}, // no hidden skin file
    };
    for (const Case& c : cases) {
        edit->clear();
        edit->insert(c.typed);
        EXPECT_EQ(edit->text(), c.shown) << c.typed.toStdString();
        EXPECT_EQ(ok->isEnabled(), c.okEnabled) << c.typed.toStdString();
        EXPECT_EQ(edit->cursorPosition(), c.shown.size());
    }

    // Typed key by key, a forbidden character never shows.
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("a/b"));
    EXPECT_EQ(edit->text(), QStringLiteral("ab"));

    // A name longer than the field is cut where the field ends.
    edit->clear();
    edit->insert(QString(300, QLatin1Char('W')));
    EXPECT_GT(edit->text().size(), 3);
    EXPECT_LT(edit->text().size(), 300);
    EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()), edit->width());

    edit->clear();
    edit->insert(QStringLiteral("Dark Blue"));
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.m_strName, QStringLiteral("Dark Blue"));
}

} // namespace
