// The Qt message boxes: user values shown as plain text, dialog windows with
// the program's icon.
#include "TestSupport.h"

#include "core/BoxSnapshot.h"
#include "core/Notifications.h"
#include "platform/desktop/QtTranslations.h"
#include "platform/net/PingPermission.h"
#include "ui/dialogs/QtMessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

std::vector<QMessageBox*> openBoxes()
{
    std::vector<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            boxes.push_back(box);
    return boxes;
}

// What a message box's text label shows, as a reader sees it.
QString shownText(const QMessageBox& box)
{
    const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!label)
        return QString();
    if (label->textFormat() == Qt::PlainText)
        return label->text();
    QTextDocument document;
    document.setHtml(label->text());
    return label->textFormat() == Qt::RichText || Qt::mightBeRichText(label->text()) ? document.toPlainText()
                                                                                     : label->text();
}

void expectDialogWindow(const QWidget& widget)
{
    const Qt::WindowFlags flags = widget.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    const QImage expected = platform::programIcon().pixmap(32).toImage();
    EXPECT_EQ(widget.windowIcon().pixmap(32).toImage(), expected);
}

// A box named with markup and a description holding line and rule tags.
const QString kName = QStringLiteral("<b>PC</b>");
const QString kText = QStringLiteral("<b>PC</b> is Down<br>first<hr><font color=red>second</font>");

TEST(QtMessageBox, APostedBoxShowsTheTextAsItIs)
{
    platform::QtMessageBoxService service;
    service.post(kText, QStringLiteral("Korvalen <i>Notify</i>"), platform::MB_OK | platform::MB_ICONWARNING);
    ASSERT_TRUE(test::waitFor([] { return !openBoxes().empty(); }));
    QMessageBox* box = openBoxes().front();
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(shownText(*box), kText);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Korvalen <i>Notify</i>"));
    expectDialogWindow(*box);
    box->close();
    ASSERT_TRUE(test::waitFor([] { return openBoxes().empty(); }));
}

TEST(QtMessageBox, AWaitedBoxShowsTheTextAsItIs)
{
    platform::QtMessageBoxService service;
    QString seen;
    Qt::TextFormat format = Qt::AutoText;
    bool dialog = false;
    QTimer::singleShot(50, [&] {
        const std::vector<QMessageBox*> boxes = openBoxes();
        if (boxes.empty())
            return;
        seen = shownText(*boxes.front());
        format = boxes.front()->textFormat();
        expectDialogWindow(*boxes.front());
        dialog = true;
        boxes.front()->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(service.show(kText, QStringLiteral("Korvalen"), platform::MB_YESNO), platform::IDNO);
    EXPECT_TRUE(dialog);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(seen, kText);
}

// The notification message box of a box whose name and description hold
// markup shows them as typed.
TEST(QtMessageBox, TheNotificationOfABoxNamedWithMarkupShowsItsName)
{
    platform::QtMessageBoxService service;
    platform::setMessageBoxService(&service);
    BoxSnapshot box;
    box.Text = kName;
    box.IPAdress = QStringLiteral("<i>10.0.0.1</i>");
    box.MsgBoxDesc = QStringLiteral("line one<br>line two<hr>%name");
    box.m_nStatus = STATUS_DOWN;
    notify::showMessageBox(box, platform::LocalStamp{});
    const bool shown = test::waitFor([] { return !openBoxes().empty(); });
    platform::setMessageBoxService(nullptr);
    ASSERT_TRUE(shown);
    QMessageBox* opened = openBoxes().front();
    EXPECT_EQ(opened->textFormat(), Qt::PlainText);
    const QString text = shownText(*opened);
    EXPECT_TRUE(text.contains(kName)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Description: line one<br>line two<hr><b>PC</b>\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("IP: <i>10.0.0.1</i>\n"))) << text.toStdString();
    opened->close();
    ASSERT_TRUE(test::waitFor([] { return openBoxes().empty(); }));
}

// The advice on allowing ping: no command in it is wrapped, and the setcap
// line pastes into a shell as the path it names, quote and all.
TEST(QtMessageBox, ThePingAdviceKeepsEachCommandWholeAndPastable)
{
    const QString program = QStringLiteral("/opt/it's mine/korvalen");
    platform::QtMessageBoxService service;
    service.post(platform::pingNotAllowedText(program, true), QStringLiteral("Korvalen"), platform::MB_OK);
    ASSERT_TRUE(test::waitFor([] { return !openBoxes().empty(); }));
    QMessageBox* box = openBoxes().front();
    const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    QStringList commands;
    for (const QString& line : label->text().split(u'\n'))
        if (line.startsWith(QLatin1String("    ")))
            commands << line;
    ASSERT_EQ(commands.size(), 3);
    for (const QString& command : commands)
        EXPECT_GE(label->contentsRect().width(), QFontMetrics(label->font()).horizontalAdvance(command))
            << command.toStdString();
    QProcess shell;
    shell.start(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"),
         commands.last().replace(QRegularExpression(QStringLiteral("(sudo )?setcap -r")), "printf %s")});
    ASSERT_TRUE(shell.waitForFinished());
    EXPECT_EQ(QString::fromUtf8(shell.readAllStandardOutput()), program);
    box->close();
    ASSERT_TRUE(test::waitFor([] { return openBoxes().empty(); }));
}

// Qt's own texts (here the standard buttons) are Chinese once its
// translations are installed; without the file they stay English.
TEST(QtTranslations, StandardButtonsAreChineseWhereTheTranslationsAreInstalled)
{
    const QTemporaryDir empty;
    const QString installed = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const auto& [folder, ok] : {std::pair{empty.path(), "OK"}, std::pair{installed, "确定"}}) {
        if (folder == installed && !QFileInfo::exists(installed + QStringLiteral("/qtbase_zh_CN.qm")))
            GTEST_SKIP() << "qtbase_zh_CN.qm is not installed (Debian package qt6-translations-l10n)";
        QTranslator* translator = platform::installQtTranslations(folder);
        EXPECT_EQ(translator != nullptr, folder == installed);
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Ok);
        EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QString::fromUtf8(ok));
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

} // namespace
