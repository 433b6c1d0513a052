// The network message and custom applications dialogs opened from the box
// menu: what the main window hands them, what it takes back, and the tray's
// left click bringing open dialogs forward.
#include "BoxMenuDriver.h"

#include "core/NetThread.h"
#include "core/Workers.h"
#include "platform/desktop/Messages.h"
#include "ui/KorvalenDlg.h"
#include "ui/dialogs/AEApp.h"
#include "ui/dialogs/AboutDlg.h"
#include "ui/dialogs/DialogTestSupport.h"

#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

using test::control;

class StartableDlg : public CKorvalenDlg
{
public:
    using CKorvalenDlg::CKorvalenDlg;
    using CKorvalenDlg::OnInitDialog;
};

// Runs `act` on the member dialog once its run has shown it. The run starts
// only after the menu has closed, so this waits without blocking.
void whenShown(QObject* window, QPointer<QDialog>& dialog, std::function<void(QDialog*)> act)
{
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, [poll, &dialog, act] {
        if (!dialog || !dialog->isVisible())
            return;
        poll->deleteLater();
        poll->stop();
        act(dialog);
    });
    poll->start(5);
}

class DialogEntry : public ::testing::Test
{
protected:
    DialogEntry()
    {
        QDir().mkpath(env.dataDir());
        test::writeFile(
            env.dataDir() + QStringLiteral("/MainConfA.ini"),
            "[main]\nFirstStart=0\nNumBox=2\nNetUserName=carol\n"
            "[Box 0]\nText=Router\nIPAdress=192.0.2.1\nDisabled=1\n"
            "[Box 1]\nText=Site\nIPAdress=http://www.example.org:8080/x\nVerifyMetod=3\nDisabled=1\n");
        window = std::make_unique<StartableDlg>(nullptr, 0);
        window->OnInitDialog();
    }
    ~DialogEntry() override
    {
        window->close();
        window.reset();
        EXPECT_TRUE(test::waitFor([] { return CNetThread::RunningCount() == 0; }));
        EXPECT_TRUE(waitForWorkers(10000));
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes boxes;
    std::unique_ptr<StartableDlg> window;
};

TEST_F(DialogEntry, TheNetworkMessageGoesToTheSelectedBoxsHostAsTheStoredUser)
{
    const QString loginName = qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME", "console"));
    const struct
    {
        int box;
        const char* storedUser; // nullptr: as the file has it
        QString shown;
    } cases[] = {
        {1, nullptr, QStringLiteral("carol To IP: 192.0.2.1")},
        {2, "", loginName + QStringLiteral(" To IP: www.example.org")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        if (c.storedUser)
            window->m_iniConfig.WriteString(QStringLiteral("main"), QStringLiteral("NetUserName"),
                                            c.storedUser);
        QString shown;
        whenShown(window.get(), window->m_dlgSendNetMsg, [&](QDialog* dialog) {
            auto* target = control<QLabel>(dialog, "labelTarget");
            shown = control<QLineEdit>(dialog, "editUser")->text() + u' ' + target->text();
            // Asked again while it is open, it stays as it is.
            window->m_nSelectedBox = 3 - c.box;
            window->OnSendNetMsg();
            EXPECT_TRUE(shown.endsWith(target->text()));
            control<QPushButton>(dialog, "buttonCancel")->click();
        });
        boxmenu::choose(*window, c.box, ID_BOX_SENDNETMSG);
        EXPECT_EQ(shown, c.shown);
    }
}

TEST_F(DialogEntry, TheCustomRowsAreReadAgainAfterOkOnly)
{
    test::writeFile(window->m_strMainIniPath, "[Main]\nnrows=1\n[Row 0]\n标题=Web\n");
    window->m_nCustomRows = readCustomApps(window->m_iniMain, window->m_CustomApps);
    for (const auto& [button, rows] : {std::pair{"buttonCancel", 1u}, {"buttonOK", 2u}}) {
        whenShown(window.get(), window->m_dlgCustomMenu, [button = button](QDialog* dialog) {
            test::whenOpened<CAEApp>(dialog, [](CAEApp* app) {
                control<QLineEdit>(app, "editTitle")->setText(QStringLiteral("Trace"));
                control<QPushButton>(app, "buttonOK")->click();
            });
            control<QPushButton>(dialog, "buttonAdd")->click();
            control<QPushButton>(dialog, button)->click();
        });
        boxmenu::choose(*window, 1, ID_BOX_CUSTOMIZE);
        EXPECT_EQ(window->m_nCustomRows, rows) << button;
    }
    // The box menu shows the new row.
    boxmenu::rightClick(*window, QPoint(20, 20), [](QMenu* menu) {
        EXPECT_EQ(boxMenuAction(menu, kCustomAppCommands[1])->text(), QStringLiteral("Trace"));
        return 0;
    });

    // Closing the window ends the open dialog's run, unsaved.
    whenShown(window.get(), window->m_dlgCustomMenu, [this](QDialog* dialog) {
        control<QPushButton>(dialog, "buttonDelete")->click();
        window->close();
    });
    boxmenu::choose(*window, 1, ID_BOX_CUSTOMIZE);
    EXPECT_FALSE(window->m_dlgCustomMenu->isVisible());
    EXPECT_EQ(readCustomAppRows(window->m_iniMain).size(), 2);
}

// Records the order in which windows are brought forward.
class RaiseOrder : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ZOrderChange)
            raised << watched->objectName();
        return false;
    }
    QStringList raised;
};

TEST_F(DialogEntry, ALeftClickOnTheTrayIconRaisesOpenDialogsInTheirOrder)
{
    QDialog* properties = window->m_dlgBoxProperties;
    ASSERT_NE(properties, nullptr);
    properties->setObjectName(QStringLiteral("properties"));
    window->OnTrayAbout();
    window->m_dlgAbout->setObjectName(QStringLiteral("about"));
    RaiseOrder order;
    whenShown(window.get(), window->m_dlgSendNetMsg, [&](QDialog* dialog) {
        dialog->setObjectName(QStringLiteral("message"));
        properties->show();
        for (QWidget* watched : {properties, static_cast<QDialog*>(window->m_dlgAbout), dialog})
            watched->installEventFilter(&order);
        window->OnTrayNotification(134, platform::WM_LBUTTONDOWN);
        dialog->removeEventFilter(&order);
        dialog->close();
    });
    boxmenu::choose(*window, 1, ID_BOX_SENDNETMSG);
    EXPECT_EQ(order.raised, (QStringList{"properties", "about", "message"}));
    properties->removeEventFilter(&order);
    properties->hide();
    window->m_dlgAbout->close();
}

} // namespace
