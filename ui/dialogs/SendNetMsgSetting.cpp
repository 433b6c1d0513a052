#include "SendNetMsgSetting.h"

#include "ui/Pictures.h"

#include "DialogRun.h"
#include "ExecFile.h"
#include "FieldLimits.h"
#include "UnsavedSettings.h"
#include "core/NetMessage.h"
#include "platform/desktop/Dialogs.h"
#include "platform/files/PrivateProfile.h"
#include "ui/dialogs/QtMessageBox.h"
#include "ui_SendNetMsgSetting.h"

namespace {
const QString kMain = QStringLiteral("main");
} // namespace

CSendNetMsgSetting::CSendNetMsgSetting(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CSendNetMsgSetting>())
{
    ui->setupUi(this);
    platform::setDialogWindowFlags(this);
    setWindowIcon(resourcePicture(128));
    connect(ui->buttonBrowse, &QPushButton::clicked, this, &CSendNetMsgSetting::OnBnClickedBrowse);
    connect(ui->buttonDefault, &QPushButton::clicked, this, &CSendNetMsgSetting::OnBnClickedDefault);
    connect(ui->buttonOK, &QPushButton::clicked, this, &CSendNetMsgSetting::OnOK);
    connect(ui->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

CSendNetMsgSetting::~CSendNetMsgSetting() = default;

bool CSendNetMsgSetting::OnInitDialog()
{
    m_hOKIcon = resourcePicture(206);
    m_hCancelIcon = resourcePicture(207);
    ui->buttonOK->setIcon(m_hOKIcon);
    ui->buttonCancel->setIcon(m_hCancelIcon);
    for (QPushButton* button : {ui->buttonOK, ui->buttonCancel})
        button->setIconSize(QSize(16, 16));
    DoDataExchange(false);
    return true;
}

int CSendNetMsgSetting::DoModal()
{
    OnInitDialog();
    return runSubDialog(this);
}

void CSendNetMsgSetting::DoDataExchange(bool save)
{
    if (save) {
        m_strCommand = ui->editCommand->text();
        m_strParameters = ui->editParameters->text();
    } else {
        // The edits take no more than reading the file gives back.
        ui->editCommand->setText(m_strCommand.left(ui->editCommand->maxLength()));
        ui->editParameters->setText(m_strParameters.left(ui->editParameters->maxLength()));
        // Long templates show their beginning.
        ui->editCommand->setCursorPosition(0);
        ui->editParameters->setCursorPosition(0);
    }
}

void CSendNetMsgSetting::OnBnClickedBrowse()
{
    DoDataExchange(true);
    const QString path = platform::dialogService().getOpenFileName(this, CExecFile::ProgramFileFilter());
    // A path longer than the file keeps would come back cut: refused, and the user is told why.
    if (!path.isEmpty() && pickedPathFits(path, ui->editCommand))
        m_strCommand = path;
    DoDataExchange(false);
}

void CSendNetMsgSetting::OnBnClickedDefault()
{
    DoDataExchange(true);
    m_strCommand = defaultNetMsgCommand();
    m_strParameters = defaultNetMsgParameters();
    DoDataExchange(false);
}

void CSendNetMsgSetting::OnOK()
{
    DoDataExchange(true);
    if (m_pIniConfig) {
        bool stored = false;
        {
            // Both or neither: a command never runs with another's template.
            // The batch ends before the warning, so that no write made while
            // the warning is open joins it unseen.
            platform::ProfileBatch batch(m_pIniConfig->FileName());
            m_pIniConfig->WriteString(kMain, QStringLiteral("SendNetMsgComm"), m_strCommand);
            m_pIniConfig->WriteString(kMain, QStringLiteral("SendNetMsgParam"), m_strParameters);
            stored = batch.commit();
        }
        if (!stored) {
            warnUnsavedSettings(this, m_pIniConfig->FileName());
            return;
        }
    }
    accept();
}
