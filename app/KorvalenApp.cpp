#include "KorvalenApp.h"

#include "core/Instance.h"
#include "platform/DataFolder.h"
#include "platform/EndSignals.h"
#include "platform/Instance.h"
#include "platform/MessageBox.h"
#include "platform/Network.h"
#include "ui/KorvalenDlg.h"

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

} // namespace

bool CKorvalenApp::InitInstance(const QStringList& arguments)
{
    const int nInstance = instance::fromCommandLine(arguments.mid(1).join(u' '));

    const std::optional<QString> appData = platform::applicationDataFolder();
    if (!appData) {
        platform::MessageBoxW(
            QStringLiteral("Korvalen cannot find a folder for its settings: none of the "
                           "environment variables APPDATA, XDG_CONFIG_HOME and HOME is set."),
            QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONERROR);
        return false;
    }

    // The lock lies beside the configuration: one process runs each
    // configuration file, whichever session started it.
    const QString dataDir = *appData + QStringLiteral("/Korvalen");
    const QString mutex = instance::mutexName(nInstance);
    const QString socket = platform::instanceSocketPath(instance::windowTitle(nInstance));
    if (platform::acquireInstanceLock(dataDir, mutex, socket) ==
        platform::InstanceLockResult::HeldElsewhere) {
        const QString theirs = platform::instanceLockSocket(dataDir, mutex);
        if (!theirs.isEmpty() && theirs != socket) {
            platform::MessageBoxW(
                runsElsewhereText(dataDir + u'/' + instance::configFileName(nInstance), theirs, socket),
                QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONINFORMATION);
            return false;
        }
        // The running window comes forward; a running instance that has no
        // window yet, or does not answer, leaves this start to end silently.
        platform::activateRunningInstance(instance::windowTitle(nInstance));
        return false;
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
    CKorvalenDlg* window = nullptr;
    platform::EndSignals ends([&window] {
        if (window)
            window->EndWithoutAsking();
    });
    CKorvalenDlg dlg(nullptr, nInstance);
    window = &dlg;
    // The session manager asks for the data before the session ends.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &dlg, [&dlg] { dlg.FlushSettings(); });
    dlg.DoModal();
    return false;
}
