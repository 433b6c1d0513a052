#include "ExecFile.h"

#include "ui_ExecFile.h"

#include "BalloonTip.h"
#include "DialogIcons.h"
#include "FieldLimits.h"
#include "StoredFlag.h"
#include "core/BoxRecord.h"
#include "core/Placeholders.h"
#include "platform/DateTime.h"
#include "platform/desktop/Dialogs.h"
#include "platform/desktop/MessageBox.h"
#include "platform/programs/ProgramStart.h"
#include "platform/programs/Shell.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr int kMaxCount = 9999;

} // namespace

CExecFile::CExecFile(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::CExecFile>())
{
    m_ui->setupUi(this);
    setDialogFrame(this);
    limitToStoredText({m_ui->editFile, m_ui->editParameters});
    m_ui->editParameters->setToolTip(platform::argumentRuleText());
    connect(m_ui->buttonBrowse, &QPushButton::clicked, this, &CExecFile::OnBnClickedBrowse);
    connect(m_ui->buttonTest, &QPushButton::clicked, this, &CExecFile::OnBnClickedTest);
    for (QCheckBox* check :
         {m_ui->checkUp, m_ui->checkDown, m_ui->checkClose, m_ui->checkIpError, m_ui->checkNetError})
        connect(check, &QCheckBox::clicked, this, &CExecFile::OnBnClickedStatus);
    // Typing marks the edit modified; an arrow step rewrites the text and
    // clears the mark, which tells the two apart.
    QLineEdit* countEdit = m_ui->spinCount->edit();
    connect(countEdit, &QLineEdit::textEdited, this, &CExecFile::OnEnUpdateCount);
    connect(m_ui->spinCount, &CSpinEdit::valueEdited, this, [this, countEdit](qint64 position) {
        if (!countEdit->isModified())
            OnDeltaposCountSpin(position);
    });
    connect(m_ui->buttonOK, &QPushButton::clicked, this, &CExecFile::OnOK);
    connect(m_ui->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

CExecFile::~CExecFile() = default;

std::array<int, CExecFile::FLAG_COUNT> CExecFile::FlagsFromMask(int32_t mask)
{
    std::array<int, FLAG_COUNT> flags{};
    for (int i = 0; i < FLAG_COUNT; ++i)
        flags[size_t(i)] = (mask >> i) & 1;
    return flags;
}

int32_t CExecFile::MaskFromFlags(const std::array<int, FLAG_COUNT>& flags)
{
    int32_t mask = 0;
    for (int i = 0; i < FLAG_COUNT; ++i) {
        if (flags[size_t(i)] != 0)
            mask |= 1 << i;
    }
    return mask;
}

QString CExecFile::ProgramFileFilter()
{
    // Programs and scripts on Linux carry no extension: the picker opens on
    // its first row, all files. Qt separates the patterns of a row by blanks.
    return QStringLiteral("All Files (*);;EXE, BAT File (*.exe *.bat)");
}

QString CExecFile::CountBalloonText(uint64_t interval, uint64_t count)
{
    // 64 bits: an interval read from a hand-edited file times 9999 passes 2^32.
    const uint64_t s = interval * count;
    return QStringLiteral("Execute File if IP change Status for %1 hr %2 min %3 sec.")
        .arg(s / 3600)
        .arg((s % 3600) / 60)
        .arg(s % 60);
}

bool CExecFile::OnInitDialog()
{
    DoDataExchange(false);
    switch (m_nMethod) {
    case METHOD_TCP:
        m_ui->checkUp->setText(QStringLiteral("Open"));
        m_ui->checkIpError->setText(QStringLiteral("IP ERROR"));
        m_ui->labelStatusIpError->setText(QStringLiteral("%status=IPERROR"));
        break;
    case METHOD_PING:
        // Only TCP boxes report Close; the flag keeps the value it came with.
        m_ui->checkClose->setEnabled(false);
        m_ui->checkIpError->setText(QStringLiteral("IP ERROR"));
        m_ui->labelStatusIpError->setText(QStringLiteral("%status=IPERROR"));
        break;
    case METHOD_URL:
        m_ui->checkClose->setEnabled(false);
        m_ui->checkIpError->setText(QStringLiteral("URL ERROR"));
        m_ui->labelStatusIpError->setText(QStringLiteral("%status=URLERROR"));
        break;
    default:
        break;
    }
    m_ui->spinCount->setMaxLength(4);
    m_ui->spinCount->setRange(0, kMaxCount);
    m_ui->spinCount->setValue(m_nCount);
    m_strCount = QString::number(m_nCount);
    setButtonIcon(m_ui->buttonOK, 206);
    setButtonIcon(m_ui->buttonCancel, 207);
    DoDataExchange(false);
    return true;
}

void CExecFile::DoDataExchange(bool save)
{
    QCheckBox* const checks[FLAG_COUNT] = {m_ui->checkUp, m_ui->checkDown, m_ui->checkClose,
                                           m_ui->checkIpError, m_ui->checkNetError};
    QLineEdit* const countEdit = m_ui->spinCount->edit();
    if (save) {
        m_strFile = m_ui->editFile->text();
        m_strParameters = m_ui->editParameters->text();
        for (size_t i = 0; i < FLAG_COUNT; ++i)
            m_bStatus[i] = checks[i]->isChecked() ? 1 : 0;
        m_strCount = countEdit->text();
        m_bRunHidden = keptFlag(m_bRunHidden, m_ui->checkRunHidden->isChecked());
        return;
    }
    m_ui->editFile->setText(m_strFile);
    m_ui->editParameters->setText(m_strParameters);
    for (size_t i = 0; i < FLAG_COUNT; ++i)
        checks[i]->setChecked(m_bStatus[i] != 0);
    // Rewriting the same text would move the cursor of an edit being typed in.
    if (countEdit->text() != m_strCount)
        setTextWhole(countEdit, m_strCount, m_ui->spinCount->maxLength());
    m_ui->checkRunHidden->setChecked(m_bRunHidden != 0);
}

void CExecFile::ShowCountBalloon()
{
    CBalloonTip::showFor(m_ui->spinCount, QString(), CountBalloonText(m_nInterval, m_nCount));
}

void CExecFile::OnDeltaposCountSpin(qint64 position)
{
    DoDataExchange(true);
    m_nCount = uint32_t(std::clamp<qint64>(position, 0, kMaxCount));
    m_strCount = QString::number(m_nCount);
    ShowCountBalloon();
    DoDataExchange(false);
}

void CExecFile::OnEnUpdateCount()
{
    DoDataExchange(true);
    // Four digits at most: never past 9999; an empty field is 0.
    m_nCount = m_strCount.toUInt();
    ShowCountBalloon();
    DoDataExchange(false);
}

void CExecFile::OnBnClickedStatus()
{
    DoDataExchange(true);
}

void CExecFile::OnBnClickedBrowse()
{
    DoDataExchange(true);
    const QString path = platform::dialogService().getOpenFileName(this, ProgramFileFilter());
    if (!path.isEmpty() && pickedPathFits(path, m_ui->editFile))
        m_strFile = path;
    DoDataExchange(false);
}

QStringList CExecFile::SampleArguments(const QString& now) const
{
    const bool isUrl = m_nMethod == METHOD_URL;
    const UrlHostPort url = isUrl ? urlHostPort(m_strTarget) : UrlHostPort{};
    QString port = QStringLiteral("N/A");
    if (m_nMethod == METHOD_TCP)
        port = QString::number(m_nPort);
    else if (isUrl)
        port = QString::number(url.port);
    QString name = m_strBoxName;
    name.replace(u' ', u'-');
    // The order matters where a value holds a placeholder itself.
    const std::pair<QString, QString> steps[] = {
        {QStringLiteral("%ip"), isUrl ? url.host : m_strTarget},
        {QStringLiteral("%status"), QStringLiteral("STATUS")},
        {QStringLiteral("%port"), port},
        {QStringLiteral("%method"), methodWord(m_nMethod)},
        {QStringLiteral("%name"), name},
        {QStringLiteral("%text"), name},
        {QStringLiteral("%time"), now},
        {QStringLiteral("%url"), isUrl ? m_strTarget : QStringLiteral("N/A")},
    };
    // Split first: a value with blanks or quotes never adds or splits an
    // argument.
    QStringList arguments = platform::splitArguments(m_strParameters);
    for (QString& argument : arguments) {
        for (const auto& [placeholder, value] : steps)
            argument.replace(placeholder, value);
    }
    return arguments;
}

void CExecFile::OnBnClickedTest()
{
    DoDataExchange(true);
    const platform::LocalStamp now = platform::localStampNow();
    const QStringList arguments = SampleArguments(now.date + u' ' + now.time);
    if (!platform::shellService().startProgram(m_strFile, arguments, m_bRunHidden != 0)) {
        platform::AfxMessageBox(
            this,
            QStringLiteral("无法运行文件：\n%1\n\n%2").arg(m_strFile, platform::programProblem(m_strFile)),
            platform::MB_OK | platform::MB_ICONWARNING);
    }
}

void CExecFile::OnOK()
{
    DoDataExchange(true);
    accept();
}
