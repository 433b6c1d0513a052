#include "core/StatusEvaluation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Readable failure messages for Qt strings.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

constexpr uint32_t kFired = 0xFFFF;
constexpr std::time_t kNow = 1700000000;

// A box as the configuration gives it: nothing selected, no status yet.
struct Box
{
    BoxRecord record{nullptr, 0};
    explicit Box(int method = METHOD_PING)
    {
        record.Text = QStringLiteral("Router");
        record.VerifyMetod = method;
    }
};

// One report after the other, as the check thread sends them.
std::vector<Evaluation> feed(BoxRecord& box, const std::vector<int>& statuses, const MainSettings& settings)
{
    std::vector<Evaluation> results;
    for (int status : statuses)
        results.push_back(evaluateResult(box, status, 10, 0, settings, kNow));
    return results;
}

// The positions of the reports that fired, for readable comparisons.
template <typename Flag> std::vector<int> firedAt(const std::vector<Evaluation>& results, Flag flag)
{
    std::vector<int> positions;
    for (size_t i = 0; i < results.size(); ++i)
        if (results[i].*flag)
            positions.push_back(int(i));
    return positions;
}

TEST(StatusEvaluation, MaskBitsOfEachStatus)
{
    const struct
    {
        int status;
        uint32_t notify;
        uint32_t exec;
    } cases[] = {
        {STATUS_UNKNOWN, 0, 0},
        {STATUS_DOWN, 2, 2},
        {STATUS_UP, 1, 1},
        {STATUS_NET_ERROR, 8, 16},
        {STATUS_IP_ERROR, 8, 8},
        {STATUS_CHECKING, 0, 0},
        {STATUS_CLOSE, 4, 4},
        {STATUS_DISABLED, 0, 0},
        {STATUS_VOLUME_TEST, 0, 0},
        {3, 0, 0},
        {8, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        EXPECT_EQ(notifyMaskBit(c.status), c.notify);
        EXPECT_EQ(execMaskBit(c.status), c.exec);
    }
}

TEST(StatusEvaluation, RepeatRuleSingleSteps)
{
    const struct
    {
        const char* what;
        uint32_t mask;
        int status;
        int previous;
        uint32_t counter;
        uint32_t repeat;
        bool fires;
        uint32_t counterAfter;
    } cases[] = {
        {"status not selected, even on a change", 1, STATUS_DOWN, STATUS_UP, 5, 0, false, 5},
        {"status not selected, no change", 4, STATUS_UP, STATUS_UP, 3, 0, false, 3},
        {"empty mask keeps a fired counter", 0, STATUS_DOWN, STATUS_UP, kFired, 0, false, kFired},
        {"first report with no repeat", 2, STATUS_DOWN, STATUS_UP, 0, 0, true, kFired},
        {"change resets a fired counter", 2, STATUS_DOWN, STATUS_UP, kFired, 0, true, kFired},
        {"change resets a running counter", 2, STATUS_DOWN, STATUS_UP, 2, 2, false, 1},
        {"fired episode stays quiet", 2, STATUS_DOWN, STATUS_DOWN, kFired, 0, false, kFired},
        {"counting up", 2, STATUS_DOWN, STATUS_DOWN, 1, 2, false, 2},
        {"reaching the repeat count", 2, STATUS_DOWN, STATUS_DOWN, 2, 2, true, kFired},
        {"past the repeat count", 2, STATUS_DOWN, STATUS_DOWN, 5, 2, true, kFired},
        {"close", 4, STATUS_CLOSE, STATUS_UP, 0, 0, true, kFired},
        {"net error", 8, STATUS_NET_ERROR, STATUS_DOWN, 0, 0, true, kFired},
        {"ip error", 8, STATUS_IP_ERROR, STATUS_NET_ERROR, 0, 0, true, kFired},
        {"checking has no bit", 0xFF, STATUS_CHECKING, STATUS_UP, 4, 0, false, 4},
        {"disabled has no bit", 0xFF, STATUS_DISABLED, STATUS_UP, 4, 0, false, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        uint32_t counter = c.counter;
        EXPECT_EQ(repeatRuleFires(c.mask, c.status, c.previous, counter, c.repeat), c.fires);
        EXPECT_EQ(counter, c.counterAfter);
    }
}

TEST(StatusEvaluation, RepeatRuleWithTheProgramBits)
{
    const struct
    {
        uint32_t mask;
        int status;
        bool fires;
    } cases[] = {
        {16, STATUS_NET_ERROR, true}, {16, STATUS_IP_ERROR, false}, {8, STATUS_IP_ERROR, true},
        {8, STATUS_NET_ERROR, false}, {4, STATUS_CLOSE, true},      {1, STATUS_UP, true},
        {2, STATUS_DOWN, true},       {1, STATUS_DOWN, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mask " << c.mask << " status " << c.status);
        uint32_t counter = 0;
        EXPECT_EQ(repeatRuleFires(c.mask, c.status, STATUS_UNKNOWN, counter, 0, execMaskBit), c.fires);
        EXPECT_EQ(counter, c.fires ? kFired : 0u);
    }
    // The notification bits know no 16.
    uint32_t counter = 0;
    EXPECT_FALSE(repeatRuleFires(16, STATUS_NET_ERROR, STATUS_UNKNOWN, counter, 0));
}

TEST(StatusEvaluation, RepeatRuleFiresOncePerEpisodeAtReportRepeatPlusOne)
{
    for (uint32_t repeat : {0u, 1u, 2u, 5u}) {
        SCOPED_TRACE(repeat);
        uint32_t counter = 0;
        int previous = STATUS_UP;
        std::vector<int> fired;
        // Two episodes of Down, each far longer than the repeat count,
        // separated by one Up.
        const int length = int(repeat) * 2 + 3;
        std::vector<int> reports(size_t(length), STATUS_DOWN);
        reports.push_back(STATUS_UP);
        reports.insert(reports.end(), size_t(length), STATUS_DOWN);
        for (size_t i = 0; i < reports.size(); ++i) {
            if (repeatRuleFires(2, reports[i], previous, counter, repeat))
                fired.push_back(int(i));
            previous = reports[i];
        }
        const std::vector<int> expected = {int(repeat), length + 1 + int(repeat)};
        EXPECT_EQ(fired, expected);
    }
}

TEST(StatusEvaluation, StoresTheResultAndTheStatusText)
{
    const struct
    {
        int method;
        int status;
        uint32_t code;
        const char* text;
        uint32_t codeAfter;
    } cases[] = {
        {METHOD_PING, STATUS_NET_ERROR, 11010, "NET ERROR", 11010},
        {METHOD_URL, STATUS_NET_ERROR, 12007, "NET ERROR", 12007},
        {METHOD_PING, STATUS_IP_ERROR, 11001, "IP ERROR", 11001},
        {METHOD_TCP, STATUS_IP_ERROR, 11001, "IP ERROR", 11001},
        {METHOD_URL, STATUS_IP_ERROR, 12005, "URL ERROR", 12005},
        {METHOD_PING, STATUS_CHECKING, 77, "CHECKING", 0},
        {METHOD_URL, STATUS_DISABLED, 77, "DISABLED", 0},
        // Up, Down and Close leave the text to the painter.
        {METHOD_PING, STATUS_UP, 0, "old text", 0},
        {METHOD_PING, STATUS_DOWN, 11010, "old text", 11010},
        {METHOD_TCP, STATUS_CLOSE, 10061, "old text", 10061},
    };
    const MainSettings settings;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "method " << c.method << " status " << c.status);
        Box box(c.method);
        box.record.m_strStatusText = QStringLiteral("old text");
        box.record.m_dwLastCode = 5;
        evaluateResult(box.record, c.status, 42, c.code, settings, kNow);
        EXPECT_EQ(box.record.m_nStatus, c.status);
        EXPECT_EQ(box.record.m_dwLastValue, 42u);
        EXPECT_EQ(box.record.m_dwLastCode, c.codeAfter);
        EXPECT_EQ(box.record.m_strStatusText, QString::fromLatin1(c.text));
    }
}

TEST(StatusEvaluation, TimeOfTheLastChange)
{
    const struct
    {
        int previous;
        int status;
        bool changes;
    } cases[] = {
        {STATUS_UNKNOWN, STATUS_UP, true},    {STATUS_CHECKING, STATUS_DOWN, true},
        {STATUS_UP, STATUS_DOWN, true},       {STATUS_DOWN, STATUS_UP, true},
        {STATUS_UP, STATUS_CLOSE, true},      {STATUS_NET_ERROR, STATUS_CLOSE, true},
        {STATUS_DISABLED, STATUS_UP, true},   {STATUS_UP, STATUS_UP, false},
        {STATUS_DOWN, STATUS_DOWN, false},    {STATUS_CLOSE, STATUS_CLOSE, false},
        {STATUS_UP, STATUS_NET_ERROR, false}, {STATUS_DOWN, STATUS_IP_ERROR, false},
        {STATUS_UP, STATUS_CHECKING, false},  {STATUS_UP, STATUS_DISABLED, false},
    };
    const MainSettings settings;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.previous << " -> " << c.status);
        Box box;
        box.record.m_nStatus = c.previous;
        box.record.m_tLastChange = 1234;
        evaluateResult(box.record, c.status, 1, 0, settings, kNow);
        EXPECT_EQ(box.record.m_tLastChange, c.changes ? int64_t(kNow) : int64_t(1234));
    }
}

TEST(StatusEvaluation, RepaintsOnAChangeOrAShownReplyTime)
{
    const struct
    {
        const char* what;
        int previous;
        uint32_t previousReply;
        int status;
        uint32_t reply;
        bool showReplyTime;
        bool repaint;
    } cases[] = {
        {"up, reply changed, shown", STATUS_UP, 12, STATUS_UP, 13, true, true},
        {"up, reply changed, hidden", STATUS_UP, 12, STATUS_UP, 13, false, false},
        {"up, same reply, shown", STATUS_UP, 12, STATUS_UP, 12, true, false},
        {"close, reply changed, shown", STATUS_CLOSE, 12, STATUS_CLOSE, 13, true, true},
        {"close, reply changed, hidden", STATUS_CLOSE, 12, STATUS_CLOSE, 13, false, false},
        {"down, reply changed, shown", STATUS_DOWN, 12, STATUS_DOWN, 0xFFFFFFFF, true, false},
        {"down, reply changed, shown (2)", STATUS_DOWN, 12, STATUS_DOWN, 13, true, false},
        {"net error, reply changed, shown", STATUS_NET_ERROR, 12, STATUS_NET_ERROR, 13, true, false},
        {"checking, reply changed, shown", STATUS_CHECKING, 12, STATUS_CHECKING, 13, true, false},
        {"up to down, hidden", STATUS_UP, 12, STATUS_DOWN, 12, false, true},
        {"down to up, same reply, hidden", STATUS_DOWN, 12, STATUS_UP, 12, false, true},
        {"net to ip error", STATUS_NET_ERROR, 0, STATUS_IP_ERROR, 0, false, true},
        {"unknown to checking", STATUS_UNKNOWN, 0xFFFFFFFF, STATUS_CHECKING, 0xFFFFFFFF, false, true},
        {"same status, nothing new", STATUS_DISABLED, 0xFFFFFFFF, STATUS_DISABLED, 0xFFFFFFFF, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MainSettings settings;
        settings.m_bShowReplyTime = c.showReplyTime;
        Box box;
        box.record.m_nStatus = c.previous;
        box.record.m_dwLastValue = c.previousReply;
        EXPECT_EQ(evaluateResult(box.record, c.status, c.reply, 0, settings, kNow).repaint, c.repaint);
    }
}

TEST(StatusEvaluation, EachNotificationCountsItsOwnEpisode)
{
    const MainSettings settings;
    Box box;
    BoxRecord& r = box.record;
    r.Sound = 2;
    r.nPS = 0;
    r.MsgBox = 2;
    r.nMSGB = 1;
    r.ExecFileCheck = 1;
    r.ExecFileStatusCheck = 2;
    r.nEF = 2;
    const auto results = feed(r, {STATUS_DOWN, STATUS_DOWN, STATUS_DOWN, STATUS_DOWN}, settings);
    EXPECT_EQ(firedAt(results, &Evaluation::sound), std::vector<int>{0});
    EXPECT_EQ(firedAt(results, &Evaluation::messageBox), std::vector<int>{1});
    EXPECT_EQ(firedAt(results, &Evaluation::program), std::vector<int>{2});
    EXPECT_EQ(r.m_nSoundCount, kFired);
    EXPECT_EQ(r.m_nMsgBoxCount, kFired);
    EXPECT_EQ(r.m_nExecCount, kFired);
}

TEST(StatusEvaluation, SoundEpisodes)
{
    const struct
    {
        const char* what;
        uint8_t sound;
        uint32_t nPS;
        std::vector<int> reports;
        std::vector<int> fired;
    } cases[] = {
        {"third down, then again after an up",
         2,
         2,
         {STATUS_DOWN, STATUS_DOWN, STATUS_DOWN, STATUS_DOWN, STATUS_UP, STATUS_DOWN, STATUS_DOWN,
          STATUS_DOWN},
         {2, 7}},
        {"an unselected status in between still ends the episode",
         2,
         0,
         {STATUS_DOWN, STATUS_DOWN, STATUS_NET_ERROR, STATUS_DOWN},
         {0, 3}},
        {"errors alternate: each report is a new episode",
         8,
         0,
         {STATUS_NET_ERROR, STATUS_IP_ERROR, STATUS_NET_ERROR},
         {0, 1, 2}},
        {"a repeated error fires once", 8, 0, {STATUS_NET_ERROR, STATUS_NET_ERROR, STATUS_NET_ERROR}, {0}},
        {"up and down both selected", 3, 0, {STATUS_UP, STATUS_UP, STATUS_DOWN, STATUS_UP}, {0, 2, 3}},
        {"close", 4, 1, {STATUS_UP, STATUS_CLOSE, STATUS_CLOSE, STATUS_CLOSE}, {2}},
        {"nothing selected", 0, 0, {STATUS_UP, STATUS_DOWN, STATUS_NET_ERROR, STATUS_CLOSE}, {}},
        {"checking and disabled never", 0xFF, 0, {STATUS_CHECKING, STATUS_DISABLED, STATUS_CHECKING}, {}},
    };
    const MainSettings settings;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Box box;
        box.record.Sound = c.sound;
        box.record.nPS = c.nPS;
        const auto results = feed(box.record, c.reports, settings);
        EXPECT_EQ(firedAt(results, &Evaluation::sound), c.fired);
        // The request is for the report that fired it.
        for (int i : c.fired)
            EXPECT_EQ(results[size_t(i)].soundRequest.m_nStatus, c.reports[size_t(i)]);
    }
}

TEST(StatusEvaluation, OnlyTheLowByteOfTheMessageBoxAndProgramMasksCounts)
{
    const struct
    {
        int32_t msgBox;
        int32_t execStatus;
        int status;
        bool messageBox;
        bool program;
    } cases[] = {
        {0x102, 0x102, STATUS_DOWN, true, true},      {0x100, 0x100, STATUS_DOWN, false, false},
        {-1, -1, STATUS_NET_ERROR, true, true},       {0x7FFFFF00, 0x7FFFFF00, STATUS_UP, false, false},
        {0x108, 0x110, STATUS_NET_ERROR, true, true}, {0x108, 0x110, STATUS_IP_ERROR, true, false},
    };
    const MainSettings settings;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << std::hex << c.msgBox << " " << c.execStatus << " status " << std::dec << c.status);
        Box box;
        box.record.MsgBox = c.msgBox;
        box.record.ExecFileStatusCheck = c.execStatus;
        box.record.ExecFileCheck = 1;
        const Evaluation result = evaluateResult(box.record, c.status, 1, 0, settings, kNow);
        EXPECT_EQ(result.messageBox, c.messageBox);
        EXPECT_EQ(result.program, c.program);
    }
}

TEST(StatusEvaluation, ProgramRunsOnlyWhenSwitchedOn)
{
    const struct
    {
        int32_t execFileCheck;
        int32_t statusCheck;
        std::vector<int> reports;
        std::vector<int> fired;
    } cases[] = {
        {1, 16, {STATUS_NET_ERROR}, {0}},
        {1, 16, {STATUS_IP_ERROR}, {}},
        {1, 16, {STATUS_IP_ERROR, STATUS_NET_ERROR, STATUS_IP_ERROR, STATUS_NET_ERROR}, {1, 3}},
        {1, 8, {STATUS_IP_ERROR, STATUS_NET_ERROR, STATUS_IP_ERROR}, {0, 2}},
        {1, 7, {STATUS_UP, STATUS_DOWN, STATUS_CLOSE, STATUS_CLOSE}, {0, 1, 2}},
        {0, 0xFF, {STATUS_NET_ERROR, STATUS_IP_ERROR, STATUS_UP, STATUS_DOWN, STATUS_CLOSE}, {}},
    };
    const MainSettings settings;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "check " << c.execFileCheck << " mask " << c.statusCheck);
        Box box;
        box.record.ExecFileCheck = c.execFileCheck;
        box.record.ExecFileStatusCheck = c.statusCheck;
        EXPECT_EQ(firedAt(feed(box.record, c.reports, settings), &Evaluation::program), c.fired);
    }
}

TEST(StatusEvaluation, LogsTheChangesIntoLoggedStatuses)
{
    const std::vector<int> reports = {
        STATUS_CHECKING, STATUS_DOWN,      STATUS_DOWN,     STATUS_UP,       STATUS_UP,
        STATUS_CLOSE,    STATUS_NET_ERROR, STATUS_IP_ERROR, STATUS_IP_ERROR, STATUS_DISABLED,
        STATUS_CHECKING, STATUS_IP_ERROR,  STATUS_CHECKING, STATUS_UP,
    };
    const std::vector<int> changes = {1, 3, 5, 6, 7, 11, 13};
    const struct
    {
        int32_t enableLog;
        int32_t boxLogging;
        bool logs;
    } cases[] = {{1, 0, true}, {0, 1, true}, {1, 1, true}, {0, 0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "EnableLog " << c.enableLog << " Logging " << c.boxLogging);
        MainSettings settings;
        settings.EnableLog = c.enableLog;
        Box box;
        box.record.Logging = c.boxLogging;
        const auto results = feed(box.record, reports, settings);
        EXPECT_EQ(firedAt(results, &Evaluation::log), c.logs ? changes : std::vector<int>{});
    }

    // Down, Down, Up: the first Down and the Up.
    MainSettings settings;
    settings.EnableLog = 1;
    Box box;
    EXPECT_EQ(firedAt(feed(box.record, {STATUS_DOWN, STATUS_DOWN, STATUS_UP}, settings), &Evaluation::log),
              (std::vector<int>{0, 2}));
}

struct Expected
{
    int custom;
    const char* file;
    int speak;
    const char* text;
};

// The file matters only to a custom sound, the text and name only to speech.
void expectRequest(const SoundRequest& request, int status, const Expected& expected)
{
    EXPECT_EQ(request.m_nStatus, status);
    EXPECT_EQ(request.m_bCustomSound, expected.custom);
    EXPECT_EQ(request.m_bSpeak, expected.speak);
    if (expected.custom) {
        EXPECT_EQ(request.m_strSoundFile, QString::fromLatin1(expected.file));
    }
    if (expected.speak) {
        EXPECT_EQ(request.m_strSpeechText, QString::fromLatin1(expected.text));
        EXPECT_EQ(request.m_strBoxName, QStringLiteral("Router"));
    }
}

// A box with a file and a text for every row, so that a wrong row shows.
void fillRows(BoxRecord& box)
{
    box.UpPath = QStringLiteral("up.wav");
    box.DownPath = QStringLiteral("down.wav");
    box.OpenPath = QStringLiteral("open.wav");
    box.ClosePath = QStringLiteral("close.wav");
    box.TcpDownPath = QStringLiteral("tcpdown.wav");
    box.UpTextString = QStringLiteral("%name is up");
    box.DownTextString = QStringLiteral("%name is down");
    box.OpenTextString = QStringLiteral("%name is open");
    box.CloseTextString = QStringLiteral("%name is closed");
    box.TDownTextString = QStringLiteral("%name port down");
}

TEST(StatusEvaluation, SoundRequestRows)
{
    const struct
    {
        int method;
        int status;
        int32_t customCheck;
        int32_t speechCheck;
        Expected expected;
    } cases[] = {
        // Up of Ping and URL: bit 1.
        {METHOD_PING, STATUS_UP, 1, 0, {1, "up.wav", 0, ""}},
        {METHOD_URL, STATUS_UP, 1, 0, {1, "up.wav", 0, ""}},
        {METHOD_PING, STATUS_UP, 0, 1, {0, "", 1, "%name is up"}},
        {METHOD_PING, STATUS_UP, 1, 1, {1, "up.wav", 0, ""}},
        {METHOD_PING, STATUS_UP, 0x1E, 0x1E, {0, "", 0, ""}},
        // Down of Ping and URL: bit 2.
        {METHOD_PING, STATUS_DOWN, 2, 0, {1, "down.wav", 0, ""}},
        {METHOD_URL, STATUS_DOWN, 0, 2, {0, "", 1, "%name is down"}},
        {METHOD_URL, STATUS_DOWN, 0x1D, 0x1D, {0, "", 0, ""}},
        // Up of TCP (Open): bit 4.
        {METHOD_TCP, STATUS_UP, 4, 0, {1, "open.wav", 0, ""}},
        {METHOD_TCP, STATUS_UP, 0, 4, {0, "", 1, "%name is open"}},
        {METHOD_TCP, STATUS_UP, 1, 1, {0, "", 0, ""}},
        // Close: bit 8.
        {METHOD_TCP, STATUS_CLOSE, 8, 8, {1, "close.wav", 0, ""}},
        {METHOD_TCP, STATUS_CLOSE, 0, 8, {0, "", 1, "%name is closed"}},
        {METHOD_TCP, STATUS_CLOSE, 0x17, 0x17, {0, "", 0, ""}},
        // Down of TCP: bit 16.
        {METHOD_TCP, STATUS_DOWN, 16, 0, {1, "tcpdown.wav", 0, ""}},
        {METHOD_TCP, STATUS_DOWN, 2, 16, {0, "", 1, "%name port down"}},
        {METHOD_TCP, STATUS_DOWN, 2, 2, {0, "", 0, ""}},
    };
    MainSettings settings;
    settings.ErrorDefaultSound = 1;
    settings.PlayErrorDefSoundPath = QStringLiteral("error.wav");
    settings.ErrorTextSpeechSound = 1;
    settings.ErrorTextSpeechText = QStringLiteral("error text");
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "method " << c.method << " status " << c.status << " custom "
                                          << c.customCheck << " speech " << c.speechCheck);
        Box box(c.method);
        fillRows(box.record);
        box.record.CustomSoundCheck = c.customCheck;
        box.record.SpeechTextCheck = c.speechCheck;
        expectRequest(soundRequestFor(box.record, c.status, settings), c.status, c.expected);
    }
}

TEST(StatusEvaluation, ErrorSoundsComeFromTheMainSettings)
{
    const struct
    {
        int32_t errorDefaultSound;
        const char* path;
        int32_t errorSpeech;
        const char* text;
    } settingsCases[] = {
        {0, "", 0, ""},
        {1, "error.wav", 0, "said"},
        {0, "error.wav", 1, "%name failed"},
        {1, "both.wav", 1, "both"},
    };
    for (int status : {STATUS_NET_ERROR, STATUS_IP_ERROR}) {
        for (int method : {METHOD_PING, METHOD_TCP, METHOD_URL}) {
            for (const auto& s : settingsCases) {
                SCOPED_TRACE(::testing::Message() << "status " << status << " method " << method << " "
                                                  << s.errorDefaultSound << s.errorSpeech);
                MainSettings settings;
                settings.ErrorDefaultSound = s.errorDefaultSound;
                settings.PlayErrorDefSoundPath = QString::fromLatin1(s.path);
                settings.ErrorTextSpeechSound = s.errorSpeech;
                settings.ErrorTextSpeechText = QString::fromLatin1(s.text);
                Box box(method);
                fillRows(box.record);
                // The box's own choices play no part in errors.
                box.record.CustomSoundCheck = 0xFF;
                box.record.SpeechTextCheck = 0xFF;
                const SoundRequest request = soundRequestFor(box.record, status, settings);
                EXPECT_EQ(request.m_nStatus, status);
                EXPECT_EQ(request.m_bCustomSound, s.errorDefaultSound);
                EXPECT_EQ(request.m_strSoundFile, QString::fromLatin1(s.path));
                EXPECT_EQ(request.m_bSpeak, s.errorSpeech);
                EXPECT_EQ(request.m_strSpeechText, QString::fromLatin1(s.text));
                EXPECT_EQ(request.m_strBoxName, QStringLiteral("Router"));
            }
        }
    }
}

TEST(StatusEvaluation, ClosingTcpPortPlaysTheBoxsChoice)
{
    const struct
    {
        const char* what;
        int32_t customCheck;
        int32_t speechCheck;
        Expected expected;
    } cases[] = {
        {"own file", 8, 0, {1, "close.wav", 0, ""}},
        {"speech", 0, 8, {0, "", 1, "%name is closed"}},
        {"built-in", 0, 0, {0, "", 0, ""}},
    };
    const MainSettings settings;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Box box(METHOD_TCP);
        fillRows(box.record);
        box.record.Sound = 4;
        box.record.CustomSoundCheck = c.customCheck;
        box.record.SpeechTextCheck = c.speechCheck;
        const auto results = feed(box.record, {STATUS_UP, STATUS_CLOSE}, settings);
        EXPECT_FALSE(results[0].sound);
        ASSERT_TRUE(results[1].sound);
        expectRequest(results[1].soundRequest, STATUS_CLOSE, c.expected);
    }
}

} // namespace
