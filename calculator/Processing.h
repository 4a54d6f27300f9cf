#pragma once
// The calculator's command "Process expression" without its window: parse,
// show a number or resolve the rasters through the image folders, check
// every input, then evaluate window by window and write the result raster.
// The window supplies the texts of its fields and the interactions, and
// shows the outcome.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "calculator/ExprTree.h"
#include "calculator/RasterWriter.h"
#include "geodata/QMMapDecl.h"

// Cells evaluated per window: bounds the memory of a command whatever the
// size of its rasters.
constexpr std::int64_t kWindowCells = 1000000;

// The image folders, in order; the first is the default.
using TImageFolders = std::vector<std::string>;

// Raised when the expression does not parse; Position is the 1-based
// position of the first character of the offending token.
class EExpressionError : public QMError {
public:
    EExpressionError(const std::string& message, int position) : QMError(message), Position(position) {}
    int Position;
};

// A walk callback: locates a file operand in the image folders (in order)
// and replaces its name by the path found; other nodes give true. An
// absolute path is used unchanged and must exist. The current folder is
// never searched.
bool ResolveFileLeaf(TreeNode& node, const TImageFolders& folders);

// The first image folder without a trailing separator; empty without folders.
std::string FirstImageFolder(const TImageFolders& folders);

// The validated output name from the output-name field, or the refusal's
// message ("Please specify destination", "Erroneus destination",
// "Directory for destination does not exist"), which the window shows in
// an "Error" box.
struct TDestination {
    std::string FileName;
    std::string Refusal;
};
TDestination GetDestination(const std::string& target, const TImageFolders& folders);

// Raises QMError "Destination file %s is also an input file." when the
// destination's cells or header would overwrite a file operand of the tree.
void CheckDestinationNotInput(const std::string& destination, TreeNode* root);

// The output type chosen in the type list: item 0 byte, item 1 integer,
// anything else (no selection included) real.
std::uint8_t OutputDataType(int destTypeIndex);

struct TProcessRequest {
    std::string Expression;  // the expression field
    std::string Target;      // the output-name field
    int DestTypeIndex = -1;  // the selected item of the output type list
    TImageFolders ImageFolders;
};

struct TProcessCallbacks {
    TAskYesNo AskYesNo;  // the "Question" box: "File %s exists. Overwrite?"
    // The hourglass while a header is read comes from the environment
    // (platform/Environment), which the program sets once at start.
};

enum class TProcessOutcome {
    Number,      // Message "Number: %g" or "Number: NaN": status bar and "Information" box
    Written,     // Message "Ready. See file <destination>": "Information" box
    Refused,     // a refusal: Message (possibly empty) goes into an "Error" box
    Prohibited,  // byte output out of range: Message goes into a "Warning" box
};

struct TProcessResult {
    TProcessOutcome Outcome = TProcessOutcome::Refused;
    std::string Message;
    double Number = 0;        // the value, for Number
    std::string Destination;  // the output name, for Written and Prohibited
};

// Runs the command. Failures raise QMError with the message for the status
// bar and the "Error" box (EExpressionError for a text that does not parse);
// a failed read raises EInOutError.
TProcessResult ProcessExpression(const TProcessRequest& request, const TProcessCallbacks& callbacks);

// The extremes of the cells that WriteWindows wrote, after conversion.
struct TWindowExtremes {
    double Min = 0;
    double Max = 0;
};

class TAnalyzer;
// The window loop shared by calculation and reclassification: for each window
// of kWindowCells of a raster of `cells` cells, `fill` puts the window's cells
// into `window`; they are converted to `outputType` when it differs, folded
// into the extremes and appended to the output's cells; then `release` frees
// the window's cells.
TWindowExtremes WriteWindows(TAnalyzer& analyzer, RastrFile& window, std::int64_t cells, std::uint8_t outputType,
                             TRasterOutput& output, const std::function<void()>& fill,
                             const std::function<void()>& release);

// Writes the output's header and puts the new pair in place of the old one.
// A header that cannot be written raises QMError "Cannot write file %s"
// naming it; the old pair then stays as it was.
void WriteHeaderAndReplace(TRasterOutput& output, const TIdrisiRDC& header);
