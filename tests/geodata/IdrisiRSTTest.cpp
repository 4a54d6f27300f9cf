#include "geodata/IdrisiRST.h"

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <unistd.h>

#include "geodata/QMMapDecl.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/ParallelFor.h"
#include "platform/RuntimeErrors.h"
#include "tests/support/AddressSpace.h"
#include "tests/support/RasterFiles.h"
#include "tests/support/TestEnvironment.h"

namespace fs = std::filesystem;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

// A palette whose entry i is red i, green 255 - i, blue 7.
std::string RampPalette()
{
    return PaletteBytes("HEAD!", [](int i) { return std::array{i, 255 - i, 7}; });
}

std::uint32_t RampColor(int i)
{
    return (std::uint32_t(i) << 16) | (std::uint32_t(255 - i) << 8) | 7;
}

TEnvironment English()
{
    TEnvironment english;
    english.Language = 1;
    return english;
}

class RstTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return Folder.Path(name); }
    std::string Write(const std::string& name, const std::string& bytes) const { return Folder.Write(name, bytes); }
    // Writes name.rdc and name.rst; returns the ".rst" path.
    std::string WriteRaster(const std::string& name, const std::string& type, int rows, int columns,
                            const std::string& cells, const std::string& extra = "") const
    {
        TRdcText header;
        header.DataType = type;
        header.Columns = columns;
        header.Rows = rows;
        header.Extra = extra;
        return WriteIdrisiRaster(Folder, name, header.Text(), cells);
    }
    std::string WriteByteRaster(const std::string& name, std::initializer_list<int> cells, double displayMin,
                                double displayMax, const std::string& extra = "") const
    {
        return WriteRaster(name, "byte", 1, static_cast<int>(cells.size()), Bytes(cells),
                           "min. value : 0\nmax. value : 255\ndisplay min : " + std::to_string(displayMin) +
                               "\ndisplay max : " + std::to_string(displayMax) + "\n" + extra);
    }
    std::string WriteRealRaster(const std::string& name, std::initializer_list<float> cells, double displayMin,
                                double displayMax) const
    {
        return WriteRaster(name, "real", 1, static_cast<int>(cells.size()), CellBytes(cells),
                           "display min : " + FormatNumber(displayMin) + "\ndisplay max : " + FormatNumber(displayMax) + "\n");
    }
    static std::string FormatNumber(double v)
    {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", v);
        return buf;
    }

    TTempFolder Folder;
    const fs::path Dir{Folder.Root()};
    TTestEnvironment Env{English()};
};

// Pixel of a row counted from the south, as the viewer reads the image.
int Pixel(const TIdrisiRST& rst, int column, int row)
{
    return rst.GetBits()[row * DibRowBytes(rst.GetColumns()) + column];
}

double ValueAt(TIdrisiRST& rst, int column, int row)
{
    std::string name;
    double value = -12345;
    EXPECT_TRUE(rst.GetValueAt(column, row, false, name, value));
    return value;
}

std::string OpenError(const std::string& file, const std::string& palette = "")
{
    TIdrisiRST rst;
    try {
        rst.Open(file, palette, true);
    } catch (const QMError& e) {
        EXPECT_FALSE(rst.IsLoaded());
        return e.what();
    }
    return "(opened)";
}

} // namespace

TEST_F(RstTest, RowsRunFromTheSouthAndPaddingIsZero)
{
    // File row 0 is the northern row.
    std::string rst = WriteRaster("grid", "byte", 2, 5, Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}),
                                  "display min : 0\ndisplay max : 255\n");
    TIdrisiRST r;
    ASSERT_TRUE(r.Open(rst, "", false));
    EXPECT_TRUE(r.IsLoaded());
    EXPECT_FALSE(r.GetStretch());
    ASSERT_EQ(DibRowBytes(5), 8);
    const std::uint8_t* bits = r.GetBits();
    std::vector<int> south(bits, bits + 8), north(bits + 8, bits + 16);
    EXPECT_EQ(south, (std::vector<int>{6, 7, 8, 9, 10, 0, 0, 0}));
    EXPECT_EQ(north, (std::vector<int>{1, 2, 3, 4, 5, 0, 0, 0}));
    EXPECT_EQ(ValueAt(r, 0, 0), 6); // south-west
    EXPECT_EQ(ValueAt(r, 4, 1), 5); // north-east
    const TBitmapInfoHeader& h = r.GetBitmapInfo()->bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 5);
    EXPECT_EQ(h.biHeight, 2);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, 0u);
}

TEST_F(RstTest, CellTypesDecodeLittleEndian)
{
    TIdrisiRST integer;
    integer.Open(WriteRaster("i16", "integer", 1, 3, Bytes({0xFE, 0xFF, 0x34, 0x12, 0x00, 0x80})), "", true);
    EXPECT_EQ(ValueAt(integer, 0, 0), -2);
    EXPECT_EQ(ValueAt(integer, 1, 0), 0x1234);
    EXPECT_EQ(ValueAt(integer, 2, 0), -32768);

    TIdrisiRST real;
    real.Open(WriteRaster("f32", "real", 1, 2, Bytes({0, 0, 0xC0, 0x3F, 0, 0, 0x20, 0xC1})), "", true);
    EXPECT_EQ(ValueAt(real, 0, 0), 1.5);
    EXPECT_EQ(ValueAt(real, 1, 0), -10);
}

TEST_F(RstTest, ValueToIndexMapping)
{
    struct Row {
        const char* name;
        bool autoscale;
        double displayMin, displayMax;
        int cell;
        int index;
        bool stretch;
    };
    const Row rows[] = {
        {"unstretched cell is its own index", false, 0, 255, 17, 17, false},
        {"autoscale stretches 0..255", true, 0, 255, 17, 17, true},
        {"8.5 rounds to even", true, 0, 510, 17, 8, true},
        {"7.5 rounds to even", true, 0, 510, 15, 8, true},
        {"unstretched below range is 254", false, 10, 200, 5, 254, false},
        {"unstretched above range is 255", false, 10, 200, 250, 255, false},
        {"equal bounds: below is 0", true, 10, 10, 5, 0, true},
        {"equal bounds: above is 255", true, 10, 10, 20, 255, true},
        {"equal bounds: equal is 0", true, 10, 10, 10, 0, true},
        {"range past 255 keeps stretch", false, 0, 300, 100, 85, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TIdrisiRST r;
        r.Open(WriteByteRaster("m", {row.cell}, row.displayMin, row.displayMax), "", row.autoscale);
        EXPECT_EQ(Pixel(r, 0, 0), row.index);
        EXPECT_EQ(r.GetStretch(), row.stretch);
    }
}

TEST_F(RstTest, EqualDisplayBoundsGiveAnEmptyLegend)
{
    TIdrisiRST r;
    r.Open(WriteByteRaster("eq", {5, 10, 20}, 10, 10), "", true);
    EXPECT_TRUE(r.GetLegend().empty());
    EXPECT_TRUE(r.GetLegendChanged());
    r.ClearLegendChanged();
    EXPECT_FALSE(r.GetLegendChanged());
}

TEST_F(RstTest, NaNCellsMapBelowTheRangeAndAreNotCounted)
{
    TIdrisiRST r;
    r.Open(WriteRealRaster("nan", {float(kNaN), 50.f, 100.f}, 0, 100), "", true);
    EXPECT_EQ(Pixel(r, 0, 0), 0);
    EXPECT_EQ(Pixel(r, 2, 0), 255);
    std::vector<std::string> texts;
    for (const TColorValue& row : r.GetLegend()) texts.push_back(row.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"50", "100"}));
    std::string name = "x";
    double value = 0;
    EXPECT_TRUE(r.GetValueAt(0, 0, false, name, value));
    EXPECT_TRUE(std::isnan(value));
    EXPECT_EQ(name, "");

    r.SetDisplayRange(false, 0, 100);
    EXPECT_EQ(Pixel(r, 0, 0), 254);
}

TEST_F(RstTest, ExtremeDisplayRangesNeitherOverflowNorRaise)
{
    // 255 / 1e-307 is infinite: treated as an empty range.
    TIdrisiRST tiny;
    tiny.Open(WriteRealRaster("tiny", {0.f, 1.f, -1.f}, 0, 1e-307), "", true);
    EXPECT_EQ(Pixel(tiny, 0, 0), 0);
    EXPECT_EQ(Pixel(tiny, 1, 0), 255);
    EXPECT_EQ(Pixel(tiny, 2, 0), 0);

    // Unstretched, an index past 32 bits is clamped, not an error.
    TIdrisiRST wide;
    wide.Open(WriteRealRaster("wide", {1e15f, -3.f, 7.f}, -1e20, 1e20), "", true);
    EXPECT_NO_THROW(wide.SetDisplayRange(false, -1e20, 1e20));
    EXPECT_EQ(Pixel(wide, 0, 0), 255);
    EXPECT_EQ(Pixel(wide, 1, 0), 0);
    EXPECT_EQ(Pixel(wide, 2, 0), 7);

    // Infinite or NaN display ranges, as the header of a raster with such
    // cells holds them, read back and build an image.
    for (double bound : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        TIdrisiRST ends;
        const float cell = static_cast<float>(bound);
        EXPECT_NO_THROW(ends.Open(WriteRealRaster("ends", {1.f, -cell, cell}, -bound, bound), "", true));
        EXPECT_EQ(std::isnan(ends.GetDisplayMax()), std::isnan(bound));
        EXPECT_EQ(ends.GetDisplayMax() == bound, !std::isnan(bound));
    }
}

TEST_F(RstTest, SetDisplayRange)
{
    TIdrisiRST r;
    r.Open(WriteByteRaster("sd", {17, 200}, 0, 255), "", true);
    r.ClearLegendChanged();

    r.SetDisplayRange(true, 5, 5); // an empty stretch is ignored
    EXPECT_EQ(r.GetDisplayMin(), 0);
    EXPECT_EQ(r.GetDisplayMax(), 255);
    EXPECT_FALSE(r.GetLegendChanged());
    r.SetDisplayRange(true, 9, 3);
    EXPECT_EQ(r.GetDisplayMax(), 255);

    r.SetDisplayRange(false, 5, 5);
    EXPECT_EQ(r.GetDisplayMin(), 5);
    EXPECT_EQ(r.GetDisplayMax(), 5);
    EXPECT_FALSE(r.GetStretch());
    EXPECT_TRUE(r.GetLegendChanged());
    EXPECT_EQ(Pixel(r, 0, 0), 255);

    r.SetDisplayRange(true, 0, 1020);
    EXPECT_TRUE(r.GetStretch());
    EXPECT_EQ(Pixel(r, 0, 0), 4); // 17 / 4
    EXPECT_EQ(Pixel(r, 1, 0), 50); // 200 / 4
}

TEST_F(RstTest, FailedRebuildKeepsThePreviousImage)
{
    std::string rst = WriteByteRaster("keep", {17, 200}, 0, 255);
    TIdrisiRST r;
    r.Open(rst, "", true);
    TColorValueArray legend = r.GetLegend();
    r.ClearLegendChanged();
    fs::remove(rst);
    EXPECT_THROW(r.SetDisplayRange(true, 0, 510), QMError);
    EXPECT_EQ(r.GetDisplayMax(), 255);
    EXPECT_TRUE(r.GetStretch());
    EXPECT_EQ(Pixel(r, 0, 0), 17);
    EXPECT_EQ(r.GetLegend().size(), legend.size());
    EXPECT_FALSE(r.GetLegendChanged());
}

TEST_F(RstTest, ValueQueriesReadTheCellFile)
{
    // No copy of the values is kept: a query reads its cell from the file,
    // and finds none once the file no longer holds the raster.
    std::string rst = WriteRaster("query", "integer", 2, 2, CellBytes<std::int16_t>({1, 2, 3, 4}),
                                  "legend cats : 1\ncode 40 : Forty\n");
    TIdrisiRST r;
    r.Open(rst, "", true);
    EXPECT_EQ(ValueAt(r, 1, 1), 2);
    Write("query.rst", CellBytes<std::int16_t>({10, 20, 30, 40}));
    EXPECT_EQ(ValueAt(r, 1, 0), 40);
    std::string name;
    double value = 0;
    ASSERT_TRUE(r.GetValueAt(1, 0, false, name, value));
    EXPECT_EQ(name, "Forty");
    for (const char* cut : {"short", "removed"}) {
        SCOPED_TRACE(cut);
        if (std::string(cut) == "short") Write("query.rst", CellBytes<std::int16_t>({10, 20, 30}));
        else fs::remove(rst);
        name = "stale";
        EXPECT_FALSE(r.GetValueAt(0, 0, false, name, value));
        EXPECT_EQ(name, "");
    }
}

TEST_F(RstTest, BinsCountByFloorWhilePixelsRound)
{
    Write("ramp.qmp", RampPalette());
    Env.Change([](TEnvironment& e) { e.DecimalSeparator = ','; });
    TIdrisiRST r;
    // Over 0..510 each palette index covers two values: bin k is [2k, 2k+2).
    r.Open(WriteByteRaster("bins", {15, 17, 16, 17, 40}, 0, 510), Path("ramp.qmp"), true);
    EXPECT_EQ(Pixel(r, 0, 0), 8);
    EXPECT_EQ(Pixel(r, 1, 0), 8);
    const TColorValueArray& legend = r.GetLegend();
    ASSERT_EQ(legend.size(), 3u);
    EXPECT_EQ(legend[0].Text, "15");
    EXPECT_EQ(legend[0].Color, RampColor(7));
    EXPECT_EQ(legend[1].Text, "16,00 - 17,00");
    EXPECT_EQ(legend[1].Color, RampColor(8));
    EXPECT_EQ(legend[2].Text, "40");
    EXPECT_EQ(legend[2].Color, RampColor(20));
}

TEST_F(RstTest, OneColourPaletteGivesOneBinWithCategory)
{
    std::string flat = "12345";
    for (int i = 0; i < 256; ++i) flat += Bytes({10, 20, 30});
    Write("flat.qmp", flat);
    std::string cats = "legend cats : 2\ncode 3 : Water;Вода\ncode 4 : Town\n";
    std::string rst = WriteByteRaster("one", {3, 3, 3}, 0, 255, cats);

    TIdrisiRST english;
    english.Open(rst, Path("flat.qmp"), false);
    ASSERT_EQ(english.GetLegend().size(), 1u);
    EXPECT_EQ(english.GetLegend()[0].Text, "3 : Water");
    EXPECT_EQ(english.GetLegend()[0].Color, 0x0A141Eu);

    Env.Change([](TEnvironment& e) { e.Language = 2; });
    TIdrisiRST russian;
    russian.Open(rst, Path("flat.qmp"), false);
    ASSERT_EQ(russian.GetLegend().size(), 1u);
    EXPECT_EQ(russian.GetLegend()[0].Text, "3 : Вода");

    std::string name;
    double value = 0;
    EXPECT_TRUE(russian.GetValueAt(1, 0, true, name, value));
    EXPECT_EQ(name, "Вода");
    EXPECT_TRUE(russian.GetValueAt(1, 0, false, name, value));
    EXPECT_EQ(name, "Water");
}

TEST_F(RstTest, PaletteSpecRules)
{
    fs::create_directories(Dir / "program");
    std::ofstream(Dir / "program" / "p.qmp", std::ios::binary) << RampPalette();
    std::string flat = "12345";
    for (int i = 0; i < 256; ++i) flat += Bytes({1, 2, 3});
    std::ofstream(Dir / "program" / "Quillmere.qmp", std::ios::binary) << flat;
    Env.Change([this](TEnvironment& e) { e.ProgramFolder = (Dir / "program").string(); });
    std::string rst = WriteByteRaster("spec", {50}, 10, 200);

    struct Row {
        const char* spec;
        double displayMin, displayMax;
        bool ramp;
    };
    const Row rows[] = {
        {"p.qmp,0,100", 0, 100, true},
        {"p.qmp,100,0", 10, 200, true},
        {"missing.qmp,0,100", 10, 200, false},
        {"p.qmp,5", 10, 200, true},
        {"p.qmp", 10, 200, true},
        {"", 10, 200, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.spec);
        TIdrisiRST r;
        r.Open(rst, row.spec, true);
        EXPECT_EQ(r.GetDisplayMin(), row.displayMin);
        EXPECT_EQ(r.GetDisplayMax(), row.displayMax);
        EXPECT_EQ(r.GetBitmapInfo()->bmiColors[200], row.ramp ? RampColor(200) : 0x010203u);
    }

    TIdrisiRST bad;
    EXPECT_THROW(bad.Open(rst, "p.qmp,zero,100", true), EConvertError);
    // A name with a folder part is taken as it stands.
    EXPECT_THROW(bad.Open(rst, Path("nowhere/p.qmp"), true), EInOutError);
    EXPECT_FALSE(bad.IsLoaded());
}

TEST_F(RstTest, ShippedDefaultPaletteIsFound)
{
    // The build copies Quillmere.qmp beside the programs and tests.
    std::string shipped = ExecutableFolder() + "Quillmere.qmp";
    ASSERT_TRUE(FileExists(shipped));
    EXPECT_EQ(fs::file_size(shipped), 773u);
    TIdrisiRST r;
    r.Open(WriteByteRaster("def", {1}, 0, 255), "", true);
    EXPECT_EQ(r.GetBitmapInfo()->bmiColors[0], (24u << 16) | (84u << 8) | 48u);
}

TEST_F(RstTest, LoadPaletteIsAllOrNothing)
{
    Write("ramp.qmp", RampPalette());
    TIdrisiRST r;
    r.Open(WriteByteRaster("pal", {1}, 0, 255), Path("ramp.qmp"), true);
    std::array<std::uint32_t, 256> before = r.GetBitmapInfo()->bmiColors;
    EXPECT_THROW(r.LoadPalette(Path("missing.qmp")), EInOutError);
    EXPECT_THROW(r.LoadPalette(Dir.string()), EInOutError);
    EXPECT_EQ(r.GetBitmapInfo()->bmiColors, before);

    // Entries a short file does not reach are black; pixels stay.
    r.LoadPalette(Write("short.qmp", "12345" + Bytes({9, 8, 7, 6, 5, 4, 3})));
    EXPECT_EQ(r.GetBitmapInfo()->bmiColors[0], 0x090807u);
    EXPECT_EQ(r.GetBitmapInfo()->bmiColors[1], 0x060504u);
    EXPECT_EQ(r.GetBitmapInfo()->bmiColors[2], 0u);
    EXPECT_EQ(Pixel(r, 0, 0), 1);
}

TEST_F(RstTest, FailuresAreReportedExactly)
{
    const std::string header = "data type : byte\nfile type : binary\n";
    struct Row {
        const char* name;
        std::string rdc;
        std::string rst;
        std::string message;
    };
    const Row rows[] = {
        {"zero rows", header + "rows : 0\ncolumns : 4\n", "", "rows or columns equals to zero"},
        {"negative rows", header + "rows : -5\ncolumns : 4\n", "", "rows or columns equals to zero"},
        {"one cell too many", header + "rows : 46341\ncolumns : 46341\n", "x",
         "File " + Path("bad.rdc") + " is too large: 46341 rows x 46341 columns exceed 2147483647 cells."},
        {"too many cells", header + "rows : 100000\ncolumns : 100000\n", "x",
         "File " + Path("bad.rdc") + " is too large: 100000 rows x 100000 columns exceed 2147483647 cells."},
        {"no data type", "file type : binary\nrows : 1\ncolumns : 1\n", "x", "Unknown data type or file type"},
        {"no file type", "data type : real\nrows : 1\ncolumns : 1\n", "x", "Unknown data type or file type"},
        {"short cell file", header + "rows : 2\ncolumns : 3\n", "12345", "Error on ReadFile"},
        {"huge declared, tiny file", "data type : real\nfile type : binary\nrows : 40000\ncolumns : 40000\n", "x",
         "Error on ReadFile"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Write("bad.rdc", row.rdc);
        std::string rst = Write("bad.rst", row.rst);
        EXPECT_EQ(OpenError(rst), row.message);
    }

    EXPECT_EQ(OpenError(Path("absent.rst")), "There is only .rst file, no .rdc.");
    Write("lonely.rdc", header + "rows : 1\ncolumns : 1\n");
    EXPECT_EQ(OpenError(Path("lonely.rdc")), "File '" + Path("lonely.rst") + "' not opened (not exists?).");
}

TEST_F(RstTest, ImageBeyondTheMemoryLeftFailsTheOpenCleanly)
{
    if (!kAddressSpaceCanBeLimited) GTEST_SKIP() << "sanitizer builds cannot limit their address space";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A gigabyte of cells in a sparse file, which costs no disk; its image
    // cannot be had. The windows show std::bad_alloc as "Out of memory".
    std::string rst = WriteRaster("huge", "byte", 16384, 65536, "");
    fs::resize_file(rst, std::uint64_t(1) << 30);
    EXPECT_EXIT(
        {
            ParallelWidth(); // the workers first: the image is what must not fit
            LimitAddressSpace(std::uint64_t(256) << 20);
            TIdrisiRST r;
            try {
                r.Open(rst, "", true);
            } catch (const std::bad_alloc&) {
                std::_Exit(r.IsLoaded() || r.GetBits() ? 3 : 0);
            } catch (...) {
                std::_Exit(2);
            }
            std::_Exit(1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(RstTest, GetValueAtBounds)
{
    TIdrisiRST r;
    r.Open(WriteRaster("v", "byte", 2, 3, Bytes({1, 2, 3, 4, 5, 6})), "", true);
    std::string name = "stale";
    double value = 0;
    EXPECT_FALSE(r.GetValueAt(3, 0, false, name, value));
    EXPECT_EQ(name, "");
    EXPECT_FALSE(r.GetValueAt(0, 2, false, name, value));
    EXPECT_FALSE(r.GetValueAt(-1, 0, false, name, value));
    EXPECT_EQ(ValueAt(r, 2, 0), 6);
}

TEST_F(RstTest, ValuesAreReadAfterHeaderOnlyOpen)
{
    std::string rst = WriteRaster("hdr", "integer", 1, 2, CellBytes<std::int16_t>({-7, 300}),
                                  "min. value : -7\nmax. value : 300\n");
    TIdrisiRST r;
    EXPECT_TRUE(r.OpenHeader(rst));
    EXPECT_FALSE(r.IsLoaded());
    EXPECT_EQ(r.GetBits(), nullptr);
    EXPECT_EQ(r.GetColumns(), 2);
    EXPECT_EQ(r.GetRows(), 1);
    EXPECT_EQ(r.GetMinValue(), -7);
    EXPECT_EQ(r.GetMaxValue(), 300);
    TIdrisiRDC copy;
    r.GetHeader(copy);
    EXPECT_EQ(copy.DataType, dtInteger);
    EXPECT_EQ(copy.HeaderFile, Path("hdr.rdc"));
    EXPECT_EQ(ValueAt(r, 0, 0), -7);
}

TEST_F(RstTest, WaitCursorIsRestoredOnFailure)
{
    int shown = 0, restored = 0;
    Env.Change([&](TEnvironment& e) { e.Hourglass = [&](bool busy) { ++(busy ? shown : restored); }; });
    TIdrisiRST r;
    EXPECT_THROW(r.Open(Path("absent"), "", true), QMError);
    EXPECT_THROW(r.OpenHeader(Path("absent")), QMError);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(restored, 2);
}

TEST_F(RstTest, MapRectToPixels)
{
    TIdrisiRST r;
    // 10 columns over 0..100, 4 rows over 0..40: 10 units a pixel.
    Write("map.rdc", "rows : 4\ncolumns : 10\nmin. X : 0\nmax. X : 100\nmin. Y : 0\nmax. Y : 40\n");
    r.OpenHeader(Path("map.rdc"));
    TRect p = r.MapRectToPixels(TDoubleRect{25, 35, 55, 5});
    EXPECT_EQ(p.Left, 2); // 2.5 rounds to even
    EXPECT_EQ(p.Right, 6); // 5.5 rounds to even
    EXPECT_EQ(p.Top, 4);   // 3.5
    EXPECT_EQ(p.Bottom, 0); // 0.5
    TRect far = r.MapRectToPixels(TDoubleRect{-1e300, 1e300, 1e300, -1e300});
    EXPECT_EQ(far.Left, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(far.Right, std::numeric_limits<std::int32_t>::max());
    TDoubleRect b = r.GetBounds();
    EXPECT_EQ(b.X1, 0);
    EXPECT_EQ(b.Y1, 40);
    EXPECT_EQ(b.X2, 100);
    EXPECT_EQ(b.Y2, 0);

    Write("flat.rdc", "rows : 4\ncolumns : 10\nmin. X : 5\nmax. X : 5\nmin. Y : 0\nmax. Y : 40\n");
    r.OpenHeader(Path("flat.rdc"));
    TRect none = r.MapRectToPixels(TDoubleRect{5, 10, 5, 10});
    EXPECT_EQ(none.Left, -1);
    EXPECT_EQ(none.Top, -1);
    EXPECT_EQ(none.Right, -1);
    EXPECT_EQ(none.Bottom, -1);
}

TEST(RstOtherSoftware, RastersFromOtherSoftwareOpen)
{
    // Expected cells as GDAL reads them back (facts.json beside the files).
    struct Row {
        const char* name;
        int rows, columns;
        double northWest, southEast, min, max;
        double minX, maxX, minY, maxY;
        std::uint8_t dataType;
    };
    const Row rows[] = {
        {"byte_9x6_categories", 6, 9, 1, 2, 1, 4, 1000, 1090, 2000, 2060, dtByte},
        {"int16_17x13_plane", 13, 17, -1000, -2400, -4000, 600, 0.5, 34.5, 0.5, 26.5, dtInteger},
        {"real_23x19_latlong", 19, 23, 0, -90.66020965576172, -95.16020965576172, 104.45735931396484, 30, 41.5,
         50.5, 60, dtReal},
    };
    TTestEnvironment environment(English());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string base = std::string(QM_TEST_DATA) + "/" + row.name;
        for (const std::string& name : {base + ".rst", base + ".RDC", base}) {
            TIdrisiRST r;
            ASSERT_TRUE(r.Open(name, "", true));
            EXPECT_EQ(r.GetDataType(), row.dataType);
            ASSERT_EQ(r.GetRows(), row.rows);
            ASSERT_EQ(r.GetColumns(), row.columns);
            EXPECT_EQ(ValueAt(r, 0, row.rows - 1), row.northWest);
            EXPECT_EQ(ValueAt(r, row.columns - 1, 0), row.southEast);
            double lo = 1e308, hi = -1e308;
            for (int y = 0; y < row.rows; ++y)
                for (int x = 0; x < row.columns; ++x) {
                    lo = std::min(lo, ValueAt(r, x, y));
                    hi = std::max(hi, ValueAt(r, x, y));
                }
            EXPECT_EQ(lo, row.min);
            EXPECT_EQ(hi, row.max);
            TDoubleRect b = r.GetBounds();
            EXPECT_EQ(b.X1, row.minX);
            EXPECT_EQ(b.Y1, row.maxY);
            EXPECT_EQ(b.X2, row.maxX);
            EXPECT_EQ(b.Y2, row.minY);
            // The north-west corner's pixel is the top-left of the image.
            TRect nw = r.MapRectToPixels(TDoubleRect{row.minX + 1e-9, row.maxY - 1e-9, row.minX, row.maxY});
            EXPECT_EQ(nw.Left, 0);
            EXPECT_EQ(nw.Top, row.rows);
        }
    }
}

TEST(RstOtherSoftware, CategoriesNameTheLegend)
{
    TTestEnvironment environment(English());
    TIdrisiRST r;
    r.Open(std::string(QM_TEST_DATA) + "/byte_9x6_categories.rst", "", false);
    std::vector<std::string> texts;
    for (const TColorValue& row : r.GetLegend()) texts.push_back(row.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"1 : Forest", "2 : Field", "3 : Water", "4 : Town"}));
    std::string name;
    double value = 0;
    ASSERT_TRUE(r.GetValueAt(0, 5, true, name, value));
    EXPECT_EQ(value, 1);
    EXPECT_EQ(name, "Лес");
}

// The legend texts of a stretched raster over the display range 0..100 with
// the ramp palette, found the slow way: each value goes to the first bin with
// Lo <= v < Hi; bin k is palette index k.
std::vector<std::string> PlainScanLegend(const std::vector<float>& cells)
{
    const double a = 255.0 / 100.0;
    std::vector<double> lo(256, 1.7e308), hi(256, -1.7e308);
    for (float cell : cells) {
        if (!(cell >= 0 && cell < 256 / a)) continue;
        for (int k = 0; k < 256; ++k)
            if (k / a <= cell && cell < (k + 1) / a) {
                lo[k] = std::min(lo[k], double(cell));
                hi[k] = std::max(hi[k], double(cell));
                break;
            }
    }
    std::vector<std::string> expected;
    for (int k = 0; k < 256; ++k) {
        if (lo[k] > hi[k]) continue;
        expected.push_back(lo[k] == hi[k] ? FormatFixed(lo[k], 0) : FormatFixed(lo[k], 2) + " - " + FormatFixed(hi[k], 2));
    }
    return expected;
}

std::vector<std::string> LegendTexts(const TIdrisiRST& r)
{
    std::vector<std::string> texts;
    for (const TColorValue& row : r.GetLegend()) texts.push_back(row.Text);
    return texts;
}

TEST_F(RstTest, LegendMatchesAPlainScanOfTheBins)
{
    // Values on and beside bin edges, runs of equal bins, and values outside.
    std::vector<float> cells;
    for (int i = -40; i < 1100; ++i) cells.push_back(float(i) * 100.f / 1024.f);
    for (int k = 0; k <= 256; ++k) cells.push_back(float(k * 100.0 / 255.0));
    cells.push_back(float(kNaN));
    std::string bytes(cells.size() * 4, '\0');
    std::memcpy(bytes.data(), cells.data(), bytes.size());
    Write("ramp.qmp", RampPalette());
    TIdrisiRST r;
    r.Open(WriteRaster("scan", "real", 1, int(cells.size()), bytes, "display min : 0\ndisplay max : 100\n"),
           Path("ramp.qmp"), true);

    EXPECT_EQ(LegendTexts(r), PlainScanLegend(cells));
}

// Large rasters are read by all cores at once, a range of rows each: the
// image, the values and the legend must be those of one pass in file order.
TEST_F(RstTest, RastersReadByAllCoresMatchOnePass)
{
    Write("ramp.qmp", RampPalette());
    struct TCase {
        const char* Type;
        int Rows;
        int Columns;
    };
    for (const TCase& c : {TCase{"real", 700, 500}, TCase{"integer", 600, 1000}, TCase{"byte", 1100, 1000}}) {
        SCOPED_TRACE(c.Type);
        std::vector<float> cells;
        std::string bytes;
        for (int i = 0; i < c.Rows * c.Columns; ++i) {
            // Each range of rows holds values of its own, so every range
            // counts in the legend; ranges meet inside bins.
            int fileRow = i / c.Columns, column = i % c.Columns;
            if (std::string(c.Type) == "real") {
                float v = i % 1001 == 0 ? float(kNaN)
                          : i % 3 == 0  ? (i % 2 ? -0.f : 0.f)
                                        : float(fileRow * 110.0 / c.Rows - 5 + (column % 7) * 0.013);
                cells.push_back(v);
                bytes.append(reinterpret_cast<const char*>(&v), 4);
            } else if (std::string(c.Type) == "integer") {
                auto v = static_cast<std::int16_t>(fileRow * 120 / c.Rows - 10 + column % 3);
                cells.push_back(v);
                bytes.append(reinterpret_cast<const char*>(&v), 2);
            } else {
                auto v = static_cast<std::uint8_t>(fileRow * 110 / c.Rows + column % 2);
                cells.push_back(v);
                bytes.push_back(static_cast<char>(v));
            }
        }
        TIdrisiRST r;
        r.Open(WriteRaster(std::string("big") + c.Type, c.Type, c.Rows, c.Columns, bytes,
                           "display min : 0\ndisplay max : 100\n"),
               Path("ramp.qmp"), true);
        EXPECT_EQ(LegendTexts(r), PlainScanLegend(cells));
        // Pixels and values, rows from the south: file row i is row Rows-1-i.
        const std::uint8_t* bits = r.GetBits();
        const std::int64_t stride = DibRowBytes(c.Columns);
        for (int i = 0; i < c.Rows * c.Columns; i += 997) {
            const int fileRow = i / c.Columns, column = i % c.Columns;
            std::string name;
            double value = 0;
            ASSERT_TRUE(r.GetValueAt(column, c.Rows - 1 - fileRow, false, name, value));
            EXPECT_TRUE(value == cells[i] || (std::isnan(value) && std::isnan(cells[i]))) << i;
            double index = std::isnan(cells[i]) ? 0 : std::clamp(std::nearbyint(cells[i] * 2.55), 0.0, 255.0);
            EXPECT_EQ(bits[(c.Rows - 1 - fileRow) * stride + column], index) << i;
        }
    }
}
