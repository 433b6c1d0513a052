#include "platform/WinNumbers.h"

#include <gtest/gtest.h>

using platform::wcstoul32;
using platform::wtoi32;

TEST(WinNumbers, WtoiReadsDecimalWithWindowsLimits)
{
    const struct
    {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"", 0},
        {"abc", 0},
        {"42", 42},
        {"  -17xyz", -17},
        {"+8", 8},
        {"010", 10},
        {"0x1F", 0},
        {"2147483647", 2147483647},
        {"2147483648", INT32_MAX},
        {"99999999999999999999", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-99999999999", INT32_MIN},
        {"4294967295", INT32_MAX},
        {"\t 7", 7},
        {"- 5", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wtoi32(QString::fromLatin1(c.text)), c.expected) << c.text;
}

TEST(WinNumbers, WcstoulTakesItsBaseFromTheText)
{
    const struct
    {
        const char* text;
        uint32_t expected;
    } cases[] = {
        {"", 0u},
        {"x", 0u},
        {"010", 8u},
        {"0x1F", 31u},
        {"0X1f", 31u},
        {"080", 0u},
        {"0x", 0u},
        {"0xG", 0u},
        {"16699845", 16699845u},
        {"-5", 4294967291u},
        {"4294967295", 4294967295u},
        {"4294967296", 0xFFFFFFFFu},
        {"0x100000000", 0xFFFFFFFFu},
        {"-4294967296", 0xFFFFFFFFu},
        {"  +12", 12u},
        {"0xFF0000", 0xFF0000u},
        {"0x50", 80u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wcstoul32(QString::fromLatin1(c.text)), c.expected) << c.text;
}
