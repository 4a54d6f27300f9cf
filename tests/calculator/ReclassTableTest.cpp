#include "calculator/ReclassTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "calculator/CellMath.h"
#include "calculator/Reclassify.h"
#include "geodata/IdrisiRDC.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kFloatMax = std::numeric_limits<float>::max();

// An ordered table from `start`: each row's width and the gap before it
// drawn from the lists (a gap 0 shares an edge, a width 0 makes a row of
// one value), its value now and then NaN, an infinity or -0.
Double3Array OrderedTable(std::uint32_t seed, int rows, double start, const std::vector<double>& widths,
                          const std::vector<double>& gaps)
{
    std::mt19937 random(seed);
    auto pick = [&](const std::vector<double>& from) { return from[random() % from.size()]; };
    const double specials[] = {kNaN, kInf, -kInf, -0.0};
    Double3Array table;
    double at = start;
    for (int i = 0; i < rows; ++i) {
        if (i > 0) at += pick(gaps);
        double to = at + pick(widths);
        double value = random() % 10 == 0 ? specials[random() % 4] : static_cast<double>(random() % 2001) - 1000.25;
        table.push_back({at, to, value});
        at = to;
    }
    return table;
}

Double3Array EveryOtherRow(const Double3Array& table)
{
    Double3Array kept;
    for (std::size_t i = 0; i < table.size(); i += 2) kept.push_back(table[i]);
    return kept;
}

Double3Array EqualIntervals(double min, double max, std::int64_t classes)
{
    return EqualIntervalTable(min, max, (max - min) / static_cast<double>(classes), classes);
}

// Rows of width 1 but for five in the room of one: one more than the index
// finds without a search.
Double3Array FiveRowsInOne()
{
    Double3Array table;
    for (int i = 0; i < 40; ++i) table.push_back({double(i), i + 1.0, i * 10.0});
    for (int i = 0; i < 5; ++i) table[20 + i] = {20 + i * 0.2, 20.2 + i * 0.2, 200.0 + i};
    for (int i = 25; i < 40; ++i) table[i].From = table[i].From - 4, table[i].To = table[i].To - 4;
    return table;
}

// The cells worth asking about: every edge as a cell holds it and the cells
// one step beside, and the values no row or every row may hold.
std::vector<float> Probes(const Double3Array& table, std::uint8_t sourceType)
{
    std::vector<float> cells = {0.0F, -0.0F, kFloatMax, -kFloatMax, std::numeric_limits<float>::denorm_min(),
                                static_cast<float>(kInf), static_cast<float>(-kInf), static_cast<float>(kNaN)};
    auto nearby = [&](double edge) {
        if (std::isnan(edge)) return;
        const float f = std::fabs(edge) > kFloatMax ? std::copysign(kFloatMax, static_cast<float>(edge))
                                                    : static_cast<float>(edge);
        cells.insert(cells.end(), {f, std::nextafter(f, -kFloatMax * 2), std::nextafter(f, kFloatMax * 2)});
    };
    for (const TReclassRow& row : table) {
        nearby(row.From);
        nearby(row.To);
        nearby((row.From + row.To) / 2);
    }
    if (sourceType == dtByte)
        for (int k = 0; k < 256; ++k) cells.push_back(static_cast<float>(k));
    if (sourceType == dtInteger)
        for (int k = -32768; k < 32768; ++k) cells.push_back(static_cast<float>(k));
    return cells;
}

// The scan's answer for a table in order, found by halving: the first row
// whose To is not below x is the only one that can hold x.
double OrderedLookup(const Double3Array& table, double x)
{
    auto row = std::partition_point(table.begin(), table.end(), [x](const TReclassRow& r) { return r.To < x; });
    return row != table.end() && row->From <= x ? row->Value : x;
}

template <class Value>
auto Bits(Value value)
{
    return std::bit_cast<std::conditional_t<sizeof(Value) == 8, std::uint64_t, std::uint32_t>>(value);
}

// The index must give every cell exactly what the scan gives it, to the
// bit (the sign of a zero and a NaN kept), whichever way it searches: one
// cell at a time and a window of them on every core. Tables too long to
// scan for every cell, which are indexed on every core too, are checked
// against the halving, and it against the scan now and then.
TEST(ReclassIndexTest, EveryCellGetsTheScansAnswer)
{
    using enum TReclassSearch;
    struct Row {
        const char* Name;
        Double3Array Table;
        std::uint8_t SourceType;
        TReclassSearch Search;
        bool Long = false;
    };
    const std::vector<double> nearlyEqual = {0.9, 1, 1.1};
    const std::vector<double> unequal = {0, 1e-3, 1, 1e3};
    const Row rows[] = {
        {"1,000 equal intervals", EqualIntervals(-7.3, 992.7, 1000), dtReal, Spread},
        {"4,000 equal intervals, every other one", EveryOtherRow(EqualIntervals(0, 100, 8000)), dtReal, Spread},
        {"minimum equal to maximum", EqualIntervals(4, 4, 6), dtReal, Edges},
        {"nearly equal rows with shared edges and gaps", OrderedTable(1, 3000, -50, nearlyEqual, {0, 0, 0.5}), dtReal,
         Edges},
        {"one row", {{2, 5, 9}}, dtReal, Spread},
        {"one row of one value", {{3, 3, 1}}, dtReal, Spread},
        {"repeated edges", {{0, 1, 1}, {1, 1, 2}, {1, 1, 3}, {1, 1, 4}, {1, 1, 5}, {1, 1, 6}, {1, 2, 7}, {2, 2, 8}},
         dtReal, Edges},
        {"five rows where one would do", FiveRowsInOne(), dtReal, Edges},
        {"unequal rows, zero-width ones among them", OrderedTable(2, 3000, -1e4, unequal, {0, 0, 1e-2, 10}), dtReal,
         Edges},
        {"infinite edges", {{-kInf, -5, 1}, {-5, 0, 2}, {0, 0, 3}, {1, 2, 4}, {2, kInf, 5}}, dtReal, Spread},
        {"edges beyond 32-bit values", {{-1e300, -1e39, 1}, {-1e39, -1e38, 2}, {1e38, 1e39, 3}, {1e39, 1e300, 4}},
         dtReal, Spread},
        {"equal intervals across the whole 32-bit range", EqualIntervals(-3.4e38, 3.4e38, 1000), dtReal, Spread},
        {"equal intervals at the ends of the 32-bit range, a gap between",
         EveryOtherRow(EqualIntervals(-3.4028e38, 3.4028e38, 4001)), dtReal, Spread},
        {"rows narrower than a cell's step", EqualIntervals(1e6, 1e6 + 0.02, 2000), dtReal, Edges},
        {"byte source", OrderedTable(3, 60, -10, {0, 2, 7}, {0, 1, 3}), dtByte, Whole},
        {"integer source", OrderedTable(4, 400, -40000, {0, 10, 300}, {0, 1, 50}), dtInteger, Whole},
        {"byte source, rows out of order", {{0, 10, 1}, {5, 15, 2}, {-3, 1, 3}}, dtByte, Whole},
        {"integer source, rows out of order", {{0, 10, 1}, {5, 15, 2}, {-3, 1, 3}}, dtInteger, Scan},
        {"overlapping rows", {{0, 10, 1}, {5, 15, 2}, {-3, 1, 3}}, dtReal, Scan},
        {"descending rows (maximum below minimum)", EqualIntervals(10, 0, 5), dtReal, Scan},
        {"a NaN edge", {{0, kNaN, 1}, {2, 3, 4}}, dtReal, Scan},
        {"no rows", {}, dtReal, Scan},
        {"100,000 equal intervals", EqualIntervals(-3, 1e4, 100000), dtReal, Spread, true},
        {"40,000 unequal rows", OrderedTable(5, 40000, -1e6, unequal, {0, 0, 1e-2, 10}), dtReal, Edges, true},
    };
    for (const Row& row : rows) {
        const TReclassIndex index(row.Table, row.SourceType);
        EXPECT_EQ(index.Search(), row.Search) << row.Name;
        const std::vector<float> cells = Probes(row.Table, row.SourceType);
        std::vector<float> window = cells;
        double min = 3.4e38;
        double max = -3.4e38;
        ReclassCells(index, window, TExtremes{min, max});
        int wrong = 0;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const double expected = row.Long ? OrderedLookup(row.Table, cells[i]) : ReclassLookup(row.Table, cells[i]);
            if (row.Long && i % 997 == 0) {
                EXPECT_EQ(Bits(expected), Bits(ReclassLookup(row.Table, cells[i]))) << row.Name;
            }
            const bool right = Bits(index.Map(cells[i])) == Bits(expected) &&
                               Bits(window[i]) == Bits(static_cast<float>(expected));
            if (!right && ++wrong <= 3)
                ADD_FAILURE() << row.Name << ": cell " << cells[i] << " gives " << index.Map(cells[i]) << " alone, "
                              << window[i] << " in a window; the scan " << expected;
        }
        EXPECT_EQ(wrong, 0) << row.Name;
    }
}

// A NaN cell stays the NaN it is, its sign and payload too, against a
// table in order, out of order, or of descending rows.
TEST(ReclassIndexTest, NaNCellsStayWhateverTheTable)
{
    const float nan = std::bit_cast<float>(0xFFC01234U);
    const Double3Array tables[] = {
        EqualIntervals(0, 100, 50),
        {{0, 10, 1}, {5, 15, 2}, {-3, 1, 3}},
        EqualIntervals(3.4e38, -3.4e38, 999),
        {{kNaN, kNaN, 1}},
    };
    for (const Double3Array& table : tables) {
        EXPECT_EQ(Bits(ReclassLookup(table, nan)), Bits(static_cast<double>(nan))) << table.size() << " rows";
        for (std::uint8_t sourceType : {dtByte, dtInteger, dtReal}) {
            const TReclassIndex index(table, sourceType);
            std::vector<float> window(40, nan);
            double min = 3.4e38;
            double max = -3.4e38;
            ReclassCells(index, window, TExtremes{min, max});
            EXPECT_EQ(Bits(index.Map(nan)), Bits(static_cast<double>(nan))) << table.size() << " rows";
            EXPECT_EQ(Bits(window.back()), Bits(nan)) << table.size() << " rows";
        }
    }
}

} // namespace
