#include "AboutDlg.h"

#include "ui/Pictures.h"

#include "ColorStatic.h"
#include "core/Instance.h"
#include "core/Workers.h"
#include "platform/desktop/DesktopOpen.h"
#include "platform/programs/Shell.h"
#include "ui/dialogs/QtMessageBox.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace {
void makeBold(QLabel* label)
{
    QFont font = label->font();
    font.setWeight(QFont::Bold);
    label->setFont(font);
}
} // namespace

QString CAboutDlg::HomePage()
{
    return QStringLiteral("https://www.example.org/korvalen/");
}

QString CAboutDlg::MailAddress()
{
    return QStringLiteral("mailto:korvalen@example.org");
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    // A dialog of fixed size with a close button only and the program's icon.
    platform::makeDialogWindow(this);
    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/images/192.png")));
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    m_ctlName = new QLabel(QStringLiteral("Korvalen"), this);
    m_ctlName->setTextFormat(Qt::PlainText);
    layout->addWidget(m_ctlName, 0, 1);
    m_ctlVersion = new QLabel(QStringLiteral("版本 %1").arg(QStringLiteral(KORVALEN_VERSION)), this);
    m_ctlVersion->setTextFormat(Qt::PlainText);
    layout->addWidget(m_ctlVersion, 1, 1);
    m_ctlHome = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(HomePage()), this);
    m_ctlMail = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>")
                               .arg(MailAddress(), MailAddress().mid(int(qstrlen("mailto:")))),
                           this);
    for (QLabel* link : {m_ctlHome, m_ctlMail}) {
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(link, &QLabel::linkActivated, this, &CAboutDlg::OnNMClickSyslink);
    }
    layout->addWidget(m_ctlHome, 2, 0, 1, 2);
    layout->addWidget(m_ctlMail, 3, 0, 1, 2);
    m_ctlLine = new CColorStatic(this);
    m_ctlLine->setTextFormat(Qt::PlainText);
    m_ctlLine->setText(QStringLiteral("桌面网络监视器"));
    layout->addWidget(m_ctlLine, 4, 0, 1, 2);
    m_btnOK = new QPushButton(resourcePicture(206), QStringLiteral("确定"), this);
    m_btnOK->setIconSize(QSize(16, 16));
    m_btnOK->setDefault(true);
    connect(m_btnOK, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(m_btnOK, 5, 0, 1, 2, Qt::AlignHCenter);
}

bool CAboutDlg::OnInitDialog()
{
    setWindowTitle(QStringLiteral("关于 %1").arg(instance::windowTitle(m_nInstance)));
    m_ctlLine->SetTextColor(0x0000007F); // RGB(127, 0, 0)
    makeBold(m_ctlName);
    makeBold(m_ctlLine);
    adjustSize();
    CentreOnScreen();
    return true;
}

void CAboutDlg::CentreOnScreen()
{
    // Centred on the desktop by its frame, the window manager's title bar
    // and borders included, in the normal band of the z-order. A move places
    // the frame's corner.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->geometry();
        const QSize frame = frameGeometry().size();
        move(desktop.x() + desktop.width() / 2 - frame.width() / 2,
             desktop.y() + desktop.height() / 2 - frame.height() / 2);
    }
}

void CAboutDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The frame is known once the window manager has framed the window.
    QTimer::singleShot(0, this, [this] { CentreOnScreen(); });
    QTimer::singleShot(150, this, [this] { CentreOnScreen(); });
}

void CAboutDlg::OnNMClickSyslink(const QString& address)
{
    // The desktop's answer is awaited on a worker; a link it cannot open is
    // reported with what would open it.
    const bool mail = address.startsWith(QLatin1String("mailto:"));
    const QString what = mail ? QStringLiteral("the mail address") : QStringLiteral("the home page");
    const QString needs = mail ? QStringLiteral("a mail program (such as thunderbird)")
                               : QStringLiteral("a web browser (such as firefox-esr)");
    runWorker([url = QUrl(address), what, needs] { platform::openOrTell(url, what, needs); });
}
