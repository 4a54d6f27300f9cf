#pragma once
// Reclassification without its window: a table of value ranges, the mapping
// of values and of windows of cells through it, the equal-interval tables,
// and the command's steps before and after the user builds the table.
//
// Calling order of the command: OpenReclassSource; GetDestination,
// CheckDestinationNotInput and ConfirmOverwrite; ReadRasterHeader and
// CheckWritableHeader; the table; WriteReclassified.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "calculator/ExprTree.h"
#include "calculator/Processing.h"
#include "calculator/RasterWriter.h"
#include "geodata/IdrisiRDC.h"

class TAnalyzer;

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
// above the last, in a gap or when it is NaN.
double ReclassLookup(const Double3Array& table, double x);

// Maps every cell of the raster's window in place, in its own data type
// (byte and integer rounded, halves to even, keeping the low 8 or 16 bits),
// and widens its running extremes by the mapped values. An unknown data type
// leaves "File %s has invalid data type" in the analyzer and gives false.
bool ApplyReclass(TAnalyzer& analyzer, const Double3Array& table, RastrFile& raster);

// More classes than this are refused: the table is scanned once per cell.
constexpr std::int64_t kMaxClasses = 1000000;

// The class count for a class width, Trunc((max - min) / width) + 1; false
// when the width is not positive, the maximum lies below the minimum or the
// count is not within 1..kMaxClasses.
bool ClassCountForWidth(double minValue, double maxValue, double width, std::int64_t& count);

// `count` rows of `width` from the minimum, each valued at its middle; each
// row's From is the previous row's To. With the maximum not below the
// minimum, the first From and the last To are widened to take in the
// extremes as 32-bit cells hold them, which the accumulated bounds can miss
// by a rounding.
Double3Array EqualIntervalTable(double minValue, double maxValue, double width, std::int64_t count);

// Parses the source field and locates its one file operand in the image
// folders. Raises EExpressionError "Error in source" for a text that does
// not parse, and QMError "Please specify source", "Source expression must
// contain only file name" or "Source file does not exist".
std::unique_ptr<TreeNode> OpenReclassSource(TAnalyzer& analyzer, const std::string& expression,
                                            const TImageFolders& folders);

// Reclassifies the source leaf (whose header, read before, gives the cell
// count) window by window into a new output in the output type, writes its
// header with the stored extremes and puts it in place of the destination's
// old pair, which any failure leaves as it was. Raises QMError
// "Program error!" when a window cannot be loaded or mapped, the analyzer's
// text when it cannot be converted, and the writer's messages.
void WriteReclassified(TAnalyzer& analyzer, TreeNode& leaf, const TIdrisiRDC& sourceHeader, const Double3Array& table,
                       const std::string& destination, std::uint8_t outputType);
