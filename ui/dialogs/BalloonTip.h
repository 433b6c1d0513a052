#pragma once

#include <QFrame>

class QLabel;

// The balloon tip under an edit: an optional bold title and a text, both
// shown as plain text. It goes away after a while, on a click, or when the
// next one is shown for the same window.
class CBalloonTip : public QFrame
{
    Q_OBJECT
public:
    // Shows the balloon under `anchor` (one per top-level window, reused).
    static CBalloonTip* showUnder(QWidget* anchor, const QString& title, const QString& text);
    // The balloon shown for the window of `widget`, if any is visible.
    static CBalloonTip* visibleFor(const QWidget* widget);

    QString title() const;
    QString text() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    explicit CBalloonTip(QWidget* window);
    QLabel* m_title;
    QLabel* m_text;
};
