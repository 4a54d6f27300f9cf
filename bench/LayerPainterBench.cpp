// Drawing a full-HD map: a 10000 x 10000 raster at fit and zoomed in 8
// times, 100,000 ten-point polygons at fit and zoomed in 10 times, opaque
// and half translucent, and 50,000 point symbols.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "geodata/FontTable.h"
#include "PolygonGrid.h"
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

} // namespace
