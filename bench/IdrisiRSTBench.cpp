// Opening big rasters from the page cache: the image build, Open as a whole,
// and, for comparison, merely reading the ".rst" bytes. Counters report
// cells per second, the peak memory the open adds per cell and the peak of
// the whole process. Each raster is written when a benchmark first needs it,
// so a run of one benchmark costs only its own file: scripts/bench opens the
// 30000 x 30000 raster in a process of its own under an address-space limit.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/GdalPython.h"
#include "bench/Warmup.h"
#include "geodata/IdrisiRST.h"
#include "platform/FileByteReader.h"
#include "tests/support/TempFolder.h"


namespace {

struct TBenchRaster {
    std::string Rst;
    std::int64_t Cells = 0;
};

class TBenchFolder : public TTempFolder {
public:
    TBenchFolder()
    {
        // 256 distinct colours: 256 legend bins, as with the default palette.
        std::string palette = "HEAD!";
        for (int i = 0; i < 256; ++i) palette += {char(i), char(255 - i), char(7)};
        std::ofstream(Dir / "pal.qmp", std::ios::binary) << palette;
    }

    std::string Palette() const { return (Dir / "pal.qmp").string(); }
    const TBenchRaster& Real()
    {
        static TBenchRaster real = Write("real8000", "real", 8000, 8000, [](std::int64_t r, std::int64_t c, char* out) {
            float v = static_cast<float>(1000 * std::sin(r * 0.001) * std::cos(c * 0.0013) + 0.25 * c);
            std::memcpy(out, &v, 4);
        });
        return real;
    }
    const TBenchRaster& Byte() { return ByteRaster<10000, 20000>(); }
    const TBenchRaster& HugeByte() { return ByteRaster<30000, 30000>(); }

private:
    template <std::int64_t Rows, std::int64_t Columns>
    const TBenchRaster& ByteRaster()
    {
        static TBenchRaster raster =
            Write("byte" + std::to_string(Columns) + "x" + std::to_string(Rows), "byte", Rows, Columns,
                  [](std::int64_t r, std::int64_t c, char* out) { *out = static_cast<char>((r / 97 + c / 89) % 250); });
        return raster;
    }

    template <class CellFn>
    TBenchRaster Write(const std::string& name, const std::string& type, std::int64_t rows, std::int64_t columns,
                       CellFn cell)
    {
        std::int64_t size = type == "real" ? 4 : 1;
        // A complete header, so that GDAL's IDRISI driver reads the file too.
        std::ofstream(Dir / (name + ".rdc"))
            << "file format : IDRISI Raster A.1\nfile title  : bench\ndata type   : " << type
            << "\nfile type   : binary\ncolumns     : " << columns << "\nrows        : " << rows
            << "\nref. system : plane\nref. units  : m\nunit dist.  : 1\nmin. X      : 0\nmax. X      : " << columns
            << "\nmin. Y      : 0\nmax. Y      : " << rows
            << "\npos'n error : unknown\nresolution  : 1\nmin. value  : 0\nmax. value  : 1000\ndisplay min : 0"
               "\ndisplay max : 1000\nvalue units : unspecified\nvalue error : unknown\nflag value  : none"
               "\nflag def'n  : none\nlegend cats : 0\n";
        std::ofstream rst(Dir / (name + ".rst"), std::ios::binary);
        std::vector<char> row(static_cast<std::size_t>(columns * size));
        for (std::int64_t r = 0; r < rows; ++r) {
            for (std::int64_t c = 0; c < columns; ++c) cell(r, c, row.data() + c * size);
            rst.write(row.data(), static_cast<std::streamsize>(row.size()));
        }
        return {(Dir / (name + ".rst")).string(), rows * columns};
    }
};

TBenchFolder& Folder()
{
    static TBenchFolder folder;
    return folder;
}

// Peak resident memory in bytes since the last ResetPeak().
std::int64_t PeakRss()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
    return 0;
}
std::int64_t CurrentRss()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
    return 0;
}
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

void ReadBytes(benchmark::State& state, const TBenchRaster& raster)
{
    std::vector<char> buffer(std::size_t(1) << 22);
    for (auto _ : state) {
        TFileByteReader file(raster.Rst);
        std::uint64_t total = 0;
        while (file.Remaining() > 0) {
            std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), file.Remaining()));
            file.ReadBytes(buffer.data(), part);
            total += part;
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * raster.Cells);
}

void Open(benchmark::State& state, const TBenchRaster& raster)
{
    double peakPerCell = 0;
    double processPeak = 0;
    WarmPageCache(raster.Rst);
    WarmFreshMemory(static_cast<std::size_t>(raster.Cells) * 2);
    for (auto _ : state) {
        std::int64_t before = CurrentRss();
        ResetPeak();
        try {
            TIdrisiRST rst;
            rst.Open(raster.Rst, Folder().Palette(), true);
            benchmark::DoNotOptimize(rst.GetBits());
            peakPerCell = double(PeakRss() - before) / double(raster.Cells);
            processPeak = double(PeakRss());
        } catch (const std::exception& e) {
            state.SkipWithError(e.what()); // "std::bad_alloc" when memory ran out
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * raster.Cells);
    state.counters["peak_bytes_per_cell"] = peakPerCell;
    state.counters["process_peak_mb"] = processPeak / 1e6;
}

// The image and legend alone, rebuilt from the cell file.
void ImageBuild(benchmark::State& state, const TBenchRaster& raster)
{
    TIdrisiRST rst;
    rst.Open(raster.Rst, Folder().Palette(), true);
    bool flip = false;
    for (auto _ : state) {
        rst.SetDisplayRange(true, 0, flip ? 1000 : 900);
        flip = !flip;
    }
    state.SetItemsProcessed(state.iterations() * raster.Cells);
}

// The floor set by the machine: first touch of the byte a cell that an
// opened raster keeps (its image).
void FreshMemory(benchmark::State& state, const TBenchRaster& raster)
{
    for (auto _ : state) {
        TBulkVector<std::uint8_t> bits(static_cast<std::size_t>(raster.Cells));
        std::fill(bits.begin(), bits.end(), std::uint8_t(1));
        benchmark::DoNotOptimize(bits.data());
    }
    state.SetItemsProcessed(state.iterations() * raster.Cells);
}

// GDAL's Open and ReadAsArray of the same file into a NumPy array.
void ReadAsArray(benchmark::State& state, const TBenchRaster& raster)
{
    WarmPageCache(raster.Rst);
    WarmFreshMemory(static_cast<std::size_t>(raster.Cells) * 2);
    RunTimedGdalPython(state, "gdal",
                       "ds = gdal.Open('" + raster.Rst + "'); a = ds.GetRasterBand(1).ReadAsArray()",
                       "GDAL could not read the raster");
    state.SetItemsProcessed(state.iterations() * raster.Cells);
}

void BM_FreshMemory_Real8000(benchmark::State& s) { FreshMemory(s, Folder().Real()); }
void BM_FreshMemory_Byte20000(benchmark::State& s) { FreshMemory(s, Folder().Byte()); }
void BM_ReadRstBytes_Real8000(benchmark::State& s) { ReadBytes(s, Folder().Real()); }
void BM_Open_Real8000(benchmark::State& s) { Open(s, Folder().Real()); }
void BM_ReadAsArray_Real8000(benchmark::State& s) { ReadAsArray(s, Folder().Real()); }
void BM_ImageBuild_Real8000(benchmark::State& s) { ImageBuild(s, Folder().Real()); }
void BM_ReadRstBytes_Byte20000(benchmark::State& s) { ReadBytes(s, Folder().Byte()); }
void BM_Open_Byte20000(benchmark::State& s) { Open(s, Folder().Byte()); }
void BM_ReadAsArray_Byte20000(benchmark::State& s) { ReadAsArray(s, Folder().Byte()); }
void BM_ImageBuild_Byte20000(benchmark::State& s) { ImageBuild(s, Folder().Byte()); }
void BM_Open_Byte30000(benchmark::State& s) { Open(s, Folder().HugeByte()); }

} // namespace

// The opens and GDAL's reads of the byte rasters run once a process:
// scripts/bench interleaves those processes and takes each one's peak
// memory; --benchmark_repetitions repeats them here.
BENCHMARK(BM_FreshMemory_Real8000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FreshMemory_Byte20000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadRstBytes_Real8000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Open_Real8000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);
BENCHMARK(BM_ReadAsArray_Real8000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(3);
BENCHMARK(BM_ImageBuild_Real8000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadRstBytes_Byte20000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Open_Byte20000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ReadAsArray_Byte20000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_ImageBuild_Byte20000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Open_Byte30000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
