// Adding an interchange layer of 2,000,000 lat/long points to an Albers
// composition, beside merely reading the same file: the difference is the
// reprojection and the hand-over of the objects.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "geodata/MapInfoMIF.h"
#include "geodata/QMLayers.h"
#include "platform/NumberText.h"
#include "tests/support/RasterFiles.h"


namespace {

constexpr int kLines = 100000;
constexpr int kPointsPerLine = 20;

struct TBenchFiles : TTempFolder {
    TBenchFiles()
    {
        std::ofstream palette(Dir / "grey.qmp", std::ios::binary);
        for (int i = 0; i < 5 + 768; ++i) palette.put(static_cast<char>(i % 256));
        WriteIdrisiRaster(*this, "albers",
                          "file format : IDRISI Raster A.1\ndata type   : byte\n"
                          "file type   : binary\ncolumns     : 2\nrows        : 2\n"
                          "ref. system : alber-rus\nref. units  : m\nunit dist.  : 1\n"
                          "min. X      : 0\nmax. X      : 2\nmin. Y      : 0\nmax. Y      : 2\n"
                          "display min : 0\ndisplay max : 3\n",
                          CellBytes<std::uint8_t>({0, 1, 2, 3}));
        std::ofstream mif(Dir / "lines.mif", std::ios::binary);
        mif << "Version 300\nDelimiter \",\"\nCoordSys Earth Projection 1, 1001\nColumns 1\n  id Integer\nData\n";
        for (int line = 0; line < kLines; ++line) {
            mif << "Pline " << kPointsPerLine << "\n";
            for (int i = 0; i < kPointsPerLine; ++i)
                mif << FormatFixed(20 + (line % 1000) * 0.15 + i * 0.001, 6) << ' '
                    << FormatFixed(30 + (line / 1000) * 0.4 + i * 0.001, 6) << '\n';
            mif << "    Pen (1,2,0)\n";
        }
    }
};

const TBenchFiles& Files()
{
    static const TBenchFiles files;
    return files;
}

void BM_ReadMif(benchmark::State& state)
{
    const std::string mif = Files().Path("lines.mif");
    for (auto _ : state) {
        TMapinfoMIF reader;
        reader.Load(mif);
        benchmark::DoNotOptimize(reader.Objects.data());
    }
    state.SetItemsProcessed(state.iterations() * kLines * kPointsPerLine);
}
BENCHMARK(BM_ReadMif)->Unit(benchmark::kMillisecond);

void BM_AddMifLayerToAlbersComposition(benchmark::State& state)
{
    const std::string mif = Files().Path("lines.mif");
    for (auto _ : state) {
        TLayerList list;
        list.AddRasterLayer(Files().Path("albers.rst"), Files().Path("grey.qmp"), true, true, 1);
        PLayer layer = list.AddMifLayer(mif, 1, true);
        benchmark::DoNotOptimize(layer->Vector->Objects.data());
    }
    state.SetItemsProcessed(state.iterations() * kLines * kPointsPerLine);
}
BENCHMARK(BM_AddMifLayerToAlbersComposition)->Unit(benchmark::kMillisecond);

} // namespace
