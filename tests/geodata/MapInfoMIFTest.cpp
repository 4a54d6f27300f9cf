#include "geodata/MapInfoMIF.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "geodata/FontTable.h"
#include "platform/RuntimeErrors.h"
#include "tests/support/MifReadings.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestEnvironment.h"

namespace {

const char kHeader[] = "Version 300\nCharset \"WindowsCyrillic\"\nDelimiter \",\"\n"
                       "CoordSys Earth Projection 1, 0\nColumns 1\n  id Integer\nData\n\n";

class MapInfoMIFTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetFontTable();
        ScreenDpi = 96;
    }
    void TearDown() override { ResetFontTable(); }
    TTestEnvironment Headless;
    std::string WriteMif(const std::string& text) { return Folder.Write("m.mif", text); }
    void Load(const std::string& text) { Reader.Load(WriteMif(text)); }
    void LoadObjects(const std::string& objects) { Load(kHeader + objects); }
    // The message of the QMError that loading `text` raises.
    std::string LoadError(const std::string& text)
    {
        TMapinfoMIF reader;
        try {
            reader.Load(WriteMif(text));
        } catch (const QMError& e) {
            return e.what();
        }
        return "no error";
    }
    std::string Where(int line) const { return ". File " + Folder.Path("m.mif") + ", line " + std::to_string(line); }

    TTempFolder Folder;
    TMapinfoMIF Reader;
};

TLineStyle PenOf(const MapObject& o) { return o.Style.As<TLineStyle>(); }
TAreaStyle AreaOf(const MapObject& o) { return o.Style.As<TAreaStyle>(); }
TPointStyle SymbolOf(const MapObject& o) { return o.Style.As<TPointStyle>(); }

} // namespace

TEST_F(MapInfoMIFTest, CoordSysTable)
{
    struct Row {
        const char* name;
        const char* clause;
        std::uint8_t refSystem;
        const char* refSystemName;
        std::uint8_t refUnits;
        TDoubleRect bounds; // X1 = MinX, Y1 = MaxY, X2 = MaxX, Y2 = MinY
    };
    const Row rows[] = {
        {"lat/long on datum 0", "CoordSys Earth Projection 1, 0", 2, "Lat-long", 4, {-180, 90, 180, -90}},
        {"lat/long on datum 1001", "coordsys earth projection 1, 1001", 2, "Lat-long", 4, {-180, 90, 180, -90}},
        {"lat/long on WGS 84", "CoordSys Earth Projection 1, 104", 4, "Unknown", 4, {-180, 90, 180, -90}},
        {"the fixed Albers", "CoordSys Earth Projection 9, 1001, \"m\", 100, 0, 44, 68, 0, 0", 3, "Alber-rus", 1, {}},
        {"type 1009 is 9", "CoordSys Earth Projection 1009, 1001, \"m\", 100, 0, 44, 68, 0, 0", 3, "Alber-rus", 1, {}},
        {"another Albers on 1001", "CoordSys Earth Projection 9, 1001, \"m\", 105, 0, 44, 68, 0, 0", 4, "Unknown", 1, {}},
        {"Albers on WGS 84", "CoordSys Earth Projection 9, 104, \"km\", 100, 0, 44, 68, 0, 0", 4, "Unknown", 2, {}},
        {"units without quotes", "CoordSys Earth Projection 9, 1001, m, 100, 0, 44, 68, 0, 0", 4, "Unknown", 0, {}},
        {"bounds", "CoordSys Earth Projection 1, 0 Bounds (10, 20) (30, 40)", 2, "Lat-long", 4, {10, 40, 30, 20}},
        {"affine before bounds",
         "CoordSys Earth Projection 1, 0 Affine Units \"m\", 1, 0, 0, 0, 1, 0 Bounds (-1, -2) (3, 4)", 2, "Lat-long", 4,
         {-1, 4, 3, -2}},
        {"transverse Mercator with five parameters",
         "CoordSys Earth Projection 8, 104, \"m\", 39, 0, 0.9996, 500000, 0\n Bounds (0, 1) (2, 3)", 4, "Unknown", 1,
         {0, 3, 2, 1}},
        {"Lambert conformal conic with six parameters",
         "CoordSys Earth Projection 3, 104, \"m\", 10, 50, 40, 60, 0, 0 Bounds (5, 6) (7, 8)", 4, "Unknown", 1,
         {5, 8, 7, 6}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TMapinfoMIF reader;
        reader.Load(WriteMif(std::string("Version 300\n") + row.clause + "\nData\n"));
        EXPECT_EQ(reader.GetRefSystem(), row.refSystem);
        EXPECT_EQ(reader.GetRefSystemName(), row.refSystemName);
        EXPECT_EQ(reader.GetRefUnits(), row.refUnits);
        EXPECT_EQ(reader.MinX, row.bounds.X1);
        EXPECT_EQ(reader.MaxY, row.bounds.Y1);
        EXPECT_EQ(reader.MaxX, row.bounds.X2);
        EXPECT_EQ(reader.MinY, row.bounds.Y2);
    }
}

TEST_F(MapInfoMIFTest, HeaderWithoutCoordSys)
{
    Load("Version 300\nDelimiter \";\"\nData\n");
    EXPECT_EQ(Reader.GetRefSystem(), 0);
    EXPECT_EQ(Reader.GetRefSystemName(), "");
    EXPECT_EQ(Reader.Delimiter, '"');
}

TEST_F(MapInfoMIFTest, RefusedFiles)
{
    struct Row {
        const char* name;
        std::string text;
        std::string message;
    };
    const Row rows[] = {
        {"NonEarth", "Version 300\nCoordSys NonEarth Units \"m\"\nData\n", "Invalid projection" + Where(2)},
        {"projection type 10", "CoordSys Earth Projection 10, 104, \"m\"\nData\n", "Invalid projection type" + Where(1)},
        {"no Data", "Version 300\nColumns 1\n id Integer\n", "Unexpected EOF" + Where(3)},
        {"CoordSys last", "Version 300\nCoordSys Earth Projection 1, 0\n", "Unexpected EOF" + Where(2)},
        {"negative point count", std::string(kHeader) + "Pline 2 0 0 1 1\nPline -3\n",
         "Invalid point count" + Where(10)},
        {"negative section count", std::string(kHeader) + "Pline Multiple -1\n", "Invalid point count" + Where(9)},
        {"huge region count", std::string(kHeader) + "Region 2000000000\n 1\n 0 0\n", "Unexpected EOF" + Where(11)},
        {"cut inside a point", std::string(kHeader) + "Point 1\n", "Unexpected EOF" + Where(9)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(LoadError(row.text), row.message);
    }
    std::string missing = Folder.Path("none.mif");
    TMapinfoMIF reader;
    try {
        reader.Load(missing);
        FAIL() << "a missing file loaded";
    } catch (const QMError& e) {
        EXPECT_EQ(std::string(e.what()), "File " + missing + " not opened.");
    }
}

TEST_F(MapInfoMIFTest, MalformedNumbersRaiseThePlatformErrors)
{
    EXPECT_THROW(LoadObjects("Point abc 1\n"), EConvertError);
    TMapinfoMIF negativeColour;
    EXPECT_THROW(negativeColour.Load(WriteMif(std::string(kHeader) + "Line 0 0 1 1\nPen (1,2,-1)\n")), ERangeError);
}

TEST_F(MapInfoMIFTest, Geometry)
{
    LoadObjects("Line 1 2 3 -4\n"
                "Pline 3\n0 0\n1 1\n2 0\n"
                "Pline Multiple 2\n 2\n0 0 1 1\n 1\n5 5\n"
                "Region 2\n 4\n0 0\n4 0\n4 4\n0 0\n 3\n1 1 2 1 1 2\n"
                "Point 7.5 -8.25\n");
    ASSERT_EQ(Reader.Objects.size(), 5u);
    const MapObject& line = Reader.Objects[0];
    EXPECT_EQ(line.ObjType, otLine);
    EXPECT_EQ(line.PartCounts, (std::vector<std::int32_t>{2}));
    EXPECT_EQ(line.Bounds.X1, 1);
    EXPECT_EQ(line.Bounds.Y1, 2);
    EXPECT_EQ(line.Bounds.X2, 3);
    EXPECT_EQ(line.Bounds.Y2, -4);
    EXPECT_EQ(Reader.Objects[1].PartCounts, (std::vector<std::int32_t>{3}));
    EXPECT_EQ(Reader.Objects[2].PartCounts, (std::vector<std::int32_t>{2, 1}));
    EXPECT_EQ(Reader.Objects[2].PartBounds[1].X1, 5);
    const MapObject& region = Reader.Objects[3];
    EXPECT_EQ(region.ObjType, otPolygon);
    EXPECT_EQ(region.PartCounts, (std::vector<std::int32_t>{4, 3}));
    ASSERT_EQ(region.Points.size(), 7u);
    EXPECT_EQ(region.Points[5].x, 2);
    EXPECT_EQ(region.PartBounds.size(), 2u);
    EXPECT_EQ(region.PartBounds[1].Y1, 2);
    const MapObject& point = Reader.Objects[4];
    EXPECT_EQ(point.ObjType, otPoint);
    EXPECT_EQ(point.Points[0].x, 7.5);
    EXPECT_EQ(point.Points[0].y, -8.25);
}

TEST_F(MapInfoMIFTest, PenStyles)
{
    struct Row {
        const char* pen;
        std::uint32_t style;
        std::int32_t width;
        TColorRef color;
    };
    const Row rows[] = {
        {"Pen (1,1,0)", PS_NULL, 1, 0},
        {"Pen (2,2,16711680)", PS_SOLID, 2, 255},
        {"Pen (3,3,65280)", PS_DOT, 3, 0x00FF00},
        {"Pen (2,4,0)", PS_DASH, 2, 0},
        {"pen (1,59,255)", PS_DASH, 1, 0xFF0000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pen);
        TMapinfoMIF reader;
        reader.Load(WriteMif(std::string(kHeader) + "Line 0 0 1 1\n    " + row.pen + "\n"));
        ASSERT_EQ(reader.Objects.size(), 1u);
        TLineStyle pen = PenOf(reader.Objects[0]);
        EXPECT_EQ(pen.lopnStyle, row.style);
        EXPECT_EQ(pen.lopnWidth.x, row.width);
        EXPECT_EQ(pen.lopnWidth.y, 0);
        EXPECT_EQ(pen.lopnColor, row.color);
    }
}

TEST_F(MapInfoMIFTest, BrushStyles)
{
    struct Row {
        const char* brush;
        std::uint32_t style;
        std::uint32_t hatch;
        TColorRef color;
        TColorRef back;
        std::int32_t mode;
    };
    const Row rows[] = {
        {"Brush (2,16711680)", BS_SOLID, 0, 255, 0, TRANSPARENT},
        {"Brush (5,255,16777215)", BS_HATCHED, HS_BDIAGONAL, 0xFF0000, 0xFFFFFF, OPAQUE},
        {"Brush (1,0)", BS_HOLLOW, 0, 0, 0, TRANSPARENT},
        {"Brush (3,0)", BS_HATCHED, HS_HORIZONTAL, 0, 0, TRANSPARENT},
        {"Brush (4,0)", BS_HATCHED, HS_VERTICAL, 0, 0, TRANSPARENT},
        {"Brush (6,0)", BS_HATCHED, HS_FDIAGONAL, 0, 0, TRANSPARENT},
        {"Brush (7,0)", BS_HATCHED, HS_CROSS, 0, 0, TRANSPARENT},
        {"Brush (8,0)", BS_HATCHED, HS_DIAGCROSS, 0, 0, TRANSPARENT},
        {"Brush (12,1)", BS_SOLID, 0, 0x010000, 0, TRANSPARENT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.brush);
        TMapinfoMIF reader;
        reader.Load(WriteMif(std::string(kHeader) + "Region 1\n 3\n0 0 1 0 0 1\n Pen (1,2,255)\n " + row.brush +
                             "\nPoint 0 0\n"));
        ASSERT_EQ(reader.Objects.size(), 2u);
        TAreaStyle area = AreaOf(reader.Objects[0]);
        EXPECT_EQ(area.Brush.lbStyle, row.style);
        EXPECT_EQ(area.Brush.lbHatch, row.hatch);
        EXPECT_EQ(area.Brush.lbColor, row.color);
        EXPECT_EQ(area.BackColor, row.back);
        EXPECT_EQ(area.BackMode, row.mode);
        EXPECT_EQ(area.Outline.lopnColor, 0xFF0000u); // the pen stays the outline
    }
}

TEST_F(MapInfoMIFTest, SymbolsAt96Dpi)
{
    LoadObjects("Point 0 0\n Symbol (35,16711680,12)\n"
                "Point 0 0\n Symbol (36,255,12,\"MapInfo Cartographic\",0,0)\n"
                "Point 0 0\n Symbol (37,0,9,\"Arial Narrow\",1,0)\n"
                "Point 0 0\n Symbol (38,0,12,\"arial narrow\",1,0)\n");
    ASSERT_EQ(Reader.Objects.size(), 4u);
    TPointStyle plain = SymbolOf(Reader.Objects[0]);
    EXPECT_EQ(plain.SymbolChar, 35);
    EXPECT_EQ(plain.SymbolSize, 8);
    EXPECT_EQ(plain.SymbolColor, 255u);
    EXPECT_EQ(plain.SymbolFont, 0);
    TPointStyle cartographic = SymbolOf(Reader.Objects[1]);
    EXPECT_EQ(cartographic.SymbolChar, 159);
    EXPECT_EQ(cartographic.SymbolSize, 20);
    EXPECT_EQ(FontName(cartographic.SymbolFont), "Wingdings");
    TPointStyle arial = SymbolOf(Reader.Objects[2]);
    EXPECT_EQ(arial.SymbolSize, 6);
    EXPECT_EQ(FontName(arial.SymbolFont), "Arial Narrow");
    EXPECT_EQ(SymbolOf(Reader.Objects[3]).SymbolFont, arial.SymbolFont);
}

TEST_F(MapInfoMIFTest, InstalledCartographicFontIsKept)
{
    Headless.Change([](TEnvironment& e) { e.FontInstalled = [](const std::string&) { return true; }; });
    ScreenDpi = 120;
    LoadObjects("Point 0 0\n Symbol (36,255,12,\"MapInfo Cartographic\",0,0)\n");
    TPointStyle symbol = SymbolOf(Reader.Objects[0]);
    EXPECT_EQ(symbol.SymbolChar, 36);
    EXPECT_EQ(symbol.SymbolSize, 10);
    EXPECT_EQ(FontName(symbol.SymbolFont), "MapInfo Cartographic");
}

TEST_F(MapInfoMIFTest, ObjectsWithoutStyleKeepTheStyleBefore)
{
    LoadObjects("Line 0 0 1 1\n Pen (4,2,255)\nLine 0 0 2 2\nPoint 0 0\n");
    ASSERT_EQ(Reader.Objects.size(), 3u);
    EXPECT_EQ(PenOf(Reader.Objects[1]).lopnWidth.x, 4);
    EXPECT_EQ(Reader.Objects[2].Style.Bytes, Reader.Objects[0].Style.Bytes);
}

TEST_F(MapInfoMIFTest, UnreadObjectsAreSkipped)
{
    LoadObjects("Point 1 1\n"
                "Text \"Line, Region\"\n 0 0 5 5\n Font (\"Arial\",0,0,0)\n Angle 45\n Label Line simple 3 3\n"
                "Arc 0 0 1 1 0 90\n Pen (1,2,0)\n"
                "Rect 0 0 1 1\n Pen (1,2,0)\n Brush (2,255)\n"
                "Ellipse 0 0 2 2\n Brush (1,0)\n"
                "Region 1\n 3\n0 0 1 0 0 1\n Pen (1,2,0)\n Brush (2,255)\n Center 0.3 0.3\n"
                "Point 2 2\n");
    ASSERT_EQ(Reader.Objects.size(), 3u);
    EXPECT_EQ(Reader.Objects[0].ObjType, otPoint);
    EXPECT_EQ(Reader.Objects[1].ObjType, otPolygon);
    EXPECT_EQ(Reader.Objects[2].Points[0].x, 2);
}

TEST_F(MapInfoMIFTest, CrlfAndTabbedFilesKeepTheirObjects)
{
    Load("Version 300\r\nCoordSys Earth Projection 1, 0\r\nData\r\n\r\nRegion\t1\r\n\t3\r\n0\t0\r\n1 0\r\n0 1\r\n"
         "\tPen (1,2,0)\r\n\tBrush (2,255,0)\r\nPoint 1 1\r\n\tSymbol (35,0,12,\"Arial\",0,0)\r\n");
    ASSERT_EQ(Reader.Objects.size(), 2u);
    EXPECT_EQ(AreaOf(Reader.Objects[0]).BackMode, OPAQUE);
    EXPECT_EQ(FontName(SymbolOf(Reader.Objects[1]).SymbolFont), "Arial");
}

TEST_F(MapInfoMIFTest, ManyObjects)
{
    std::string text = kHeader;
    for (int i = 0; i < 1500; ++i) text += "Point " + std::to_string(i) + " 0\n";
    std::vector<bool> hourglass;
    Headless.Change([&](TEnvironment& e) { e.Hourglass = [&](bool busy) { hourglass.push_back(busy); }; });
    Load(text);
    ASSERT_EQ(Reader.Objects.size(), 1500u);
    EXPECT_EQ(Reader.Objects.capacity(), 1500u);
    EXPECT_EQ(Reader.Objects[1499].Points[0].x, 1499);
    EXPECT_EQ(hourglass, (std::vector<bool>{true, false}));
}

TEST_F(MapInfoMIFTest, ColourBytesAreSwapped)
{
    EXPECT_EQ(TMapinfoMIF::MifColorToColor(0x123456), 0x563412u);
    EXPECT_EQ(TMapinfoMIF::MifColorToColor(0x7F123456), 0x563412u);
}

// Files written by GDAL's MapInfo driver.
TEST_F(MapInfoMIFTest, GdalLatLongFile)
{
    Reader.Load(QM_TEST_DATA "/mixed_latlong_pulkovo.mif");
    EXPECT_EQ(Reader.GetRefSystem(), 2);
    EXPECT_EQ(Reader.GetRefSystemName(), "Lat-long");
    EXPECT_EQ(Reader.GetRefUnits(), 4);
    EXPECT_EQ(Reader.MinX, -180);
    EXPECT_EQ(Reader.Delimiter, '"');
    ASSERT_EQ(Reader.Objects.size(), 5u);
    const MapObjectArray& o = Reader.Objects;

    EXPECT_EQ(o[0].ObjType, otPoint);
    EXPECT_EQ(o[0].Points[0].x, 37.6);
    EXPECT_EQ(o[0].Points[0].y, 55.7);
    EXPECT_EQ(SymbolOf(o[0]).SymbolChar, 34);
    EXPECT_EQ(SymbolOf(o[0]).SymbolColor, 255u);
    EXPECT_EQ(SymbolOf(o[0]).SymbolSize, 7); // 10 points at 96 dpi

    EXPECT_EQ(o[1].ObjType, otLine);
    EXPECT_EQ(o[1].PartCounts, (std::vector<std::int32_t>{3}));
    EXPECT_EQ(o[1].Points[2].x, 40);
    EXPECT_EQ(o[1].Points[2].y, 51);
    EXPECT_EQ(PenOf(o[1]).lopnWidth.x, 2);
    EXPECT_EQ(PenOf(o[1]).lopnColor, 0xFF0000u);

    EXPECT_EQ(o[2].ObjType, otLine);
    EXPECT_EQ(o[2].PartCounts, (std::vector<std::int32_t>{2, 3}));
    EXPECT_EQ(o[2].Points[4].x, 39);
    EXPECT_EQ(o[2].Points[4].y, 58);
    EXPECT_EQ(o[2].Bounds.X1, 31);
    EXPECT_EQ(o[2].Bounds.Y1, 58);

    EXPECT_EQ(o[3].ObjType, otPolygon);
    EXPECT_EQ(o[3].PartCounts, (std::vector<std::int32_t>{5, 4}));
    EXPECT_EQ(o[3].Points[5].x, 33);
    EXPECT_EQ(o[3].Points[5].y, 54);
    EXPECT_EQ(o[3].PartBounds[1].X2, 34);
    EXPECT_EQ(AreaOf(o[3]).Brush.lbStyle, BS_SOLID);
    EXPECT_EQ(AreaOf(o[3]).Brush.lbColor, TMapinfoMIF::MifColorToColor(8438015));
    EXPECT_EQ(AreaOf(o[3]).BackMode, OPAQUE);

    EXPECT_EQ(o[4].PartCounts, (std::vector<std::int32_t>{4, 5}));
    EXPECT_EQ(o[4].Bounds.X2, 43);
    EXPECT_EQ(o[4].Bounds.Y1, 52);
    EXPECT_EQ(AreaOf(o[4]).Brush.lbStyle, BS_HATCHED);
    EXPECT_EQ(AreaOf(o[4]).Brush.lbHatch, HS_VERTICAL);
    EXPECT_EQ(AreaOf(o[4]).BackMode, TRANSPARENT);
}

TEST_F(MapInfoMIFTest, GdalAlbersFile)
{
    Reader.Load(QM_TEST_DATA "/areas_albers.mif");
    // Albers on datum 104 is not this system's fixed projection.
    EXPECT_EQ(Reader.GetRefSystem(), 4);
    EXPECT_EQ(Reader.GetRefSystemName(), "Unknown");
    EXPECT_EQ(Reader.GetRefUnits(), 1);
    ASSERT_EQ(Reader.Objects.size(), 1u);
    const MapObject& area = Reader.Objects[0];
    EXPECT_EQ(area.ObjType, otPolygon);
    EXPECT_EQ(area.PartCounts, (std::vector<std::int32_t>{5}));
    EXPECT_EQ(area.Bounds.X1, -3400000);
    EXPECT_EQ(area.Bounds.Y1, 7400000);
    EXPECT_EQ(area.Bounds.X2, -3300000);
    EXPECT_EQ(area.Bounds.Y2, 7300000);
    EXPECT_EQ(AreaOf(area).Brush.lbColor, TMapinfoMIF::MifColorToColor(16752640));
    EXPECT_EQ(AreaOf(area).BackMode, TRANSPARENT);
}

namespace {

// A file of objects of every kind the reader knows and some it skips, with
// what makes cutting it hard: objects without style clauses, which take the
// style before them; new symbol fonts; Text objects whose "Label Line" is no
// Line; blank, CRLF and tabbed lines; a line in code page 1251; several
// objects on one line; and one region long enough to span many slices.
std::string MixedObjects(int count)
{
    static const char* const kSymbols[] = {"Symbol (35,255,12)\n", "Symbol (36,65280,10,\"Arial\",0,0)\n",
                                           "Symbol (37,0,8,\"MapInfo Cartographic\",1,0)\n",
                                           "Symbol (38,16711680,14,\"Map Symbols\",0,0)\n",
                                           "Symbol (39,0,9,\"arial\",0,0)\n"};
    std::uint32_t state = 12345;
    auto next = [&](std::uint32_t n) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % n;
    };
    auto point = [&]() { return std::to_string(next(1000)) + "." + std::to_string(next(100)) + " " + std::to_string(next(500)) + "\n"; };
    std::string text = kHeader;
    for (int i = 0; i < count; ++i) {
        switch (next(10)) {
        case 0:
        case 1: {
            const std::uint32_t polygons = 1 + next(3);
            text += "Region " + std::to_string(polygons) + "\n";
            for (std::uint32_t p = 0; p < polygons; ++p) {
                const std::uint32_t points = (i == count / 2 && p == 0) ? 600 : 3 + next(6);
                text += "  " + std::to_string(points) + "\n";
                for (std::uint32_t k = 0; k < points; ++k) text += point();
            }
            if (next(3) > 0) text += "    Pen (" + std::to_string(1 + next(3)) + "," + std::to_string(1 + next(5)) + ",255)\n";
            if (next(3) > 0) text += "    Brush (" + std::to_string(1 + next(8)) + ",16711680" + (next(2) ? ",65535)\n" : ")\n");
            if (next(4) == 0) text += "    Center 1 1\n";
            break;
        }
        case 2:
            text += "Pline Multiple 2\n  2\n" + point() + point() + "  3\n" + point() + point() + point();
            if (next(2)) text += "    Pen (2,2,65280)\r\n";
            break;
        case 3:
            text += "PLINE 3\n" + point() + point() + point() + "\n\n";
            break;
        case 4:
            text += "Line 1 2 3 4\n";
            if (next(2)) text += "\tPen (1,3,0)\n";
            break;
        case 5:
        case 6:
            text += "Point " + point();
            if (next(3) > 0) text += std::string("    ") + kSymbols[next(5)];
            break;
        case 7:
            text += "Text \"Line, Region\"\n 0 0 5 5\n Font (\"Arial\",0,0,0)\n Label Line simple 3 3\n";
            break;
        case 8:
            text += "Point 1 1 Point 2 2\nText \"\xCA\xE0\xF0\xF2\xE0\"\n 0 0 1 1\n";
            break;
        default:
            text += "Rect 0 0 1 1\n Pen (1,2,0)\n Brush (2,255)\n\n";
            break;
        }
    }
    return text;
}

// Damaged copies of a file: cut short at many places, and with a token
// replaced by one that fails (a word for a number, a negative count or
// colour) or that looks like the start of an object where none is.
std::vector<std::pair<std::string, std::string>> DamagedCopies(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> copies;
    const std::size_t data = text.find("Data");
    for (std::size_t cut = data; cut < text.size(); cut += text.size() / 70 + 1)
        copies.emplace_back("cut at " + std::to_string(cut), text.substr(0, cut));
    static const char* const kReplacements[] = {"x", "-3", "Region", "\nRegion 1\n", "Pen (1,2,-5)\n"};
    std::size_t place = data;
    for (int i = 0; place != std::string::npos && i < 40; ++i) {
        place = text.find('\n', place + text.size() / 40);
        if (place == std::string::npos) break;
        const char* replacement = kReplacements[i % std::size(kReplacements)];
        copies.emplace_back(std::string("'") + replacement + "' at " + std::to_string(place),
                            text.substr(0, place + 1) + replacement + text.substr(text.find_first_of(" \n", place + 1)));
    }
    return copies;
}

} // namespace

// Cut anywhere, the file reads as on one core: the same objects with the
// same styles, the same fonts in the same order, and a damaged file fails
// with the same message and line number and leaves no objects.
TEST_F(MapInfoMIFTest, SlicedReadingEqualsOneCore)
{
    const std::string mixed = MixedObjects(400);
    std::vector<std::pair<std::string, std::string>> files = {
        {"mixed", mixed},
        {"CRLF", [&] {
             std::string crlf;
             for (char c : mixed) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
             return crlf;
         }()},
        {"lone CR", [&] {
             std::string cr = mixed;
             std::replace(cr.begin(), cr.end(), '\n', '\r');
             return cr;
         }()},
        {"keyword lines inside objects", std::string(kHeader) + "Region 1\n 4\n0 0\n1 1\nRegion 1\n3 3\nPoint 1 1\n"},
        {"label before a Line line", std::string(kHeader) + "Point 1 1\nText \"a\"\n 0 0 1 1\n Label\nLine 1 1 2 2\nPoint 3 3\n"},
        {"no objects", std::string(kHeader) + "\n\n\n   \n"},
    };
    for (auto& damaged : DamagedCopies(mixed)) files.push_back(std::move(damaged));
    int failures = 0;
    for (const auto& [name, text] : files) {
        SCOPED_TRACE(name);
        const std::string path = WriteMif(text);
        const TMifReading oneCore = ReadMif(path, 0);
        failures += !oneCore.Failure.empty();
        EXPECT_TRUE(oneCore.Failure.empty() || oneCore.Objects.empty());
        for (std::size_t sliceBytes : {100, 700, 5000}) {
            SCOPED_TRACE(sliceBytes);
            const TMifReading sliced = ReadMif(path, sliceBytes);
            EXPECT_EQ(sliced.Failure, oneCore.Failure);
            EXPECT_EQ(sliced.Fonts, oneCore.Fonts);
            ASSERT_EQ(sliced.Objects.size(), oneCore.Objects.size());
            for (std::size_t i = 0; i < sliced.Objects.size(); ++i) ASSERT_EQ(sliced.Objects[i], oneCore.Objects[i]) << i;
        }
    }
    // The damaged copies are damaged.
    EXPECT_GT(failures, 30);
}

// A file larger than a slice is read in slices by Load.
TEST_F(MapInfoMIFTest, LargeFilesLoadAsOnOneCore)
{
    std::string text = MixedObjects(1);
    while (text.size() < (std::size_t(5) << 20)) text += MixedObjects(2000).substr(sizeof kHeader - 1);
    const std::string path = WriteMif(text);
    const TMifReading oneCore = ReadMif(path, 0);
    ResetFontTable();
    Reader.Load(path);
    ASSERT_EQ(Reader.Objects.size(), oneCore.Objects.size());
    for (std::size_t i = 0; i < Reader.Objects.size(); ++i) ASSERT_EQ(Describe(Reader.Objects[i]), oneCore.Objects[i]) << i;
    EXPECT_EQ(FontList(), oneCore.Fonts);
}
