#pragma once
// The calculator's expression engine: the lexer and operator-precedence
// parser of expressions over numbers and Idrisi rasters ("2*[dem.rst]-1"),
// and their evaluation, once on numbers or cell by cell over rasters in
// windows of cells.
//
// Calling order: SetExpression, ParseExpression, then walks of the tree with
// the evaluation callbacks. Failures of evaluation return false and leave a
// message in LastAnalyzerError; the caller raises it. Floating-point faults
// raise QMError at once (see CellMath.h).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "calculator/ExprTree.h"

struct TLaneExtremes;
struct TCellWindowRead;
class TCellReadAhead;

class TAnalyzer {
public:
    TAnalyzer();
    ~TAnalyzer();

    // Stores the text with ASCII letters lower-cased and resets the scan and
    // the last error text.
    void SetExpression(std::string_view text);
    // The root of the parse tree, or null when the text is not an expression.
    std::unique_ptr<TreeNode> ParseExpression();
    // 1-based position of the first character of the last token read.
    int ErrorPosition() const;
    const std::string& LastAnalyzerError() const { return LastError; }
    // For operations outside the analyzer that report as it does.
    void SetLastAnalyzerError(std::string message) { LastError = std::move(message); }

    // Walk callbacks. EvalNumberNode leaves the result in the root's Value;
    // EvalRasterNode leaves the result window in the root's Rastr.
    bool EvalNumberNode(TreeNode& node);
    bool EvalRasterNode(TreeNode& node);

    // The window of cells that the next walk loads: count -1 reads headers
    // only; first 0 with count 0 reads the whole file.
    void SetCellWindow(std::int64_t first, std::int64_t count);
    // Reads a file operand's header and window, as 32-bit floats.
    bool LoadFileLeaf(TreeNode& node);
    // Reads the current window of a ".rst" file into the raster's cells, in
    // the raster's data type, cut to the cells its header declares. A real
    // window is measured as it is read, a slice at a time, for
    // FoldLaneExtremes. The next window of the same length is then read
    // ahead for the same raster.
    bool LoadCellWindow(RastrFile& raster, const std::string& rstName, std::vector<TLaneExtremes>& measured);
    // Fills the target (a copy of the source's header with another data
    // type, the same window) with the source's cells in the target's type.
    bool ConvertRasterType(const RastrFile& source, RastrFile& target);
    // Smallest and largest cell of the raster's window.
    bool RasterMinMax(const RastrFile& raster, double& min, double& max);

private:
    bool Fail(std::string message);

    // Lexer.
    void NextToken(Token& token);
    void ScanNumber(Token& token);
    void ScanFileName(Token& token);
    void ScanWord(Token& token);
    // Parser.
    std::unique_ptr<TreeNode> ParseLevel(Token& terminator, int depth);
    std::unique_ptr<TreeNode> ParseFunction(Token function, int depth);
    std::unique_ptr<TreeNode> ParseArgument(char closing, int depth);

    // Evaluation over rasters.
    bool UnaryOnFile(TreeNode& node);
    bool BinaryNumberFile(TreeNode& node);
    bool BinaryFileNumber(TreeNode& node);
    bool BinaryFileFile(TreeNode& node);
    bool CheckRasterHeader(const TIdrisiRDC& header, const std::string& rstName);
    void ReadNextAhead(const RastrFile& raster, TCellWindowRead window, std::uint64_t next, std::uint64_t count,
                       std::uint64_t declared);

    std::string Typed; // as typed: file names keep their case
    std::string Text;  // lower-cased
    std::size_t ScanPos = 1;
    std::size_t TokenMark = 0;
    std::string LastError;
    std::int64_t WindowFirst = 0;
    std::int64_t WindowCount = -1;
    // The next window of each file operand, read while one is computed;
    // made at the first window that has a next one.
    std::unique_ptr<TCellReadAhead> ReadAhead;
};

// True for a number literal, and for an operator node whose operands are all
// numbers (it carries no raster: 0 rows and 0 columns).
bool IsNumberNode(const TreeNode& node);
// Gives every node's cells back (their storage is kept for the next window)
// and keeps the tree.
void FreeTreeCells(TreeNode* root);
