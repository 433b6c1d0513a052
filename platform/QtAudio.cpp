#include "QtAudio.h"

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTextToSpeech>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

namespace {

// Runs `work` on the thread that `context` lives on and waits for it.
void runOn(QObject* context, const std::function<void()>& work)
{
    QMetaObject::invokeMethod(context, work, Qt::BlockingQueuedConnection);
}

double linearVolume(uint32_t level)
{
    return double(std::min<uint32_t>(level, 65535)) / 65535.0;
}

} // namespace

QtSoundOutput::QtSoundOutput()
{
    m_thread.setObjectName(QStringLiteral("sound"));
    m_thread.start();
    auto* anchor = new QObject;
    anchor->moveToThread(&m_thread);
    runOn(anchor, [this] {
        m_effect = new QSoundEffect;
        QObject::connect(m_effect, &QSoundEffect::playingChanged, m_effect, [this] {
            if (m_effect->isPlaying())
                ++m_started;
        });
    });
    anchor->deleteLater();
}

QtSoundOutput::~QtSoundOutput()
{
    QMetaObject::invokeMethod(
        m_effect, [this] { delete m_effect; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool QtSoundOutput::hasAudioOutput()
{
    return !QMediaDevices::audioOutputs().isEmpty();
}

void QtSoundOutput::play(const QUrl& source)
{
    const double volume = m_volume;
    QMetaObject::invokeMethod(
        m_effect,
        [this, source, volume] {
            m_effect->stop();
            m_effect->setVolume(float(volume));
            m_effect->setSource(source);
            m_effect->play();
        },
        Qt::QueuedConnection);
}

bool QtSoundOutput::playFile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return false;
    play(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    return true;
}

bool QtSoundOutput::playBuiltIn(const QString& name)
{
    const QString resource = QStringLiteral(":/sounds/%1.wav").arg(name);
    if (name.isEmpty() || !QFileInfo::exists(resource))
        return false;
    play(QUrl(QStringLiteral("qrc") + resource));
    return true;
}

void QtSoundOutput::setVolume(uint32_t level)
{
    m_volume = linearVolume(level);
}

// The utterances waiting to be spoken to their end. A new one cuts off the
// one being spoken, whose speaker then stops waiting. The engine reports the
// cut-off utterance's end too: only an end after the current utterance was
// seen speaking counts as its end.
struct QtSpeechOutput::Pending
{
    std::mutex lock;
    std::condition_variable changed;
    uint64_t started = 0;  // utterances asked for
    uint64_t finished = 0; // utterances done, spoken or cut off (all up to this one)
    uint64_t current = 0;  // the utterance handed to the engine last
    bool sawSpeaking = false;

    void finish(uint64_t upTo)
    {
        finished = std::max(finished, upTo);
        changed.notify_all();
    }
};

QtSpeechOutput::QtSpeechOutput() : m_pending(std::make_shared<Pending>())
{
    m_thread.setObjectName(QStringLiteral("speech"));
    m_thread.start();
    auto* anchor = new QObject;
    anchor->moveToThread(&m_thread);
    runOn(anchor, [this] {
        if (!QTextToSpeech::availableEngines().contains(QStringLiteral("flite")))
            return;
        m_speech = new QTextToSpeech(QStringLiteral("flite"));
        m_available = m_speech->state() != QTextToSpeech::Error;
        auto pending = m_pending;
        QObject::connect(m_speech, &QTextToSpeech::stateChanged, m_speech,
                         [pending](QTextToSpeech::State state) {
                             std::lock_guard guard(pending->lock);
                             if (state == QTextToSpeech::Speaking)
                                 pending->sawSpeaking = true;
                             else if (state == QTextToSpeech::Error ||
                                      (state == QTextToSpeech::Ready && pending->sawSpeaking))
                                 pending->finish(pending->current);
                         });
    });
    anchor->deleteLater();
}

QtSpeechOutput::~QtSpeechOutput()
{
    if (m_speech)
        QMetaObject::invokeMethod(
            m_speech, [this] { delete m_speech; }, Qt::BlockingQueuedConnection);
    {
        std::lock_guard guard(m_pending->lock);
        m_pending->finish(m_pending->started);
    }
    m_thread.quit();
    m_thread.wait();
}

void QtSpeechOutput::setVolume(uint32_t level)
{
    m_volume = linearVolume(level);
}

void QtSpeechOutput::speak(const QString& text)
{
    if (!m_available || text.trimmed().isEmpty())
        return;
    // Held by the waiting speaker itself: the output may be destroyed at exit
    // while a speaker still waits.
    const std::shared_ptr<Pending> pending = m_pending;
    uint64_t mine;
    {
        std::lock_guard guard(pending->lock);
        // Whatever is being spoken is cut off by this text.
        pending->finish(pending->started);
        mine = ++pending->started;
    }
    const double volume = m_volume;
    QMetaObject::invokeMethod(
        m_speech,
        [this, pending, mine, text, volume] {
            {
                std::lock_guard guard(pending->lock);
                pending->current = mine;
                pending->sawSpeaking = false;
            }
            m_speech->setVolume(volume);
            m_speech->say(text);
            ++m_spoken;
        },
        Qt::QueuedConnection);
    // Bounded, so that an engine that never reports the end cannot keep a
    // sound thread alive for ever.
    const auto limit = std::chrono::seconds(10) + std::chrono::milliseconds(200) * text.size();
    std::unique_lock wait(pending->lock);
    pending->changed.wait_for(wait, std::min<std::chrono::milliseconds>(limit, std::chrono::minutes(2)),
                              [&] { return pending->finished >= mine; });
}

} // namespace platform
