#include "ColorStatic.h"

#include "ui/StripPainter.h"

CColorStatic::CColorStatic(QWidget* parent) : QLabel(parent) {}

void CColorStatic::SetTextColor(uint32_t color)
{
    m_crTextColor = color;
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, colorOf(color));
    setPalette(palette);
    repaint();
}
