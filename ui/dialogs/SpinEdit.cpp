#include "SpinEdit.h"

#include "FieldLimits.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include <algorithm>

CSpinEdit::CSpinEdit(QWidget* parent) : QAbstractSpinBox(parent)
{
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(false);
    setKeyboardTracking(true);
    setValue(0);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { emit valueEdited(value()); });
}

void CSpinEdit::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    update();
}

void CSpinEdit::setMaxLength(int length)
{
    m_maxLength = length;
    setTextWhole(lineEdit(), lineEdit()->text(), length);
    updateGeometry();
}

void CSpinEdit::setTypingAllowed(bool allowed)
{
    // Only the edit is read-only: QAbstractSpinBox::setReadOnly would stop
    // the arrows as well.
    lineEdit()->setReadOnly(!allowed);
}

std::optional<qint64> CSpinEdit::number() const
{
    const QString text = lineEdit()->text();
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

void CSpinEdit::setValue(qint64 value)
{
    setTextWhole(lineEdit(), QString::number(value), m_maxLength);
}

void CSpinEdit::stepBy(int steps)
{
    const qint64 before = std::clamp<qint64>(value(), m_minimum, m_maximum);
    const qint64 after = std::clamp<qint64>(before + qint64(steps) * m_step, m_minimum, m_maximum);
    setValue(after);
    emit valueEdited(after);
}

QValidator::State CSpinEdit::validate(QString& input, int&) const
{
    if (input.size() > m_maxLength)
        return QValidator::Invalid;
    for (const QChar c : input) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled CSpinEdit::stepEnabled() const
{
    if (!isEnabled())
        return StepNone;
    const qint64 n = std::clamp<qint64>(value(), m_minimum, m_maximum);
    StepEnabled enabled = StepNone;
    if (n > m_minimum)
        enabled |= StepDownEnabled;
    if (n < m_maximum)
        enabled |= StepUpEnabled;
    return enabled;
}

QSize CSpinEdit::sizeHint() const
{
    ensurePolished();
    const QFontMetrics metrics(font());
    const int digits = std::max(1, std::min(m_maxLength, 6));
    QSize content(metrics.horizontalAdvance(QString(digits, QLatin1Char('8'))) + 8,
                  lineEdit()->sizeHint().height());
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, content, this);
}

QSize CSpinEdit::minimumSizeHint() const
{
    return sizeHint();
}
