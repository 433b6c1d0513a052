#include "PropertiesDlg.h"

#include "ui/Pictures.h"

#include "BalloonTip.h"
#include "DialogRun.h"
#include "FieldLimits.h"
#include "SpinEdit.h"
#include "StoredFlag.h"
#include "core/SoundThread.h"
#include "platform/desktop/Autostart.h"
#include "platform/desktop/Dialogs.h"
#include "platform/desktop/MessageBox.h"
#include "platform/programs/Shell.h"
#include "platform/sound/Sound.h"
#include "ui/dialogs/QtMessageBox.h"
#include "ui_PropertiesDlg.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>

namespace {

constexpr int kWidthMin = 60;
constexpr int kWidthMax = 300;
constexpr int kHeightMin = 60;
constexpr int kHeightMax = 200;
constexpr int kSizeDigits = 3;
constexpr uint32_t kFullVolume = 65535;

// Programs here seldom have an extension: the picker opens on all files.
const QString kProgramFilter = QStringLiteral("All Files (*);;EXE, BAT File (*.exe *.bat)");
const QString kSoundFilter = QStringLiteral("WAV File (*.wav)");

uint32_t heldVolume(uint32_t volume)
{
    return std::min(volume, kFullVolume);
}

} // namespace

CPropertiesDlg::CPropertiesDlg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::CPropertiesDlg>())
{
    ui->setupUi(this);
    platform::makeDialogWindow(this);
    ui->editDblClickParameters->setToolTip(platform::argumentRuleText());

    ui->spinWidth->setRange(kWidthMin, kWidthMax);
    ui->spinHeight->setRange(kHeightMin, kHeightMax);
    ui->spinInterval->setRange(1, 60);
    ui->spinTimeOut->setRange(1000, 5000);
    ui->spinTimeOut->setSingleStep(500);
    for (CSpinEdit* spin : {ui->spinWidth, ui->spinHeight})
        spin->setMaxLength(kSizeDigits);
    // Fields that cannot be typed in still show any stored number whole.
    ui->spinInterval->setMaxLength(10);
    ui->spinTimeOut->setMaxLength(10);
    for (CSpinEdit* spin : {ui->spinInterval, ui->spinTimeOut})
        spin->setTypingAllowed(false);
    ui->sliderVolume->setRange(0, int(kFullVolume));
    limitToStoredText(
        {ui->editDblClickPath, ui->editDblClickParameters, ui->editErrorSoundFile, ui->editErrorSpeechText});

    // Typing and the arrows both end in valueEdited: for width and height
    // that is the field's change (an arrow's value is always in range).
    for (CSpinEdit* spin : {ui->spinWidth, ui->spinHeight}) {
        connect(spin, &CSpinEdit::valueEdited, this, [this, spin] { OnEnChangeSize(spin); });
        spin->installEventFilter(this);
        spin->edit()->installEventFilter(this);
    }
    for (CSpinEdit* spin : {ui->spinInterval, ui->spinTimeOut})
        connect(spin, &CSpinEdit::valueEdited, this, [this, spin] { OnDeltaposSpin(spin); });

    connect(ui->buttonApply, &QPushButton::clicked, this, &CPropertiesDlg::OnBnClickedApply);
    connect(ui->buttonOK, &QPushButton::clicked, this, &CPropertiesDlg::OnOK);
    connect(ui->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->buttonDefaults, &QPushButton::clicked, this, &CPropertiesDlg::OnBnClickedDefaults);
    connect(ui->checkDblClick, &QCheckBox::clicked, this, &CPropertiesDlg::OnBnClickedDblClick);
    connect(ui->checkErrorSound, &QCheckBox::clicked, this, &CPropertiesDlg::OnBnClickedErrorSound);
    connect(ui->checkErrorSpeech, &QCheckBox::clicked, this, &CPropertiesDlg::OnBnClickedErrorSpeech);
    connect(ui->buttonBrowseProgram, &QPushButton::clicked, this, &CPropertiesDlg::OnBnClickedBrowseProgram);
    connect(ui->buttonBrowseSound, &QPushButton::clicked, this, &CPropertiesDlg::OnBnClickedBrowseSound);
    connect(ui->buttonTestSound, &QPushButton::clicked, this, &CPropertiesDlg::OnBnClickedTestSound);
    connect(ui->buttonTestSpeech, &QPushButton::clicked, this, &CPropertiesDlg::OnBnClickedTestSpeech);
    connect(ui->buttonTestVolume, &QPushButton::clicked, this, &CPropertiesDlg::OnBnClickedTestVolume);
    connect(ui->checkMute, &QCheckBox::clicked, this, &CPropertiesDlg::OnBnClickedMute);
    connect(ui->sliderVolume, &QSlider::valueChanged, this, &CPropertiesDlg::OnHScrollVolume);
    for (QCheckBox* check : {ui->checkShowReplyTime, ui->checkShowStatus})
        connect(check, &QCheckBox::clicked, this, [this] {
            if (DoDataExchange(true))
                DoDataExchange(false);
        });
    for (QCheckBox* check :
         {ui->checkRunAtStartup, ui->checkHideTaskBarButton, ui->checkEnableLog, ui->checkShowIPandMethod})
        connect(check, &QCheckBox::clicked, this, [this] { DoDataExchange(true); });
}

CPropertiesDlg::~CPropertiesDlg() = default;

QString CPropertiesDlg::RunValueName(int instance)
{
    switch (instance) {
    case 1:
        return QStringLiteral("Korvalen Sec");
    case 2:
        return QStringLiteral("Korvalen Ter");
    default:
        return QStringLiteral("Korvalen");
    }
}

QString CPropertiesDlg::RunValueData(int instance)
{
    QStringList arguments;
    if (instance == 1)
        arguments << QStringLiteral("/secondary");
    else if (instance == 2)
        arguments << QStringLiteral("/tertiary");
    return platform::autostartCommand(QCoreApplication::applicationFilePath(), arguments);
}

int CPropertiesDlg::DoModal(const QWidget* strip)
{
    OnInitDialog();
    adjustSize();
    const QRect over = strip->frameGeometry();
    QRect placed(over.center() - QPoint(width() / 2, height() / 2), size());
    // Centred over the strip, but whole on its screen, as a strip at an edge would push it off.
    if (const QScreen* screen = QGuiApplication::screenAt(over.center())) {
        const QRect area = screen->availableGeometry();
        placed.moveLeft(std::max(area.left(), std::min(placed.left(), area.right() + 1 - placed.width())));
        placed.moveTop(std::max(area.top(), std::min(placed.top(), area.bottom() + 1 - placed.height())));
    }
    move(placed.topLeft());
    return runDialog(this);
}

bool CPropertiesDlg::OnInitDialog()
{
    DoDataExchange(false);
    m_bExchanging = true;
    ui->sliderVolume->setValue(int(heldVolume(m_dwVolume)));
    m_bExchanging = false;
    platform::setOutputVolume(m_bVolumeMute != 0 ? 0 : heldVolume(m_dwVolume));

    if (m_bErrorDefaultSound != 0 && m_bErrorTextSpeechSound != 0)
        m_bErrorDefaultSound = 0;
    const QIcon test = resourcePicture(205);
    for (QPushButton* button : {ui->buttonTestSound, ui->buttonTestSpeech, ui->buttonTestVolume})
        button->setIcon(test);
    ui->buttonOK->setIcon(resourcePicture(206));
    ui->buttonCancel->setIcon(resourcePicture(207));
    ui->buttonApply->setIcon(resourcePicture(208));

    ReadRunValue();
    DoDataExchange(false);
    EnableDblClickFields();
    EnableErrorFields();
    return true;
}

bool CPropertiesDlg::DoDataExchange(bool save)
{
    const struct
    {
        CSpinEdit* spin;
        uint32_t* value;
    } numbers[] = {
        {ui->spinWidth, &m_nXBox},
        {ui->spinHeight, &m_nYBox},
        {ui->spinInterval, &m_nVerifyTime},
        {ui->spinTimeOut, &m_nTimeOut},
    };
    const struct
    {
        QCheckBox* check;
        int* value;
    } checks[] = {
        {ui->checkRunAtStartup, &m_bRunAtStartup},
        {ui->checkDblClick, &m_bDCOBEFE},
        {ui->checkErrorSound, &m_bErrorDefaultSound},
        {ui->checkHideTaskBarButton, &m_bHideTaskBarButton},
        {ui->checkEnableLog, &m_bEnableLog},
        {ui->checkShowReplyTime, &m_bShowReplyTime},
        {ui->checkShowIPandMethod, &m_bShowIPandMethod},
        {ui->checkShowStatus, &m_bShowStatus},
        {ui->checkErrorSpeech, &m_bErrorTextSpeechSound},
        {ui->checkMute, &m_bVolumeMute},
    };
    const struct
    {
        QLineEdit* edit;
        QString* value;
    } texts[] = {
        {ui->editDblClickPath, &m_strDCOBEFPath},
        {ui->editDblClickParameters, &m_strDCOBEFParameters},
        {ui->editErrorSoundFile, &m_strPlayErrorDefSoundPath},
        {ui->editErrorSpeechText, &m_strErrorTextSpeechText},
    };

    if (!save) {
        for (const auto& n : numbers) {
            qint64 shown = *n.value;
            // A size longer than its field (a hand-edited file) shows as the
            // largest in range, which is what Apply would make of it.
            if (QString::number(shown).size() > n.spin->maxLength())
                shown = n.spin->maximum();
            if (n.spin->number() != std::optional<qint64>(shown))
                n.spin->setValue(shown);
        }
        for (const auto& c : checks)
            c.check->setChecked(*c.value != 0);
        // Rewriting an unchanged field would move the cursor of one being typed in.
        for (const auto& t : texts)
            if (t.edit->text() != *t.value)
                t.edit->setText(*t.value);
        (m_nLogFileType != 0 ? ui->radioCsv : ui->radioTxt)->setChecked(true);
        return true;
    }

    for (const auto& n : numbers) {
        const std::optional<qint64> number = n.spin->number();
        if (!number || *number > qint64(UINT32_MAX)) {
            platform::AfxMessageBox(this, QStringLiteral("Enter a positive integer."),
                                    platform::MB_OK | platform::MB_ICONWARNING);
            // The field shows its last valid value again.
            n.spin->setValue(*n.value);
            n.spin->setFocus();
            return false;
        }
    }
    for (const auto& n : numbers)
        *n.value = uint32_t(*n.spin->number());
    for (const auto& c : checks)
        *c.value = keptFlag(*c.value, c.check->isChecked());
    for (const auto& t : texts)
        *t.value = t.edit->text();
    // Any stored type but 0 is tab-separated and shows as CSV.
    m_nLogFileType = keptFlag(m_nLogFileType, ui->radioCsv->isChecked());
    return true;
}

bool CPropertiesDlg::eventFilter(QObject* watched, QEvent* event)
{
    CSpinEdit* spin = nullptr;
    for (CSpinEdit* candidate : {ui->spinWidth, ui->spinHeight})
        if (watched == candidate || watched == candidate->edit())
            spin = candidate;
    if (spin && event->type() == QEvent::KeyPress) {
        // The field refuses a further digit: the range is shown when the
        // number is already too big.
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        if (typed.size() == 1 && typed.front().isDigit() && !spin->edit()->hasSelectedText() &&
            spin->edit()->text().size() >= spin->edit()->maxLength())
            OnEnMaxtextSize(spin);
    } else if (spin && event->type() == QEvent::FocusOut) {
        OnEnKillfocusSize(spin);
    }
    return QDialog::eventFilter(watched, event);
}

void CPropertiesDlg::ShowRangeTip(CSpinEdit* spin)
{
    CBalloonTip::showFor(spin, QStringLiteral("Range:"),
                         QStringLiteral("%1 to %2").arg(spin->minimum()).arg(spin->maximum()));
}

// Like an edit's own balloon, it goes once the number is fine or the field is left.
void CPropertiesDlg::HideRangeTip(CSpinEdit* spin)
{
    if (CBalloonTip* balloon = CBalloonTip::visibleFor(spin))
        balloon->hide();
}

void CPropertiesDlg::OnDeltaposSpin(CSpinEdit*)
{
    // The spin has written its new position into its field already.
    if (DoDataExchange(true))
        DoDataExchange(false);
}

void CPropertiesDlg::OnEnChangeSize(CSpinEdit* spin)
{
    if (!DoDataExchange(true))
        return;
    const qint64 value = spin->value();
    if (value < spin->minimum() || value > spin->maximum())
        ShowRangeTip(spin);
    else
        HideRangeTip(spin);
    DoDataExchange(false);
}

void CPropertiesDlg::OnEnMaxtextSize(CSpinEdit* spin)
{
    if (DoDataExchange(true) && spin->value() > spin->maximum())
        ShowRangeTip(spin);
}

void CPropertiesDlg::OnEnKillfocusSize(CSpinEdit* spin)
{
    const std::optional<qint64> number = spin->number();
    if (!number)
        return;
    HideRangeTip(spin);
    const qint64 held = std::clamp<qint64>(*number, spin->minimum(), spin->maximum());
    if (held != *number)
        spin->setValue(held);
    (spin == ui->spinWidth ? m_nXBox : m_nYBox) = uint32_t(held);
}

void CPropertiesDlg::ReadRunValue()
{
    QString command;
    switch (platform::readAutostartEntry(RunValueName(m_nInstance), command)) {
    case platform::AutostartState::Present:
        m_bRunAtStartup = command.compare(RunValueData(m_nInstance), Qt::CaseInsensitive) == 0 ? 1 : 0;
        break;
    case platform::AutostartState::Absent:
        m_bRunAtStartup = 0;
        break;
    case platform::AutostartState::Unreadable:
        // The check box keeps the state it had.
        break;
    }
    m_bRunAtStartupStored = m_bRunAtStartup;
}

void CPropertiesDlg::WriteRunValue()
{
    // Only a change of the check box touches the entry: an Apply made for
    // another setting never removes an entry the dialog did not show as ours.
    if (m_bRunAtStartup != m_bRunAtStartupStored) {
        const QString name = RunValueName(m_nInstance);
        const bool written = m_bRunAtStartup != 0
                                 ? platform::writeAutostartEntry(name, RunValueData(m_nInstance))
                                 : platform::removeAutostartEntry(name);
        if (written)
            m_bRunAtStartupStored = m_bRunAtStartup;
        else
            platform::AfxMessageBox(this,
                                    QStringLiteral("Start at login cannot be changed: %1 cannot be written.")
                                        .arg(QDir::toNativeSeparators(platform::autostartEntryPath(name))),
                                    platform::MB_OK | platform::MB_ICONWARNING);
    }
    m_nYBox = std::clamp<uint32_t>(m_nYBox, kHeightMin, kHeightMax);
    m_nXBox = std::clamp<uint32_t>(m_nXBox, kWidthMin, kWidthMax);
    DoDataExchange(false);
}

void CPropertiesDlg::OnBnClickedApply()
{
    if (!DoDataExchange(true))
        return;
    WriteRunValue();
    platform::SendMessage(m_hWndParent, platform::WM_APPLYOPTIONS, 0, 0);
}

void CPropertiesDlg::OnOK()
{
    if (!DoDataExchange(true))
        return;
    WriteRunValue();
    QDialog::accept();
}

void CPropertiesDlg::EnableDblClickFields()
{
    const bool on = ui->checkDblClick->isChecked();
    for (QWidget* field :
         {static_cast<QWidget*>(ui->editDblClickPath), static_cast<QWidget*>(ui->editDblClickParameters),
          static_cast<QWidget*>(ui->buttonBrowseProgram)})
        field->setEnabled(on);
}

void CPropertiesDlg::EnableErrorFields()
{
    ui->editErrorSoundFile->setEnabled(m_bErrorDefaultSound != 0);
    ui->buttonBrowseSound->setEnabled(m_bErrorDefaultSound != 0);
    ui->editErrorSpeechText->setEnabled(m_bErrorTextSpeechSound != 0);
}

void CPropertiesDlg::OnBnClickedDblClick()
{
    DoDataExchange(true);
    EnableDblClickFields();
}

void CPropertiesDlg::OnBnClickedErrorSound()
{
    if (!DoDataExchange(true))
        return;
    if (m_bErrorDefaultSound != 0)
        m_bErrorTextSpeechSound = 0;
    EnableErrorFields();
    DoDataExchange(false);
}

void CPropertiesDlg::OnBnClickedErrorSpeech()
{
    if (!DoDataExchange(true))
        return;
    if (m_bErrorTextSpeechSound != 0)
        m_bErrorDefaultSound = 0;
    EnableErrorFields();
    DoDataExchange(false);
}

void CPropertiesDlg::OnBnClickedBrowseProgram()
{
    const QString path = platform::dialogService().getOpenFileName(this, kProgramFilter);
    if (!path.isEmpty() && pickedPathFits(path, ui->editDblClickPath))
        ui->editDblClickPath->setText(path);
}

void CPropertiesDlg::OnBnClickedBrowseSound()
{
    const QString path = platform::dialogService().getOpenFileName(this, kSoundFilter);
    if (!path.isEmpty() && pickedPathFits(path, ui->editErrorSoundFile))
        ui->editErrorSoundFile->setText(path);
}

void CPropertiesDlg::OnBnClickedTestSound()
{
    if (!DoDataExchange(true))
        return;
    auto thread = std::make_unique<CSoundThread>();
    thread->m_nStatus = STATUS_IP_ERROR;
    thread->m_strSoundFile = m_strPlayErrorDefSoundPath;
    // The file is played whatever its check box says.
    thread->m_bCustomSound = 1;
    thread->m_bTellFailure = true;
    CSoundThread::Begin(std::move(thread));
}

void CPropertiesDlg::OnBnClickedTestSpeech()
{
    if (!DoDataExchange(true))
        return;
    auto thread = std::make_unique<CSoundThread>();
    thread->m_nStatus = STATUS_IP_ERROR;
    thread->m_bSpeak = 1;
    thread->m_strSpeechText = m_strErrorTextSpeechText;
    thread->m_strBoxName = QStringLiteral("Check Name");
    thread->m_bTellFailure = true;
    CSoundThread::Begin(std::move(thread));
}

void CPropertiesDlg::OnBnClickedTestVolume()
{
    if (!DoDataExchange(true))
        return;
    auto thread = std::make_unique<CSoundThread>();
    thread->m_nStatus = STATUS_VOLUME_TEST;
    thread->m_bTellFailure = true;
    CSoundThread::Begin(std::move(thread));
}

void CPropertiesDlg::OnBnClickedMute()
{
    if (!DoDataExchange(true))
        return;
    platform::setOutputVolume(m_bVolumeMute != 0 ? 0 : heldVolume(m_dwVolume));
}

void CPropertiesDlg::OnHScrollVolume(int position)
{
    if (m_bExchanging)
        return;
    m_dwVolume = uint32_t(position);
    if (!ui->checkMute->isChecked())
        platform::setOutputVolume(m_dwVolume);
}

void CPropertiesDlg::OnBnClickedDefaults()
{
    if (!DoDataExchange(true))
        return;
    m_nVerifyTime = 3;
    m_nTimeOut = 3000;
    m_nXBox = 90;
    m_nYBox = 80;
    m_bShowIPandMethod = 1;
    m_bShowStatus = 1;
    m_bShowReplyTime = 1;
    ShowOnLineOffLineTime = 1;
    m_bDCOBEFE = 0;
    m_bHideTaskBarButton = 0;
    m_bRunAtStartup = 1;
    m_bEnableLog = 0;
    m_bErrorDefaultSound = 0;
    m_bErrorTextSpeechSound = 0;
    m_strPlayErrorDefSoundPath.clear();
    m_strErrorTextSpeechText = QStringLiteral("%name Error");
    m_dwVolume = kFullVolume;
    m_bExchanging = true;
    ui->sliderVolume->setValue(int(kFullVolume));
    m_bExchanging = false;
    platform::setOutputVolume(kFullVolume);
    m_bVolumeMute = 0;
    m_nLogFileType = 0;
    DoDataExchange(false);
    EnableDblClickFields();
    EnableErrorFields();
}
