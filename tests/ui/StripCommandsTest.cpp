// The strip commands: delete, move, duplicate, disable and enable. After
// each, slot i holds the box of index i, the slots past the count are empty,
// exactly the enabled boxes have a check thread, the file holds the strip,
// and a result sent before the change never lands on another box.
#include "BoxMenuDriver.h"

#include "core/ConfigStore.h"

static void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

namespace {

// A box whose thread reports Close (a closed loopback port) at once, then
// sleeps for an hour.
QByteArray checkedBox(int index, const char* name)
{
    return "[Box " + QByteArray::number(index) + "]\nText=" + name +
           "\nVerifyMetod=2\nIPAdress=127.0.0.1\nPort=1\nCheckInterval=3600\n";
}

class StripCommands : public boxmenu::Fixture
{
protected:
    // Boxes A, B and C with their first results in.
    void openThree()
    {
        open(3, checkedBox(0, "A") + checkedBox(1, "B") + checkedBox(2, "C"));
        ASSERT_TRUE(test::waitFor([this] {
            return box(0).m_nStatus == STATUS_CLOSE && box(1).m_nStatus == STATUS_CLOSE &&
                   box(2).m_nStatus == STATUS_CLOSE;
        }));
    }
    QStringList names(bool stored = false)
    {
        CIniFile ini;
        ini.SetFileName(configPath());
        const int count =
            stored ? ini.GetInt(QStringLiteral("main"), QStringLiteral("NumBox"), -1) : window->NumBox;
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << (stored ? ini.GetString(config::boxSection(i), QStringLiteral("Text"), QString())
                            : box(i).Text);
        return list;
    }
    void expectInvariants()
    {
        for (int i = 0; i < kMaxBoxes; ++i) {
            const BoxRecord* record = window->m_pBoxes[size_t(i)];
            ASSERT_EQ(record != nullptr, i < window->NumBox) << i;
            if (record) {
                EXPECT_EQ(record->m_nIndex.load(), i);
                EXPECT_EQ(record->m_pThread != nullptr && record->m_nThreadStart != 0, record->Disabled == 0)
                    << i;
            }
        }
        EXPECT_EQ(names(true), names());
        EXPECT_EQ(window->size(), stripWindowSize(window->Metrics()));
    }
    // A result of the thread `start`, sent under `index`.
    void deliver(int index, uint64_t start)
    {
        CheckReply reply;
        reply.dwReplyTime = 7;
        reply.nThreadStart = start;
        window->OnCheckResult(packCheckResult(STATUS_UP, index), reinterpret_cast<platform::LPARAM>(&reply));
    }
};

TEST_F(StripCommands, EachCommandKeepsTheStripInStepAndDropsResultsSentBeforeIt)
{
    const struct
    {
        int selected, command;
        QStringList after;
        int staleFrom; // a slot whose box's result comes late, under that slot; -1: no box moved
    } cases[] = {
        {1, ID_BOX_DELETE, {"A", "B", "C"}, -1}, // answered No
        {1, ID_BOX_DELETE, {"B", "C"}, 0},
        {2, ID_BOX_DELETE, {"A", "C"}, 1},
        {3, ID_BOX_DELETE, {"A", "B"}, -1},
        {1, ID_BOX_MOVERIGHT, {"B", "A", "C"}, 0},
        {3, ID_BOX_MOVELEFT, {"A", "C", "B"}, 1},
        {1, ID_BOX_DUPLICATE, {"A", "A", "B", "C"}, 1},
        {3, ID_BOX_DUPLICATE, {"A", "B", "C", "C"}, -1},
        {2, ID_BOX_DISABLE, {"A", "B", "C"}, 1},
    };
    bool busyWhileAsking = false;
    struct Asking : test::RecordingMessageBoxes
    {
        std::function<void()> asked;
        int show(const QString& text, const QString& caption, unsigned type) override
        {
            asked();
            return RecordingMessageBoxes::show(text, caption, type);
        }
    } asking;
    asking.asked = [&] { busyWhileAsking = window->m_bBusy; };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.command << " on " << c.selected);
        openThree();
        asking.answer = c.after.size() == 3 && c.command == ID_BOX_DELETE ? platform::IDNO : platform::IDYES;
        asking.shown.clear();
        const uint64_t stale = c.staleFrom >= 0 ? box(c.staleFrom).m_nThreadStart : 0;
        BoxRecord* moved = window->m_pBoxes[size_t(c.selected - 1)];
        const uint64_t movedStart = moved->m_nThreadStart;

        boxmenu::choose(*window, c.selected, c.command);
        EXPECT_EQ(names(), c.after);
        expectInvariants();
        EXPECT_EQ(window->m_nSelectedBox, c.selected);
        EXPECT_FALSE(window->m_bBusy);
        if (c.command == ID_BOX_DELETE) {
            ASSERT_EQ(asking.shown.size(), 1u);
            EXPECT_EQ(asking.shown[0].text,
                      QStringLiteral("Are you sure that you want to delete this Check?"));
            EXPECT_EQ(asking.shown[0].type, platform::MB_YESNO | platform::MB_ICONQUESTION);
            EXPECT_TRUE(busyWhileAsking);
        }
        if (c.staleFrom >= 0) {
            BoxRecord& now = box(c.staleFrom);
            const int status = now.m_nStatus;
            const uint32_t reply = now.m_dwLastValue;
            deliver(c.staleFrom, stale);
            EXPECT_EQ(now.m_nStatus, status);
            EXPECT_EQ(now.m_dwLastValue, reply);
        }
        if (c.command == ID_BOX_MOVELEFT || c.command == ID_BOX_MOVERIGHT) {
            // The moved box keeps its thread, whose results now come under its new index.
            EXPECT_EQ(moved->m_nThreadStart, movedStart);
            deliver(moved->m_nIndex, movedStart);
            EXPECT_EQ(moved->m_nStatus, STATUS_UP);
        }
        window->close();
    }
}

TEST_F(StripCommands, DuplicateCarriesEverySettingAndStartsAnew)
{
    open(1, checkedBox(0, "Full") +
                "OnLineBoxColor=255\nOffLineTextColor=2\nLogging=1\nMsgBox=3\nSound=5\nSpeechTextCheck=7\n"
                "CustomSoundCheck=9\nUpPath=/up.wav\nTcpDownPath=/td.wav\nTDownTextString=t\nExecFilePath=/"
                "bin/true\n"
                "ExecFileParam=%ip\nExecFileStatusCheck=31\nnMSGB=2\nnEF=4\nMsgBoxDesc=%name!\nPhrase="
                "hi\nRunHideMode=1\n");
    ASSERT_TRUE(test::waitFor([this] { return box(0).m_nStatus == STATUS_CLOSE; }));
    boxmenu::choose(*window, 1, ID_BOX_DUPLICATE);
    ASSERT_EQ(window->NumBox, 2);
    expectInvariants();
    CIniFile ini;
    ini.SetFileName(configPath());
    for (const BoxKeySpec& key : boxKeys())
        EXPECT_EQ(ini.GetString(config::boxSection(1), QString::fromLatin1(key.name), "missing"),
                  ini.GetString(config::boxSection(0), QString::fromLatin1(key.name), "missing"))
            << key.name;
    EXPECT_FALSE(box(1).m_hOnLineIcon.isNull());
    // CHECKING until its own thread's first result.
    EXPECT_NE(box(1).m_nThreadStart, box(0).m_nThreadStart);
    EXPECT_TRUE(test::waitFor([this] { return box(1).m_nStatus == STATUS_CLOSE; }));

    // A disabled box's copy is disabled; 69 boxes become 70.
    open(69, disabledBoxes(69));
    boxmenu::choose(*window, 69, ID_BOX_DUPLICATE);
    ASSERT_EQ(window->NumBox, 70);
    expectInvariants();
    EXPECT_EQ(box(69).m_nStatus, STATUS_DISABLED);
    EXPECT_EQ(box(69).Text, QStringLiteral("Box 68"));
}

TEST_F(StripCommands, EnableChecksAgainWithANewThread)
{
    open(1, checkedBox(0, "A") + "Disabled=1\n");
    EXPECT_EQ(box(0).m_nStatus, STATUS_DISABLED);
    boxmenu::choose(*window, 1, ID_BOX_DISABLE);
    EXPECT_EQ(box(0).Disabled, 0);
    expectInvariants();
    EXPECT_TRUE(test::waitFor([this] { return box(0).m_nStatus == STATUS_CLOSE; }));
}

} // namespace
