#include "viewer/BandPainter.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "geodata/ObjectIndex.h"
#include "geodata/QMLayers.h"
#include "platform/CheckedMath.h"
#include "platform/ParallelFor.h"
#include "viewer/AreaStamps.h"
#include "viewer/LayerPainter.h"
#include "viewer/MView.h"

namespace {

// An object in view and the rows its drawing can reach.
struct TInView {
    std::size_t Index;
    std::int32_t Top;
    std::int32_t Bottom;
};
// The objects in view in the layer's order, in slices that were found on
// several cores and are read one after the other.
using TInViewSlices = std::vector<std::vector<TInView>>;

// How far beyond its points an outline can reach: a one-pixel outline one
// pixel, the painter's round joins half the pen's width, and Softedge's
// miters up to ten pen widths.
std::int32_t OutlineReach(std::int32_t width, bool miters)
{
    if (width <= 1) return 2;
    return (miters ? 10 : 1) * std::min(width, 1 << 20) + 3;
}

std::int32_t ReachOf(const VectorLayer& vector, const MapObject& object)
{
    if (object.ObjType == otLine) return OutlineReach(LineStyleOf(vector, object).lopnWidth.x, false);
    const TAreaStyle style = AreaStyleOf(vector, object);
    return OutlineReach(style.Outline.lopnWidth.x, FillsThroughSoftedge(style, AreaOpacityOf(vector)));
}

std::int32_t Widen(std::int32_t row, std::int64_t by)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{row} + by, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// The screen point of a layer point, computed as TLayerPainter's
// ScreenPoint computes it, operation for operation, with the pixel rounding
// (halves to even) done without a library call.
class TScreenMapping {
public:
    TScreenMapping(const TMView& view, const TAffineTransform& layerToMap)
        : LayerToMap(layerToMap), DocToView(view.GetDocToView()), OriginX(view.GetOriginX()),
          OriginY(view.GetOriginY()), Scale(view.GetScale()), Height(view.GetViewHeight()),
          Direct(IsIdentity(layerToMap) && IsIdentity(view.GetDocToView()))
    {
    }

    // Inlined: it runs for every point of every area in view.
    [[gnu::always_inline]] QPoint operator()(const TDoublePoint& p) const
    {
        if (Direct) return Pixel(p.x, p.y);
        const double mx = LayerToMap.a * p.x + LayerToMap.b * p.y + LayerToMap.e;
        const double my = LayerToMap.c * p.x + LayerToMap.d * p.y + LayerToMap.f;
        const double vx = DocToView.a * mx + DocToView.b * my + DocToView.e;
        const double vy = DocToView.c * mx + DocToView.d * my + DocToView.f;
        return Pixel(vx, vy);
    }

    TRect operator()(const TDoubleRect& r) const
    {
        const QPoint a = (*this)(TDoublePoint{r.X1, r.Y1});
        const QPoint b = (*this)(TDoublePoint{r.X2, r.Y2});
        return TRect{a.x(), a.y(), b.x(), b.y()};
    }

private:
    // The identity maps a finite coordinate onto itself (or a zero onto the
    // other zero, which rounds alike); a coordinate that is not finite ends
    // in the range error either way, as the other coordinate does not reach
    // its result.
    static bool IsIdentity(const TAffineTransform& t)
    {
        return t.a == 1 && t.b == 0 && t.c == 0 && t.d == 1 && t.e == 0 && t.f == 0;
    }

    [[gnu::always_inline]] QPoint Pixel(double vx, double vy) const
    {
        return QPoint(Round((vx - OriginX) * Scale), Round(Height - (vy - OriginY) * Scale));
    }

    // Adding and taking away 1.5 * 2^52 leaves a double of magnitude below
    // 2^51 rounded to an integer in the current rounding mode, as nearbyint
    // does; values beyond the 32-bit range take RoundToInt's error.
    [[gnu::always_inline]] static std::int32_t Round(double v)
    {
        constexpr double kShift = 6755399441055744.0;
        if (!(v > -2147483648.5 && v < 2147483647.5)) [[unlikely]]
            return RoundOutside(v);
        const double r = (v + kShift) - kShift;
        if (!(r >= -2147483648.0 && r <= 2147483647.0)) [[unlikely]]
            return RoundOutside(v);
        return static_cast<std::int32_t>(r);
    }
    [[gnu::noinline, gnu::cold]] static std::int32_t RoundOutside(double v) { return RoundToInt(v); }

    TAffineTransform LayerToMap;
    TAffineTransform DocToView;
    double OriginX, OriginY, Scale, Height;
    bool Direct;
};

// Layers this large find the objects in view through their index, made
// the first time a view showed less than an eighth of the objects; smaller
// ones are tested whole as fast.
constexpr std::size_t kIndexedLayer = 16384;
constexpr std::size_t kIndexedShare = 8;

// The layer units that the client shows, widened by a few pixels and a
// little more than the rounding of the inverted mapping can miss: both
// transforms keep the axes here.
TDoubleRect LayerArea(const TMView& view, const TAffineTransform& layerToMap, QSize client)
{
    constexpr double kMargin = 8;
    const TAffineTransform& d = view.GetDocToView();
    const auto toLayer = [&](double sx, double sy) {
        const double vx = sx / view.GetScale() + view.GetOriginX();
        const double vy = (view.GetViewHeight() - sy) / view.GetScale() + view.GetOriginY();
        const double mx = (vx - d.e) / d.a, my = (vy - d.f) / d.d;
        return TDoublePoint{(mx - layerToMap.e) / layerToMap.a, (my - layerToMap.f) / layerToMap.d};
    };
    const TDoublePoint a = toLayer(-kMargin, -kMargin);
    const TDoublePoint b = toLayer(client.width() + kMargin, client.height() + kMargin);
    const auto widen = [](double v, double sign) { return v + sign * std::abs(v) * 1e-12; };
    return TDoubleRect{widen(std::min(a.x, b.x), -1), widen(std::max(a.y, b.y), 1), widen(std::max(a.x, b.x), 1),
                       widen(std::min(a.y, b.y), -1)};
}

// The objects of a large layer that may be in view, in the layer's order;
// false when every object must be tested.
bool Candidates(const TMView& view, const Layer& layer, QSize client, const TScreenMapping& toScreen,
                std::vector<std::size_t>& candidates)
{
    const TObjectIndex* index = ObjectIndexIfMade(*layer.Vector);
    if (index == nullptr || !index->ObjectsMeeting(LayerArea(view, layer.LayerToMap, client), candidates))
        return false;
    // The objects left out lie in the extent: when it maps beyond 32-bit
    // pixels, the drawing fails as the test of each of them would.
    toScreen(index->Extent());
    return true;
}

// The objects whose screen bounds meet the client rectangle, the test of
// the one-pass drawing, in the layer's order; false when one of them is a
// point symbol.
bool ObjectsInView(const TMView& view, const Layer& layer, QSize client, TInViewSlices& found)
{
    const auto& objects = layer.Vector->Objects;
    const TRect clientRect{0, 0, client.width(), client.height()};
    const TScreenMapping toScreen(view, layer.LayerToMap);
    std::vector<std::size_t> candidates;
    const bool indexed = Candidates(view, layer, client, toScreen, candidates);
    const std::size_t count = indexed ? candidates.size() : objects.size();
    const std::size_t parts = std::max<std::size_t>(1, std::min(ParallelParts(), count / 4096));
    const std::size_t length = (count + parts - 1) / parts;
    found.assign(parts, {});
    std::vector<char> points(parts, 0);
    ParallelFor(parts, [&](std::size_t part) {
        const std::size_t end = std::min(count, (part + 1) * length);
        for (std::size_t k = part * length; k < end; ++k) {
            const std::size_t i = indexed ? candidates[k] : k;
            const MapObject& object = objects[i];
            const TRect s = toScreen(object.Bounds);
            if (!IntRectsOverlap(s, clientRect)) continue;
            if (object.ObjType == otPoint) {
                points[part] = 1;
                return;
            }
            if (object.ObjType != otLine && object.ObjType != otPolygon) continue;
            const std::int32_t reach = ReachOf(*layer.Vector, object);
            found[part].push_back(TInView{i, Widen(std::min(s.Top, s.Bottom), -reach), Widen(std::max(s.Top, s.Bottom), reach)});
        }
    });
    std::size_t inView = 0;
    for (const auto& slice : found) inView += slice.size();
    if (!indexed && objects.size() >= kIndexedLayer && inView * kIndexedShare < objects.size())
        ObjectIndexOf(*layer.Vector);
    return std::find(points.begin(), points.end(), 1) == points.end();
}

// Rows that cut the image into `count` bands of about as many objects each.
std::vector<int> BandEdges(const TInViewSlices& inView, std::size_t total, int height, std::size_t count)
{
    std::vector<std::size_t> perRow(static_cast<std::size_t>(height), 0);
    for (const auto& slice : inView)
        for (const TInView& object : slice) {
            const std::int64_t middle = (std::int64_t{object.Top} + object.Bottom) / 2;
            ++perRow[static_cast<std::size_t>(std::clamp<std::int64_t>(middle, 0, height - 1))];
        }
    std::vector<int> edges{0};
    std::size_t sum = 0;
    for (int row = 0; row < height; ++row) {
        sum += perRow[static_cast<std::size_t>(row)];
        if (sum * count >= total * edges.size() && edges.size() < count) edges.push_back(row + 1);
    }
    if (edges.back() != height) edges.push_back(height);
    return edges;
}

// Draws one band: the in-view objects that can reach it, in order.
class TBand {
public:
    // Draws into the rows of `image` (the client's) from `top` to before
    // `bottom`.
    TBand(QImage& image, int top, int bottom, const TMView& view, const Layer& layer, TStampStore& stamps)
        : Image(image), Top(top), Bottom(bottom), Painter(&Image), LayerPainter(Painter, view, image.size()),
          Vector(*layer.Vector), LayerToMap(layer.LayerToMap), ToScreen(view, layer.LayerToMap),
          BrushOrigin(MapBrushOrigin(view)), Stamps(stamps, image.size())
    {
        Painter.setClipRect(QRect(0, top, image.width(), bottom - top));
    }

    void Draw(const TInViewSlices& inView)
    {
        for (const auto& slice : inView)
            for (const TInView& entry : slice)
                if (entry.Bottom >= Top && entry.Top < Bottom) DrawObject(Vector.Objects[entry.Index]);
    }

private:
    void DrawObject(const MapObject& object)
    {
        if (object.ObjType == otLine)
            LayerPainter.DrawLineObject(object, LineStyleOf(Vector, object), LayerToMap);
        else
            DrawArea(object, AreaOpacityOf(Vector), AreaStyleOf(Vector, object));
    }

    // The area's rings in client pixels, each run of points on one pixel cut
    // to two: Qt's one-pixel outline ends otherwise after one such point than
    // after two, and more add nothing (the comparison tests hold both). False
    // when the counts do not fit the points or the area has fewer than 3
    // points in all, which is not drawn.
    bool RingsOf(const MapObject& object)
    {
        if (PointsInParts(object) < 3) return false;
        Screen.clear();
        Counts.clear();
        std::size_t start = 0;
        for (std::int32_t count : object.PartCounts) {
            std::int32_t kept = 0;
            for (std::size_t i = start; i < start + static_cast<std::size_t>(count); ++i) {
                const QPoint p = ToScreen(object.Points[i]);
                if (kept > 1 && Screen.back() == p && Screen[Screen.size() - 2] == p) continue;
                Screen.push_back(p);
                ++kept;
            }
            Counts.push_back(kept);
            start += static_cast<std::size_t>(count);
        }
        return true;
    }

    void DrawArea(const MapObject& object, std::int32_t opacity, const TAreaStyle& style)
    {
        if (!RingsOf(object)) return;
        if (!Stamps.Draw(Image, Top, Bottom, Screen, Counts, opacity, style, BrushOrigin))
            LayerPainter.DrawAreaRings(Screen, Counts, opacity, style);
    }

    QImage& Image;
    int Top;
    int Bottom;
    QPainter Painter;
    TLayerPainter LayerPainter;
    const VectorLayer& Vector;
    const TAffineTransform& LayerToMap;
    TScreenMapping ToScreen;
    QPoint BrushOrigin;
    TAreaStamps Stamps;
    std::vector<QPoint> Screen;
    std::vector<std::int32_t> Counts;
};

} // namespace

QImage* BandTarget(QPainter& painter, QSize client)
{
    auto* image = dynamic_cast<QImage*>(painter.device());
    if (image == nullptr || image->format() != QImage::Format_RGB32 || image->size() != client) return nullptr;
    if (!painter.transform().isIdentity() || painter.hasClipping()) return nullptr;
    return image;
}

bool DrawVectorLayerInBands(QImage& image, const TMView& view, const Layer& layer)
{
    if (layer.Kind != lkVector || layer.Vector == nullptr) return false;
    // Bounds map to screen bounds only through transforms that keep the axes.
    const TAffineTransform& t = layer.LayerToMap;
    const TAffineTransform& d = view.GetDocToView();
    if (t.b != 0 || t.c != 0 || d.b != 0 || d.c != 0) return false;
    TInViewSlices inView;
    if (!ObjectsInView(view, layer, image.size(), inView)) return false;
    std::size_t total = 0;
    for (const auto& slice : inView) total += slice.size();
    if (total == 0) return true;

    const std::vector<int> edges = BandEdges(inView, total, image.height(), 2 * ParallelWidth());
    uchar* bits = image.bits();
    TStampStore stamps;
    ParallelFor(edges.size() - 1, [&](std::size_t band) {
        const int top = edges[band], bottom = edges[band + 1];
        if (top >= bottom) return;
        // Each band paints through an image of its own over the shared
        // pixels, one image taking one painter at a time, clipped to its
        // rows: Qt draws alike with and without a clip, not so with a
        // translation.
        QImage shared(bits, image.width(), image.height(), image.bytesPerLine(), image.format());
        TBand(shared, top, bottom, view, layer, stamps).Draw(inView);
    });
    return true;
}
