// Translucent two-ring polygons with a dashed outline on a full-HD image,
// the viewer's heaviest use of the library. Reports the time of one call
// for polygons about 40 pixels across (10,000 of them cover the image a few
// times over, as a dense layer does) and about 80 pixels across.
#include "softedge/Softedge.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kPolygons = 10000;
constexpr int kRingPoints = 25; // two rings: 50 points a polygon
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct TPolygons {
    std::vector<SoftedgePoint> points;
    std::vector<int32_t> counts;
};

// An irregular ring around a centre with a smaller ring inside it, scattered
// over the image; the same seed gives the same scene every run.
TPolygons MakePolygons(double outerRadius)
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> cx(0, kWidth - 1);
    std::uniform_int_distribution<int> cy(0, kHeight - 1);
    std::uniform_real_distribution<double> wobble(0.8, 1.2);
    TPolygons result;
    result.points.reserve(static_cast<std::size_t>(kPolygons) * 2 * kRingPoints);
    for (int i = 0; i < kPolygons; ++i) {
        const int x = cx(random);
        const int y = cy(random);
        for (double radius : {outerRadius, outerRadius * 0.4}) {
            for (int k = 0; k < kRingPoints; ++k) {
                const double angle = 2 * std::numbers::pi * k / kRingPoints;
                const double r = radius * wobble(random);
                result.points.push_back({x + static_cast<int32_t>(std::lround(r * std::cos(angle))),
                                         y + static_cast<int32_t>(std::lround(r * std::sin(angle)))});
            }
            result.counts.push_back(kRingPoints);
        }
    }
    return result;
}

void DrawScene(benchmark::State& state, bool initialised)
{
    const TPolygons scene = MakePolygons(static_cast<double>(state.range(0)));
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    if (initialised)
        SoftedgeInit();
    for (auto _ : state) {
        for (int i = 0; i < kPolygons; ++i) {
            const SoftedgePoint* points = scene.points.data() + static_cast<std::ptrdiff_t>(i) * 2 * kRingPoints;
            const int32_t* counts = scene.counts.data() + static_cast<std::ptrdiff_t>(i) * 2;
            benchmark::DoNotOptimize(
                QMPolyPolygon(&painter, points, counts, 2, 0x3080C0, 128, 0x202020, 1, 1));
        }
    }
    if (initialised)
        SoftedgeTerminate();
    state.counters["per_call"] = benchmark::Counter(static_cast<double>(state.iterations()) * kPolygons,
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The viewer's way: each call starts and stops drawing on its own.
void BM_PolyPolygonStartedPerCall(benchmark::State& state)
{
    DrawScene(state, false);
}

void BM_PolyPolygonAfterInit(benchmark::State& state)
{
    DrawScene(state, true);
}

} // namespace

// The argument is the outer radius in pixels.
BENCHMARK(BM_PolyPolygonStartedPerCall)->Arg(20)->Arg(40)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PolyPolygonAfterInit)->Arg(20)->Arg(40)->Unit(benchmark::kMillisecond)->UseRealTime();
