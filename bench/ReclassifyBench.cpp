// Reclassification of a 6000 x 6000 real raster into real, the command's own
// time, beside the calculator's [r6.rst]*1 over the same raster: both run in
// every iteration, in an order that alternates between repetitions, each
// after a sync and writing a new output. Tables: 1,000 and 999,000 (the most
// the dialog makes) equal-interval classes, and 50,000 rows separated by
// gaps (every second class of 100,000 left out); the 999,000 classes run
// beside the 1,000 too. A raster of NaN cells alone, whose header's
// extremes are 3.4e38 and -3.4e38, gets 999,000 descending rows from the
// dialog: its reclassification runs beside that of the number cells through
// the same rows.
//
// When numpy is installed (it comes with GDAL's Python), its searchsorted
// maps the same cells through the same table, timed inside Python with the
// cells in memory, and its cells are compared bit for bit with the
// command's ("same_cells" 1).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "bench/CalcBenchData.h"
#include "calculator/Processing.h"
#include "calculator/Reclassify.h"
#include "platform/NumberText.h"

namespace {

constexpr std::int32_t kSide = 6000;
constexpr std::int64_t kCells = static_cast<std::int64_t>(kSide) * kSide;

// Values spread over [0, 1000) without order, so that neighbouring cells
// fall into unrelated classes: no cache holds the next cell's class for it.
float SpreadValue(std::int64_t i)
{
    std::uint64_t h = static_cast<std::uint64_t>(i) * 0x9E3779B97F4A7C15ULL;
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 29;
    return static_cast<float>(static_cast<double>(h >> 40) * (1000.0 / 16777216.0));
}

class TBenchData : public TCalcBenchFolder {
public:
    TBenchData()
    {
        WriteRaster("r6", dtReal, kSide, SpreadValue);
        WriteRaster("n6", dtReal, kSide, [](std::int64_t) { return std::numeric_limits<float>::quiet_NaN(); });
        ReadRasterHeader(Folder() + "r6.rst", Header);
        ReadRasterHeader(Folder() + "n6.rst", NaNHeader);
    }
    // The table the dialog's "Number of classes" makes for the raster.
    static Double3Array EqualInterval(const TIdrisiRDC& header, std::int64_t classes)
    {
        double width = (header.MaxValue - header.MinValue) / static_cast<double>(classes);
        return EqualIntervalTable(header.MinValue, header.MaxValue, width, classes);
    }
    Double3Array EqualInterval(std::int64_t classes) const { return EqualInterval(Header, classes); }

    TIdrisiRDC Header;
    TIdrisiRDC NaNHeader;
};

TBenchData& Data()
{
    static TBenchData data;
    return data;
}

Double3Array EveryOtherClass(std::int64_t classes)
{
    Double3Array all = Data().EqualInterval(classes);
    Double3Array kept;
    for (std::size_t i = 0; i < all.size(); i += 2) kept.push_back(all[i]);
    return kept;
}

// Seconds the step takes to write `output` anew, after a sync, so that
// neither step writes behind the files of the other.
double TimedStep(const std::string& output, const std::function<bool()>& step)
{
    for (const char* extension : {".RST", ".RDC"}) std::filesystem::remove(Data().Folder() + output + extension);
    ::sync();
    auto start = std::chrono::steady_clock::now();
    bool written = step();
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    return written ? elapsed.count() : -1;
}

bool Reclassify(const Double3Array& table, const std::string& output, const std::string& source = "r6")
{
    TReclassRequest request{"[" + source + ".rst]", output, 2, {Data().Folder()}};
    TReclassCallbacks callbacks;
    callbacks.AskYesNo = [](const std::string&) { return true; };
    callbacks.BuildTable = [&](const std::string&, double, double) { return &table; };
    return ReclassifyRaster(request, callbacks).Outcome == TReclassOutcome::Written;
}

bool CalculateTimesOne()
{
    TProcessRequest request{"[r6.rst]*1", "calc6", 2, {Data().Folder()}};
    TProcessCallbacks callbacks;
    callbacks.AskYesNo = [](const std::string&) { return true; };
    return ProcessExpression(request, callbacks).Outcome == TProcessOutcome::Written;
}

// The iteration's time is the reclassification of `source` through
// `table`; "calc_s" the calculator's [r6.rst]*1 and "ratio" the one over
// the other. With a table `beside`, a reclassification of r6 through it
// runs in the same turn: "beside_s" its time and "ratio_beside" the first
// one's over it.
void RunReclassify(benchmark::State& state, const Double3Array& table, const Double3Array* beside = nullptr,
                   const std::string& source = "r6")
{
    for (const std::string& name : {source, std::string("r6")}) WarmPageCache(Data().Folder() + name + ".RST");
    std::vector<std::function<double()>> steps = {
        [&] { return TimedStep("reclass6", [&] { return Reclassify(table, "reclass6", source); }); },
        [] { return TimedStep("calc6", CalculateTimesOne); },
    };
    if (beside) steps.push_back([&] { return TimedStep("beside6", [&] { return Reclassify(*beside, "beside6"); }); });
    if (RunStepsInTurn(state, steps, {{"calc_s", "ratio"}, {"beside_s", "ratio_beside"}},
                       "a reclassification or the calculator failed"))
        state.SetItemsProcessed(state.iterations() * kCells);
}

const char* const kNumpyScript = R"(import sys, time
import numpy as np
rst, table, out = sys.argv[1:4]
cells = np.fromfile(rst, dtype='<f4')
t = np.fromfile(table, dtype='<f8').reshape(-1, 3)
start = time.perf_counter()
x = cells.astype(np.float64)
i = np.searchsorted(t[:, 1], x, side='left')
inside = i < len(t)
i = np.minimum(i, len(t) - 1)
mapped = np.where(inside & (t[i, 0] <= x), t[i, 2], x).astype(np.float32)
print(time.perf_counter() - start)
mapped.tofile(out)
)";

// numpy's searchsorted through the table, whose rows go to Python as
// triples of little-endian doubles.
void RunNumpy(benchmark::State& state, const Double3Array& table)
{
    const std::string path = Data().Folder();
    if (std::system("/usr/bin/python3 -c 'import numpy' >/dev/null 2>&1") != 0) {
        state.SkipWithError("numpy is not installed");
        return;
    }
    std::ofstream(path + "searchsorted.py") << kNumpyScript;
    std::ofstream(path + "table.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(table.data()),
               static_cast<std::streamsize>(table.size() * sizeof table[0]));
    const std::string command =
        "cd '" + path + "' && /usr/bin/python3 searchsorted.py r6.RST table.bin numpy.bin > seconds";
    for (auto _ : state) {
        double seconds = -1;
        if (std::system(command.c_str()) == 0) {
            std::ifstream in(path + "seconds");
            std::string printed;
            std::getline(in, printed);
            if (!TryStrToFloat(printed, seconds)) seconds = -1;
        }
        if (seconds < 0) {
            state.SkipWithError("numpy failed");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.SetItemsProcessed(state.iterations() * kCells);
    bool same = Reclassify(table, "reference") &&
                std::system(("cmp -s '" + path + "numpy.bin' '" + path + "reference.RST'").c_str()) == 0;
    state.counters["same_cells"] = same ? 1 : 0;
}

const Double3Array& Classes1000()
{
    static const Double3Array table = Data().EqualInterval(1000);
    return table;
}
const Double3Array& Classes999000()
{
    static const Double3Array table = Data().EqualInterval(999000);
    return table;
}
const Double3Array& Gaps50000()
{
    static const Double3Array table = EveryOtherClass(100000);
    return table;
}
// What "Number of classes" 999,000 makes of the NaN raster's header:
// descending rows, which no cell falls into.
const Double3Array& Descending999000()
{
    static const Double3Array table = TBenchData::EqualInterval(Data().NaNHeader, 999000);
    return table;
}

void BM_Reclassify_Classes1000(benchmark::State& state) { RunReclassify(state, Classes1000()); }
void BM_Reclassify_Gaps50000(benchmark::State& state) { RunReclassify(state, Gaps50000()); }
// Beside the 1,000 classes as well: the largest table against a small one.
void BM_Reclassify_Classes999000(benchmark::State& state) { RunReclassify(state, Classes999000(), &Classes1000()); }
// NaN cells beside the number cells, both through the descending rows.
void BM_Reclassify_NaNDescending999000(benchmark::State& state)
{
    RunReclassify(state, Descending999000(), &Descending999000(), "n6");
}
void BM_Numpy_Classes1000(benchmark::State& state) { RunNumpy(state, Classes1000()); }
void BM_Numpy_Gaps50000(benchmark::State& state) { RunNumpy(state, Gaps50000()); }
void BM_Numpy_Classes999000(benchmark::State& state) { RunNumpy(state, Classes999000()); }

} // namespace

// Files to file as the user waits for them: wall-clock time.
BENCHMARK(BM_Reclassify_Classes1000)->Apply(SteadyRow);
BENCHMARK(BM_Reclassify_Gaps50000)->Apply(SteadyRow);
BENCHMARK(BM_Reclassify_Classes999000)->Apply(SteadyRow);
BENCHMARK(BM_Reclassify_NaNDescending999000)->Apply(SteadyRow);
BENCHMARK(BM_Numpy_Classes1000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseManualTime();
BENCHMARK(BM_Numpy_Gaps50000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseManualTime();
BENCHMARK(BM_Numpy_Classes999000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseManualTime();
