#include "geodata/QMLayers.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "geodata/Alberts.h"
#include "geodata/IdrisiRST.h"
#include "geodata/ObjectIndex.h"
#include "platform/NumberText.h"
#include "platform/RuntimeErrors.h"
#include "tests/support/RasterFiles.h"
#include "tests/support/TestEnvironment.h"

namespace fs = std::filesystem;

namespace {

constexpr double kDeg = std::numbers::pi / 180;
const std::string kOtherSoftware = QM_TEST_DATA;

// The message of the QMError that `action` raises; "" when it raises none.
template <class F>
std::string QMErrorOf(F&& action)
{
    try {
        action();
    } catch (const QMError& e) {
        return e.what();
    }
    return {};
}

void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

template <class T>
void PutLE(std::vector<std::uint8_t>& bytes, T value)
{
    std::uint8_t raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    bytes.insert(bytes.end(), raw, raw + sizeof(T));
}

struct RasterSpec {
    std::string refSystem = "alber-rus";
    std::string refUnits = "m";
    std::string unitDist = "1";
    double minX = 0, maxX = 3, minY = 0, maxY = 2;
};

struct VectorSpec {
    std::string refSystem = "latlong";
    std::string refUnits = "deg";
    std::string unitDist = "1"; // "" leaves the key out
    std::string objectType = "polygon";
};

// One polygon object of the ".vct" format: its parts, each a list of points.
using Polygon = std::vector<std::vector<TDoublePoint>>;

class LayerFiles : public testing::Test {
protected:
    void SetUp() override
    {
        Folder.Write("grey.qmp", PaletteBytes(std::string(5, '\0'), [](int i) { return std::array{i, i, 0}; }));
    }

    std::string Path(const std::string& name) const { return Folder.Path(name); }
    std::string Palette() const { return Path("grey.qmp"); }

    // A 3 x 2 byte raster.
    std::string WriteRaster(const std::string& name, const RasterSpec& spec)
    {
        TRdcText header;
        header.Title = "";
        header.Columns = 3;
        header.Rows = 2;
        header.RefSystem = spec.refSystem;
        header.RefUnits = spec.refUnits;
        header.UnitDist = spec.unitDist;
        header.MinX = FormatG(spec.minX);
        header.MaxX = FormatG(spec.maxX);
        header.MinY = FormatG(spec.minY);
        header.MaxY = FormatG(spec.maxY);
        header.MinValue = header.DisplayMin = "0";
        header.MaxValue = header.DisplayMax = "5";
        header.LegendCats = "0";
        return WriteIdrisiRaster(Folder, name, header.Text(), CellBytes<std::uint8_t>({0, 1, 2, 3, 4, 5}));
    }

    std::string WriteVector(const std::string& name, const VectorSpec& spec, const std::vector<Polygon>& polygons)
    {
        TIdrisiFields vdc{{"file format", "IDRISI Vector A.1"}, {"file title", "test"},
                          {"object type", spec.objectType},     {"id type", "integer"},
                          {"file type", "binary"},              {"ref. system", spec.refSystem},
                          {"ref. units", spec.refUnits}};
        if (!spec.unitDist.empty()) vdc.emplace_back("unit dist.", spec.unitDist);
        WriteText(Dir / (name + ".vdc"), IdrisiHeaderText(vdc));
        std::vector<std::uint8_t> vct(261, 0);
        std::int32_t count = static_cast<std::int32_t>(polygons.size());
        std::memcpy(&vct[1], &count, 4);
        for (const Polygon& polygon : polygons) {
            std::int32_t total = 0;
            for (const auto& part : polygon) total += static_cast<std::int32_t>(part.size());
            vct.insert(vct.end(), 40, 0);
            PutLE<std::int32_t>(vct, static_cast<std::int32_t>(polygon.size()));
            PutLE<std::int32_t>(vct, total);
            for (const auto& part : polygon) PutLE<std::int32_t>(vct, static_cast<std::int32_t>(part.size()));
            for (const auto& part : polygon)
                for (const TDoublePoint& p : part) {
                    PutLE<double>(vct, p.x);
                    PutLE<double>(vct, p.y);
                }
        }
        WriteBytes(Dir / (name + ".vct"), vct);
        return Path(name + ".vct");
    }

    std::string WriteMif(const std::string& name, const std::string& coordSys, const std::string& objects)
    {
        WriteText(Dir / (name + ".mif"), "Version 300\nCharset \"Neutral\"\nDelimiter \",\"\n" + coordSys +
                                             "\nColumns 1\n  name Char(20)\nData\n\n" + objects);
        return Path(name + ".mif");
    }

    // Adds an Albers raster in metres: the list now holds a raster layer.
    void AddAlbersRaster(TLayerList& list, const std::string& units = "m")
    {
        RasterSpec spec;
        spec.refUnits = units;
        list.AddRasterLayer(WriteRaster("albers_" + units, spec), Palette(), true, true, 1);
    }

    TTempFolder Folder;
    const fs::path Dir{Folder.Root()};
};

const Polygon kSquare = {{{30, 50}, {40, 50}, {40, 60}, {30, 60}, {30, 50}}};

// A hand-made vector layer, for list operations that need no file.
PLayer MakeVectorLayer(const std::string& fileName, std::uint8_t projection, TLayerUnits units,
                       std::vector<TDoublePoint> points = {})
{
    auto layer = std::make_shared<Layer>();
    InitLayer(*layer);
    layer->Kind = lkVector;
    layer->FileName = fileName;
    layer->Projection = projection;
    layer->Units = units;
    layer->Vector = std::make_unique<VectorLayer>();
    InitVectorLayer(*layer->Vector);
    if (!points.empty()) {
        MapObject object;
        object.ObjType = otLine;
        object.PartCounts = {static_cast<std::int32_t>(points.size())};
        object.Points = std::move(points);
        object.Bounds = PointsBounds(object.Points);
        CalcPartBounds(object);
        layer->Vector->Objects.push_back(std::move(object));
    }
    return layer;
}

PLayer MakeRasterLayer(const std::string& fileName)
{
    auto layer = std::make_shared<Layer>();
    InitLayer(*layer);
    layer->Kind = lkRaster;
    layer->FileName = fileName;
    return layer;
}

void ExpectComposition(const TLayerList& list, int count, std::uint8_t projection, const std::string& name,
                       std::uint8_t units)
{
    EXPECT_EQ(list.Count(), count);
    EXPECT_EQ(list.GetProjection(), projection);
    EXPECT_EQ(list.GetProjectionName(), name);
    EXPECT_EQ(list.GetUnits(), units);
}

} // namespace

// ---- unit factors and projection rules --------------------------------------

TEST(QMLayers, UnitFactorIsExactForEveryPair)
{
    struct Row {
        std::uint8_t from, to;
        double factor;
    };
    const Row rows[] = {
        {2, 1, 1000}, {3, 1, 0.3048}, {1, 2, 0.001}, {3, 2, 0.0003048}, {1, 3, 3.2808398950131235},
        {2, 3, 3280.839895013123}, {5, 4, 57.29577951308232}, {4, 5, 0.017453292519943295},
    };
    for (int from = 0; from <= 6; ++from) {
        for (int to = 0; to <= 6; ++to) {
            double expected = from == to ? 1.0 : 0.0;
            for (const Row& row : rows)
                if (row.from == from && row.to == to) expected = row.factor;
            SCOPED_TRACE(testing::Message() << from << " -> " << to);
            EXPECT_EQ(UnitFactor(std::uint8_t(from), std::uint8_t(to)), expected);
        }
    }
}

TEST(QMLayers, CheckProjectionRules)
{
    const std::string planeRefusal = "Invalid projection: 'latlong'.\r\nComposition already has 'plane' projection.";
    using Check = TProjectionCheck;
    struct Row {
        const char* name;
        std::uint8_t compositionProjection, compositionUnits;
        bool withRaster, isVector;
        std::uint8_t projection, unitsCode;
        std::optional<TProjectionCheck> result; // none: refused
        const char* message; // when refused
        double unitDist;     // after the check
    };
    const Row rows[] = {
        {"EmptyTakesAnything", 0, 0, false, false, 4, 9, Check::SetsProjection, "", 2.5},
        {"PlaneTakesNothing", 1, 1, false, true, 1, 1, std::nullopt, nullptr, 2.5},
        {"OtherTakesNothing", 4, 1, false, false, 4, 1, std::nullopt, nullptr, 2.5},
        {"SecondRasterOfOtherProjection", 3, 1, true, false, 2, 4, std::nullopt,
         "All rastr layers must have the same projection.", 2.5},
        {"VectorToRasterComposition", 3, 1, true, true, 2, 4, Check::ReprojectLayer, "", 2.5},
        {"VectorToVectorComposition", 3, 1, false, true, 2, 4, Check::ReprojectComposition, "", 2.5},
        {"RasterToVectorComposition", 3, 1, false, false, 2, 4, Check::ReprojectComposition, "", 2.5},
        {"DegreesIntoRadians", 2, 5, false, true, 2, 4, Check::SameProjection, "", 2.5 * 0.017453292519943295},
        {"MetresIntoLatLong", 2, 4, false, true, 2, 1, std::nullopt, "Invalid units.", 2.5},
        {"KilometresIntoMetres", 3, 1, true, false, 3, 2, Check::SameProjection, "", 2500},
        {"FeetIntoKilometres", 3, 2, false, true, 3, 3, Check::SameProjection, "", 2.5 * 0.0003048},
        {"DegreesIntoAlbers", 3, 1, false, true, 3, 4, std::nullopt, "Invalid units.", 2.5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TLayerList list;
        if (row.compositionProjection != 0)
            list.SetProjection(row.compositionProjection, row.compositionProjection == 1 ? "plane" : "first",
                               row.compositionUnits);
        if (row.withRaster) list.Add(MakeRasterLayer("r.rst"));
        TLayerUnits units{row.unitsCode, 2.5};
        if (row.result) {
            EXPECT_EQ(list.CheckProjection(row.isVector, row.projection, units, "latlong"), *row.result);
        } else {
            std::string expected = row.message ? row.message
                                   : row.compositionProjection == 1
                                       ? planeRefusal
                                       : "Invalid projection: 'latlong'.\r\nComposition already has 'first' projection.";
            EXPECT_EQ(QMErrorOf([&] { list.CheckProjection(row.isVector, row.projection, units, "latlong"); }),
                      expected);
        }
        EXPECT_DOUBLE_EQ(units.UnitDist, row.unitDist);
    }
}

TEST(QMLayers, SetProjectionChecksBothCodesBeforeStoring)
{
    TLayerList list;
    EXPECT_EQ(QMErrorOf([&] { list.SetProjection(0, "none", 1); }), "Invalid projection");
    EXPECT_EQ(QMErrorOf([&] { list.SetProjection(5, "five", 1); }), "Invalid projection");
    EXPECT_EQ(QMErrorOf([&] { list.SetProjection(2, "latlong", 1); }), "Invalid ref units");
    EXPECT_EQ(QMErrorOf([&] { list.SetProjection(3, "alber-rus", 4); }), "Invalid ref units");
    ExpectComposition(list, 0, 0, "", 0);
    list.SetProjection(2, "latlong", 5);
    ExpectComposition(list, 0, 2, "latlong", 5);
    list.SetProjection(4, "other", 3);
    ExpectComposition(list, 0, 4, "other", 3);
}

// ---- list operations ----------------------------------------------------------

TEST(QMLayers, IndexOfLayerUsesTheLayerName)
{
    TLayerList list;
    list.Add(MakeVectorLayer("C:\\maps\\roads_RU.vct", 2, {4, 1}));
    list.Add(MakeVectorLayer("/data/rivers.mif", 2, {4, 1}));
    list.Add(MakeVectorLayer("_en.vct", 2, {4, 1}));
    list.Add(MakeVectorLayer("d:lakes_En", 2, {4, 1}));
    list.Add(MakeVectorLayer("/data/v1.2/towns", 2, {4, 1}));
    EXPECT_EQ(list.IndexOfLayer("roads"), 0);
    EXPECT_EQ(list.IndexOfLayer("rivers"), 1);
    EXPECT_EQ(list.IndexOfLayer("Rivers"), -1);
    EXPECT_EQ(list.IndexOfLayer("_en"), 2);
    EXPECT_EQ(list.IndexOfLayer("lakes"), 3);
    EXPECT_EQ(list.IndexOfLayer("towns"), 4);
    EXPECT_EQ(list.IndexOfLayer(""), -1);

    list.SetVisible("rivers", 7);
    list.SetVisible("nothing", 9);
    EXPECT_EQ(list.Items(1)->Visible, 7);
    EXPECT_EQ(list.Items(0)->Visible, 0);
    list.ShowAll();
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Items(i)->Visible, 1);
}

TEST(QMLayers, OrderOperationsAndTheirBounds)
{
    TLayerList list;
    PLayer a = MakeVectorLayer("a.vct", 2, {4, 1});
    PLayer b = MakeVectorLayer("b.vct", 2, {4, 1});
    PLayer c = MakeRasterLayer("c.rst");
    list.Add(a);
    list.InsertFirst(b);
    list.Add(c);
    EXPECT_EQ(list.Items(0), b);
    EXPECT_EQ(list.Items(2), c);
    EXPECT_TRUE(list.HasRasterLayer());
    list.Exchange(0, 2);
    EXPECT_EQ(list.Items(0), c);
    EXPECT_EQ(list.Items(2), b);
    EXPECT_THROW(list.Exchange(0, 3), ERangeError);
    EXPECT_THROW(list.Delete(-1), ERangeError);
    EXPECT_EQ(list.Items(0), c);
    list.Delete(0);
    EXPECT_FALSE(list.HasRasterLayer());
    EXPECT_EQ(list.Count(), 2);

    try {
        list.Items(2);
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_NE(std::string(e.what()).find("QMLayers"), std::string::npos);
    }
    EXPECT_EQ(list.GetFlag(), 1);
    list.SetFlag(0);
    EXPECT_EQ(list.GetFlag(), 0);
}

TEST(QMLayers, SerialsAreStampedInOrder)
{
    Layer first, second;
    InitLayer(first);
    InitLayer(second);
    EXPECT_GT(first.Serial, 0);
    EXPECT_EQ(second.Serial, first.Serial + 1);
    EXPECT_EQ(second.Serial2, second.Serial);
    EXPECT_EQ(second.Serial3, second.Serial);
    EXPECT_EQ(second.Serial4, second.Serial);
}

TEST(QMLayers, DestroyRefusesASecondRelease)
{
    PLayer shared = MakeVectorLayer("a.vct", 2, {4, 1});
    TLayerList keeper, document;
    keeper.Add(shared);
    document.Add(shared);
    document.Add(MakeVectorLayer("b.vct", 2, {4, 1}));
    keeper.Destroy();
    EXPECT_EQ(shared->Freed, 1);
    EXPECT_EQ(keeper.Count(), 0);
    try {
        document.Destroy();
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_NE(std::string(e.what()).find("QMLayers"), std::string::npos);
    }
    // Nothing of the refused release happened.
    EXPECT_EQ(document.Count(), 2);
    EXPECT_EQ(document.Items(1)->Freed, 0);
}

TEST(QMLayers, LayerValidReportsTheFirstBrokenField)
{
    std::vector<std::string> reports;
    TTestEnvironment environment;
    environment.Change([&](TEnvironment& e) {
        e.LayerDiagnostic = [&](const std::string&, std::string_view test) { reports.emplace_back(test); };
    });
    Layer layer;
    InitLayer(layer);
    EXPECT_TRUE(LayerValid(layer));
    EXPECT_TRUE(reports.empty());
    layer.Serial3 = layer.Serial + 1;
    layer.Kind = 7;
    EXPECT_TRUE(LayerValid(layer));
    layer.Serial3 = layer.Serial;
    EXPECT_TRUE(LayerValid(layer));
    layer.Kind = 1;
    layer.Units.Code = 7;
    EXPECT_TRUE(LayerValid(layer));
    EXPECT_EQ(reports, (std::vector<std::string>{"Serial", "Kind", "Units"}));

    layer.FileName = "/no/such/file.vct";
    EXPECT_FALSE(LayerFileExists(layer));
    layer.FileName.clear();
    EXPECT_TRUE(LayerFileExists(layer));
}

// ---- styles and legends -----------------------------------------------------------

TEST(QMLayers, StyleSettersKeepTheCustomKind)
{
    VectorLayer v;
    InitVectorLayer(v);
    SetPointStyle(v, TPointStyle{65, 12, 0xFF, 0}, true);
    EXPECT_EQ(v.CustomPoint.SymbolChar, 65);
    EXPECT_EQ(v.UseCustom, 1);
    TLineStyle pen{};
    pen.lopnColor = 0x00FF00;
    SetLineStyle(v, pen, false);
    EXPECT_EQ(v.CustomLine.lopnColor, 0x00FF00u);
    EXPECT_EQ(v.UseCustom, 0);
    TAreaStyle area{};
    area.BackColor = 5;
    SetAreaStyle(v, area, 128, true);
    EXPECT_EQ(v.CustomOpacity, 128);
    EXPECT_EQ(v.CustomArea.BackColor, 5u);
    EXPECT_THROW(SetAreaStyle(v, area, 40000, false), ERangeError);
    EXPECT_EQ(v.CustomOpacity, 128);
    EXPECT_EQ(v.CustomKind, 0);
}

TEST(QMLayers, LegendStyleOfAVectorLayer)
{
    LegendObject legend;
    PLayer raster = MakeRasterLayer("r.rst");
    EXPECT_FALSE(GetLegendObject(*raster, legend));

    PLayer layer = MakeVectorLayer("v.vct", 2, {4, 1}, {{0, 0}, {1, 1}});
    layer->LegendEn = "Roads";
    TLineStyle pen{};
    pen.lopnColor = 0x123456;
    for (int i = 0; i < 2; ++i) {
        layer->Vector->Objects.push_back(layer->Vector->Objects.front());
        layer->Vector->Objects.back().Style.Set(pen);
    }
    // The first object has another pen.
    EXPECT_FALSE(GetLegendObject(*layer, legend));
    layer->Vector->Objects.front().Style.Set(pen);
    ASSERT_TRUE(GetLegendObject(*layer, legend));
    EXPECT_EQ(legend.StyleKind, 2);
    EXPECT_EQ(legend.Title, "Roads");
    EXPECT_EQ(legend.Style.As<TLineStyle>().lopnColor, 0x123456u);

    // A text object stands for no style; a default set overrides the objects.
    layer->Vector->Objects.front().ObjType = otText;
    EXPECT_FALSE(VectorLegendStyle(*layer->Vector, legend));
    layer->Vector->DefaultKind = 1;
    layer->Vector->DefaultPoint.SymbolChar = 42;
    layer->Vector->DefaultOpacity = 77;
    ASSERT_TRUE(VectorLegendStyle(*layer->Vector, legend));
    EXPECT_EQ(legend.StyleKind, 1);
    EXPECT_EQ(legend.Opacity, 77);
    EXPECT_EQ(legend.Style.As<TPointStyle>().SymbolChar, 42);

    layer->Vector->Objects.clear();
    EXPECT_FALSE(VectorLegendStyle(*layer->Vector, legend));
}

TEST_F(LayerFiles, InterchangeLayerAdoptsItsUniformStyle)
{
    TLayerList list;
    PLayer points = list.AddMifLayer(
        WriteMif("towns", "CoordSys Earth Projection 1, 0",
                 "Point 37 55\n    Symbol (35,16711680,12)\nPoint 38 56\n    Symbol (35,16711680,12)\n"),
        1, true);
    ASSERT_EQ(points->HasLegendStyle, 1);
    EXPECT_EQ(points->Vector->DefaultKind, 1);
    EXPECT_EQ(points->Vector->CustomKind, 1);
    EXPECT_EQ(points->Vector->CustomPoint.SymbolChar, 35);
    EXPECT_EQ(points->Vector->CustomPoint.SymbolColor, 0x0000FFu);
    EXPECT_EQ(points->Vector->DefaultPoint.SymbolChar, 35);

    // A custom set given later by a composition survives a second adoption.
    points->Vector->CustomPoint.SymbolChar = 99;
    AdoptUniformStyle(*points);
    EXPECT_EQ(points->Vector->CustomPoint.SymbolChar, 99);

    PLayer mixed = list.AddMifLayer(
        WriteMif("mixed", "CoordSys Earth Projection 1, 0",
                 "Point 37 55\n    Symbol (35,255,12)\nLine 30 50 31 51\n    Pen (1,2,0)\n"),
        1, true);
    EXPECT_EQ(mixed->HasLegendStyle, 0);
    EXPECT_EQ(mixed->Vector->DefaultKind, 0);
    EXPECT_EQ(mixed->Vector->CustomKind, 0);
    EXPECT_EQ(list.Count(), 2);
}

// ---- adding layers --------------------------------------------------------------

TEST_F(LayerFiles, FirstRasterSetsTheComposition)
{
    TLayerList list;
    RasterSpec spec;
    spec.refUnits = "km";
    spec.unitDist = "2";
    PLayer layer = list.AddRasterLayer(WriteRaster("first", spec), Palette() + ",0,5", true, true, 1);
    ExpectComposition(list, 1, 3, "alber-rus", 2);
    EXPECT_EQ(list.Items(0), layer);
    EXPECT_EQ(layer->Kind, lkRaster);
    EXPECT_EQ(layer->Owned, 1);
    EXPECT_DOUBLE_EQ(layer->Units.UnitDist, 2); // not converted
    EXPECT_DOUBLE_EQ(layer->LayerToMap.a, 2);
    EXPECT_DOUBLE_EQ(layer->MapToLayer.a, 0.5);
    EXPECT_EQ(layer->Raster->PaletteFile, Palette());
    ASSERT_TRUE(layer->Raster->Image);
    EXPECT_TRUE(layer->Raster->Image->IsLoaded());
}

TEST_F(LayerFiles, SecondRasterInKilometresIsScaledToMetres)
{
    TLayerList list;
    AddAlbersRaster(list, "m");
    PLayer second = list.AddRasterLayer(WriteRaster("km", RasterSpec{"alber-rus", "km", "1.5"}), Palette(), false,
                                        false, 0);
    ExpectComposition(list, 2, 3, "alber-rus", 1);
    EXPECT_EQ(list.Items(0), second);
    EXPECT_EQ(second->Owned, 0);
    EXPECT_DOUBLE_EQ(second->Units.UnitDist, 1500);
    EXPECT_DOUBLE_EQ(second->LayerToMap.a, 1500);
    EXPECT_DOUBLE_EQ(second->LayerToMap.d, 1500);
}

TEST_F(LayerFiles, RefusedAddsLeaveTheCompositionAlone)
{
    TLayerList list;
    AddAlbersRaster(list, "m");
    struct Row {
        const char* name;
        RasterSpec spec;
        std::string message;
    };
    const Row rows[] = {
        {"OtherProjection", {"latlong", "deg", "1"}, "All rastr layers must have the same projection."},
        {"UnitsThatDoNotConvert", {"alber-rus", "deg", "1"}, "Invalid units."},
        {"ZeroUnitDistance", {"alber-rus", "m", "0"}, "Invalid units."},
        {"NegativeUnitDistance", {"alber-rus", "m", "-1"}, "Invalid units."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(QMErrorOf([&] { list.AddRasterLayer(WriteRaster(row.name, row.spec), Palette(), true, true, 1); }),
                  row.message);
        ExpectComposition(list, 1, 3, "alber-rus", 1);
    }
    EXPECT_EQ(QMErrorOf([&] { list.AddVectorLayer(WriteVector("plane", {"plane", "m", "1"}, {kSquare}), 1, true); }),
              "Program bug in CheckProjection. Sorry.");
    EXPECT_EQ(QMErrorOf([&] { list.AddVectorLayer(WriteVector("nodist", {"alber-rus", "m", ""}, {kSquare}), 1, true); }),
              "Invalid units.");
    ExpectComposition(list, 1, 3, "alber-rus", 1);
}

TEST_F(LayerFiles, RefusedFirstLayerLeavesAnEmptyComposition)
{
    TLayerList list;
    // A lat/long raster in metres: the projection is valid, its units are not.
    EXPECT_EQ(QMErrorOf([&] {
                  list.AddRasterLayer(WriteRaster("bad", RasterSpec{"latlong", "m", "1"}), Palette(), true, true, 1);
              }),
              "Invalid ref units");
    ExpectComposition(list, 0, 0, "", 0);
    // A vector file whose system is not known has projection 0.
    EXPECT_EQ(QMErrorOf([&] { list.AddVectorLayer(WriteVector("plane", {"plane", "m", "1"}, {kSquare}), 1, true); }),
              "Invalid projection");
    ExpectComposition(list, 0, 0, "", 0);
    list.AddVectorLayer(WriteVector("good", VectorSpec{}, {kSquare}), 1, true);
    ExpectComposition(list, 1, 2, "latlong", 4);
}

TEST_F(LayerFiles, PlaneCompositionTakesNoSecondLayer)
{
    TLayerList list;
    list.AddRasterLayer(WriteRaster("plane1", RasterSpec{"plane", "m", "1"}), Palette(), true, true, 1);
    ExpectComposition(list, 1, 1, "plane", 1);
    EXPECT_EQ(QMErrorOf([&] {
                  list.AddRasterLayer(WriteRaster("plane2", RasterSpec{"plane", "m", "1"}), Palette(), true, true, 1);
              }),
              "Invalid projection: 'plane'.\r\nComposition already has 'plane' projection.");
    ExpectComposition(list, 1, 1, "plane", 1);
}

TEST_F(LayerFiles, LatLongVectorIsReprojectedIntoAnAlbersComposition)
{
    TLayerList list;
    AddAlbersRaster(list, "km");
    PLayer layer = list.AddVectorLayer(WriteVector("square", VectorSpec{}, {kSquare}), 1, true);
    ExpectComposition(list, 2, 3, "alber-rus", 2);
    EXPECT_EQ(layer->Projection, 3);
    EXPECT_EQ(layer->Units.Code, 2);
    EXPECT_EQ(layer->Units.UnitDist, 1.0);
    EXPECT_EQ(layer->LayerToMap.a, 1.0);
    ASSERT_EQ(layer->Vector->Objects.size(), 1u);
    const MapObject& object = layer->Vector->Objects[0];
    ASSERT_EQ(object.Points.size(), 5u);
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    for (std::size_t i = 0; i < object.Points.size(); ++i) {
        double x = 0, y = 0;
        GeoToAlbers(kSquare[0][i].x * kDeg, kSquare[0][i].y * kDeg, x, y);
        EXPECT_NEAR(object.Points[i].x, x / 1000, 1e-9);
        EXPECT_NEAR(object.Points[i].y, y / 1000, 1e-9);
        minX = std::min(minX, x / 1000), maxX = std::max(maxX, x / 1000);
        minY = std::min(minY, y / 1000), maxY = std::max(maxY, y / 1000);
    }
    EXPECT_NEAR(object.Bounds.X1, minX, 1e-9);
    EXPECT_NEAR(object.Bounds.X2, maxX, 1e-9);
    EXPECT_NEAR(object.Bounds.Y1, maxY, 1e-9);
    EXPECT_NEAR(object.Bounds.Y2, minY, 1e-9);
    ASSERT_EQ(object.PartBounds.size(), 1u);
    EXPECT_NEAR(object.PartBounds[0].X1, minX, 1e-9);
}

TEST_F(LayerFiles, LatLongRasterReprojectsTheVectorLayersBeforeIt)
{
    TLayerList list;
    PLayer first = list.AddVectorLayer(
        WriteVector("albers", {"alber-rus", "m", "1"}, {{{{-3359932.319841, 7322615.880942}, {0, 4407403.045789}}}}),
        1, true);
    PLayer second = list.AddVectorLayer(WriteVector("albers2", {"alber-rus", "m", "1"}, {kSquare}), 1, true);
    ExpectComposition(list, 2, 3, "alber-rus", 1);
    list.AddRasterLayer(WriteRaster("latlong", RasterSpec{"latlong", "deg", "1", 30, 40, 50, 60}), Palette(), true,
                        true, 1);
    // The text stays that of the first layer.
    ExpectComposition(list, 3, 2, "alber-rus", 4);
    EXPECT_EQ(first->Projection, 2);
    EXPECT_EQ(first->Units.Code, 4);
    EXPECT_EQ(second->Projection, 2);
    const MapObject& object = first->Vector->Objects[0];
    EXPECT_NEAR(object.Points[0].x, 37.5, 1e-9);
    EXPECT_NEAR(object.Points[0].y, 55.75, 1e-9);
    EXPECT_NEAR(object.Points[1].x, 100, 1e-9);
    EXPECT_NEAR(object.Points[1].y, 44, 1e-9);
    EXPECT_NEAR(object.Bounds.X1, 37.5, 1e-9);
    EXPECT_NEAR(object.Bounds.Y2, 44, 1e-9);
}

TEST_F(LayerFiles, VectorOfAnotherProjectionNeedsARaster)
{
    TLayerList list;
    list.AddVectorLayer(WriteVector("latlong", VectorSpec{}, {kSquare}), 1, true);
    EXPECT_EQ(QMErrorOf([&] {
                  list.AddVectorLayer(WriteVector("albers", {"alber-rus", "m", "1"}, {kSquare}), 1, true);
              }),
              "Program bug in CheckProjection. Sorry.");
    ExpectComposition(list, 1, 2, "latlong", 4);
}

TEST_F(LayerFiles, ProjectAllToMovesNothingUnlessEveryLayerCanMove)
{
    TLayerList list;
    PLayer a = MakeVectorLayer("a.vct", 2, {4, 1}, {{37.5, 55.75}});
    PLayer b = MakeVectorLayer("b.vct", 4, {1, 1}, {{1, 2}});
    list.Add(a);
    list.Add(b);
    EXPECT_EQ(QMErrorOf([&] { list.ProjectAllTo(3, {1, 1}); }), "Program bug in CheckProjection. Sorry.");
    EXPECT_EQ(a->Vector->Objects[0].Points[0].x, 37.5);
    EXPECT_EQ(a->Projection, 2);

    list.Delete(1);
    list.Add(MakeRasterLayer("r.rst"));
    EXPECT_EQ(QMErrorOf([&] { list.ProjectAllTo(3, {1, 1}); }), "Program bug in ProjectAllTo. Sorry.");
    EXPECT_EQ(a->Vector->Objects[0].Points[0].x, 37.5);
}

TEST_F(LayerFiles, ProjectLayerDividesByTheTargetUnitDistance)
{
    TLayerList list;
    PLayer layer = MakeVectorLayer("a.vct", 2, {4, 1}, {{37.5, 55.75}});
    ObjectIndexOf(*layer->Vector);
    list.ProjectLayer(*layer, 3, {1, 1000});
    EXPECT_NEAR(layer->Vector->Objects[0].Points[0].x, -3359.932319841, 1e-9);
    // The drawing's index of the objects follows them.
    EXPECT_NEAR(ObjectIndexOf(*layer->Vector).Extent().X1, -3359.932319841, 1e-9);
    EXPECT_NEAR(layer->Vector->Objects[0].Points[0].y, 7322.615880942, 1e-9);
    EXPECT_DOUBLE_EQ(layer->LayerToMap.a, 1000);
    EXPECT_DOUBLE_EQ(layer->MapToLayer.a, 0.001);
    EXPECT_EQ(layer->Units.Code, 1);
    // In map units the point lands where it belongs.
    TDoublePoint mapPoint = TransformPoint(layer->LayerToMap, layer->Vector->Objects[0].Points[0]);
    EXPECT_NEAR(mapPoint.x, -3359932.319841, 1e-4);
}

TEST_F(LayerFiles, BrokenVectorFilesGiveNoLayer)
{
    TLayerList list;
    list.AddVectorLayer(WriteVector("good", VectorSpec{}, {kSquare}), 1, true);

    std::string missingVct = WriteVector("novct", VectorSpec{}, {kSquare});
    fs::remove(missingVct);
    EXPECT_EQ(QMErrorOf([&] { list.AddVectorLayer(missingVct, 1, true); }), "File not opened");

    std::string shortVct = WriteVector("short", VectorSpec{}, {kSquare, kSquare});
    fs::resize_file(shortVct, fs::file_size(shortVct) - 20);
    EXPECT_EQ(QMErrorOf([&] { list.AddVectorLayer(shortVct, 1, true); }), "Error on ReadFile");

    // The "CoordSys" clause stands on the fourth line of the file.
    EXPECT_EQ(QMErrorOf([&] { list.AddMifLayer(WriteMif("bad", "CoordSys Earth Projection 10, 0", ""), 1, true); }),
              "Invalid projection type. File " + Path("bad.mif") + ", line 4");
    EXPECT_EQ(QMErrorOf([&] { list.AddMifLayer(Path("missing.mif"), 1, true); }),
              "File " + Path("missing.mif") + " not opened.");
    EXPECT_EQ(QMErrorOf([&] { list.AddRasterLayer(Path("missing.rst"), Palette(), true, true, 1); }),
              "There is only .rst file, no .rdc.");
    ExpectComposition(list, 1, 2, "latlong", 4);
}

// ---- files written by other GIS software ---------------------------------------

TEST_F(LayerFiles, ForeignRastersLoadOrRefuse)
{
    TLayerList latLong;
    PLayer layer = latLong.AddRasterLayer(kOtherSoftware + "/real_23x19_latlong.rst", Palette(), true, true, 1);
    ExpectComposition(latLong, 1, 2, "latlong", 4);
    EXPECT_EQ(layer->Raster->Image->GetColumns(), 23);

    TLayerList plane;
    plane.AddRasterLayer(kOtherSoftware + "/int16_17x13_plane.rst", Palette(), true, true, 1);
    ExpectComposition(plane, 1, 1, "plane", 1);
    EXPECT_EQ(QMErrorOf([&] { plane.AddRasterLayer(kOtherSoftware + "/byte_9x6_categories.rst", Palette(), false, true, 1); }),
              "Invalid projection: 'plane'.\r\nComposition already has 'plane' projection.");
    ExpectComposition(plane, 1, 1, "plane", 1);
}

TEST_F(LayerFiles, ForeignInterchangeFilesLoadReprojectOrRefuse)
{
    const std::string pulkovo = kOtherSoftware + "/mixed_latlong_pulkovo.mif";
    const std::string albers = kOtherSoftware + "/areas_albers.mif";

    // Pulkovo lat/long joins a lat/long raster composition as it is.
    TLayerList latLong;
    latLong.AddRasterLayer(kOtherSoftware + "/real_23x19_latlong.rst", Palette(), true, true, 1);
    PLayer same = latLong.AddMifLayer(pulkovo, 1, true);
    ASSERT_EQ(same->Vector->Objects.size(), 5u);
    EXPECT_EQ(same->Vector->Objects[0].Points[0].x, 37.6);
    EXPECT_EQ(same->Units.UnitDist, 1.0);
    // The Albers file on datum WGS 84 is not the system's Albers: refused.
    EXPECT_EQ(QMErrorOf([&] { latLong.AddMifLayer(albers, 1, true); }), "Program bug in CheckProjection. Sorry.");
    ExpectComposition(latLong, 2, 2, "latlong", 4);

    // Into an Albers raster composition the lat/long objects are reprojected.
    TLayerList albersList;
    AddAlbersRaster(albersList, "m");
    PLayer moved = albersList.AddMifLayer(pulkovo, 1, true);
    double x = 0, y = 0;
    GeoToAlbers(37.6 * kDeg, 55.7 * kDeg, x, y);
    EXPECT_NEAR(moved->Vector->Objects[0].Points[0].x, x, 1e-6);
    EXPECT_NEAR(moved->Vector->Objects[0].Points[0].y, y, 1e-6);
    EXPECT_EQ(moved->Projection, 3);

    // Alone, the WGS 84 Albers file makes an "other" composition.
    TLayerList other;
    other.AddMifLayer(albers, 1, true);
    ExpectComposition(other, 1, 4, "Unknown", 1);
    EXPECT_EQ(QMErrorOf([&] { other.AddMifLayer(pulkovo, 1, true); }),
              "Invalid projection: 'Lat-long'.\r\nComposition already has 'Unknown' projection.");

    // Lat/long on WGS 84 is "Unknown" in degrees, which no composition takes.
    TLayerList wgs;
    std::string wgsFile = WriteMif("wgs84", "CoordSys Earth Projection 1, 104", "Point 37.6 55.7\n");
    EXPECT_EQ(QMErrorOf([&] { wgs.AddMifLayer(wgsFile, 1, true); }), "Invalid ref units");
    ExpectComposition(wgs, 0, 0, "", 0);
    EXPECT_EQ(QMErrorOf([&] { albersList.AddMifLayer(wgsFile, 1, true); }), "Program bug in CheckProjection. Sorry.");
    ExpectComposition(albersList, 2, 3, "alber-rus", 1);
}
