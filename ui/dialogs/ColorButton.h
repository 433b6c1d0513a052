#pragma once

#include <QPushButton>

#include <cstdint>

// A button that shows a colour (COLORREF, red in the low byte) and lets the
// user pick another in the colour dialog.
class CColorButton : public QPushButton
{
    Q_OBJECT
public:
    explicit CColorButton(QWidget* parent = nullptr);
    void SetColor(uint32_t color);
    uint32_t GetColor() const { return m_color; }
    // The click: the colour dialog with the current colour; OK takes the
    // chosen colour and repaints the parent (a preview there shows it).
    void OnShowColorPopup();

signals:
    void colorChanged(uint32_t color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t m_color = 0;
};
