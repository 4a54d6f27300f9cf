// End-to-end speed of the calculator's processing command: two 8000 x 8000
// rasters, read from the page cache, evaluated window by window and written.
// When GDAL's gdal_calc.py is installed, the same expressions run through it
// on the same files for comparison, and the cells are compared bit for bit.
//
// The whole-process rows run ([a]+[b])*2 over two 6000 x 6000 rasters in a
// process of its own (this program started again with --calculate), beside
// the floor of that work in the same iteration: reading both inputs and
// writing a file of the output's size with dd; once writing new files, once
// replacing the ones the iteration before wrote. Each side is timed until
// its output is on the disk. The calculator has the disk start on each part
// as it writes, so it waits for the disk while it runs; a floor that left
// its bytes in the page cache did not, and those bytes, written by the sync
// before the next step, still slowed the calculator that followed: its
// ratio to the floor ranged from 1.3 to 2.1 between runs.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "bench/CalcBenchData.h"
#include "calculator/Processing.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr std::int32_t kSide = 8000;
constexpr std::int64_t kCells = static_cast<std::int64_t>(kSide) * kSide;
constexpr std::int32_t kProcessSide = 6000;

// The input rasters, written once per run into a temporary folder.
class TBenchData : public TCalcBenchFolder {
public:
    TBenchData()
    {
        auto a = [](std::int64_t i) { return static_cast<float>(i % 9973) * 0.25f; };
        auto b = [](std::int64_t i) { return static_cast<float>((i * 7) % 1013) - 500.5f; };
        WriteRaster("a", dtReal, kSide, a);
        WriteRaster("b", dtReal, kSide, b);
        WriteRaster("c", dtByte, kSide, [](std::int64_t i) { return static_cast<float>(i % 128); });
        WriteRaster("a6", dtReal, kProcessSide, a);
        WriteRaster("b6", dtReal, kProcessSide, b);
    }
};

TBenchData& Data()
{
    static TBenchData data;
    return data;
}

TProcessRequest MakeRequest(const std::string& expression, const std::string& target, int destType)
{
    TProcessRequest request;
    request.Expression = expression;
    request.Target = target;
    request.DestTypeIndex = destType;
    request.ImageFolders = {Data().Folder()};
    return request;
}

void RunCalculator(benchmark::State& state, const std::string& expression, int destType)
{
    for (const char* name : {"a.RST", "b.RST", "c.RST"}) WarmPageCache(Data().Folder() + name);
    TProcessRequest request = MakeRequest(expression, "out", destType);
    TProcessCallbacks callbacks;
    callbacks.AskYesNo = [](const std::string&) { return true; };
    for (auto _ : state) {
        WarmFreshMemory(kWarmBytes);
        // No run meets the dirty pages of another on their way to the disk
        // (gdal_calc.py's file of the same size among them).
        ::sync();
        auto start = std::chrono::steady_clock::now();
        TProcessResult result = ProcessExpression(request, callbacks);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
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
    const std::string path = Data().Folder();
    std::string command = "cd '" + path + "' && gdal_calc.py --quiet --overwrite " + inputs +
                          " --outfile=gdal.tif --type=" + gdalType + " --calc='" + calc + "' >/dev/null 2>&1";
    for (auto _ : state) {
        WarmFreshMemory(kWarmBytes); // as for the calculator
        ::sync();
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

// Whether the bytes of every file named reached the disk.
bool FlushedToDisk(const std::vector<std::string>& files)
{
    for (const std::string& file : files) {
        const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        const bool flushed = descriptor >= 0 && ::fdatasync(descriptor) == 0;
        if (descriptor >= 0) ::close(descriptor);
        if (!flushed) return false;
    }
    return true;
}

// Runs `argv` as a process of its own, waits for it and then for the bytes
// of the `outputs` it wrote to reach the disk; the seconds all that took, or
// a negative number when it could not start, failed or its outputs could
// not be flushed.
double TimedProcess(std::vector<std::string> argv, const std::vector<std::string>& outputs)
{
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    if (!FlushedToDisk(outputs)) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The work no calculator can do without: both inputs read from the page
// cache and a file of the output's size written to the disk, each by dd.
// Like the calculator, dd has the disk start on each part it writes
// (nocache asks the kernel to drop the part, which first starts its
// write-out).
double TimedFloor(const std::string& path)
{
    const std::string bytes = std::to_string(std::int64_t(kProcessSide) * kProcessSide * 4);
    const std::string script = "cd '" + path + "' && dd if=a6.RST of=/dev/null bs=1M status=none && "
                               "dd if=b6.RST of=/dev/null bs=1M status=none && "
                               "dd if=/dev/zero of=floor.RST bs=1M count=" + bytes +
                               " iflag=count_bytes oflag=nocache status=none";
    return TimedProcess({"/bin/sh", "-c", script}, {path + "floor.RST"});
}

// Whether each run of the calculator and of the floor writes a new file or
// replaces the file the run before wrote.
enum class TOldOutput { Removed, Replaced };

// ([a6]+[b6])*2 by this program started again with --calculate, and the
// floor, in the same iteration and in alternating order, each until its
// output is on the disk. The iteration's time is the calculator's;
// "floor_s" the floor's and "ratio" the one over the other.
void RunProcessBesideFloor(benchmark::State& state, TOldOutput old)
{
    const std::string path = Data().Folder();
    for (const char* name : {"a6.RST", "b6.RST"}) WarmPageCache(path + name);
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    auto calculate = [&] {
        return TimedProcess({self, "--calculate", path, "([a6.rst]+[b6.rst])*2", "out6"},
                            {path + "out6.RST", path + "out6.RDC"});
    };
    if (old == TOldOutput::Replaced && (calculate() < 0 || TimedFloor(path) < 0)) {
        state.SkipWithError("the calculator or dd failed");
        return;
    }
    // Each run after a sync, so that no step meets dirty pages of another
    // (other programs' too) on its way to the disk. New outputs are written
    // after the old ones are removed and their blocks freed untimed; a
    // replacing run frees the blocks of the file it replaces in its time,
    // the calculator by its rename, dd by truncating.
    auto afterSync = [&](std::initializer_list<const char*> outputs, const std::function<double()>& run) {
        if (old == TOldOutput::Removed)
            for (const char* name : outputs) fs::remove(path + name);
        ::sync();
        return run();
    };
    const std::vector<std::function<double()>> steps = {
        [&] { return afterSync({"out6.RST", "out6.RDC"}, calculate); },
        [&] { return afterSync({"floor.RST"}, [&] { return TimedFloor(path); }); },
    };
    RunStepsInTurn(state, steps, {{"floor_s", "ratio"}}, "the calculator or dd failed");
}

void BM_CalculatorProcess_SumTimesTwo6000(benchmark::State& state)
{
    RunProcessBesideFloor(state, TOldOutput::Removed);
}
void BM_CalculatorProcess_Replace6000(benchmark::State& state)
{
    RunProcessBesideFloor(state, TOldOutput::Replaced);
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

// Files to file as the user waits for them: wall-clock time. gdal_calc.py
// takes seconds: medians of three.
BENCHMARK(BM_CalculatorProcess_SumTimesTwo6000)->Apply(SteadyRow);
BENCHMARK(BM_CalculatorProcess_Replace6000)->Apply(SteadyRow);
BENCHMARK(BM_Calculator_SumTimesTwo)->Apply(SteadyRow);
BENCHMARK(BM_GdalCalc_SumTimesTwo)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseManualTime();
BENCHMARK(BM_Calculator_SqrtTimes)->Apply(SteadyRow);
BENCHMARK(BM_GdalCalc_SqrtTimes)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseManualTime();
BENCHMARK(BM_Calculator_ByteTimesTwo)->Apply(SteadyRow);
BENCHMARK(BM_GdalCalc_ByteTimesTwo)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->UseManualTime();

// With --calculate <folder> <expression> <target> the program is the
// calculator's whole process for one real output (the target is replaced
// without a question); otherwise it runs the benchmarks.
int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--calculate") == 0) {
        TProcessRequest request;
        request.ImageFolders = {argv[2]};
        request.Expression = argv[3];
        request.Target = argv[4];
        request.DestTypeIndex = 2;
        TProcessCallbacks callbacks;
        callbacks.AskYesNo = [](const std::string&) { return true; };
        try {
            return ProcessExpression(request, callbacks).Outcome == TProcessOutcome::Written ? 0 : 1;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
