#include "ui/KorvalenDlg.h"

#include "core/NetThread.h"
#include "core/Workers.h"
#include "ui/dialogs/BoxPropertiesDlg.h"

#include "LoopbackServer.h"
#include "TestSupport.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

static void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '"' << list.join(u',').toStdString() << '"';
}

namespace {

constexpr int kAdd = 32784;
constexpr int kEdit = 32785;

class BoxPropertiesApply : public ::testing::Test
{
protected:
    ~BoxPropertiesApply() override
    {
        dlg.reset();
        CNetThread::WaitForAll(3000);
        waitForWorkers(3000);
    }

    // The window on boxes named as given, each a TCP check once a minute of a
    // loopback port whose connect hangs, so that a box started stays
    // Checking (not started: no check thread runs).
    void open(const QStringList& names, const QByteArray& extra = {})
    {
        QDir().mkpath(env.dataDir());
        QByteArray text = "[main]\nFirstStart=0\nNumBox=" + QByteArray::number(names.size()) + "\n";
        for (qsizetype i = 0; i < names.size(); ++i)
            text += "[Box " + QByteArray::number(i) + "]\nText=" + names[i].toUtf8() +
                    "\nIPAdress=127.0.0.1\nVerifyMetod=2\nPort=" + QByteArray::number(port) +
                    "\nCheckInterval=60\n" + extra;
        test::writeFile(env.dataDir() + QStringLiteral("/MainConfA.ini"), text);
        dlg = std::make_unique<CKorvalenDlg>(nullptr, 0);
    }

    CBoxPropertiesDlg& dialog() { return *static_cast<CBoxPropertiesDlg*>(dlg->m_dlgBoxProperties.data()); }
    void type(const char* field, const QString& value)
    {
        dialog().findChild<QLineEdit*>(QString::fromLatin1(field))->setText(value);
    }
    void press(const char* button)
    {
        dialog().findChild<QAbstractButton*>(QString::fromLatin1(button))->click();
    }

    // Runs Add or Edit with the selection given; `steps` work the open dialog.
    void run(int command, int selected, const std::function<void()>& steps)
    {
        dlg->m_nLastCommand = command;
        dlg->m_nSelectedBox = selected;
        dlg->m_bAddMode = command == kAdd;
        bool ran = false;
        QTimer::singleShot(0, dlg.get(), [&] {
            EXPECT_TRUE(dialog().isVisible());
            steps();
            ran = true;
        });
        if (command == kAdd)
            dlg->AddCheck();
        else
            dlg->EditCheck();
        EXPECT_TRUE(ran);
        EXPECT_FALSE(dialog().isVisible());
    }

    QStringList names() const
    {
        QStringList list;
        for (int i = 0; i < dlg->NumBox; ++i) {
            list << dlg->m_pBoxes[size_t(i)]->Text;
            EXPECT_EQ(dlg->m_pBoxes[size_t(i)]->m_nIndex, i); // each box knows its place
        }
        return list;
    }
    QStringList savedNames() const
    {
        CIniFile ini;
        ini.SetFileName(dlg->m_strConfigPath);
        QStringList list;
        const int count = ini.GetInt(QStringLiteral("main"), QStringLiteral("NumBox"), 0);
        for (int i = 0; i < count; ++i)
            list << ini.GetString(QStringLiteral("Box %1").arg(i), QStringLiteral("Text"), QString());
        return list;
    }
    BoxRecord& box(int index) { return *dlg->m_pBoxes[size_t(index)]; }

    void report(int status, int index, uint64_t threadStart, uint32_t reply)
    {
        const CheckReply result{reply, 0, threadStart, 0};
        dlg->OnCheckResult(packCheckResult(status, index), reinterpret_cast<platform::LPARAM>(&result));
    }

    test::ScopedEnvironment env;
    test::RecordingMessageBoxes messages;
    test::FullListener hanging;
    const uint16_t port = hanging.port();
    std::unique_ptr<CKorvalenDlg> dlg;
};

TEST_F(BoxPropertiesApply, AddInsertsRightAfterTheSelectedBoxAndSavesEveryBox)
{
    struct Case
    {
        int selected;
        QStringList expected;
    };
    const Case cases[] = {
        {0, {"New", "A", "B", "C"}}, // nothing selected: at the front
        {3, {"A", "B", "C", "New"}}, // after the last: appended
        {2, {"A", "B", "New", "C"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected);
        open({"A", "B", "C"});
        run(kAdd, c.selected, [&] {
            EXPECT_EQ(dialog().windowTitle(), QStringLiteral("添加检查"));
            type("editName", QStringLiteral("New"));
            type("editTarget", QStringLiteral("127.0.0.1"));
            press("radioTcp");
            type("editPort", QString::number(port));
            press("btnOK");
        });
        EXPECT_EQ(names(), c.expected);
        EXPECT_EQ(savedNames(), c.expected);
        const int at = int(c.expected.indexOf(QStringLiteral("New")));
        EXPECT_EQ(dlg->m_nSelectedBox, at + 1);
        EXPECT_EQ(dlg->m_nLastCommand, kEdit);
        EXPECT_FALSE(dlg->m_bAddMode);
        EXPECT_EQ(box(at).m_nStatus, STATUS_CHECKING);
        EXPECT_NE(box(at).m_pThread, nullptr);
        EXPECT_EQ(dlg->width(), (dlg->XBox + 1) * 4 + 8); // the strip grew by one tile
    }
}

TEST_F(BoxPropertiesApply, NewBoxTakesTheDefaultSkinAndTheNewBoxValues)
{
    open({"A"});
    test::writeFile(env.dataDir() + QStringLiteral("/Skins/Default.ini"),
                    "[skin]\nOnLineBoxColor=255\nOffLineTextColor=0x00FF00\nOnLinePicFile=pc.ico\n");
    run(kAdd, 1, [&] {
        type("editName", QStringLiteral("Web"));
        type("editTarget", QStringLiteral("https://127.0.0.1/"));
        dialog().findChild<QRadioButton*>(QStringLiteral("radioUrl"))->click();
        press("btnOK");
    });
    const BoxRecord& added = box(1);
    EXPECT_EQ(added.OnLineBoxColor, 255u);
    EXPECT_EQ(added.OffLineBoxColor, 0x797979u);
    EXPECT_EQ(added.OffLineTextColor, 0x00FF00u);
    EXPECT_EQ(added.OnLinePicFile, QStringLiteral("pc.ico"));
    EXPECT_EQ(added.OffLinePicFile, QString());
    EXPECT_EQ(added.VerifyMetod, METHOD_URL);
    EXPECT_EQ(added.IPAdress, QStringLiteral("https://127.0.0.1/"));
    EXPECT_EQ(added.CheckInterval, 3u);
    EXPECT_EQ(added.Phrase, QStringLiteral("html"));
    EXPECT_EQ(added.MsgBoxDesc, QStringLiteral("%name is %status"));
    EXPECT_EQ(added.TDownTextString, QStringLiteral("%name is Down"));
    EXPECT_EQ(added.Disabled, 0);
}

TEST_F(BoxPropertiesApply, OneAddInsertsOneBoxHoweverOftenApplied)
{
    open({"A", "B"});
    run(kAdd, 1, [&] {
        type("editName", QStringLiteral("N1"));
        type("editTarget", QStringLiteral("127.0.0.1"));
        press("btnApply");
        EXPECT_EQ(dialog().windowTitle(), QStringLiteral("编辑检查"));
        EXPECT_EQ(names(), (QStringList{"A", "N1", "B"}));
        type("editName", QStringLiteral("N2"));
        press("btnApply");
        type("editName", QStringLiteral("N3"));
        press("btnOK");
    });
    EXPECT_EQ(names(), (QStringList{"A", "N3", "B"}));
    EXPECT_EQ(savedNames(), (QStringList{"A", "N3", "B"}));

    // Cancel after an Apply keeps what was applied.
    run(kAdd, 0, [&] {
        type("editName", QStringLiteral("K"));
        type("editTarget", QStringLiteral("127.0.0.1"));
        press("btnApply");
        press("btnCancel");
    });
    EXPECT_EQ(names(), (QStringList{"K", "A", "N3", "B"}));
    EXPECT_EQ(savedNames(), (QStringList{"K", "A", "N3", "B"}));
}

TEST_F(BoxPropertiesApply, EditRestartsAnEnabledBoxAndLeavesADisabledOneAlone)
{
    test::FullListener moved;
    for (const bool disabled : {false, true}) {
        SCOPED_TRACE(disabled);
        open({"A", "B"}, disabled ? "Disabled=1\n" : "");
        dlg->WinBeh = disabled ? 1 : 0; // always on top, and normal
        dlg->StartChecks();
        const uint64_t before = box(1).m_nThreadStart;
        box(1).m_nSoundCount = 0xFFFF;
        box(1).m_nMsgBoxCount = 3;
        run(kEdit, 2, [&] {
            EXPECT_EQ(dialog().windowTitle(), QStringLiteral("编辑检查"));
            // Never hidden behind a strip that stays on top.
            EXPECT_EQ(dialog().windowFlags().testFlag(Qt::WindowStaysOnTopHint), !disabled);
            EXPECT_EQ(dialog().findChild<QLineEdit*>(QStringLiteral("editName"))->text(),
                      QStringLiteral("B"));
            type("editName", QStringLiteral("B2"));
            type("editPort", QString::number(moved.port()));
            press("btnOK");
        });
        EXPECT_EQ(names(), (QStringList{"A", "B2"}));
        EXPECT_EQ(savedNames(), (QStringList{"A", "B2"}));
        EXPECT_EQ(box(1).Port, moved.port());
        EXPECT_EQ(box(1).m_nSoundCount, 0u);
        EXPECT_EQ(box(1).m_nMsgBoxCount, 0u);
        if (disabled) {
            EXPECT_EQ(box(1).m_nStatus, STATUS_DISABLED);
            EXPECT_EQ(box(1).m_pThread, nullptr);
            EXPECT_EQ(box(1).Disabled, 1);
        } else {
            EXPECT_EQ(box(1).m_nStatus, STATUS_CHECKING);
            ASSERT_NE(box(1).m_pThread, nullptr);
            EXPECT_NE(box(1).m_nThreadStart, before);
        }
    }
}

TEST_F(BoxPropertiesApply, ResultsOnTheWayFromAnOldPlaceOrAnOldThreadAreDropped)
{
    open({"A", "B"});
    box(0).m_nThreadStart = 41; // as if a thread served each box
    box(1).m_nThreadStart = 42;

    // Edit of A: its old thread's results no longer land on it.
    run(kEdit, 1, [&] { press("btnOK"); });
    const uint64_t editedStart = box(0).m_nThreadStart;
    ASSERT_NE(editedStart, 41u);
    report(STATUS_UP, 0, 41, 5);
    EXPECT_EQ(box(0).m_nStatus, STATUS_CHECKING);
    report(STATUS_UP, 0, editedStart, 5);
    EXPECT_EQ(box(0).m_nStatus, STATUS_UP);

    // An insert at the front moves A and B one place on: results sent from
    // their old places land on their new neighbours and are dropped.
    run(kAdd, 0, [&] {
        type("editName", QStringLiteral("New"));
        type("editTarget", QStringLiteral("127.0.0.1"));
        press("btnOK");
    });
    ASSERT_EQ(names(), (QStringList{"New", "A", "B"}));
    // Nothing else is handled meanwhile: what changes below is what these reports did.
    const int statusNew = box(0).m_nStatus;
    const int statusA = box(1).m_nStatus;
    report(STATUS_DOWN, 0, editedStart, 7); // A's, from its old place
    EXPECT_EQ(box(0).m_nStatus, statusNew);
    report(STATUS_NET_ERROR, 1, 42, 7); // B's, from its old place
    EXPECT_EQ(box(1).m_nStatus, statusA);
    // At their new places their own threads' results are taken.
    report(STATUS_NET_ERROR, 1, editedStart, 7);
    EXPECT_EQ(box(1).m_nStatus, STATUS_NET_ERROR);
    report(STATUS_DOWN, 2, 42, 7);
    EXPECT_EQ(box(2).m_nStatus, STATUS_DOWN);
}

} // namespace
