#include "calculator/ReclassTable.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cmath>
#include <limits>

#include "geodata/IdrisiRDC.h"
#include "platform/ParallelFor.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QM_RECLASS_AVX2 1
#include <immintrin.h>
#endif

namespace {

constexpr float kFloatMax = std::numeric_limits<float>::max();
constexpr float kFloatInfinity = std::numeric_limits<float>::infinity();

// The 32-bit value next below a finite f.
float NextDown(float f)
{
    if (f == 0) return -std::numeric_limits<float>::denorm_min();
    const auto bits = std::bit_cast<std::uint32_t>(f);
    return std::bit_cast<float>(f > 0 ? bits - 1 : bits + 1);
}

// The largest 32-bit value not above d.
float AtMost(double d)
{
    if (d < -kFloatMax) return -kFloatInfinity;
    if (d == std::numeric_limits<double>::infinity()) return kFloatInfinity;
    if (d > kFloatMax) return kFloatMax;
    float f = static_cast<float>(d);
    return static_cast<double>(f) > d ? NextDown(f) : f;
}

// The smallest 32-bit value not below d.
float AtLeast(double d)
{
    return -AtMost(-d);
}

// Tables of fewer rows are indexed on the calling thread alone.
constexpr std::size_t kParallelRows = std::size_t(1) << 15;

// The number of slices EachSlice cuts `count` items into.
std::size_t SliceCount(std::size_t count)
{
    return count < kParallelRows ? 1 : ParallelParts();
}

// part(k, begin, end) for the k-th of the slices that cut `count` items,
// each on a core of its own when there are many. The last ones may be empty.
template <class Part>
void EachSlice(std::size_t count, Part part)
{
    const std::size_t parts = SliceCount(count);
    const std::size_t length = (count + parts - 1) / parts;
    ParallelFor(parts, [&](std::size_t k) {
        const std::size_t begin = std::min(count, k * length);
        part(k, begin, std::min(count, begin + length));
    });
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

#if defined(QM_RECLASS_AVX2)
// What the vector loop reads of an index: the rows as 32-bit and as 64-bit
// words (row r: High at float 4r, Low at float 4r + 1, Value at double
// 2r + 1) and the buckets.
struct TSpreadWords {
    const float* Floats;
    const double* Doubles;
    float HalfBase;
    float Scale;
    float Last;
    std::int32_t Offset;
};

// The first rows of eight cells, as SpreadFirst() takes them; the bucket as
// Bucket() takes it: MAXPS gives its second operand, 0, for a NaN.
__attribute__((target("avx2"), always_inline)) inline __m256i SpreadFirstRows(const TSpreadWords& words, __m256 x)
{
    const __m256 t = _mm256_mul_ps(_mm256_sub_ps(_mm256_mul_ps(x, _mm256_set1_ps(0.5F)), _mm256_set1_ps(words.HalfBase)),
                                   _mm256_set1_ps(words.Scale));
    const __m256i bucket =
        _mm256_cvttps_epi32(_mm256_min_ps(_mm256_max_ps(t, _mm256_setzero_ps()), _mm256_set1_ps(words.Last)));
    return _mm256_max_epi32(_mm256_sub_epi32(bucket, _mm256_set1_epi32(words.Offset)), _mm256_setzero_si256());
}

// Rows of more bytes than this (about what a core's own cache holds) are
// fetched ahead of the cells that read them, this many cells ahead: far
// enough for the memory to answer before the cells are reached.
constexpr std::size_t kPrefetchFrom = std::size_t(1) << 18;
constexpr std::size_t kPrefetchAhead = 64;

// MapSpread for eight cells at a time, step for step, as long as eight
// remain; gives the number of cells done. Row numbers times four must fit
// 31 bits. With Prefetch, the rows of the cells kPrefetchAhead further on
// are asked for first: the cells of a large table's rows fall on unrelated
// cache lines, and each gather would otherwise wait for the memory alone.
template <std::uint32_t Count, bool Prefetch>
__attribute__((target("avx2"))) std::size_t SpreadEights(const TSpreadWords& words, const float* cells,
                                                         double* results, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        if (Prefetch && i + kPrefetchAhead + 8 <= n) {
            alignas(32) std::int32_t ahead[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(ahead),
                               SpreadFirstRows(words, _mm256_loadu_ps(cells + i + kPrefetchAhead)));
            // The rows from the first to the one after the last compared: the
            // found row lies among them.
            for (std::int32_t row : ahead) {
                _mm_prefetch(reinterpret_cast<const char*>(words.Floats + 4 * row), _MM_HINT_T0);
                _mm_prefetch(reinterpret_cast<const char*>(words.Floats + 4 * (row + Count)), _MM_HINT_T0);
            }
        }
        const __m256 x = _mm256_loadu_ps(cells + i);
        const __m256i first = SpreadFirstRows(words, x);
        // Each High below x moves x one row on; a true comparison is -1.
        const __m256i firstWord = _mm256_slli_epi32(first, 2);
        __m256i row = first;
        for (std::uint32_t j = 0; j < Count; ++j) {
            const __m256 high = _mm256_i32gather_ps(words.Floats + 4 * j, firstWord, 4);
            row = _mm256_sub_epi32(row, _mm256_castps_si256(_mm256_cmp_ps(high, x, _CMP_LT_OQ)));
        }
        const __m256 low = _mm256_i32gather_ps(words.Floats + 1, _mm256_slli_epi32(row, 2), 4);
        const __m256i inside = _mm256_castps_si256(_mm256_cmp_ps(low, x, _CMP_LE_OQ));
        const __m256i valueWord = _mm256_add_epi32(_mm256_slli_epi32(row, 1), _mm256_set1_epi32(1));
        for (int half = 0; half < 2; ++half) {
            const __m128i words4 =
                half == 0 ? _mm256_castsi256_si128(valueWord) : _mm256_extracti128_si256(valueWord, 1);
            const __m128i inside4 = half == 0 ? _mm256_castsi256_si128(inside) : _mm256_extracti128_si256(inside, 1);
            const __m128 x4 = half == 0 ? _mm256_castps256_ps128(x) : _mm256_extractf128_ps(x, 1);
            // The masked form: the plain one leaves GCC 12 warning of its own undefined start.
            const __m256d value = _mm256_mask_i32gather_pd(_mm256_setzero_pd(), words.Doubles, words4,
                                                           _mm256_castsi256_pd(_mm256_set1_epi64x(-1)), 8);
            const __m256d mask = _mm256_castsi256_pd(_mm256_cvtepi32_epi64(inside4));
            _mm256_storeu_pd(results + i + 4 * half, _mm256_blendv_pd(_mm256_cvtps_pd(x4), value, mask));
        }
    }
    return i;
}
#endif

} // namespace

double ReclassLookup(const Double3Array& table, double x)
{
    // No row holds a NaN, whatever the order of the table: it needs no scan.
    if (std::isnan(x) || table.empty() || x < table.front().From || x > table.back().To) return x;
    for (const TReclassRow& row : table)
        if (row.From <= x && x <= row.To) return row.Value;
    return x;
}

TReclassIndex::TReclassIndex(const Double3Array& table, std::uint8_t sourceType) : Table(table)
{
    if (IsOrdered(table)) IndexEdges();
#if defined(QM_RECLASS_AVX2)
    Eights = Kind == TReclassSearch::Spread && RowCount < (std::size_t(1) << 28) && __builtin_cpu_supports("avx2");
    Prefetch = RowCount * sizeof(TEdgeRow) >= kPrefetchFrom;
#endif
    // Scanning a table out of order once for each of 65,536 integers could
    // cost more than the cells themselves.
    if (sourceType == dtByte)
        TakeWholeValues(0, 255);
    else if (sourceType == dtInteger && Kind != TReclassSearch::Scan)
        TakeWholeValues(-32768, 32767);
}

void TReclassIndex::MapSpreadCells(const float* cells, double* results, std::size_t n) const
{
    std::size_t done = 0;
#if defined(QM_RECLASS_AVX2)
    if (Eights) {
        static_assert(sizeof(TEdgeRow) == 16 && offsetof(TEdgeRow, Low) == 4 && offsetof(TEdgeRow, Value) == 8);
        const TSpreadWords words{reinterpret_cast<const float*>(Rows.get()),
                                 reinterpret_cast<const double*>(Rows.get()),
                                 BucketHalfBase,
                                 BucketScale,
                                 BucketLast,
                                 SpreadOffset};
        if (SpreadCount == 2)
            done = Prefetch ? SpreadEights<2, true>(words, cells, results, n)
                            : SpreadEights<2, false>(words, cells, results, n);
        else
            done = Prefetch ? SpreadEights<kCountedRows, true>(words, cells, results, n)
                            : SpreadEights<kCountedRows, false>(words, cells, results, n);
    }
#endif
    if (SpreadCount == 2)
        for (; done < n; ++done) results[done] = Counted<2>(SpreadFirst(cells[done]), cells[done]);
    else
        for (; done < n; ++done) results[done] = Counted<kCountedRows>(SpreadFirst(cells[done]), cells[done]);
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
    TakeEdges();
    CutBuckets();
    CountFirstRows();
    ChooseSearch();
}

void TReclassIndex::TakeEdges()
{
    const std::size_t rows = Table.size();
    Rows = std::make_unique_for_overwrite<TEdgeRow[]>(rows + kCountedRows);
    RowCount = rows;
    // Written by every core, which spreads the first touch of the pages too.
    EachSlice(rows, [&](std::size_t, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i)
            Rows[i] = {AtMost(Table[i].To), AtLeast(Table[i].From), Table[i].Value};
    });
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    for (std::size_t i = rows; i < rows + kCountedRows; ++i) Rows[i] = {kNaN, kNaN, 0};
}

// As many buckets as rows, over the finite Highs, which ascend with the rows.
void TReclassIndex::CutBuckets()
{
    const std::size_t rows = Table.size();
    std::size_t first = 0;
    while (first < rows && !std::isfinite(Rows[first].High)) ++first;
    std::size_t last = rows;
    while (last > first && !std::isfinite(Rows[last - 1].High)) --last;
    std::size_t buckets = 1;
    if (last > first + 1 && Rows[last - 1].High > Rows[first].High) {
        buckets = rows;
        const float base = Rows[first].High;
        BucketHalfBase = base * 0.5F;
        const double halfRange = (static_cast<double>(Rows[last - 1].High) - base) / 2;
        const double scale = static_cast<double>(buckets) / halfRange;
        BucketScale = static_cast<float>(std::min(scale, static_cast<double>(kFloatMax)));
    }
    BucketLast = static_cast<float>(buckets - 1);
}

// Row r is the first row of the buckets after the bucket of row r - 1 up to
// its own; the rows of a slice fill just those buckets.
void TReclassIndex::CountFirstRows()
{
    const std::size_t rows = Table.size();
    const std::size_t buckets = BucketCount();
    First = std::make_unique_for_overwrite<std::uint32_t[]>(buckets + 1);
    EachSlice(rows, [&](std::size_t, std::size_t begin, std::size_t end) {
        std::size_t bucket = begin == 0 ? 0 : static_cast<std::size_t>(Bucket(Rows[begin - 1].High)) + 1;
        for (std::size_t r = begin; r < end; ++r)
            for (const auto own = static_cast<std::size_t>(Bucket(Rows[r].High)); bucket <= own; ++bucket)
                First[bucket] = static_cast<std::uint32_t>(r);
        // The buckets after the last row's belong to the slice that holds it.
        if (begin < end && end == rows)
            for (; bucket <= buckets; ++bucket) First[bucket] = static_cast<std::uint32_t>(rows);
    });
}

// Spread when every bucket's first row, and the next bucket's, lie within
// kCountedRows rows of the bucket's number shifted by one offset.
void TReclassIndex::ChooseSearch()
{
    const std::size_t buckets = BucketCount();
    struct TReach {
        std::int64_t Behind = std::numeric_limits<std::int64_t>::min();
        std::int64_t Ahead = std::numeric_limits<std::int64_t>::min();
    };
    std::vector<TReach> parts(SliceCount(buckets));
    EachSlice(buckets, [&](std::size_t part, std::size_t begin, std::size_t end) {
        for (std::size_t b = begin; b < end; ++b) {
            parts[part].Behind = std::max(parts[part].Behind, static_cast<std::int64_t>(b) - First[b]);
            parts[part].Ahead = std::max(parts[part].Ahead, std::int64_t{First[b + 1]} - static_cast<std::int64_t>(b));
        }
    });
    TReach reach;
    for (const TReach& part : parts) {
        reach.Behind = std::max(reach.Behind, part.Behind);
        reach.Ahead = std::max(reach.Ahead, part.Ahead);
    }
    const std::int64_t span = reach.Behind + reach.Ahead;
    Kind = span <= kCountedRows ? TReclassSearch::Spread : TReclassSearch::Edges;
    // Two rows are fewer compared and mostly on one cache line.
    SpreadCount = span <= 2 ? 2 : kCountedRows;
    SpreadOffset = static_cast<std::int32_t>(reach.Behind);
}

std::uint32_t TReclassIndex::Narrow(std::uint32_t lo, std::uint32_t hi, float x) const
{
    while (hi - lo > kCountedRows) {
        std::uint32_t mid = lo + (hi - lo) / 2;
        if (Rows[mid].High < x)
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
