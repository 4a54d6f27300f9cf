#include "geodata/AngleConvert.h"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "platform/NumberText.h"

namespace {

constexpr const char* kDegreeSign = "\u00B0";

} // namespace

std::string AngleToText(char positive, char negative, double angle)
{
    char letter = positive;
    double v = angle;
    if (!(angle >= 0)) {
        letter = negative;
        v = -angle;
    }
    double degrees = v * (180 / std::numbers::pi);
    // The degrees are shown as a 32-bit integer; anything else has no text.
    if (!(degrees < 2147483648.0)) return {};
    std::int64_t deg = static_cast<std::int64_t>(degrees);
    double t = (degrees - static_cast<double>(deg)) * 60;
    std::int64_t min = static_cast<std::int64_t>(t);
    // Halves to even, as the floating-point unit rounds by default.
    std::int64_t sec = static_cast<std::int64_t>(std::nearbyint((t - static_cast<double>(min)) * 60));
    if (sec == 60) {
        sec = 0;
        ++min;
        if (min == 60) {
            min = 0;
            ++deg;
        }
    }
    if (deg > INT32_MAX) return {};
    int d = static_cast<int>(deg);
    int m = static_cast<int>(min);
    int s = static_cast<int>(sec);
    // The minutes of the seconds form are padded with a blank ("%2d"), the
    // seconds with a zero.
    if (s != 0) return FormatText("%d%s%2d'%.2d\"%c", d, kDegreeSign, m, s, letter);
    if (m == 0) return FormatText("%d%s%c", d, kDegreeSign, letter);
    return FormatText("%d%s%d'%c", d, kDegreeSign, m, letter);
}

std::string LongitudeToText(double angle)
{
    return AngleToText('E', 'W', angle);
}

std::string LatitudeToText(double angle)
{
    return AngleToText('N', 'S', angle);
}
