#pragma once

#include "platform/desktop/Messages.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

class CNetThread;

using COLORREF = uint32_t; // 0x00BBGGRR, red in the low byte

// Values of BoxRecord::m_nStatus.
enum BoxStatus : int
{
    STATUS_UNKNOWN = 0,
    STATUS_DOWN = 1,
    STATUS_UP = 2,
    STATUS_NET_ERROR = 4,
    STATUS_IP_ERROR = 5,
    STATUS_CHECKING = 6,
    STATUS_CLOSE = 7,
    STATUS_DISABLED = 9,
    STATUS_VOLUME_TEST = 100,
};

enum CheckMethod : int
{
    METHOD_PING = 1,
    METHOD_TCP = 2,
    METHOD_URL = 3
};

// The size of a loaded picture, named as the bitmap description it stands for.
struct BitmapSize
{
    int bmWidth = 0;
    int bmHeight = 0;
};

// One box: its settings, named after their keys in the configuration file, and
// its run-time state. Owned by the main window; changed only on the
// user-interface thread.
class BoxRecord
{
public:
    BoxRecord(platform::HWND hWndNotify, int nIndex);
    ~BoxRecord();
    BoxRecord(const BoxRecord&) = delete;
    BoxRecord& operator=(const BoxRecord&) = delete;

    // Starts a check thread on a copy of the box's settings.
    void StartThread();
    // Lets the running check thread go without waiting for it: it sends no
    // further result and ends by itself.
    void DetachThread();
    void KillThread();

    void UpdateUpIconSize();
    void UpdateDownIconSize();

    // Read by the check thread at every report, while the user-interface
    // thread may renumber the box.
    std::atomic<int> m_nIndex;
    std::atomic<platform::HWND> m_hWndNotify;
    std::shared_ptr<CNetThread> m_pThread;
    // The identity of the thread start that serves the box (0: none); every
    // result carries the identity of the start that produced it.
    uint64_t m_nThreadStart = 0;
    int m_nStatus = STATUS_UNKNOWN;
    QString Text;
    QString m_strStatusText;
    int32_t PicTypeOnLine = 0;
    int32_t PicTypeOffLine = 0;
    QString m_strOnLinePicPath;
    QString m_strOffLinePicPath;
    QString OnLinePicFile;
    QString OffLinePicFile;
    QImage m_hOnLineIcon;
    BitmapSize m_bmOnLineIcon;
    QImage m_hOffLineIcon;
    BitmapSize m_bmOffLineIcon;
    COLORREF OnLineBoxColor = 0;
    COLORREF OffLineBoxColor = 0;
    COLORREF OnLineTextColor = 0;
    COLORREF OffLineTextColor = 0;
    QString IPAdress;
    int32_t IPv = 0;
    int32_t VerifyMetod = 0;
    uint32_t Port = 0;
    uint8_t Sound = 0;
    int32_t Logging = 0;
    int32_t MsgBox = 0;
    int32_t Disabled = 0;
    QString UpPath;
    QString DownPath;
    QString OpenPath;
    QString ClosePath;
    QString TcpDownPath;
    int32_t CustomSoundCheck = 0;
    QString UpTextString;
    QString DownTextString;
    QString OpenTextString;
    QString CloseTextString;
    QString TDownTextString;
    int32_t SpeechTextCheck = 0;
    uint32_t m_dwLastValue = 0xFFFFFFFF;
    uint32_t m_dwLastCode = 0;
    QString ExecFilePath;
    QString ExecFileParam;
    int32_t ExecFileStatusCheck = 0;
    int32_t ExecFileCheck = 0;
    uint32_t nMSGB = 0;
    uint32_t m_nMsgBoxCount = 0;
    uint32_t nPS = 0;
    uint32_t m_nSoundCount = 0;
    uint32_t nEF = 0;
    uint32_t m_nExecCount = 0;
    QString MsgBoxDesc;
    QString Phrase;
    uint32_t CheckInterval = 0;
    int32_t RunHideMode = 0;
    int64_t m_tLastChange = 0;
};
