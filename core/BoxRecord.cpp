#include "BoxRecord.h"

#include "NetThread.h"

BoxRecord::BoxRecord(platform::HWND hWndNotify, int nIndex) : m_nIndex(nIndex), m_hWndNotify(hWndNotify) {}

BoxRecord::~BoxRecord()
{
    if (m_pThread) {
        DetachThread();
        m_nIndex = 0xFFFF; // an index the result handler ignores
    }
}

void BoxRecord::StartThread()
{
    // Never reused, so a result can always be told from a later start's.
    static std::atomic<uint64_t> nextStart{1};
    auto thread = std::make_shared<CNetThread>();
    thread->CopySettings(*this);
    thread->m_nThreadStart = nextStart++;
    thread->m_pBox = this;
    m_pThread = thread;
    m_nThreadStart = thread->m_nThreadStart;
    if (!CNetThread::Begin(thread)) {
        m_pThread.reset();
        m_nThreadStart = 0;
    }
}

void BoxRecord::DetachThread()
{
    if (m_pThread)
        m_pThread->Detach();
    m_pThread.reset();
    m_nThreadStart = 0;
}

void BoxRecord::KillThread()
{
    DetachThread();
}

namespace {
BitmapSize measure(const QImage& icon)
{
    if (icon.isNull())
        return BitmapSize{};
    return BitmapSize{icon.width(), icon.height()};
}
} // namespace

void BoxRecord::UpdateUpIconSize()
{
    m_bmOnLineIcon = measure(m_hOnLineIcon);
}

void BoxRecord::UpdateDownIconSize()
{
    m_bmOffLineIcon = measure(m_hOffLineIcon);
}
