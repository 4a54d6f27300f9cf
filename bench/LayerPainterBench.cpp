// Drawing a full-HD map: a 10000 x 10000 raster at fit and zoomed in 8
// times, 100,000 ten-point polygons at fit and zoomed in 10 times, opaque
// and half translucent, and 50,000 point symbols; the large interchange
// layers that OGR writes redrawn in four styles beside a plain QPainter
// drawing of the same screen points.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "bench/PolygonBenchFiles.h"
#include "bench/PolygonGrid.h"
#include "geodata/FontTable.h"
#include "geodata/MapInfoMIF.h"
#include "geodata/QMLayers.h"
#include "viewer/LayerPainter.h"
#include "viewer/MView.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

TMView FittedView(const TDoubleRect& extent, double zoom)
{
    TMView view;
    view.SetClientSize(kWidth, kHeight);
    view.ResetView(extent, true);
    const double previous = view.GetScale();
    view.SetView(previous * zoom, view.GetOriginX(), view.GetOriginY());
    view.ZoomKeepCentre(previous);
    view.SetViewHeight(kHeight);
    return view;
}

void BM_Raster(benchmark::State& state)
{
    constexpr int kSide = 10000;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(kSide) * kSide);
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c) bits[static_cast<std::size_t>(r) * kSide + c] = static_cast<std::uint8_t>((r / 37 + c / 41) & 0xFF);
    std::array<std::uint32_t, 256> colors{};
    for (int i = 0; i < 256; ++i) colors[i] = static_cast<std::uint32_t>(i * 0x010203) & 0xFFFFFF;
    TRasterImage image{bits.data(), kSide, kSide, kSide, colors.data(), TDoubleRect{0, kSide, kSide, 0}};
    const TMView view = FittedView(image.Bounds, static_cast<double>(state.range(0)));
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&target);
        painter.fillRect(target.rect(), Qt::white);
        TLayerPainter(painter, view, target.size()).DrawRasterImage(image, TAffineTransform{}, TAffineTransform{});
    }
}
BENCHMARK(BM_Raster)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

// 100,000 rings with ten points each on a 400 x 250 grid of cells.
std::shared_ptr<Layer> PolygonLayer(std::int16_t opacity)
{
    return PolygonGridLayer(100000, 400, opacity);
}

void BM_Polygons(benchmark::State& state)
{
    const auto layer = PolygonLayer(static_cast<std::int16_t>(state.range(1)));
    const TMView view = FittedView(TDoubleRect{0, 2500, 4000, 0}, static_cast<double>(state.range(0)));
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&target);
        painter.fillRect(target.rect(), Qt::white);
        TLayerPainter(painter, view, target.size()).DrawVectorLayer(*layer);
    }
}
BENCHMARK(BM_Polygons)->Args({1, 255})->Args({10, 255})->Args({1, 128})->Args({10, 128})->Unit(benchmark::kMillisecond);

void BM_Symbols(benchmark::State& state)
{
    PLayer layer = EmptyVectorLayer();
    const TPointStyle style{110, 6, RGB(0, 0, 200), FontIndex("Wingdings")};
    for (int i = 0; i < 50000; ++i) {
        MapObject object;
        object.ObjType = otPoint;
        object.Points = {{(i % 250) * 16.0, (i / 250) * 16.0}};
        object.PartCounts = {1};
        object.Bounds = PointsBounds(object.Points);
        CalcPartBounds(object);
        object.Style.Set(style);
        layer->Vector->Objects.push_back(std::move(object));
    }
    const TMView view = FittedView(TDoubleRect{0, 3200, 4000, 0}, 1);
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&target);
        painter.fillRect(target.rect(), Qt::white);
        TLayerPainter(painter, view, target.size()).DrawVectorLayer(*layer);
    }
}
BENCHMARK(BM_Symbols)->Unit(benchmark::kMillisecond);

// The large layers, read once per run: the interchange files of 100,000
// and 1,000,000 polygons.
PLayer LargeLayer(int count)
{
    static std::map<int, PLayer> layers;
    PLayer& layer = layers[count];
    if (!layer) {
        TMapinfoMIF reader;
        reader.Load(polygon_bench::MifOfPolygons(count));
        layer = EmptyVectorLayer();
        layer->Vector->Objects = std::move(reader.Objects);
    }
    return layer;
}

TDoubleRect ExtentOf(const Layer& layer)
{
    TDoubleRect extent = layer.Vector->Objects.front().Bounds;
    for (const MapObject& object : layer.Vector->Objects) extent = RectUnion(extent, object.Bounds);
    return extent;
}

// The four styles users compare: the file's own; a half-translucent solid
// custom area; hatched over an opaque background; a dashed 3 px outline.
void UseStyle(VectorLayer& layer, int style)
{
    layer.UseCustom = style == 0 ? 0 : 1;
    TAreaStyle area;
    area.Outline = TLogPen{PS_SOLID, TPoint{1, 0}, RGB(0, 0, 0)};
    area.Brush = TLogBrush{BS_SOLID, RGB(200, 30, 30), 0};
    layer.CustomOpacity = 255;
    if (style == 1) layer.CustomOpacity = 128;
    if (style == 2) {
        area.Brush = TLogBrush{BS_HATCHED, RGB(0, 0, 160), HS_DIAGCROSS};
        area.BackMode = OPAQUE;
        area.BackColor = RGB(255, 255, 180);
    }
    if (style == 3) {
        area.Outline = TLogPen{PS_DASH, TPoint{3, 0}, RGB(0, 90, 0)};
        area.Brush.lbStyle = BS_HOLLOW;
    }
    layer.CustomArea = area;
}

// The screen points of every ring of every area, as the map places them.
std::vector<QPolygon> ScreenRings(const Layer& layer, const TMView& view)
{
    std::vector<QPolygon> rings;
    for (const MapObject& object : layer.Vector->Objects) {
        std::size_t start = 0;
        for (std::int32_t count : object.PartCounts) {
            QPolygon ring(count);
            for (std::int32_t i = 0; i < count; ++i) {
                const TPoint p = view.DocToScreen(object.Points[start + i], kHeight);
                ring.setPoint(i, p.x, p.y);
            }
            rings.push_back(std::move(ring));
            start += static_cast<std::size_t>(count);
        }
    }
    return rings;
}

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Arguments: polygons, zoom, style. One repetition redraws the layer as the
// map window does, several times when a redraw is short, and draws the same
// screen points with plain QPainter drawPolygon calls (solid brush, one-pixel
// pen) once, interleaved; the ratio is that repetition's median redraw over
// its plain drawing.
void BM_Redraw(benchmark::State& state)
{
    const PLayer layer = LargeLayer(static_cast<int>(state.range(0)));
    UseStyle(*layer->Vector, static_cast<int>(state.range(2)));
    TLayerList layers;
    layers.InsertFirst(layer);
    const TMView view = FittedView(ExtentOf(*layer), static_cast<double>(state.range(1)));
    const std::vector<QPolygon> rings = ScreenRings(*layer, view);
    QImage target(kWidth, kHeight, QImage::Format_RGB32);
    double redraw = 0, plain = 0;
    const auto renderOnce = [&] {
        QPainter painter(&target);
        RenderLayers(painter, target.size(), view, layers, Qt::white);
    };
    for (auto _ : state) {
        const double once = Seconds(renderOnce);
        std::vector<double> times{once};
        while (times.size() < 9 && once * static_cast<double>(times.size()) < 0.3) times.push_back(Seconds(renderOnce));
        std::sort(times.begin(), times.end());
        redraw = times[times.size() / 2];
        plain = Seconds([&] {
            QPainter painter(&target);
            painter.fillRect(target.rect(), Qt::white);
            painter.setPen(QPen(Qt::black, 1));
            painter.setBrush(QColor(200, 30, 30));
            for (const QPolygon& ring : rings) painter.drawPolygon(ring);
        });
        state.SetIterationTime(redraw);
    }
    state.counters["plain_s"] = plain;
    state.counters["ratio"] = redraw / plain;
}
BENCHMARK(BM_Redraw)
    ->ArgsProduct({{100000, 1000000}, {1, 10}, {0, 1, 2, 3}})
    ->ArgNames({"polygons", "zoom", "style"})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5);

} // namespace
