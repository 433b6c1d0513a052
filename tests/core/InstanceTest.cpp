#include "core/Instance.h"

#include <gtest/gtest.h>

TEST(Instance, SwitchIsFoundBySubstringWithItsLetterCase)
{
    const struct
    {
        const char* arguments;
        int expected;
    } cases[] = {
        {"", 0},
        {"/secondary", 1},
        {"/tertiary", 2},
        {"/tertiary /secondary", 1},
        {"/secondary /tertiary", 1},
        {"/Secondary", 0},
        {"/TERTIARY", 0},
        {"/secondaryfoo", 1},
        {"x/tertiaryy", 2},
        {"secondary tertiary", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(instance::fromCommandLine(QString::fromLatin1(c.arguments)), c.expected) << c.arguments;
}

TEST(Instance, EachInstanceHasItsOwnNames)
{
    EXPECT_EQ(instance::mutexName(0), "Tamsorin KorvalenA");
    EXPECT_EQ(instance::mutexName(1), "Tamsorin KorvalenB");
    EXPECT_EQ(instance::mutexName(2), "Tamsorin KorvalenC");
    EXPECT_EQ(instance::windowTitle(0), "Korvalen.");
    EXPECT_EQ(instance::windowTitle(1), "Korvalen. Sec");
    EXPECT_EQ(instance::windowTitle(2), "Korvalen. Ter");
    EXPECT_EQ(instance::configFileName(0), "MainConfA.ini");
    EXPECT_EQ(instance::configFileName(1), "MainConfB.ini");
    EXPECT_EQ(instance::configFileName(2), "MainConfC.ini");
    EXPECT_EQ(instance::configFileName(7), "MainConfA.ini");
}
