#include "calculator/Processing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "geodata/IdrisiRDC.h"
#include "geodata/IdrisiRST.h"
#include "platform/NumberText.h"
#include "tests/calculator/CalcTestFiles.h"
#include "tests/support/TestEnvironment.h"

namespace {

namespace fs = std::filesystem;

class ProcessingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Env.Change([this](TEnvironment& e) {
            e.Hourglass = [this](bool busy) {
                BusyDepth += busy ? 1 : -1;
                if (busy) ++BusyShown;
            };
        });
    }
    TTestEnvironment Env;

    TProcessResult Process(const std::string& expression, const std::string& target = "out.rst", int type = -1)
    {
        TProcessRequest request;
        request.Expression = expression;
        request.Target = target;
        request.DestTypeIndex = type;
        request.ImageFolders = Folders;
        TProcessCallbacks callbacks;
        callbacks.AskYesNo = [this](const std::string& question) {
            Questions.push_back(question);
            return Answer;
        };
        return ProcessExpression(request, callbacks);
    }
    // The message of the QMError that processing raises, or "" when none.
    std::string ErrorOf(const std::string& expression, const std::string& target = "out.rst", int type = -1)
    {
        try {
            Process(expression, target, type);
        } catch (const QMError& e) {
            return e.what();
        }
        return "";
    }
    // The error of a command run in a child process whose files cannot grow
    // beyond `limit` bytes, as on a full disk.
    std::string ErrorOnFullDisk(const std::string& expression, rlim_t limit)
    {
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0) return "no pipe";
        pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            std::signal(SIGXFSZ, SIG_IGN); // a write beyond the limit fails instead
            rlimit fileSize{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
            std::string error = ErrorOf(expression);
            ssize_t written = ::write(pipeEnds[1], error.data(), error.size());
            ::_exit(written == static_cast<ssize_t>(error.size()) ? 0 : 1);
        }
        ::close(pipeEnds[1]);
        std::string error;
        char buffer[256];
        for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) error.append(buffer, static_cast<std::size_t>(n));
        ::close(pipeEnds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        return error;
    }
    TIdrisiRDC OutputHeader(const std::string& name = "out.rst")
    {
        TIdrisiRDC header;
        ReadRdc(header, dir.Path(name));
        return header;
    }

    TTempFolder dir;
    TTempFolder second;
    TImageFolders Folders{dir.Folder()};
    std::vector<std::string> Questions;
    bool Answer = true;
    int BusyDepth = 0;
    int BusyShown = 0;
};

TEST_F(ProcessingTest, NumbersAreShownNotWritten)
{
    struct {
        const char* Expression;
        const char* Message;
    } rows[] = {
        {"2^3^2", "Number: 64"}, {"-2^2", "Number: 4"}, {"1/0", "Number: NaN"},
        {"arctan(1)", "Number: 0.785398163397448"}, {"1/3", "Number: 0.333333333333333"},
    };
    for (const auto& row : rows) {
        TProcessResult result = Process(row.Expression);
        EXPECT_EQ(result.Outcome, TProcessOutcome::Number);
        EXPECT_EQ(result.Message, row.Message);
    }
    EXPECT_EQ(Process("2^3^2").Number, 64);
    EXPECT_EQ(ErrorOf("10^400"), "Floating point overflow");
    EXPECT_TRUE(fs::is_empty(dir.Folder()));
}

TEST_F(ProcessingTest, TextsThatAreNoExpressionAreRefused)
{
    EXPECT_EQ(ErrorOf(""), "Expression is empty. ");
    WriteTestRaster(dir.Path("b"), {1, 1, "real", "m", {1}});
    using namespace std::string_literals;
    // A control character stops the parse where it stands, in a file operand
    // as anywhere else: a zero byte must not cut "[b.rdc\0...]" to b.rdc.
    struct {
        std::string Expression;
        int Position;
    } rows[] = {
        {"2 # 3", 3}, {"[b.rdc\0x.rst]*2"s, 7}, {"[b.rst\x1f]"s, 7}, {"[b\0"s, 3}, {"[b.rst]\0+1"s, 8},
    };
    for (const auto& row : rows) {
        try {
            Process(row.Expression);
            ADD_FAILURE() << "parsed: " << row.Expression;
        } catch (const EExpressionError& e) {
            EXPECT_STREQ(e.what(), "Error in expression. ");
            EXPECT_EQ(e.Position, row.Position) << row.Expression;
        }
    }
    EXPECT_FALSE(fs::exists(dir.Path("out.RST")));
}

TEST_F(ProcessingTest, FileOperandsAreFoundInTheImageFoldersInOrder)
{
    WriteTestRaster(second.Path("a"), {1, 2, "real", "m", {1, 2}});
    Folders = {dir.Folder(), second.Folder()};
    TProcessResult result = Process("[a.rst]+1");
    EXPECT_EQ(result.Outcome, TProcessOutcome::Written);
    EXPECT_EQ(ReadTestCells(dir.Path("out.RST"), "real"), (std::vector<double>{2, 3}));

    WriteTestRaster(dir.Path("a"), {1, 2, "real", "m", {10, 20}});
    Process("[A.RST]+1", "out2");
    EXPECT_EQ(ReadTestCells(dir.Path("out2.RST"), "real"), (std::vector<double>{11, 21}));

    Folders.clear();
    EXPECT_EQ(ErrorOf("[a.rst]+1", dir.Path("x")), "File expression, NOT ALL FILES EXISTS");
    Process("[" + second.Path("a.rst") + "]*2", dir.Path("abs"));
    EXPECT_EQ(ReadTestCells(dir.Path("abs.RST"), "real"), (std::vector<double>{2, 4}));
}

TEST_F(ProcessingTest, DestinationRules)
{
    Folders = {dir.Folder(), second.Folder()};
    EXPECT_EQ(GetDestination("out.rst", Folders).FileName, dir.Path("out.rst"));
    EXPECT_EQ(GetDestination(second.Path("x.rst"), Folders).FileName, second.Path("x.rst"));
    EXPECT_EQ(GetDestination("", Folders).Refusal, "Please specify destination");
    EXPECT_EQ(GetDestination("/no/such/folder/out.rst", Folders).Refusal, "Directory for destination does not exist");
    EXPECT_EQ(GetDestination("out.rst", {}).Refusal, "Erroneus destination");
    EXPECT_EQ(GetDestination(second.Folder(), Folders).Refusal, "Erroneus destination");
    // The folder is taken as it is on disk, whatever its case as typed.
    fs::create_directory(dir.Path("Sub"));
    EXPECT_EQ(GetDestination("SUB/out.rst", Folders).FileName, dir.Path("Sub/out.rst"));
    EXPECT_EQ(FirstImageFolder(Folders), dir.Folder().substr(0, dir.Folder().size() - 1));
    EXPECT_EQ(FirstImageFolder({}), "");

    WriteTestRaster(dir.Path("a"), {1, 1, "real", "m", {1}});
    TProcessResult refused = Process("[a.rst]", "");
    EXPECT_EQ(refused.Outcome, TProcessOutcome::Refused);
    EXPECT_EQ(refused.Message, "Please specify destination");
}

TEST_F(ProcessingTest, ResultIsWrittenWithTheLeftmostHeaderAndItsExtremes)
{
    TTestRaster a{2, 2, "integer", "km", {6, -4, 0, 9}};
    a.RefSystem = "utm-35n";
    WriteTestRaster(dir.Path("a"), a);
    WriteTestRaster(dir.Path("b"), {2, 2, "byte", "m", {3, 2, 0, 3}});
    TProcessResult result = Process("[a.rst]/[b.rst]");
    EXPECT_EQ(result.Outcome, TProcessOutcome::Written);
    EXPECT_EQ(result.Message, "Ready. See file " + dir.Path("out.rst"));
    EXPECT_EQ(ReadTestCells(dir.Path("out.RST"), "real"), (std::vector<double>{2, -2, 0, 3}));
    TIdrisiRDC header = OutputHeader();
    EXPECT_EQ(header.DataType, dtReal);
    EXPECT_EQ(header.RefSystemName, "utm-35n");
    EXPECT_EQ(header.RefUnits, ruKilometres);
    EXPECT_EQ(header.MinValue, -2);
    EXPECT_EQ(header.MaxValue, 3);
    // Headers are read under the hourglass, and it is always taken down.
    EXPECT_GT(BusyShown, 0);
    EXPECT_EQ(BusyDepth, 0);
}

TEST_F(ProcessingTest, WindowsOfAMillionCellsCoverTheRaster)
{
    // 2,500,000 cells: windows of 1,000,000, 1,000,000 and 500,000.
    const int rows = 2500;
    const int columns = 1000;
    std::vector<double> values(static_cast<std::size_t>(rows) * columns);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<double>(i % 250);
    values[values.size() - 3] = -9; // the minimum lies in the last window
    values[1500000] = 300;
    WriteTestRaster(dir.Path("a"), {rows, columns, "integer", "m", values});
    // Each operand's next window is read while one is computed, also when
    // two operands name one file.
    Process("[a.rst]+[a.rst]", "out.rst", 1);
    std::vector<double> cells = ReadTestCells(dir.Path("out.RST"), "integer");
    ASSERT_EQ(cells.size(), values.size());
    for (std::size_t i = 0; i < values.size(); i += 99991) EXPECT_EQ(cells[i], values[i] * 2) << i;
    EXPECT_EQ(cells[values.size() - 3], -18);
    TIdrisiRDC header = OutputHeader();
    EXPECT_EQ(header.DataType, dtInteger);
    EXPECT_EQ(header.MinValue, -18);
    EXPECT_EQ(header.MaxValue, 600);
}

TEST_F(ProcessingTest, ByteOutputOutOfRangeIsProhibited)
{
    std::vector<double> values(256);
    for (int i = 0; i < 256; ++i) values[static_cast<std::size_t>(i)] = i;
    WriteTestRaster(dir.Path("a"), {16, 16, "byte", "m", values});
    TProcessResult result = Process("[a.rst]-1", "out.rst", 0);
    EXPECT_EQ(result.Outcome, TProcessOutcome::Prohibited);
    EXPECT_EQ(result.Message, "Output expression extremums are (-1, 254). Output prohibited.");
    EXPECT_EQ(FolderListing(dir.Root()), (std::vector<std::string>{"a.rdc", "a.rst"}));

    result = Process("[a.rst]/2", "half", 0);
    EXPECT_EQ(result.Outcome, TProcessOutcome::Written);
    std::vector<double> cells = ReadTestCells(dir.Path("half.RST"), "byte");
    EXPECT_EQ(cells[5], 2);  // 2.5 rounds to even
    EXPECT_EQ(cells[7], 4);  // 3.5 too
    EXPECT_EQ(OutputHeader("half").MaxValue, 128);
}

// Bytes a cell file holds beyond its header's rows x columns are no cells:
// neither written nor seen by the byte check or the header's extremes.
TEST_F(ProcessingTest, ResultHoldsExactlyTheCellsOfItsHeader)
{
    std::vector<double> values(12, 1);
    values.insert(values.end(), {7, 7, 7, 7, 7, 7, 7, 200});
    WriteTestRaster(dir.Path("b"), {4, 3, "byte", "m", values});
    TProcessResult result = Process("[b.rst]*2", "out.rst", 0);
    EXPECT_EQ(result.Outcome, TProcessOutcome::Written) << result.Message;
    EXPECT_EQ(ReadTestCells(dir.Path("out.RST"), "byte"), std::vector<double>(12, 2));
    TIdrisiRDC header = OutputHeader();
    EXPECT_EQ(header.Rows, 4);
    EXPECT_EQ(header.Columns, 3);
    EXPECT_EQ(header.MaxValue, 2);
}

TEST_F(ProcessingTest, IntegerOutputWrapsSilently)
{
    WriteTestRaster(dir.Path("a"), {1, 3, "byte", "m", {0, 1, 255}});
    EXPECT_EQ(Process("40000+[a.rst]", "out.rst", 1).Outcome, TProcessOutcome::Written);
    EXPECT_EQ(ReadTestCells(dir.Path("out.RST"), "integer"), (std::vector<double>{-25536, -25535, -25281}));
    EXPECT_EQ(OutputHeader().MinValue, -25536);
}

TEST_F(ProcessingTest, DestinationThatIsAnInputIsRefusedBeforeTheQuestion)
{
    WriteTestRaster(dir.Path("a"), {1, 2, "real", "m", {1, 2}});
    std::string before = ReadWholeFile(dir.Path("a.rst"));
    for (const char* target : {"a.rst", "A.RST", "a", "./a.rdc"}) {
        EXPECT_EQ(ErrorOf("[a.rst]*2", target), "Destination file " + GetDestination(target, Folders).FileName +
                                                     " is also an input file.")
            << target;
    }
    EXPECT_TRUE(Questions.empty());
    EXPECT_EQ(ReadWholeFile(dir.Path("a.rst")), before);
    EXPECT_TRUE(fs::exists(dir.Path("a.rdc")));
}

TEST_F(ProcessingTest, AnsweringNoKeepsTheOldFiles)
{
    WriteTestRaster(dir.Path("a"), {1, 2, "real", "m", {1, 2}});
    WriteWholeFile(dir.Path("out.rdc"), "old header");
    WriteWholeFile(dir.Path("out.rst"), "old cells");
    Answer = false;
    TProcessResult result = Process("[a.rst]*2");
    EXPECT_EQ(result.Outcome, TProcessOutcome::Refused);
    EXPECT_EQ(result.Message, "");
    EXPECT_EQ(Questions, std::vector<std::string>{"File " + dir.Path("out.RST") + " exists. Overwrite?"});
    EXPECT_EQ(ReadWholeFile(dir.Path("out.rdc")), "old header");
    EXPECT_EQ(ReadWholeFile(dir.Path("out.rst")), "old cells");

}

TEST_F(ProcessingTest, BadInputsAreRefusedBeforeAnythingIsDeleted)
{
    WriteWholeFile(dir.Path("out.rdc"), "old header");
    WriteWholeFile(dir.Path("out.rst"), "old cells");
    WriteTestRaster(dir.Path("good"), {2, 2, "real", "m", {1, 2, 3, 4}});
    WriteTestRaster(dir.Path("short"), {2, 2, "real", "m", {1, 2, 3}});
    WriteTestRaster(dir.Path("feet"), {2, 2, "real", "ft", {1, 2, 3, 4}});
    WriteTestRaster(dir.Path("wide"), {2, 3, "real", "m", {1, 2, 3, 4, 5, 6}});
    struct {
        const char* Expression;
        std::string Error;
    } rows[] = {
        {"[good.rst]+[short.rst]", "File " + dir.Path("short.RST") + " is shorter than its header says."},
        {"[feet.rst]*2", "File " + dir.Path("feet.rdc") + " has unsupported reference units"},
        {"sqrt(0-1)+[good.rst]", "Invalid number in expression."},
        {"exp([good.rst])", "Invalid Unary Op. exp File."},
        {"[good.rst]-[wide.rst]", FormatText("%s - %s. Left file is [2 x 2], Right file is [2 x 3].",
                                              dir.Path("good.rdc").c_str(), dir.Path("wide.rdc").c_str())},
    };
    for (const auto& row : rows) EXPECT_EQ(ErrorOf(row.Expression), row.Error) << row.Expression;
    EXPECT_TRUE(Questions.empty());
    EXPECT_EQ(ReadWholeFile(dir.Path("out.rst")), "old cells");
    // Units the writer cannot write matter only in the header that is written.
    EXPECT_EQ(Process("[good.rst]*[feet.rst]").Outcome, TProcessOutcome::Written);
}

TEST_F(ProcessingTest, ArithmeticFaultsEndTheCommand)
{
    WriteTestRaster(dir.Path("a"), {1, 2, "real", "m", {0, 1}});
    EXPECT_EQ(ErrorOf("[a.rst]^(0-1)"), "Floating point division by zero");
    EXPECT_EQ(ErrorOf("([a.rst]-2)^0.5"), "Invalid floating point operation");
    EXPECT_EQ(ErrorOf("([a.rst]+1)*10^300"), "Floating point overflow");
    EXPECT_FALSE(fs::exists(dir.Path("out.RDC")));
}

// After a Yes, a failure in any window, on a full disk or through the byte
// check leaves the old pair byte for byte and no other file; a success
// replaces the pair under the names it has on disk.
TEST_F(ProcessingTest, FailuresAfterYesLeaveTheOldPairWhole)
{
    // 2,000,001 cells: three windows, the last of one cell, which overflows.
    TTestRaster a{3, 666667, "real", "m", {}};
    a.Values.assign(2000001, 1);
    a.Values.back() = 1e30;
    WriteTestRaster(dir.Path("a"), a);
    WriteTestRaster(dir.Path("b"), {1, 3, "real", "m", {1, 2, 0}});
    WriteWholeFile(dir.Path("out.rdc"), "old header");
    WriteWholeFile(dir.Path("out.rst"), "old cells");
    const std::vector<std::string> files = FolderListing(dir.Root());
    auto expectOldPair = [&](const char* when) {
        EXPECT_EQ(FolderListing(dir.Root()), files) << when;
        EXPECT_EQ(ReadWholeFile(dir.Path("out.rdc")), "old header") << when;
        EXPECT_EQ(ReadWholeFile(dir.Path("out.rst")), "old cells") << when;
    };

    EXPECT_EQ(ErrorOf("[a.rst]*10^10"), "Floating point overflow");
    expectOldPair("overflow in the third window");
    TProcessResult prohibited = Process("[b.rst]-1", "out.rst", 0);
    EXPECT_EQ(prohibited.Outcome, TProcessOutcome::Prohibited);
    expectOldPair("byte output prohibited");
    EXPECT_EQ(ErrorOnFullDisk("[a.rst]*2", 4 << 20), "Cannot write file " + dir.Path("out.rst"));
    expectOldPair("full disk");
    EXPECT_EQ(Questions.size(), 2u); // the child process asked its own

    TProcessResult written = Process("[b.rst]*2");
    EXPECT_EQ(written.Message, "Ready. See file " + dir.Path("out.rst"));
    EXPECT_EQ(FolderListing(dir.Root()), files);
    EXPECT_EQ(ReadTestCells(dir.Path("out.rst"), "real"), (std::vector<double>{2, 4, 0}));
    EXPECT_EQ(OutputHeader().MaxValue, 4);
}

TEST_F(ProcessingTest, RastersOfOtherSoftwareAreRead)
{
    // Written by GDAL; its facts: north-west -1000, south-east -2400, range -4000..600.
    Folders = {QM_TEST_DATA, dir.Folder()};
    TProcessResult result = Process("[int16_17x13_plane.rst]*1", dir.Path("copy"), 1);
    ASSERT_EQ(result.Outcome, TProcessOutcome::Written);
    std::vector<double> cells = ReadTestCells(dir.Path("copy.RST"), "integer");
    ASSERT_EQ(cells.size(), 17u * 13u);
    EXPECT_EQ(cells.front(), -1000);
    EXPECT_EQ(cells.back(), -2400);
    TIdrisiRDC header;
    ReadRdc(header, dir.Path("copy"));
    EXPECT_EQ(header.MinValue, -4000);
    EXPECT_EQ(header.MaxValue, 600);
    EXPECT_EQ(header.Rows, 13);
    EXPECT_EQ(header.MaxX, 34.5);

    std::string error = ErrorOf("[real_23x19_latlong.rst]+[byte_9x6_categories.rst]", dir.Path("x"));
    EXPECT_NE(error.find("Left file is [19 x 23], Right file is [6 x 9]."), std::string::npos) << error;
}

// Other GIS software reads what the calculator writes (when GDAL is installed).
TEST_F(ProcessingTest, GdalReadsTheWrittenRaster)
{
    if (std::system("command -v gdalinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "gdalinfo is not installed";
    WriteTestRaster(dir.Path("a"), {2, 3, "real", "m", {1, 2, 3, 4, 5, 6}});
    ASSERT_EQ(Process("[a.rst]*2").Outcome, TProcessOutcome::Written);
    std::string report = dir.Path("gdal.txt");
    std::string command = "gdalinfo -stats '" + dir.Path("out.RST") + "' > '" + report + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadWholeFile(report);
    std::string text = ReadWholeFile(report);
    EXPECT_NE(text.find("Size is 3, 2"), std::string::npos) << text;
    EXPECT_NE(text.find("Minimum=2.000"), std::string::npos) << text;
    EXPECT_NE(text.find("Maximum=12.000"), std::string::npos) << text;
}

} // namespace
