#pragma once
// A reclassification table, the lookup of one value in it, and the index
// that answers the same lookups for a window's cells in a few steps, however
// long the table.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "platform/BulkMemory.h"
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// One range: every value from From to To, both inclusive, becomes Value.
struct TReclassRow {
    double From = 0;
    double To = 0;
    double Value = 0;
    bool operator==(const TReclassRow&) const = default;
};
// A user-defined table is ordered by From with From <= To in every row and
// no overlap between neighbours (gaps are allowed); an equal-interval table
// is contiguous.
using Double3Array = std::vector<TReclassRow>;

// The value of the first row that holds x; x itself below the first row,
// above the last, in a gap or when it is NaN. Scans the table.
double ReclassLookup(const Double3Array& table, double x);

// How a TReclassIndex finds a cell's row.
enum class TReclassSearch {
    Whole,  // whole-number cells: the answer for each value the source type holds, taken beforehand
    Spread, // an ordered table of nearly equal classes: a cell's bucket is its row, give or take a few
    Edges,  // an ordered table: a cell's bucket tells which rows to search
    Scan,   // a table out of order: ReclassLookup
};

// Answers ReclassLookup(table, x) for 32-bit cells x, exactly.
//
// A table in order (From <= To in each row, To <= the next row's From, no
// NaN) has one row that can hold x: the first whose To is not below x. Each
// To is kept as the largest 32-bit value not above it, which a cell
// compares with as with To, and the range of those is cut into as many
// equal buckets as there are rows, each knowing the first row whose To
// falls into it or later. A cell's row lies
// between the first rows of its bucket and of the next: in a table of
// nearly equal classes (equal intervals, with or without gaps) a bucket's
// first row is its own number give or take a few, and the index needs no
// more than the rows themselves.
//
// Cells of a byte or integer source hold whole numbers of its range: the
// answers for every one of them are taken once, beforehand.
class TReclassIndex {
public:
    // The table is observed, not copied: it must outlive the index.
    TReclassIndex(const Double3Array& table, std::uint8_t sourceType);

    TReclassSearch Search() const { return Kind; }

    // Each way of Search(), for the loops that pick one for a whole window;
    // Map takes the index's own.
    double MapWhole(float x) const
    {
        if (x >= WholeLow && x <= WholeHigh) {
            const auto k = static_cast<std::int32_t>(x);
            // Compared as bits: a cell -0 is no whole number of the source.
            if (std::bit_cast<std::uint32_t>(static_cast<float>(k)) == std::bit_cast<std::uint32_t>(x))
                return WholeValues[static_cast<std::size_t>(k - WholeLow)];
        }
        return Highs.empty() ? MapScan(x) : MapEdges(x);
    }
    double MapSpread(float x) const { return Counted(SpreadFirst(x), x); }
    // Starts loading the rows MapSpread will read for x.
    void PrefetchSpread(float x) const
    {
#if defined(__SSE2__)
        const std::uint32_t first = SpreadFirst(x);
        _mm_prefetch(reinterpret_cast<const char*>(Highs.data() + first), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(Values.data() + first), _MM_HINT_T0);
#endif
    }
    // Rows beyond the caches: worth PrefetchSpread some cells ahead.
    bool FarRows() const { return Highs.size() > kNearRows; }
    double MapEdges(float x) const
    {
        const std::int32_t bucket = Bucket(x);
        std::uint32_t lo = First[static_cast<std::size_t>(bucket)];
        const std::uint32_t hi = First[static_cast<std::size_t>(bucket) + 1];
        if (hi - lo > kCountedRows) [[unlikely]]
            lo = Narrow(lo, hi, x);
        return Counted(lo, x);
    }
    double MapScan(float x) const { return ReclassLookup(Table, x); }
    double Map(float x) const;

private:
    // What a row gives a cell that its High does not lie below: Value when
    // the cell is not below From, else the cell itself (it lies in a gap).
    struct TRowValue {
        double From;
        double Value;
    };
    // A cell's row is found among this many rows from a first one that its
    // bucket gives; a bucket of Edges with more (a table of very unequal
    // classes) is halved down to them first. The rows end with as many that
    // hold nothing.
    static constexpr std::uint32_t kCountedRows = 4;
    // 24 bytes each, about what a core's own cache holds.
    static constexpr std::size_t kNearRows = 1 << 16;

    std::uint32_t SpreadFirst(float x) const
    {
        const std::int32_t guess = Bucket(x) - SpreadOffset;
        return static_cast<std::uint32_t>(guess > 0 ? guess : 0);
    }

    void IndexEdges();
    void TakeWholeValues(std::int32_t low, std::int32_t high);
    std::uint32_t Narrow(std::uint32_t lo, std::uint32_t hi, float x) const;

    // Non-decreasing in x, NaN aside (bucket 0): a larger cell never falls
    // into an earlier bucket. Cells beyond the edges are as common as any,
    // so there is no branch.
    std::int32_t Bucket(float x) const
    {
#if defined(__SSE2__)
        const __m128 t = _mm_mul_ps(_mm_sub_ps(_mm_set1_ps(x), _mm_set1_ps(BucketBase)), _mm_set1_ps(BucketScale));
        // MAXPS gives its second operand for a NaN.
        return _mm_cvttss_si32(_mm_min_ps(_mm_max_ps(t, _mm_setzero_ps()), _mm_set1_ps(BucketLast)));
#else
        const float t = (x - BucketBase) * BucketScale;
        return static_cast<std::int32_t>(std::min(std::max(0.0F, t), BucketLast));
#endif
    }
    // The row of x among the kCountedRows rows from lo, which the row of x is
    // one of or follows: each whose High lies below x moves x one row on.
    // Counted and chosen without a branch, since neighbouring cells need
    // not share a row.
    double Counted(std::uint32_t lo, float x) const
    {
#if defined(__SSE2__)
        static_assert(kCountedRows == 4, "one vector of Highs");
        static constexpr std::uint8_t kOnes[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};
        const __m128 below = _mm_cmplt_ps(_mm_loadu_ps(Highs.data() + lo), _mm_set1_ps(x));
        const TRowValue& found = Values[lo + kOnes[_mm_movemask_ps(below)]];
        const __m128d cell = _mm_set_sd(static_cast<double>(x));
        const __m128d inside = _mm_cmple_sd(_mm_set_sd(found.From), cell);
        return _mm_cvtsd_f64(_mm_or_pd(_mm_and_pd(inside, _mm_set_sd(found.Value)), _mm_andnot_pd(inside, cell)));
#else
        std::uint32_t row = lo;
        for (std::uint32_t j = 0; j < kCountedRows; ++j) row += Highs[lo + j] < x ? 1 : 0;
        const std::uint64_t inside = 0 - static_cast<std::uint64_t>(Values[row].From <= x);
        return std::bit_cast<double>((std::bit_cast<std::uint64_t>(Values[row].Value) & inside) |
                                     (std::bit_cast<std::uint64_t>(static_cast<double>(x)) & ~inside));
#endif
    }

    const Double3Array& Table;
    TReclassSearch Kind = TReclassSearch::Scan;
    // Each row's To as the largest 32-bit value not above it: a cell lies
    // above To exactly when it lies above that. Empty for a table out of
    // order; else followed by kCountedRows NaN, below which no cell lies.
    TBulkVector<float> Highs;
    TBulkVector<TRowValue> Values; // and as many rows that hold no cell
    // First[b]: the first row whose High falls into bucket b or a later
    // one; one entry more than there are buckets.
    TBulkVector<std::uint32_t> First;
    float BucketBase = 0;
    float BucketScale = 0;
    float BucketLast = 0; // the last bucket's number
    // Spread: bucket b's first row is not before b - SpreadOffset, nor the
    // next bucket's more than kCountedRows rows after that.
    std::int32_t SpreadOffset = 0;
    std::int32_t WholeLow = 0;
    std::int32_t WholeHigh = -1;
    std::vector<double> WholeValues;
};
