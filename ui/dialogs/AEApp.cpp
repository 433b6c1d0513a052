#include "AEApp.h"

#include "ui/Pictures.h"

#include "DialogRun.h"
#include "ExecFile.h"
#include "FieldLimits.h"
#include "platform/desktop/Dialogs.h"
#include "platform/programs/Shell.h"
#include "ui/dialogs/QtMessageBox.h"
#include "ui_AEApp.h"

#include <QValidator>

namespace {

// Takes a text only while it fits into the edit: a title is as long as its
// box shows.
class FitsEditValidator : public QValidator
{
public:
    explicit FitsEditValidator(QLineEdit* edit) : QValidator(edit), m_edit(edit) {}

    State validate(QString& input, int&) const override
    {
        const QMargins margins = m_edit->textMargins();
        // The edit keeps a few pixels free on each side of its text.
        const int room = m_edit->contentsRect().width() - margins.left() - margins.right() - 6;
        return m_edit->fontMetrics().horizontalAdvance(input) <= room ? Acceptable : Invalid;
    }

private:
    QLineEdit* m_edit;
};

} // namespace

CAEApp::CAEApp(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::CAEApp>())
{
    ui->setupUi(this);
    platform::setDialogWindowFlags(this);
    setWindowIcon(resourcePicture(128));
    ui->editParameters->setToolTip(platform::argumentRuleText());
    ui->editTitle->setValidator(new FitsEditValidator(ui->editTitle));
    connect(ui->buttonBrowse, &QPushButton::clicked, this, &CAEApp::OnBnClickedBrowse);
    connect(ui->buttonOK, &QPushButton::clicked, this, [this] {
        DoDataExchange(true);
        accept();
    });
    connect(ui->buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

CAEApp::~CAEApp() = default;

bool CAEApp::OnInitDialog()
{
    DoDataExchange(false);
    return true;
}

int CAEApp::DoModal()
{
    OnInitDialog();
    return runSubDialog(this);
}

void CAEApp::DoDataExchange(bool save)
{
    if (save) {
        m_strTitle = ui->editTitle->text();
        m_strPath = ui->editPath->text();
        m_strParameters = ui->editParameters->text();
    } else {
        ui->editTitle->setText(m_strTitle);
        ui->editPath->setText(m_strPath);
        ui->editParameters->setText(m_strParameters);
    }
}

void CAEApp::OnBnClickedBrowse()
{
    DoDataExchange(true);
    const QString path = platform::dialogService().getOpenFileName(this, CExecFile::ProgramFileFilter());
    // A path longer than "Main.ini" keeps would come back cut: refused, and the user is told why.
    if (!path.isEmpty() && pickedPathFits(path, ui->editPath))
        m_strPath = path;
    DoDataExchange(false);
}
