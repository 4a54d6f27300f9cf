// Expression texts of any content, as typed into the calculator: parsed, and
// when the tree holds numbers only, evaluated. A QMError or a run-time error
// (an arithmetic fault) is a refusal; anything else is a finding.
#include <memory>
#include <string>

#include "calculator/Analyzer.h"
#include "calculator/ExprTree.h"
#include "fuzz/FuzzFiles.h"
#include "geodata/QMMapDecl.h"
#include "platform/RuntimeErrors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TAnalyzer analyzer;
    analyzer.SetExpression(FuzzBytes(data, size));
    std::unique_ptr<TreeNode> root = analyzer.ParseExpression();
    if (!root || !WalkTree(root.get(), NotFileLeaf)) return 0;
    try {
        WalkTree(root.get(), [&](TreeNode& node) { return analyzer.EvalNumberNode(node); });
    } catch (const QMError&) {
    } catch (const EAssertionFailed&) {
        throw;
    } catch (const ERuntimeError&) {
    }
    return 0;
}
