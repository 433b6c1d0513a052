#include "KorvalenDlg.h"

#include "StripGeometry.h"
#include "core/Instance.h"
#include "platform/DataFolder.h"
#include "platform/Instance.h"
#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

CKorvalenDlg::CKorvalenDlg(QWidget* pParent, int nInstance) : QDialog(pParent), m_nInstance(nInstance)
{
    setWindowTitle(instance::windowTitle(m_nInstance));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);

    m_szProgramDir = QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();

    // The caller has checked that a folder for application data is known.
    m_strDataDir = platform::applicationDataFolder().value_or(QDir::homePath()) + QStringLiteral("/Korvalen");
    platform::createFolder(m_strDataDir);
    m_strConfigPath = m_strDataDir + u'/' + instance::configFileName(m_nInstance);
    m_strMainIniPath = m_strDataDir + QStringLiteral("/Main.ini");
    m_strDefaultSkinPath = m_strDataDir + QStringLiteral("/Skins/Default.ini");
    m_strPicturesDir = m_strDataDir + QStringLiteral("/Pictures/");
    m_strSkinsDir = m_strDataDir + QStringLiteral("/Skins/");
    m_strLogsDir = m_strDataDir + QStringLiteral("/Logs/");
    g_strLogsDir = m_strLogsDir;
    for (const QString& folder : {m_strPicturesDir, m_strSkinsDir, m_strLogsDir})
        platform::createFolder(folder);

    m_iniMain.SetFileName(m_strMainIniPath);
    m_iniSkin.SetFileName(m_strDefaultSkinPath);
    m_nCustomRows = readCustomApps(m_iniMain, m_CustomApps);

    LoadConfig();

    m_pInstanceServer = new platform::InstanceServer(
        instance::windowTitle(m_nInstance), [this] { OnActivateInstance(); }, this);
}

CKorvalenDlg::~CKorvalenDlg()
{
    for (BoxRecord*& box : m_pBoxes) {
        delete box;
        box = nullptr;
    }
}

int CKorvalenDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

bool CKorvalenDlg::OnInitDialog()
{
    m_iniConfig.SetFileName(m_strConfigPath);
    if (!platform::canReplaceFile(m_strConfigPath))
        ReportUnsavedSettings();
    StartChecks();
    show();
    m_bInitialised = true;
    update();
    return true;
}

void CKorvalenDlg::StartChecks()
{
    const QSize size = stripWindowSize(XBox, YBox, NumBox, WinPos);
    setGeometry(PosX, PosY, size.width(), size.height());
    show();
}

void CKorvalenDlg::OnActivateInstance()
{
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void CKorvalenDlg::ReportUnsavedSettings()
{
    if (m_bReportedUnsaved)
        return;
    m_bReportedUnsaved = true;
    platform::MessageBoxW(QStringLiteral("The settings cannot be saved: %1 cannot be written. "
                                         "Korvalen runs with the settings it could read or its defaults.")
                              .arg(QDir::toNativeSeparators(m_strConfigPath)),
                          QStringLiteral("Korvalen"), platform::MB_OK | platform::MB_ICONWARNING);
}
