#include "TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <QWidget>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace test {

ScopedEnvironment::ScopedEnvironment()
    : m_oldAppData(qgetenv("APPDATA")), m_oldRuntime(qgetenv("XDG_RUNTIME_DIR")),
      m_oldConfigHome(qgetenv("XDG_CONFIG_HOME"))
{
    // Start at login goes to $XDG_CONFIG_HOME/autostart: never the user's own.
    qputenv("XDG_CONFIG_HOME", configHome().toLocal8Bit());
    QDir().mkpath(appData());
    QDir().mkpath(runtimeDir());
    QFile::setPermissions(runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("APPDATA", appData().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", runtimeDir().toLocal8Bit());
}

ScopedEnvironment::~ScopedEnvironment()
{
    if (m_oldAppData.isNull())
        qunsetenv("APPDATA");
    else
        qputenv("APPDATA", m_oldAppData);
    if (m_oldRuntime.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
    if (m_oldConfigHome.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", m_oldConfigHome);
}

RecordingMessageBoxes::RecordingMessageBoxes()
{
    platform::setMessageBoxService(this);
}

RecordingMessageBoxes::~RecordingMessageBoxes()
{
    platform::setMessageBoxService(nullptr);
}

int RecordingMessageBoxes::show(const QString& text, const QString& caption, unsigned type)
{
    {
        std::lock_guard guard(lock);
        shown.push_back(Shown{text, caption, type, true});
    }
    if (whileShown)
        whileShown();
    return answer;
}

void RecordingMessageBoxes::post(const QString& text, const QString& caption, unsigned type)
{
    std::lock_guard guard(lock);
    shown.push_back(Shown{text, caption, type, false});
}

bool RecordingSound::add(const QString& entry)
{
    std::lock_guard guard(m_lock);
    m_played << entry;
    return true;
}

QStringList RecordingSound::played()
{
    std::lock_guard guard(m_lock);
    return m_played;
}

QStringList RecordingSound::take()
{
    std::lock_guard guard(m_lock);
    return std::exchange(m_played, QStringList());
}

void RecordingSpeech::speak(const QString& text)
{
    std::lock_guard guard(m_lock);
    m_spoken << text;
}

QStringList RecordingSpeech::spoken()
{
    std::lock_guard guard(m_lock);
    return m_spoken;
}

QStringList RecordingSpeech::take()
{
    std::lock_guard guard(m_lock);
    return std::exchange(m_spoken, QStringList());
}

void RecordingSpeechEngine::say(const QString& text, double, std::function<void()> ended)
{
    std::lock_guard guard(m_lock);
    if (m_ended)
        ++m_overlaps;
    m_begun << text;
    m_ended = std::move(ended);
}

bool RecordingSpeechEngine::finish()
{
    std::function<void()> ended;
    {
        std::lock_guard guard(m_lock);
        ended = std::exchange(m_ended, nullptr);
    }
    if (!ended)
        return false;
    ended();
    return true;
}

QStringList RecordingSpeechEngine::begun()
{
    std::lock_guard guard(m_lock);
    return m_begun;
}

bool RecordingSpeechEngine::speaking()
{
    std::lock_guard guard(m_lock);
    return bool(m_ended);
}

int RecordingSpeechEngine::overlaps()
{
    std::lock_guard guard(m_lock);
    return m_overlaps;
}

void QueuedRecordingSpeech::speak(const QString& text)
{
    queue.speak(text, 1.0, std::chrono::seconds(30));
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QStringList keysInOrder(const QString& path)
{
    QStringList keys;
    QString section;
    const QString text = QString::fromUtf8(readFile(path));
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'[')) {
            section = line.mid(1, line.indexOf(u']') - 1);
        } else if (line.contains(u'=')) {
            keys << section + u'/' + line.left(line.indexOf(u'='));
        }
    }
    return keys;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void saveDialogPicture(QWidget* widget, const QString& name)
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/dialogs");
    QDir().mkpath(folder);
    widget->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

FullDisk::FullDisk(qint64 bytes) : m_oldHandler(std::signal(SIGXFSZ, SIG_IGN))
{
    ::getrlimit(RLIMIT_FSIZE, &m_old);
    rlimit limit = m_old;
    limit.rlim_cur = rlim_t(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FullDisk::~FullDisk()
{
    ::setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldHandler);
}

int holdFolderLock(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 && ::flock(fd, LOCK_EX) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace test
