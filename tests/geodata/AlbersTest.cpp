#include "geodata/Alberts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double kDeg = std::numbers::pi / 180;

struct ProjectedPoint {
    const char* name;
    double lon, lat; // degrees
    double x, y;     // metres
};

// Reference values of the "alber-rus" system (Krasovsky, 44°/68°, 100° E).
const ProjectedPoint kPoints[] = {
    {"OriginOnCentralMeridian", 100, 0, 0, 0},
    {"FirstStandardParallel", 100, 44, 0, 4407403.045789},
    {"SecondStandardParallel", 100, 68, 0, 7119195.698144},
    {"Moscow", 37.5, 55.75, -3359932.319841, 7322615.880942},
    {"Vladivostok", 131.8869, 43.1155, 2514421.527516, 4886540.057223},
    {"EquatorFarWest", 40, 0, -7563571.840846, 3419944.851463},
    {"SouthernHemisphere", 100, -30, 0, -2229165.587008},
};

} // namespace

TEST(Albers, ForwardMatchesReferencePoints)
{
    for (const ProjectedPoint& p : kPoints) {
        SCOPED_TRACE(p.name);
        double x = 0, y = 0;
        GeoToAlbers(p.lon * kDeg, p.lat * kDeg, x, y);
        EXPECT_NEAR(x, p.x, 1e-4);
        EXPECT_NEAR(y, p.y, 1e-4);
    }
}

TEST(Albers, InverseMatchesReferencePoints)
{
    for (const ProjectedPoint& p : kPoints) {
        SCOPED_TRACE(p.name);
        double lon = 0, lat = 0;
        AlbersToGeo(p.x, p.y, lon, lat);
        EXPECT_NEAR(lon, p.lon * kDeg, 1e-9);
        EXPECT_NEAR(lat, p.lat * kDeg, 1e-9);
    }
}

TEST(Albers, RoundTripHoldsAcrossTheMap)
{
    for (int lat = 0; lat <= 85; lat += 5) {
        for (int lon = -180; lon <= 180; lon += 15) {
            double x = 0, y = 0, backLon = 0, backLat = 0;
            GeoToAlbers(lon * kDeg, lat * kDeg, x, y);
            AlbersToGeo(x, y, backLon, backLat);
            SCOPED_TRACE(testing::Message() << lon << ", " << lat);
            // The inverse answers within -180°..180° of the central meridian.
            double expectedLon = std::remainder(lon * kDeg - 100 * kDeg, 2 * std::numbers::pi) + 100 * kDeg;
            if (lon == -80) expectedLon = lon * kDeg; // exactly opposite: either side is the same point
            EXPECT_NEAR(backLat, lat * kDeg, 1e-9);
            EXPECT_NEAR(std::remainder(backLon - expectedLon, 2 * std::numbers::pi), 0, 1e-9);
        }
    }
}

TEST(Albers, FarWestLongitudeGoesRoundTheShortWay)
{
    // -170° is 90° east of the central meridian's far side, not 270° west.
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    GeoToAlbers(-170 * kDeg, 60 * kDeg, x1, y1);
    GeoToAlbers(190 * kDeg, 60 * kDeg, x2, y2);
    EXPECT_NEAR(x1, x2, 1e-6);
    EXPECT_NEAR(y1, y2, 1e-6);
    EXPECT_GT(x1, 0);
}

TEST(Albers, PoleAndFailureValues)
{
    double x = 0, y = 0;
    AlbersForward(0, std::numbers::pi / 2, x, y);
    double lon = 1, lat = 0;
    AlbersToGeo(x, y, lon, lat);
    EXPECT_DOUBLE_EQ(lat, std::numbers::pi / 2);
    EXPECT_DOUBLE_EQ(lon, 100 * kDeg);

    EXPECT_EQ(LatitudeFromQ(2.5), kAlbersFailure);
    EXPECT_EQ(LatitudeFromQ(-2.5), kAlbersFailure);
    EXPECT_EQ(LatitudeFromQ(std::nan("")), kAlbersFailure);
    EXPECT_NEAR(LatitudeFromQ(0), 0, 1e-12);
}
