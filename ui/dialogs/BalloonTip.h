#pragma once

#include <QFrame>

class QLabel;

// The balloon tip of an edit: an optional bold title and a text, both shown
// as plain text. It stands above the edit (below it only where the screen
// has no room above), so the fields that follow stay in sight; it takes
// neither the focus nor a click, which reach the window beneath it. It goes
// away after a while, when its window hides or closes, or when the next one
// is shown for the same window.
class CBalloonTip : public QFrame
{
    Q_OBJECT
public:
    // Shows the balloon at `anchor` (one per top-level window, reused).
    static CBalloonTip* showFor(QWidget* anchor, const QString& title, const QString& text);
    // The balloon shown for the window of `widget`, if any is visible.
    static CBalloonTip* visibleFor(const QWidget* widget);

    QString title() const;
    QString text() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit CBalloonTip(QWidget* window);
    QLabel* m_title;
    QLabel* m_text;
};
