#include "calculator/CellMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <span>
#include <vector>

#include "geodata/IdrisiRDC.h"
#include "geodata/QMMapDecl.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The message of the QMError the call raises, or "" when it raises none.
template <class F>
std::string FaultOf(F call)
{
    try {
        call();
    } catch (const QMError& e) {
        return e.what();
    }
    return "";
}

TEST(CellMathPower, FollowsTheRunTimeRules)
{
    struct {
        double A, B, Expected;
    } rows[] = {
        {5, 0, 1},        {kNaN, 0, 1},   {0, 3, 0},        {0, 0.5, 0},  {2, 10, 1024},
        {2, -2, 0.25},    {-2, 3, -8},    {-2, -3, -0.125}, {4, 0.5, 2},  {10, -1, 0.1},
        {1.5, 2, 2.25},   {-1, 2147483647, -1},
    };
    for (const auto& row : rows) EXPECT_DOUBLE_EQ(Power(row.A, row.B), row.Expected) << row.A << "^" << row.B;
    EXPECT_TRUE(std::isnan(Power(-8, 1.0 / 3)));
    EXPECT_TRUE(std::isinf(Power(0, -1)));
    EXPECT_TRUE(std::isinf(Power(10, 400)));
}

TEST(CellMathNumbers, MinAndMaxAreTheSmallerAndTheLarger)
{
    EXPECT_EQ(BinaryOnNumber("min", 3, -2), -2);
    EXPECT_EQ(BinaryOnNumber("max", 3, -2), 3);
    // Equal operands give the right one: the sign of a zero shows it.
    EXPECT_TRUE(std::signbit(BinaryOnNumber("min", 0.0, -0.0)));
    EXPECT_FALSE(std::signbit(BinaryOnNumber("max", -0.0, 0.0)));
    EXPECT_TRUE(std::isnan(BinaryOnNumber("min", kNaN, 1)));
    EXPECT_TRUE(std::isnan(BinaryOnNumber("and", 1, 1)));
    EXPECT_TRUE(std::isnan(UnaryOnNumber("exp", 1)));
    EXPECT_TRUE(std::isnan(UnaryOnNumber("arccos", 1.5)));
    EXPECT_DOUBLE_EQ(UnaryOnNumber("arccos", -1), std::acos(-1.0));
}

TEST(CellMathCells, UnaryDomainsGiveZeroOutside)
{
    struct {
        TUnaryOp Op;
        float In;
        float Out;
    } rows[] = {
        {TUnaryOp::Sqrt, -4, 0},       {TUnaryOp::Sqrt, 9, 3},         {TUnaryOp::Ln, 0, 0},
        {TUnaryOp::Ln, -1, 0},         {TUnaryOp::Ln, 1, 0},           {TUnaryOp::Arcsin, 2, 0},
        {TUnaryOp::Arccos, -1.5f, 0},  {TUnaryOp::Abs, -3, 3},         {TUnaryOp::Minus, 3, -3},
        {TUnaryOp::Plus, static_cast<float>(kInf), 0},                 {TUnaryOp::Minus, 3.4e38f, -3.4e38f},
        {TUnaryOp::Abs, std::numeric_limits<float>::max(), 0},        {TUnaryOp::Sin, -static_cast<float>(kInf), 0},
    };
    for (const auto& row : rows) {
        std::vector<float> cells{row.In};
        double min = 1.7e308;
        double max = -1.7e308;
        UnaryCells(row.Op, cells, {min, max});
        EXPECT_EQ(cells[0], row.Out) << static_cast<int>(row.Op) << " of " << row.In;
        EXPECT_EQ(min, row.Out);
        EXPECT_EQ(max, row.Out);
    }
}

TEST(CellMathCells, ExtremesSeeTheFullResultAndNaNReplacesTheMinimum)
{
    std::vector<float> cells{1, 2, 3};
    double min = 1.7e308;
    double max = -1.7e308;
    FileNumberCells(TBinaryOp::Divide, cells, 3, {min, max});
    EXPECT_EQ(min, 1.0 / 3);
    EXPECT_EQ(max, 1);
    EXPECT_EQ(cells[0], static_cast<float>(1.0 / 3));

    std::vector<float> withNaN{5, std::nanf(""), 7};
    min = 1.7e308;
    max = -1.7e308;
    FileNumberCells(TBinaryOp::Add, withNaN, 0, {min, max});
    // Once NaN, the minimum takes every later value: the running rule is
    // "replace when not >=".
    EXPECT_EQ(min, 7);
    EXPECT_EQ(max, 7);
}

// A whole window is transformed by all cores at once; its cells, extremes and
// first fault must be those of a walk in pieces too small to be split, one
// after the other. The cells hold NaN runs (which reset the minimum) and
// zeros of both signs (whose order decides the sign the extremes keep).
// The extremes of a window, whether CellMinMax takes them, the reads measure
// them slice by slice or an operator widens them, are those of a walk from
// the first cell to the last, down to the sign of a zero extreme: the first
// zero met, here +0, though -0 sits in a lower lane of the lanes the loops
// use.
TEST(CellMathCells, ExtremesAreThoseOfAWalkDownToTheSignOfZero)
{
    constexpr std::size_t kCells = 300003; // an incomplete last group of lanes
    for (float sign : {1.0f, -1.0f}) {
        SCOPED_TRACE(sign);
        std::vector<float> cells(kCells);
        for (std::size_t i = 0; i < kCells; ++i)
            cells[i] = i % 11 == 7 ? std::nanf("") : sign * static_cast<float>(1 + (i * 7919) % 1000);
        cells[2] = 0.0f;
        cells[5] = -0.0f;
        cells[kCells - 1] = -0.0f;
        double walkMin = 3.4e38, walkMax = -3.4e38;
        for (float v : cells) {
            if (v < walkMin) walkMin = v;
            if (v > walkMax) walkMax = v;
        }
        auto expectWalk = [&](double min, double max) {
            EXPECT_EQ(std::memcmp(&min, &walkMin, sizeof min), 0) << min << " " << walkMin;
            EXPECT_EQ(std::memcmp(&max, &walkMax, sizeof max), 0) << max << " " << walkMax;
        };

        double min = 0, max = 0;
        CellMinMax(dtReal, cells, {}, min, max);
        expectWalk(min, max);
        for (std::size_t length : {std::size_t(4), std::size_t(65536)}) {
            std::vector<TLaneExtremes> slices;
            for (std::size_t start = 0; start < kCells; start += length)
                slices.push_back(RealLaneExtremes(std::span(cells).subspan(start, std::min(length, kCells - start))));
            slices.emplace_back(); // a slice never measured
            FoldLaneExtremes(slices, cells, min, max);
            expectWalk(min, max);
        }
        // An operator's walk lets a NaN replace the minimum; without NaN
        // cells it meets the same zeros.
        std::vector<float> numbers = cells;
        std::replace_if(numbers.begin(), numbers.end(), [](float v) { return std::isnan(v); }, sign);
        min = 3.4e38;
        max = -3.4e38;
        FileNumberCells(TBinaryOp::Multiply, numbers, 1, {min, max});
        expectWalk(min, max);
    }
}

TEST(CellMathCells, WindowsSplitOverCoresGiveTheResultOfOneWalk)
{
    constexpr std::size_t kCells = 1000000;
    constexpr std::size_t kPiece = 4096; // below the size that is split
    auto makeCells = [](std::size_t nanEvery) {
        std::vector<float> cells(kCells);
        for (std::size_t i = 0; i < kCells; ++i) {
            float v = static_cast<float>((i * 7919) % 1000) - 500;
            if (i % 3 == 0) v = (i % 2 == 0) ? 0.0f : -0.0f;
            if (nanEvery != 0 && (i / 3) % nanEvery == 0) v = std::nanf("");
            cells[i] = v;
        }
        return cells;
    };
    struct TCase {
        const char* Name;
        std::size_t NanEvery;
        double StartMin;
    };
    const TCase cases[] = {
        {"numbers only", 0, 1.7e308},
        {"sparse NaN", 125003, 1.7e308},
        {"dense NaN", 17, 1.7e308},
        {"NaN minimum at the start", 0, kNaN},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<float> whole = makeCells(c.NanEvery);
        std::vector<float> pieces = whole;
        double min = c.StartMin, max = -1.7e308;
        FileNumberCells(TBinaryOp::Multiply, whole, -1, {min, max});
        double pieceMin = c.StartMin, pieceMax = -1.7e308;
        for (std::size_t start = 0; start < kCells; start += kPiece) {
            std::vector<float> piece(pieces.begin() + start, pieces.begin() + std::min(kCells, start + kPiece));
            FileNumberCells(TBinaryOp::Multiply, piece, -1, {pieceMin, pieceMax});
            std::copy(piece.begin(), piece.end(), pieces.begin() + start);
        }
        EXPECT_EQ(std::memcmp(whole.data(), pieces.data(), kCells * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(&min, &pieceMin, sizeof min), 0) << min << " " << pieceMin;
        EXPECT_EQ(std::memcmp(&max, &pieceMax, sizeof max), 0) << max << " " << pieceMax;

        double lo = 0, hi = 0, pieceLo = 3.4e38, pieceHi = -3.4e38;
        CellMinMax(dtReal, whole, {}, lo, hi);
        for (std::size_t start = 0; start < kCells; start += kPiece) {
            std::vector<float> piece(whole.begin() + start, whole.begin() + std::min(kCells, start + kPiece));
            double a = 0, b = 0;
            CellMinMax(dtReal, piece, {}, a, b);
            if (a < pieceLo) pieceLo = a;
            if (b > pieceHi) pieceHi = b;
        }
        EXPECT_EQ(lo, pieceLo);
        EXPECT_EQ(hi, pieceHi);
    }

    // Two faults in different parts of the window: the first one is raised.
    std::vector<float> cells(kCells, 1.0f);
    cells[kCells - 10] = 3e38f;     // overflow
    cells[kCells / 2] = -8.0f;      // invalid: a negative base with a fractional exponent
    double min = 0, max = 0;
    EXPECT_EQ(FaultOf([&] { FileNumberCells(TBinaryOp::Power, cells, 1.5, {min, max}); }),
              "Invalid floating point operation");
}

TEST(CellMathCells, FaultsFromFiniteOperandsAreRaised)
{
    auto fileNumber = [](TBinaryOp op, float cell, double number) {
        return FaultOf([&] {
            std::vector<float> cells{cell};
            double min = 0, max = 0;
            FileNumberCells(op, cells, number, {min, max});
        });
    };
    auto numberFile = [](TBinaryOp op, double number, float cell) {
        return FaultOf([&] {
            std::vector<float> cells{cell};
            double min = 0, max = 0;
            NumberFileCells(op, number, cells, {min, max});
        });
    };
    EXPECT_EQ(fileNumber(TBinaryOp::Multiply, 3e38f, 10), "Floating point overflow");        // beyond float
    EXPECT_EQ(fileNumber(TBinaryOp::Power, 10, 400), "Floating point overflow");             // beyond double
    EXPECT_EQ(fileNumber(TBinaryOp::Power, 0, -1), "Floating point division by zero");
    EXPECT_EQ(fileNumber(TBinaryOp::Power, 0, -0.5), "Floating point division by zero");
    EXPECT_EQ(fileNumber(TBinaryOp::Power, -8, 0.5), "Invalid floating point operation");
    EXPECT_EQ(numberFile(TBinaryOp::Divide, 5, 0), "");                                      // gives 0
    EXPECT_EQ(numberFile(TBinaryOp::Subtract, -3e38, 3e38f), "Floating point overflow");     // stored as float
    EXPECT_EQ(fileNumber(TBinaryOp::Add, static_cast<float>(kInf), 1), "");                  // passes through
    EXPECT_EQ(fileNumber(TBinaryOp::Add, std::nanf(""), 1), "");

    std::vector<float> left{3e38f};
    std::vector<float> right{3e38f};
    double min = 0, max = 0;
    EXPECT_EQ(FaultOf([&] { FileFileCells(TBinaryOp::Add, left, right, {min, max}); }), "Floating point overflow");
}

TEST(CellMathCoding, RoundingKeepsTheLowBits)
{
    struct {
        double In;
        int Byte;
        int Integer;
    } rows[] = {
        {255.5, 0, 256},    {254.5, 254, 254},    {256, 0, 256},       {-1, 255, -1},
        {2.5, 2, 2},        {3.5, 4, 4},          {-0.5, 0, 0},        {32768, 0, -32768},
        {70000, 112, 4464}, {-2.5, 254, -2},      {1e15 + 0.5, 0, -32768},
        {4503599627370497.0, 1, 1},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CellToByte(row.In), row.Byte) << row.In;
        EXPECT_EQ(CellToInteger(row.In), row.Integer) << row.In;
    }
    EXPECT_EQ(RoundCell(-9223372036854774784.0), -9223372036854774784LL);
    for (double bad : {kNaN, kInf, -kInf, 9223372036854775808.0, -9223372036854775808.0})
        EXPECT_EQ(FaultOf([&] { CellToByte(bad); }), "Invalid floating point operation") << bad;
}

TEST(CellMathCoding, ConvertsBetweenEveryPairOfTypes)
{
    std::vector<std::uint8_t> bytes{0, 1, 200};
    std::vector<std::uint8_t> integers(6);
    std::vector<float> reals(3);
    ConvertCells(dtByte, {}, bytes, dtInteger, reals, integers, 3);
    std::vector<std::uint8_t> back(3);
    std::vector<float> unused;
    ConvertCells(dtInteger, {}, integers, dtReal, reals, back, 3);
    EXPECT_EQ(reals, (std::vector<float>{0, 1, 200}));
    ConvertCells(dtReal, reals, {}, dtByte, unused, back, 3);
    EXPECT_EQ(back, bytes);

    double min = 0, max = 0;
    CellMinMax(dtInteger, {}, integers, min, max);
    EXPECT_EQ(min, 0);
    EXPECT_EQ(max, 200);
    CellMinMax(dtReal, {}, {}, min, max);
    EXPECT_EQ(min, 3.4e38);
    EXPECT_EQ(max, -3.4e38);
    const float withNaN[] = {std::nanf(""), 2, -1};
    CellMinMax(dtReal, withNaN, {}, min, max);
    EXPECT_EQ(min, -1);
    EXPECT_EQ(max, 2);

}

} // namespace
