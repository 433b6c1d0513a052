#include "KorvalenDlg.h"

#include "core/NetThread.h"
#include "core/SoundThread.h"
#include "core/StatusEvaluation.h"
#include "core/Workers.h"

#include <ctime>

platform::LRESULT CKorvalenDlg::OnCheckResult(platform::WPARAM wParam, platform::LPARAM lParam)
{
    const auto* reply = reinterpret_cast<const CheckReply*>(lParam);
    const uint32_t replyTime = reply ? reply->dwReplyTime : 0xFFFFFFFF;
    const uint32_t errorCode = reply ? reply->dwErrorCode : 0;
    const int index = checkResultIndex(wParam);
    const int status = checkResultStatus(wParam);

    // An index equal to NumBox is the copy of the last box while it is
    // duplicated; anything past it, or an empty place, is no box.
    if (index == 0xFFFF || NumBox <= 0 || index > NumBox || index >= kMaxBoxes || !m_pBoxes[size_t(index)])
        return 0;
    BoxRecord& box = *m_pBoxes[size_t(index)];
    // A result from a thread that no longer serves this box (the box was
    // edited, moved or deleted while the result was on its way) is dropped.
    if (reply && reply->nThreadStart != box.m_nThreadStart)
        return 0;

    const Evaluation outcome = evaluateResult(box, status, replyTime, errorCode, *this, std::time(nullptr));
    if (outcome.repaint)
        PaintTile(index + 1);
    if (outcome.sound) {
        auto thread = std::make_unique<CSoundThread>();
        static_cast<SoundRequest&>(*thread) = outcome.soundRequest;
        CSoundThread::Begin(std::move(thread));
    }
    if (outcome.messageBox || outcome.log || outcome.program) {
        const BoxSnapshot snapshot = snapshotOf(box);
        if (outcome.messageBox)
            runWorker([snapshot] { MsgBoxNotifyThread(snapshot); });
        if (outcome.log)
            runWorker([snapshot] { WriteLogThread(snapshot); });
        if (outcome.program)
            runWorker([snapshot] { ExecFileThread(snapshot); });
    }
    return 0;
}
