#pragma once

#include <QLabel>

#include <cstdint>

// A line of text in a colour of its own (COLORREF, red in the low byte).
class CColorStatic : public QLabel
{
    Q_OBJECT
public:
    explicit CColorStatic(QWidget* parent = nullptr);
    void SetTextColor(uint32_t color);
    uint32_t TextColor() const { return m_crTextColor; }

private:
    uint32_t m_crTextColor = 0;
};
