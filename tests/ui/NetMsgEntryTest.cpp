// The main window's side of the network message and custom applications
// dialogs: what it hands them, what it takes back, and the tray's left click
// bringing open dialogs forward.
#include "TestSupport.h"

#include "core/NetThread.h"
#include "core/Workers.h"
#include "platform/Messages.h"
#include "ui/KorvalenDlg.h"
#include "ui/dialogs/AEApp.h"
#include "ui/dialogs/AboutDlg.h"
#include "ui/dialogs/CustomMenu.h"
#include "ui/dialogs/SendNetMsgDlg.h"

#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

class StartableDlg : public CKorvalenDlg
{
public:
    using CKorvalenDlg::CKorvalenDlg;
    using CKorvalenDlg::OnInitDialog;
};

// Runs `act` once the dialog is shown, from within its run.
void whenShown(QPointer<QDialog>& dialog, std::function<void(QDialog*)> act)
{
    QTimer::singleShot(0, [&dialog, act] {
        ASSERT_TRUE(test::waitFor([&dialog] { return dialog && dialog->isVisible(); }));
        act(dialog);
    });
}

template <typename T> T* child(QWidget* dialog, const char* name)
{
    T* found = dialog->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

class DialogEntry : public ::testing::Test
{
protected:
    DialogEntry()
    {
        QDir().mkpath(env.dataDir());
        test::writeFile(env.dataDir() + QStringLiteral("/MainConfA.ini"),
                        "[main]\nFirstStart=0\nNumBox=2\nNetUserName=carol\n"
                        "[Box 0]\nText=Router\nIPAdress=192.0.2.1\nDisabled=1\n"
                        "[Box 1]\nText=Site\nIPAdress=http://www.example.org:8080/x\nVerifyMetod=3\n"
                        "Disabled=1\n");
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
    const struct
    {
        int box;
        const char* storedUser; // nullptr: the stored name stays
        QString shownUser;
        const char* target;
    } cases[] = {
        {1, nullptr, QStringLiteral("carol"), "To IP: 192.0.2.1"},
        {2, "", qEnvironmentVariable("USER", qEnvironmentVariable("LOGNAME", QStringLiteral("console"))),
         "To IP: www.example.org"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        if (c.storedUser)
            window->m_iniConfig.WriteString(QStringLiteral("main"), QStringLiteral("NetUserName"),
                                            QString::fromUtf8(c.storedUser));
        window->m_nSelectedBox = c.box;
        QString shownUser;
        QString target;
        whenShown(window->m_dlgSendNetMsg, [&](QDialog* dialog) {
            shownUser = child<QLineEdit>(dialog, "editUser")->text();
            target = child<QLabel>(dialog, "labelTarget")->text();
            // A second request while it is open leaves it as it is.
            window->m_nSelectedBox = 1;
            window->OnSendNetMsg();
            EXPECT_EQ(child<QLabel>(dialog, "labelTarget")->text(), target);
            child<QPushButton>(dialog, "buttonCancel")->click();
        });
        window->OnSendNetMsg();
        EXPECT_EQ(shownUser, c.shownUser);
        EXPECT_EQ(target, QString::fromUtf8(c.target));
        EXPECT_FALSE(window->m_dlgSendNetMsg->isVisible());
    }
    // Without a selected box there is nothing to send to.
    const QPointer<QDialog> before = window->m_dlgSendNetMsg;
    window->m_nSelectedBox = 0;
    window->OnSendNetMsg();
    EXPECT_EQ(window->m_dlgSendNetMsg, before);
}

TEST_F(DialogEntry, TheCustomRowsAreReadAgainAfterOkOnly)
{
    test::writeFile(window->m_strMainIniPath,
                    "[Main]\nnrows=1\n[Row 0]\n标题=Web\n应用程序=/usr/bin/firefox\n");
    window->m_nCustomRows = readCustomApps(window->m_iniMain, window->m_CustomApps);
    const struct
    {
        const char* what;
        const char* button;
        uint32_t rows;
    } cases[] = {{"cancelled", "buttonCancel", 1}, {"OK", "buttonOK", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        whenShown(window->m_dlgCustomMenu, [&](QDialog* dialog) {
            QTimer::singleShot(0, dialog, [dialog] {
                ASSERT_TRUE(test::waitFor([dialog] { return dialog->findChild<CAEApp*>(); }));
                auto* app = dialog->findChild<CAEApp*>();
                child<QLineEdit>(app, "editTitle")->setText(QStringLiteral("Trace"));
                child<QLineEdit>(app, "editPath")->setText(QStringLiteral("/usr/bin/traceroute"));
                child<QPushButton>(app, "buttonOK")->click();
            });
            child<QPushButton>(dialog, "buttonAdd")->click();
            child<QPushButton>(dialog, c.button)->click();
        });
        window->OnCustomize();
        EXPECT_EQ(window->m_nCustomRows, c.rows);
    }
    EXPECT_EQ(window->m_CustomApps[1].m_strTitle, QStringLiteral("Trace"));
    EXPECT_EQ(window->m_CustomApps[1].m_strPath, QStringLiteral("/usr/bin/traceroute"));
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
    QDialog properties;
    QDialog options;
    QDialog hidden;
    window->m_dlgBoxProperties = &properties;
    window->m_dlgOptions = &hidden;
    window->OnTrayAbout();
    window->m_nSelectedBox = 1;
    RaiseOrder order;
    properties.setObjectName(QStringLiteral("properties"));
    window->m_dlgAbout->setObjectName(QStringLiteral("about"));
    QStringList raised;
    whenShown(window->m_dlgSendNetMsg, [&](QDialog* dialog) {
        dialog->setObjectName(QStringLiteral("message"));
        properties.show();
        for (QWidget* watched : std::initializer_list<QWidget*>{&properties, window->m_dlgAbout, dialog})
            watched->installEventFilter(&order);
        window->OnTrayNotification(134, platform::WM_LBUTTONDOWN);
        raised = order.raised;
        dialog->close();
    });
    window->OnSendNetMsg();
    EXPECT_EQ(raised, (QStringList{"properties", "about", "message"}));
    window->m_dlgAbout->close();
}

} // namespace
