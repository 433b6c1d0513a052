#include "KorvalenDlg.h"

#include "DialogsAboveStrip.h"
#include "core/Instance.h"
#include "core/NetThread.h"
#include "platform/desktop/Instance.h"
#include "platform/desktop/MessageBox.h"
#include "platform/files/DataFolder.h"
#include "platform/files/ProfileWriter.h"
#include "platform/sound/Sound.h"
#include "ui/dialogs/AboutDlg.h"
#include "ui/dialogs/BoxPropertiesDlg.h"
#include "ui/dialogs/PropertiesDlg.h"
#include "ui/dialogs/QtDialogs.h"
#include "ui/dialogs/QtMessageBox.h"
#include "ui/dialogs/UnsavedSettings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

namespace {
// The file can be replaced, or, while its first write still waits, made.
bool settingsCanBeStored(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists())
        return platform::canReplaceFile(path);
    return QFileInfo(info.absolutePath()).isDir() &&
           ::access(QFile::encodeName(info.absolutePath()).constData(), W_OK | X_OK) == 0;
}
} // namespace

CKorvalenDlg::CKorvalenDlg(QWidget* pParent, int nInstance) : QDialog(pParent), m_nInstance(nInstance)
{
    setWindowTitle(instance::windowTitle(m_nInstance));
    m_pDialogsAbove = new DialogsAboveStrip(this);
    m_hWnd = new platform::MessageReceiver(
        [this](uint32_t message, platform::WPARAM wParam, platform::LPARAM lParam) -> platform::LRESULT {
            if (message == platform::WM_CHECKRESULT)
                return OnCheckResult(wParam, lParam);
            // Any other message may change the strip or open a loop of its
            // own: the tiles that results changed are painted before it.
            PaintPendingTiles();
            if (message == platform::WM_TRAYNOTIFY)
                return OnTrayNotification(wParam, lParam);
            if (message == platform::WM_APPLYOPTIONS)
                return OnApplyOptions(wParam, lParam);
            if (message == platform::WM_APPLYBOXPROPERTIES)
                return OnApplyBoxProperties(wParam, lParam);
            if (message == platform::WM_ACTIVATEINSTANCE)
                OnActivateInstance();
            return 0;
        },
        this);
    m_hWnd->setAfterRun([this] { PaintPendingTiles(); });

    m_hIcon = platform::programIcon();
    // Lives as long as the window and is shown again for every add and edit.
    m_dlgBoxProperties = new CBoxPropertiesDlg(m_hWnd, this);
    m_szProgramDir = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();

    // The caller has checked that a folder for application data is known.
    m_strDataDir = platform::applicationDataFolder().value_or(QDir::homePath()) + QStringLiteral("/Korvalen");
    platform::createFolder(m_strDataDir);
    m_strConfigPath = m_strDataDir + u'/' + instance::configFileName(m_nInstance);
    m_pSettingsWriter = new platform::ProfileWriter(m_strConfigPath, this);
    connect(m_pSettingsWriter, &platform::ProfileWriter::saved, this, &CKorvalenDlg::OnSettingsSaved);
    m_strMainIniPath = m_strDataDir + QStringLiteral("/Main.ini");
    m_strDefaultSkinPath = m_strDataDir + QStringLiteral("/Skins/Default.ini");
    m_strPicturesDir = m_strDataDir + QStringLiteral("/Pictures/");
    m_strSkinsDir = m_strDataDir + QStringLiteral("/Skins/");
    m_strLogsDir = m_strDataDir + QStringLiteral("/Logs/");
    g_strLogsDir = m_strLogsDir;
    for (const QString& folder : {m_strPicturesDir, m_strSkinsDir, m_strLogsDir})
        platform::createFolder(folder);
    WriteDefaultPictures();

    LoadResources();
    m_iniMain.SetFileName(m_strMainIniPath);
    m_iniSkin.SetFileName(m_strDefaultSkinPath);
    m_nCustomRows = readCustomApps(m_iniMain, m_CustomApps);

    LoadConfig();
    CreateTray();

    m_pInstanceServer = new platform::InstanceServer(
        platform::instanceSocketPath(instance::windowTitle(m_nInstance), m_strDataDir),
        [this] { OnActivateInstance(); }, this);
}

CKorvalenDlg::~CKorvalenDlg()
{
    // Its last words would come to a window half gone.
    disconnect(m_pSettingsWriter, nullptr, this, nullptr);
    delete m_dlgBoxProperties;
    ReleaseBoxes();
    // A window of its own (not tied to the strip's place in the z-order), so
    // no parent takes it along.
    delete m_dlgAbout;
    // The Options dialog is ours when it is a CPropertiesDlg.
    delete qobject_cast<CPropertiesDlg*>(m_dlgOptions.data());
    delete m_dlgSendNetMsg;
    delete m_dlgCustomMenu;
}

void CKorvalenDlg::ReleaseBoxes()
{
    for (BoxRecord*& box : m_pBoxes) {
        if (box)
            box->KillThread();
        delete box;
        box = nullptr;
    }
}

void CKorvalenDlg::LoadResources()
{
    m_resources.stripRow = QImage(QStringLiteral(":/images/153.png"));
    m_resources.stripColumn = QImage(QStringLiteral(":/images/152.png"));
    m_resources.errorIcon = QImage(QStringLiteral(":/images/248.png"));
    m_resources.checkingIcon = QImage(QStringLiteral(":/images/249.png"));
    m_resources.disabledIcon = QImage(QStringLiteral(":/images/255.png"));
    m_resources.iconSize = QSize(32, 32);
    m_resources.nameFont = stripNameFont();
    m_resources.infoFont = stripInfoFont();
}

void CKorvalenDlg::WriteDefaultPictures()
{
    // A new box names these pictures; they are ours, written when missing.
    for (const char* name : {"1274607096_Desktop.ico", "1274607096_Desktop_bw.ico"}) {
        const QString target = m_strPicturesDir + QString::fromLatin1(name);
        if (!QFileInfo::exists(target) &&
            QFile::copy(QStringLiteral(":/images/") + QString::fromLatin1(name), target))
            QFile::setPermissions(target,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
}

int CKorvalenDlg::DoModal()
{
    OnInitDialog();
    // A loop of our own rather than QDialog::exec, which ends as soon as the
    // window is hidden: hidden to the tray, the strip keeps running.
    QEventLoop loop;
    m_pModalLoop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_pModalLoop = nullptr;
    return 0;
}

void CKorvalenDlg::ApplyWindowFlags()
{
    Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
    if (HideTaskBarButton != 0)
        flags |= Qt::Tool;
    if (WinBeh == 0)
        flags |= Qt::WindowStaysOnTopHint;
    else if (WinBeh == 2)
        flags |= Qt::WindowStaysOnBottomHint;
    // Changing the flags hides the window: only when they differ, and then it
    // is shown again.
    if (windowFlags() != flags) {
        const bool visible = isVisible();
        setWindowFlags(flags);
        if (visible)
            show();
        m_pDialogsAbove->followStrip();
    }
}

bool CKorvalenDlg::OnInitDialog()
{
    m_iniConfig.SetFileName(m_strConfigPath);
    setWindowIcon(m_hIcon);
    StartChecks();
    // Said once the checks run: a start at login must not wait for someone
    // to answer before it monitors anything.
    if (!settingsCanBeStored(m_strConfigPath))
        QMetaObject::invokeMethod(this, &CKorvalenDlg::ReportUnsavedSettings, Qt::QueuedConnection);
    if (WinBeh >= 0 && WinBeh <= 2)
        m_iniConfig.WriteInt(QStringLiteral("main"), QStringLiteral("WinBeh"), WinBeh);
    show();
    showNormal();
    m_bInitialised = true;
    update();
    return true;
}

void CKorvalenDlg::StartChecks()
{
    const QSize size = stripWindowSize(Metrics());
    ApplyWindowFlags();
    setGeometry(QRect(stripWindowPosition(PosX, PosY), size));
    setFixedSize(size);
    // Once the window is initialised (a restore or reset of the
    // configuration), the place sticks to the work area's edges as every move
    // does, and the window comes to the top, as at start-up.
    if (m_bInitialised)
        MoveWindow(pos());
    show();
    if (m_bInitialised) {
        raise();
        activateWindow();
        RaiseUnownedMessages();
    }
    // One volume for both channels; a stored value above the range would
    // spill into the other channel, so it is held at full volume.
    platform::setOutputVolume(VolumeMute != 0 ? 0 : std::min<uint32_t>(Volume, 65535));
    update();

    // Every box has its first status before any check runs.
    for (int i = 0; i < NumBox; ++i) {
        BoxRecord* box = m_pBoxes[size_t(i)];
        if (!box)
            continue;
        box->m_hWndNotify = m_hWnd;
        box->m_nStatus = STATUS_UNKNOWN;
        OnCheckResult(packCheckResult(box->Disabled != 0 ? STATUS_DISABLED : STATUS_CHECKING, i), 0);
    }
    for (int i = 0; i < NumBox; ++i) {
        BoxRecord* box = m_pBoxes[size_t(i)];
        if (box && box->Disabled == 0)
            box->StartThread();
    }
    show();
    showNormal();
}

void CKorvalenDlg::OnActivateInstance()
{
    show();
    showNormal();
    raise();
    activateWindow();
    RaiseUnownedMessages();
}

void CKorvalenDlg::RaiseUnownedMessages()
{
    // A strip that was minimised or hidden takes the keyboard only once the
    // window manager has shown it again, after this: the messages come
    // forward once more then.
    const QWindow* shown = windowHandle();
    m_bRaiseMessagesWhenActive = platform::raiseUnownedMessages() && shown && !shown->isExposed();
}

void CKorvalenDlg::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_bRaiseMessagesWhenActive) {
        m_bRaiseMessagesWhenActive = false;
        platform::raiseUnownedMessages();
    }
    QDialog::changeEvent(event);
}

void CKorvalenDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape do not close the strip.
    event->accept();
}

void CKorvalenDlg::closeEvent(QCloseEvent* event)
{
    // The checks stop before the window goes: no result arrives afterwards,
    // and a replacement ending meanwhile starts none again.
    m_bClosed = true;
    ReleaseBoxes();
    // The last position and layout, and a restore, reset or backup still
    // waiting, get their try before the program ends, or are said to be lost.
    const bool saved = FlushSettings();
    // The ends of the commands done in that try come now.
    QCoreApplication::sendPostedEvents(m_pSettingsWriter, QEvent::MetaCall);
    QStringList said = m_endErrors;
    if (!saved)
        said << unsavedSettingsText(m_strConfigPath) + QStringLiteral(" Not saved:\n") +
                    m_pSettingsWriter->waiting().join(u'\n');
    if (!said.isEmpty()) {
        const QString text = said.join(QStringLiteral("\n\n"));
        if (!m_bEndingWithoutAsking)
            platform::MessageBoxW(text, QStringLiteral("Korvalen"),
                                  platform::MB_OK | platform::MB_ICONWARNING);
        // Also when the end was asked for while the message was open.
        if (m_bEndingWithoutAsking)
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
    m_SystemTray.RemoveIcon();
    if (m_dlgAbout)
        m_dlgAbout->close();
    // An open box properties dialog ends as cancelled; nothing is applied.
    if (m_dlgBoxProperties)
        m_dlgBoxProperties->reject();
    if (m_dlgOptions)
        m_dlgOptions->reject();
    // The network message and custom applications dialogs end too, so that
    // nothing waits for their runs afterwards.
    for (QDialog* dialog : {m_dlgSendNetMsg.data(), m_dlgCustomMenu.data()})
        if (dialog)
            dialog->reject();
    event->accept();
    hide();
    if (m_pModalLoop)
        m_pModalLoop->quit();
}

bool CKorvalenDlg::FlushSettings()
{
    return m_pSettingsWriter->flush(platform::kProfileFlushWait);
}

void CKorvalenDlg::EndWithoutAsking()
{
    m_bEndingWithoutAsking = true;
    // The command that asked goes no further once its dialog has ended.
    platform::endOpenDialogs(this);
    // Asked during Exit's own message: the exit goes on once it has gone.
    if (!m_bClosed)
        OnTrayExit();
}

void CKorvalenDlg::OnSettingsSaved(bool ok)
{
    // A failing spell is said once; a save that works ends it.
    if (ok)
        m_bReportedUnsaved = false;
    else
        ReportUnsavedSettings();
}

void CKorvalenDlg::ReportUnsavedSettings()
{
    if (m_bReportedUnsaved)
        return;
    m_bReportedUnsaved = true;
    // Told without waiting for an answer: the strip goes on working and the
    // writer goes on trying while the message is open.
    platform::postMessageBox(
        this,
        unsavedSettingsText(m_strConfigPath) +
            QStringLiteral(" Korvalen runs with the settings it could read or its defaults."),
        QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONWARNING);
}
