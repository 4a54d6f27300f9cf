#include "calculator/CellMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
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
    std::vector<std::uint8_t> integers;
    std::vector<float> reals;
    ConvertCells(dtByte, {}, bytes, dtInteger, reals, integers, 3);
    ASSERT_EQ(integers.size(), 6u);
    std::vector<std::uint8_t> back;
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
    CellMinMax(dtReal, {std::nanf(""), 2, -1}, {}, min, max);
    EXPECT_EQ(min, -1);
    EXPECT_EQ(max, 2);

}

} // namespace
