#include "KorvalenDlg.h"

#include "core/DailyLog.h"
#include "core/Notifications.h"
#include "core/Placeholders.h"

void CKorvalenDlg::MsgBoxNotifyThread(const BoxSnapshot& box)
{
    notify::showMessageBox(box, platform::localStampNow());
}

void CKorvalenDlg::ExecFileThread(const BoxSnapshot& box)
{
    notify::runProgram(box, platform::localStampNow());
}

void CKorvalenDlg::WriteLogThread(const BoxSnapshot& box)
{
    dailylog::write(box, g_strLogsDir, g_nLogFileType, platform::localStampNow());
}

QString CKorvalenDlg::GetWinInetErrorText(uint32_t code)
{
    return internetErrorText(code);
}

QString CKorvalenDlg::ExpandMacros(const QString& text, const BoxRecord* box)
{
    if (!box)
        return text;
    return expandPlaceholders(text, snapshotOf(*box), PlaceholderSet::CustomApplication);
}
