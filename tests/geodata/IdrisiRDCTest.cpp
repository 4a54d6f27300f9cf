#include "geodata/IdrisiRDC.h"

#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>

#include "geodata/QMMapDecl.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

class RdcTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) { return Folder.Write(name, text); }
    TIdrisiRDC Read(const std::string& text)
    {
        std::string path = Write("h.rdc", text);
        TIdrisiRDC rdc;
        ReadRdc(rdc, path);
        return rdc;
    }
    TTempFolder Folder;
    const fs::path Dir{Folder.Root()};
};

} // namespace

TEST_F(RdcTest, DisplayRangeRules)
{
    struct Row {
        const char* name;
        const char* text;
        double displayMin, displayMax;
    };
    const Row rows[] = {
        {"an empty display range is kept", "min. value : 0\nmax. value : 50\ndisplay min : 10\ndisplay max : 10\n",
         10, 10},
        {"no display range takes the values", "min. value : 3\nmax. value : 50\n", 3, 50},
        {"a reversed display range takes the values",
         "min. value : 3\nmax. value : 50\ndisplay min : 20\ndisplay max : 10\n", 3, 50},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TIdrisiRDC r = Read(row.text);
        EXPECT_EQ(r.DisplayMin, row.displayMin);
        EXPECT_EQ(r.DisplayMax, row.displayMax);
    }
}

TEST_F(RdcTest, WordKeysAndCodes)
{
    TIdrisiRDC r = Read("DATA TYPE : BYTE\nfile type : Binary\nref. system : Plane\nref. units : ft\n");
    EXPECT_EQ(r.DataType, dtByte);
    EXPECT_EQ(r.FileType, 1);
    EXPECT_EQ(r.RefSystem, rsPlane);
    EXPECT_EQ(r.RefUnits, 0);
    TIdrisiRDC utm = Read("data type : float\nref. system : utm-37n\nref. units : KM\n");
    EXPECT_EQ(utm.DataType, 0);
    EXPECT_EQ(utm.RefSystem, rsOther);
    EXPECT_EQ(utm.RefSystemName, "utm-37n");
    EXPECT_EQ(utm.RefUnits, ruKilometres);
    EXPECT_EQ(Read("ref. system : lat-long\n").RefSystem, rsLatLong);
    EXPECT_EQ(Read("ref. system : AlberRus\n").RefSystem, rsAlberRus);
}

TEST_F(RdcTest, NumbersAreLenient)
{
    TIdrisiRDC r = Read("rows : 12abc\ncolumns : -5a\nmin. X : 12.5m\nmax. X : meters\nunit dist. : $\n");
    EXPECT_EQ(r.Rows, 12);
    EXPECT_EQ(r.Columns, 5);
    EXPECT_EQ(r.MinX, 12.5);
    EXPECT_EQ(r.MaxX, 0); // no digits: the field keeps its value
    EXPECT_EQ(Read("rows : 0x10\ncolumns :  +7\n").Rows, 16);
}

// The writer spells infinite and NaN extremes as words; C libraries write
// them in lower case. Nothing looser is a number.
TEST_F(RdcTest, InfinitiesAndNaNAreReadInTheirOwnSpellingsOnly)
{
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* Text;
        double Expected; // NaN: a NaN; 0: the field kept its value
    };
    const Row rows[] = {
        {"INF", kInf}, {"-INF", -kInf}, {"NAN", kNaN},  {"inf", kInf}, {"-inf", -kInf},  {"nan", kNaN},
        {"Inf", 0},    {"+INF", 0},     {"-NAN", 0},    {"infinity", 0}, {"INF m", 0},   {"nan(1)", 0},
        {"INFINITY", 0}, {"-Inf", 0},
    };
    for (const Row& row : rows) {
        const double read = Read(std::string("max. value : ") + row.Text + "\n").MaxValue;
        if (std::isnan(row.Expected))
            EXPECT_TRUE(std::isnan(read)) << row.Text;
        else
            EXPECT_EQ(read, row.Expected) << row.Text;
    }
}

TEST_F(RdcTest, ALineWithoutColonEndsTheHeader)
{
    struct Row {
        const char* name;
        const char* text;
    };
    const Row rows[] = {
        {"an empty line", "rows : 4\n\ncolumns : 9\n"},
        {"a line of text", "rows : 4\ngarbage\ncolumns : 9\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TIdrisiRDC r = Read(row.text);
        EXPECT_EQ(r.Rows, 4);
        EXPECT_EQ(r.Columns, 0);
    }
}

TEST_F(RdcTest, LegendCategories)
{
    TIdrisiRDC r = Read("legend cats : 2\ncode 7 : Forest\ncode      3 : Water ; \xD0\x92\xD0\xBE\xD0\xB4\xD0\xB0\n");
    ASSERT_EQ(r.Codes.size(), 2u);
    EXPECT_EQ(r.CodeCount, 2);
    EXPECT_EQ(r.Codes[0].Code, 7);
    EXPECT_EQ(r.Codes[0].Name1, "Forest");
    EXPECT_EQ(r.Codes[0].Name2, "Forest");
    EXPECT_EQ(r.Codes[1].Code, 3);
    EXPECT_EQ(r.Codes[1].Name1, "Water");
    EXPECT_EQ(r.Codes[1].Name2, "\xD0\x92\xD0\xBE\xD0\xB4\xD0\xB0");
    // Lines before the count, or beyond it, grow the table.
    TIdrisiRDC extra = Read("CODE 1 : a\nlegend cats : 1\ncode 2 : b\ncode 3 : c\n");
    ASSERT_EQ(extra.Codes.size(), 2u);
    EXPECT_EQ(extra.Codes[0].Name1, "b");
    EXPECT_EQ(extra.Codes[1].Name1, "c");
    EXPECT_EQ(Read("legend cats : -3\n").Codes.size(), 0u);
}

TEST_F(RdcTest, AHugeCategoryCountAllocatesNothingLarge)
{
    TIdrisiRDC r = Read("legend cats : 2000000000\ncode 1 : x\n");
    EXPECT_LE(r.Codes.size(), 4096u);
    EXPECT_EQ(r.CodeCount, 1);
    EXPECT_EQ(r.Codes[0].Name1, "x");
}

TEST_F(RdcTest, Windows1251NamesArriveAsUtf8)
{
    TIdrisiRDC r = Read("legend cats : 1\ncode 1 : Forest;\xCB\xE5\xF1\n");
    EXPECT_EQ(r.Codes[0].Name2, "\xD0\x9B\xD0\xB5\xD1\x81");
}

TEST_F(RdcTest, CrlfHeaderWithByteOrderMarkUnderACommaLocale)
{
    std::string saved = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "locales-all is needed";
    TIdrisiRDC r = Read("\xEF\xBB\xBF" "min. X : 1.5\r\nmax. X : 2.25\r\n");
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(r.MinX, 1.5);
    EXPECT_EQ(r.MaxX, 2.25);
}

TEST_F(RdcTest, TheThreeNamesOfOneRasterReachTheSamePair)
{
    Write("dem.rdc", "rows : 3\n");
    Write("dem.rst", "");
    for (const char* name : {"dem.rst", "dem.rdc", "dem", "DEM.RST"}) {
        std::string full = (Dir / name).string();
        TIdrisiRDC r;
        ReadRdc(r, full);
        EXPECT_EQ(r.Rows, 3) << name;
        EXPECT_EQ(r.HeaderFile, (Dir / "dem.rdc").string()) << name;
        EXPECT_EQ(RdcFileName(full), (Dir / "").string() + fs::path(name).stem().string() + ".RDC");
    }
    EXPECT_EQ(RstFileName("/m/dem.rdc"), "/m/dem.rst");
    EXPECT_EQ(RstFileName("/m/v1.2/dem"), "/m/v1.2/dem.rst");
}

TEST_F(RdcTest, AMissingHeaderLeavesTheRecordAsItWas)
{
    TIdrisiRDC r = Read("rows : 5\ncode 1 : x\n");
    try {
        ReadRdc(r, (Dir / "none.rst").string());
        FAIL() << "no error";
    } catch (const QMError& e) {
        EXPECT_STREQ(e.what(), "There is only .rst file, no .rdc.");
    }
    EXPECT_EQ(r.Rows, 5);
    // A second read keeps no stale keys.
    std::string other = Write("o.rdc", "columns : 2\n");
    ReadRdc(r, other);
    EXPECT_EQ(r.Rows, 0);
    EXPECT_TRUE(r.Codes.empty());
}

TEST(RdcOtherSoftware, HeadersWrittenByGdalRead)
{
    TIdrisiRDC r;
    ReadRdc(r, std::string(QM_TEST_DATA) + "/byte_9x6_categories.rst");
    EXPECT_EQ(r.Rows, 6);
    EXPECT_EQ(r.Columns, 9);
    EXPECT_EQ(r.DataType, dtByte);
    EXPECT_EQ(r.RefSystem, rsPlane);
    EXPECT_EQ(r.RefUnits, ruMetres);
    EXPECT_EQ(r.MaxY, 2060);
    ASSERT_EQ(r.CodeCount, 4);
    EXPECT_EQ(r.Codes[1].Name1, "Field");
    EXPECT_EQ(r.Codes[3].Name2, "Town");

    TIdrisiRDC crlf;
    ReadRdc(crlf, std::string(QM_TEST_DATA) + "/real_23x19_latlong.rdc");
    EXPECT_EQ(crlf.Rows, 19);
    EXPECT_EQ(crlf.Columns, 23);
    EXPECT_EQ(crlf.DataType, dtReal);
    EXPECT_EQ(crlf.RefSystem, rsLatLong);
}
