// End-to-end speed of the calculator's processing command: two 8000 x 8000
// rasters, read from the page cache, evaluated window by window and written.
// When GDAL's gdal_calc.py is installed, the same expressions run through it
// on the same files for comparison, and the cells are compared bit for bit.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "calculator/CommandSteps.h"
#include "calculator/RasterWriter.h"

namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kSide = 8000;
constexpr std::int64_t kCells = static_cast<std::int64_t>(kSide) * kSide;

// The input rasters, written once per run into a temporary folder.
class TBenchData {
public:
    TBenchData()
    {
        Folder = fs::temp_directory_path() / "qm-calcengine-bench";
        fs::create_directories(Folder);
        WriteRaster("a", dtReal, [](std::int64_t i) { return static_cast<float>(i % 9973) * 0.25f; });
        WriteRaster("b", dtReal, [](std::int64_t i) { return static_cast<float>((i * 7) % 1013) - 500.5f; });
        WriteRaster("c", dtByte, [](std::int64_t i) { return static_cast<float>(i % 128); });
    }
    ~TBenchData()
    {
        std::error_code ec;
        fs::remove_all(Folder, ec);
    }
    std::string Path() const { return Folder.string() + "/"; }

private:
    template <class Value>
    void WriteRaster(const std::string& name, std::uint8_t dataType, Value value)
    {
        std::string base = Path() + name;
        if (fs::exists(base + ".RST") && fs::exists(base + ".RDC")) return;
        ConfirmOverwrite(base, [](const std::string&) { return true; });
        TRasterOutput output(base);
        RastrFile window;
        window.Header.DataType = dataType;
        for (std::int64_t start = 0; start < kCells; start += kWindowCells) {
            std::int64_t count = std::min(kWindowCells, kCells - start);
            window.Cells.clear();
            window.RawCells.clear();
            for (std::int64_t i = start; i < start + count; ++i) {
                if (dataType == dtReal)
                    window.Cells.push_back(value(i));
                else
                    window.RawCells.push_back(static_cast<std::uint8_t>(value(i)));
            }
            output.AppendRst(CellBytes(window));
        }
        TIdrisiRDC header;
        header.DataType = dataType;
        header.Rows = kSide;
        header.Columns = kSide;
        header.RefSystemName = "plane";
        header.RefUnits = 1;
        header.UnitDist = 1;
        header.MaxX = kSide;
        header.MaxY = kSide;
        output.WriteRdc(header);
        output.Commit();
    }

    fs::path Folder;
};

TBenchData& Data()
{
    static TBenchData data;
    return data;
}

void WarmPageCache(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::vector<char> buffer(1 << 22);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    }
}

TProcessRequest MakeRequest(const std::string& expression, const std::string& target, int destType)
{
    TProcessRequest request;
    request.Expression = expression;
    request.Target = target;
    request.DestTypeIndex = destType;
    request.ImageFolders = {Data().Path()};
    return request;
}

void RunCalculator(benchmark::State& state, const std::string& expression, int destType)
{
    for (const char* name : {"a.RST", "b.RST", "c.RST"}) WarmPageCache(Data().Path() + name);
    TProcessRequest request = MakeRequest(expression, "out", destType);
    TProcessCallbacks callbacks;
    callbacks.AskYesNo = [](const std::string&) { return true; };
    for (auto _ : state) {
        TProcessResult result = ProcessExpression(request, callbacks);
        if (result.Outcome != TProcessOutcome::Written) state.SkipWithError(result.Message.c_str());
    }
    state.SetItemsProcessed(state.iterations() * kCells);
}

// gdal_calc.py on the same files. The inputs are cast to float64 and every
// function's result is narrowed to float32, as the calculator keeps each
// node's cells, so that every operation rounds as the calculator's does;
// afterwards its cells are compared bit for bit with the calculator's
// ("same_cells" 1).
void RunGdalCalc(benchmark::State& state, const std::string& expression, int destType, const std::string& calc,
                 const std::string& inputs, const char* gdalType)
{
    if (std::system("command -v gdal_calc.py >/dev/null 2>&1") != 0) {
        state.SkipWithError("gdal_calc.py is not installed");
        return;
    }
    const std::string path = Data().Path();
    std::string command = "cd '" + path + "' && gdal_calc.py --quiet --overwrite " + inputs +
                          " --outfile=gdal.tif --type=" + gdalType + " --calc='" + calc + "' >/dev/null 2>&1";
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) state.SkipWithError("gdal_calc.py failed");
        std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
    }
    state.SetItemsProcessed(state.iterations() * kCells);

    TProcessCallbacks callbacks;
    callbacks.AskYesNo = [](const std::string&) { return true; };
    ProcessExpression(MakeRequest(expression, "reference", destType), callbacks);
    std::string compare = "cd '" + path + "' && gdal_translate -q -of ENVI gdal.tif gdal.bin && cmp -s gdal.bin reference.RST";
    state.counters["same_cells"] = std::system(compare.c_str()) == 0 ? 1 : 0;
}

void BM_Calculator_SumTimesTwo(benchmark::State& state) { RunCalculator(state, "([a.rst]+[b.rst])*2", 2); }
void BM_Calculator_SqrtTimes(benchmark::State& state) { RunCalculator(state, "sqrt([a.rst])*[b.rst]", 2); }
void BM_Calculator_ByteTimesTwo(benchmark::State& state) { RunCalculator(state, "[c.rst]*2", 0); }

void BM_GdalCalc_SumTimesTwo(benchmark::State& state)
{
    RunGdalCalc(state, "([a.rst]+[b.rst])*2", 2, "(A.astype(float64)+B.astype(float64))*2", "-A a.RST -B b.RST",
                "Float32");
}
void BM_GdalCalc_SqrtTimes(benchmark::State& state)
{
    RunGdalCalc(state, "sqrt([a.rst])*[b.rst]", 2, "sqrt(A.astype(float64)).astype(float32).astype(float64)*B.astype(float64)", "-A a.RST -B b.RST",
                "Float32");
}
void BM_GdalCalc_ByteTimesTwo(benchmark::State& state)
{
    RunGdalCalc(state, "[c.rst]*2", 0, "A.astype(float64)*2", "-A c.RST", "Byte");
}

} // namespace

// Files to file as the user waits for them: wall-clock time, medians of five.
BENCHMARK(BM_Calculator_SumTimesTwo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);
BENCHMARK(BM_GdalCalc_SumTimesTwo)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseManualTime();
BENCHMARK(BM_Calculator_SqrtTimes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);
BENCHMARK(BM_GdalCalc_SqrtTimes)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseManualTime();
BENCHMARK(BM_Calculator_ByteTimesTwo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)->Repetitions(5);
BENCHMARK(BM_GdalCalc_ByteTimesTwo)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseManualTime();
