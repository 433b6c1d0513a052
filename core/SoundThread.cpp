#include "SoundThread.h"

#include "Workers.h"
#include "platform/PrivateProfile.h"
#include "platform/Sound.h"

void CSoundThread::Begin(std::unique_ptr<CSoundThread> thread)
{
    runWorker([thread = std::shared_ptr<CSoundThread>(std::move(thread))] { thread->InitInstance(); });
}

QString CSoundThread::BuiltInSound(int status)
{
    switch (status) {
    case STATUS_UP:
        return QStringLiteral("IDW_UP");
    case STATUS_DOWN:
    case STATUS_CLOSE:
        return QStringLiteral("IDW_DOWN");
    case STATUS_NET_ERROR:
    case STATUS_IP_ERROR:
        return QStringLiteral("IDW_COMPERROR");
    case STATUS_VOLUME_TEST:
        return QStringLiteral("IDW_VOLTEST");
    default:
        return QString();
    }
}

void CSoundThread::InitInstance()
{
    if (m_bSpeak != 0) {
        QString text = m_strSpeechText;
        text.replace(QStringLiteral("%name"), m_strBoxName);
        text.replace(QStringLiteral("%text"), m_strBoxName);
        platform::speechOutput().speak(text);
        return;
    }
    if (m_bCustomSound == 0) {
        const QString name = BuiltInSound(m_nStatus);
        if (!name.isEmpty())
            platform::soundOutput().playBuiltIn(name);
        return;
    }
    // A file that is not there plays nothing, not a default sound.
    if (m_bCustomSound == 1 && platform::PathFileExists(m_strSoundFile))
        platform::soundOutput().playFile(m_strSoundFile);
}
