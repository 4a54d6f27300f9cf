#pragma once
// The steps that the calculator's two commands, "Process expression" and
// "ReClassification", share: the image folders and the file operands found
// in them, the parse error, the destination rules, the window loop that
// writes the output's cells, and the header that completes it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "calculator/ExprTree.h"
#include "calculator/RasterWriter.h"
#include "geodata/QMMapDecl.h"

class TAnalyzer;

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

// The extremes of the cells that WriteWindows wrote, after conversion.
struct TWindowExtremes {
    double Min = 0;
    double Max = 0;
};

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
