#include "NetThread.h"

#include "BoxRecord.h"
#include "ThreadCount.h"
#include "platform/Clock.h"

#include <chrono>
#include <condition_variable>
#include <optional>
#include <system_error>
#include <thread>

namespace {
ThreadCount g_checkThreads;

// Intervals end on a common beat of 1/64 s, so that boxes checking in the
// same second wake together and their results reach the window in one batch
// rather than one wake each. An interval's end moves by at most half a beat.
std::chrono::steady_clock::time_point onBeat(std::chrono::steady_clock::time_point end)
{
    using Beat = std::chrono::duration<int64_t, std::ratio<1, 64>>;
    const Beat beats = std::chrono::round<Beat>(end.time_since_epoch());
    return std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(beats));
}
} // namespace

void CNetThread::CopySettings(const BoxRecord& box)
{
    m_strTarget = box.IPAdress.toUtf8();
    m_nIPv = box.IPv;
    m_nVerifyMetod = box.VerifyMetod;
    m_nPort = box.Port;
    m_strPhrase = box.Phrase;
    m_nCheckInterval = box.CheckInterval;
}

bool CNetThread::Begin(const std::shared_ptr<CNetThread>& thread)
{
    g_checkThreads.add(+1);
    try {
        // The thread holds the object as long as it runs; the box may let go
        // of it at any time.
        std::thread([thread] {
            thread->InitInstance();
            g_checkThreads.add(-1);
        }).detach();
        return true;
    } catch (const std::system_error&) {
        g_checkThreads.add(-1);
        return false;
    }
}

void CNetThread::Detach()
{
    {
        std::lock_guard guard(m_reportLock);
        m_pBox = nullptr;
        m_bStop = true;
    }
    // Taking the lock orders the stop before or after the thread's test of
    // it; the notification itself needs no lock.
    {
        std::lock_guard guard(m_wakeLock);
    }
    m_wake.notify_all();
}

bool CNetThread::WaitForAll(int milliseconds)
{
    return g_checkThreads.waitForZero(milliseconds);
}

int CNetThread::RunningCount()
{
    return g_checkThreads.value();
}

int CNetThread::RunCheck()
{
    m_probe.m_dwLastError = 0;
    switch (m_nVerifyMetod) {
    case METHOD_PING:
        if (m_nIPv == 0)
            return m_probe.PingV4(m_strTarget);
        if (m_nIPv == 1)
            return m_probe.PingV6(m_strTarget);
        break;
    case METHOD_TCP:
        if (m_nIPv == 0)
            return m_probe.TcpConnectV4(m_strTarget, m_nPort);
        if (m_nIPv == 1)
            return m_probe.TcpConnectV6(m_strTarget, m_nPort);
        break;
    case METHOD_URL:
        return m_probe.CheckUrl(m_strTarget, m_strPhrase);
    default:
        break;
    }
    m_probe.m_dwReplyTime = 0xFFFFFFFF;
    return STATUS_NET_ERROR;
}

std::optional<platform::SentMessage> CNetThread::Report(int status, const CheckReply& reply)
{
    int index;
    platform::HWND window;
    {
        std::lock_guard guard(m_reportLock);
        const BoxRecord* box = m_pBox;
        if (!box)
            return std::nullopt;
        index = box->m_nIndex;
        window = box->m_hWndNotify;
    }
    return std::optional<platform::SentMessage>(std::in_place, window, platform::WM_CHECKRESULT,
                                                packCheckResult(status, index),
                                                reinterpret_cast<platform::LPARAM>(&reply));
}

void CNetThread::WaitUntil(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock lock(m_wakeLock);
    m_wake.wait_until(lock, deadline, [this] { return m_bStop.load(); });
}

void CNetThread::InitInstance()
{
    m_probe.m_pStop = &m_bStop;
    const auto interval = std::chrono::seconds(m_nCheckInterval);
    for (;;) {
        const int status = RunCheck();
        const uint64_t checkEnd = platform::monotonicNanoseconds();
        if (m_bStop)
            break;
        CheckReply reply;
        reply.dwReplyTime = m_probe.m_dwReplyTime;
        reply.dwErrorCode = m_probe.m_dwLastError;
        reply.nThreadStart = m_nThreadStart;
        reply.nCheckEnd = checkEnd;
        // The window handles the result while the interval runs: the thread
        // sleeps once, until the interval's end or a stop, rather than once
        // for the handling and once more for the interval. It goes on only
        // once the result is handled (the reply lives here until then); a
        // handling that outlasts the interval is followed by a whole one.
        std::optional<platform::SentMessage> sent = Report(status, reply);
        WaitUntil(onBeat(std::chrono::steady_clock::now() + interval));
        if (sent && !sent->isHandled()) {
            sent->wait();
            if (!m_bStop)
                WaitUntil(onBeat(std::chrono::steady_clock::now() + interval));
        }
        sent.reset();
        if (m_bStop)
            break;
    }
    m_probe.CloseHandles();
}
