#include "calculator/Processing.h"

#include <cstdint>
#include <limits>
#include <memory>

#include "calculator/Analyzer.h"
#include "platform/NumberText.h"

namespace {

std::unique_ptr<TreeNode> ParseOrRaise(TAnalyzer& analyzer, const std::string& expression)
{
    analyzer.SetExpression(expression);
    std::unique_ptr<TreeNode> root = analyzer.ParseExpression();
    if (!root) throw EExpressionError("Error in expression. ", analyzer.ErrorPosition());
    return root;
}

TProcessResult EvaluateNumber(TAnalyzer& analyzer, TreeNode& root)
{
    TProcessResult result;
    result.Outcome = TProcessOutcome::Number;
    bool ok = WalkTree(&root, [&](TreeNode& node) { return analyzer.EvalNumberNode(node); });
    result.Number = ok ? root.Value : std::numeric_limits<double>::quiet_NaN();
    result.Message = ok ? FormatText("Number: %g", root.Value) : std::string("Number: NaN");
    return result;
}

// Reads every header, tests types and sizes and forms the result header at
// the root, without reading a cell.
void HeaderPass(TAnalyzer& analyzer, TreeNode& root)
{
    analyzer.SetCellWindow(0, -1);
    if (!WalkTree(&root, [&](TreeNode& node) { return analyzer.EvalRasterNode(node); })) {
        // A number operand that is no number ("sqrt(-1)+[a]") fails without a text.
        const std::string& error = analyzer.LastAnalyzerError();
        throw QMError(error.empty() ? std::string("Invalid number in expression.") : error);
    }
    CheckWritableHeader(root.Rastr.Header);
}

} // namespace

TProcessResult ProcessExpression(const TProcessRequest& request, const TProcessCallbacks& callbacks)
{
    if (request.Expression.empty()) throw QMError(std::string("Expression is empty. "));
    TAnalyzer analyzer;
    std::unique_ptr<TreeNode> root = ParseOrRaise(analyzer, request.Expression);

    if (WalkTree(root.get(), NotFileLeaf)) return EvaluateNumber(analyzer, *root);

    if (!WalkTree(root.get(), [&](TreeNode& node) { return ResolveFileLeaf(node, request.ImageFolders); }))
        throw QMError(std::string("File expression, NOT ALL FILES EXISTS"));
    HeaderPass(analyzer, *root);

    TProcessResult result;
    TDestination destination = GetDestination(request.Target, request.ImageFolders);
    if (destination.FileName.empty()) {
        result.Message = destination.Refusal;
        return result;
    }
    result.Destination = destination.FileName;
    // Checked before the question: an input must never be replaced.
    CheckDestinationNotInput(destination.FileName, root.get());
    if (!ConfirmOverwrite(destination.FileName, callbacks.AskYesNo)) return result;

    const std::uint8_t outputType = OutputDataType(request.DestTypeIndex);
    RastrFile& rastr = root->Rastr;
    const std::int64_t cells = static_cast<std::int64_t>(rastr.Header.Rows) * rastr.Header.Columns;
    TRasterOutput output(destination.FileName);
    TWindowExtremes extremes = WriteWindows(
        analyzer, rastr, cells, outputType, output,
        [&] {
            if (!WalkTree(root.get(), [&](TreeNode& node) { return analyzer.EvalRasterNode(node); }))
                throw QMError(std::string("Program error!"));
        },
        [&] { FreeTreeCells(root.get()); });

    if (outputType == dtByte && (!(rastr.MinSeen >= 0) || rastr.MaxSeen > 255)) {
        // The new cells are dropped with `output`; the old pair stays.
        result.Outcome = TProcessOutcome::Prohibited;
        result.Message = FormatText("Output expression extremums are (%.0f, %.0f). Output prohibited.", rastr.MinSeen,
                                   rastr.MaxSeen);
        return result;
    }

    TIdrisiRDC header = rastr.Header;
    header.DataType = outputType;
    header.MinValue = extremes.Min;
    header.MaxValue = extremes.Max;
    WriteHeaderAndReplace(output, header);
    result.Outcome = TProcessOutcome::Written;
    result.Message = "Ready. See file " + destination.FileName;
    return result;
}
