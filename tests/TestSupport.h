#pragma once

#include "platform/desktop/MessageBox.h"
#include "platform/sound/Sound.h"
#include "platform/sound/SpeechQueue.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class QWidget;

#include <atomic>
#include <functional>
#include <mutex>
#include <sys/resource.h>
#include <vector>

namespace test {

// A temporary folder that tests point APPDATA, XDG_RUNTIME_DIR and
// XDG_CONFIG_HOME at, restoring them when it goes.
class ScopedEnvironment
{
public:
    ScopedEnvironment();
    ~ScopedEnvironment();
    QString path() const { return m_dir.path(); }
    QString dataDir() const { return m_dir.path() + QStringLiteral("/appdata/Korvalen"); }
    QString appData() const { return m_dir.path() + QStringLiteral("/appdata"); }
    QString runtimeDir() const { return m_dir.path() + QStringLiteral("/run"); }
    QString configHome() const { return m_dir.path() + QStringLiteral("/config"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldAppData;
    QByteArray m_oldRuntime;
    QByteArray m_oldConfigHome;
};

// Records every message box instead of showing it.
class RecordingMessageBoxes : public platform::MessageBoxService
{
public:
    RecordingMessageBoxes();
    ~RecordingMessageBoxes() override;
    int show(const QString& text, const QString& caption, unsigned type) override;
    void post(const QString& text, const QString& caption, unsigned type) override;

    struct Shown
    {
        QString text;
        QString caption;
        unsigned type;
        bool waited = true; // false for a box posted without waiting
    };
    std::vector<Shown> shown;
    int answer = platform::IDOK;
    std::function<void()> whileShown; // runs while a box waits for its answer
    std::mutex lock;                  // boxes may be posted from worker threads
};

// Record what would be played, as "builtin:NAME" and "file:PATH", and what
// would be spoken; played()/spoken() look, take() hands over and starts anew.
class RecordingSound : public platform::SoundOutput
{
public:
    bool playFile(const QString& path) override { return add(QStringLiteral("file:") + path); }
    bool playBuiltIn(const QString& name) override { return add(QStringLiteral("builtin:") + name); }
    void setVolume(uint32_t) override {}
    bool hasDevice() override { return ++looks, device; }
    bool device = true;
    std::atomic<int> looks{0}; // asked whether a sound could be heard
    QStringList played();
    QStringList take();

private:
    bool add(const QString& entry);
    std::mutex m_lock;
    QStringList m_played;
};

class RecordingSpeech : public platform::SpeechOutput
{
public:
    void speak(const QString& text) override;
    void setVolume(uint32_t) override {}
    bool hasDevice() override { return ++looks, device; }
    bool hasVoice() override { return voice; }
    bool device = true, voice = true;
    std::atomic<int> looks{0};
    QStringList spoken();
    QStringList take();

private:
    std::mutex m_lock;
    QStringList m_spoken;
};

// A voice that records what it is asked to say and speaks until told that
// the text has ended: finish() ends the text being spoken. It counts texts
// begun while another was still being spoken (a cut-off).
class RecordingSpeechEngine : public platform::SpeechEngine
{
public:
    void say(const QString& text, double volume, std::function<void()> ended) override;
    // Ends the text being spoken; false when none is.
    bool finish();
    QStringList begun();
    bool speaking();
    int overlaps();

private:
    std::mutex m_lock;
    QStringList m_begun;
    std::function<void()> m_ended;
    int m_overlaps = 0;
};

// The recording voice behind the program's speech queue, as a speech output:
// texts are spoken one after another and each speak() returns once its own
// text has ended.
class QueuedRecordingSpeech : public platform::SpeechOutput
{
public:
    void speak(const QString& text) override;
    void setVolume(uint32_t) override {}
    RecordingSpeechEngine engine;
    platform::SpeechQueue queue{&engine};
};

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

// The keys of a file in order, as "section/key" strings.
QStringList keysInOrder(const QString& path);

// Saves a picture of a dialog (or any widget) as dialogs/NAME.png beside the
// test program (build/ci/tests/dialogs/), for a person to look at.
void saveDialogPicture(QWidget* widget, const QString& name);

// Waits up to `timeoutMs` for the condition, processing events meanwhile.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000);

// Holds the lock of `folder` on a descriptor of its own, as another instance
// holds it, until the descriptor is closed; -1 when it cannot be had.
int holdFolderLock(const QString& folder);

// A full disk without root: while it lives, a write of this process that
// would make a file longer than `bytes` stops there and fails (a file size
// limit, with its signal ignored), as a write on a full disk does.
class FullDisk
{
public:
    explicit FullDisk(qint64 bytes);
    ~FullDisk();

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
};

} // namespace test
