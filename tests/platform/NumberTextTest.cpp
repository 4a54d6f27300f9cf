#include "platform/NumberText.h"

#include <clocale>
#include <cmath>
#include <gtest/gtest.h>

#include "platform/RuntimeErrors.h"

TEST(NumberText, LenientIntegersKeepTheDigitsBeforeGarbage)
{
    struct Row { const char* text; int expected; } rows[] = {
        {"12abc", 12}, {"-5a", 5}, {"abc", 0}, {"", 0}, {" +7", 7}, {"-5", -5},
        {"$1F", 31}, {"0x10", 16}, {"x1f", 31}, {"-$10", -16}, {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1}, {"99999999999", 999999999},
    };
    for (const Row& r : rows) EXPECT_EQ(StrToIntLenient(r.text), r.expected) << r.text;
}

TEST(NumberText, StrictIntegersTakeOnlyWholeTokens)
{
    std::int32_t v = 42;
    EXPECT_TRUE(TryStrToInt(" 12", v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(TryStrToInt("-$10", v));
    EXPECT_EQ(v, -16);
    for (const char* bad : {"12abc", "", "-", "2147483648", "1.5", "$", "12 "}) {
        v = 7;
        EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
        EXPECT_EQ(v, 7);
    }
    EXPECT_THROW(StrToInt("x"), EConvertError);
    std::uint32_t u = 0;
    EXPECT_TRUE(TryStrToUInt("$FF000000", u));
    EXPECT_EQ(u, 0xFF000000u);
    EXPECT_FALSE(TryStrToUInt("-1", u));
}

TEST(NumberText, RealsUseThePointWhateverTheLocale)
{
    // A comma locale must not change what is read or written.
    const char* old = std::setlocale(LC_ALL, nullptr);
    std::string saved = old ? old : "C";
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    double v = 0;
    EXPECT_TRUE(TryStrToFloat("55.75", v));
    EXPECT_DOUBLE_EQ(v, 55.75);
    EXPECT_TRUE(TryStrToFloat("+1e3", v));
    EXPECT_DOUBLE_EQ(v, 1000);
    EXPECT_TRUE(TryStrToFloat(" -.5 ", v));
    EXPECT_DOUBLE_EQ(v, -0.5);
    for (const char* bad : {"inf", "nan", "-inf", "1,5", "", "1e400", "0x10", "abc"}) EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    EXPECT_EQ(FormatFixed(2.5), "2.50");
    EXPECT_EQ(FormatG(1.5), "1.5");
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(NumberText, PrefixReadingKeepsTheLongestNumber)
{
    double v = -1;
    EXPECT_EQ(ParseRealPrefix("12.5m", v), 4u);
    EXPECT_DOUBLE_EQ(v, 12.5);
    v = -1;
    EXPECT_EQ(ParseRealPrefix("m12", v), 0u);
    EXPECT_DOUBLE_EQ(v, -1);
    EXPECT_EQ(ParseRealPrefix("1e", v), 1u);
    EXPECT_DOUBLE_EQ(v, 1);
    EXPECT_EQ(ParseRealPrefix("1e-400", v), 6u);
    EXPECT_EQ(v, 0);
}

TEST(NumberText, GeneralFormatFollowsTheRunTime)
{
    struct Row { double value; const char* expected; } rows[] = {
        {1000000, "1000000"}, {0.00001, "0.00001"}, {1.5e-6, "1.5E-6"}, {1e15, "1E15"},
        {123456789012345.0, "123456789012345"}, {0.1, "0.1"}, {-2.5, "-2.5"}, {0, "0"},
        {1.0 / 3.0, "0.333333333333333"}, {2.0 / 3.0, "0.666666666666667"}, {100, "100"},
        {NAN, "NAN"}, {INFINITY, "INF"}, {-INFINITY, "-INF"},
    };
    for (const Row& r : rows) EXPECT_EQ(FormatG(r.value), r.expected) << r.expected;
}

TEST(NumberText, FormatTextHandlesRealsWithoutTheLocale)
{
    EXPECT_EQ(FormatText("%f - %f", 1.0, 2.5), "1.00 - 2.50");
    EXPECT_EQ(FormatText("%g|%.3f|%s|%d|%2d|%%", 0.5, 1.23456, "x", -4, 5), "0.5|1.235|x|-4| 5|%");
    EXPECT_EQ(FormatText("[%d x %d]", 10, 20), "[10 x 20]");
}

TEST(NumberText, FormatTextHonoursFlagsWidthsAndLengths)
{
    EXPECT_EQ(FormatText("%08.2f|%-8.2f|%8.3g", -3.14159, 2.5, 123456.0), "-0003.14|2.50    |  1.23E5");
    EXPECT_EQ(FormatText("%-5s|%.2s|%5s", "ab", "abcdef", "ab"), "ab   |ab|   ab");
    EXPECT_EQ(FormatText("%ld|%lld|%hd|%05d|%-4d|%+d", 123456789012L, -5LL, static_cast<short>(7), -42, 3, 1),
              "123456789012|-5|7|-0042|3   |+1");
    EXPECT_EQ(FormatText("%Lf|%e", static_cast<long double>(1.25), 1e-7), "1.25|1E-7");
}
