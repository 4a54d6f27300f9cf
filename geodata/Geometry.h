#pragma once
// Plane geometry in map units (y grows upwards) and on the screen's integer
// rectangles.
#include <vector>

#include "platform/WinTypes.h"

struct TDoubleRect {
    double X1 = 0; // west
    double Y1 = 0; // north: the larger y of a normalised rect
    double X2 = 0; // east
    double Y2 = 0; // south
};

struct TDoublePoint {
    double x = 0;
    double y = 0;
};

// x' = a·x + b·y + e, y' = c·x + d·y + f
struct TAffineTransform {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

TAffineTransform ScaleTransform(double s);
// Raises EZeroDivide for a singular transform.
TAffineTransform InvertTransform(const TAffineTransform& t);
TDoublePoint TransformPoint(const TAffineTransform& t, const TDoublePoint& p);
// Transforms the two corners; the result is not re-normalised.
TDoubleRect TransformRect(const TAffineTransform& t, const TDoubleRect& r);

void RectNormalize(TDoubleRect& r);
bool RectIsEmpty(const TDoubleRect& r);
double RectWidth(const TDoubleRect& r);
double RectHeight(const TDoubleRect& r);
bool PointInRect(const TDoublePoint& p, const TDoubleRect& r);
TDoubleRect RectIntersect(const TDoubleRect& a, const TDoubleRect& b);
TDoubleRect RectUnion(const TDoubleRect& a, const TDoubleRect& b);

TDoubleRect PointsBounds(const std::vector<TDoublePoint>& points);
// Raises ERangeError when count > 0 and the run leaves the array.
TDoubleRect PointsRangeBounds(const std::vector<TDoublePoint>& points, long long start, long long count);

void IntRectNormalize(TRect& r);
// Raise EIntOverflow when the difference does not fit in 32 signed bits.
int IntRectWidth(const TRect& r);
int IntRectHeight(const TRect& r);
bool IntRectsOverlap(const TRect& a, const TRect& b);
