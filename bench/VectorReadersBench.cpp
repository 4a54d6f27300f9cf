// Reading speed of the vector readers beside the time to merely read the
// files' bytes: a MIF of 100,000 regions with 2,000,000 points and a ".vct"
// of 100,000 polygons of 50 points, both made here; and the open of the
// large polygon files that OGR wrote, beside OGR's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/GdalPython.h"
#include "bench/PolygonBenchFiles.h"
#include "geodata/IdrisiVCT.h"
#include "geodata/MapInfoMIF.h"
#include "platform/FileByteReader.h"
#include "platform/NumberText.h"
#include "platform/TextFile.h"

namespace {

constexpr int kObjects = 100000;

class TBenchFiles {
public:
    TBenchFiles()
    {
        Dir = std::filesystem::temp_directory_path() / ("qm-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(Dir);
        WriteMif();
        WriteVct();
    }
    ~TBenchFiles() { std::filesystem::remove_all(Dir); }

    std::string Mif() const { return (Dir / "regions.mif").string(); }
    std::string Vct() const { return (Dir / "polygons.vct").string(); }

private:
    void WriteMif() const
    {
        std::string text = "Version 300\nCharset \"Neutral\"\nDelimiter \",\"\n"
                           "CoordSys Earth Projection 1, 0\nColumns 1\n  id Integer\nData\n\n";
        for (int i = 0; i < kObjects; ++i) {
            double x0 = 20 + (i % 400) * 0.1, y0 = 40 + (i / 400) * 0.1;
            text += "Region 1\n  20\n";
            for (int k = 0; k < 20; ++k)
                text += FormatFixed(x0 + (k % 5) * 0.013571, 6) + " " + FormatFixed(y0 + (k / 5) * 0.021113, 6) + "\n";
            text += "    Pen (1,2,0)\n    Brush (2,16752640)\n";
        }
        std::ofstream(Mif(), std::ios::binary) << text;
        // The data file, which OGR wants beside the graphics.
        std::string rows;
        for (int i = 0; i < kObjects; ++i) rows += std::to_string(i) + "\n";
        std::ofstream((Dir / "regions.mid").string(), std::ios::binary) << rows;
    }
    void WriteVct() const
    {
        std::string bytes(261, '\0');
        std::int32_t count = kObjects;
        std::memcpy(&bytes[1], &count, 4);
        for (int i = 0; i < kObjects; ++i) {
            bytes.append(40, '\0');
            std::int32_t counts[3] = {1, 50, 50};
            bytes.append(reinterpret_cast<const char*>(counts), sizeof counts);
            for (int k = 0; k < 50; ++k) {
                double xy[2] = {1000.0 * i + k, 500.0 + k * 0.5};
                bytes.append(reinterpret_cast<const char*>(xy), sizeof xy);
            }
        }
        std::ofstream(Vct(), std::ios::binary) << bytes;
        std::ofstream((Dir / "polygons.vdc").string()) << "object type : polygon\nref. system : plane\n";
    }

    std::filesystem::path Dir;
};

const TBenchFiles& Files()
{
    static TBenchFiles files;
    return files;
}

// The whole file into one fresh buffer, as the MIF tokenizer reads it.
void ReadWholeFile(benchmark::State& state, const std::string& path)
{
    std::size_t size = 0;
    for (auto _ : state) {
        std::string bytes = ReadFileBytes(path);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// The file through one reused buffer, as the ".vct" reader reads it.
void StreamFile(benchmark::State& state, const std::string& path)
{
    std::uint64_t size = std::filesystem::file_size(path);
    std::vector<char> buffer(std::size_t(1) << 16);
    for (auto _ : state) {
        TFileByteReader file(path);
        while (file.Remaining() > 0) {
            std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), file.Remaining()));
            file.ReadBytes(buffer.data(), n);
        }
        benchmark::DoNotOptimize(buffer);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_MifBytesWhole(benchmark::State& state)
{
    ReadWholeFile(state, Files().Mif());
}

void BM_MifBytesStreamed(benchmark::State& state)
{
    StreamFile(state, Files().Mif());
}

void BM_MifLoad(benchmark::State& state)
{
    std::size_t size = std::filesystem::file_size(Files().Mif());
    for (auto _ : state) {
        TMapinfoMIF reader;
        reader.Load(Files().Mif());
        if (reader.Objects.size() != kObjects) state.SkipWithError("wrong object count");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// OGR reading the same file into memory: every feature's geometry kept.
void BM_OgrLoad(benchmark::State& state)
{
    RunTimedGdalPython(state, "ogr",
                       "ds = ogr.Open('" + Files().Mif() + "'); g = [f.GetGeometryRef().Clone() for f in ds.GetLayer(0)]; "
                       "assert len(g) == " + std::to_string(kObjects),
                       "OGR could not read the file");
}

// The interchange files that OGR wrote of 100,000 and 1,000,000 polygons
// (bench/PolygonBenchFiles.h): the reader's open, the one-core reading it
// replaces for large files, and OGR's open of the same file. scripts/bench
// runs each in a process of its own, for its peak memory, and in turns.
void LoadPolygons(benchmark::State& state, void (TMapinfoMIF::*load)(const std::string&))
{
    const std::string mif = polygon_bench::MifOfPolygons(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto reader = std::make_unique<TMapinfoMIF>();
        (*reader.*load)(mif);
        // Freeing the objects belongs to closing the layer, as OGR's timing
        // leaves out the end of its process.
        state.PauseTiming();
        if (reader->Objects.size() != static_cast<std::size_t>(state.range(0))) state.SkipWithError("wrong object count");
        reader.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * std::filesystem::file_size(mif)));
}

void BM_MifLoadPolygons(benchmark::State& state)
{
    LoadPolygons(state, &TMapinfoMIF::Load);
}

void BM_MifLoadOneCorePolygons(benchmark::State& state)
{
    LoadPolygons(state, &TMapinfoMIF::LoadOneCore);
}

void BM_OgrLoadPolygons(benchmark::State& state)
{
    const std::string mif = polygon_bench::MifOfPolygons(static_cast<int>(state.range(0)));
    RunTimedGdalPython(state, "ogr",
                       "ds = ogr.Open('" + mif + "'); g = [f.GetGeometryRef().Clone() for f in ds.GetLayer(0)]; "
                       "assert len(g) == " + std::to_string(state.range(0)),
                       "OGR could not read the file");
}

void BM_VctBytesWhole(benchmark::State& state)
{
    ReadWholeFile(state, Files().Vct());
}

void BM_VctBytesStreamed(benchmark::State& state)
{
    StreamFile(state, Files().Vct());
}

void BM_VctOpen(benchmark::State& state)
{
    std::size_t size = std::filesystem::file_size(Files().Vct());
    for (auto _ : state) {
        TIdrisiVCT reader;
        if (!reader.Open(Files().Vct()) || reader.Objects.size() != kObjects) state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

} // namespace

BENCHMARK(BM_MifBytesWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MifBytesStreamed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MifLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);
BENCHMARK(BM_OgrLoad)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_MifLoadPolygons)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_MifLoadOneCorePolygons)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_OgrLoadPolygons)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_VctBytesWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VctBytesStreamed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VctOpen)->Unit(benchmark::kMillisecond);
