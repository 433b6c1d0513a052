#pragma once

#include "NetProbe.h"
#include "platform/desktop/Messages.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

class BoxRecord;

// The record whose address travels with WM_CHECKRESULT; valid only while the
// message is handled.
struct CheckReply
{
    uint32_t dwReplyTime = 0xFFFFFFFF; // milliseconds, 0xFFFFFFFF when none
    uint32_t dwErrorCode = 0;
    // The thread start that produced the result; the handler drops a result
    // whose start no longer serves the box at that index.
    uint64_t nThreadStart = 0;
    // When the check ended (monotonic nanoseconds), for measuring how long
    // results wait to be handled.
    uint64_t nCheckEnd = 0;
};

inline platform::WPARAM packCheckResult(int status, int index)
{
    return (platform::WPARAM(uint16_t(status)) << 16) | platform::WPARAM(uint16_t(index & 0xFFFF));
}
inline int checkResultIndex(platform::WPARAM wParam)
{
    return int(wParam & 0xFFFF);
}
inline int checkResultStatus(platform::WPARAM wParam)
{
    return int((wParam >> 16) & 0xFFFF);
}

// The check thread of one box: checks at once, then at the box's interval,
// and sends every result to the box's window, waiting until it is handled.
// It works on a copy of the box's settings taken on the user-interface
// thread before it starts, and ends by itself once its stop flag is set.
class CNetThread
{
public:
    CNetThread() = default;
    CNetThread(const CNetThread&) = delete;
    CNetThread& operator=(const CNetThread&) = delete;

    // Copies what the checks need; on the user-interface thread.
    void CopySettings(const BoxRecord& box);
    // Runs InitInstance on a thread of its own; false when none could be made.
    static bool Begin(const std::shared_ptr<CNetThread>& thread);
    // The whole life of the thread.
    void InitInstance();
    // Lets the box go: no result is sent after this returns.
    void Detach();

    // Waits at most `milliseconds` for every check thread of the process to
    // end; true when none runs any more. A thread may be waiting for its
    // result to be handled: the window's thread calls this only once the
    // window's receiver is gone (or while it handles events).
    static bool WaitForAll(int milliseconds);
    static int RunningCount();

    std::atomic<BoxRecord*> m_pBox{nullptr};
    uint32_t m_nPort = 0;
    CNetProbe m_probe;
    std::atomic<bool> m_bStop{false};

    QByteArray m_strTarget;
    int32_t m_nIPv = 0;
    int32_t m_nVerifyMetod = 0;
    QString m_strPhrase;
    uint32_t m_nCheckInterval = 1;
    uint64_t m_nThreadStart = 0;

private:
    int RunCheck();
    // Hands the result to the box's window; nothing when the box let go.
    std::optional<platform::SentMessage> Report(int status, const CheckReply& reply);
    // Returns at `deadline`, or at once when a stop is asked for.
    void WaitUntil(std::chrono::steady_clock::time_point deadline);

    // Held while the box is let go, and while a report reads the box's index
    // and window, so that a report never reads a record being deleted.
    std::mutex m_reportLock;
    // Wakes the wait between checks when the thread is told to stop.
    std::mutex m_wakeLock;
    std::condition_variable m_wake;
};
