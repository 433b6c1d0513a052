#include "Notifications.h"

#include "Placeholders.h"
#include "platform/desktop/MessageBox.h"
#include "platform/programs/Shell.h"

namespace notify {

QString messageText(const BoxSnapshot& box, const platform::LocalStamp& now)
{
    const int method = box.VerifyMetod;
    const int status = box.m_nStatus;
    QString description = box.MsgBoxDesc;
    description.replace(QStringLiteral("%name"), box.Text);
    description.replace(QStringLiteral("%status"), messageStatusWord(status, method));

    QString statusLine;
    switch (status) {
    case STATUS_UP:
    case STATUS_DOWN:
    case STATUS_NET_ERROR:
    case STATUS_IP_ERROR:
        statusLine = messageStatusWord(status, method);
        break;
    case STATUS_CLOSE:
        if (method == METHOD_TCP)
            statusLine = messageStatusWord(status, method);
        break;
    default:
        break;
    }
    if (statusLine.isEmpty())
        return QString();

    QString text = QStringLiteral("Description: %1\nDate: %2\nTime: %3\nName: %4\n")
                       .arg(description, now.date, now.time, box.Text);
    switch (method) {
    case METHOD_PING:
        text += QStringLiteral("Method: Ping\nIP: %1\n").arg(box.IPAdress);
        break;
    case METHOD_TCP:
        text += QStringLiteral("Method: TCP\nIP: %1\nPort: %2\n")
                    .arg(box.IPAdress, QString::number(int32_t(box.Port)));
        break;
    case METHOD_URL:
        text += QStringLiteral("Method: URL\nURL: %1\n").arg(box.IPAdress);
        break;
    default:
        return QString();
    }
    return text + QStringLiteral("Status: ") + statusLine + QStringLiteral("\r\n");
}

void showMessageBox(const BoxSnapshot& box, const platform::LocalStamp& now)
{
    platform::postMessageBox(messageText(box, now), QStringLiteral("Korvalen"),
                             platform::MB_ICONINFORMATION | platform::MB_SYSTEMMODAL | platform::MB_TOPMOST);
}

QStringList programArguments(const BoxSnapshot& box, const platform::LocalStamp& now)
{
    QStringList arguments = platform::splitArguments(box.ExecFileParam);
    const QString time = now.date + u' ' + now.time;
    for (QString& argument : arguments)
        argument = expandPlaceholders(argument, box, PlaceholderSet::Notification, time);
    return arguments;
}

bool runProgram(const BoxSnapshot& box, const platform::LocalStamp& now)
{
    return platform::shellService().startProgram(box.ExecFilePath, programArguments(box, now),
                                                 box.RunHideMode != 0);
}

} // namespace notify
