#include "calculator/RasterWriter.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "geodata/IdrisiRDC.h"
#include "geodata/QMMapDecl.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "tests/calculator/CalcTestFiles.h"
#include "tests/support/RasterFiles.h"

namespace {

namespace fs = std::filesystem;

TIdrisiRDC SampleHeader()
{
    TIdrisiRDC header;
    header.DataType = dtReal;
    header.Rows = 3;
    header.Columns = 4;
    header.RefSystemName = "plane";
    header.RefUnits = ruMetres;
    header.UnitDist = 1;
    header.MinX = 0;
    header.MaxX = 40;
    header.MinY = -15.25;
    header.MaxY = 15.25;
    header.MinValue = 0.5;
    header.MaxValue = 1000000;
    // Read from an input but never written.
    header.FileTitle = "input title";
    header.DisplayMin = 7;
    header.DisplayMax = 8;
    header.Codes.resize(2);
    header.CodeCount = 2;
    return header;
}

// What the writer makes of SampleHeader(): its fixed twenty-three lines.
std::string SampleRdc()
{
    TRdcText text;
    text.Title = "Produced by QM Rastello";
    text.DataType = "real";
    text.Columns = 4;
    text.Rows = 3;
    text.RefSystem = "plane";
    text.MaxX = "40";
    text.MinY = "-15.25";
    text.MaxY = "15.25";
    text.Eol = "\r\n";
    // Idrisi writes these two without a blank after the colon.
    text.Extra = "pos'n error :0\r\nresolution  :0\r\n" +
                 IdrisiHeaderText({{"min. value", "0.5"},
                                   {"max. value", "1000000"},
                                   {"display min", "0.5"},
                                   {"display max", "1000000"},
                                   {"value units", "unspecified"},
                                   {"value error", "unknown"},
                                   {"flag value", "none"},
                                   {"flag def'n", "none"}},
                                  "\r\n");
    return text.Text();
}

class ScopedLocale {
public:
    explicit ScopedLocale(const char* name)
    {
        Saved = std::setlocale(LC_ALL, nullptr);
        Active = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~ScopedLocale() { std::setlocale(LC_ALL, Saved.c_str()); }
    bool Active = false;

private:
    std::string Saved;
};

TEST(RasterWriterRdc, HeaderIsTheFixedTwentyThreeLines)
{
    EXPECT_EQ(RdcText(SampleHeader()), SampleRdc());
    ScopedLocale comma("de_DE.UTF-8");
    if (!comma.Active) GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    EXPECT_EQ(RdcText(SampleHeader()), SampleRdc());
}

TEST(RasterWriterRdc, WordsAndNumberFormsPerCode)
{
    TIdrisiRDC header = SampleHeader();
    struct {
        std::uint8_t DataType;
        std::uint8_t Units;
        const char* TypeWord;
        const char* UnitsWord;
    } rows[] = {
        {dtByte, 1, "byte", "m"},    {dtInteger, 2, "integer", "km"}, {dtReal, 3, "real", "feet"},
        {dtReal, 4, "real", "deg"},  {dtReal, 5, "real", "rad"},
    };
    auto line = [](const char* key, const char* value) { return IdrisiHeaderText({{key, value}}, "\r\n"); };
    for (const auto& row : rows) {
        header.DataType = row.DataType;
        header.RefUnits = row.Units;
        std::string text = RdcText(header);
        EXPECT_NE(text.find(line("data type", row.TypeWord)), std::string::npos) << row.TypeWord;
        EXPECT_NE(text.find(line("ref. units", row.UnitsWord)), std::string::npos) << row.UnitsWord;
    }
    header.MinValue = 0.0000015;
    header.MaxValue = 1e20;
    std::string text = RdcText(header);
    EXPECT_NE(text.find(line("min. value", "1.5E-6")), std::string::npos);
    EXPECT_NE(text.find(line("max. value", "1E20")), std::string::npos);
}

TEST(RasterWriterRdc, WrittenHeaderReadsBackAndBadCodesWriteNothing)
{
    TTempFolder dir;
    TIdrisiRDC header = SampleHeader();
    header.MinValue = -0.000123456789012345;
    {
        TRasterOutput output(dir.Path("out.rst"));
        ASSERT_TRUE(output.WriteRdc(header));
        output.Commit();
    }
    EXPECT_TRUE(fs::exists(dir.Path("out.RDC")));
    TIdrisiRDC back;
    ReadRdc(back, dir.Path("out.rst"));
    EXPECT_EQ(back.DataType, dtReal);
    EXPECT_EQ(back.Rows, 3);
    EXPECT_EQ(back.Columns, 4);
    EXPECT_EQ(back.RefSystem, rsPlane);
    EXPECT_EQ(back.RefUnits, ruMetres);
    EXPECT_DOUBLE_EQ(back.MinValue, header.MinValue);
    EXPECT_EQ(back.MaxValue, 1000000);
    EXPECT_EQ(back.MinY, -15.25);

    {
        TRasterOutput bad(dir.Path("bad"));
        header.RefUnits = 0;
        EXPECT_FALSE(bad.WriteRdc(header));
        header.RefUnits = ruMetres;
        header.DataType = 0;
        EXPECT_FALSE(bad.WriteRdc(header));
        EXPECT_THROW(bad.Commit(), QMError);
    }
    EXPECT_EQ(FolderListing(dir.Root()), (std::vector<std::string>{"out.RDC", "out.RST"}));

    header.RefUnits = 0;
    header.HeaderFile = "/maps/in.RDC";
    try {
        CheckWritableHeader(header);
        ADD_FAILURE() << "units 0 were accepted";
    } catch (const QMError& e) {
        EXPECT_STREQ(e.what(), "File /maps/in.RDC has unsupported reference units");
    }
    // A raster the calculator cannot hold is refused first (reclassification
    // checks its source this way before its dialog).
    header.Rows = header.Columns = 46341;
    try {
        CheckWritableHeader(header);
        ADD_FAILURE() << "46341 x 46341 was accepted";
    } catch (const QMError& e) {
        EXPECT_STREQ(e.what(), "File /maps/in.RDC is too large: 46341 rows x 46341 columns exceed 2147483647 cells.");
    }
}

// A raster whose cells hold infinities or NaN (another program's, say,
// reclassified) reads back with the extremes written for it.
TEST(RasterWriterRdc, InfiniteAndNaNExtremesReadBack)
{
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        double Min, Max;
    };
    TTempFolder dir;
    for (const Row& row : {Row{-kInf, kInf}, Row{kNaN, kNaN}, Row{-kInf, 5}, Row{kInf, -kInf}}) {
        TIdrisiRDC header = SampleHeader();
        header.MinValue = row.Min;
        header.MaxValue = row.Max;
        {
            TRasterOutput output(dir.Path("ends.rst"));
            ASSERT_TRUE(output.WriteRdc(header));
            output.Commit();
        }
        TIdrisiRDC back;
        ReadRdc(back, dir.Path("ends.rst"));
        const std::string name = FormatG(row.Min) + " to " + FormatG(row.Max);
        // As bits: a NaN equals itself, and -0 would not pass for 0.
        auto same = [](double a, double b) {
            return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
        };
        EXPECT_TRUE(same(back.MinValue, row.Min)) << name;
        EXPECT_TRUE(same(back.MaxValue, row.Max)) << name;
        // The written display range, or the value range where it is reversed.
        EXPECT_TRUE(same(back.DisplayMin, row.Min)) << name;
        EXPECT_TRUE(same(back.DisplayMax, row.Max)) << name;
    }
}

class RasterWriterOverwrite : public ::testing::Test {
protected:
    void Put(const std::string& name, const std::string& content = "old") { WriteWholeFile(dir.Path(name), content); }
    bool Exists(const std::string& name) { return fs::exists(dir.Path(name)); }
    bool Confirm(const std::string& destination, bool answer)
    {
        return ConfirmOverwrite(dir.Path(destination), [&](const std::string& question) {
            Questions.push_back(question);
            return answer;
        });
    }

    TTempFolder dir;
    std::vector<std::string> Questions;
};

TEST_F(RasterWriterOverwrite, AskedOnlyForACompletePairAndDeletesNothing)
{
    EXPECT_TRUE(Confirm("out.rst", false));
    Put("out.rdc");
    EXPECT_TRUE(Confirm("out.rst", false)); // a lone half
    EXPECT_TRUE(Questions.empty());
    Put("OUT.RST");
    EXPECT_FALSE(Confirm("out", false));
    EXPECT_TRUE(Confirm("out", true));
    const std::string question = "File " + dir.Path("out.RST") + " exists. Overwrite?";
    EXPECT_EQ(Questions, (std::vector<std::string>{question, question}));
    EXPECT_EQ(ReadWholeFile(dir.Path("out.rdc")), "old");
    EXPECT_EQ(ReadWholeFile(dir.Path("OUT.RST")), "old");
}

// The new pair replaces the old one only on Commit: the old files keep their
// names on disk, a link keeps pointing at its target, which keeps its mode.
TEST_F(RasterWriterOverwrite, OutputReplacesTheOldPairOnlyWhenCommitted)
{
    Put("out.rdc");
    Put("cells");
    fs::permissions(dir.Path("cells"), fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("cells", dir.Path("OUT.RST"));
    RastrFile window;
    window.Header.DataType = dtReal;
    window.Cells = {1.5f, -2};
    {
        TRasterOutput dropped(dir.Path("out"));
        dropped.AppendRst(CellBytes(window));
        ASSERT_TRUE(dropped.WriteRdc(SampleHeader()));
    }
    EXPECT_EQ(FolderListing(dir.Root()), (std::vector<std::string>{"OUT.RST", "cells", "out.rdc"}));
    EXPECT_EQ(ReadWholeFile(dir.Path("cells")), "old");

    TRasterOutput output(dir.Path("out"));
    output.AppendRst(CellBytes(window));
    window.Header.DataType = dtByte;
    window.RawCells = {7, 8, 9};
    output.AppendRst(CellBytes(window));
    ASSERT_TRUE(output.WriteRdc(SampleHeader()));
    EXPECT_EQ(ReadWholeFile(dir.Path("out.rdc")), "old");
    output.Commit();
    EXPECT_EQ(FolderListing(dir.Root()), (std::vector<std::string>{"OUT.RST", "cells", "out.rdc"}));
    EXPECT_EQ(ReadWholeFile(dir.Path("out.rdc")), RdcText(SampleHeader()));
    EXPECT_TRUE(fs::is_symlink(dir.Path("OUT.RST")));
    std::string bytes = ReadWholeFile(dir.Path("cells"));
    ASSERT_EQ(bytes.size(), 11u);
    EXPECT_EQ(bytes.substr(8), "\x07\x08\x09");
    float first;
    std::memcpy(&first, bytes.data(), 4);
    EXPECT_EQ(first, 1.5f);
    EXPECT_EQ(fs::status(dir.Path("cells")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST(RasterWriterRst, FailedReplacementKeepsTheOldHeader)
{
    TTempFolder dir;
    WriteWholeFile(dir.Path("blocked.RDC"), "old");
    fs::create_directory(dir.Path("blocked.RST"));
    RastrFile window;
    window.Header.DataType = dtReal;
    window.Cells = {1, 2, 3};
    {
        TRasterOutput output(dir.Path("blocked"));
        output.AppendRst(CellBytes(window));
        ASSERT_TRUE(output.WriteRdc(SampleHeader()));
        try {
            output.Commit();
            ADD_FAILURE() << "a folder was replaced by cells";
        } catch (const QMError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot write file " + dir.Path("blocked.RST"));
        }
    }
    EXPECT_EQ(FolderListing(dir.Root()), (std::vector<std::string>{"blocked.RDC", "blocked.RST"}));
    EXPECT_EQ(ReadWholeFile(dir.Path("blocked.RDC")), "old");
}

TEST(RasterWriterHeader, ReadsTheHeaderOnly)
{
    TTempFolder dir;
    WriteTestRaster(dir.Path("a"), {2, 3, "integer", "km", {1, 2, 3, 4, 5, 6}});
    std::filesystem::resize_file(dir.Path("a.rst"), 0); // no cell is read
    TIdrisiRDC header;
    ReadRasterHeader(dir.Path("A.RST"), header);
    EXPECT_EQ(header.Rows, 2);
    EXPECT_EQ(header.Columns, 3);
    EXPECT_EQ(header.DataType, dtInteger);
    EXPECT_EQ(header.RefUnits, ruKilometres);
    EXPECT_THROW(ReadRasterHeader(dir.Path("none.rst"), header), QMError);
}

} // namespace
