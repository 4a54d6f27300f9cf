#pragma once
// A reclassification table, the lookup of one value in it, and the index
// that answers the same lookups for a window's cells in a few steps, however
// long the table.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <vector>
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
// above the last, in a gap or when it is NaN. Scans the table, but for a
// NaN, which no row holds.
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
// NaN) has one row that can hold x: the first whose To is not below x. The
// edges are kept as the 32-bit values a cell compares with as with them,
// and the range of the To edges is cut into as many equal buckets as there
// are rows, each knowing the first row whose To falls into it or later. A
// cell's row lies between the first rows of its bucket and of the next. In
// a table of nearly equal classes (equal intervals, with or without gaps) a
// bucket's first row is its own number give or take a few, so a cell reads
// two or four rows beside each other and nothing else; on a processor with
// AVX2 eight cells do so at once, and when the rows outgrow a core's cache
// the rows of later cells are fetched while earlier ones are compared.
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
        return Rows ? MapEdges(x) : MapScan(x);
    }
    double MapSpread(float x) const
    {
        return SpreadCount == 2 ? Counted<2>(SpreadFirst(x), x) : Counted<kCountedRows>(SpreadFirst(x), x);
    }
    // MapSpread for each of n cells, several at once where the processor
    // can.
    void MapSpreadCells(const float* cells, double* results, std::size_t n) const;
    double MapEdges(float x) const
    {
        const std::int32_t bucket = Bucket(x);
        std::uint32_t lo = First[static_cast<std::size_t>(bucket)];
        const std::uint32_t hi = First[static_cast<std::size_t>(bucket) + 1];
        if (hi - lo > kCountedRows) [[unlikely]]
            lo = Narrow(lo, hi, x);
        return Counted<kCountedRows>(lo, x);
    }
    double MapScan(float x) const { return ReclassLookup(Table, x); }
    double Map(float x) const;

private:
    // A row as a cell compares with it: High the largest 32-bit value not
    // above To, Low the smallest not below From. A cell lies in the row
    // exactly when it lies between them. One row is 16 bytes: the rows a
    // cell compares with are mostly on one cache line.
    struct TEdgeRow {
        float High;
        float Low;
        double Value;
    };
    // A cell's row is found among this many rows from a first one that its
    // bucket gives; a bucket of Edges with more (a table of very unequal
    // classes) is halved down to them first. The rows end with as many that
    // hold nothing.
    static constexpr std::uint32_t kCountedRows = 4;

    std::uint32_t SpreadFirst(float x) const
    {
        const std::int32_t guess = Bucket(x) - SpreadOffset;
        return static_cast<std::uint32_t>(guess > 0 ? guess : 0);
    }
    std::size_t BucketCount() const { return static_cast<std::size_t>(BucketLast) + 1; }
    void IndexEdges();
    void TakeEdges();
    void CutBuckets();
    void CountFirstRows();
    void ChooseSearch();
    void TakeWholeValues(std::int32_t low, std::int32_t high);
    std::uint32_t Narrow(std::uint32_t lo, std::uint32_t hi, float x) const;

    // Non-decreasing in x, NaN aside (bucket 0): a larger cell never falls
    // into an earlier bucket. Cells beyond the edges are as common as any,
    // so there is no branch. Halves are subtracted: x - base overflows for
    // edges at both ends of the 32-bit range, x / 2 - base / 2 never does,
    // and halving is exact, so elsewhere the bucket is the same.
    std::int32_t Bucket(float x) const
    {
#if defined(__SSE2__)
        const __m128 half = _mm_sub_ps(_mm_mul_ps(_mm_set1_ps(x), _mm_set1_ps(0.5F)), _mm_set1_ps(BucketHalfBase));
        const __m128 t = _mm_mul_ps(half, _mm_set1_ps(BucketScale));
        // MAXPS gives its second operand for a NaN.
        return _mm_cvttss_si32(_mm_min_ps(_mm_max_ps(t, _mm_setzero_ps()), _mm_set1_ps(BucketLast)));
#else
        const float t = (x * 0.5F - BucketHalfBase) * BucketScale;
        return static_cast<std::int32_t>(std::min(std::max(0.0F, t), BucketLast));
#endif
    }
    // The row of x among the Count rows from lo, which the row of x is one
    // of or follows: each whose High lies below x moves x one row on.
    // Counted and chosen without a branch, since neighbouring cells need
    // not share a row.
    template <std::uint32_t Count>
    double Counted(std::uint32_t lo, float x) const
    {
        const TEdgeRow* candidates = Rows.get() + lo;
        std::uint32_t below = 0;
        for (std::uint32_t j = 0; j < Count; ++j) below += candidates[j].High < x ? 1 : 0;
        const TEdgeRow& found = candidates[below];
#if defined(__SSE2__)
        const __m128 inside = _mm_cmple_ss(_mm_set_ss(found.Low), _mm_set_ss(x));
        const __m128d mask = _mm_castps_pd(_mm_unpacklo_ps(inside, inside));
        const __m128d cell = _mm_set_sd(static_cast<double>(x));
        return _mm_cvtsd_f64(_mm_or_pd(_mm_and_pd(mask, _mm_set_sd(found.Value)), _mm_andnot_pd(mask, cell)));
#else
        const std::uint64_t mask = 0 - static_cast<std::uint64_t>(found.Low <= x);
        return std::bit_cast<double>((std::bit_cast<std::uint64_t>(found.Value) & mask) |
                                     (std::bit_cast<std::uint64_t>(static_cast<double>(x)) & ~mask));
#endif
    }

    const Double3Array& Table;
    TReclassSearch Kind = TReclassSearch::Scan;
    // None for a table out of order; else the table's RowCount rows
    // followed by kCountedRows rows of NaN edges, which hold no cell and no
    // cell lies below. Left unwritten when made, so that the cores that
    // fill them touch their pages first, each its own.
    std::unique_ptr<TEdgeRow[]> Rows;
    std::size_t RowCount = 0;
    // First[b]: the first row whose High falls into bucket b or a later
    // one; one entry more than there are buckets.
    std::unique_ptr<std::uint32_t[]> First;
    float BucketHalfBase = 0; // half the first finite High
    float BucketScale = 0;    // buckets per half unit
    float BucketLast = 0; // the last bucket's number
    // Spread: bucket b's first row is not before b - SpreadOffset, nor the
    // next bucket's more than SpreadCount rows after that.
    std::int32_t SpreadOffset = 0;
    std::uint32_t SpreadCount = kCountedRows;
    bool Eights = false;   // MapSpreadCells takes eight cells at a time
    bool Prefetch = false; // and asks for their rows ahead: the rows outgrow the caches
    std::int32_t WholeLow = 0;
    std::int32_t WholeHigh = -1;
    std::vector<double> WholeValues;
};
