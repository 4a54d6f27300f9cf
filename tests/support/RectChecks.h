#pragma once
// The check of a rectangle's four edges, in the order TDoubleRect keeps them
// (west, north, east, south).
#include <gtest/gtest.h>

#include "geodata/Geometry.h"

inline void ExpectRect(const TDoubleRect& r, double x1, double y1, double x2, double y2)
{
    EXPECT_DOUBLE_EQ(r.X1, x1);
    EXPECT_DOUBLE_EQ(r.Y1, y1);
    EXPECT_DOUBLE_EQ(r.X2, x2);
    EXPECT_DOUBLE_EQ(r.Y2, y2);
}
