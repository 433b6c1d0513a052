// The About dialog and the colour controls of the dialogs.
#include "ui/dialogs/AboutDlg.h"
#include "TestSupport.h"
#include "core/Workers.h"
#include "platform/desktop/Dialogs.h"
#include "platform/programs/Shell.h"
#include "ui/dialogs/ColorButton.h"
#include "ui/dialogs/ColorStatic.h"
#include "ui/dialogs/QtMessageBox.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <optional>
#include <vector>

// Readable failure messages for Qt types.
static void PrintTo(const QUrl& url, std::ostream* out)
{
    *out << url.toString().toStdString();
}

namespace {

class RecordingShell : public platform::ShellService
{
public:
    RecordingShell() { platform::setShellService(this); }
    ~RecordingShell() override { platform::setShellService(nullptr); }
    bool startProgram(const QString&, const QStringList&, bool) override
    {
        ++programs;
        return true;
    }
    bool openUrl(const QUrl& url) override
    {
        std::lock_guard guard(lock);
        opened.push_back(url);
        return true;
    }
    std::mutex lock; // links are opened on workers
    std::vector<QUrl> opened;
    int programs = 0;
};

// The colour picker: cancels, or picks the colour it is given.
class FakeColorDialog : public platform::DialogService
{
public:
    FakeColorDialog() { platform::setDialogService(this); }
    ~FakeColorDialog() override { platform::setDialogService(nullptr); }
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return QString(); }
    QString getOpenFileName(QWidget*, const QString&) override { return QString(); }
    bool getColor(QWidget*, const QColor& initial, QColor& chosen) override
    {
        offered.push_back(initial);
        if (!pick)
            return false;
        chosen = *pick;
        return true;
    }
    std::optional<QColor> pick;
    std::vector<QColor> offered;
};

// The address a link label points at.
QString hrefOf(const QLabel& label)
{
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("href=\"([^\"]*)\"")).match(label.text());
    return match.hasMatch() ? match.captured(1) : QString();
}

TEST(AboutDlg, TheLineIsDarkRedTheNameBoldAndOkHasItsIcon)
{
    CAboutDlg dialog;
    dialog.SetInstance(1);
    ASSERT_TRUE(dialog.OnInitDialog());
    EXPECT_EQ(dialog.m_ctlLine->TextColor(), 0x7Fu);
    EXPECT_EQ(dialog.m_ctlLine->palette().color(QPalette::WindowText), QColor(127, 0, 0));
    EXPECT_TRUE(dialog.m_ctlName->font().bold());
    EXPECT_FALSE(dialog.m_ctlVersion->font().bold());
    EXPECT_FALSE(dialog.m_btnOK->icon().isNull());
    EXPECT_FALSE(dialog.m_ctlLine->text().isEmpty());
}

TEST(AboutDlg, LinksAreOpenedByTheDesktop)
{
    RecordingShell shell;
    CAboutDlg dialog;
    dialog.OnInitDialog();
    EXPECT_EQ(hrefOf(*dialog.m_ctlHome), CAboutDlg::HomePage());
    EXPECT_EQ(hrefOf(*dialog.m_ctlMail), CAboutDlg::MailAddress());
    EXPECT_TRUE(CAboutDlg::MailAddress().startsWith(QStringLiteral("mailto:")));

    dialog.OnNMClickSyslink(CAboutDlg::HomePage());
    dialog.OnNMClickSyslink(CAboutDlg::MailAddress());
    // A click on the labels' links goes the same way.
    emit dialog.m_ctlHome->linkActivated(hrefOf(*dialog.m_ctlHome));
    emit dialog.m_ctlMail->linkActivated(hrefOf(*dialog.m_ctlMail));
    ASSERT_TRUE(waitForWorkers(5000));
    const QUrl home(CAboutDlg::HomePage());
    const QUrl mail(CAboutDlg::MailAddress());
    std::sort(shell.opened.begin(), shell.opened.end(),
              [](const QUrl& a, const QUrl& b) { return a.toString() < b.toString(); });
    EXPECT_EQ(shell.opened, (std::vector<QUrl>{home, home, mail, mail}));
    EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(shell.programs, 0);
}

TEST(AboutDlg, OkClosesTheDialog)
{
    CAboutDlg dialog;
    dialog.OnInitDialog();
    dialog.show();
    ASSERT_TRUE(dialog.isVisible());
    dialog.m_btnOK->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(ColorButton, ThePickerIsOfferedTheCurrentColourAndCancelKeepsIt)
{
    FakeColorDialog picker;
    CColorButton button;
    std::vector<uint32_t> changes;
    QObject::connect(&button, &CColorButton::colorChanged, [&](uint32_t color) { changes.push_back(color); });
    button.SetColor(0x00FF8040); // blue FF, green 80, red 40
    button.OnShowColorPopup();
    ASSERT_EQ(picker.offered.size(), 1u);
    EXPECT_EQ(picker.offered[0], QColor(0x40, 0x80, 0xFF));
    EXPECT_EQ(button.GetColor(), 0x00FF8040u);
    EXPECT_TRUE(changes.empty());
}

TEST(ColorButton, APickedColourIsTakenRedInTheLowByte)
{
    FakeColorDialog picker;
    CColorButton button;
    std::vector<uint32_t> changes;
    QObject::connect(&button, &CColorButton::colorChanged, [&](uint32_t color) { changes.push_back(color); });
    const struct
    {
        QColor picked;
        uint32_t colorRef;
    } cases[] = {
        {QColor(0x12, 0x34, 0x56), 0x00563412},
        {QColor(255, 0, 0), 0x000000FF},
        {QColor(0, 0, 255), 0x00FF0000},
        {QColor(0, 0, 0), 0x00000000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.colorRef);
        picker.pick = c.picked;
        changes.clear();
        button.OnShowColorPopup();
        EXPECT_EQ(button.GetColor(), c.colorRef);
        EXPECT_EQ(changes, std::vector<uint32_t>{c.colorRef});
    }
    // A click on the button opens the picker too.
    picker.pick = QColor(1, 2, 3);
    changes.clear();
    button.click();
    EXPECT_EQ(button.GetColor(), 0x00030201u);
    EXPECT_EQ(changes, std::vector<uint32_t>{0x00030201u});
}

TEST(ColorStatic, TextColourGoesIntoThePalette)
{
    CColorStatic label;
    for (const auto& [colorRef, color] :
         {std::pair{0x00336699u, QColor(0x99, 0x66, 0x33)}, std::pair{0x0000007Fu, QColor(127, 0, 0)},
          std::pair{0x00FF0000u, QColor(0, 0, 255)}}) {
        SCOPED_TRACE(colorRef);
        label.SetTextColor(colorRef);
        EXPECT_EQ(label.TextColor(), colorRef);
        EXPECT_EQ(label.palette().color(QPalette::WindowText), color);
    }
}

} // namespace

namespace {

// A dialog, not a resizable main window: fixed size, a close button but no
// minimise or maximise button, the program's icon; centred on the desktop
// by its frame.
TEST(AboutDlg, IsAFixedDialogCentredByItsFrame)
{
    CAboutDlg dialog;
    ASSERT_TRUE(dialog.OnInitDialog());
    dialog.show();
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.size(), dialog.minimumSize());
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(dialog.windowIcon().pixmap(32).toImage(), platform::programIcon().pixmap(32).toImage());
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    const auto centred = [&] {
        const QRect frame = dialog.frameGeometry();
        return frame.x() == desktop.x() + desktop.width() / 2 - frame.width() / 2 &&
               frame.y() == desktop.y() + desktop.height() / 2 - frame.height() / 2;
    };
    EXPECT_TRUE(test::waitFor(centred, 2000))
        << dialog.frameGeometry().x() << ',' << dialog.frameGeometry().y() << ' '
        << dialog.frameGeometry().width() << 'x' << dialog.frameGeometry().height();
    // The labels show their texts as plain text.
    for (QLabel* label : {dialog.m_ctlName, dialog.m_ctlVersion, static_cast<QLabel*>(dialog.m_ctlLine)})
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    dialog.close();
}

} // namespace
