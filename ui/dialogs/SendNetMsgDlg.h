#pragma once

#include "core/IniFile.h"

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QString>

#include <memory>

namespace Ui {
class CSendNetMsgDlg;
}

// Sends a network message to a box's host with the configured command. The
// opener sets the configuration file, the user name, the target and the
// method before every run; the dialog stays open after each message until
// it is cancelled.
class CSendNetMsgDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CSendNetMsgDlg(QWidget* parent = nullptr);
    ~CSendNetMsgDlg() override;

    bool OnInitDialog();
    // Runs the dialog while the strip stays usable; its result is of no use.
    int DoModal();
    void OnBnClickedSend();
    void OnEnChangeUser();
    void OnEnChangeMessage();
    void OnBnClickedHelp();
    void OnBnClickedSettings();

    static QString HelpText();
    // Why a message was not sent: `where` says which placeholder stands
    // where its value is not protected.
    static QString RefusedText(const QString& where);

    QIcon m_hIcon;
    QIcon m_hSendIcon;
    QIcon m_hCancelIcon;
    QString m_strIP;
    QString m_strMessage;
    CIniFile m_iniConfig;
    QString m_strUserName;
    QString m_strCommand;
    QString m_strParameters;
    int m_nMethod = 0;
    // The window the dialog is centred on.
    QPointer<QWidget> m_pOwner;

private:
    std::unique_ptr<Ui::CSendNetMsgDlg> ui;
    void DoDataExchange(bool save);
};
