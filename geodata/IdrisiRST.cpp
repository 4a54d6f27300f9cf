#include "geodata/IdrisiRST.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>

#include "geodata/LangUnit.h"
#include "platform/CheckedMath.h"
#include "platform/Environment.h"
#include "platform/FileByteReader.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/ParallelFor.h"
#include "platform/RuntimeErrors.h"
#include "platform/TextFile.h"

namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "cells are decoded as little-endian");

constexpr std::size_t kPaletteHeaderBytes = 5;
constexpr std::size_t kPaletteBytes = kPaletteHeaderBytes + 256 * 3;
constexpr std::size_t kMaxRangeTextLength = 1000;
// Rows are read in blocks of about this size: few system calls, and the block
// each core holds stays in its cache and adds little to an open's memory.
constexpr std::int64_t kReadBlockBytes = std::int64_t(1) << 18;
// Byte cells are counted into this many tables in turn: a run of equal cells
// then does not wait on one counter.
constexpr std::size_t kByteCountLanes = 4;
// Cell files below this size are read by one core.
constexpr std::int64_t kParallelFromBytes = std::int64_t(1) << 20;

// ---- environment -------------------------------------------------------

std::string ProgramFolder()
{
    const std::string& folder = Environment().ProgramFolder;
    return IncludeTrailingPathDelimiter(folder.empty() ? ExecutableFolder() : folder);
}

std::uint8_t Language()
{
    return Environment().Language != 0 ? Environment().Language : GetLanguage(ExecutablePath());
}

// ---- files -------------------------------------------------------------

// The cell file of a raster, read by several threads at once.
class TCellFile {
public:
    TCellFile(const std::string& rstName, std::int64_t rowBytes, std::int32_t rows)
    {
        // A FIFO, a device or a folder is refused like a missing file.
        try {
            File.emplace(rstName);
        } catch (const EInOutError&) {
            throw QMError("File '%s' not opened (not exists?).", rstName.c_str());
        }
        // Checked before anything is allocated, so a header that declares
        // more cells than the file holds costs nothing.
        if (File->Size() / static_cast<std::uint64_t>(rowBytes) < static_cast<std::uint64_t>(rows))
            throw QMError(std::string("Error on ReadFile"));
    }

    // Reads the `n` bytes at `offset`, inside the rows the constructor checked.
    void Read(std::int64_t offset, void* out, std::int64_t n) const
    {
        try {
            File->ReadAt(static_cast<std::uint64_t>(offset), out, static_cast<std::size_t>(n));
        } catch (const EReadPastEnd&) {
            throw QMError(std::string("Error on ReadFile"));
        } catch (const EInOutError&) {
            throw QMError(std::string("Error on ReadFile"));
        }
    }

private:
    std::optional<TFileByteReader> File;
};

std::int64_t CellBytes(std::uint8_t dataType)
{
    switch (dataType) {
    case dtByte: return 1;
    case dtInteger: return 2;
    case dtReal: return 4;
    default: throw QMError(std::string("Unknown data type"));
    }
}

// The number of row ranges a raster is read in: a few per core, or one for a
// raster small enough that the cores would only wait for each other.
std::size_t RowRangeCount(const TIdrisiRDC& header)
{
    std::int64_t bytes = CellBytes(header.DataType) * header.Columns * std::int64_t(header.Rows);
    return bytes < kParallelFromBytes ? 1 : ParallelParts();
}

// Calls `rowFn(range, fileRow, cells)` for every row of the cell file. The
// rows fall into `ranges` consecutive ranges, numbered in file order (the
// northern row first), which the cores read and convert at once; inside a
// range the rows come in order. So the memory a row is converted into is
// first touched by the core that fills it.
template <class RowFn>
void ForEachCellRow(const TIdrisiRDC& header, std::size_t ranges, RowFn&& rowFn)
{
    std::int64_t rowBytes = CellBytes(header.DataType) * header.Columns;
    TCellFile file(RstFileName(header.HeaderFile), rowBytes, header.Rows);
    const std::int64_t rows = header.Rows;
    const std::int64_t rangeRows = (rows + std::int64_t(ranges) - 1) / std::int64_t(ranges);
    const std::int64_t blockRows = std::clamp<std::int64_t>(kReadBlockBytes / rowBytes, 1, rangeRows);
    ParallelFor(ranges, [&](std::size_t range) {
        const std::int64_t begin = std::min(rows, std::int64_t(range) * rangeRows);
        const std::int64_t end = std::min(rows, begin + rangeRows);
        if (begin >= end) return;
        std::vector<char> buffer(static_cast<std::size_t>(std::min(blockRows, end - begin) * rowBytes));
        for (std::int64_t first = begin; first < end; first += blockRows) {
            std::int64_t count = std::min<std::int64_t>(blockRows, end - first);
            file.Read(first * rowBytes, buffer.data(), count * rowBytes);
            for (std::int64_t i = 0; i < count; ++i)
                rowFn(range, static_cast<std::int32_t>(first + i), buffer.data() + i * rowBytes);
        }
    });
}

template <class Cell>
Cell DecodeCell(const char* bytes, std::int64_t column)
{
    Cell cell;
    std::memcpy(&cell, bytes + column * static_cast<std::int64_t>(sizeof(Cell)), sizeof(Cell));
    return cell;
}

// One cell of file row `fileRow`; none once the cell file no longer holds the raster.
std::optional<double> ReadCellValue(const TIdrisiRDC& header, std::int32_t column, std::int32_t fileRow)
{
    const std::int64_t cellBytes = CellBytes(header.DataType);
    const std::int64_t rowBytes = cellBytes * header.Columns;
    std::array<char, 4> cell{};
    try {
        TCellFile file(RstFileName(header.HeaderFile), rowBytes, header.Rows);
        file.Read(fileRow * rowBytes + column * cellBytes, cell.data(), cellBytes);
    } catch (const QMError&) {
        return std::nullopt;
    }
    if (header.DataType == dtByte) return DecodeCell<std::uint8_t>(cell.data(), 0);
    if (header.DataType == dtInteger) return DecodeCell<std::int16_t>(cell.data(), 0);
    return DecodeCell<float>(cell.data(), 0);
}

// ---- value to palette index ------------------------------------------------

struct TIndexMapping {
    bool Stretch = true;
    double LowBound = 0;
    double HighBound = 0;
    double ScaleA = 0;
    double ScaleB = 0;
    double IndexMin = 0;
    double IndexMax = 255;

    // NaN counts as below the range. The index is clamped while still a
    // double: rounding and clamping to whole bounds commute, and no value
    // can then overflow the conversion.
    std::uint8_t operator()(double v) const
    {
        double r;
        if (!(v >= LowBound))
            r = Stretch ? IndexMin : 254;
        else if (v > HighBound)
            r = Stretch ? IndexMax : 255;
        else
            r = Stretch ? ScaleA * v + ScaleB : v;
        if (!(r >= IndexMin))
            r = IndexMin;
        else if (r > IndexMax)
            r = IndexMax;
        return static_cast<std::uint8_t>(std::nearbyint(r)); // halves to even
    }
};

TIndexMapping MakeIndexMapping(bool stretch, double lowBound, double highBound, std::int32_t indexMin,
                               std::int32_t indexMax)
{
    TIndexMapping map;
    map.Stretch = stretch;
    map.IndexMin = indexMin;
    map.IndexMax = indexMax;
    map.LowBound = lowBound;
    map.HighBound = highBound;
    if (!stretch) {
        map.ScaleA = 1; // ScaleB stays 0
        return map;
    }
    map.ScaleA = (map.IndexMax - map.IndexMin) / (map.HighBound - map.LowBound);
    map.ScaleB = map.IndexMin - map.LowBound * map.ScaleA;
    // An empty range, or one too narrow for doubles, maps every value in it
    // to the lowest index.
    if (map.HighBound <= map.LowBound || !std::isfinite(map.ScaleA) || !std::isfinite(map.ScaleB)) {
        map.ScaleA = 0;
        map.ScaleB = map.IndexMin;
    }
    return map;
}

// ---- histogram ---------------------------------------------------------------

// Bins of equal colour, each Lo <= v < Hi. Bin k's Hi is bin k+1's Lo and
// the Lo values never decrease (ScaleA >= 0), so at most one bin holds a
// value: the first bin that holds it is the only one. The search starts at
// the bin of the value's palette index and walks to it, a step or two.
class THistogramCounter {
public:
    THistogramCounter(ZHistogrammArray bins, const TIndexMapping& mapping)
        : Bins(std::move(bins)), Counts(Bins.size(), 0), ScaleA(mapping.ScaleA), ScaleB(mapping.ScaleB)
    {
        for (std::size_t k = 0; k < Bins.size(); ++k) {
            std::size_t end = k + 1 < Bins.size() ? static_cast<std::size_t>(Bins[k + 1].PaletteIndex) : 256;
            for (auto i = static_cast<std::size_t>(Bins[k].PaletteIndex); i < end; ++i) BinOfIndex[i] = k;
        }
    }

    // The bin that holds v, or -1 (NaN too).
    std::ptrdiff_t Find(double v) const
    {
        if (Bins.empty() || !(v >= Bins.front().Lo && v < Bins.back().Hi)) return -1;
        std::size_t k = BinOfIndex[GuessIndex(v)];
        while (v < Bins[k].Lo) --k;
        while (v >= Bins[k].Hi) ++k;
        return static_cast<std::ptrdiff_t>(k);
    }
    const ZHistogramm& Bin(std::ptrdiff_t k) const { return Bins[static_cast<std::size_t>(k)]; }

    // Counts `count` values of bin k, the least `min` and the greatest `max`.
    void AddRun(std::ptrdiff_t k, std::int64_t count, double min, double max)
    {
        ZHistogramm& bin = Bins[static_cast<std::size_t>(k)];
        Counts[static_cast<std::size_t>(k)] += count;
        bin.ActualMin = std::min(bin.ActualMin, min);
        bin.ActualMax = std::max(bin.ActualMax, max);
    }
    // Takes in the counts of the same bins over later cells.
    void Merge(const THistogramCounter& later)
    {
        for (std::size_t k = 0; k < Bins.size(); ++k)
            if (later.Counts[k] > 0) AddRun(static_cast<std::ptrdiff_t>(k), later.Counts[k], later.Bins[k].ActualMin,
                                            later.Bins[k].ActualMax);
    }
    void Add(double v, std::int64_t count)
    {
        std::ptrdiff_t k = Find(v);
        if (k >= 0) AddRun(k, count, v, v);
    }

    // The bins that counted a cell, in order.
    ZHistogrammArray Result() const
    {
        ZHistogrammArray result;
        for (std::size_t k = 0; k < Bins.size(); ++k) {
            if (Counts[k] == 0) continue;
            ZHistogramm bin = Bins[k];
            bin.CellCount = static_cast<std::int32_t>(Counts[k]); // at most Rows x Columns < 2^31
            result.push_back(bin);
        }
        return result;
    }

private:
    std::size_t GuessIndex(double v) const
    {
        double index = ScaleA * v + ScaleB;
        if (!(index >= 0)) return 0;
        if (index >= 255) return 255;
        return static_cast<std::size_t>(index);
    }

    ZHistogrammArray Bins;
    std::vector<std::int64_t> Counts;
    std::array<std::size_t, 256> BinOfIndex{};
    double ScaleA;
    double ScaleB;
};

ZHistogrammArray PaletteBins(const std::array<std::uint32_t, 256>& colors, const TIndexMapping& mapping)
{
    ZHistogrammArray bins;
    for (std::int32_t start = 0; start < 256;) {
        std::int32_t end = start + 1;
        while (end < 256 && colors[static_cast<std::size_t>(end)] == colors[static_cast<std::size_t>(start)]) ++end;
        ZHistogramm bin;
        if (mapping.ScaleA != 0) {
            bin.Lo = (start - mapping.ScaleB) / mapping.ScaleA;
            bin.Hi = (end - mapping.ScaleB) / mapping.ScaleA;
        } else {
            bin.Lo = bin.Hi = mapping.LowBound;
        }
        bin.PaletteIndex = start;
        bins.push_back(bin);
        start = end;
    }
    return bins;
}

// Turns rows of cells into pixel rows and counts the histogram in one pass.
// Whole-number cells take their index from a table of every possible value
// and are counted per value; the histogram then takes each distinct value
// once, with its count, which gives the same bins as counting cell by cell.
class TCellConverter {
public:
    TCellConverter(std::uint8_t dataType, const TIndexMapping& mapping, ZHistogrammArray bins)
        : DataType(dataType), Mapping(mapping), Counter(std::move(bins), mapping),
          LowestCell(dataType == dtInteger ? -32768 : 0)
    {
        if (DataType == dtReal) return;
        const std::size_t span = DataType == dtByte ? 256 : 65536;
        Lookup.resize(span);
        ValueCounts.assign(span * (DataType == dtByte ? kByteCountLanes : 1), 0);
        for (std::size_t i = 0; i < span; ++i) Lookup[i] = Mapping(static_cast<double>(LowestCell + std::int32_t(i)));
    }

    void ConvertRow(const char* cells, std::int32_t columns, std::uint8_t* pixels)
    {
        if (DataType == dtByte) return ConvertWholeRow<std::uint8_t, kByteCountLanes>(cells, columns, pixels);
        if (DataType == dtInteger) return ConvertWholeRow<std::int16_t, 1>(cells, columns, pixels);
        ConvertRealRow(cells, columns, pixels);
    }

    // Takes in what another converter of the same mapping counted over
    // later rows.
    void Merge(const TCellConverter& later)
    {
        for (std::size_t i = 0; i < ValueCounts.size(); ++i) ValueCounts[i] += later.ValueCounts[i];
        Counter.Merge(later.Counter);
    }

    ZHistogrammArray Histogram()
    {
        // Table by table: the bins sum a value's counts in any order alike.
        for (std::size_t at = 0; at < ValueCounts.size(); ++at)
            if (ValueCounts[at] > 0)
                Counter.Add(static_cast<double>(LowestCell + std::int32_t(at % Lookup.size())), ValueCounts[at]);
        ValueCounts.assign(ValueCounts.size(), 0);
        return Counter.Result();
    }

private:
    // The loops work on local copies: a store through a byte pointer could
    // alias any member, which would reload it for every cell.
    template <class Cell, std::size_t Lanes>
    void ConvertWholeRow(const char* cells, std::int32_t columns, std::uint8_t* pixels)
    {
        const std::uint8_t* lookup = Lookup.data();
        std::int64_t* counts = ValueCounts.data();
        constexpr std::int32_t lowest = std::numeric_limits<Cell>::min();
        constexpr std::size_t span = std::size_t(1) << (8 * sizeof(Cell));
        for (std::int32_t c = 0; c < columns; ++c) {
            auto slot = static_cast<std::size_t>(std::int32_t(DecodeCell<Cell>(cells, c)) - lowest);
            pixels[c] = lookup[slot];
            ++counts[static_cast<std::size_t>(c) % Lanes * span + slot];
        }
    }

    // Neighbouring cells of a smooth raster mostly share a bin: such a run is
    // summed in locals and handed to the histogram once.
    void ConvertRealRow(const char* cells, std::int32_t columns, std::uint8_t* pixels)
    {
        const TIndexMapping mapping = Mapping;
        std::ptrdiff_t runBin = -1;
        double runLo = 1, runHi = 0; // holds nothing
        std::int64_t runCount = 0;
        double runMin = 0, runMax = 0;
        for (std::int32_t c = 0; c < columns; ++c) {
            float cell = DecodeCell<float>(cells, c);
            pixels[c] = mapping(cell);
            double v = cell;
            if (v >= runLo && v < runHi) {
                ++runCount;
                runMin = std::min(runMin, v);
                runMax = std::max(runMax, v);
                continue;
            }
            if (runCount > 0) Counter.AddRun(runBin, runCount, runMin, runMax);
            runCount = 0;
            runLo = 1;
            runHi = 0;
            runBin = Counter.Find(v);
            if (runBin < 0) continue;
            runLo = Counter.Bin(runBin).Lo;
            runHi = Counter.Bin(runBin).Hi;
            runCount = 1;
            runMin = runMax = v;
        }
        if (runCount > 0) Counter.AddRun(runBin, runCount, runMin, runMax);
    }

    std::uint8_t DataType;
    TIndexMapping Mapping;
    THistogramCounter Counter;
    std::int32_t LowestCell;
    std::vector<std::uint8_t> Lookup;
    std::vector<std::int64_t> ValueCounts;
};

// ---- palette spec ----------------------------------------------------------

struct TPaletteChoice {
    std::string FileName;
    double RangeMin = 1; // (1, -1): no range
    double RangeMax = -1;
};

bool HasFolderPart(const std::string& name)
{
    return name.find_first_of("/\\") != std::string::npos;
}

TPaletteChoice ResolvePaletteSpec(const std::string& spec)
{
    TPaletteChoice fallback{ProgramFolder() + kDefaultPaletteName};
    if (spec.empty()) return fallback;

    TPaletteChoice choice;
    std::size_t comma = spec.find(',');
    choice.FileName = spec.substr(0, comma);
    if (comma != std::string::npos) {
        std::string rest = spec.substr(comma + 1, kMaxRangeTextLength);
        std::size_t second = rest.find(',', 1);
        if (second != std::string::npos) {
            choice.RangeMin = StrToFloat(rest.substr(0, second));
            choice.RangeMax = StrToFloat(rest.substr(second + 1, kMaxRangeTextLength));
        }
    }
    if (!FileExists(choice.FileName) && !HasFolderPart(choice.FileName)) {
        std::string inProgramFolder = ProgramFolder() + choice.FileName;
        if (!FileExists(inProgramFolder)) return fallback;
        choice.FileName = inProgramFolder;
    }
    return choice;
}

std::string FormatLegendNumber(double value)
{
    std::string text = FormatFixed(value, 2);
    std::replace(text.begin(), text.end(), '.', Environment().DecimalSeparator);
    return text;
}

} // namespace

std::int64_t DibRowBytes(std::int32_t columns)
{
    return ((static_cast<std::int64_t>(columns) * 8 + 31) & ~std::int64_t(31)) / 8;
}

// One image build: everything that is committed together, or not at all.
struct TIdrisiRST::TBuild {
    TIndexMapping Mapping;
    TBulkVector<std::uint8_t> Bits;
    ZHistogrammArray Histogram;
    TColorValueArray Legend;
};

bool TIdrisiRST::Open(const std::string& fileName, const std::string& paletteSpec, bool autoscale)
{
    THourglass wait;
    Loaded = false;
    ::ReadRdc(Header, fileName);
    if (!autoscale && (Header.DataType == dtByte || Header.DataType == dtInteger) && Header.DisplayMin >= 0 &&
        Header.DisplayMax <= 255)
        Stretch = false; // cells are then palette indices themselves
    LoadImage(paletteSpec);
    Loaded = true;
    return true;
}

bool TIdrisiRST::OpenHeader(const std::string& fileName)
{
    THourglass wait;
    ::ReadRdc(Header, fileName);
    return true;
}

void TIdrisiRST::ReadRdc(const std::string& fileName)
{
    ::ReadRdc(Header, fileName);
}

void TIdrisiRST::LoadImage(const std::string& paletteSpec)
{
    // The cell count bounds every allocation below together with the length
    // of the cell file; a negative or huge count is no raster.
    if (std::string error = RasterSizeError(Header); !error.empty()) throw QMError(error);
    if (Header.DataType == 0 || Header.FileType == 0) throw QMError(std::string("Unknown data type or file type"));

    FillBitmapHeader();
    TPaletteChoice palette = ResolvePaletteSpec(paletteSpec);
    if (palette.RangeMin <= palette.RangeMax) {
        Header.DisplayMin = palette.RangeMin;
        Header.DisplayMax = palette.RangeMax;
    }
    LoadPalette(palette.FileName);
    TBuild build = BuildImage(Stretch, Header.DisplayMin, Header.DisplayMax);
    Commit(build);
}

void TIdrisiRST::FillBitmapHeader()
{
    BitmapInfo.bmiHeader = TBitmapInfoHeader{};
    BitmapInfo.bmiHeader.biWidth = Header.Columns;
    BitmapInfo.bmiHeader.biHeight = Header.Rows;
    BitmapInfo.bmiHeader.biPlanes = 1;
    BitmapInfo.bmiHeader.biBitCount = 8;
}

void TIdrisiRST::LoadPalette(const std::string& paletteFileName)
{
    TFileByteReader file(ResolveFileCase(paletteFileName), kMaxTextFileBytes);
    // A short file is read as far as it goes.
    std::array<unsigned char, kPaletteBytes> bytes{};
    const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), file.Size()));
    try {
        file.ReadAt(0, bytes.data(), got);
    } catch (const EReadPastEnd&) {
        throw EInOutError("Cannot read file " + paletteFileName + ": it shrank while it was read");
    }

    // Entries that a short file does not reach are black.
    std::array<std::uint32_t, 256> colors{};
    for (std::size_t i = 0; i < 256; ++i) {
        std::size_t at = kPaletteHeaderBytes + 3 * i;
        if (at + 3 > got) break;
        colors[i] = (std::uint32_t(bytes[at]) << 16) | (std::uint32_t(bytes[at + 1]) << 8) | bytes[at + 2];
    }
    BitmapInfo.bmiColors = colors;
}

TIdrisiRST::TBuild TIdrisiRST::BuildImage(bool stretch, double displayMin, double displayMax) const
{
    CellBytes(Header.DataType); // "Unknown data type" before anything else
    TBuild build;
    build.Mapping = MakeIndexMapping(stretch, displayMin, displayMax, IndexMin, IndexMax);
    const std::size_t ranges = RowRangeCount(Header);
    // One converter per range of rows; their counts are merged in file order.
    std::vector<TCellConverter> converters(
        ranges, TCellConverter(Header.DataType, build.Mapping, PaletteBins(BitmapInfo.bmiColors, build.Mapping)));

    const std::int32_t rows = Header.Rows;
    const std::int32_t columns = Header.Columns;
    const std::int64_t stride = DibRowBytes(columns);
    std::once_flag allocated;
    ForEachCellRow(Header, ranges, [&](std::size_t range, std::int32_t fileRow, const char* cells) {
        // Allocated only once the file has proved to hold every row; the
        // pages are first touched by the cores that fill them.
        std::call_once(allocated, [&] { build.Bits.resize(static_cast<std::size_t>(stride * rows)); });
        std::int64_t row = rows - 1 - fileRow;
        converters[range].ConvertRow(cells, columns, build.Bits.data() + row * stride);
    });
    TCellConverter& converter = converters.front();
    for (std::size_t k = 1; k < converters.size(); ++k) converter.Merge(converters[k]);
    build.Histogram = converter.Histogram();
    BuildLegend(build);
    return build;
}

void TIdrisiRST::BuildLegend(TBuild& build) const
{
    bool second = Language() == 2;
    for (const ZHistogramm& bin : build.Histogram) {
        TColorValue row;
        row.Color = BitmapInfo.bmiColors[static_cast<std::size_t>(bin.PaletteIndex)];
        if (bin.ActualMin != bin.ActualMax) {
            row.Text = FormatLegendNumber(bin.ActualMin) + " - " + FormatLegendNumber(bin.ActualMax);
        } else {
            row.Text = FormatFixed(bin.ActualMin, 0);
            std::string name = CategoryName(bin.ActualMin, second);
            if (!name.empty()) row.Text += " : " + name;
        }
        build.Legend.push_back(std::move(row));
    }
}

std::string TIdrisiRST::CategoryName(double value, bool second) const
{
    if (Header.CodeCount <= 0) return {};
    for (const TValueCode& code : Header.Codes)
        if (code.Code == value) return second ? code.Name2 : code.Name1;
    return {};
}

void TIdrisiRST::Commit(TBuild& build)
{
    LowBound = build.Mapping.LowBound;
    HighBound = build.Mapping.HighBound;
    ScaleA = build.Mapping.ScaleA;
    ScaleB = build.Mapping.ScaleB;
    Bits = std::move(build.Bits);
    Histogram = std::move(build.Histogram);
    Legend = std::move(build.Legend);
    LegendChanged = true;
}

void TIdrisiRST::SetDisplayRange(bool stretch, double min, double max)
{
    if (!(min <= max) || (min == max && stretch)) return;
    TBuild build = BuildImage(stretch, min, max);
    Header.DisplayMin = min;
    Header.DisplayMax = max;
    Stretch = stretch;
    Commit(build);
}

bool TIdrisiRST::GetValueAt(std::int32_t column, std::int32_t row, bool second, std::string& name, double& value)
{
    name.clear();
    if (column < 0 || column >= Header.Columns || row < 0 || row >= Header.Rows) return false;
    const auto cell = ReadCellValue(Header, column, Header.Rows - 1 - row); // the file starts in the north
    if (!cell) return false;
    value = *cell;
    name = CategoryName(value, second);
    return true;
}

TRect TIdrisiRST::MapRectToPixels(const TDoubleRect& rect) const
{
    double width = Header.MaxX - Header.MinX;
    double height = Header.MaxY - Header.MinY;
    double sx = Header.Columns / width;
    double sy = Header.Rows / height;
    // A zero or non-finite extent has no pixels; callers then find none.
    if (!std::isfinite(width) || !std::isfinite(height) || !std::isfinite(sx) || !std::isfinite(sy) || width == 0 ||
        height == 0)
        return TRect{-1, -1, -1, -1};
    TRect result;
    result.Left = RoundSaturated((rect.X1 - Header.MinX) * sx, -1);
    result.Right = RoundSaturated((rect.X2 - Header.MinX) * sx, -1);
    result.Top = RoundSaturated((rect.Y1 - Header.MinY) * sy, -1);
    result.Bottom = RoundSaturated((rect.Y2 - Header.MinY) * sy, -1);
    return result;
}

TDoubleRect TIdrisiRST::GetBounds() const
{
    return TDoubleRect{Header.MinX, Header.MaxY, Header.MaxX, Header.MinY};
}
