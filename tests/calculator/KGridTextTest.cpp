#include "calculator/KGridText.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

TEST(CommaText, RoundTripsAndStoredForms)
{
    struct Row {
        const char* name;
        std::string text;
        std::string stored;
        std::string readBack;
    };
    const Row rows[] = {
        {"empty", "", "", ""},
        {"plain line unchanged", "abc", "abc", "abc"},
        {"blank is quoted", "a b", "\"a b\"", "a b"},
        {"comma is quoted", "a,b", "\"a,b\"", "a,b"},
        {"quotes are doubled", "say \"hi\"", "\"say \"\"hi\"\"\"", "say \"hi\""},
        {"tab is quoted", "a\tb", "\"a\tb\"", "a\tb"},
        {"CR LF is one break", "x\r\ny", "x,y", "x\r\ny"},
        {"lone LF", "x\ny", "x,y", "x\r\ny"},
        {"lone CR", "x\ry", "x,y", "x\r\ny"},
        {"empty middle line", "x\r\n\r\ny", "x,,y", "x\r\n\r\ny"},
        {"trailing break ends in comma", "x\r\n", "x,", "x\r\n"},
        {"leading break", "\r\nx", ",x", "\r\nx"},
        {"blank lines quoted per line", "a b\r\nc", "\"a b\",c", "a b\r\nc"},
        {"leading blank kept by quotes", " a", "\" a\"", " a"},
        {"UTF-8 passes through", "\xD0\x9C\xD0\xB8\xD1\x80", "\xD0\x9C\xD0\xB8\xD1\x80",
         "\xD0\x9C\xD0\xB8\xD1\x80"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(LinesToCommaText(row.text), row.stored);
        EXPECT_EQ(CommaTextToLines(row.stored), row.readBack);
    }
}

TEST(CommaText, ReadsLooseAndDamagedText)
{
    struct Row {
        const char* name;
        std::string stored;
        std::string lines;
    };
    const Row rows[] = {
        {"leading blanks skipped", "  \t x", "x"},
        {"blanks after comma skipped", "a,   b", "a\r\nb"},
        {"items without comma are joined", "a b", "ab"},
        {"quoted then plain joined", "\"a b\"c", "a bc"},
        {"NUL ends the text", "ab\0cd,e"s, "ab"},
        {"NUL inside quotes ends the text", "\"ab\0cd\",e"s, "ab"},
        {"NUL first", "\0abc"s, ""},
        {"unterminated quote ends the item", "x,\"abc", "x\r\nabc"},
        {"lone quote", "\"", ""},
        {"quote after doubled quote at end", "\"a\"\"", "a\""},
        {"only commas", ",,", "\r\n\r\n"},
        {"high bytes are not blanks", "\xA0x", "\xA0x"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CommaTextToLines(row.stored), row.lines);
    }
}
