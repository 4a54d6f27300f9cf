#include "calculator/Reclassify.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "calculator/Analyzer.h"
#include "calculator/CellMath.h"
#include "geodata/IdrisiRDC.h"
#include "geodata/QMMapDecl.h"
#include "tests/calculator/CalcTestFiles.h"
#include "tests/support/RasterFiles.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const Double3Array kGapTable = {{0, 10, 1}, {20, 30, 2}};

TEST(ReclassLookupTest, RangesAreInclusiveAndEverythingElsePassesUnchanged)
{
    struct Row {
        const char* Name;
        Double3Array Table;
        double X;
        double Expected;
    };
    const Row rows[] = {
        {"upper bound", kGapTable, 10, 1},
        {"lower bound", kGapTable, 0, 1},
        {"gap", kGapTable, 15, 15},
        {"above the last row", kGapTable, 35, 35},
        {"below the first row", kGapTable, -1, -1},
        {"second row", kGapTable, 20, 2},
        {"shared bound takes the lower row", {{0, 10, 1}, {10, 20, 2}}, 10, 1},
    };
    for (const Row& row : rows) EXPECT_EQ(ReclassLookup(row.Table, row.X), row.Expected) << row.Name;
    EXPECT_TRUE(std::isnan(ReclassLookup(kGapTable, kNaN)));
}

TEST(EqualIntervalTest, ClassCountForWidth)
{
    struct Row {
        const char* Name;
        double Min, Max, Width;
        bool Accepted;
        std::int64_t Count;
    };
    const Row rows[] = {
        {"width 5 over 0..10", 0, 10, 5, true, 3},
        {"width that does not divide", 0, 10, 4, true, 3},
        {"minimum equal to maximum", 5, 5, 2, true, 1},
        {"largest count", 0, kMaxClasses - 1, 1, true, kMaxClasses},
        {"one class too many", 0, kMaxClasses, 1, false, 0},
        {"zero width", 0, 10, 0, false, 0},
        {"negative width", 0, 10, -1, false, 0},
        {"NaN width", 0, 10, kNaN, false, 0},
        {"maximum below minimum", 10, 0, 5, false, 0},
        {"tiny width", 0, 10, 1e-300, false, 0},
        {"infinite maximum", 0, std::numeric_limits<double>::infinity(), 1, false, 0},
    };
    for (const Row& row : rows) {
        std::int64_t count = 0;
        EXPECT_EQ(ClassCountForWidth(row.Min, row.Max, row.Width, count), row.Accepted) << row.Name;
        if (row.Accepted) {
            EXPECT_EQ(count, row.Count) << row.Name;
        }
    }
}

TEST(EqualIntervalTest, RowsAreContiguousAndValuedAtTheirMiddles)
{
    EXPECT_EQ(EqualIntervalTable(0, 10, 5, 3), (Double3Array{{0, 5, 2.5}, {5, 10, 7.5}, {10, 15, 12.5}}));
    EXPECT_EQ(EqualIntervalTable(0, 10, 2.5, 4),
              (Double3Array{{0, 2.5, 1.25}, {2.5, 5, 3.75}, {5, 7.5, 6.25}, {7.5, 10, 8.75}}));
    EXPECT_EQ(EqualIntervalTable(4, 4, 0, 2), (Double3Array{{4, 4, 4}, {4, 4, 4}}));
    EXPECT_EQ(EqualIntervalTable(4, 4, 2, 1), (Double3Array{{4, 6, 5}}));
    // No table holds an edge or a value that is not finite.
    constexpr double kInf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(EqualIntervalTable(0, 1e308, 1e308, 2).empty());
    EXPECT_TRUE(EqualIntervalTable(-1e308, 1e308, kInf, 4).empty());
    EXPECT_TRUE(EqualIntervalTable(-kInf, kInf, 1, 3).empty());
    EXPECT_TRUE(EqualIntervalTable(kNaN, kNaN, kNaN, 3).empty());
}

TEST(EqualIntervalTest, ExtremeCellsAreAlwaysClassified)
{
    // 0.7 as a 32-bit cell lies below 0.7, and 0.1 + 0.1 + 0.1 below 0.3 as a cell.
    struct Row {
        double Min, Max;
        std::int64_t Count;
    };
    for (const Row& row : {Row{0.7, 1.0, 3}, Row{0, 0.3, 3}, Row{0.1, 0.7, 6}}) {
        const double width = (row.Max - row.Min) / static_cast<double>(row.Count);
        Double3Array table = EqualIntervalTable(row.Min, row.Max, width, row.Count);
        const double minCell = static_cast<float>(row.Min);
        const double maxCell = static_cast<float>(row.Max);
        EXPECT_EQ(ReclassLookup(table, minCell), table.front().Value) << row.Min;
        EXPECT_EQ(ReclassLookup(table, maxCell), table.back().Value) << row.Max;
        EXPECT_EQ(ReclassLookup(table, row.Max), table.back().Value) << row.Max;
    }
}

RastrFile WindowOf(std::uint8_t dataType, std::vector<std::uint8_t> raw, std::vector<float> reals = {})
{
    RastrFile raster;
    raster.Header.DataType = dataType;
    raster.Header.HeaderFile = "/data/src.rdc";
    raster.RawCells.assign(raw.begin(), raw.end());
    raster.Cells.assign(reals.begin(), reals.end());
    return raster;
}

TEST(ApplyReclassTest, CellsAreMappedInTheirOwnType)
{
    TAnalyzer analyzer;
    RastrFile real = WindowOf(dtReal, {}, {5, 15, static_cast<float>(kNaN), 25, 10.5F});
    ASSERT_TRUE(ApplyReclass(analyzer, kGapTable, real));
    EXPECT_EQ(real.Cells[0], 1);
    EXPECT_EQ(real.Cells[1], 15);
    EXPECT_TRUE(std::isnan(real.Cells[2]));
    EXPECT_EQ(real.Cells[3], 2);
    EXPECT_EQ(real.Cells[4], 10.5F);
    EXPECT_EQ(real.MaxSeen, 15);

    // Bytes keep the low 8 bits of the rounded value: 300 -> 44, 2.5 -> 2.
    RastrFile bytes = WindowOf(dtByte, {5, 25, 200});
    ASSERT_TRUE(ApplyReclass(analyzer, {{0, 10, 300}, {20, 30, 2.5}}, bytes));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.RawCells.begin(), bytes.RawCells.end()), (std::vector<std::uint8_t>{44, 2, 200}));
    EXPECT_EQ(bytes.MinSeen, 2.5);
    EXPECT_EQ(bytes.MaxSeen, 300);

    // Little-endian 16-bit cells -5 and 7; -40000 keeps its low 16 bits, 25536.
    RastrFile integers = WindowOf(dtInteger, {0xFB, 0xFF, 0x07, 0x00});
    ASSERT_TRUE(ApplyReclass(analyzer, {{-10, 0, -40000}}, integers));
    EXPECT_EQ(std::vector<std::uint8_t>(integers.RawCells.begin(), integers.RawCells.end()),
              (std::vector<std::uint8_t>{0xC0, 0x63, 0x07, 0x00}));
}

TEST(ApplyReclassTest, UnknownDataTypeIsReported)
{
    TAnalyzer analyzer;
    RastrFile raster = WindowOf(7, {1, 2});
    EXPECT_FALSE(ApplyReclass(analyzer, kGapTable, raster));
    EXPECT_EQ(analyzer.LastAnalyzerError(), "File /data/src.rdc has invalid data type");
}

TEST(ApplyReclassTest, ValueBeyondTheRealRangeIsAnOverflow)
{
    TAnalyzer analyzer;
    RastrFile raster = WindowOf(dtReal, {}, {5});
    EXPECT_THROW(ApplyReclass(analyzer, {{0, 10, 1e300}}, raster), QMError);
}

class ReclassCommandTest : public ::testing::Test {
protected:
    void SetUp() override { Folders = {Dir.Folder()}; }

    std::unique_ptr<TreeNode> Open(const std::string& expression)
    {
        return OpenReclassSource(Analyzer, expression, Folders);
    }
    std::string RefusalOf(const std::string& expression)
    {
        try {
            Open(expression);
        } catch (const QMError& e) {
            return e.what();
        }
        return "";
    }
    // Reclassifies "<name>" into out.rst with the given output type.
    void Reclassify(const std::string& name, const Double3Array& table, std::uint8_t outputType)
    {
        std::unique_ptr<TreeNode> leaf = Open("[" + name + "]");
        TIdrisiRDC header;
        ReadRasterHeader(leaf->Name, header);
        WriteReclassified(Analyzer, *leaf, header, table, Dir.Path("out.rst"), outputType);
    }
    TIdrisiRDC OutputHeader()
    {
        TIdrisiRDC header;
        ReadRdc(header, Dir.Path("out.rst"));
        return header;
    }

    TTempFolder Dir;
    TImageFolders Folders;
    TAnalyzer Analyzer;
};

TEST_F(ReclassCommandTest, SourceMustBeOneExistingFile)
{
    WriteTestRaster(Dir.Path("a"), {});
    struct Row {
        const char* Expression;
        const char* Refusal;
    };
    const Row rows[] = {
        {"", "Please specify source"},
        {"[a.rst]+1", "Source expression must contain only file name"},
        {"2", "Source expression must contain only file name"},
        {"[missing.rst]", "Source file does not exist"},
        {"2 # 3", "Error in source"},
        {"[a.rst]", ""},
    };
    for (const Row& row : rows) EXPECT_EQ(RefusalOf(row.Expression), row.Refusal) << row.Expression;

    try {
        Open("2 # 3");
        FAIL() << "no parse error";
    } catch (const EExpressionError& e) {
        EXPECT_EQ(e.Position, 3);
    }
    EXPECT_EQ(Open("[A.RST]")->Name, Dir.Path("A.RST"));
}

TEST_F(ReclassCommandTest, ByteOutputWrapsAndItsHeaderHasTheStoredExtremes)
{
    WriteTestRaster(Dir.Path("src"), {.Rows = 2, .Columns = 2, .Values = {5, 25, 15, 35}});
    Reclassify("src.rst", {{0, 10, 300}, {20, 30, 2}}, dtByte);

    EXPECT_EQ(ReadTestCells(Dir.Path("out.RST"), "byte"), (std::vector<double>{44, 2, 15, 35}));
    const std::string rdc = ReadWholeFile(Dir.Path("out.RDC"));
    EXPECT_NE(rdc.find("data type   : byte\r\n"), std::string::npos);
    EXPECT_NE(rdc.find("min. value  : 2\r\n"), std::string::npos);
    EXPECT_NE(rdc.find("max. value  : 44\r\n"), std::string::npos);
    EXPECT_EQ(OutputHeader().Rows, 2);
}

TEST_F(ReclassCommandTest, IntegerAndRealOutputs)
{
    WriteTestRaster(Dir.Path("src"), {.Rows = 1, .Columns = 3, .DataType = "byte", .Values = {5, 25, 15}});

    Reclassify("src.rst", {{0, 10, 40000}, {20, 30, -2.5}}, dtInteger);
    EXPECT_EQ(ReadTestCells(Dir.Path("out.RST"), "integer"), (std::vector<double>{-25536, -2, 15}));
    EXPECT_EQ(OutputHeader().DataType, dtInteger);

    // The old pair is replaced, not appended to.
    Reclassify("src.rst", {{0, 10, 0.25}}, dtReal);
    EXPECT_EQ(ReadTestCells(Dir.Path("out.RST"), "real"), (std::vector<double>{0.25, 25, 15}));
    TIdrisiRDC header = OutputHeader();
    EXPECT_EQ(header.DataType, dtReal);
    EXPECT_EQ(header.MinValue, 0.25);
    EXPECT_EQ(header.MaxValue, 25);
}

TEST_F(ReclassCommandTest, WindowsOfAMillionCellsCoverTheRaster)
{
    TTestRaster big{.Rows = 1001, .Columns = 1000, .Values = {}};
    big.Values.assign(1001 * 1000, 5);
    big.Values.back() = 50;
    WriteTestRaster(Dir.Path("big"), big);
    Reclassify("big.rst", {{0, 10, 1}, {40, 60, 7}}, dtByte);

    std::vector<double> cells = ReadTestCells(Dir.Path("out.RST"), "byte");
    ASSERT_EQ(cells.size(), 1001U * 1000U);
    EXPECT_EQ(cells.front(), 1);
    EXPECT_EQ(cells[999999], 1);
    EXPECT_EQ(cells.back(), 7);
    EXPECT_EQ(OutputHeader().MaxValue, 7);
}

TEST_F(ReclassCommandTest, OutputHoldsExactlyTheCellsOfItsHeader)
{
    // 20 cells on disk for a 4 x 3 header: the surplus is no cell.
    std::vector<double> values(12, 5);
    values.insert(values.end(), {7, 7, 7, 7, 7, 7, 7, 200});
    WriteTestRaster(Dir.Path("src"), {.Rows = 4, .Columns = 3, .DataType = "byte", .Values = values});
    Reclassify("src.rst", {{0, 10, 1}, {100, 255, 9}}, dtByte);
    EXPECT_EQ(ReadTestCells(Dir.Path("out.RST"), "byte"), std::vector<double>(12, 1));
    TIdrisiRDC header = OutputHeader();
    EXPECT_EQ(header.MinValue, 1);
    EXPECT_EQ(header.MaxValue, 1);
}

// Every output the command writes is, byte for byte, what the scan gives
// each cell, stored in the output's type, and the header's extremes those
// of a walk over the stored cells: for every source and output type, over
// a raster large enough for every core to map a part of it.
TEST_F(ReclassCommandTest, OutputIsTheScansCellForCellInEveryType)
{
    constexpr std::int32_t kRows = 300;
    constexpr std::int32_t kColumns = 400;
    // Gaps, shared edges and a row of one value; values that byte and
    // integer outputs wrap.
    const Double3Array gapped = {{-40000, -100, 7},   {-100, -100, -3.5}, {-99.5, 0, 300.5},  {0, 10, 2.5},
                                 {12, 12.25, 40000}, {12.25, 200, -1.5}, {255, 255, 1e5},   {1000, 32767, 0.1}};
    const Double3Array tables[] = {gapped, EqualIntervalTable(-50, 350, 0.5, 800), {{0, 10, 1}, {5, 300, 2}}};
    // Real cells: the edges, the cells beside them and others, in no order.
    std::vector<float> reals;
    for (const Double3Array& table : tables)
        for (const TReclassRow& row : table)
            for (float edge : {static_cast<float>(row.From), static_cast<float>(row.To)})
                reals.insert(reals.end(), {edge, std::nextafter(edge, -1e30F), std::nextafter(edge, 1e30F)});
    for (int k = 0; k < 500; ++k) reals.push_back(static_cast<float>(k * 0.77 - 60));
    auto cellOf = [&](const std::string& type, std::int64_t i) -> double {
        const std::int64_t spread = i * 7919;
        if (type == "byte") return static_cast<double>(spread % 256);
        if (type == "integer") return static_cast<double>(spread % 65536 - 32768);
        return reals[static_cast<std::size_t>(spread % static_cast<std::int64_t>(reals.size()))];
    };
    for (const char* type : {"byte", "integer", "real"}) {
        TTestRaster source{.Rows = kRows, .Columns = kColumns, .DataType = type, .Values = {}};
        for (std::int64_t i = 0; i < std::int64_t(kRows) * kColumns; ++i) source.Values.push_back(cellOf(type, i));
        WriteTestRaster(Dir.Path("src"), source);
        TIdrisiRDC sourceHeader;
        ReadRasterHeader(Dir.Path("src.rst"), sourceHeader);
        for (const Double3Array& table : tables) {
            // Few distinct cells: each is scanned once.
            std::map<double, float> scanned;
            std::vector<float> mapped;
            for (double value : source.Values) {
                auto [at, added] = scanned.try_emplace(value, 0.0F);
                if (added) at->second = static_cast<float>(ReclassLookup(table, value));
                mapped.push_back(at->second);
            }
            for (std::uint8_t outputType : {dtByte, dtInteger, dtReal}) {
                std::string expected;
                double min = 3.4e38;
                double max = -3.4e38;
                for (float stored : mapped) {
                    const double cell = outputType == dtByte      ? CellToByte(stored)
                                        : outputType == dtInteger ? CellToInteger(stored)
                                                                  : stored;
                    if (outputType == dtByte) AppendCell<std::uint8_t>(expected, cell);
                    if (outputType == dtInteger) AppendCell<std::int16_t>(expected, cell);
                    if (outputType == dtReal) AppendCell<float>(expected, cell);
                    if (cell < min) min = cell;
                    if (cell > max) max = cell;
                }
                Reclassify("src.rst", table, outputType);
                const std::string name = std::string(type) + " source, " + std::to_string(table.size()) +
                                         " rows, output type " + std::to_string(outputType);
                EXPECT_TRUE(ReadWholeFile(Dir.Path("out.RST")) == expected) << name;
                TIdrisiRDC header = sourceHeader;
                header.DataType = outputType;
                header.MinValue = min;
                header.MaxValue = max;
                EXPECT_EQ(ReadWholeFile(Dir.Path("out.RDC")), RdcText(header)) << name;
            }
        }
    }
}

// A fault gives the message it always gave and leaves the old pair whole,
// whichever window and whichever core's part of it meets the fault.
TEST_F(ReclassCommandTest, FaultsLeaveTheOldPairWholeWherever)
{
    struct Row {
        const char* Name;
        std::int64_t Cell; // the one cell of 50 among cells of 5
        double Value;      // that cells of 50 become
        std::uint8_t OutputType;
        const char* Message;
    };
    const Row rows[] = {
        {"overflow in the last window", 1001 * 1000 - 1, 1e39, dtReal, "Floating point overflow"},
        {"overflow amid the first window", 612345, 1e39, dtReal, "Floating point overflow"},
        {"NaN for a byte output", 612345, std::numeric_limits<double>::quiet_NaN(), dtByte,
         "Invalid floating point operation"},
    };
    TTestRaster big{.Rows = 1001, .Columns = 1000, .Values = {}};
    for (const Row& row : rows) {
        big.Values.assign(1001 * 1000, 5);
        big.Values[static_cast<std::size_t>(row.Cell)] = 50;
        WriteTestRaster(Dir.Path("big"), big);
        WriteWholeFile(Dir.Path("out.rdc"), "old header");
        WriteWholeFile(Dir.Path("out.rst"), "old cells");
        try {
            Reclassify("big.rst", {{0, 10, 1}, {40, 60, row.Value}}, row.OutputType);
            ADD_FAILURE() << row.Name << ": no fault";
        } catch (const QMError& e) {
            EXPECT_STREQ(e.what(), row.Message) << row.Name;
        }
        EXPECT_EQ(FolderListing(Dir.Root()), (std::vector<std::string>{"big.rdc", "big.rst", "out.rdc", "out.rst"}))
            << row.Name;
        EXPECT_EQ(ReadWholeFile(Dir.Path("out.rdc")), "old header") << row.Name;
        EXPECT_EQ(ReadWholeFile(Dir.Path("out.rst")), "old cells") << row.Name;
    }
}

// The whole command with its interactions scripted: what comes back, and
// which interaction each refusal still reaches.
TEST_F(ReclassCommandTest, CommandReturnsItsOutcomeAndAsksOnlyWhatItMust)
{
    WriteTestRaster(Dir.Path("src"), {.Rows = 1, .Columns = 2, .Values = {5, 25}});
    // A later key wins: the value range the dialog is given.
    WriteWholeFile(Dir.Path("src.rdc"), ReadWholeFile(Dir.Path("src.rdc")) + "min. value  : 5\r\nmax. value  : 25\r\n");
    WriteWholeFile(Dir.Path("old.rst"), "old cells");
    WriteWholeFile(Dir.Path("old.rdc"), "old header");
    const Double3Array table = {{0, 10, 1}};
    struct Row {
        const char* Expression;
        const char* Target;
        bool Yes;
        bool Table;
        TReclassOutcome Outcome;
        std::string Message;
        int ErrorPosition;
        const char* Asked; // q: the question, t: the table
    };
    const Row rows[] = {
        {"2 # 3", "out.rst", true, true, TReclassOutcome::Refused, "Error in source", 3, ""},
        {"[src.rst]", "", true, true, TReclassOutcome::Refused, "Please specify destination", 0, ""},
        {"[src.rst]", "old.rst", false, true, TReclassOutcome::Refused, "", 0, "q"},
        {"[src.rst]", "old.rst", true, false, TReclassOutcome::Refused, "", 0, "qt"},
        {"[src.rst]", "new.rst", true, true, TReclassOutcome::Written, "Ready. See file " + Dir.Path("new.rst"), 0,
         "t"},
    };
    for (const Row& row : rows) {
        std::string asked;
        TReclassCallbacks callbacks;
        callbacks.AskYesNo = [&](const std::string&) { return asked += 'q', row.Yes; };
        callbacks.BuildTable = [&](const std::string& name, double min, double max) -> const Double3Array* {
            asked += 't';
            EXPECT_EQ(name, Dir.Path("src.rst"));
            EXPECT_EQ(std::make_pair(min, max), std::make_pair(5.0, 25.0));
            return row.Table ? &table : nullptr;
        };
        TReclassResult result = ReclassifyRaster({row.Expression, row.Target, 0, Folders}, callbacks);
        EXPECT_EQ(result.Outcome, row.Outcome) << row.Expression << " " << row.Target;
        EXPECT_EQ(result.Message, row.Message) << row.Expression << " " << row.Target;
        EXPECT_EQ(result.ErrorPosition, row.ErrorPosition) << row.Expression;
        EXPECT_EQ(asked, row.Asked) << row.Expression << " " << row.Target;
    }
    EXPECT_EQ(ReadWholeFile(Dir.Path("old.rst")), "old cells");
    EXPECT_EQ(ReadTestCells(Dir.Path("new.RST"), "byte"), (std::vector<double>{1, 25}));
}

} // namespace
