#include "ColorButton.h"

#include "platform/desktop/Dialogs.h"
#include "ui/StripPainter.h"

#include <QPainter>

CColorButton::CColorButton(QWidget* parent) : QPushButton(parent)
{
    connect(this, &QPushButton::clicked, this, &CColorButton::OnShowColorPopup);
}

void CColorButton::SetColor(uint32_t color)
{
    m_color = color;
    update();
}

void CColorButton::OnShowColorPopup()
{
    QColor chosen;
    if (!platform::dialogService().getColor(this, colorOf(m_color), chosen))
        return;
    SetColor(uint32_t(chosen.red()) | (uint32_t(chosen.green()) << 8) | (uint32_t(chosen.blue()) << 16));
    emit colorChanged(m_color);
    if (parentWidget())
        parentWidget()->repaint();
}

void CColorButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(rect().adjusted(5, 5, -5, -5), colorOf(m_color));
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(5, 5, -6, -6));
}
