#include "QtAudio.h"

#include <QAudioDevice>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTextToSpeech>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

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
        m_effect,
        [this] {
            // A sound still loading is let finish first (briefly): deleted
            // meanwhile, what the loader made for it is never freed.
            if (m_effect->status() == QSoundEffect::Loading) {
                QEventLoop loop;
                QObject::connect(m_effect, &QSoundEffect::statusChanged, &loop, [&] {
                    if (m_effect->status() != QSoundEffect::Loading)
                        loop.quit();
                });
                QTimer::singleShot(500, &loop, &QEventLoop::quit);
                loop.exec();
            }
            delete m_effect;
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool QtSoundOutput::hasAudioOutput()
{
    return !QMediaDevices::audioOutputs().isEmpty();
}

bool QtSoundOutput::hasDevice()
{
    // Asked where the sounds are played, as every other use of the back end.
    bool found = false;
    runOn(m_effect, [&found] { found = hasAudioOutput(); });
    return found;
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

// The flite voice on the speech thread. It speaks one text at a time, as the
// queue hands them over; the engine reports the end of a text by going from
// Speaking back to Ready (or to Error).
class QtSpeechOutput::Engine : public SpeechEngine
{
public:
    explicit Engine(QtSpeechOutput* output) : m_output(output) {}

    void say(const QString& text, double volume, std::function<void()> ended) override
    {
        QMetaObject::invokeMethod(
            m_output->m_speech,
            [this, text, volume, ended = std::move(ended)] {
                // A text that is still under way when the next is handed over
                // has been given up on by the queue: it is not reported again.
                m_ended = ended;
                m_sawSpeaking = false;
                m_output->m_speech->setVolume(volume);
                m_output->m_speech->say(text);
                ++m_output->m_spoken;
            },
            Qt::QueuedConnection);
    }

    // On the speech thread.
    void stateChanged(QTextToSpeech::State state)
    {
        if (state == QTextToSpeech::Speaking) {
            m_sawSpeaking = true;
            return;
        }
        if (state == QTextToSpeech::Error || (state == QTextToSpeech::Ready && m_sawSpeaking)) {
            m_sawSpeaking = false;
            if (const std::function<void()> ended = std::exchange(m_ended, nullptr))
                ended();
        }
    }

private:
    QtSpeechOutput* m_output;
    std::function<void()> m_ended; // used on the speech thread only
    bool m_sawSpeaking = false;
};

QtSpeechOutput::QtSpeechOutput()
    : m_engine(std::make_unique<Engine>(this)), m_queue(std::make_unique<SpeechQueue>(m_engine.get()))
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
        QObject::connect(m_speech, &QTextToSpeech::stateChanged, m_speech,
                         [this](QTextToSpeech::State state) { m_engine->stateChanged(state); });
    });
    anchor->deleteLater();
}

QtSpeechOutput::~QtSpeechOutput()
{
    // No text reaches the voice any more, and every waiting speaker goes.
    m_queue->close();
    if (m_speech)
        QMetaObject::invokeMethod(
            m_speech, [this] { delete m_speech; }, Qt::BlockingQueuedConnection);
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
    // Each text is spoken in full after those that came before it. The bound
    // on one text keeps an engine that never reports the end from holding
    // the queue and a sound thread for ever.
    const auto limit = std::chrono::seconds(10) + std::chrono::milliseconds(200) * text.size();
    m_queue->speak(text, m_volume, std::min<std::chrono::milliseconds>(limit, std::chrono::minutes(2)));
}

int QtSpeechOutput::droppedCount() const
{
    return m_queue->droppedCount();
}

} // namespace platform
