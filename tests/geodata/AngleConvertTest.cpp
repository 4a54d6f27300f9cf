#include "geodata/AngleConvert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double kDeg = std::numbers::pi / 180;

struct AngleRow {
    const char* name;
    double radians;
    const char* latitude;
};

double Dms(double d, double m, double s)
{
    return (d + m / 60 + s / 3600) * kDeg;
}

} // namespace

TEST(AngleConvert, LatitudeTexts)
{
    const AngleRow rows[] = {
        {"HalfDegree", 10.5 * kDeg, "10°30'N"},
        {"JustBelowHalfDegree", std::nextafter(10.5 * kDeg, 0.0), "10°30'N"},
        {"WholeSouth", -10 * kDeg, "10°S"},
        {"SecondsPadMinutesWithBlank", Dms(10, 5, 7), "10° 5'07\"N"},
        {"ZeroMinutesWithSeconds", 10.0125 * kDeg, "10° 0'45\"N"},
        {"TwoDigitMinutes", Dms(55, 45, 30), "55°45'30\"N"},
        {"SecondsCarryIntoDegrees", Dms(29, 59, 59.8), "30°N"},
        {"SecondsCarryIntoMinutes", Dms(29, 10, 59.7), "29°11'N"},
        {"Zero", 0.0, "0°N"},
        {"NegativeZeroIsNorth", -0.0, "0°N"},
    };
    for (const AngleRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(LatitudeToText(row.radians), row.latitude);
    }
}

TEST(AngleConvert, LongitudeLetters)
{
    EXPECT_EQ(LongitudeToText(37.5 * kDeg), "37°30'E");
    EXPECT_EQ(LongitudeToText(-37.5 * kDeg), "37°30'W");
    EXPECT_EQ(AngleToText('A', 'B', -1 * kDeg), "1°B");
}

TEST(AngleConvert, UnrepresentableAnglesGiveEmptyText)
{
    EXPECT_EQ(LatitudeToText(std::numeric_limits<double>::quiet_NaN()), "");
    EXPECT_EQ(LatitudeToText(std::numeric_limits<double>::infinity()), "");
    EXPECT_EQ(LongitudeToText(-std::numeric_limits<double>::infinity()), "");
    EXPECT_EQ(LatitudeToText(9e99), "");
    EXPECT_EQ(LatitudeToText(2147483648.0 * kDeg), "");
    EXPECT_EQ(LatitudeToText(2147483647.0 * kDeg), "2147483647°N");
}
