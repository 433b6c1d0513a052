#include "KorvalenApp.h"

#include "core/NetThread.h"
#include "core/Workers.h"
#include "platform/Capabilities.h"
#include "platform/desktop/QtTranslations.h"
#include "platform/files/ProfileWriter.h"
#include "platform/sound/LazyAudio.h"
#include "platform/sound/ServerAudio.h"
#include "platform/sound/SoundServer.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui/dialogs/QtMessageBox.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <memory>

#include <cstdio>
#include <cstdlib>

namespace {
QtMessageHandler g_qtMessages = nullptr;

// Qt looks at the runtime folder while it sets up the display and warns when
// none is set or it is not private. Korvalen picks a private folder for its
// socket itself, and a start that only brings the running window forward
// says nothing, so these warnings are left out.
void withoutRuntimeFolderWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(u"QStandardPaths: ") &&
        (message.contains(u"XDG_RUNTIME_DIR") || message.contains(u"runtime directory")))
        return;
    if (g_qtMessages)
        g_qtMessages(type, context, message);
}
} // namespace

int main(int argc, char* argv[])
{
    // A capability given to the file goes before any plugin or library can
    // load from a path the environment names (Qt reads those even in the
    // kernel's secure mode).
    platform::dropCapabilities();
    Q_INIT_RESOURCE(korvalen);
    // Wayland lets no program place its own window or keep it on top: ask
    // for X11 (through XWayland) unless the user chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    g_qtMessages = qInstallMessageHandler(withoutRuntimeFolderWarnings);
    QApplication app(argc, argv);
    qInstallMessageHandler(g_qtMessages);
    QApplication::setApplicationName(QStringLiteral("Korvalen"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(platform::programIcon());
    // The desktop entry that `cmake --install` lays out, for window managers
    // and docks that match windows to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("korvalen"));
    // Qt's own buttons and pickers speak the program's language.
    platform::installQtTranslations();

    platform::QtMessageBoxService messageBoxes;
    platform::setMessageBoxService(&messageBoxes);
    platform::QtDialogService dialogs;
    platform::setDialogService(&dialogs);
    // Sound and speech are set up only once this start is the instance's
    // process: a second start that brings the running window forward makes
    // no audio connection. Even then, they load their voice only when a box
    // first sounds or speaks while the sound server answers. The server is
    // looked for before every sound and text: it may go and come back.
    platform::SoundServerWatch soundServer(
        [] { return platform::soundServerAnswers(std::chrono::seconds(2)); });
    const platform::OutputReady serverFound = [&soundServer](bool asked) {
        return soundServer.found(asked, std::chrono::steady_clock::now());
    };
    std::unique_ptr<platform::LazySoundOutput> sound;
    std::unique_ptr<platform::LazySpeechOutput> speech;
    theApp.m_setUpOutputs = [&] {
        sound = std::make_unique<platform::LazySoundOutput>(
            [] { return std::make_unique<platform::ServerSoundOutput>(); }, serverFound);
        platform::setSoundOutput(sound.get());
        speech = std::make_unique<platform::LazySpeechOutput>(
            [] { return std::make_unique<platform::FliteSpeechOutput>(); }, serverFound);
        platform::setSpeechOutput(speech.get());
    };

    theApp.InitInstance(QApplication::arguments());

    // The window is gone and its check threads are let go. They, and the
    // workers still under way (a log line, a sound), get under a second to
    // finish: a check notices its stop within 100 ms, a log line takes far
    // less.
    QElapsedTimer waited;
    waited.start();
    const bool checksEnded = CNetThread::WaitForAll(800);
    const bool workersEnded = waitForWorkers(int(std::max<qint64>(50, 950 - waited.elapsed())));
    // The settings writers' threads were given their last try as the window
    // went; one stuck in its file system is left behind like a check.
    const bool allEnded =
        platform::waitForProfileWriters(std::chrono::milliseconds(100)) && workersEnded && checksEnded;
    platform::setSpeechOutput(nullptr);
    platform::setSoundOutput(nullptr);
    platform::setMessageBoxService(nullptr);
    platform::setDialogService(nullptr);
    if (!allEnded) {
        // A thread still blocked in the network, or a worker still waiting
        // for its text to be spoken, must not run into the destruction of
        // the outputs or of static objects: end without it.
        std::fflush(nullptr);
        std::_Exit(0);
    }
    // Every worker has ended, so nothing uses the outputs any more. Each
    // cuts off what it plays and joins its player thread, which frees its
    // connection to the sound server itself: no libpulse object is left for
    // the destruction of static objects, and none is freed by a thread
    // other than the one that drove it.
    speech.reset();
    sound.reset();
    return 0;
}
