#include "BalloonTip.h"

#include <QEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kShownMs = 10000;
const char* const kObjectName = "balloonTip";
} // namespace

CBalloonTip::CBalloonTip(QWidget* window)
    : QFrame(window, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                         Qt::WindowTransparentForInput),
      m_title(new QLabel(this)), m_text(new QLabel(this))
{
    setObjectName(QLatin1String(kObjectName));
    // The user goes on typing, or clicks the field beneath: neither may the
    // balloon take.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    window->installEventFilter(this);
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    for (QLabel* label : {m_title, m_text}) {
        // A balloon often repeats what the user typed: never read it as markup.
        label->setTextFormat(Qt::PlainText);
        label->setForegroundRole(QPalette::ToolTipText);
    }
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_text->setWordWrap(true);
    m_text->setMaximumWidth(360);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(m_title);
    layout->addWidget(m_text);
}

CBalloonTip* CBalloonTip::showFor(QWidget* anchor, const QString& title, const QString& text)
{
    QWidget* window = anchor->window();
    auto* balloon = window->findChild<CBalloonTip*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly);
    if (!balloon)
        balloon = new CBalloonTip(window);
    balloon->m_title->setText(title);
    balloon->m_title->setVisible(!title.isEmpty());
    balloon->m_text->setText(text);
    balloon->adjustSize();
    const QPoint above = anchor->mapToGlobal(QPoint(anchor->width() / 4, -balloon->height()));
    const QScreen* screen = anchor->screen();
    if (screen && above.y() < screen->availableGeometry().top())
        balloon->move(anchor->mapToGlobal(QPoint(anchor->width() / 4, anchor->height())));
    else
        balloon->move(above);
    balloon->show();
    balloon->raise();
    QTimer::singleShot(kShownMs, balloon, [balloon, text] {
        if (balloon->m_text->text() == text)
            balloon->hide();
    });
    return balloon;
}

CBalloonTip* CBalloonTip::visibleFor(const QWidget* widget)
{
    auto* balloon =
        widget->window()->findChild<CBalloonTip*>(QLatin1String(kObjectName), Qt::FindDirectChildrenOnly);
    return balloon && balloon->isVisible() ? balloon : nullptr;
}

QString CBalloonTip::title() const
{
    return m_title->text();
}

QString CBalloonTip::text() const
{
    return m_text->text();
}

bool CBalloonTip::eventFilter(QObject* watched, QEvent* event)
{
    // Left alone, the balloon would outlive its dialog on the desktop.
    if (watched == parentWidget() && (event->type() == QEvent::Hide || event->type() == QEvent::Close))
        hide();
    return QFrame::eventFilter(watched, event);
}
