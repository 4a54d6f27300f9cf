#include "geodata/Geometry.h"

#include <gtest/gtest.h>
#include <limits>

#include "platform/RuntimeErrors.h"
#include "tests/support/RectChecks.h"

TEST(Geometry, TransformsInvertAndApply)
{
    TAffineTransform t{2, 0, 0, -4, 10, 20};
    TAffineTransform inv = InvertTransform(t);
    TDoublePoint p = TransformPoint(inv, TransformPoint(t, {3, 5}));
    EXPECT_DOUBLE_EQ(p.x, 3);
    EXPECT_DOUBLE_EQ(p.y, 5);
    // A negative d flips the rectangle and it is not re-normalised: the
    // corners are mapped one by one.
    ExpectRect(TransformRect(t, {0, 10, 10, 0}), 10, -20, 30, 20);
    EXPECT_THROW(InvertTransform(TAffineTransform{1, 2, 2, 4, 0, 0}), EZeroDivide);
    ExpectRect(TransformRect(ScaleTransform(3), {1, 2, 3, 1}), 3, 6, 9, 3);
}

TEST(Geometry, RectanglePredicates)
{
    TDoubleRect r{0, 10, 10, 0};
    EXPECT_TRUE(PointInRect({0, 5}, r));
    EXPECT_TRUE(PointInRect({10, 10}, r));
    EXPECT_TRUE(PointInRect({10, 0}, TDoubleRect{10, 0, 0, 10}));
    EXPECT_FALSE(PointInRect({10.001, 5}, r));
    EXPECT_TRUE(RectIsEmpty({0, 0, 0, 0}));
    EXPECT_FALSE(RectIsEmpty({0, 1, 1, 0}));
    EXPECT_TRUE(RectIsEmpty({0, 0, 1, 1}));
    EXPECT_DOUBLE_EQ(RectWidth({5, 0, 2, 0}), -3);
    EXPECT_DOUBLE_EQ(RectHeight({0, 0, 0, 7}), 7);
}

TEST(Geometry, IntersectAndUnion)
{
    TDoubleRect i = RectIntersect({0, 10, 10, 0}, {20, 30, 30, 20});
    ExpectRect(i, 20, 10, 10, 20);
    EXPECT_TRUE(RectIsEmpty(i));
    ExpectRect(RectUnion({5, 10, 10, 5}, {}), 0, 10, 10, 0);
    TDoubleRect n{10, 0, 0, 10};
    RectNormalize(n);
    ExpectRect(n, 0, 10, 10, 0);
}

TEST(Geometry, PointRunBounds)
{
    std::vector<TDoublePoint> pts{{1, 2}, {-3, 5}, {4, -1}, {0, 0}};
    ExpectRect(PointsBounds(pts), -3, 5, 4, -1);
    ExpectRect(PointsBounds({}), 0, 0, 0, 0);
    ExpectRect(PointsRangeBounds(pts, 2, 1), 4, -1, 4, -1);
    ExpectRect(PointsRangeBounds(pts, 99, 0), 0, 0, 0, 0);
    EXPECT_THROW(PointsRangeBounds(pts, 2, 3), ERangeError);
    EXPECT_THROW(PointsRangeBounds(pts, -1, 1), ERangeError);
    EXPECT_THROW(PointsRangeBounds(pts, std::numeric_limits<long long>::max(), 2), ERangeError);
}

TEST(Geometry, IntegerRectangles)
{
    EXPECT_TRUE(IntRectsOverlap({0, 0, 10, 10}, {10, 0, 20, 10}));
    EXPECT_FALSE(IntRectsOverlap({0, 0, 10, 10}, {0, 11, 10, 20}));
    EXPECT_FALSE(IntRectsOverlap({0, 0, 10, 10}, {11, 0, 20, 10}));
    EXPECT_EQ(IntRectHeight({0, 10, 0, 0}), 10);
    EXPECT_EQ(IntRectWidth({10, 0, 0, 0}), -10);
    constexpr int kMin = std::numeric_limits<int>::min();
    constexpr int kMax = std::numeric_limits<int>::max();
    EXPECT_THROW(IntRectWidth({kMin, 0, kMax, 0}), EIntOverflow);
    EXPECT_THROW(IntRectHeight({0, 0, 0, kMin}), EIntOverflow);
    TRect r{5, 6, 1, 2};
    IntRectNormalize(r);
    EXPECT_EQ(r.Left, 1);
    EXPECT_EQ(r.Bottom, 6);
}
