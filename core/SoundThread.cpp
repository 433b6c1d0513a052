#include "SoundThread.h"

#include "Workers.h"
#include "platform/desktop/MessageBox.h"
#include "platform/files/PrivateProfile.h"
#include "platform/sound/Sound.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

namespace {

QString wavFileProblem(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral(
            "This user may not read the file: make it readable (chmod a+r), then try again.");
    // A WAV file is a RIFF (or big-endian RIFX) container; MP3, Ogg and FLAC
    // files, the usual mistaken picks, are not.
    const QByteArray head = file.read(4);
    if (head != "RIFF" && head != "RIFX")
        return QStringLiteral("It is not a WAV sound file: choose one, or convert the sound to WAV, then try "
                              "again.");
    return QString();
}

} // namespace

QString soundTestProblem(const SoundRequest& request, bool hasDevice, bool hasVoice)
{
    const QString noDevice = QStringLiteral(
        "No sound output was found: the sound server of this user's desktop (PipeWire or PulseAudio) is not "
        "running, or cannot be reached without $XDG_RUNTIME_DIR. Log in to the desktop as this user, or "
        "start its sound server, then try again.");
    if (request.m_bSpeak != 0) {
        if (request.m_strSpeechText.trimmed().isEmpty())
            return QString();
        QString reason;
        if (!hasVoice)
            reason =
                QStringLiteral("The flite voice could not be set up: install libflite1, then try again.");
        else if (!hasDevice)
            reason = noDevice;
        else
            return QString();
        return QStringLiteral("Korvalen could not speak the text:\n%1\n\n%2")
            .arg(request.m_strSpeechText, reason);
    }
    QString what;
    QString reason;
    if (request.m_bCustomSound == 1) {
        what = QStringLiteral("the sound file:\n") + QDir::toNativeSeparators(request.m_strSoundFile);
        const QFileInfo file(request.m_strSoundFile);
        if (request.m_strSoundFile.trimmed().isEmpty())
            reason = QStringLiteral("No sound file is chosen: choose a WAV file, then try again.");
        else if (!file.exists())
            reason = QStringLiteral(
                "There is no such file, or a folder on its path cannot be entered by this user: check the "
                "path, then try again.");
        else if (file.isDir())
            reason = QStringLiteral("It is a folder: choose a WAV file, then try again.");
        else
            reason = wavFileProblem(request.m_strSoundFile);
    } else if (request.m_bCustomSound == 0 && !CSoundThread::BuiltInSound(request.m_nStatus).isEmpty()) {
        what = QStringLiteral("the sound");
    } else {
        return QString();
    }
    if (reason.isEmpty() && !hasDevice)
        reason = noDevice;
    if (reason.isEmpty())
        return QString();
    return QStringLiteral("Korvalen could not play %1\n\n%2").arg(what, reason);
}

void CSoundThread::InitInstance()
{
    if (m_bTellFailure) {
        // One look for the server, by the output that is to be heard.
        bool hasDevice = false, hasVoice = true;
        if (m_bSpeak != 0) {
            platform::SpeechOutput& speech = platform::speechOutput();
            hasDevice = speech.hasDevice();
            hasVoice = speech.hasVoice();
        } else {
            hasDevice = platform::soundOutput().hasDevice();
        }
        const QString problem = soundTestProblem(*this, hasDevice, hasVoice);
        if (!problem.isEmpty()) {
            platform::postMessageBox(problem, QStringLiteral("Korvalen"),
                                     platform::MB_OK | platform::MB_ICONWARNING);
            return;
        }
    }
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
