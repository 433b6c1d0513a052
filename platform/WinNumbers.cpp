#include "WinNumbers.h"

namespace platform {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int digitValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'z')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'Z')
        return c.unicode() - u'A' + 10;
    return 99;
}

// Skips blanks and a sign; returns the position of the first digit.
qsizetype skipBlanksAndSign(const QString& text, bool& negative)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    return i;
}

} // namespace

int32_t wtoi32(const QString& text)
{
    bool negative;
    qsizetype i = skipBlanksAndSign(text, negative);
    const int64_t limit = negative ? int64_t(INT32_MAX) + 1 : int64_t(INT32_MAX);
    int64_t value = 0;
    for (; i < text.size() && digitValue(text[i]) < 10; ++i) {
        value = value * 10 + digitValue(text[i]);
        if (value > limit)
            value = limit; // keep reading the digits, the result stays at the limit
    }
    return int32_t(negative ? -value : value);
}

uint32_t wcstoul32(const QString& text)
{
    bool negative;
    qsizetype i = skipBlanksAndSign(text, negative);
    int base = 10;
    if (i < text.size() && text[i] == u'0') {
        base = 8;
        if (i + 1 < text.size() && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
            // "0x" without a hex digit after it converts only the "0".
            if (i + 2 < text.size() && digitValue(text[i + 2]) < 16) {
                base = 16;
                i += 2;
            }
        }
    }
    uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && digitValue(text[i]) < base; ++i) {
        value = value * uint64_t(base) + uint64_t(digitValue(text[i]));
        if (value > UINT32_MAX) {
            overflow = true;
            value = UINT32_MAX;
        }
    }
    if (overflow)
        return UINT32_MAX;
    return negative ? uint32_t(0u - uint32_t(value)) : uint32_t(value);
}

} // namespace platform
