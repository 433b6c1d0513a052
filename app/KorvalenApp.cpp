#include "KorvalenApp.h"

#include "core/Instance.h"
#include "platform/desktop/EndSignals.h"
#include "platform/desktop/Instance.h"
#include "platform/desktop/MessageBox.h"
#include "platform/files/DataFolder.h"
#include "platform/net/Network.h"
#include "ui/KorvalenDlg.h"
#include "ui/dialogs/QtDialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSessionManager>

#include <optional>

CKorvalenApp theApp;

namespace {

// What a start says when its instance runs in another session, whose
// runtime folder holds the socket that would bring its window forward.
QString runsElsewhereText(const QString& configFile, const QString& theirSocket, const QString& ourSocket)
{
    return QStringLiteral(
               "Korvalen already runs with the settings in\n%1\nstarted in another session. Its "
               "window cannot be brought forward from here: that session's runtime folder is\n%2\nand "
               "this one's is\n%3\n\nUse Korvalen in that session, or end it there, then start it "
               "again.")
        .arg(QDir::toNativeSeparators(configFile), QDir::toNativeSeparators(QFileInfo(theirSocket).path()),
             QDir::toNativeSeparators(QFileInfo(ourSocket).path()));
}

// What a start says when the instance's lock is held but nobody answers on
// its socket: on a shared home, an instance on another computer holds it.
QString doesNotAnswerText(const QString& configFile)
{
    return QStringLiteral("Korvalen already runs with the settings in\n%1\nbut it does not answer, so its "
                          "window cannot be brought forward. It may run on another computer that shares "
                          "this folder, or it may hang.\n\nEnd it there, then start Korvalen again.")
        .arg(QDir::toNativeSeparators(configFile));
}

QString unusableLockText(const QString& configFile, const QString& lockFile, const QString& problem)
{
    return QStringLiteral("Korvalen cannot tell whether it already runs with the settings in\n%1\nThe file "
                          "that marks the running copy,\n%2\ncannot be used: %3.\n\nRemove or rename it, "
                          "then start Korvalen again.")
        .arg(QDir::toNativeSeparators(configFile), QDir::toNativeSeparators(lockFile), problem);
}

// What a start says when it runs although the instance's lock could not be
// taken: a copy already running could not be seen.
QString unlockedText(const QString& configFile, const QString& lockFile, const QString& error)
{
    return QStringLiteral("Korvalen runs with the settings in\n%1\nbut cannot rule out that another copy "
                          "already runs with them: the file that marks the running copy,\n%2\ncannot be "
                          "used: %3.\n\nTwo copies would write over each other's changes. End any other "
                          "copy, and make the file usable.")
        .arg(QDir::toNativeSeparators(configFile), QDir::toNativeSeparators(lockFile), error);
}

QString longSocketText(const QString& socket)
{
    return QStringLiteral("Korvalen cannot start: the socket that would bring its window forward,\n%1\nhas a "
                          "path longer than %2 bytes, the most the system allows. Set XDG_RUNTIME_DIR or "
                          "TMPDIR to a folder with a shorter path, then start Korvalen again.")
        .arg(QDir::toNativeSeparators(socket))
        .arg(platform::longestSocketPath());
}

} // namespace

bool CKorvalenApp::InitInstance(const QStringList& arguments)
{
    const int nInstance = instance::fromCommandLine(arguments.mid(1).join(u' '));

    QString undecodable;
    const std::optional<QString> appData = platform::applicationDataFolder(&undecodable);
    if (!appData) {
        platform::MessageBoxW(
            undecodable.isEmpty()
                ? QStringLiteral("Korvalen cannot find a folder for its settings: none of the "
                                 "environment variables APPDATA, XDG_CONFIG_HOME and HOME is set.")
                : QStringLiteral("Korvalen cannot use the folder for its settings that the environment "
                                 "variable %1 names: its name is not valid in this system's encoding "
                                 "(UTF-8).")
                      .arg(undecodable),
            QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONERROR);
        return false;
    }

    // The lock lies beside the configuration: one process runs each
    // configuration file, whichever session started it.
    const QString dataDir = *appData + QStringLiteral("/Korvalen");
    const QString configFile = dataDir + u'/' + instance::configFileName(nInstance);
    const QString mutex = instance::mutexName(nInstance);
    // Made first, so that the socket is named after the folder the window
    // will find when it listens.
    platform::createFolder(dataDir);
    const QString socket = platform::instanceSocketPath(instance::windowTitle(nInstance), dataDir);
    if (!platform::fitsSocketAddress(socket)) {
        platform::MessageBoxW(longSocketText(socket), QStringLiteral("Korvalen"),
                              platform::MB_OK | platform::MB_ICONERROR);
        return false;
    }
    QString problem;
    const auto tryLock = [&] { return platform::acquireInstanceLock(dataDir, mutex, socket, &problem); };
    platform::InstanceLockResult lock = tryLock();
    if (lock == platform::InstanceLockResult::HeldElsewhere) {
        // The holder names the socket it listens on. One in a folder of this
        // user's that nobody else may enter is its own, wherever its session
        // found the runtime folder; one elsewhere is out of reach from here.
        const QString theirs = platform::instanceLockSocket(dataDir, mutex);
        const bool reachable = theirs.isEmpty() || platform::isPrivateFolder(QFileInfo(theirs).path());
        QStringList sockets{socket};
        if (reachable && !theirs.isEmpty() && theirs != socket)
            sockets.prepend(theirs); // ours too: a holder that cannot rewrite the lock leaves an old name
        // An instance that is ending has closed its socket before the system
        // drops its lock: the lock is tried again between the tries to reach
        // it, and this start runs once it has it. A running instance that is
        // still making its window answers once it listens.
        const bool activated = platform::activateRunningInstance(sockets, m_answerWaitMs, [&] {
            lock = tryLock();
            return lock != platform::InstanceLockResult::HeldElsewhere || !reachable;
        });
        if (activated)
            return false;
        if (lock == platform::InstanceLockResult::HeldElsewhere) {
            platform::MessageBoxW(
                reachable ? doesNotAnswerText(configFile) : runsElsewhereText(configFile, theirs, socket),
                QStringLiteral("Korvalen"),
                platform::MB_OK | (reachable ? platform::MB_ICONWARNING : platform::MB_ICONINFORMATION));
            return false;
        }
    }
    switch (lock) {
    case platform::InstanceLockResult::Unusable:
        platform::MessageBoxW(
            unusableLockText(configFile, platform::instanceLockFile(dataDir, mutex), problem),
            QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONERROR);
        return false;
    case platform::InstanceLockResult::Failed:
        // Without the lock, the socket is all that shows a running copy.
        if (platform::activateRunningInstance(QStringList{socket}, m_answerWaitMs, [] { return true; }))
            return false;
        platform::postMessageBox(
            unlockedText(configFile, platform::instanceLockFile(dataDir, mutex), problem),
            QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONWARNING);
        break;
    case platform::InstanceLockResult::Acquired:
    case platform::InstanceLockResult::HeldElsewhere:
        break;
    }
    if (m_setUpOutputs)
        m_setUpOutputs();

    if (!platform::initNetwork()) {
        platform::AfxMessageBox(QStringLiteral("Windows套接字初始化失败。"), platform::MB_OK);
        return false;
    }

    // Ended from outside, the program ends as Exit ends it: the settings
    // still waiting are written first. Set up before the window, whose
    // socket tells others it runs; a signal is handled once its loop runs.
    // One that comes while the window is being made (a message it shows
    // runs a loop) ends that message and the program once the window exists.
    CKorvalenDlg* window = nullptr;
    bool endAsked = false;
    platform::EndSignals ends([&window, &endAsked] {
        if (window) {
            window->EndWithoutAsking();
        } else {
            endAsked = true;
            platform::endOpenDialogs();
        }
    });
    CKorvalenDlg dlg(nullptr, nInstance);
    window = &dlg;
    // The session manager asks for the data before the session ends.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &dlg, [&dlg] { dlg.FlushSettings(); });
    if (endAsked)
        dlg.EndWithoutAsking();
    else
        dlg.DoModal();
    return false;
}
