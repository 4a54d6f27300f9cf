// Forward and inverse Albers over a million points spread over the map.
#include <benchmark/benchmark.h>

#include <numbers>
#include <vector>

#include "geodata/Alberts.h"

namespace {

constexpr int kPoints = 1000000;
constexpr double kDeg = std::numbers::pi / 180;

std::vector<double> GridLongitudes()
{
    std::vector<double> v(kPoints);
    for (int i = 0; i < kPoints; ++i) v[i] = (20 + (i % 1000) * 0.16) * kDeg;
    return v;
}

std::vector<double> GridLatitudes()
{
    std::vector<double> v(kPoints);
    for (int i = 0; i < kPoints; ++i) v[i] = (30 + (i / 1000) * 0.05) * kDeg;
    return v;
}

void BM_GeoToAlbers(benchmark::State& state)
{
    std::vector<double> lon = GridLongitudes(), lat = GridLatitudes();
    double x = 0, y = 0;
    for (auto _ : state) {
        for (int i = 0; i < kPoints; ++i) {
            GeoToAlbers(lon[i], lat[i], x, y);
            benchmark::DoNotOptimize(x);
            benchmark::DoNotOptimize(y);
        }
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_GeoToAlbers)->Unit(benchmark::kMillisecond);

void BM_AlbersToGeo(benchmark::State& state)
{
    std::vector<double> xs(kPoints), ys(kPoints);
    std::vector<double> lon = GridLongitudes(), lat = GridLatitudes();
    for (int i = 0; i < kPoints; ++i) GeoToAlbers(lon[i], lat[i], xs[i], ys[i]);
    double a = 0, b = 0;
    for (auto _ : state) {
        for (int i = 0; i < kPoints; ++i) {
            AlbersToGeo(xs[i], ys[i], a, b);
            benchmark::DoNotOptimize(a);
            benchmark::DoNotOptimize(b);
        }
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_AlbersToGeo)->Unit(benchmark::kMillisecond);

} // namespace
