#include "MsgBoxSettings.h"

#include "ui_MsgBoxSettings.h"

#include "DialogIcons.h"
#include "FieldLimits.h"
#include "platform/DateTime.h"
#include "platform/desktop/MessageBox.h"

CMsgBoxSettings::CMsgBoxSettings(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CMsgBoxSettings>())
{
    m_ui->setupUi(this);
    setDialogFrame(this);
    limitToStoredText({m_ui->editDescription});
    connect(m_ui->buttonTest, &QPushButton::clicked, this, &CMsgBoxSettings::OnBnClickedTest);
    connect(m_ui->buttonOK, &QPushButton::clicked, this, &CMsgBoxSettings::OnOK);
    connect(m_ui->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

CMsgBoxSettings::~CMsgBoxSettings() = default;

bool CMsgBoxSettings::OnInitDialog()
{
    DoDataExchange(false);
    setButtonIcon(m_ui->buttonOK, 206);
    setButtonIcon(m_ui->buttonCancel, 207);
    return true;
}

void CMsgBoxSettings::DoDataExchange(bool save)
{
    if (save)
        m_strDescription = m_ui->editDescription->text();
    else
        m_ui->editDescription->setText(m_strDescription);
}

QString CMsgBoxSettings::SampleMessage(const QString& description, const QString& boxName,
                                       const QString& date, const QString& time)
{
    QString text = description;
    text.replace(QStringLiteral("%name"), boxName);
    text.replace(QStringLiteral("%status"), QStringLiteral("STATUS"));
    // One pass of arguments: a value that holds "%2" is never read as one.
    return QStringLiteral("Description: %1\nDate: %2\nTime: %3\nName: %4\nMethod: Ping(TCP,URL)\nIP: ...\n"
                          "Status: Up(Down...)")
        .arg(text, date, time, boxName);
}

void CMsgBoxSettings::OnBnClickedTest()
{
    DoDataExchange(true);
    const platform::LocalStamp now = platform::localStampNow();
    platform::AfxMessageBox(this, SampleMessage(m_strDescription, m_strBoxName, now.date, now.time),
                            platform::MB_ICONINFORMATION | platform::MB_SYSTEMMODAL | platform::MB_TOPMOST);
}

void CMsgBoxSettings::OnOK()
{
    DoDataExchange(true);
    accept();
}
