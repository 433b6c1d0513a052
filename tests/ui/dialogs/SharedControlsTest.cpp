#include "ui/dialogs/BalloonTip.h"
#include "ui/dialogs/DigitsEdit.h"
#include "ui/dialogs/SpinEdit.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

TEST(SpinEdit, ArrowsStepWithinTheRangeFromTheHeldPosition)
{
    struct Case
    {
        int minimum, maximum, step;
        QString typed;
        int steps;
        QString expected;
    };
    const Case cases[] = {
        {1, 500, 1, "499", 5, "500"},    // stops at the top
        {1, 500, 1, "2", -5, "1"},       // stops at the bottom
        {0, 9999, 1, "", 1, "1"},        // an empty field counts as 0
        {0, 9999, 1, "9999", 1, "9999"}, // no step past the top
        {30, 300, 1, "999", -1, "299"},  // typed above the range: held first, then stepped
        {500, 60000, 500, "1200", 1, "1700"},
        {500, 60000, 500, "59800", 1, "60000"},
    };
    for (const Case& c : cases) {
        CSpinEdit spin;
        spin.setRange(c.minimum, c.maximum);
        spin.setSingleStep(c.step);
        spin.setMaxLength(5);
        spin.edit()->setText(c.typed);
        spin.stepBy(c.steps);
        EXPECT_EQ(spin.edit()->text(), c.expected) << c.typed.toStdString() << " " << c.steps;
    }
}

TEST(SpinEdit, TypingTakesDigitsOnlyAndCanBeTurnedOffWithoutStoppingTheArrows)
{
    CSpinEdit spin;
    spin.setRange(0, 9999);
    spin.setMaxLength(4);
    spin.edit()->clear();
    QTest::keyClicks(spin.edit(), QStringLiteral("12a-3456"));
    EXPECT_EQ(spin.edit()->text(), QStringLiteral("1234")); // letters refused, four digits at most
    EXPECT_EQ(spin.value(), 1234);

    CSpinEdit interval;
    interval.setRange(1, 500);
    interval.setValue(3);
    interval.setTypingAllowed(false);
    QTest::keyClicks(interval.edit(), QStringLiteral("9"));
    EXPECT_EQ(interval.edit()->text(), QStringLiteral("3"));
    qint64 edited = -1;
    QObject::connect(&interval, &CSpinEdit::valueEdited, [&](qint64 v) { edited = v; });
    QTest::keyClick(&interval, Qt::Key_Up);
    EXPECT_EQ(interval.edit()->text(), QStringLiteral("4"));
    EXPECT_EQ(edited, 4);
}

TEST(DigitsEdit, RefusesAnythingButDigitsUpToItsLength)
{
    QLineEdit edit;
    makeDigitsOnly(&edit, 5);
    QTest::keyClicks(&edit, QStringLiteral("8x0-8 0999"));
    EXPECT_EQ(edit.text(), QStringLiteral("80809"));
}

TEST(BalloonTip, ShowsUserTextAsPlainTextAndIsReusedPerWindow)
{
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* edit = new QLineEdit(&dialog);
    layout->addWidget(edit);
    dialog.show();
    CBalloonTip* first = CBalloonTip::showFor(edit, QString(), QStringLiteral("<b>PC</b><br>x"));
    CBalloonTip* second = CBalloonTip::showFor(edit, QStringLiteral("T"), QStringLiteral("<b>PC</b>"));
    EXPECT_EQ(first, second);
    ASSERT_EQ(CBalloonTip::visibleFor(edit), second);
    EXPECT_EQ(second->text(), QStringLiteral("<b>PC</b>"));
    for (const QLabel* label : second->findChildren<QLabel*>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
}

} // namespace
