// The layers drawn in bands on every core against the one-pass drawing of
// TLayerPainter, object after object, pixel for pixel, over a table of
// layers, styles and views.
#include "viewer/BandPainter.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>

#include "platform/RuntimeErrors.h"
#include "tests/viewer/MapLayers.h"
#include "viewer/LayerPainter.h"
#include "viewer/MView.h"

using namespace maptest;

namespace {

constexpr int kWidth = 333;
constexpr int kHeight = 211;
const TDoubleRect kExtent{0, 60, 100, 0};

// Uniform numbers of our own making, the same with every library.
class TRandom {
public:
    explicit TRandom(std::uint32_t seed) : Engine(seed) {}
    double Unit() { return static_cast<double>(Engine()) / 4294967296.0; }
    double Between(double low, double high) { return low + (high - low) * Unit(); }

private:
    std::mt19937 Engine;
};

std::vector<TDoublePoint> Ring(TRandom& random, double cx, double cy, double radius, int points, bool hole)
{
    std::vector<TDoublePoint> ring;
    for (int k = 0; k < points; ++k) {
        const double angle = (hole ? -1.0 : 1.0) * 2 * M_PI * k / points;
        const double r = radius * (0.7 + 0.3 * random.Unit());
        ring.push_back({cx + r * std::cos(angle), cy + r * std::sin(angle)});
    }
    ring.push_back(ring.front());
    return ring;
}

// The object styles of a layer "as the file has them", cycled over its
// objects: solid, hatched over an opaque and a transparent background,
// hollow with dashes, without an outline, with wide and one-pixel pens.
TAreaStyle OwnStyle(std::size_t i)
{
    TAreaStyle style = SolidArea(RGB(40 + i % 7 * 30, 200 - i % 5 * 30, 90), PS_SOLID, RGB(0, 0, 0));
    switch (i % 9) {
    case 1: style.Brush = TLogBrush{BS_HATCHED, RGB(0, 0, 200), static_cast<std::uint32_t>(i / 9 % 6)};
        style.BackMode = OPAQUE;
        style.BackColor = RGB(250, 240, 100);
        break;
    case 2: style.Brush = TLogBrush{BS_HATCHED, RGB(200, 0, 0), static_cast<std::uint32_t>(i / 9 % 6)};
        style.BackMode = TRANSPARENT;
        break;
    case 3: style.Brush.lbStyle = BS_HOLLOW;
        style.Outline = TLogPen{PS_DASH, TPoint{3, 0}, RGB(0, 90, 0)};
        break;
    case 4: style.Outline.lopnStyle = PS_NULL; break;
    case 5: style.Outline = TLogPen{PS_DASHDOT, TPoint{2, 0}, RGB(120, 0, 120)}; break;
    case 6: style.Outline.lopnWidth.x = 0; break;
    case 7: style.Outline = TLogPen{PS_SOLID, TPoint{6, 0}, RGB(90, 60, 30)}; break;
    default: break;
    }
    return style;
}

// Parcels as a national layer has them, small and large, one in ten with a
// hole: at fit most are a pixel or two across.
std::vector<MapObject> Parcels(int count)
{
    TRandom random(20261209);
    std::vector<MapObject> objects;
    const int columns = static_cast<int>(std::ceil(std::sqrt(count * 100.0 / 60.0)));
    const double cell = 100.0 / columns;
    for (int i = 0; i < count; ++i) {
        const double cx = (i % columns + 0.25 + 0.5 * random.Unit()) * cell;
        const double cy = (i / columns + 0.25 + 0.5 * random.Unit()) * cell;
        const double radius = cell * (i % 3 == 0 ? 0.15 : 0.45);
        std::vector<std::vector<TDoublePoint>> rings{
            Ring(random, cx, cy, radius, static_cast<int>(random.Between(7, 30)), false)};
        if (i % 10 == 0) rings.push_back(Ring(random, cx, cy, radius * 0.35, 9, true));
        objects.push_back(AreaObject(rings, OwnStyle(static_cast<std::size_t>(i))));
    }
    return objects;
}

// Shapes that test the drawing's corners: rings that fold onto themselves,
// a star whose points fall together at fit, several parts with holes,
// objects across the map's and the image's edges, areas of one point and of
// two, and a ring of repeated points.
std::vector<MapObject> Shapes()
{
    std::vector<std::vector<std::vector<TDoublePoint>>> shapes = {
        {{{10, 10}, {30, 30}, {30, 10}, {10, 30}, {10, 10}}},                        // bow tie
        {{{40, 5}, {40.01, 5}, {40.01, 5.01}, {40, 5}}},                              // a speck
        {{{50, 50}, {50, 50}, {50, 50}, {50, 50}}},                                   // one point
        {{{60, 50}, {61, 51}}},                                                       // two points: not drawn
        {Square(-20, -10, 15, 12), Square(-5, 0, 5, 8)},                              // across the corner, a hole
        {Square(90, 40, 130, 75), Square(70, 45, 80, 55), Square(72, 47, 78, 53)},  // parts beyond the edge
        {{{20, 40}, {20, 40}, {22, 40}, {22, 40}, {22, 42}, {22, 42}, {20, 40}}},   // repeated points
        {{{0, 20}, {100, 21}, {0, 22}, {100, 23}, {0, 24}, {0, 20}}},                 // folded across the map
        {{{45, 30}, {45.05, 30.3}, {45.1, 30}, {45.4, 30.05}, {45.1, 30.1}, {45.05, 30.4}, {45, 30.1},
          {44.7, 30.05}, {45, 30}}},                                                  // a star of a pixel or two
        {Square(-1000, -1000, 1000, 1000), Square(33, 25, 37, 29)},                  // everything but a window
    };
    std::vector<MapObject> objects;
    for (std::size_t i = 0; i < shapes.size(); ++i) objects.push_back(AreaObject(shapes[i], OwnStyle(i)));
    // The window's surround drawn first, so the rest shows on it.
    std::rotate(objects.begin(), objects.end() - 1, objects.end());
    return objects;
}

std::vector<MapObject> Lines()
{
    TRandom random(7);
    std::vector<MapObject> objects;
    for (int i = 0; i < 300; ++i) {
        std::vector<std::vector<TDoublePoint>> parts(1 + i % 3);
        for (auto& part : parts) {
            TDoublePoint p{random.Between(-5, 105), random.Between(-5, 65)};
            for (int k = 0; k < 2 + i % 12; ++k) {
                part.push_back(p);
                p.x += random.Between(-3, 3) * (i % 4 == 0 ? 0.05 : 1);
                p.y += random.Between(-3, 3) * (i % 4 == 0 ? 0.05 : 1);
            }
        }
        MapObject line = MakeObject(otLine, parts);
        line.Style.Set(TLineStyle{static_cast<std::uint32_t>(i % 6), TPoint{i % 5, 0}, RGB(i % 256, 50, 200)});
        objects.push_back(std::move(line));
    }
    return objects;
}

struct TLayerRow {
    const char* Name;
    std::function<std::vector<MapObject>()> Make;
    TAffineTransform LayerToMap{};
};

struct TStyleRow {
    const char* Name;
    std::function<void(VectorLayer&)> Apply;
};

void UseCustom(VectorLayer& layer, const TAreaStyle& area, std::int16_t opacity)
{
    layer.UseCustom = 1;
    layer.CustomArea = area;
    layer.CustomOpacity = opacity;
    layer.CustomLine = area.Outline;
}

const TStyleRow kStyles[] = {
    {"the file's own", [](VectorLayer&) {}},
    {"the file's own, translucent", [](VectorLayer& l) { l.DefaultOpacity = 100; }},
    {"half translucent, solid outline",
     [](VectorLayer& l) { UseCustom(l, SolidArea(RGB(200, 30, 30), PS_SOLID, RGB(0, 0, 0)), 128); }},
    {"translucent, wide dashes",
     [](VectorLayer& l) {
         TAreaStyle style = SolidArea(RGB(30, 30, 200), PS_DASHDOTDOT, RGB(0, 120, 0));
         style.Outline.lopnWidth.x = 3;
         UseCustom(l, style, 77);
     }},
    {"hatched, opaque background",
     [](VectorLayer& l) {
         TAreaStyle style = SolidArea(RGB(0, 0, 0), PS_SOLID, RGB(150, 0, 0));
         style.Brush = TLogBrush{BS_HATCHED, RGB(0, 0, 160), HS_DIAGCROSS};
         style.BackMode = OPAQUE;
         style.BackColor = RGB(255, 255, 180);
         UseCustom(l, style, 255);
     }},
    {"dashed 3 px outline",
     [](VectorLayer& l) {
         TAreaStyle style = SolidArea(RGB(0, 0, 0), PS_DASH, RGB(20, 20, 20));
         style.Brush.lbStyle = BS_HOLLOW;
         style.Outline.lopnWidth.x = 3;
         UseCustom(l, style, 255);
     }},
};

struct TViewRow {
    const char* Name;
    double Zoom;
    // The centre of the view in map units; none keeps the fitted centre.
    std::optional<TDoublePoint> Centre;
};

const TViewRow kViews[] = {
    {"fitted", 1, std::nullopt},
    {"zoomed 10x", 10, std::nullopt},
    {"zoomed far in on a boundary", 400, TDoublePoint{10.0, 10.05}},
    {"moved, partly off the map", 2, TDoublePoint{95, 5}},
    {"zoomed out", 0.4, std::nullopt},
};

TMView ViewOf(const TViewRow& row)
{
    TMView view;
    view.SetClientSize(kWidth, kHeight);
    view.ResetView(kExtent, true);
    const double scale = view.GetScale() * row.Zoom;
    if (row.Centre)
        view.SetView(scale, row.Centre->x - kWidth / 2.0 / scale, row.Centre->y - kHeight / 2.0 / scale);
    else {
        const double previous = view.GetScale();
        view.SetView(scale, view.GetOriginX(), view.GetOriginY());
        view.ZoomKeepCentre(previous);
    }
    view.SetViewHeight(kHeight);
    return view;
}

// A striped ground, so translucent fills blend over more than one colour.
QImage Ground()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int x = 0; x < kWidth; x += 10) painter.fillRect(QRect(x, 0, 5, kHeight), QColor(90, 160, 220));
    return image;
}

// The pixels where two images differ, and the first of them.
std::string Differences(const QImage& expected, const QImage& actual)
{
    int count = 0;
    std::string first;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (expected.pixel(x, y) != actual.pixel(x, y) && count++ == 0)
                first = " first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return count == 0 ? "" : std::to_string(count) + " pixels differ," + first;
}

// Where the layer drawn in bands differs from its one-pass drawing; a
// layer the bands refuse differs everywhere.
std::string BandDifferences(const Layer& layer, const TMView& view)
{
    QImage expected = Ground();
    {
        QPainter painter(&expected);
        TLayerPainter(painter, view, expected.size()).DrawVectorLayer(layer);
    }
    QImage actual = Ground();
    {
        QPainter painter(&actual);
        QImage* target = BandTarget(painter, actual.size());
        if (target == nullptr || !DrawVectorLayerInBands(*target, view, layer)) return "not drawn in bands";
    }
    return Differences(expected, actual);
}

} // namespace

TEST(BandPainting, EveryPixelAsTheOnePassDrawing)
{
    const TLayerRow layers[] = {
        {"parcels", [] { return Parcels(6000); }},
        {"shapes", Shapes},
        {"lines", Lines},
        {"parcels scaled into the map", [] { return Parcels(1500); }, TAffineTransform{0.5, 0, 0, 0.5, 25, 15}},
    };
    for (const TLayerRow& layerRow : layers) {
        const std::vector<MapObject> objects = layerRow.Make();
        for (const TStyleRow& style : kStyles) {
            PLayer layer = VectorLayerOf(objects);
            layer->LayerToMap = layerRow.LayerToMap;
            style.Apply(*layer->Vector);
            for (const TViewRow& viewRow : kViews)
                EXPECT_EQ(BandDifferences(*layer, ViewOf(viewRow)), "")
                    << layerRow.Name << ", " << style.Name << ", " << viewRow.Name;
        }
    }
}

// A layer large enough to be found through its index of bounds, with
// shapes the index cannot place in a cell, seen in part.
TEST(BandPainting, LargeLayersDrawAsInOnePass)
{
    std::vector<MapObject> objects = Shapes();
    objects[1].Bounds = TDoubleRect{30, 10, 10, 30}; // not normalised
    for (MapObject& parcel : Parcels(17000)) objects.push_back(std::move(parcel));
    const PLayer layer = VectorLayerOf(objects);
    // The first view tests every object and makes the index the others use.
    for (const TViewRow& viewRow : {kViews[1], kViews[1], kViews[2], kViews[3]})
        EXPECT_EQ(BandDifferences(*layer, ViewOf(viewRow)), "") << viewRow.Name;
}

namespace {

// The one-pass drawing of a whole list, as the map drew it before bands:
// every visible layer, the last first, each object after the other.
QImage OnePass(const TLayerList& layers, const TMView& view)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TLayerPainter layerPainter(painter, view, image.size());
    for (std::int32_t i = layers.Count() - 1; i >= 0; --i) {
        const Layer& layer = *layers.Items(i);
        if (layer.Visible <= 0) continue;
        if (layer.Kind == lkRaster)
            layerPainter.DrawRasterLayer(layer);
        else
            layerPainter.DrawVectorLayer(layer);
    }
    return image;
}

} // namespace

// The map window and the bitmap export draw through RenderLayers: a raster
// under translucent parcels, lines on top, a hidden layer and a layer of
// point symbols, which is drawn in one pass.
TEST(BandPainting, ListsDrawAsInOnePass)
{
    TScratchFolder folder;
    TLayerList layers;
    const std::string raster = folder.WriteRaster<std::uint8_t>("band", "byte", {1, 60, 120, 200});
    PLayer rasterLayer = layers.AddRasterLayer(raster, folder.GreyPalette(), true, true, 1);
    rasterLayer->LayerToMap = TAffineTransform{25, 0, 0, 60, 0, 0};
    rasterLayer->MapToLayer = TAffineTransform{1.0 / 25, 0, 0, 1.0 / 60, 0, 0};
    PLayer parcels = VectorLayerOf(Parcels(3000));
    parcels->Vector->DefaultOpacity = 90;
    AddOnTop(layers, parcels);
    AddOnTop(layers, VectorLayerOf(Lines()));
    AddOnTop(layers, VectorLayerOf(Shapes(), 0));
    MapObject point = MakeObject(otPoint, {{{50, 30}}});
    point.Style.Set(TPointStyle{110, 6, RGB(0, 0, 200), 0});
    AddOnTop(layers, VectorLayerOf({point}));
    for (const TViewRow& row : kViews) {
        const TMView view = ViewOf(row);
        EXPECT_EQ(Differences(OnePass(layers, view), RenderedList(layers, view, QSize(kWidth, kHeight))), "") << row.Name;
    }
}

// Zoomed so far in that the map's far side lies beyond 32-bit pixels, the
// drawing stops with the range error of the one-pass drawing.
TEST(BandPainting, PixelsBeyondThirtyTwoBitsFailAsInOnePass)
{
    PLayer layer = VectorLayerOf(Parcels(200));
    const TMView view = ViewOf(TViewRow{"zoomed beyond 32 bits", 1e9, TDoublePoint{1, 1}});
    QImage expected = Ground();
    QPainter expectedPainter(&expected);
    EXPECT_THROW(TLayerPainter(expectedPainter, view, expected.size()).DrawVectorLayer(*layer), ERangeError);
    QImage actual = Ground();
    QPainter actualPainter(&actual);
    EXPECT_THROW(DrawVectorLayerInBands(*BandTarget(actualPainter, actual.size()), view, *layer), ERangeError);
}
