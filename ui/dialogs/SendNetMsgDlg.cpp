#include "SendNetMsgDlg.h"

#include "ui/Pictures.h"

#include "CentreOn.h"
#include "DialogRun.h"
#include "SendNetMsgSetting.h"
#include "core/BoxRecord.h"
#include "core/NetMessage.h"
#include "platform/desktop/MessageBox.h"
#include "platform/net/UrlSplit.h"
#include "ui/dialogs/QtMessageBox.h"
#include "ui_SendNetMsgDlg.h"

namespace {
const QString kMain = QStringLiteral("main");

void setTextIfChanged(QLineEdit* edit, const QString& text)
{
    // Setting the same text again would move the cursor while typing.
    if (edit->text() != text)
        edit->setText(text);
}
} // namespace

CSendNetMsgDlg::CSendNetMsgDlg(QWidget* parent)
    : QDialog(parent), m_hIcon(resourcePicture(128)), ui(std::make_unique<Ui::CSendNetMsgDlg>())
{
    ui->setupUi(this);
    platform::setDialogWindowFlags(this);
    connect(ui->buttonSend, &QPushButton::clicked, this, &CSendNetMsgDlg::OnBnClickedSend);
    connect(ui->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->editUser, &QLineEdit::textEdited, this, &CSendNetMsgDlg::OnEnChangeUser);
    connect(ui->editMessage, &QLineEdit::textEdited, this, &CSendNetMsgDlg::OnEnChangeMessage);
    connect(ui->buttonHelp, &QPushButton::clicked, this, &CSendNetMsgDlg::OnBnClickedHelp);
    connect(ui->buttonSettings, &QPushButton::clicked, this, &CSendNetMsgDlg::OnBnClickedSettings);
}

CSendNetMsgDlg::~CSendNetMsgDlg() = default;

QString CSendNetMsgDlg::HelpText()
{
    return QStringLiteral("The following must be ready on the remote machine if you use ssh and write: \n"
                          "Service : an SSH server that accepts your login\n"
                          "User : logged in on a terminal\n"
                          "Messages : allowed (mesg y)");
}

QString CSendNetMsgDlg::RefusedText(const QString& where)
{
    return QStringLiteral("The message is not sent: in the parameters, %1. A value cannot be kept plain "
                          "text there. Change the parameters under Settings.")
        .arg(where);
}

bool CSendNetMsgDlg::OnInitDialog()
{
    setWindowIcon(m_hIcon);
    ui->buttonSend->setEnabled(false);
    m_strCommand = m_iniConfig.GetString(kMain, QStringLiteral("SendNetMsgComm"), defaultNetMsgCommand());
    m_strParameters =
        m_iniConfig.GetString(kMain, QStringLiteral("SendNetMsgParam"), defaultNetMsgParameters());
    if (m_nMethod == METHOD_URL) {
        uint32_t service = 0;
        QString server;
        QString object;
        uint16_t port = 0;
        platform::AfxParseURL(m_strIP, service, server, object, port);
        m_strIP = server;
    }
    ui->labelTarget->setText(QStringLiteral("To IP: %1").arg(m_strIP));
    m_strMessage.clear();
    m_hSendIcon = resourcePicture(211);
    m_hCancelIcon = resourcePicture(207);
    ui->buttonSend->setIcon(m_hSendIcon);
    ui->buttonCancel->setIcon(m_hCancelIcon);
    for (QPushButton* button : {ui->buttonSend, ui->buttonCancel})
        button->setIconSize(QSize(16, 16));
    DoDataExchange(false);
    ui->editMessage->setFocus();
    centreOn(this, m_pOwner);
    return true;
}

int CSendNetMsgDlg::DoModal()
{
    OnInitDialog();
    return runDialog(this);
}

void CSendNetMsgDlg::DoDataExchange(bool save)
{
    if (save) {
        m_strUserName = ui->editUser->text();
        m_strMessage = ui->editMessage->text();
    } else {
        setTextIfChanged(ui->editUser, m_strUserName.left(ui->editUser->maxLength()));
        setTextIfChanged(ui->editMessage, m_strMessage);
    }
}

void CSendNetMsgDlg::OnEnChangeMessage()
{
    DoDataExchange(true);
    // A message never begins with a typed blank.
    if (m_strMessage == QStringLiteral(" "))
        m_strMessage.clear();
    ui->buttonSend->setEnabled(!m_strMessage.isEmpty());
    DoDataExchange(false);
}

void CSendNetMsgDlg::OnEnChangeUser()
{
    DoDataExchange(true);
    // The settings writer says when it cannot be stored, as for every setting.
    m_iniConfig.WriteString(kMain, QStringLiteral("NetUserName"), m_strUserName);
}

void CSendNetMsgDlg::OnBnClickedSend()
{
    DoDataExchange(true);
    if (m_strMessage.isEmpty())
        return;
    QString refused;
    switch (sendNetMessage(m_strCommand, m_strParameters, m_strIP, m_strUserName, m_strMessage, &refused)) {
    case NetMessageSent::Started:
        break;
    case NetMessageSent::NotStarted:
        platform::AfxMessageBox(this, QStringLiteral("ERROR FILE NOT FOUND"), platform::MB_OK);
        // The message stays, to be sent again once the command is put right.
        return;
    case NetMessageSent::Refused:
        platform::AfxMessageBox(this, RefusedText(refused), platform::MB_OK | platform::MB_ICONWARNING);
        return;
    case NetMessageSent::TooLong:
        platform::AfxMessageBox(
            this, QStringLiteral("The message is not sent: %1. Shorten the message.").arg(refused),
            platform::MB_OK | platform::MB_ICONWARNING);
        return;
    }
    m_strMessage.clear();
    ui->buttonSend->setEnabled(false);
    DoDataExchange(false);
}

void CSendNetMsgDlg::OnBnClickedHelp()
{
    platform::AfxMessageBox(this, HelpText(), platform::MB_ICONINFORMATION);
}

void CSendNetMsgDlg::OnBnClickedSettings()
{
    CSendNetMsgSetting settings(this);
    settings.m_strCommand = m_strCommand;
    settings.m_strParameters = m_strParameters;
    // The settings dialog stores both values on its OK, and stays open when
    // they cannot be stored.
    settings.m_pIniConfig = &m_iniConfig;
    if (settings.DoModal() != QDialog::Accepted)
        return;
    m_strCommand = settings.m_strCommand;
    m_strParameters = settings.m_strParameters;
}
