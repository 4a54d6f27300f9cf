#include "calculator/CellMath.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "calculator/ReclassTable.h"
#include "geodata/IdrisiRDC.h"
#include "geodata/QMMapDecl.h"
#include "platform/ParallelFor.h"

static_assert(std::endian::native == std::endian::little, "cell files are little-endian like the machine");
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);

const char* const kOverflowMessage = "Floating point overflow";
const char* const kZeroDivideMessage = "Floating point division by zero";
const char* const kInvalidOpMessage = "Invalid floating point operation";

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

[[noreturn]] void Raise(const char* message)
{
    throw QMError(std::string(message));
}

// Square and multiply: an integer exponent rounds in this order, and stored
// results computed with it must come out the same bit for bit.
long double IntPower(long double base, std::int64_t exponent)
{
    std::uint64_t n = exponent < 0 ? static_cast<std::uint64_t>(-exponent) : static_cast<std::uint64_t>(exponent);
    long double result = 1;
    long double square = base;
    while (n != 0) {
        if (n & 1) result *= square;
        n >>= 1;
        if (n != 0) square *= square;
    }
    return exponent < 0 ? 1 / result : result;
}

double Smaller(double a, double b) { return a < b ? a : b; }
double Larger(double a, double b) { return a > b ? a : b; }

// A zero base with a negative exponent is the one power that divides by zero.
bool PowerDividesByZero(double a, double b) { return a == 0 && b < 0; }

// Called when a cell's stored result is not finite. Operands that were not
// finite pass their NaN or infinity on; otherwise the result is a fault.
void CheckUnaryFault(double v, double r)
{
    if (!std::isfinite(v)) return;
    Raise(std::isnan(r) ? kInvalidOpMessage : kOverflowMessage);
}

void CheckBinaryFault(TBinaryOp op, double a, double b, double r)
{
    if (!std::isfinite(a) || !std::isfinite(b)) return;
    if (std::isnan(r)) Raise(kInvalidOpMessage);
    if (std::isinf(r) && op == TBinaryOp::Power && PowerDividesByZero(a, b)) Raise(kZeroDivideMessage);
    Raise(kOverflowMessage);
}

// Results are computed a block at a time into a small buffer, so that the
// arithmetic, the narrowing and the extremes each run as a tight loop.
constexpr std::size_t kBlock = 256;
constexpr std::size_t kLanes = kCellLanes;

// Four lanes of running extremes, lane k taking the values whose index is k
// modulo 4, each as `v < lo ? v : lo` and `v > hi ? v : hi` take them. The
// compiler does not vectorise that, since it must keep NaN and the sign of
// zero as they are, but SSE2's MINPD and MAXPD compute exactly it.
class TFourLanes {
public:
    TFourLanes(double lo, double hi)
    {
        for (std::size_t k = 0; k < kLanes; ++k) {
            Lo[k] = lo;
            Hi[k] = hi;
        }
    }
    void Widen(double v0, double v1, double v2, double v3)
    {
#if defined(__SSE2__)
        __m128d a = _mm_set_pd(v1, v0);
        __m128d b = _mm_set_pd(v3, v2);
        _mm_storeu_pd(Lo, _mm_min_pd(a, _mm_loadu_pd(Lo)));
        _mm_storeu_pd(Lo + 2, _mm_min_pd(b, _mm_loadu_pd(Lo + 2)));
        _mm_storeu_pd(Hi, _mm_max_pd(a, _mm_loadu_pd(Hi)));
        _mm_storeu_pd(Hi + 2, _mm_max_pd(b, _mm_loadu_pd(Hi + 2)));
#else
        const double v[kLanes] = {v0, v1, v2, v3};
        for (std::size_t k = 0; k < kLanes; ++k) {
            Lo[k] = v[k] < Lo[k] ? v[k] : Lo[k];
            Hi[k] = v[k] > Hi[k] ? v[k] : Hi[k];
        }
#endif
    }
    // The values of an incomplete last group all go to lane 0.
    void WidenFirst(double v)
    {
        Lo[0] = v < Lo[0] ? v : Lo[0];
        Hi[0] = v > Hi[0] ? v : Hi[0];
    }

    double Lo[kLanes];
    double Hi[kLanes];
};

// Lanes keep the first of equal values in their own lane, a walk the first
// of the whole run of cells. Equal values differ only as zeros of either
// sign, so a zero extreme that lanes found takes the sign of the run's first
// zero.
template <class Value>
double FirstZero(std::span<const Value> values)
{
    for (Value v : values)
        if (v == 0) return v;
    return 0;
}

// Widens the running extremes by a block of results exactly as a walk cell
// by cell would: the maximum takes a larger value, the minimum a value that
// is not >= it, so a NaN replaces it and then every later value does. While
// no NaN is involved that is the plain minimum, taken in independent lanes;
// `mayHoldNaN` is false only for a block known to hold none.
void WidenExtremes(const double* results, std::size_t n, bool mayHoldNaN, double& min, double& max)
{
    if (mayHoldNaN || std::isnan(min)) {
        for (std::size_t j = 0; j < n; ++j) {
            if (!(results[j] >= min)) min = results[j];
            if (results[j] > max) max = results[j];
        }
        return;
    }
    const double startMin = min;
    const double startMax = max;
    TFourLanes lanes(min, max);
    std::size_t j = 0;
    for (; j + kLanes <= n; j += kLanes) lanes.Widen(results[j], results[j + 1], results[j + 2], results[j + 3]);
    for (; j < n; ++j) lanes.WidenFirst(results[j]);
    for (std::size_t k = 0; k < kLanes; ++k) {
        if (lanes.Lo[k] < min) min = lanes.Lo[k];
        if (lanes.Hi[k] > max) max = lanes.Hi[k];
    }
    // A zero that was the extreme already stays, whatever zeros follow.
    if (min == 0 && startMin != 0) min = FirstZero(std::span(results, n));
    if (max == 0 && startMax != 0) max = FirstZero(std::span(results, n));
}

// The extremes of a run of blocks, widened block by block from a minimum
// that is NaN or a number as the running minimum is when the run starts:
// the path WidenExtremes takes in a block depends on that and on nothing
// else outside the block.
struct TRunExtremes {
    double Min = std::numeric_limits<double>::infinity();
    double Max = -std::numeric_limits<double>::infinity();
    bool SawNaN = false;
    bool Empty = true;
};

// Folds a run's extremes into the running ones, giving exactly what widening
// them block by block over the run would have given. A run that starts from
// a NaN minimum, or meets a NaN, leaves a minimum that does not depend on the
// one it started from; otherwise the strict comparisons keep the first of
// equal values (the sign of a zero) as a walk in order does.
void FoldRunExtremes(const TRunExtremes& run, double& min, double& max)
{
    if (run.Empty) return;
    if (std::isnan(min) || run.SawNaN || run.Min < min) min = run.Min;
    if (run.Max > max) max = run.Max;
}

// A float's exponent bits. Adding the exponent's lowest bit to them carries
// into the sign bit exactly when they are all set: an infinity or a NaN.
constexpr std::uint32_t kFloatExponent = 0x7F800000u;
constexpr std::uint32_t kFloatExponentOne = 0x00800000u;
constexpr std::uint32_t kFloatExponentCarry = 0x80000000u;

// Windows below this many cells are transformed on the calling thread alone.
constexpr std::size_t kParallelFrom = std::size_t(1) << 15;

// One loop per operator: `fill(start, n, results)` gives the double results
// of the n cells from cell start, `onFault(i, r)` checks a result whose
// 32-bit form is not finite (before cell i is overwritten), and `out`
// receives the narrowed results. The window is cut into runs of whole
// blocks that the cores transform at once; each run's extremes are folded in
// order, so the result is the same as one walk from the first cell to the
// last.
template <class Fill, class OnFault>
void TransformBlocks(float* out, std::size_t count, TExtremes extremes, Fill fill, OnFault onFault)
{
    auto transformRun = [&](std::size_t begin, std::size_t end, TRunExtremes& run) {
        double results[kBlock];
        float stored[kBlock];
        for (std::size_t start = begin; start < end; start += kBlock) {
            const std::size_t n = std::min(kBlock, end - start);
            fill(start, n, results);
            // Narrowed in a loop of its own so that it vectorises. Only a block
            // holding an infinity or a NaN walks its cells again, before any
            // of them is overwritten, to check each one.
            std::uint32_t exponents = 0;
            for (std::size_t j = 0; j < n; ++j) {
                stored[j] = static_cast<float>(results[j]);
                exponents |= (std::bit_cast<std::uint32_t>(stored[j]) & kFloatExponent) + kFloatExponentOne;
            }
            if (exponents & kFloatExponentCarry) [[unlikely]] {
                for (std::size_t j = 0; j < n; ++j) {
                    run.SawNaN |= results[j] != results[j];
                    if (!std::isfinite(stored[j])) onFault(start + j, results[j]);
                }
            }
            std::memcpy(out + start, stored, n * sizeof(float));
            // A NaN result narrows to a NaN cell, which the exponents show.
            WidenExtremes(results, n, exponents & kFloatExponentCarry, run.Min, run.Max);
            run.Empty = false;
        }
    };
    const std::size_t width = count < kParallelFrom ? 1 : ParallelParts();
    const std::size_t length = ((count + width - 1) / width + kBlock - 1) / kBlock * kBlock;
    std::vector<TRunExtremes> runs(width);
    // The running minimum is NaN when a run starts exactly when the result
    // of the cell before it is NaN (or, for the first run, when it already
    // is). Those results are taken before any cell is overwritten.
    for (std::size_t k = 0; k < width; ++k) {
        std::size_t begin = k * length;
        double before = 0;
        if (k > 0 && begin < count) fill(begin - 1, 1, &before);
        if (k == 0 ? std::isnan(extremes.Min) : std::isnan(before)) runs[k].Min = kNaN;
    }
    ParallelFor(width, [&](std::size_t k) {
        std::size_t begin = std::min(count, k * length);
        transformRun(begin, std::min(count, begin + length), runs[k]);
    });
    for (const TRunExtremes& run : runs) FoldRunExtremes(run, extremes.Min, extremes.Max);
}

// TransformBlocks with `compute(i)` giving the result of cell i.
template <class Compute, class OnFault>
void TransformCells(float* out, std::size_t count, TExtremes extremes, Compute compute, OnFault onFault)
{
    auto fill = [compute](std::size_t start, std::size_t n, double* results) {
        for (std::size_t j = 0; j < n; ++j) results[j] = compute(start + j);
    };
    TransformBlocks(out, count, extremes, fill, onFault);
}

template <class Visit>
void WithUnary(TUnaryOp op, Visit visit)
{
    switch (op) {
    case TUnaryOp::Plus: return visit(kCellLow, kCellHigh, [](double v) { return v; });
    case TUnaryOp::Minus: return visit(kCellLow, kCellHigh, [](double v) { return -v; });
    case TUnaryOp::Sqrt: return visit(0.0, kCellHigh, [](double v) { return std::sqrt(v); });
    case TUnaryOp::Ln: return visit(std::numeric_limits<double>::denorm_min(), kCellHigh, [](double v) { return std::log(v); });
    case TUnaryOp::Sin: return visit(kCellLow, kCellHigh, [](double v) { return std::sin(v); });
    case TUnaryOp::Cos: return visit(kCellLow, kCellHigh, [](double v) { return std::cos(v); });
    case TUnaryOp::Tan: return visit(kCellLow, kCellHigh, [](double v) { return std::tan(v); });
    case TUnaryOp::Abs: return visit(kCellLow, kCellHigh, [](double v) { return std::fabs(v); });
    case TUnaryOp::Arcsin: return visit(-1.0, 1.0, [](double v) { return std::asin(v); });
    case TUnaryOp::Arccos: return visit(-1.0, 1.0, [](double v) { return std::acos(v); });
    case TUnaryOp::Arctan: return visit(kCellLow, kCellHigh, [](double v) { return std::atan(v); });
    }
}

template <class Visit>
void WithBinary(TBinaryOp op, Visit visit)
{
    switch (op) {
    case TBinaryOp::Add: return visit([](double a, double b) { return a + b; });
    case TBinaryOp::Subtract: return visit([](double a, double b) { return a - b; });
    case TBinaryOp::Multiply: return visit([](double a, double b) { return a * b; });
    // On rasters a division by a zero cell gives 0.
    case TBinaryOp::Divide: return visit([](double a, double b) { return b == 0 ? 0.0 : a / b; });
    case TBinaryOp::Power: return visit([](double a, double b) { return Power(a, b); });
    case TBinaryOp::Min: return visit([](double a, double b) { return Smaller(a, b); });
    case TBinaryOp::Max: return visit([](double a, double b) { return Larger(a, b); });
    }
}

// Magic constant 1.5 * 2^52: adding and subtracting it rounds a double of
// magnitude below 2^51 to an integer in the default rounding mode (halves to
// even), without a library call per cell.
constexpr double kRoundMagic = 6755399441055744.0;
constexpr double kTwoPow51 = 2251799813685248.0;
constexpr double kTwoPow63 = 9223372036854775808.0;

template <class Cell>
Cell ReadRaw(std::span<const std::uint8_t> raw, std::size_t i)
{
    Cell c;
    std::memcpy(&c, raw.data() + i * sizeof(Cell), sizeof(Cell));
    return c;
}

template <class Cell>
void WriteRaw(std::span<std::uint8_t> raw, std::size_t i, Cell c)
{
    std::memcpy(raw.data() + i * sizeof(Cell), &c, sizeof(Cell));
}

// Calls visit(read) with a reader of source cell i as a double.
template <class Visit>
void WithSourceReader(std::uint8_t type, std::span<const float> reals, std::span<const std::uint8_t> raw, Visit visit)
{
    if (type == dtByte)
        visit([raw](std::size_t i) { return static_cast<double>(raw[i]); });
    else if (type == dtInteger)
        visit([raw](std::size_t i) { return static_cast<double>(ReadRaw<std::int16_t>(raw, i)); });
    else
        visit([reals](std::size_t i) { return static_cast<double>(reals[i]); });
}

} // namespace

double Power(double a, double b)
{
    if (b == 0) return 1;
    if (a == 0 && b > 0) return 0;
    if (b == std::trunc(b) && std::fabs(b) <= 2147483647.0)
        return static_cast<double>(IntPower(a, static_cast<std::int64_t>(b)));
    long double lnA = std::log(static_cast<long double>(a));
    return static_cast<double>(std::exp(static_cast<long double>(b) * lnA));
}

double UnaryOnNumber(std::string_view name, double x)
{
    if (std::isnan(x)) return kNaN;
    if (name == "+") return x;
    if (name == "-") return -x;
    if (name == "sqrt") return x >= 0 ? std::sqrt(x) : kNaN;
    if (name == "ln") return x > 0 ? std::log(x) : kNaN;
    if (name == "sin") return std::sin(x);
    if (name == "cos") return std::cos(x);
    if (name == "tan") return std::tan(x);
    if (name == "abs") return std::fabs(x);
    if (name == "arcsin") return (x >= -1 && x <= 1) ? std::asin(x) : kNaN;
    if (name == "arccos") return (x >= -1 && x <= 1) ? std::acos(x) : kNaN;
    if (name == "arctan") return std::atan(x);
    return kNaN;
}

double BinaryOnNumber(std::string_view name, double a, double b)
{
    if (std::isnan(a) || std::isnan(b)) return kNaN;
    TBinaryOp op;
    if (!FindBinaryOp(name, op)) return kNaN;
    // The number path turns a division by zero and an invalid operation
    // into NaN; only an overflow ends the command.
    if (op == TBinaryOp::Divide && b == 0) return kNaN;
    double r = 0;
    WithBinary(op, [&](auto f) { r = f(a, b); });
    if (std::isnan(r)) return kNaN;
    if (std::isinf(r) && std::isfinite(a) && std::isfinite(b)) {
        if (op == TBinaryOp::Power && PowerDividesByZero(a, b)) return kNaN;
        Raise(kOverflowMessage);
    }
    return r;
}

bool FindUnaryOp(std::string_view name, TUnaryOp& op)
{
    static constexpr std::pair<std::string_view, TUnaryOp> kTable[] = {
        {"+", TUnaryOp::Plus},     {"-", TUnaryOp::Minus},       {"sqrt", TUnaryOp::Sqrt},
        {"ln", TUnaryOp::Ln},      {"sin", TUnaryOp::Sin},       {"cos", TUnaryOp::Cos},
        {"tan", TUnaryOp::Tan},    {"abs", TUnaryOp::Abs},       {"arcsin", TUnaryOp::Arcsin},
        {"arccos", TUnaryOp::Arccos}, {"arctan", TUnaryOp::Arctan},
    };
    for (const auto& [text, value] : kTable)
        if (text == name) {
            op = value;
            return true;
        }
    return false;
}

bool FindBinaryOp(std::string_view name, TBinaryOp& op)
{
    static constexpr std::pair<std::string_view, TBinaryOp> kTable[] = {
        {"+", TBinaryOp::Add},   {"-", TBinaryOp::Subtract}, {"*", TBinaryOp::Multiply}, {"/", TBinaryOp::Divide},
        {"^", TBinaryOp::Power}, {"min", TBinaryOp::Min},    {"max", TBinaryOp::Max},
    };
    for (const auto& [text, value] : kTable)
        if (text == name) {
            op = value;
            return true;
        }
    return false;
}

void UnaryCells(TUnaryOp op, std::span<float> cells, TExtremes extremes)
{
    WithUnary(op, [&](double low, double high, auto f) {
        const float* in = cells.data();
        // NaN fails both bound tests and reaches the function, which passes it on.
        auto compute = [=](std::size_t i) {
            double v = in[i];
            return (low > v || v > high) ? 0.0 : f(v);
        };
        auto onFault = [=](std::size_t i, double r) { CheckUnaryFault(in[i], r); };
        TransformCells(cells.data(), cells.size(), extremes, compute, onFault);
    });
}

void NumberFileCells(TBinaryOp op, double number, std::span<float> cells, TExtremes extremes)
{
    WithBinary(op, [&](auto f) {
        const float* in = cells.data();
        TransformCells(cells.data(), cells.size(), extremes, [=](std::size_t i) { return f(number, in[i]); },
                       [=](std::size_t i, double r) { CheckBinaryFault(op, number, in[i], r); });
    });
}

void FileNumberCells(TBinaryOp op, std::span<float> cells, double number, TExtremes extremes)
{
    WithBinary(op, [&](auto f) {
        const float* in = cells.data();
        TransformCells(cells.data(), cells.size(), extremes, [=](std::size_t i) { return f(in[i], number); },
                       [=](std::size_t i, double r) { CheckBinaryFault(op, in[i], number, r); });
    });
}

void FileFileCells(TBinaryOp op, std::span<float> left, std::span<const float> right, TExtremes extremes)
{
    WithBinary(op, [&](auto f) {
        const float* a = left.data();
        const float* b = right.data();
        const std::size_t count = std::min(left.size(), right.size());
        TransformCells(left.data(), count, extremes, [=](std::size_t i) { return f(a[i], b[i]); },
                       [=](std::size_t i, double r) { CheckBinaryFault(op, a[i], b[i], r); });
    });
}

void ReclassCells(const TReclassIndex& index, std::span<float> cells, TExtremes extremes)
{
    const float* in = cells.data();
    // Only a value beyond the 32-bit range is a fault: a NaN or an infinity
    // in the table is stored as it is.
    auto onFault = [](std::size_t, double r) {
        if (std::isfinite(r)) Raise(kOverflowMessage);
    };
    auto transform = [&](auto map) {
        TransformCells(cells.data(), cells.size(), extremes, [=](std::size_t i) { return map(in[i]); }, onFault);
    };
    switch (index.Search()) {
    case TReclassSearch::Whole: return transform([&index](float x) { return index.MapWhole(x); });
    case TReclassSearch::Spread: {
        auto fill = [&index, in](std::size_t start, std::size_t n, double* results) {
            index.MapSpreadCells(in + start, results, n);
        };
        return TransformBlocks(cells.data(), cells.size(), extremes, fill, onFault);
    }
    case TReclassSearch::Edges: return transform([&index](float x) { return index.MapEdges(x); });
    case TReclassSearch::Scan: return transform([&index](float x) { return index.MapScan(x); });
    }
}

std::size_t CellSize(std::uint8_t dataType)
{
    return dataType == dtByte ? 1 : dataType == dtInteger ? 2 : 4;
}

bool IsValidDataType(std::uint8_t dataType)
{
    return dataType == dtByte || dataType == dtInteger || dataType == dtReal;
}

std::int64_t RoundCell(double value)
{
    double magnitude = std::fabs(value);
    if (!(magnitude < kTwoPow63)) Raise(kInvalidOpMessage);
    double rounded = magnitude < kTwoPow51 ? (value + kRoundMagic) - kRoundMagic : std::nearbyint(value);
    return static_cast<std::int64_t>(rounded);
}

std::uint8_t CellToByte(double value)
{
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(RoundCell(value)));
}

std::int16_t CellToInteger(double value)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(RoundCell(value))));
}

void ConvertCells(std::uint8_t sourceType, std::span<const float> sourceReals, std::span<const std::uint8_t> sourceRaw,
                  std::uint8_t targetType, std::span<float> targetReals, std::span<std::uint8_t> targetRaw,
                  std::size_t count)
{
    WithSourceReader(sourceType, sourceReals, sourceRaw, [&](auto read) {
        // Every cell is converted on its own: the cores take a slice each.
        ParallelSlices(count, kBlock, kParallelFrom, [&](std::size_t begin, std::size_t end) {
            if (targetType == dtByte) {
                for (std::size_t i = begin; i < end; ++i) targetRaw[i] = CellToByte(read(i));
            } else if (targetType == dtInteger) {
                for (std::size_t i = begin; i < end; ++i) WriteRaw(targetRaw, i, CellToInteger(read(i)));
            } else {
                for (std::size_t i = begin; i < end; ++i) {
                    double v = read(i);
                    float stored = static_cast<float>(v);
                    if (std::isinf(stored) && std::isfinite(v)) Raise(kOverflowMessage);
                    targetReals[i] = stored;
                }
            }
        });
    });
}

namespace {

template <class Read>
TLaneExtremes SliceLaneExtremes(Read read, std::size_t begin, std::size_t end)
{
    // Independent lanes: a NaN cell fails both tests and is skipped.
    TFourLanes lanes(kCellHigh, kCellLow);
    std::size_t i = begin;
    for (; i + kLanes <= end; i += kLanes) lanes.Widen(read(i), read(i + 1), read(i + 2), read(i + 3));
    for (; i < end; ++i) lanes.WidenFirst(read(i));
    TLaneExtremes slice;
    std::copy(lanes.Lo, lanes.Lo + kLanes, slice.Lo);
    std::copy(lanes.Hi, lanes.Hi + kLanes, slice.Hi);
    return slice;
}

} // namespace

TLaneExtremes RealLaneExtremes(std::span<const float> slice)
{
    return SliceLaneExtremes([slice](std::size_t i) { return static_cast<double>(slice[i]); }, 0, slice.size());
}

void FoldLaneExtremes(std::span<const TLaneExtremes> slices, std::span<const float> reals, double& min, double& max)
{
    TLaneExtremes lanes;
    for (std::size_t k = 0; k < kLanes; ++k)
        for (const TLaneExtremes& slice : slices) {
            if (slice.Lo[k] < lanes.Lo[k]) lanes.Lo[k] = slice.Lo[k];
            if (slice.Hi[k] > lanes.Hi[k]) lanes.Hi[k] = slice.Hi[k];
        }
    min = kCellHigh;
    max = kCellLow;
    for (std::size_t k = 0; k < kLanes; ++k) {
        if (lanes.Lo[k] < min) min = lanes.Lo[k];
        if (lanes.Hi[k] > max) max = lanes.Hi[k];
    }
    if (min == 0) min = FirstZero(reals);
    if (max == 0) max = FirstZero(reals);
}

void CellMinMax(std::uint8_t dataType, std::span<const float> reals, std::span<const std::uint8_t> raw, double& min,
                double& max)
{
    const std::size_t count = dataType == dtReal ? reals.size() : raw.size() / CellSize(dataType);
    // Slices start at multiples of a block, so every cell keeps its lane.
    const std::size_t width = count < kParallelFrom ? 1 : ParallelParts();
    const std::size_t length = ((count + width - 1) / width + kBlock - 1) / kBlock * kBlock;
    std::vector<TLaneExtremes> slices(width);
    WithSourceReader(dataType, reals, raw, [&](auto read) {
        ParallelFor(width, [&](std::size_t s) {
            std::size_t begin = std::min(count, s * length);
            slices[s] = SliceLaneExtremes(read, begin, std::min(count, begin + length));
        });
    });
    // Byte and integer cells have no zero of negative sign.
    FoldLaneExtremes(slices, dataType == dtReal ? reals : std::span<const float>(), min, max);
}
