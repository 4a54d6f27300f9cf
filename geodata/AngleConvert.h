#pragma once
// Angles as degrees-minutes-seconds texts with a hemisphere letter, for the
// coordinate display ("55°45'N", "37°30'W", "10° 5'07\"N").
#include <string>

// `positive` is the letter of angles >= 0, `negative` that of angles below 0;
// the angle is in radians. NaN, infinities and angles beyond 2^31 degrees
// give an empty text.
std::string AngleToText(char positive, char negative, double angle);
std::string LongitudeToText(double angle);
std::string LatitudeToText(double angle);
