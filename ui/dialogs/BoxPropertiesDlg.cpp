#include "BoxPropertiesDlg.h"

#include "ui/Pictures.h"

#include "ui_BoxPropertiesDlg.h"

#include "BalloonTip.h"
#include "BoxLook.h"
#include "ColorButton.h"
#include "DialogIcons.h"
#include "DigitsEdit.h"
#include "FieldLimits.h"
#include "StoredFlag.h"
#include "core/IniFile.h"
#include "core/MainSettings.h"
#include "core/Skins.h"
#include "core/SoundThread.h"
#include "core/StatusEvaluation.h"
#include "platform/DateTime.h"
#include "platform/desktop/MessageBox.h"
#include "platform/files/DataFolder.h"
#include "platform/net/UrlSplit.h"
#include "ui/StripPainter.h"
#include "ui/dialogs/QtMessageBox.h"

#include <QButtonGroup>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {

constexpr uint32_t kMaxPort = 65535;
constexpr int kPortDigits = 5;
constexpr int kMaxCount = 9999;
constexpr int kTargetChars = 99;

// Writing an unchanged text back would move the caret of a field being typed
// in. A stored value longer than what typing takes is shown whole, so that
// OK hands back what was read.
void setText(QLineEdit* edit, const QString& text, int limit = CIniFile::kMaxValueChars)
{
    if (edit->text() != text)
        setTextWhole(edit, text, limit);
}

// How long a status must last before the notification fires, as the balloon
// under a repeat count tells it.
QString repeatBalloon(uint32_t interval, uint32_t count, bool sound)
{
    const uint64_t s = uint64_t(interval) * count;
    const QString format = sound ? QStringLiteral("如果IP更改状态，播放声音 %1 时 %2 分 %3 秒。")
                                 : QStringLiteral("如果IP更改状态，显示消息框 %1 时 %2 分 %3 秒。");
    return format.arg(s / 3600).arg((s % 3600) / 60).arg(s % 60);
}

} // namespace

CBoxPropertiesDlg::CBoxPropertiesDlg(platform::HWND hWndParent, QWidget* owner)
    : QDialog(nullptr), m_ui(std::make_unique<Ui::CBoxPropertiesDlg>()), m_hWndParent(hWndParent),
      m_pOwner(owner)
{
    m_ui->setupUi(this);
    platform::setDialogWindowFlags(this);
    setWindowIcon(resourcePicture(128));
    m_OnLineBoxColor = m_ui->colorUpBox;
    m_OffLineBoxColor = m_ui->colorDownBox;
    m_OnLineTextColor = m_ui->colorUpText;
    m_OffLineTextColor = m_ui->colorDownText;

    makeDigitsOnly(m_ui->editPort, kPortDigits);
    m_ui->editTarget->setMaxLength(kTargetChars);
    limitToStoredText({m_ui->editName, m_ui->editPhrase});
    m_ui->spinInterval->setMaxLength(3);
    m_ui->spinInterval->setTypingAllowed(false);
    for (CSpinEdit* count : {m_ui->spinSoundCount, m_ui->spinMsgBoxCount})
        count->setMaxLength(4);

    setButtonIcon(m_ui->btnOK, 206);
    setButtonIcon(m_ui->btnCancel, 207);
    setButtonIcon(m_ui->btnApply, 208);

    m_pLook = new CBoxLook(this, CBoxLook::Controls{m_ui->comboSkin, m_ui->btnAddSkin, m_ui->btnDeleteSkin,
                                                    m_ui->btnUpIcon, m_ui->btnDownIcon, m_ui->btnEmptyUpIcon,
                                                    m_ui->btnEmptyDownIcon, m_ui->btnGrayscaleIcon,
                                                    m_OnLineBoxColor, m_OffLineBoxColor, m_OnLineTextColor,
                                                    m_OffLineTextColor, m_ui->previewUp, m_ui->previewDown});

    // Two groups of their own: the IP radios sit in the group box around the
    // method radios' group, and Qt's automatic exclusivity would mix them.
    for (const auto& radios :
         {std::initializer_list<QRadioButton*>{m_ui->radioPing, m_ui->radioUrl, m_ui->radioTcp},
          std::initializer_list<QRadioButton*>{m_ui->radioIPv4, m_ui->radioIPv6}}) {
        auto* group = new QButtonGroup(this);
        for (QRadioButton* radio : radios)
            group->addButton(radio);
    }
    connect(m_ui->radioPing, &QRadioButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedPing);
    connect(m_ui->radioTcp, &QRadioButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedTcp);
    connect(m_ui->radioUrl, &QRadioButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedUrl);
    connect(m_ui->radioIPv4, &QRadioButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedIPv4);
    connect(m_ui->radioIPv6, &QRadioButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedIPv6);

    const struct
    {
        QCheckBox* check;
        uint8_t* mask;
        uint8_t bit;
    } notifications[] = {
        {m_ui->checkSoundUp, &Sound, 1},      {m_ui->checkSoundDown, &Sound, 2},
        {m_ui->checkSoundClose, &Sound, 4},   {m_ui->checkSoundError, &Sound, 8},
        {m_ui->checkMsgBoxUp, &MsgBox, 1},    {m_ui->checkMsgBoxDown, &MsgBox, 2},
        {m_ui->checkMsgBoxClose, &MsgBox, 4}, {m_ui->checkMsgBoxError, &MsgBox, 8},
    };
    for (const auto& n : notifications)
        connect(n.check, &QCheckBox::clicked, this,
                [this, mask = n.mask, bit = n.bit](bool checked) { OnNotifyCheck(*mask, bit, checked); });
    connect(m_ui->checkExecFile, &QCheckBox::clicked, this, [this] { DoDataExchange(true); });
    connect(m_ui->btnSoundSettings, &QPushButton::clicked, this,
            &CBoxPropertiesDlg::OnBnClickedSoundSettings);
    connect(m_ui->btnExecSettings, &QPushButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedExecSettings);
    connect(m_ui->btnMsgBoxSettings, &QPushButton::clicked, this,
            &CBoxPropertiesDlg::OnBnClickedMsgBoxSettings);

    connect(m_ui->spinSoundCount, &CSpinEdit::valueEdited, this,
            [this](qint64 value) { OnCountEdited(nPS, value, true); });
    connect(m_ui->spinMsgBoxCount, &CSpinEdit::valueEdited, this,
            [this](qint64 value) { OnCountEdited(nMSGB, value, false); });
    connect(m_ui->spinInterval, &CSpinEdit::valueEdited, this, &CBoxPropertiesDlg::OnIntervalEdited);

    connect(m_ui->editName, &QLineEdit::textEdited, this, &CBoxPropertiesDlg::OnEnChangeName);
    for (QLineEdit* edit : {m_ui->editTarget, m_ui->editPort})
        connect(edit, &QLineEdit::textEdited, this, [this] {
            DoDataExchange(true);
            DrawPreview();
        });

    connect(m_ui->btnTestUp, &QPushButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedTestUp);
    connect(m_ui->btnTestDown, &QPushButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedTestDown);
    connect(m_ui->btnTestClose, &QPushButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedTestClose);
    connect(m_ui->btnTestError, &QPushButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedTestError);
    connect(m_ui->btnTestMsgBox, &QPushButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedTestMsgBox);
    connect(m_ui->btnDefaults, &QPushButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedDefaults);
    connect(m_ui->btnOK, &QPushButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedOk);
    connect(m_ui->btnApply, &QPushButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedApply);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &CBoxPropertiesDlg::OnBnClickedCancel);
}

CBoxPropertiesDlg::~CBoxPropertiesDlg() = default;

QString CBoxPropertiesDlg::PicturePath(const QString& file) const
{
    return skins::PictureFilePath(m_strDataDir + QStringLiteral("/Pictures/"), file);
}

bool CBoxPropertiesDlg::OnInitDialog()
{
    setWindowTitle(m_bAdd ? QStringLiteral("添加检查") : QStringLiteral("编辑检查"));
    m_strDataDir = platform::applicationDataFolder().value_or(QDir::homePath()) + QStringLiteral("/Korvalen");
    m_strSkinsDir = m_strDataDir + QStringLiteral("/Skins/");
    m_strOnLinePicPath = PicturePath(OnLinePicFile);
    m_strOffLinePicPath = PicturePath(OffLinePicFile);

    DoDataExchange(false);
    m_ui->spinMsgBoxCount->setRange(0, kMaxCount);
    m_ui->spinMsgBoxCount->setValue(nMSGB);
    m_ui->spinInterval->setRange(1, 500);
    m_ui->spinSoundCount->setRange(0, kMaxCount);
    m_ui->spinSoundCount->setValue(nPS);
    // The skins folder, the combo's text by the skin flag, both pictures loaded.
    PutLook();
    m_pLook->Init(m_strDataDir, m_bDefaultSkin);
    ShowMethod();
    m_ui->radioIPv4->setChecked(IPv == 0);
    m_ui->radioIPv6->setChecked(IPv != 0);
    ShowTargetLabel();
    DoDataExchange(false);
    DoDataExchange(true);
    DrawPreview();

    // Centred over the strip, but kept on its screen: the strip is small and
    // may sit at an edge.
    adjustSize();
    if (m_pOwner) {
        const QRect owner = m_pOwner->frameGeometry();
        QRect placed(QPoint(0, 0), frameGeometry().size());
        placed.moveCenter(owner.center());
        if (const QScreen* screen = m_pOwner->screen()) {
            const QRect area = screen->availableGeometry();
            placed.moveLeft(
                std::clamp(placed.left(), area.left(), std::max(area.left(), area.right() - placed.width())));
            placed.moveTop(
                std::clamp(placed.top(), area.top(), std::max(area.top(), area.bottom() - placed.height())));
        }
        move(placed.topLeft());
    }
    m_ui->editName->setFocus();
    return true;
}

void CBoxPropertiesDlg::DoDataExchange(bool save)
{
    if (save) {
        Text = m_ui->editName->text();
        IPAdress = m_ui->editTarget->text();
        // An empty port field keeps the port it had.
        if (const QString port = m_ui->editPort->text(); !port.isEmpty())
            Port = port.toUInt();
        ExecFileCheck = keptFlag(ExecFileCheck, m_ui->checkExecFile->isChecked());
        Logging = keptFlag(Logging, m_ui->checkLogging->isChecked());
        Phrase = m_ui->editPhrase->text();
        CheckInterval = uint32_t(m_ui->spinInterval->value());
        TakeLook();
        return;
    }
    setText(m_ui->editName, Text);
    setText(m_ui->editTarget, IPAdress, kTargetChars);
    setText(m_ui->editPort, QString::number(Port), kPortDigits);
    m_ui->checkExecFile->setChecked(ExecFileCheck != 0);
    m_ui->checkLogging->setChecked(Logging != 0);
    setText(m_ui->editPhrase, Phrase);
    if (m_ui->spinInterval->value() != qint64(CheckInterval) || !m_ui->spinInterval->number())
        m_ui->spinInterval->setValue(CheckInterval);
    const struct
    {
        QCheckBox* check;
        uint8_t mask;
        uint8_t bit;
    } notifications[] = {
        {m_ui->checkSoundUp, Sound, 1},      {m_ui->checkSoundDown, Sound, 2},
        {m_ui->checkSoundClose, Sound, 4},   {m_ui->checkSoundError, Sound, 8},
        {m_ui->checkMsgBoxUp, MsgBox, 1},    {m_ui->checkMsgBoxDown, MsgBox, 2},
        {m_ui->checkMsgBoxClose, MsgBox, 4}, {m_ui->checkMsgBoxError, MsgBox, 8},
    };
    for (const auto& n : notifications)
        n.check->setChecked((n.mask & n.bit) != 0);
}

void CBoxPropertiesDlg::ShowMethod()
{
    const bool tcp = VerifyMetod == METHOD_TCP;
    const bool url = VerifyMetod == METHOD_URL;
    m_ui->radioPing->setChecked(VerifyMetod == METHOD_PING);
    m_ui->radioTcp->setChecked(tcp);
    m_ui->radioUrl->setChecked(url);

    m_ui->editPort->setEnabled(tcp);
    for (QWidget* close :
         std::initializer_list<QWidget*>{m_ui->checkMsgBoxClose, m_ui->checkSoundClose, m_ui->btnTestClose})
        close->setEnabled(tcp);
    m_ui->editPhrase->setEnabled(url);
    m_ui->radioIPv4->setEnabled(true);
    m_ui->radioIPv6->setEnabled(!url);
    if (url) {
        IPv = 0;
        m_ui->radioIPv4->setChecked(true);
    }
    ShowTargetLabel();

    const QString up = tcp ? QStringLiteral("Open") : QStringLiteral("上");
    const QString down = tcp ? QStringLiteral("关闭,下") : QStringLiteral("下");
    m_ui->labelPreviewUp->setText(tcp ? up : QStringLiteral("  上"));
    m_ui->labelPreviewDown->setText(tcp ? down : QStringLiteral("     下"));
    for (QLabel* label : {m_ui->labelBoxColorUp, m_ui->labelTextColorUp})
        label->setText(up);
    for (QLabel* label : {m_ui->labelBoxColorDown, m_ui->labelTextColorDown})
        label->setText(down);
    for (QAbstractButton* button :
         std::initializer_list<QAbstractButton*>{m_ui->checkSoundUp, m_ui->checkMsgBoxUp, m_ui->btnTestUp})
        button->setText(up);
    for (QAbstractButton* button :
         std::initializer_list<QAbstractButton*>{m_ui->checkSoundDown, m_ui->btnTestDown})
        button->setText(QStringLiteral("下"));
}

void CBoxPropertiesDlg::ShowTargetLabel()
{
    if (VerifyMetod == METHOD_URL)
        m_ui->labelTarget->setText(QStringLiteral("URL (http://...)"));
    else if (IPv == 0)
        m_ui->labelTarget->setText(QStringLiteral("IPv4, 主机或计算机"));
    else
        m_ui->labelTarget->setText(QStringLiteral("IPv6, 主机或计算机"));
}

void CBoxPropertiesDlg::OnBnClickedPing()
{
    VerifyMetod = METHOD_PING;
    DoDataExchange(true);
    ShowMethod();
    DrawPreview();
}

void CBoxPropertiesDlg::OnBnClickedTcp()
{
    VerifyMetod = METHOD_TCP;
    DoDataExchange(true);
    ShowMethod();
    DrawPreview();
}

void CBoxPropertiesDlg::OnBnClickedUrl()
{
    VerifyMetod = METHOD_URL;
    DoDataExchange(true);
    ShowMethod();
    DrawPreview();
}

void CBoxPropertiesDlg::OnBnClickedIPv4()
{
    IPv = 0;
    ShowTargetLabel();
    DoDataExchange(true);
}

void CBoxPropertiesDlg::OnBnClickedIPv6()
{
    IPv = 1;
    ShowTargetLabel();
    DoDataExchange(true);
}

void CBoxPropertiesDlg::OnNotifyCheck(uint8_t& mask, uint8_t bit, bool checked)
{
    DoDataExchange(true);
    mask = checked ? uint8_t(mask | bit) : uint8_t(mask & ~bit);
}

void CBoxPropertiesDlg::OnCountEdited(uint32_t& count, qint64 value, bool sound)
{
    count = uint32_t(std::clamp<qint64>(value, 0, kMaxCount));
    CSpinEdit* spin = sound ? m_ui->spinSoundCount : m_ui->spinMsgBoxCount;
    CBalloonTip::showFor(spin, QString(), repeatBalloon(CheckInterval, count, sound));
    DoDataExchange(false);
}

void CBoxPropertiesDlg::OnIntervalEdited(qint64 value)
{
    CheckInterval = uint32_t(value);
}

void CBoxPropertiesDlg::OnEnChangeName()
{
    DoDataExchange(true);
    // A lone blank is no name.
    if (Text == QStringLiteral(" "))
        Text.clear();
    DoDataExchange(false);
    DrawPreview();
}

void CBoxPropertiesDlg::DrawPreview()
{
    m_pLook->SetBoxText(Text, IPAdress, VerifyMetod, Port);
}

void CBoxPropertiesDlg::ReloadIcons()
{
    m_pLook->ReloadIcons();
    DrawPreview();
}

void CBoxPropertiesDlg::PutLook()
{
    SkinLook look = m_pLook->Look();
    look.OnLinePicFile = OnLinePicFile;
    look.OffLinePicFile = OffLinePicFile;
    m_pLook->SetLook(look);
}

void CBoxPropertiesDlg::TakeLook()
{
    OnLinePicFile = m_pLook->m_up.fileName;
    OffLinePicFile = m_pLook->m_down.fileName;
    m_strOnLinePicPath = m_pLook->m_up.fullPath;
    m_strOffLinePicPath = m_pLook->m_down.fullPath;
}

void CBoxPropertiesDlg::PlayTest(int status)
{
    DoDataExchange(true);
    // The request a status change of a box with these values would make,
    // played by a sound thread like it.
    BoxRecord box(nullptr, 0);
    box.Text = Text;
    box.VerifyMetod = VerifyMetod;
    box.UpPath = UpPath;
    box.DownPath = DownPath;
    box.OpenPath = OpenPath;
    box.ClosePath = ClosePath;
    box.TcpDownPath = TcpDownPath;
    box.CustomSoundCheck = CustomSoundCheck;
    box.UpTextString = UpTextString;
    box.DownTextString = DownTextString;
    box.OpenTextString = OpenTextString;
    box.CloseTextString = CloseTextString;
    box.TDownTextString = TDownTextString;
    box.SpeechTextCheck = SpeechTextCheck;
    MainSettings settings;
    settings.ErrorDefaultSound = ErrorDefaultSound;
    settings.PlayErrorDefSoundPath = PlayErrorDefSoundPath;
    settings.ErrorTextSpeechSound = ErrorTextSpeechSound;
    settings.ErrorTextSpeechText = ErrorTextSpeechText;

    auto thread = std::make_unique<CSoundThread>();
    static_cast<SoundRequest&>(*thread) = soundRequestFor(box, status, settings);
    thread->m_bTellFailure = true;
    CSoundThread::Begin(std::move(thread));
}

void CBoxPropertiesDlg::OnBnClickedTestUp()
{
    PlayTest(STATUS_UP);
}

void CBoxPropertiesDlg::OnBnClickedTestDown()
{
    PlayTest(STATUS_DOWN);
}

void CBoxPropertiesDlg::OnBnClickedTestClose()
{
    PlayTest(STATUS_CLOSE);
}

void CBoxPropertiesDlg::OnBnClickedTestError()
{
    PlayTest(STATUS_IP_ERROR);
}

void CBoxPropertiesDlg::OnBnClickedTestMsgBox()
{
    DoDataExchange(true);
    QString description = MsgBoxDesc;
    description.replace(QStringLiteral("%name"), Text);
    description.replace(QStringLiteral("%status"), QStringLiteral("STATUS"));
    const platform::LocalStamp now = platform::localStampNow();
    QString text = QStringLiteral("Description: %1\nDate: %2\nTime: %3\nName: %4\n")
                       .arg(description, now.date, now.time, Text);
    switch (VerifyMetod) {
    case METHOD_TCP:
        text += QStringLiteral("Method: TCP\nIP: %1\nPort: %2\nStatus: Open(Close,Down,ERROR)")
                    .arg(IPAdress, QString::number(int32_t(Port)));
        break;
    case METHOD_URL:
        text += QStringLiteral("Method: URL\nURL: %1\nStatus: Up(Down,ERROR)").arg(IPAdress);
        break;
    default:
        text += QStringLiteral("Method: Ping\nIP: %1\nStatus: Up(Down,ERROR)").arg(IPAdress);
        break;
    }
    // Shown like the notification it tries out, without holding the dialog.
    platform::postMessageBox(this, text, QStringLiteral("Korvalen"),
                             platform::MB_ICONINFORMATION | platform::MB_SYSTEMMODAL | platform::MB_TOPMOST);
}

void CBoxPropertiesDlg::OnBnClickedDefaults()
{
    // The look of the built-in default skin, with the program's own pictures.
    SkinLook look;
    look.OnLinePicFile = QStringLiteral("1274607096_Desktop.ico");
    look.OffLinePicFile = QStringLiteral("1274607096_Desktop_bw.ico");
    m_pLook->SetLook(look);
    m_pLook->ShowDefault();
    TakeLook();
    VerifyMetod = METHOD_PING;
    IPv = 0;
    ShowMethod();
    m_ui->radioIPv4->setChecked(true);
    m_ui->radioIPv6->setEnabled(true);
    Port = 80;
    Sound = 0;
    MsgBox = 0;
    ExecFileCheck = 0;
    SpeechTextCheck = 0;
    nPS = 0;
    nMSGB = 0;
    m_ui->spinSoundCount->setValue(0);
    m_ui->spinMsgBoxCount->setValue(0);
    CheckInterval = 3;
    m_ui->spinInterval->setValue(3);
    Phrase = QStringLiteral("html");
    Logging = 0;
    DoDataExchange(false);
    ReloadIcons();
}

bool CBoxPropertiesDlg::TakeValues()
{
    const bool portEmpty = m_ui->editPort->text().isEmpty();
    DoDataExchange(true);
    if (portEmpty) {
        // The field gets its port back below, and the values go on with it.
        platform::AfxMessageBox(this, QStringLiteral("Enter a positive integer."), platform::MB_ICONWARNING);
        m_ui->editPort->setFocus();
    }
    if (VerifyMetod == METHOD_URL) {
        // http and https alike: the URL check fetches both.
        uint32_t service = 0;
        QString server;
        QString object;
        uint16_t port = 0;
        const bool parsed = platform::AfxParseURL(IPAdress, service, server, object, port);
        if (!parsed || server.isEmpty() ||
            (service != platform::AFX_INET_SERVICE_HTTP && service != platform::AFX_INET_SERVICE_HTTPS)) {
            platform::AfxMessageBox(this, QStringLiteral("URL不包含有效的http服务类型。"));
            return false;
        }
    }
    if (IPAdress.isEmpty()) {
        platform::AfxMessageBox(this, QStringLiteral("IP地址丢失。"));
        return false;
    }
    if (Text.isEmpty()) {
        platform::AfxMessageBox(this, QStringLiteral("名称丢失。"));
        return false;
    }
    Port = std::min(Port, kMaxPort);
    DoDataExchange(false);
    DoDataExchange(true);
    return true;
}

void CBoxPropertiesDlg::OnBnClickedOk()
{
    if (TakeValues())
        accept();
}

void CBoxPropertiesDlg::OnBnClickedApply()
{
    setWindowTitle(QStringLiteral("编辑检查"));
    if (TakeValues())
        platform::SendMessage(m_hWndParent, platform::WM_APPLYBOXPROPERTIES, 0, 0);
}

void CBoxPropertiesDlg::OnBnClickedCancel()
{
    reject();
}
