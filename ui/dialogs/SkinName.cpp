#include "SkinName.h"

#include "DialogIcons.h"
#include "core/Skins.h"
#include "ui/Pictures.h"
#include "ui/dialogs/QtMessageBox.h"
#include "ui_SkinName.h"

#include <QFontMetrics>
#include <QIcon>
#include <QStyle>

CSkinName::CSkinName(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::CSkinName>())
{
    ui->setupUi(this);
    platform::setDialogWindowFlags(this);
    setWindowIcon(resourcePicture(128));
    setButtonIcon(ui->btnOK, 206);
    setButtonIcon(ui->btnCancel, 207);
    ui->btnOK->setEnabled(false);
    connect(ui->editName, &QLineEdit::textChanged, this, &CSkinName::OnEnChangeName);
    connect(ui->btnOK, &QPushButton::clicked, this, &CSkinName::OnOK);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

CSkinName::~CSkinName() = default;

QString CSkinName::fitToField(const QString& name) const
{
    const QLineEdit* edit = ui->editName;
    if (!edit->isVisible())
        return name;
    const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
    const QMargins margins = edit->textMargins();
    // QLineEdit keeps two pixels on each side of its text.
    const int room = edit->width() - 2 * frame - margins.left() - margins.right() - 4;
    const QFontMetrics metrics(edit->font());
    QString fitted = name;
    while (!fitted.isEmpty() && metrics.horizontalAdvance(fitted) > room)
        fitted.chop(1);
    return fitted;
}

void CSkinName::OnEnChangeName()
{
    const QString typed = ui->editName->text();
    // Cutting the name to the field may leave a single blank, which goes too.
    const QString name = skins::CleanSkinName(fitToField(skins::CleanSkinName(typed)));
    m_strName = name;
    ui->btnOK->setEnabled(skins::SkinNameAcceptable(name));
    if (name != typed) {
        const QSignalBlocker block(ui->editName);
        ui->editName->setText(name);
    }
    ui->editName->setCursorPosition(int(name.size()));
}

void CSkinName::OnOK()
{
    m_strName = ui->editName->text();
    accept();
}
