#include "geodata/IdrisiVCT.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

#include "platform/RuntimeErrors.h"
#include "tests/support/MapObjectText.h"
#include "tests/support/RectChecks.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestEnvironment.h"

namespace {

// Builds ".vct" bytes: the 261-byte file header, then records.
class TVctBuilder {
public:
    explicit TVctBuilder(std::int32_t count) : Bytes(261, '\x55')
    {
        std::memcpy(&Bytes[1], &count, 4); // unaligned, as in the files
    }
    TVctBuilder& Polygon(const std::vector<std::int32_t>& parts, const std::vector<double>& xy)
    {
        std::int32_t total = 0;
        for (std::int32_t p : parts) total += p;
        return PolygonHeader(static_cast<std::int32_t>(parts.size()), total).Ints(parts).Reals(xy);
    }
    TVctBuilder& PolygonHeader(std::int32_t parts, std::int32_t points)
    {
        Bytes.append(40, '\x77');
        return Ints({parts, points});
    }
    TVctBuilder& Line(const std::vector<double>& xy)
    {
        Bytes.append(40, '\x77');
        return Ints({static_cast<std::int32_t>(xy.size() / 2)}).Reals(xy);
    }
    TVctBuilder& Ints(const std::vector<std::int32_t>& v)
    {
        for (std::int32_t i : v) Bytes.append(reinterpret_cast<const char*>(&i), 4);
        return *this;
    }
    TVctBuilder& Reals(const std::vector<double>& v)
    {
        for (double d : v) Bytes.append(reinterpret_cast<const char*>(&d), 8);
        return *this;
    }
    std::string Bytes;
};

const std::vector<double> kSquare = {0, 0, 10, 0, 10, 10, 0, 0};               // 4 points
const std::vector<double> kPentagon = {20, -5, 30, -5, 30, 5, 25, 8, 20, -5};  // 5 points

class IdrisiVCTTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Boxes.Change([this](TEnvironment& e) {
            e.ErrorBox = [this](const std::string&, const std::string& message) { Shown.push_back(message); };
        });
    }
    TTestEnvironment Boxes;

    // Writes "v.vdc" and, when given, "v.vct"; opens "v.vct".
    bool Open(const std::string& vdc, const std::string* vct = nullptr)
    {
        Folder.Write("v.vdc", vdc);
        if (vct) Folder.Write("v.vct", *vct);
        return Reader.Open(Folder.Path("v.vct"));
    }
    bool OpenPolygons(const std::string& vct) { return Open("object type : polygon\n", &vct); }

    TTempFolder Folder;
    TIdrisiVCT Reader;
    std::vector<std::string> Shown;
};

} // namespace

TEST_F(IdrisiVCTTest, HeaderKeys)
{
    std::string vdc =
        "file title  : Roads\nOBJECT TYPE : Line\nid type : real\nfile type : binary\n"
        "ref. system : Lat/Long\nref. units : deg\nunit dist. : 1.5\nmin. X : -10.5\nmax. X : 20\n"
        "min. Y : 30\nmax. Y : 40\nmin. value : 1\nmax. value : 7\n";
    std::string vct = TVctBuilder(0).Bytes;
    ASSERT_TRUE(Open(vdc, &vct));
    EXPECT_EQ(Reader.FileTitle, "Roads");
    EXPECT_EQ(Reader.ObjectType, otLine);
    EXPECT_EQ(Reader.IdType, 3);
    EXPECT_EQ(Reader.FileType, 1);
    EXPECT_EQ(Reader.GetRefSystem(), 2);
    EXPECT_EQ(Reader.GetRefSystemName(), "Lat/Long");
    EXPECT_EQ(Reader.GetRefUnits(), 4);
    EXPECT_EQ(Reader.GetUnitDist(), 1.5);
    EXPECT_EQ(Reader.MinX, -10.5);
    EXPECT_EQ(Reader.MaxY, 40);
    EXPECT_EQ(Reader.MaxValue, 7);
    EXPECT_TRUE(Reader.Objects.empty());
}

TEST_F(IdrisiVCTTest, HeaderWordsThatAreNotKnownLeaveTheirCodes)
{
    struct Row {
        const char* name;
        const char* vdc;
        std::uint8_t refSystem;
        const char* refSystemName;
        std::uint8_t refUnits;
        std::uint8_t objectType;
    };
    const Row rows[] = {
        {"plane is no code here", "ref. system : plane\nref. units : km\n", 0, "plane", 0, 0},
        {"alber-rus in metres", "ref. system : AlberRus\nref. units : M\n", 3, "AlberRus", 1, 0},
        {"a line without colon ends the header", "object type : text\nref. units : m\nbroken\nref. system : latlong\n",
         0, "", 1, 4},
        {"unknown object type", "object type : area\n", 0, "", 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TIdrisiVCT reader;
        Folder.Write("h.vdc", row.vdc);
        reader.Open(Folder.Path("h.vct"));
        EXPECT_EQ(reader.RefSystem, row.refSystem);
        EXPECT_EQ(reader.RefSystemName, row.refSystemName);
        EXPECT_EQ(reader.RefUnits, row.refUnits);
        EXPECT_EQ(reader.ObjectType, row.objectType);
        EXPECT_EQ(reader.UnitDist, 0);
    }
}

TEST_F(IdrisiVCTTest, PointAndTextFilesGiveNoObjects)
{
    EXPECT_TRUE(Open("object type : point\n"));
    EXPECT_TRUE(Open("object type : text\n"));
    EXPECT_TRUE(Reader.Objects.empty());
    EXPECT_TRUE(Shown.empty());
}

TEST_F(IdrisiVCTTest, PolygonPartsAndBounds)
{
    // The second record starts right after the first: a reader that starts
    // records at 256, 260 or 261 plus a wrong header size reads nonsense.
    std::string vct = TVctBuilder(2).Polygon({4, 5}, [] {
        std::vector<double> xy = kSquare;
        xy.insert(xy.end(), kPentagon.begin(), kPentagon.end());
        return xy;
    }()).Polygon({4}, {1, 2, 3, 4, 5, 6, 1, 2}).Bytes;
    ASSERT_TRUE(OpenPolygons(vct));
    ASSERT_EQ(Reader.Objects.size(), 2u);
    const MapObject& a = Reader.Objects[0];
    EXPECT_EQ(a.ObjType, otPolygon);
    EXPECT_EQ(a.PartCounts, (std::vector<std::int32_t>{4, 5}));
    ASSERT_EQ(a.Points.size(), 9u);
    EXPECT_EQ(a.Points[4].x, 20);
    EXPECT_EQ(a.Points[4].y, -5);
    ExpectRect(a.Bounds, 0, 10, 30, -5);
    ASSERT_EQ(a.PartBounds.size(), 2u);
    ExpectRect(a.PartBounds[0], 0, 10, 10, 0);
    ExpectRect(a.PartBounds[1], 20, 8, 30, -5);
    const MapObject& b = Reader.Objects[1];
    EXPECT_EQ(b.PartCounts, (std::vector<std::int32_t>{4}));
    ExpectRect(b.Bounds, 1, 6, 5, 2);
    ASSERT_EQ(b.PartBounds.size(), 1u);
    ExpectRect(b.PartBounds[0], 1, 6, 5, 2);
    EXPECT_EQ(b.Style.Bytes, TStyleBytes().Bytes);
}

TEST_F(IdrisiVCTTest, LinesAreOnePartEach)
{
    std::string vct = TVctBuilder(2).Line({0, 0, 3, 4}).Line({-1, -1, 1, 1, 2, 0}).Bytes;
    ASSERT_TRUE(Open("object type : line\n", &vct));
    ASSERT_EQ(Reader.Objects.size(), 2u);
    EXPECT_EQ(Reader.Objects[1].ObjType, otLine);
    EXPECT_EQ(Reader.Objects[1].PartCounts, (std::vector<std::int32_t>{3}));
    ExpectRect(Reader.Objects[1].Bounds, -1, 1, 2, -1);
}

TEST_F(IdrisiVCTTest, ZeroObjectsIsNoError)
{
    EXPECT_TRUE(OpenPolygons(TVctBuilder(0).Bytes));
    EXPECT_TRUE(Reader.Objects.empty());
    EXPECT_TRUE(Shown.empty());
}

TEST_F(IdrisiVCTTest, AFileCutInsideARecordKeepsTheRecordsBefore)
{
    std::string vct = TVctBuilder(2).Polygon({4}, kSquare).Polygon({5}, kPentagon).Bytes;
    vct.resize(vct.size() - 20);
    EXPECT_FALSE(OpenPolygons(vct));
    EXPECT_EQ(Reader.LastError(), "Error on ReadFile");
    EXPECT_EQ(Shown, (std::vector<std::string>{"Error on ReadFile"}));
    ASSERT_EQ(Reader.Objects.size(), 1u);
    EXPECT_EQ(Reader.Objects[0].Points.size(), 4u);
}

TEST_F(IdrisiVCTTest, CountsThatTheFileCannotHoldAreRefused)
{
    struct Row {
        const char* name;
        std::string vct;
        std::size_t objectsKept;
    };
    std::string huge = TVctBuilder(0x7FFFFFFF).Bytes;
    huge.resize(300, '\0');
    const Row rows[] = {
        {"object count 0x7FFFFFFF in 300 bytes", huge, 0},
        {"negative object count", TVctBuilder(-1).Polygon({4}, kSquare).Bytes, 0},
        {"header cut short", TVctBuilder(1).Bytes.substr(0, 100), 0},
        {"negative part count", TVctBuilder(1).PolygonHeader(-1, 4).Reals(kSquare).Bytes, 0},
        {"negative point count", TVctBuilder(1).PolygonHeader(1, -4).Ints({-4}).Reals(kSquare).Bytes, 0},
        {"part count past the end", TVctBuilder(1).PolygonHeader(0x10000000, 4).Ints({4}).Reals(kSquare).Bytes, 0},
        {"point count past the end", TVctBuilder(1).PolygonHeader(1, 0x40000000).Ints({0x40000000}).Bytes, 0},
        {"parts that do not add up", TVctBuilder(2).Polygon({4}, kSquare).PolygonHeader(2, 5).Ints({4, 4}).Reals(kPentagon).Bytes, 1},
        {"negative part", TVctBuilder(1).PolygonHeader(2, 4).Ints({8, -4}).Reals(kSquare).Bytes, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TIdrisiVCT reader;
        Folder.Write("c.vdc", "object type : polygon\n");
        Folder.Write("c.vct", row.vct);
        EXPECT_FALSE(reader.Open(Folder.Path("c.vct")));
        EXPECT_EQ(reader.LastError(), "Error on ReadFile");
        EXPECT_EQ(reader.Objects.size(), row.objectsKept);
    }
    TIdrisiVCT lines;
    Folder.Write("l.vdc", "object type : line\n");
    Folder.Write("l.vct", TVctBuilder(1).Bytes + std::string(40, '\0') + "\xff\xff\xff\xff");
    EXPECT_FALSE(lines.Open(Folder.Path("l.vct")));
    EXPECT_EQ(lines.LastError(), "Error on ReadFile");
}

TEST_F(IdrisiVCTTest, MissingFiles)
{
    EXPECT_FALSE(Open("object type : polygon\n"));
    EXPECT_EQ(Reader.LastError(), "File not opened");
    TIdrisiVCT noHeader;
    EXPECT_THROW(noHeader.Open(Folder.Path("none.vct")), EInOutError);
}

TEST_F(IdrisiVCTTest, FileNamesIgnoreCaseAndExtension)
{
    Folder.Write("Roads.VDC", "object type : line\n");
    Folder.Write("ROADS.Vct", TVctBuilder(1).Line({0, 0, 1, 1}).Bytes);
    TIdrisiVCT reader;
    EXPECT_TRUE(reader.Open(Folder.Path("roads")));
    EXPECT_EQ(reader.Objects.size(), 1u);
    EXPECT_EQ(VdcFileName("a.b/roads"), "a.b/roads.vdc");
    EXPECT_EQ(VctFileName("c:\\maps\\roads.vdc"), "c:\\maps\\roads.vct");
}

TEST_F(IdrisiVCTTest, HourglassWrapsTheRead)
{
    std::vector<bool> calls;
    Boxes.Change([&](TEnvironment& e) { e.Hourglass = [&](bool busy) { calls.push_back(busy); }; });
    std::string bad = "short";
    OpenPolygons(bad);
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
}

// Read in runs of records on every core, a file gives the objects of the
// one-core reading, also when it is cut short or a record in it is broken:
// the same objects before the first record that fails, and the same error.
TEST_F(IdrisiVCTTest, SlicedReadingEqualsOneCore)
{
    auto polygons = [](int count, auto&& broken) {
        TVctBuilder vct(count);
        for (int i = 0; i < count; ++i) {
            std::vector<std::int32_t> parts(1 + i % 3, 3 + i % 4);
            std::vector<double> xy;
            for (std::int32_t p = 0; p < parts[0] * static_cast<std::int32_t>(parts.size()); ++p) {
                xy.push_back(i + p * 0.5);
                xy.push_back(-i * 0.25 + p);
            }
            if (!broken(vct, i)) vct.Polygon(parts, xy);
        }
        return vct.Bytes;
    };
    auto none = [](TVctBuilder&, int) { return false; };
    const std::string whole = polygons(300, none);
    std::vector<std::pair<std::string, std::string>> files = {
        {"whole", whole},
        {"parts that do not add up", polygons(300, [](TVctBuilder& v, int i) {
             if (i != 150) return false;
             v.PolygonHeader(2, 5).Ints({2, 2}).Reals(std::vector<double>(10, 1.0));
             return true;
         })},
        {"negative point count", polygons(300, [](TVctBuilder& v, int i) { return i == 200 && (v.PolygonHeader(1, -4), true); })},
        {"count beyond the file", polygons(300, [](TVctBuilder& v, int i) { return i == 90 && (v.PolygonHeader(1, 1 << 30), true); })},
    };
    // Cut where the count still fits the bytes left, which refuses the file at once.
    for (std::size_t cut = whole.size() / 3; cut < whole.size(); cut += whole.size() / 25)
        files.emplace_back("cut", whole.substr(0, cut));
    Folder.Write("v.vdc", "object type : polygon\n");
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name + " " + std::to_string(bytes.size()));
        Folder.Write("v.vct", bytes);
        const std::vector<std::string> oneCore = VctReading(Folder.Path("v.vct"), 0);
        EXPECT_GT(oneCore.size(), 1u);
        for (std::size_t sliceBytes : {1, 700, 5000}) EXPECT_EQ(VctReading(Folder.Path("v.vct"), sliceBytes), oneCore) << sliceBytes;
    }
}
