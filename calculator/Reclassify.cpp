#include "calculator/Reclassify.h"

#include <algorithm>
#include <cmath>

#include "calculator/Analyzer.h"
#include "calculator/CellMath.h"
#include "calculator/CommandSteps.h"
#include "calculator/RasterWriter.h"
#include "geodata/QMMapDecl.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"

namespace {

// Widens a raster's running extremes as every raster operation does: a NaN
// replaces the minimum, only a larger value the maximum.
void Widen(RastrFile& raster, double value)
{
    if (!(value >= raster.MinSeen)) raster.MinSeen = value;
    if (value > raster.MaxSeen) raster.MaxSeen = value;
}

void MapRealCells(const TReclassIndex& index, RastrFile& raster)
{
    ReclassCells(index, raster.Cells, TExtremes{raster.MinSeen, raster.MaxSeen});
}

void MapByteCells(const TReclassIndex& index, RastrFile& raster)
{
    for (std::uint8_t& cell : raster.RawCells) {
        double mapped = index.Map(cell);
        Widen(raster, mapped);
        cell = CellToByte(mapped);
    }
}

// 16-bit cells, little-endian as on disk.
void MapIntegerCells(const TReclassIndex& index, RastrFile& raster)
{
    std::span<std::uint8_t> raw = raster.RawCells;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        auto cell = static_cast<std::int16_t>(static_cast<std::uint16_t>(raw[i] | (raw[i + 1] << 8)));
        double mapped = index.Map(cell);
        Widen(raster, mapped);
        auto stored = static_cast<std::uint16_t>(CellToInteger(mapped));
        raw[i] = static_cast<std::uint8_t>(stored & 0xFF);
        raw[i + 1] = static_cast<std::uint8_t>(stored >> 8);
    }
}

bool IsFiniteRow(const TReclassRow& row)
{
    return std::isfinite(row.From) && std::isfinite(row.To) && std::isfinite(row.Value);
}

// The value a 32-bit cell holds for a header's extreme, when it can hold it.
bool StoredCell(double value, double& stored)
{
    stored = static_cast<float>(value);
    return std::isfinite(stored);
}

} // namespace

bool ApplyReclass(TAnalyzer& analyzer, const TReclassIndex& index, RastrFile& raster)
{
    switch (raster.Header.DataType) {
    case dtByte: MapByteCells(index, raster); return true;
    case dtInteger: MapIntegerCells(index, raster); return true;
    case dtReal: MapRealCells(index, raster); return true;
    default:
        analyzer.SetLastAnalyzerError(FormatText("File %s has invalid data type", raster.Header.HeaderFile.c_str()));
        return false;
    }
}

bool ApplyReclass(TAnalyzer& analyzer, const Double3Array& table, RastrFile& raster)
{
    return ApplyReclass(analyzer, TReclassIndex(table, raster.Header.DataType), raster);
}

bool ClassCountForWidth(double minValue, double maxValue, double width, std::int64_t& count)
{
    if (!(width > 0) || !(maxValue >= minValue)) return false;
    double classes = (maxValue - minValue) / width;
    if (!(classes < static_cast<double>(kMaxClasses))) return false;
    count = static_cast<std::int64_t>(classes) + 1;
    return true;
}

Double3Array EqualIntervalTable(double minValue, double maxValue, double width, std::int64_t count)
{
    Double3Array table;
    if (count <= 0) return table;
    table.reserve(static_cast<std::size_t>(count));
    double q = minValue;
    for (std::int64_t i = 0; i < count; ++i) {
        table.push_back({q, q + width, q + width / 2});
        q += width;
    }
    double stored = 0;
    if (maxValue >= minValue) {
        if (StoredCell(minValue, stored) && stored < table.front().From) table.front().From = stored;
        if (StoredCell(maxValue, stored) && stored > table.back().To) table.back().To = stored;
        if (maxValue > table.back().To) table.back().To = maxValue;
    }
    if (!std::all_of(table.begin(), table.end(), IsFiniteRow)) table.clear();
    return table;
}

std::unique_ptr<TreeNode> OpenReclassSource(TAnalyzer& analyzer, const std::string& expression,
                                            const TImageFolders& folders)
{
    if (expression.empty()) throw QMError(std::string("Please specify source"));
    analyzer.SetExpression(expression);
    std::unique_ptr<TreeNode> root = analyzer.ParseExpression();
    if (!root) throw EExpressionError("Error in source", analyzer.ErrorPosition());
    if (!IsSingleFileLeaf(root.get())) throw QMError(std::string("Source expression must contain only file name"));
    if (!WalkTree(root.get(), [&](TreeNode& node) { return ResolveFileLeaf(node, folders); }))
        throw QMError(std::string("Source file does not exist"));
    return root;
}

void WriteReclassified(TAnalyzer& analyzer, TreeNode& leaf, const TIdrisiRDC& sourceHeader, const Double3Array& table,
                       const std::string& destination, std::uint8_t outputType)
{
    RastrFile& source = leaf.Rastr;
    const std::int64_t cells = static_cast<std::int64_t>(sourceHeader.Rows) * sourceHeader.Columns;
    // Cells arrive as 32-bit values, whole numbers for a byte or integer source.
    const TReclassIndex index(table, sourceHeader.DataType);
    TRasterOutput output(destination);
    TWindowExtremes extremes = WriteWindows(
        analyzer, source, cells, outputType, output,
        [&] {
            if (!analyzer.LoadFileLeaf(leaf) || !ApplyReclass(analyzer, index, source))
                throw QMError(std::string("Program error!"));
        },
        [&] { FreeTreeCells(&leaf); });

    TIdrisiRDC header = source.Header;
    header.DataType = outputType;
    header.MinValue = extremes.Min;
    header.MaxValue = extremes.Max;
    WriteHeaderAndReplace(output, header);
}

namespace {

TReclassResult SourceRefusal(const char* message, int errorPosition)
{
    TReclassResult result;
    result.Message = message;
    result.ErrorPosition = errorPosition;
    return result;
}

// The command from the destination on, the source located.
TReclassResult ReclassifyInto(TAnalyzer& analyzer, TreeNode& leaf, const TReclassRequest& request,
                              const TReclassCallbacks& callbacks)
{
    TReclassResult result;
    TDestination destination = GetDestination(request.Target, request.ImageFolders);
    if (destination.FileName.empty()) {
        result.Message = destination.Refusal;
        return result;
    }
    const std::string& output = destination.FileName;
    // Checked before the question: an input must never be replaced.
    CheckDestinationNotInput(output, &leaf);
    if (!ConfirmOverwrite(output, callbacks.AskYesNo)) return result;

    TIdrisiRDC header;
    ReadRasterHeader(leaf.Name, header);
    CheckWritableHeader(header);
    const Double3Array* table = callbacks.BuildTable(leaf.Name, header.MinValue, header.MaxValue);
    if (!table) return result;

    WriteReclassified(analyzer, leaf, header, *table, output, OutputDataType(request.DestTypeIndex));
    result.Outcome = TReclassOutcome::Written;
    result.Message = "Ready. See file " + output;
    return result;
}

} // namespace

TReclassResult ReclassifyRaster(const TReclassRequest& request, const TReclassCallbacks& callbacks)
{
    TAnalyzer analyzer;
    std::unique_ptr<TreeNode> root;
    try {
        root = OpenReclassSource(analyzer, request.Expression, request.ImageFolders);
    } catch (const EExpressionError& e) {
        return SourceRefusal(e.what(), e.Position);
    } catch (const QMError& e) {
        return SourceRefusal(e.what(), 0);
    }
    return ReclassifyInto(analyzer, *root, request, callbacks);
}
