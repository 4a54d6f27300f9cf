#include "geodata/QMMapDecl.h"

#include <gtest/gtest.h>

#include "platform/RuntimeErrors.h"

TEST(QMMapDecl, StyleComparisons)
{
    TLineStyle a{PS_DASH, {2, 7}, 0x123456};
    TLineStyle b = a;
    b.lopnWidth.y = 99;
    EXPECT_TRUE(SameLineStyle(a, b));
    b.lopnWidth.x = 3;
    EXPECT_FALSE(SameLineStyle(a, b));

    TAreaStyle s{a, {BS_HATCHED, 0xFF, HS_CROSS}, 0xFFFFFF, OPAQUE};
    TAreaStyle t = s;
    EXPECT_TRUE(SameAreaStyle(s, t));
    t.Brush.lbHatch = HS_DIAGCROSS;
    EXPECT_FALSE(SameAreaStyle(s, t));
    t = s;
    t.BackMode = TRANSPARENT;
    EXPECT_FALSE(SameAreaStyle(s, t));
    EXPECT_TRUE(SamePointStyle({65, 8, 0, 1}, {65, 8, 0, 1}));
    EXPECT_FALSE(SamePointStyle({65, 8, 0, 1}, {65, 8, 0, 2}));
    EXPECT_FALSE(IsStyleKind(0));
    EXPECT_TRUE(IsStyleKind(3));
    EXPECT_FALSE(IsStyleKind(4));
}

TEST(QMMapDecl, StyleBytesHoldEachRecordAtOffsetZero)
{
    MapObject o;
    TAreaStyle s{{PS_SOLID, {1, 0}, 0xFF}, {BS_SOLID, 0xFF00, 0}, 0, TRANSPARENT};
    o.Style.Set(s);
    EXPECT_TRUE(SameAreaStyle(o.Style.As<TAreaStyle>(), s));
    EXPECT_EQ(o.Style.Bytes[0], 0);          // lopnStyle
    EXPECT_EQ(o.Style.Bytes[12], 0xFF);      // lopnColor, red in the low byte
    EXPECT_EQ(o.Style.Bytes[32], TRANSPARENT);
    o.Style.Set(TPointStyle{35, 12, 0x0000FF, 2});
    EXPECT_EQ(o.Style.As<TPointStyle>().SymbolFont, 2);
    EXPECT_EQ(o.Style.Bytes[20], 0); // the rest is cleared
}

TEST(QMMapDecl, PartBoundsFollowThePartCounts)
{
    MapObject one;
    one.Bounds = {0, 100, 100, 0};
    one.Points = {{1, 1}, {2, 2}};
    one.PartCounts = {2};
    CalcPartBounds(one);
    ASSERT_EQ(one.PartBounds.size(), 1u);
    EXPECT_EQ(one.PartBounds[0].X2, 100); // copied, not recomputed

    MapObject two;
    two.Points = {{0, 0}, {1, 1}, {5, 5}, {6, 4}, {7, 9}};
    two.PartCounts = {2, 3};
    CalcPartBounds(two);
    ASSERT_EQ(two.PartBounds.size(), 2u);
    EXPECT_EQ(two.PartBounds[0].X2, 1);
    EXPECT_EQ(two.PartBounds[1].X1, 5);
    EXPECT_EQ(two.PartBounds[1].Y1, 9);

    MapObject bad;
    bad.Points = {{0, 0}};
    bad.PartCounts = {1, 5};
    EXPECT_THROW(CalcPartBounds(bad), ERangeError);
}

TEST(QMMapDecl, ErrorMessagesAreFormatted)
{
    QMError e("File %s is not Lumivar composition.", "/m/a.qmc");
    EXPECT_STREQ(e.what(), "File /m/a.qmc is not Lumivar composition.");
    QMError plain(std::string("100% plain"));
    EXPECT_STREQ(plain.what(), "100% plain");
}
