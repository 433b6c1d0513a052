#include "StatusEvaluation.h"

#include "Placeholders.h"

uint32_t notifyMaskBit(int status)
{
    switch (status) {
    case STATUS_UP:
        return 1;
    case STATUS_DOWN:
        return 2;
    case STATUS_CLOSE:
        return 4;
    case STATUS_IP_ERROR:
    case STATUS_NET_ERROR:
        return 8;
    default:
        return 0;
    }
}

uint32_t execMaskBit(int status)
{
    switch (status) {
    case STATUS_UP:
        return 1;
    case STATUS_DOWN:
        return 2;
    case STATUS_CLOSE:
        return 4;
    case STATUS_IP_ERROR:
        return 8;
    case STATUS_NET_ERROR:
        return 16;
    default:
        return 0;
    }
}

bool repeatRuleFires(uint32_t mask, int status, int previousStatus, uint32_t& counter, uint32_t repeat,
                     uint32_t (*bitOf)(int))
{
    if ((mask & bitOf(status)) == 0)
        return false;
    if (status != previousStatus)
        counter = 0;
    if (counter == 0xFFFF)
        return false;
    if (counter >= repeat) {
        counter = 0xFFFF;
        return true;
    }
    ++counter;
    return false;
}

SoundRequest soundRequestFor(const BoxRecord& box, int status, const MainSettings& settings)
{
    SoundRequest request;
    request.m_nStatus = status;
    request.m_strBoxName = box.Text;
    if (status == STATUS_NET_ERROR || status == STATUS_IP_ERROR) {
        request.m_bCustomSound = settings.ErrorDefaultSound;
        request.m_strSoundFile = settings.PlayErrorDefSoundPath;
        request.m_bSpeak = settings.ErrorTextSpeechSound;
        request.m_strSpeechText = settings.ErrorTextSpeechText;
        return request;
    }
    const bool tcp = box.VerifyMetod == METHOD_TCP;
    int bit = 0;
    const QString* file = nullptr;
    const QString* text = nullptr;
    if (status == STATUS_UP && !tcp) {
        bit = 1, file = &box.UpPath, text = &box.UpTextString;
    } else if (status == STATUS_DOWN && !tcp) {
        bit = 2, file = &box.DownPath, text = &box.DownTextString;
    } else if (status == STATUS_UP && tcp) {
        bit = 4, file = &box.OpenPath, text = &box.OpenTextString;
    } else if (status == STATUS_CLOSE) {
        bit = 8, file = &box.ClosePath, text = &box.CloseTextString;
    } else if (status == STATUS_DOWN && tcp) {
        bit = 16, file = &box.TcpDownPath, text = &box.TDownTextString;
    }
    if (bit == 0)
        return request;
    if (box.CustomSoundCheck & bit) {
        request.m_bCustomSound = 1;
        request.m_strSoundFile = *file;
    } else if (box.SpeechTextCheck & bit) {
        request.m_bSpeak = 1;
        request.m_strSpeechText = *text;
    }
    return request;
}

Evaluation evaluateResult(BoxRecord& box, int status, uint32_t replyTime, uint32_t errorCode,
                          const MainSettings& settings, std::time_t now)
{
    Evaluation result;
    const int previousStatus = box.m_nStatus;
    const uint32_t previousReply = box.m_dwLastValue;
    box.m_nStatus = status;
    box.m_dwLastValue = replyTime;
    box.m_dwLastCode = errorCode;

    result.repaint = status != previousStatus || (replyTime != previousReply && settings.m_bShowReplyTime &&
                                                  (status == STATUS_UP || status == STATUS_CLOSE));

    switch (status) {
    case STATUS_NET_ERROR:
        box.m_strStatusText = QStringLiteral("NET ERROR");
        break;
    case STATUS_IP_ERROR:
        box.m_strStatusText =
            box.VerifyMetod == METHOD_URL ? QStringLiteral("URL ERROR") : QStringLiteral("IP ERROR");
        break;
    case STATUS_CHECKING:
        box.m_strStatusText = QStringLiteral("CHECKING");
        box.m_dwLastCode = 0;
        break;
    case STATUS_DISABLED:
        box.m_strStatusText = QStringLiteral("DISABLED");
        box.m_dwLastCode = 0;
        break;
    default:
        break;
    }

    if ((status == STATUS_CLOSE || status == STATUS_DOWN || status == STATUS_UP) && status != previousStatus)
        box.m_tLastChange = now;

    if (repeatRuleFires(box.Sound, status, previousStatus, box.m_nSoundCount, box.nPS)) {
        result.sound = true;
        result.soundRequest = soundRequestFor(box, status, settings);
    }
    result.messageBox =
        repeatRuleFires(uint32_t(box.MsgBox) & 0xFF, status, previousStatus, box.m_nMsgBoxCount, box.nMSGB);
    const bool logged = status == STATUS_DOWN || status == STATUS_UP || status == STATUS_CLOSE ||
                        status == STATUS_NET_ERROR || status == STATUS_IP_ERROR;
    result.log = (settings.EnableLog != 0 || box.Logging != 0) && status != previousStatus && logged;
    if (box.ExecFileCheck != 0)
        result.program = repeatRuleFires(uint32_t(box.ExecFileStatusCheck) & 0xFF, status, previousStatus,
                                         box.m_nExecCount, box.nEF, execMaskBit);
    return result;
}
