#include "calculator/Analyzer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "calculator/CommandSteps.h"
#include "geodata/QMMapDecl.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "tests/calculator/CalcTestFiles.h"

namespace {

std::unique_ptr<TreeNode> Parse(TAnalyzer& analyzer, const std::string& text)
{
    analyzer.SetExpression(text);
    return analyzer.ParseExpression();
}

// Parses and evaluates on numbers; NaN when the walk fails.
double Evaluate(const std::string& text)
{
    TAnalyzer analyzer;
    auto root = Parse(analyzer, text);
    if (!root) throw std::runtime_error("does not parse: " + text);
    bool ok = WalkTree(root.get(), [&](TreeNode& node) { return analyzer.EvalNumberNode(node); });
    return ok ? root->Value : std::nan("");
}

struct TValueRow {
    const char* Text;
    double Expected;
};

TEST(AnalyzerParse, PrecedenceAndAssociativity)
{
    const TValueRow rows[] = {
        {"2^3^2", 64},          // left-associative power
        {"2-3-4", -5},          // left-associative minus
        {"-2^2", 4},            // the sign binds tighter than any operator
        {"-(-2)", 2},
        {"2*(-3)", -6},
        {"1 + 2 * 3", 7},
        {"(1 + 2) * 3", 9},
        {"8/4/2", 1},
        {"min(1,2)", 1},
        {"max(sin(1),2^3)", 8},
        {"(1,+2", 3},           // a comma closes a parenthesis like ')'
        {"SIN(1)", std::sin(1.0)},
        {"  3  ", 3},
        {"5.", 5},
        {"0^0", 1},
    };
    for (const TValueRow& row : rows) EXPECT_DOUBLE_EQ(Evaluate(row.Text), row.Expected) << row.Text;
}

struct TErrorRow {
    const char* Text;
    int Position;
};

TEST(AnalyzerParse, ErrorsStopAtTheOffendingToken)
{
    const TErrorRow rows[] = {
        {"2 # 3", 3},   {"2*-3", 3},   {"2+-3", 3},     {"--2", 2},     {"2 3", 4},
        {"min(1)", 6},  {"()+1", 2},   {"()", 2},       {"sin 1", 5},   {"sin()", 5},
        {"1 < 2", 3},   {"2 = 2", 3},  {".5", 1},       {"a&b", 1},     {"[a.rst", 1},
        {")", 1},       {"1,2", 2},    {"", 1},         {"2*", 3},      {"max(1,2", 8},
        {"foo(1)", 1},  {"1)", 2},     {"2 +\t3", 4},
    };
    for (const TErrorRow& row : rows) {
        TAnalyzer analyzer;
        EXPECT_EQ(Parse(analyzer, row.Text), nullptr) << row.Text;
        EXPECT_EQ(analyzer.ErrorPosition(), row.Position) << row.Text;
    }
}

TEST(AnalyzerParse, TwentyOneOperandsInARowFail)
{
    std::string text;
    for (int i = 0; i < 21; ++i) text += "1 ";
    TAnalyzer analyzer;
    EXPECT_EQ(Parse(analyzer, text), nullptr);
}

TEST(AnalyzerParse, FileOperandsKeepTheirCaseAndBlanks)
{
    TAnalyzer analyzer;
    auto root = Parse(analyzer, "[My Dem.RST]*2");
    ASSERT_NE(root, nullptr);
    ASSERT_NE(root->Left, nullptr);
    EXPECT_EQ(root->Left->Kind, tkFile);
    EXPECT_EQ(root->Left->Name, "My Dem.RST");
    EXPECT_EQ(root->Name, "*");

    auto empty = Parse(analyzer, "[]");
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(IsSingleFileLeaf(empty.get()));
    EXPECT_EQ(empty->Name, "");
}

TEST(AnalyzerParse, MalformedNumberIsOneTokenWorthNaN)
{
    TAnalyzer analyzer;
    auto root = Parse(analyzer, "1.2.3");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Kind, tkNumber);
    EXPECT_TRUE(std::isnan(root->Value));
}

TEST(AnalyzerParse, WordOperatorsParseButGiveNoNumber)
{
    for (const char* text : {"1 and 2", "1 or 2", "1 xor 2", "exp(1)", "not(1)"}) {
        EXPECT_TRUE(std::isnan(Evaluate(text))) << text;
    }
    TAnalyzer analyzer;
    auto root = Parse(analyzer, "1 xor 2");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Name, "xor");
    EXPECT_EQ(root->Priority, 1);
}

TEST(AnalyzerParse, NestingIsBoundedAtTheParenthesisBeyond)
{
    auto nested = [](int depth) { return std::string(depth, '(') + "1" + std::string(depth, ')'); };
    EXPECT_DOUBLE_EQ(Evaluate(nested(64)), 1);
    TAnalyzer analyzer;
    EXPECT_EQ(Parse(analyzer, nested(65)), nullptr);
    EXPECT_EQ(analyzer.ErrorPosition(), 65);

    std::string functions;
    for (int i = 0; i < 100; ++i) functions += "abs(";
    functions += "1" + std::string(100, ')');
    EXPECT_EQ(Parse(analyzer, functions), nullptr);
    EXPECT_EQ(analyzer.ErrorPosition(), 4 * 64 + 4);
}

TEST(AnalyzerParse, LongOperatorChainIsWalkedAndFreedWithoutRecursion)
{
    std::string text = "1";
    for (int i = 0; i < 16000; ++i) text += (i % 2 ? "-1" : "+2");
    EXPECT_DOUBLE_EQ(Evaluate(text), 1 + 8000 * 2 - 8000);

    std::string powers = "1";
    for (int i = 0; i < 16000; ++i) powers += "^1";
    EXPECT_DOUBLE_EQ(Evaluate(powers), 1);
}

TEST(AnalyzerTree, WalkIsPostOrderAndStopsAtTheFirstFalse)
{
    TAnalyzer analyzer;
    auto root = Parse(analyzer, "1+2*3");
    ASSERT_NE(root, nullptr);
    std::vector<std::string> seen;
    auto label = [](const TreeNode& n) { return n.Kind == tkNumber ? FormatG(n.Value) : n.Name; };
    EXPECT_TRUE(WalkTree(root.get(), [&](TreeNode& n) {
        seen.push_back(label(n));
        return true;
    }));
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3", "*", "+"}));

    seen.clear();
    EXPECT_FALSE(WalkTree(root.get(), [&](TreeNode& n) {
        seen.push_back(label(n));
        return n.Kind != tkNumber || n.Value != 2;
    }));
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2"}));
    EXPECT_TRUE(WalkTree(nullptr, [](TreeNode&) { return false; }));
}

TEST(AnalyzerTree, FileLeavesAreFound)
{
    TAnalyzer analyzer;
    auto numbers = Parse(analyzer, "1+2");
    EXPECT_TRUE(WalkTree(numbers.get(), NotFileLeaf));
    auto files = Parse(analyzer, "1+[a.rst]");
    EXPECT_FALSE(WalkTree(files.get(), NotFileLeaf));
    EXPECT_FALSE(IsSingleFileLeaf(files.get()));
    EXPECT_FALSE(IsSingleFileLeaf(nullptr));
    FreeTree(files);
    EXPECT_EQ(files, nullptr);
}

// ---------------------------------------------------------------- number path

TEST(AnalyzerNumbers, FaultsGiveNaNExceptOverflow)
{
    for (const char* text : {"1/0", "0/0", "sqrt(-1)", "ln(0)", "0^(-1)", "0^(-0.5)", "(-8)^(1/3)", "arcsin(2)",
                             "1/0+1"})
        EXPECT_TRUE(std::isnan(Evaluate(text))) << text;
    EXPECT_EQ(FormatG(Evaluate("arctan(1)")), "0.785398163397448");
    EXPECT_DOUBLE_EQ(Evaluate("2^(-2)"), 0.25);
    EXPECT_DOUBLE_EQ(Evaluate("(-2)^3"), -8);
    EXPECT_DOUBLE_EQ(Evaluate("4^0.5"), 2);
    EXPECT_DOUBLE_EQ(Evaluate("2^(0-1)+2^(0-2)"), 0.75);

    for (const char* text : {"10^400", "10^300*10^300", "(0-10^300)*10^300", "10^200^2"}) {
        try {
            Evaluate(text);
            ADD_FAILURE() << text << " did not raise";
        } catch (const QMError& e) {
            EXPECT_STREQ(e.what(), "Floating point overflow") << text;
        }
    }
}

// ---------------------------------------------------------------- raster path

class AnalyzerRasters : public ::testing::Test {
protected:
    // Evaluates over whole rasters in one window; the root's cells come back.
    std::vector<float> Run(const std::string& text)
    {
        auto root = Prepare(text);
        if (!root) return {};
        analyzer.SetCellWindow(0, kWindowCells);
        if (!WalkTree(root.get(), [&](TreeNode& n) { return analyzer.EvalRasterNode(n); })) return {};
        MinSeen = root->Rastr.MinSeen;
        MaxSeen = root->Rastr.MaxSeen;
        return {root->Rastr.Cells.begin(), root->Rastr.Cells.end()};
    }
    // Parses, resolves and runs the header pass; null (with the error text
    // in Error) when any of it fails.
    std::unique_ptr<TreeNode> Prepare(const std::string& text)
    {
        analyzer.SetExpression(text);
        auto root = analyzer.ParseExpression();
        if (!root) throw std::runtime_error("does not parse: " + text);
        TImageFolders folders{dir.Folder()};
        if (!WalkTree(root.get(), [&](TreeNode& n) { return ResolveFileLeaf(n, folders); }))
            throw std::runtime_error("unresolved: " + text);
        analyzer.SetCellWindow(0, -1);
        if (!WalkTree(root.get(), [&](TreeNode& n) { return analyzer.EvalRasterNode(n); })) {
            Error = analyzer.LastAnalyzerError();
            return nullptr;
        }
        return root;
    }

    TTempFolder dir;
    TAnalyzer analyzer;
    std::string Error;
    double MinSeen = 0;
    double MaxSeen = 0;
};

TEST_F(AnalyzerRasters, ZeroDivisorAndOutOfDomainCellsGiveZero)
{
    WriteTestRaster(dir.Path("a"), {1, 4, "real", "m", {6, -4, 0, 2}});
    WriteTestRaster(dir.Path("b"), {1, 4, "integer", "m", {0, 2, 0, -1}});
    EXPECT_EQ(Run("[a.rst]/[b.rst]"), (std::vector<float>{0, -2, 0, -2}));
    EXPECT_EQ(Run("5/[b.rst]"), (std::vector<float>{0, 2.5f, 0, -5}));
    EXPECT_EQ(Run("sqrt([a.rst])"), (std::vector<float>{std::sqrt(6.0f), 0, 0, std::sqrt(2.0f)}));
    EXPECT_EQ(Run("ln([b.rst])"), (std::vector<float>{0, static_cast<float>(std::log(2.0)), 0, 0}));
    EXPECT_EQ(Run("arcsin([a.rst]/4)"), (std::vector<float>{0, static_cast<float>(std::asin(-1.0)), 0,
                                                            static_cast<float>(std::asin(0.5))}));
}

TEST_F(AnalyzerRasters, NaNCellsPassThrough)
{
    float nan = std::nanf("");
    WriteTestRaster(dir.Path("a"), {1, 3, "real", "m", {nan, 1, 2}});
    auto cells = Run("[a.rst]*2+1");
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_TRUE(std::isnan(cells[0]));
    EXPECT_EQ(cells[1], 3);
    EXPECT_EQ(cells[2], 5);
    EXPECT_TRUE(std::isnan(Run("sqrt([a.rst])")[0]));
}

TEST_F(AnalyzerRasters, OperandOrderMattersOnlyWhereItShould)
{
    WriteTestRaster(dir.Path("a"), {2, 2, "byte", "m", {0, 1, 7, 255}});
    EXPECT_EQ(Run("2*[a.rst]"), (std::vector<float>{0, 2, 14, 510}));
    EXPECT_EQ(Run("[a.rst]*2"), (std::vector<float>{0, 2, 14, 510}));
    EXPECT_EQ(Run("2-[a.rst]"), (std::vector<float>{2, 1, -5, -253}));
    EXPECT_EQ(Run("[a.rst]-2"), (std::vector<float>{-2, -1, 5, 253}));
    EXPECT_EQ(Run("min(3,[a.rst])"), (std::vector<float>{0, 1, 3, 3}));
    EXPECT_EQ(Run("max([a.rst],3)"), (std::vector<float>{3, 3, 7, 255}));
    Run("-[a.rst]");
    EXPECT_EQ(MinSeen, -255);
    EXPECT_EQ(MaxSeen, 0);
}

TEST_F(AnalyzerRasters, UnsupportedOperatorsAreNamed)
{
    WriteTestRaster(dir.Path("a"), {1, 2, "real", "m", {1, 2}});
    WriteTestRaster(dir.Path("b"), {1, 2, "real", "m", {1, 2}});
    struct {
        const char* Text;
        const char* Error;
    } rows[] = {
        {"exp([a.rst])", "Invalid Unary Op. exp File."},
        {"not([a.rst])", "Invalid Unary Op. not File."},
        {"[a.rst] and [b.rst]", "Invalid Binary Op. File and File."},
        {"[a.rst] or 1", "Invalid Binary Op. File or Number."},
        {"1 xor [a.rst]", "Invalid Binary Op. Number xor File."},
        {"sqrt(0-1)+[a.rst]", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Prepare(row.Text), nullptr) << row.Text;
        EXPECT_EQ(Error, row.Error) << row.Text;
    }
}

TEST_F(AnalyzerRasters, SizesMustAgreeButBoundsNeedNot)
{
    WriteTestRaster(dir.Path("a"), {10, 20, "byte", "m", std::vector<double>(200, 1)});
    WriteTestRaster(dir.Path("b"), {20, 10, "byte", "m", std::vector<double>(200, 2)});
    EXPECT_EQ(Prepare("[a.rst]+[b.rst]"), nullptr);
    EXPECT_EQ(Error, FormatText("%s + %s. Left file is [10 x 20], Right file is [20 x 10].",
                                dir.Path("a.rdc").c_str(), dir.Path("b.rdc").c_str()));

    TTestRaster shifted{10, 20, "byte", "km", std::vector<double>(200, 3)};
    shifted.RefSystem = "utm-35n";
    WriteTestRaster(dir.Path("c"), shifted);
    auto cells = Run("[a.rst]+[c.rst]");
    EXPECT_EQ(cells, std::vector<float>(200, 4));
}

TEST_F(AnalyzerRasters, MissingHalfOfAPairIsNamed)
{
    WriteTestRaster(dir.Path("a"), {1, 1, "real", "m", {1}});
    std::filesystem::remove(dir.Path("a.rst"));
    TreeNode node;
    node.Kind = tkFile;
    node.Name = dir.Path("a.rdc");
    EXPECT_FALSE(analyzer.LoadFileLeaf(node));
    EXPECT_EQ(analyzer.LastAnalyzerError(), "File " + dir.Path("a.RST") + " does not exist.");
    node.Name = dir.Path("none.rst");
    EXPECT_FALSE(analyzer.LoadFileLeaf(node));
    EXPECT_EQ(analyzer.LastAnalyzerError(), "File " + dir.Path("none.RDC") + " does not exist.");
}

TEST_F(AnalyzerRasters, BadHeadersAreRefusedInTheHeaderPass)
{
    struct {
        TTestRaster Raster;
        std::size_t CutBytes;
        std::string Error;
    } rows[] = {
        {{0, 5, "byte", "m", {}}, 0, "rows or columns equals to zero"},
        {{2, -1, "byte", "m", {}}, 0, "rows or columns equals to zero"},
        {{1, 2, "float64", "m", {1, 2}}, 0, "Unknown data type or file type"},
        {{2, 2, "integer", "m", {1, 2, 3, 4}}, 1, "File " + dir.Path("a.RST") + " is shorter than its header says."},
        {{46341, 46341, "byte", "m", {}}, 0,
         "File " + dir.Path("a.rdc") + " is too large: 46341 rows x 46341 columns exceed 2147483647 cells."},
    };
    for (const auto& row : rows) {
        std::string rst = WriteTestRaster(dir.Path("a"), row.Raster);
        if (row.CutBytes) std::filesystem::resize_file(rst, std::filesystem::file_size(rst) - row.CutBytes);
        EXPECT_EQ(Prepare("[a.rst]+1"), nullptr) << row.Error;
        EXPECT_EQ(Error, row.Error);
    }
}

TEST_F(AnalyzerRasters, WindowsCutTheRasterAndExtremesSpanThemAll)
{
    std::vector<double> values(2500);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<double>(i % 100);
    values.back() = -7;
    WriteTestRaster(dir.Path("a"), {50, 50, "integer", "m", values});
    auto root = Prepare("[a.rst]*1");
    ASSERT_NE(root, nullptr);
    std::vector<std::int64_t> counts;
    for (std::int64_t start = 0; start < 2500; start += 1000) {
        analyzer.SetCellWindow(start, 1000);
        ASSERT_TRUE(WalkTree(root.get(), [&](TreeNode& n) { return analyzer.EvalRasterNode(n); }));
        counts.push_back(root->Rastr.CellCount);
        EXPECT_EQ(root->Rastr.FirstCell, start);
        EXPECT_EQ(root->Rastr.Cells.front(), static_cast<float>(values[static_cast<std::size_t>(start)]));
        FreeTreeCells(root.get());
    }
    EXPECT_EQ(counts, (std::vector<std::int64_t>{1000, 1000, 500}));
    // A window that reaches beyond the header's cells ends with them, however
    // long the file is.
    WriteWholeFile(dir.Path("a.rst"), ReadWholeFile(dir.Path("a.rst")) + std::string(40, '\x7f'));
    analyzer.SetCellWindow(2000, 1000);
    ASSERT_TRUE(WalkTree(root.get(), [&](TreeNode& n) { return analyzer.EvalRasterNode(n); }));
    EXPECT_EQ(root->Rastr.CellCount, 500);
    EXPECT_EQ(root->Rastr.Cells.size(), 500u);
    FreeTreeCells(root.get());
    EXPECT_EQ(root->Rastr.MinSeen, -7);
    EXPECT_EQ(root->Rastr.MaxSeen, 99);

    // A window past the end yields no cells and keeps the extremes.
    analyzer.SetCellWindow(3000, 1000);
    ASSERT_TRUE(WalkTree(root.get(), [&](TreeNode& n) { return analyzer.EvalRasterNode(n); }));
    EXPECT_EQ(root->Rastr.CellCount, -1);
    EXPECT_EQ(root->Rastr.MinSeen, -7);
}

TEST_F(AnalyzerRasters, ConversionWrapsAndRefusesInvalidTypes)
{
    RastrFile source;
    source.Header.DataType = dtReal;
    source.Cells = {255.5f, 254.5f, 256, -1, -0.5f, 2.5f, 3.5f};
    source.CellCount = 7;
    RastrFile target;
    target.Header.DataType = dtByte;
    ASSERT_TRUE(analyzer.ConvertRasterType(source, target));
    EXPECT_EQ(std::vector<std::uint8_t>(target.RawCells.begin(), target.RawCells.end()),
              (std::vector<std::uint8_t>{0, 254, 0, 255, 0, 2, 4}));
    double min = 0;
    double max = 0;
    ASSERT_TRUE(analyzer.RasterMinMax(target, min, max));
    EXPECT_EQ(min, 0);
    EXPECT_EQ(max, 255);

    target.Header.DataType = 9;
    target.Header.HeaderFile = "x.RDC";
    EXPECT_FALSE(analyzer.ConvertRasterType(source, target));
    EXPECT_EQ(analyzer.LastAnalyzerError(), "File x.RDC has invalid data type");
    EXPECT_FALSE(analyzer.RasterMinMax(target, min, max));

    source.CellCount = -1; // nothing to convert is no failure
    EXPECT_TRUE(analyzer.ConvertRasterType(source, target));
}

} // namespace
