// The grid of object bounds finds every object that meets an area, once and
// in the layer's order, whatever the bounds hold.
#include "geodata/ObjectIndex.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

MapObject ObjectWithin(const TDoubleRect& bounds)
{
    MapObject object;
    object.ObjType = otPolygon;
    object.Bounds = bounds;
    return object;
}

// 30 x 20 small squares, then bounds the grid cannot place (not normalised,
// not finite) and one that covers everything.
MapObjectArray Objects()
{
    MapObjectArray objects;
    for (int i = 0; i < 600; ++i) {
        const double x = i % 30 * 10.0, y = i / 30 * 10.0;
        objects.push_back(ObjectWithin({x, y + 4 + i % 7, x + 3 + i % 5, y}));
    }
    objects.push_back(ObjectWithin({50, 40, 40, 50}));
    objects.push_back(ObjectWithin({std::numeric_limits<double>::quiet_NaN(), 10, 20, 0}));
    objects.push_back(ObjectWithin({-1e6, 1e6, 1e6, -1e6}));
    objects.push_back(ObjectWithin({123, 77, 123, 77})); // a point
    return objects;
}

bool Meets(const TDoubleRect& a, const TDoubleRect& b)
{
    return a.X1 <= b.X2 && b.X1 <= a.X2 && a.Y2 <= b.Y1 && b.Y2 <= a.Y1;
}

bool Placeable(const TDoubleRect& r)
{
    return r.X1 <= r.X2 && r.Y2 <= r.Y1 && r.X1 == r.X1 && r.Y1 == r.Y1;
}

} // namespace

TEST(ObjectIndex, FindsEveryObjectMeetingAnAreaOnceInOrder)
{
    const MapObjectArray objects = Objects();
    const TObjectIndex index(objects);
    const struct {
        const char* Name;
        TDoubleRect Area;
    } rows[] = {
        {"one square", {31, 15, 32, 14}},
        {"across cell edges", {95, 105, 130, 60}},
        {"a point on a square's edge", {123, 77, 123, 77}},
        {"at the extent's corner", {-50, 0, 0, -50}},
        {"beyond the extent", {2000, 2000, 2100, 1900}},
    };
    for (const auto& row : rows) {
        std::vector<std::size_t> found;
        ASSERT_TRUE(index.ObjectsMeeting(row.Area, found)) << row.Name;
        for (std::size_t k = 1; k < found.size(); ++k) EXPECT_LT(found[k - 1], found[k]) << row.Name;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            const bool expected = !Placeable(objects[i].Bounds) || Meets(objects[i].Bounds, row.Area);
            if (expected) {
                EXPECT_TRUE(std::binary_search(found.begin(), found.end(), i)) << row.Name << ", object " << i;
            }
        }
        EXPECT_LT(found.size(), 60u) << row.Name;
    }
}

TEST(ObjectIndex, AreasItCannotNarrowAreLeftToATestOfEveryObject)
{
    const MapObjectArray objects = Objects();
    const TObjectIndex index(objects);
    std::vector<std::size_t> found{7};
    EXPECT_FALSE(index.ObjectsMeeting({0, 200, 300, 0}, found));
    EXPECT_FALSE(index.ObjectsMeeting({std::numeric_limits<double>::infinity(), 10, 20, 0}, found));
    EXPECT_TRUE(found.empty());
    EXPECT_TRUE(index.Describes(objects));
    MapObjectArray copy = objects;
    EXPECT_FALSE(index.Describes(copy));
}
