#pragma once

#include <QAbstractSpinBox>

#include <optional>

// An edit with an up-down pair beside it. The arrows (buttons, keys, wheel)
// step the number in the edit within a range; typing, where it is allowed,
// takes digits only, up to a number of them, and may leave the range, so that
// the dialog can check the value and correct it itself.
class CSpinEdit : public QAbstractSpinBox
{
    Q_OBJECT
public:
    explicit CSpinEdit(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    void setSingleStep(int step) { m_step = step; }
    int singleStep() const { return m_step; }
    // At most this many digits can be typed; a longer number set by the
    // program is still shown whole.
    void setMaxLength(int length);
    int maxLength() const { return m_maxLength; }
    // Without typing the edit is read-only; the arrows still step it.
    void setTypingAllowed(bool allowed);

    // The number in the edit; none when the edit is empty.
    std::optional<qint64> number() const;
    // The number in the edit, 0 when it is empty.
    qint64 value() const { return number().value_or(0); }
    // Shows the number in decimal, whole.
    void setValue(qint64 value);
    // The edit itself, where tests and dialogs type and read.
    QLineEdit* edit() const { return lineEdit(); }

    // One step is the position before it (the edit's number held to the
    // range) plus the step, held to the range.
    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user changed the number, by an arrow or by typing.
    void valueEdited(qint64 value);

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_minimum = 0;
    int m_maximum = 99;
    int m_step = 1;
    int m_maxLength = 5;
};
