// The strip commands of the box context menu: delete, move, duplicate,
// disable and enable. After each, slot i holds the box of index i, the slots
// past the count are empty, exactly the enabled boxes have a check thread,
// the file holds the strip, and a result still on its way from before the
// change never lands on another box.
#include "BoxMenuDriver.h"

#include "core/ConfigStore.h"

#include <QSet>

// Readable failure messages for Qt strings.
static void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

namespace {

using boxmenu::Fixture;

// A box that checks a closed loopback port once an hour: its thread reports
// Close at once and then sleeps.
QByteArray checkedBox(int index, const char* name)
{
    return "[Box " + QByteArray::number(index) + "]\nText=" + name +
           "\nVerifyMetod=2\nIPAdress=127.0.0.1\nPort=1\nCheckInterval=3600\n";
}

class StripCommands : public Fixture
{
protected:
    // Boxes A, B and C, each with its check thread, their first results in.
    void openThree()
    {
        open(3, checkedBox(0, "A") + checkedBox(1, "B") + checkedBox(2, "C"));
        ASSERT_TRUE(test::waitFor([this] {
            for (int i = 0; i < 3; ++i)
                if (box(i).m_nStatus == STATUS_CHECKING)
                    return false;
            return true;
        }));
    }

    QStringList names()
    {
        QStringList list;
        for (int i = 0; i < window->NumBox; ++i)
            list << box(i).Text;
        return list;
    }

    // What the file holds: its box count and the names of its boxes.
    QStringList stored()
    {
        CIniFile ini;
        ini.SetFileName(configPath());
        const int count = ini.GetInt(QStringLiteral("main"), QStringLiteral("NumBox"), -1);
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << ini.GetString(config::boxSection(i), QStringLiteral("Text"), QStringLiteral("?"));
        return list;
    }

    void expectInvariants()
    {
        for (int i = 0; i < kMaxBoxes; ++i) {
            SCOPED_TRACE(i);
            const BoxRecord* record = window->m_pBoxes[size_t(i)];
            if (i >= window->NumBox) {
                EXPECT_EQ(record, nullptr);
                continue;
            }
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->m_nIndex.load(), i);
            EXPECT_EQ(record->m_pThread != nullptr, record->Disabled == 0);
            EXPECT_EQ(record->m_nThreadStart != 0, record->Disabled == 0);
        }
        EXPECT_EQ(stored(), names());
        EXPECT_EQ(window->size(), stripWindowSize(window->Metrics()));
    }

    // Hands in a result as the thread of `start` sends it, under `index`.
    void deliver(int index, uint64_t start, int status)
    {
        CheckReply reply;
        reply.dwReplyTime = 7;
        reply.nThreadStart = start;
        window->OnCheckResult(packCheckResult(status, index), reinterpret_cast<platform::LPARAM>(&reply));
    }
};

TEST_F(StripCommands, EachCommandKeepsTheStripInStepAndDropsResultsSentBeforeIt)
{
    const struct
    {
        const char* what;
        int selected;
        int command;
        QStringList after;
        // A result from the thread of `staleFrom`, sent under its index before
        // the command, arrives afterwards (-1: no box changes its place).
        int staleFrom;
    } cases[] = {
        {"delete the first", 1, ID_BOX_DELETE, {"B", "C"}, 0},
        {"delete the middle, a later box's result", 2, ID_BOX_DELETE, {"A", "C"}, 2},
        {"delete the last", 3, ID_BOX_DELETE, {"A", "B"}, 2},
        {"move the first right", 1, ID_BOX_MOVERIGHT, {"B", "A", "C"}, 0},
        {"move the last left", 3, ID_BOX_MOVELEFT, {"A", "C", "B"}, 1},
        {"duplicate the first", 1, ID_BOX_DUPLICATE, {"A", "A", "B", "C"}, 1},
        {"duplicate the last", 3, ID_BOX_DUPLICATE, {"A", "B", "C", "C"}, -1},
        {"disable the middle", 2, ID_BOX_DISABLE, {"A", "B", "C"}, 1},
    };
    messages.answer = platform::IDYES;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        openThree();
        const uint64_t staleStart = c.staleFrom >= 0 ? box(c.staleFrom).m_nThreadStart : 0;

        boxmenu::choose(*window, c.selected, c.command);
        EXPECT_EQ(names(), c.after);
        expectInvariants();
        EXPECT_EQ(window->m_nSelectedBox, c.selected);
        EXPECT_FALSE(window->m_bBusy);

        if (c.staleFrom >= 0 && c.staleFrom < window->NumBox) {
            ASSERT_NE(staleStart, 0u);
            BoxRecord& now = box(c.staleFrom);
            const int status = now.m_nStatus;
            const uint32_t reply = now.m_dwLastValue;
            deliver(c.staleFrom, staleStart, STATUS_UP);
            EXPECT_EQ(now.m_nStatus, status);
            EXPECT_EQ(now.m_dwLastValue, reply);
        }
        window->close();
    }
}

TEST_F(StripCommands, MovedBoxKeepsItsThreadStatusAndResults)
{
    openThree();
    BoxRecord* a = window->m_pBoxes[0];
    BoxRecord* b = window->m_pBoxes[1];
    const uint64_t startA = a->m_nThreadStart;
    a->m_nStatus = STATUS_DOWN;
    boxmenu::choose(*window, 1, ID_BOX_MOVERIGHT);
    ASSERT_EQ(window->m_pBoxes[1], a);
    EXPECT_EQ(a->m_nThreadStart, startA);
    EXPECT_EQ(a->m_nStatus, STATUS_DOWN);
    EXPECT_EQ(b->m_nStatus, STATUS_CLOSE);
    // Its next result, under its new index, is taken.
    deliver(1, startA, STATUS_UP);
    EXPECT_EQ(a->m_nStatus, STATUS_UP);
    EXPECT_EQ(a->m_dwLastValue, 7u);
    // The first box cannot move towards the start, the last not towards the end.
    EXPECT_TRUE(boxmenu::rightClick(*window, tileRect(window->Metrics(), 1).center(), [](QMenu* menu) {
        EXPECT_FALSE(boxMenuAction(menu, ID_BOX_MOVELEFT)->isEnabled());
        return 0;
    }));
}

TEST_F(StripCommands, DeleteAsksFirstAndNoChangesNothing)
{
    openThree();
    bool busyWhileAsking = false;
    struct Asking : test::RecordingMessageBoxes
    {
        std::function<void()> onShow;
        int show(const QString& text, const QString& caption, unsigned type) override
        {
            onShow();
            return RecordingMessageBoxes::show(text, caption, type);
        }
    } asking;
    asking.onShow = [&] { busyWhileAsking = window->m_bBusy; };
    asking.answer = platform::IDNO;
    boxmenu::choose(*window, 2, ID_BOX_DELETE);
    ASSERT_EQ(asking.shown.size(), 1u);
    EXPECT_EQ(asking.shown[0].text, QStringLiteral("Are you sure that you want to delete this Check?"));
    EXPECT_EQ(asking.shown[0].type, platform::MB_YESNO | platform::MB_ICONQUESTION);
    EXPECT_TRUE(busyWhileAsking);
    EXPECT_FALSE(window->m_bBusy);
    EXPECT_EQ(names(), (QStringList{"A", "B", "C"}));
    expectInvariants();
}

TEST_F(StripCommands, DuplicateCarriesEverySettingAndStartsAnew)
{
    QByteArray settings = checkedBox(0, "Full box");
    settings +=
        "OnLineBoxColor=255\nOffLineBoxColor=65280\nOnLineTextColor=1\nOffLineTextColor=2\n"
        "Logging=1\nMsgBox=3\nSound=5\nSpeechTextCheck=7\nCustomSoundCheck=9\nUpPath=/s/up.wav\n"
        "DownPath=/s/down.wav\nOpenPath=/s/open.wav\nClosePath=/s/close.wav\nTcpDownPath=/s/td.wav\n"
        "UpTextString=u\nDownTextString=d\nOpenTextString=o\nCloseTextString=c\nTDownTextString=t\n"
        "ExecFilePath=/bin/true\nExecFileParam=%ip\nExecFileStatusCheck=31\nExecFileCheck=1\nnMSGB=2\n"
        "nPS=3\nnEF=4\nMsgBoxDesc=%name!\nPhrase=hello\nRunHideMode=1\nIPv=0\n";
    open(1, settings);
    ASSERT_TRUE(test::waitFor([this] { return box(0).m_nStatus != STATUS_CHECKING; }));
    boxmenu::choose(*window, 1, ID_BOX_DUPLICATE);
    ASSERT_EQ(window->NumBox, 2);
    expectInvariants();
    // Both sections of the file hold the same keys with the same values.
    CIniFile ini;
    ini.SetFileName(configPath());
    for (const BoxKeySpec& key : boxKeys()) {
        SCOPED_TRACE(key.name);
        const QString name = QString::fromLatin1(key.name);
        EXPECT_EQ(ini.GetString(config::boxSection(1), name, QStringLiteral("missing")),
                  ini.GetString(config::boxSection(0), name, QStringLiteral("missing")));
    }
    EXPECT_EQ(box(1).m_strOnLinePicPath, box(0).m_strOnLinePicPath);
    EXPECT_FALSE(box(1).m_hOnLineIcon.isNull());
    // Its own thread, no reply yet until that thread's first result.
    EXPECT_NE(box(1).m_nThreadStart, box(0).m_nThreadStart);
    EXPECT_TRUE(test::waitFor([this] { return box(1).m_nStatus == STATUS_CLOSE; }));
}

TEST_F(StripCommands, DuplicateOfADisabledBoxShowsDisabledAndReachesSeventy)
{
    QByteArray boxes;
    for (int i = 0; i < 69; ++i)
        boxes += "[Box " + QByteArray::number(i) + "]\nText=Box " + QByteArray::number(i) + "\nDisabled=1\n";
    open(69, boxes);
    boxmenu::choose(*window, 69, ID_BOX_DUPLICATE);
    ASSERT_EQ(window->NumBox, 70);
    expectInvariants();
    EXPECT_EQ(box(69).m_nStatus, STATUS_DISABLED);
    EXPECT_EQ(box(69).Text, QStringLiteral("Box 68"));
    EXPECT_TRUE(boxmenu::rightClick(*window, tileRect(window->Metrics(), 3).center(), [](QMenu* menu) {
        EXPECT_FALSE(boxMenuAction(menu, ID_BOX_DUPLICATE)->isEnabled());
        EXPECT_FALSE(boxMenuAction(menu, ID_BOX_ADD)->isEnabled());
        return 0;
    }));
}

TEST_F(StripCommands, DisableShowsDisabledAndEnableChecksAgain)
{
    openThree();
    const uint64_t before = box(1).m_nThreadStart;
    boxmenu::choose(*window, 2, ID_BOX_DISABLE);
    EXPECT_EQ(box(1).m_nStatus, STATUS_DISABLED);
    EXPECT_EQ(box(1).Disabled, 1);
    expectInvariants();
    deliver(1, before, STATUS_UP);
    EXPECT_EQ(box(1).m_nStatus, STATUS_DISABLED);

    EXPECT_TRUE(boxmenu::rightClick(*window, tileRect(window->Metrics(), 2).center(), [](QMenu* menu) {
        EXPECT_EQ(boxMenuAction(menu, ID_BOX_DISABLE)->text(), QStringLiteral("启用"));
        return int(ID_BOX_DISABLE);
    }));
    EXPECT_EQ(box(1).Disabled, 0);
    expectInvariants();
    EXPECT_NE(box(1).m_nThreadStart, before);
    // CHECKING until the new thread's first result.
    EXPECT_TRUE(test::waitFor([this] { return box(1).m_nStatus == STATUS_CLOSE; }));
}

} // namespace
