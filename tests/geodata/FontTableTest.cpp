#include "geodata/FontTable.h"

#include <gtest/gtest.h>

#include "tests/support/TestEnvironment.h"

class FontTableTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFontTable(); }
    void TearDown() override { ResetFontTable(); }
    TTestEnvironment Headless;
};

TEST_F(FontTableTest, NamesAreAppendedOnceAndFoundWithoutCase)
{
    EXPECT_EQ(FontIndex("symbol"), 0);
    EXPECT_EQ(FontIndex("Arial"), 1);
    EXPECT_EQ(FontIndex("Arial"), 1);
    EXPECT_EQ(FontIndex("ARIAL"), 1);
    EXPECT_EQ(FontIndex("Wingdings"), 2);
    EXPECT_EQ(FontName(0), "Symbol");
    EXPECT_EQ(FontName(1), "Arial");
    EXPECT_EQ(FontName(-1), "");
    EXPECT_EQ(FontName(3), "");
    EXPECT_EQ(FontList().size(), 3u);
}

TEST_F(FontTableTest, CartographicFontIsAskedOnceAndRemembered)
{
    EXPECT_FALSE(CartographicFontInstalled()); // headless: no font installed
    int asked = 0;
    std::string askedFor;
    Headless.Change([&](TEnvironment& e) {
        e.FontInstalled = [&](const std::string& family) {
            ++asked;
            askedFor = family;
            return true;
        };
    });
    ResetFontTable(); // forgets the headless answer
    EXPECT_TRUE(CartographicFontInstalled());
    EXPECT_TRUE(CartographicFontInstalled());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(askedFor, "MapInfo Cartographic");
}
