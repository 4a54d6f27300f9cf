#include "calculator/ReclassTable.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geodata/IdrisiRDC.h"

namespace {

constexpr float kFloatMax = std::numeric_limits<float>::max();
constexpr float kFloatInfinity = std::numeric_limits<float>::infinity();

// The largest 32-bit value not above d.
float AtMost(double d)
{
    if (d < -kFloatMax) return -kFloatInfinity;
    if (d == std::numeric_limits<double>::infinity()) return kFloatInfinity;
    if (d > kFloatMax) return kFloatMax;
    float f = static_cast<float>(d);
    return static_cast<double>(f) > d ? std::nextafter(f, -kFloatInfinity) : f;
}

// The order every table the dialog makes has; NaN edges fail it. Row
// numbers must fit the index's 32 bits.
bool IsOrdered(const Double3Array& table)
{
    if (table.empty() || table.size() >= std::numeric_limits<std::uint32_t>::max()) return false;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (!(table[i].From <= table[i].To)) return false;
        if (i > 0 && !(table[i - 1].To <= table[i].From)) return false;
    }
    return true;
}

} // namespace

double ReclassLookup(const Double3Array& table, double x)
{
    if (table.empty() || x < table.front().From || x > table.back().To) return x;
    for (const TReclassRow& row : table)
        if (row.From <= x && x <= row.To) return row.Value;
    return x;
}

TReclassIndex::TReclassIndex(const Double3Array& table, std::uint8_t sourceType) : Table(table)
{
    if (IsOrdered(table)) IndexEdges();
    // Scanning a table out of order once for each of 65,536 integers could
    // cost more than the cells themselves.
    if (sourceType == dtByte)
        TakeWholeValues(0, 255);
    else if (sourceType == dtInteger && Kind != TReclassSearch::Scan)
        TakeWholeValues(-32768, 32767);
}

double TReclassIndex::Map(float x) const
{
    switch (Kind) {
    case TReclassSearch::Whole: return MapWhole(x);
    case TReclassSearch::Spread: return MapSpread(x);
    case TReclassSearch::Edges: return MapEdges(x);
    case TReclassSearch::Scan: break;
    }
    return MapScan(x);
}

void TReclassIndex::IndexEdges()
{
    const std::size_t rows = Table.size();
    Highs.reserve(rows + kCountedRows);
    Values.reserve(rows + kCountedRows);
    for (const TReclassRow& row : Table) {
        Highs.push_back(AtMost(row.To));
        Values.push_back({row.From, row.Value});
    }

    // Buckets over the finite Highs, which ascend with the rows.
    std::size_t first = 0;
    while (first < rows && !std::isfinite(Highs[first])) ++first;
    std::size_t last = rows;
    while (last > first && !std::isfinite(Highs[last - 1])) --last;
    std::size_t buckets = 1;
    if (last > first + 1 && Highs[last - 1] > Highs[first]) {
        buckets = rows;
        BucketBase = Highs[first];
        const double scale = static_cast<double>(buckets) / (static_cast<double>(Highs[last - 1]) - BucketBase);
        BucketScale = static_cast<float>(std::min(scale, static_cast<double>(kFloatMax)));
    }
    BucketLast = static_cast<float>(buckets - 1);

    First.resize(buckets + 1);
    std::uint32_t row = 0;
    for (std::size_t b = 0; b <= buckets; ++b) {
        while (row < rows && static_cast<std::size_t>(Bucket(Highs[row])) < b) ++row;
        First[b] = row;
    }
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    Highs.insert(Highs.end(), kCountedRows, std::numeric_limits<float>::quiet_NaN());
    Values.insert(Values.end(), kCountedRows, TRowValue{kNaN, 0});

    std::int64_t behind = std::numeric_limits<std::int64_t>::min();
    std::int64_t ahead = std::numeric_limits<std::int64_t>::min();
    for (std::size_t b = 0; b < buckets; ++b) {
        behind = std::max(behind, static_cast<std::int64_t>(b) - First[b]);
        ahead = std::max(ahead, static_cast<std::int64_t>(First[b + 1]) - static_cast<std::int64_t>(b));
    }
    Kind = behind + ahead <= kCountedRows ? TReclassSearch::Spread : TReclassSearch::Edges;
    SpreadOffset = static_cast<std::int32_t>(behind);
}

std::uint32_t TReclassIndex::Narrow(std::uint32_t lo, std::uint32_t hi, float x) const
{
    while (hi - lo > kCountedRows) {
        std::uint32_t mid = lo + (hi - lo) / 2;
        if (Highs[mid] < x)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void TReclassIndex::TakeWholeValues(std::int32_t low, std::int32_t high)
{
    WholeValues.reserve(static_cast<std::size_t>(high - low + 1));
    // Taken the way the index answered before it held them.
    for (std::int32_t k = low; k <= high; ++k) WholeValues.push_back(Map(static_cast<float>(k)));
    WholeLow = low;
    WholeHigh = high;
    Kind = TReclassSearch::Whole;
}
