#pragma once
// Reclassification without its window: a table of value ranges, the mapping
// of values and of windows of cells through it, the equal-interval tables,
// and the command "ReClassification", whose window supplies the texts of its
// fields and the interactions, and shows the outcome.
//
// Order of the command's steps: OpenReclassSource; GetDestination,
// CheckDestinationNotInput and ConfirmOverwrite; ReadRasterHeader and
// CheckWritableHeader; the table; WriteReclassified.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calculator/CommandSteps.h"
#include "calculator/ExprTree.h"
#include "calculator/RasterWriter.h"
#include "calculator/ReclassTable.h"
#include "geodata/IdrisiRDC.h"

class TAnalyzer;

// Maps every cell of the raster's window in place, in the window's data type
// (byte and integer rounded, halves to even, keeping the low 8 or 16 bits),
// as ReclassLookup maps it, and widens its running extremes by the mapped
// values. An unknown data type leaves "File %s has invalid data type" in the
// analyzer and gives false. The index is made once for all the windows of
// a command. The command itself always hands it 32-bit real windows (the
// source's cells as loaded) and converts the mapped cells to the output type
// afterwards.
bool ApplyReclass(TAnalyzer& analyzer, const TReclassIndex& index, RastrFile& raster);
bool ApplyReclass(TAnalyzer& analyzer, const Double3Array& table, RastrFile& raster);

// More classes than this are refused: the table's rows are 24 bytes each.
constexpr std::int64_t kMaxClasses = 1000000;

// The class count for a class width, Trunc((max - min) / width) + 1; false
// when the width is not positive, the maximum lies below the minimum or the
// count is not within 1..kMaxClasses.
bool ClassCountForWidth(double minValue, double maxValue, double width, std::int64_t& count);

// `count` rows of `width` from the minimum, each valued at its middle; each
// row's From is the previous row's To. With the maximum not below the
// minimum, the first From and the last To are widened to take in the
// extremes as 32-bit cells hold them, which the accumulated bounds can miss
// by a rounding. Empty when an edge or a value would not be finite (a width
// that overflows, or infinite or NaN extremes): such a table would turn
// every cell into an infinity or a NaN.
Double3Array EqualIntervalTable(double minValue, double maxValue, double width, std::int64_t count);

// Parses the source field and locates its one file operand in the image
// folders. Raises EExpressionError "Error in source" for a text that does
// not parse, and QMError "Please specify source", "Source expression must
// contain only file name" or "Source file does not exist".
std::unique_ptr<TreeNode> OpenReclassSource(TAnalyzer& analyzer, const std::string& expression,
                                            const TImageFolders& folders);

// Reclassifies the source leaf (whose header, read before, gives the cell
// count) window by window into a new output: each window's cells are loaded
// as 32-bit reals, mapped, then converted to the output type. Writes its
// header with the stored extremes and puts it in place of the destination's
// old pair, which any failure leaves as it was. Raises QMError
// "Program error!" when a window cannot be loaded or mapped, the analyzer's
// text when it cannot be converted, and the writer's messages.
void WriteReclassified(TAnalyzer& analyzer, TreeNode& leaf, const TIdrisiRDC& sourceHeader, const Double3Array& table,
                       const std::string& destination, std::uint8_t outputType);

struct TReclassRequest {
    std::string Expression;  // the expression field: the source as a single file operand
    std::string Target;      // the output-name field
    int DestTypeIndex = -1;  // the selected item of the output type list
    TImageFolders ImageFolders;
};

// Lets the user build the table for the source (its resolved name and its
// header's value range); null when the user cancelled. The table stays
// where it is, unchanged, until the command ends.
using TBuildTable = std::function<const Double3Array*(const std::string& sourceName, double minValue, double maxValue)>;

struct TReclassCallbacks {
    TAskYesNo AskYesNo;      // the "Question" box: "File %s exists. Overwrite?"
    TBuildTable BuildTable;  // the dialog "Reclassification", shown modally
};

enum class TReclassOutcome {
    Written,  // Message "Ready. See file <destination>": "Information" box
    Refused,  // Message (possibly empty) goes into an "Error" box; the status bar stays as it is
};

struct TReclassResult {
    TReclassOutcome Outcome = TReclassOutcome::Refused;
    std::string Message;
    int ErrorPosition = 0;  // for "Error in source": the 1-based position of the offending token
};

// Runs the command. A source or destination that will not do, a declined
// question and a cancelled table come back as refusals; later failures raise
// QMError with the message for the status bar and the "Error" box, and a
// failed read raises EInOutError.
TReclassResult ReclassifyRaster(const TReclassRequest& request, const TReclassCallbacks& callbacks);
