#include "NetThread.h"

#include "BoxRecord.h"
#include "ThreadCount.h"
#include "platform/Clock.h"

#include <chrono>
#include <condition_variable>
#include <system_error>
#include <thread>

namespace {
ThreadCount g_checkThreads;
}

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

void CNetThread::Report(int status, uint64_t checkEnd)
{
    int index;
    platform::HWND window;
    {
        std::lock_guard guard(m_reportLock);
        const BoxRecord* box = m_pBox;
        if (!box)
            return;
        index = box->m_nIndex;
        window = box->m_hWndNotify;
    }
    CheckReply reply;
    reply.dwReplyTime = m_probe.m_dwReplyTime;
    reply.dwErrorCode = m_probe.m_dwLastError;
    reply.nThreadStart = m_nThreadStart;
    reply.nCheckEnd = checkEnd;
    platform::SendMessage(window, platform::WM_CHECKRESULT, packCheckResult(status, index),
                          reinterpret_cast<platform::LPARAM>(&reply));
}

void CNetThread::InitInstance()
{
    m_probe.m_pStop = &m_bStop;
    for (;;) {
        const int status = RunCheck();
        const uint64_t checkEnd = platform::monotonicNanoseconds();
        if (m_bStop)
            break;
        Report(status, checkEnd);
        if (m_bStop)
            break;
        // The interval in one wait, which a stop request ends at once.
        if (m_nCheckInterval > 0) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(m_nCheckInterval);
            std::unique_lock lock(m_wakeLock);
            m_wake.wait_until(lock, deadline, [this] { return m_bStop.load(); });
        }
        if (m_bStop)
            break;
    }
    m_probe.CloseHandles();
}
