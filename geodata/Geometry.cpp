#include "geodata/Geometry.h"

#include <algorithm>
#include <utility>

#include "platform/CheckedMath.h"
#include "platform/RuntimeErrors.h"

namespace {

// min and max compare with "less than" only, so ties and NaN give the same
// edges that callers and stored extents rely on.
double Min(double p, double q) { return p >= q ? q : p; }
double Max(double p, double q) { return p <= q ? q : p; }

} // namespace

TAffineTransform ScaleTransform(double s)
{
    return TAffineTransform{s, 0, 0, s, 0, 0};
}

TAffineTransform InvertTransform(const TAffineTransform& t)
{
    double det = t.a * t.d - t.c * t.b;
    // A singular transform has no inverse: callers expect the division fault
    // that the floating-point unit does not raise here.
    if (det == 0) throw EZeroDivide();
    return TAffineTransform{t.d / det,
                            -t.b / det,
                            -t.c / det,
                            t.a / det,
                            (t.b * t.f - t.d * t.e) / det,
                            (t.c * t.e - t.a * t.f) / det};
}

TDoublePoint TransformPoint(const TAffineTransform& t, const TDoublePoint& p)
{
    return TDoublePoint{t.a * p.x + t.b * p.y + t.e, t.c * p.x + t.d * p.y + t.f};
}

TDoubleRect TransformRect(const TAffineTransform& t, const TDoubleRect& r)
{
    TDoublePoint p1 = TransformPoint(t, {r.X1, r.Y1});
    TDoublePoint p2 = TransformPoint(t, {r.X2, r.Y2});
    return TDoubleRect{p1.x, p1.y, p2.x, p2.y};
}

void RectNormalize(TDoubleRect& r)
{
    if (r.X1 > r.X2) std::swap(r.X1, r.X2);
    if (r.Y1 < r.Y2) std::swap(r.Y1, r.Y2);
}

bool RectIsEmpty(const TDoubleRect& r)
{
    return r.X2 <= r.X1 || r.Y1 <= r.Y2;
}

double RectWidth(const TDoubleRect& r)
{
    return r.X2 - r.X1;
}

double RectHeight(const TDoubleRect& r)
{
    double h = r.Y2 - r.Y1;
    return h < 0 ? -h : h;
}

bool PointInRect(const TDoublePoint& p, const TDoubleRect& rect)
{
    TDoubleRect r = rect;
    RectNormalize(r);
    return r.X1 <= p.x && p.x <= r.X2 && r.Y2 <= p.y && p.y <= r.Y1;
}

TDoubleRect RectIntersect(const TDoubleRect& a, const TDoubleRect& b)
{
    return TDoubleRect{Max(a.X1, b.X1), Min(a.Y1, b.Y1), Min(a.X2, b.X2), Max(a.Y2, b.Y2)};
}

TDoubleRect RectUnion(const TDoubleRect& a, const TDoubleRect& b)
{
    return TDoubleRect{Min(a.X1, b.X1), Max(a.Y1, b.Y1), Max(a.X2, b.X2), Min(a.Y2, b.Y2)};
}

TDoubleRect PointsBounds(const std::vector<TDoublePoint>& points)
{
    return PointsRangeBounds(points, 0, static_cast<long long>(points.size()));
}

TDoubleRect PointsRangeBounds(const std::vector<TDoublePoint>& points, long long start, long long count)
{
    if (count <= 0) return TDoubleRect{};
    long long size = static_cast<long long>(points.size());
    if (start < 0 || start >= size || count > size - start) throw ERangeError();
    long long last = start + count - 1;
    const TDoublePoint& first = points[static_cast<std::size_t>(start)];
    TDoubleRect r{first.x, first.y, first.x, first.y};
    for (long long i = start + 1; i <= last; ++i) {
        const TDoublePoint& p = points[static_cast<std::size_t>(i)];
        r.X1 = Min(r.X1, p.x);
        r.X2 = Max(r.X2, p.x);
        r.Y1 = Max(r.Y1, p.y);
        r.Y2 = Min(r.Y2, p.y);
    }
    return r;
}

void IntRectNormalize(TRect& r)
{
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
}

int IntRectWidth(const TRect& r)
{
    return CheckedSub(r.Right, r.Left);
}

int IntRectHeight(const TRect& r)
{
    return CheckedAbs(CheckedSub(r.Bottom, r.Top));
}

bool IntRectsOverlap(const TRect& a, const TRect& b)
{
    return std::max(a.Left, b.Left) <= std::min(a.Right, b.Right) &&
           std::max(a.Top, b.Top) <= std::min(a.Bottom, b.Bottom);
}
