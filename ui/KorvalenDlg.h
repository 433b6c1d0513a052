#pragma once

#include "StripPainter.h"
#include "SystemTray.h"
#include "core/BoxSnapshot.h"
#include "core/ConfigStore.h"
#include "core/CustomApps.h"
#include "core/IniFile.h"
#include "core/MainSettings.h"
#include "platform/desktop/Messages.h"

#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <QStringList>

#include <functional>

class CAboutDlg;
class CBoxPropertiesDlg;
class DialogsAboveStrip;
class QEventLoop;
class QMenu;

namespace platform {
class InstanceServer;
class ProfileWriter;
} // namespace platform

// The main window: the strip of box tiles. It holds the main settings (as
// MainSettings, under their key names), the data folder with its files, and
// the box records in strip order. Its members' code is split by concern:
// construction and start (KorvalenDlg.cpp), configuration (…Config.cpp),
// check results (…Check.cpp), painting (…Paint.cpp), notifications
// (…Notify.cpp), the frame and its edge strip (…Frame.cpp), the tray menu
// (…Tray.cpp), backup, restore and reset of the configuration (…Backup.cpp),
// the box context menu (…BoxMenu.cpp) with its strip commands
// (…BoxCommands.cpp) and tools (…Tools.cpp).
class CKorvalenDlg : public QDialog, public MainSettings
{
    Q_OBJECT
public:
    CKorvalenDlg(QWidget* pParent, int nInstance);
    ~CKorvalenDlg() override;

    // Runs the window's initialisation, then its modal loop.
    int DoModal();

    void LoadConfig();
    void SaveBoxes();
    // Settings are written by a thread of their own, so the window never
    // waits for the file. Before the file is copied or left, what waits is
    // written, waiting at most for the try under way and one more; true when
    // all of it is in the file.
    bool FlushSettings();
    // Ends the program as Exit does, for a signal or the end of the session:
    // an open picker, question or message ends unanswered, and what cannot
    // be saved is said on the standard error stream, as nobody may be there
    // to answer a message.
    void EndWithoutAsking();
    void ReloadBoxIcons(int nIndex);
    void StartChecks();

    // A check result (or a direct call with no reply) becomes the box's state.
    platform::LRESULT OnCheckResult(platform::WPARAM wParam, platform::LPARAM lParam);
    // Repaints the tile of the box with the 1-based number at once; while
    // check results that came together are handled, once they all are.
    void PaintTile(int nNumber);
    void OnPaint(const QRegion& dirty);
    // The running window is asked to come forward by a second start.
    void OnActivateInstance();

    // The frame: the window's size and position, its edge strip.
    void ResizeToBoxes();
    // Moves the window, sticking to the work area's edges once initialised.
    void MoveWindow(QPoint topLeft);
    // The work area of the screen the window is on.
    QRect WorkArea() const;
    void OnLButtonDown(QPoint point);
    void OnLButtonDblClk(QPoint point);
    static void DoubleClickActionThread(const BoxSnapshot& box, const QString& program,
                                        const QString& parameters);

    // The notification icon and its menu.
    platform::LRESULT OnTrayNotification(platform::WPARAM wParam, platform::LPARAM lParam);
    void OnTrayCommand(int command);
    void OnTrayAbout();
    // Opens a file or folder with the desktop without waiting for it; when
    // the desktop cannot open it, a message names `what` and `needs`, what
    // would open it.
    void OpenWithDesktop(const QString& path, const QString& what, const QString& needs);
    void OnTrayHelp();
    void OnTrayAlwaysOnTop();
    void OnTrayNormal();
    void OnTrayAlwaysOnBottom();
    void OnTrayResetPosition();
    void OnTrayShow();
    void OnTrayLog();
    void OnTrayExit();
    void OnTrayBackupConfig();
    void OnTrayRestoreConfig();
    void OnTrayResetConfig();
    // The Options dialog (…Options.cpp): filled from the held settings and
    // run; OK or its Apply takes the values back and writes them.
    void OnTrayOptions();
    platform::LRESULT OnApplyOptions(platform::WPARAM wParam, platform::LPARAM lParam);
    QMenu* TrayMenu() const { return m_TrayMenu; }

    // Adding and editing a box in the box properties dialog (…BoxProps.cpp).
    // Both expect m_nLastCommand and m_nSelectedBox to be set by the caller.
    void AddCheck();
    void EditCheck();
    platform::LRESULT OnApplyBoxProperties(platform::WPARAM wParam, platform::LPARAM lParam);

    // The box context menu: a right click on the strip selects the box under
    // it, opens its menu and carries out the chosen command.
    void OnRButtonDown(unsigned nFlags, QPoint point);
    void OnBoxCommand(int command);
    // The strip commands, for the selected box.
    void OnDeleteCheck();
    void OnMoveBox(bool towardsEnd);
    void OnDuplicateCheck();
    void OnDisableEnableCheck();
    void OnStatusInformation();
    void OnViewLog();
    // The tools, for the selected box. Ping, trace route and remote desktop
    // start at once; the others are workers handed a copy of what they need.
    void OnToolPing();
    void OnToolTraceRoute();
    void OnToolRemoteDesktop();
    static void OpenWebThread(const BoxSnapshot& box);
    static void OpenFtpThread(const BoxSnapshot& box);
    static void OpenShareThread(const BoxSnapshot& box);
    static void RunCustomAppThread(const BoxSnapshot& box, const CustomAppRecord& app);

    // The box menu's send network message and customize rows (…NetMsg.cpp):
    // the first for the selected box, the second reads the custom rows again
    // after OK.
    void OnSendNetMsg();
    void OnCustomize();

    // Notification workers; each is handed a copy of the box's fields when
    // it is started and runs on a thread of its own.
    static void MsgBoxNotifyThread(const BoxSnapshot& box);
    static void ExecFileThread(const BoxSnapshot& box);
    static void WriteLogThread(const BoxSnapshot& box);
    static QString GetWinInetErrorText(uint32_t code);
    // The parameters of a custom application or of the double click.
    static QString ExpandMacros(const QString& text, const BoxRecord* box);

    // The strip as the settings give it now, made safe for painting.
    StripMetrics Metrics() const;
    StripView View() const;
    const StripResources& Resources() const { return m_resources; }
    // The handle that check threads send their results to.
    platform::HWND Handle() const { return m_hWnd; }

    CSystemTray m_SystemTray;
    QIcon m_hIcon;
    bool m_bFirstHideBalloon = true;
    QIcon m_hInstanceIcon;
    QMenu* m_TrayMenu = nullptr;
    // The member dialogs whose visibility the frame and the tray look at;
    // those not built yet stay empty. The Options dialog (a CPropertiesDlg)
    // is made at its first use and kept, a window of its own.
    QPointer<QDialog> m_dlgOptions;
    QPointer<QDialog> m_dlgCustomMenu;
    QPointer<QDialog> m_dlgBoxProperties;
    QPointer<QDialog> m_dlgSendNetMsg;
    CAboutDlg* m_dlgAbout = nullptr;
    uint32_t m_nCustomRows = 0;
    QString m_szProgramDir;
    QString m_strLogsDir;
    QString m_strSkinsDir;
    QString m_strPicturesDir;
    QString m_strConfigPath;
    QString m_strDataDir;
    QString m_strMainIniPath;
    QString m_strDefaultSkinPath;
    CIniFile m_iniConfig;
    CIniFile m_iniMain;
    CIniFile m_iniSkin;
    int m_nLastCommand = 0;
    bool m_bHighlight = false;
    bool m_bInitialised = false;
    bool m_bBusy = false;
    int m_nSelectedBox = 0;
    int m_nDblClickBox = 0;
    int m_nCustomApp = 0;
    CustomAppArray m_CustomApps;
    BoxArray m_pBoxes{};
    bool m_bAddMode = false;
    int m_nInstance;

protected:
    bool OnInitDialog();
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Says that the settings cannot be stored, once until a save works again.
    void ReportUnsavedSettings();
    void OnSettingsSaved(bool ok);
    void LoadResources();
    void WriteDefaultPictures();
    void ApplyWindowFlags();
    // Lets every check thread go and frees the boxes.
    void ReleaseBoxes();
    void CreateTray();
    // The box properties, options or custom applications dialog is open.
    bool EditDialogVisible() const;
    // Hides the window, or minimises it where there is no notification area
    // to bring it back from.
    void HideToTray();
    void BringForward();
    // Brings the messages no window owns forward, above the strip.
    void RaiseUnownedMessages();
    // Restores and raises the open box properties, options, network message
    // or custom applications dialog (and what it opened); false when none is
    // open.
    bool BringOpenDialogForward();
    // Paints the tiles that PaintTile left for the end of a run of results.
    void PaintPendingTiles();
    // Drops every box and loads the configuration file again.
    void ReloadConfiguration();
    // Has the settings writer replace the file (`replace` gives an error
    // text, empty when it is done), then runs the boxes from the new file;
    // `lost` names it when the program ends before it could.
    void ReplaceConfiguration(const QString& lost, std::function<QString()> replace);
    // The end of a backup, restore or reset: frees the commands and tells
    // an error; true when there was none.
    bool ConfigurationCommandEnded(const QString& error);
    // The member dialog behind m_dlgBoxProperties.
    CBoxPropertiesDlg* BoxPropertiesDlg() const;

    StripResources m_resources; // status icons, edge-strip bitmaps, fonts
    platform::HWND m_hWnd = nullptr;
    DialogsAboveStrip* m_pDialogsAbove = nullptr;
    QRegion m_pendingTiles; // tiles changed by results still being handled
    platform::InstanceServer* m_pInstanceServer = nullptr;
    platform::ProfileWriter* m_pSettingsWriter = nullptr;
    bool m_bReportedUnsaved = false;
    bool m_bEndingWithoutAsking = false;
    QStringList m_endErrors; // errors of commands that ended as the window closed
    bool m_bClosed = false;
    bool m_bWarnedNoTray = false;
    bool m_bRaiseMessagesWhenActive = false;
    QEventLoop* m_pModalLoop = nullptr;
    bool m_bDragging = false;
    QPoint m_dragOffset;
    bool m_bBoxMenuOpen = false;
};
