#pragma once
// The square rasters the calculator's benchmarks run on, written by the
// calculator's own writer into a temporary folder kept for the run; and the
// page cache warmed before a timed step reads them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bench/Warmup.h"
#include "calculator/CommandSteps.h"
#include "calculator/RasterWriter.h"
#include "tests/support/TempFolder.h"

class TCalcBenchFolder : public TTempFolder {
public:
    // Writes "<name>.RST" and "<name>.RDC", side x side cells of the type,
    // cell i being value(i), with the cells' extremes in the header.
    template <class Value>
    void WriteRaster(const std::string& name, std::uint8_t dataType, std::int32_t side, Value value) const
    {
        std::string base = Folder() + name;
        ConfirmOverwrite(base, [](const std::string&) { return true; });
        TRasterOutput output(base);
        RastrFile window;
        window.Header.DataType = dataType;
        const std::int64_t cells = static_cast<std::int64_t>(side) * side;
        TIdrisiRDC header;
        header.MinValue = kCellHigh;
        header.MaxValue = kCellLow;
        for (std::int64_t start = 0; start < cells; start += kWindowCells) {
            std::int64_t count = std::min(kWindowCells, cells - start);
            window.Cells.clear();
            window.RawCells.clear();
            for (std::int64_t i = start; i < start + count; ++i) {
                float v = value(i);
                header.MinValue = std::min<double>(header.MinValue, v);
                header.MaxValue = std::max<double>(header.MaxValue, v);
                if (dataType == dtReal)
                    window.Cells.push_back(v);
                else
                    window.RawCells.push_back(static_cast<std::uint8_t>(v));
            }
            output.AppendRst(CellBytes(window));
        }
        header.DataType = dataType;
        header.Rows = side;
        header.Columns = side;
        header.RefSystemName = "plane";
        header.RefUnits = 1;
        header.UnitDist = 1;
        header.MaxX = side;
        header.MaxY = side;
        output.WriteRdc(header);
        output.Commit();
    }

};

// Rows judged on steps of a tenth of a second or so, timed by the steps
// themselves: this many runs of one iteration, their repetitions shuffled
// among those of the other rows when scripts/bench asks for it, so that the
// medians of two runs in a row agree.
constexpr int kSteadyRepetitions = 21;
inline void SteadyRow(benchmark::internal::Benchmark* row)
{
    row->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kSteadyRepetitions)->UseManualTime();
}

// More than any step of these benchmarks fills: four arrays of the largest
// raster's cells.
constexpr std::size_t kWarmBytes = std::size_t(1) << 30;

// The steps of one iteration in turn, timed, the first to the last in one
// call and the last to the first in the next, so that no step always runs
// after the same one: each step's seconds, or none when a step failed (gave
// a negative time). Each step starts on warm memory.
inline std::vector<double> TimedInTurn(const std::vector<std::function<double()>>& steps)
{
    static int turn = 0; // the library of this system has no repetition index
    const bool forward = turn++ % 2 == 0;
    std::vector<double> seconds(steps.size());
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const std::size_t step = forward ? k : steps.size() - 1 - k;
        WarmFreshMemory(kWarmBytes);
        seconds[step] = steps[step]();
        if (seconds[step] < 0) return {};
    }
    return seconds;
}

// The row's iterations, each the steps in turn: the iteration's time is the
// first step's; each later step gets a counter of its average seconds and
// one of the first step's over its, named by `counters` in order. False
// when a step failed: the row is skipped with `failure`.
inline bool RunStepsInTurn(benchmark::State& state, const std::vector<std::function<double()>>& steps,
                           const std::vector<std::pair<const char*, const char*>>& counters, const char* failure)
{
    std::vector<double> totals(steps.size()), ratios(steps.size());
    for (auto _ : state) {
        const std::vector<double> seconds = TimedInTurn(steps);
        if (seconds.empty()) {
            state.SkipWithError(failure);
            return false;
        }
        state.SetIterationTime(seconds[0]);
        for (std::size_t k = 1; k < seconds.size(); ++k) {
            totals[k] += seconds[k];
            ratios[k] += seconds[0] / seconds[k];
        }
    }
    for (std::size_t k = 1; k < steps.size() && k <= counters.size(); ++k) {
        state.counters[counters[k - 1].first] = benchmark::Counter(totals[k], benchmark::Counter::kAvgIterations);
        state.counters[counters[k - 1].second] = benchmark::Counter(ratios[k], benchmark::Counter::kAvgIterations);
    }
    return true;
}

