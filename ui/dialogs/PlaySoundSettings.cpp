#include "PlaySoundSettings.h"

#include "ui_PlaySoundSettings.h"

#include "DialogIcons.h"
#include "FieldLimits.h"
#include "core/SoundThread.h"
#include "platform/desktop/Dialogs.h"

namespace {

void setTextKeepingCursor(QLineEdit* edit, const QString& text)
{
    // Rewriting the same text would move the cursor of an edit being typed in.
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace

CPlaySoundSettings::CPlaySoundSettings(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CPlaySoundSettings>())
{
    m_ui->setupUi(this);
    setDialogFrame(this);
    Ui::CPlaySoundSettings& ui = *m_ui;
    m_rows = {{
        {ui.checkCustomUp, ui.editFileUp, ui.buttonBrowseUp, ui.buttonTestSoundUp, ui.checkSpeechUp,
         ui.editSpeechUp, ui.buttonTestSpeechUp},
        {ui.checkCustomDown, ui.editFileDown, ui.buttonBrowseDown, ui.buttonTestSoundDown, ui.checkSpeechDown,
         ui.editSpeechDown, ui.buttonTestSpeechDown},
        {ui.checkCustomOpen, ui.editFileOpen, ui.buttonBrowseOpen, ui.buttonTestSoundOpen, ui.checkSpeechOpen,
         ui.editSpeechOpen, ui.buttonTestSpeechOpen},
        {ui.checkCustomClose, ui.editFileClose, ui.buttonBrowseClose, ui.buttonTestSoundClose,
         ui.checkSpeechClose, ui.editSpeechClose, ui.buttonTestSpeechClose},
        {ui.checkCustomTcpDown, ui.editFileTcpDown, ui.buttonBrowseTcpDown, ui.buttonTestSoundTcpDown,
         ui.checkSpeechTcpDown, ui.editSpeechTcpDown, ui.buttonTestSpeechTcpDown},
    }};
    for (int row = 0; row < ROW_COUNT; ++row) {
        const RowControls& c = m_rows[size_t(row)];
        limitToStoredText({c.file, c.text});
        connect(c.custom, &QCheckBox::clicked, this, [this, row] { OnBnClickedSound(row); });
        connect(c.speech, &QCheckBox::clicked, this, [this, row] { OnBnClickedSpeech(row); });
        connect(c.browse, &QPushButton::clicked, this, [this, row] { OnBnClickedBrowse(row); });
        connect(c.testSound, &QPushButton::clicked, this, [this, row] { OnBnClickedTestSound(row); });
        connect(c.testSpeech, &QPushButton::clicked, this, [this, row] { OnBnClickedTestSpeech(row); });
    }
    connect(ui.buttonFillSpeechTexts, &QPushButton::clicked, this,
            &CPlaySoundSettings::OnBnClickedFillSpeechTexts);
    connect(ui.buttonOK, &QPushButton::clicked, this, &CPlaySoundSettings::OnOK);
    connect(ui.buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

CPlaySoundSettings::~CPlaySoundSettings() = default;

std::array<int, CPlaySoundSettings::ROW_COUNT> CPlaySoundSettings::FlagsFromMask(int32_t mask)
{
    std::array<int, ROW_COUNT> flags{};
    for (int row = 0; row < ROW_COUNT; ++row)
        flags[size_t(row)] = (mask >> row) & 1;
    return flags;
}

int32_t CPlaySoundSettings::MaskFromFlags(const std::array<int, ROW_COUNT>& flags)
{
    int32_t mask = 0;
    for (int row = 0; row < ROW_COUNT; ++row) {
        if (flags[size_t(row)] != 0)
            mask |= 1 << row;
    }
    return mask;
}

QString CPlaySoundSettings::SoundFileFilter()
{
    return QStringLiteral("WAV File (*.wav)");
}

bool CPlaySoundSettings::RowInMethod(int row) const
{
    if (m_nMethod == METHOD_PING)
        return row == ROW_UP || row == ROW_DOWN;
    if (m_nMethod == METHOD_TCP)
        return row == ROW_OPEN || row == ROW_CLOSE || row == ROW_TCP_DOWN;
    return false;
}

void CPlaySoundSettings::EnableSoundHalf(int row, bool enable)
{
    const RowControls& c = m_rows[size_t(row)];
    c.file->setEnabled(enable);
    c.browse->setEnabled(enable);
    c.testSound->setEnabled(enable);
}

void CPlaySoundSettings::EnableSpeechHalf(int row, bool enable)
{
    const RowControls& c = m_rows[size_t(row)];
    c.text->setEnabled(enable);
    c.testSpeech->setEnabled(enable);
}

bool CPlaySoundSettings::OnInitDialog()
{
    DoDataExchange(false);
    // URL boxes sound on Up and Down like Ping boxes.
    if (m_nMethod == METHOD_URL)
        m_nMethod = METHOD_PING;
    const bool knownMethod = m_nMethod == METHOD_PING || m_nMethod == METHOD_TCP;
    for (int row = 0; row < ROW_COUNT; ++row) {
        const RowControls& c = m_rows[size_t(row)];
        if (knownMethod && !RowInMethod(row)) {
            c.custom->setEnabled(false);
            c.speech->setEnabled(false);
            EnableSoundHalf(row, false);
            EnableSpeechHalf(row, false);
        }
        // A row speaks or plays its file, never both: speech wins, in the
        // rows of the other method as well.
        if (m_bCustomSound[size_t(row)] != 0 && m_bSpeech[size_t(row)] != 0)
            m_bCustomSound[size_t(row)] = 0;
        EnableSoundHalf(row, m_bCustomSound[size_t(row)] != 0 && RowInMethod(row));
        EnableSpeechHalf(row, m_bSpeech[size_t(row)] != 0 && RowInMethod(row));
        setButtonIcon(c.testSound, 205);
        setButtonIcon(c.testSpeech, 205);
    }
    setButtonIcon(m_ui->buttonOK, 206);
    setButtonIcon(m_ui->buttonCancel, 207);
    DoDataExchange(false);
    return true;
}

void CPlaySoundSettings::DoDataExchange(bool save)
{
    for (size_t row = 0; row < ROW_COUNT; ++row) {
        const RowControls& c = m_rows[row];
        if (save) {
            m_bCustomSound[row] = c.custom->isChecked() ? 1 : 0;
            m_strSoundFile[row] = c.file->text();
            m_bSpeech[row] = c.speech->isChecked() ? 1 : 0;
            m_strSpeechText[row] = c.text->text();
        } else {
            c.custom->setChecked(m_bCustomSound[row] != 0);
            setTextKeepingCursor(c.file, m_strSoundFile[row]);
            c.speech->setChecked(m_bSpeech[row] != 0);
            setTextKeepingCursor(c.text, m_strSpeechText[row]);
        }
    }
}

void CPlaySoundSettings::OnBnClickedSound(int row)
{
    DoDataExchange(true);
    if (m_bCustomSound[size_t(row)] != 0) {
        EnableSoundHalf(row, true);
        m_bSpeech[size_t(row)] = 0;
        EnableSpeechHalf(row, false);
    } else {
        EnableSoundHalf(row, false);
    }
    DoDataExchange(false);
}

void CPlaySoundSettings::OnBnClickedSpeech(int row)
{
    DoDataExchange(true);
    const RowControls& c = m_rows[size_t(row)];
    if (m_bSpeech[size_t(row)] != 0) {
        EnableSoundHalf(row, false);
        EnableSpeechHalf(row, true);
        m_bCustomSound[size_t(row)] = 0;
    } else {
        c.file->setEnabled(false);
        c.browse->setEnabled(false);
        EnableSpeechHalf(row, false);
    }
    DoDataExchange(false);
}

void CPlaySoundSettings::OnBnClickedBrowse(int row)
{
    const QString path = platform::dialogService().getOpenFileName(this, SoundFileFilter());
    QLineEdit* file = m_rows[size_t(row)].file;
    if (!path.isEmpty() && pickedPathFits(path, file))
        file->setText(path);
}

void CPlaySoundSettings::OnBnClickedTestSound(int row)
{
    DoDataExchange(true);
    auto thread = std::make_unique<CSoundThread>();
    thread->m_strSoundFile = m_strSoundFile[size_t(row)];
    thread->m_bCustomSound = 1;
    thread->m_bTellFailure = true;
    CSoundThread::Begin(std::move(thread));
}

void CPlaySoundSettings::OnBnClickedTestSpeech(int row)
{
    DoDataExchange(true);
    auto thread = std::make_unique<CSoundThread>();
    thread->m_bSpeak = 1;
    thread->m_strSpeechText = m_strSpeechText[size_t(row)];
    thread->m_strBoxName = m_strBoxName;
    thread->m_bTellFailure = true;
    CSoundThread::Begin(std::move(thread));
}

void CPlaySoundSettings::OnBnClickedFillSpeechTexts()
{
    // What was typed or picked since the last transfer is kept.
    DoDataExchange(true);
    m_strSpeechText = {QStringLiteral("%name is Up"), QStringLiteral("%name is Down"),
                       QStringLiteral("%name is Open"), QStringLiteral("%name is Close"),
                       QStringLiteral("%name is Down")};
    DoDataExchange(false);
}

void CPlaySoundSettings::OnOK()
{
    DoDataExchange(true);
    accept();
}
