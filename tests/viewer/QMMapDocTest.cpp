#include "viewer/QMMapDoc.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <optional>
#include <cstdlib>

#include "geodata/Alberts.h"
#include "geodata/AngleConvert.h"
#include "platform/RuntimeErrors.h"
#include "tests/viewer/MapFiles.h"

namespace {

// A vector layer record made by hand: no file behind it, one square object
// per rect given.
PLayer MakeLayer(const std::string& path, std::uint8_t common, std::vector<TDoubleRect> rects = {},
                 double unitDist = 1)
{
    auto layer = std::make_shared<Layer>();
    InitLayer(*layer);
    layer->Kind = lkVector;
    layer->Common = common;
    layer->FileName = path;
    layer->Visible = 1;
    layer->LayerToMap = ScaleTransform(unitDist);
    layer->MapToLayer = ScaleTransform(1 / unitDist);
    layer->Vector = std::make_unique<VectorLayer>();
    InitVectorLayer(*layer->Vector);
    for (const TDoubleRect& r : rects) {
        MapObject object;
        object.ObjType = otPolygon;
        object.Bounds = r;
        object.PartCounts = {2};
        object.Points = {{r.X1, r.Y1}, {r.X2, r.Y2}};
        CalcPartBounds(object);
        layer->Vector->Objects.push_back(object);
    }
    return layer;
}

std::vector<std::string> Names(TQMMapDoc& doc)
{
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < doc.LayerCount(); ++i) names.push_back(doc.Layers().Items(i)->FileName);
    return names;
}

using Strings = std::vector<std::string>;

// A document with own layers A, B, C (A on top).
struct TDocWithLayers {
    TDocWithLayers()
    {
        for (const char* name : {"C", "B", "A"}) {
            PLayer layer = MakeLayer(name, 0, {{0, 10, 10, 0}});
            layer->Owned = 1;
            Doc.Layers().InsertFirst(layer);
        }
    }
    TQMMapDoc Doc;
};

} // namespace

TEST(MapDoc, ReverseWalkGoesFromTheBottomUp)
{
    TDocWithLayers d;
    Strings walked;
    d.Doc.BeginReverseWalk();
    while (Layer* layer = d.Doc.NextReverseWalk()) walked.push_back(layer->FileName);
    EXPECT_EQ(walked, (Strings{"C", "B", "A"}));
    EXPECT_EQ(d.Doc.NextReverseWalk(), nullptr);

    TQMMapDoc empty;
    empty.BeginReverseWalk();
    EXPECT_EQ(empty.NextReverseWalk(), nullptr);
}

TEST(MapDoc, LayersAreFoundByPathWithoutCase)
{
    TDocWithLayers d;
    EXPECT_EQ(d.Doc.LayerIndexByName("b"), 1);
    EXPECT_TRUE(d.Doc.HasLayer("a"));
    EXPECT_EQ(d.Doc.LayerByName("c"), d.Doc.Layers().Items(2).get());
    EXPECT_EQ(d.Doc.LayerByName("D"), nullptr);
    EXPECT_EQ(d.Doc.LayerIndexByName(""), -1);
}

TEST(MapDoc, MergingAddsInFrontOrBehindAndOnlyOnce)
{
    TLayerList list;
    list.Add(MakeLayer("A", 0));
    list.Add(MakeLayer("B", 1));
    list.SetFlag(7);

    TQMMapDoc front;
    front.Layers().Add(MakeLayer("C", 0));
    front.MergeLayers(list, true);
    EXPECT_EQ(Names(front), (Strings{"A", "B", "C"}));
    EXPECT_EQ(front.Layers().GetFlag(), 7);
    EXPECT_EQ(front.LayerByName("A")->Owned, 1);
    EXPECT_EQ(front.LayerByName("B")->Owned, 0); // common layers belong to their keeper
    front.MergeLayers(list, true);
    EXPECT_EQ(Names(front), (Strings{"A", "B", "C"}));

    TQMMapDoc behind;
    behind.Layers().Add(MakeLayer("C", 0));
    behind.MergeLayers(list, false);
    behind.MergeLayers(list, false);
    EXPECT_EQ(Names(behind), (Strings{"C", "A", "B"}));
    EXPECT_EQ(list.Count(), 2); // the layers stay in the merged list too

    // A released record is not taken in again.
    TLayerList stale;
    PLayer freed = MakeLayer("F", 0);
    freed->Freed = 1;
    stale.Add(freed);
    behind.MergeLayers(stale, true);
    EXPECT_FALSE(behind.HasLayer("F"));
}

TEST(MapDoc, RemovingRefusesCommonAndUnownedLayers)
{
    TDocWithLayers d;
    PLayer common = MakeLayer("Common", 1);
    PLayer foreign = MakeLayer("Foreign", 0);
    d.Doc.Layers().Add(common);
    d.Doc.Layers().Add(foreign);

    EXPECT_EQ(d.Doc.RemoveLayer("common"), 1);
    EXPECT_EQ(d.Doc.RemoveLayer("foreign"), 1);
    EXPECT_EQ(d.Doc.LayerCount(), 5);
    EXPECT_EQ(common->Freed, 0);

    PLayer b = d.Doc.Layers().Items(1);
    EXPECT_EQ(d.Doc.RemoveLayer("b"), 0);
    EXPECT_EQ(Names(d.Doc), (Strings{"A", "C", "Common", "Foreign"}));
    EXPECT_EQ(b->Freed, 1);
    EXPECT_EQ(b->Vector, nullptr);

    TDoubleRect before = d.Doc.GetExtent();
    EXPECT_EQ(d.Doc.RemoveLayer("nothing"), 0);
    EXPECT_EQ(d.Doc.LayerCount(), 4);
    EXPECT_EQ(d.Doc.GetExtent().X2, before.X2);
}

TEST(MapDoc, RemovingTheLastLayerResetsTheProjection)
{
    TMapFolder dir;
    dir.WritePalette("grey.qmp");
    std::string plane = dir.WriteRaster("plane", "plane", "m", 0, 30, 0, 20);
    std::string albers = dir.WriteMif("areas", TMapFolder::Region(-3400000, 7300000, 100000));

    TQMMapDoc doc;
    doc.SetPaletteDefaults(dir.Folder(), "grey.qmp");
    doc.Layers().AddRasterLayer(plane, dir.Path("grey.qmp"), true, true, 1);
    // A plane composition takes no second layer.
    EXPECT_THROW(doc.Layers().AddMifLayer(albers, 1, true), QMError);
    EXPECT_EQ(doc.RemoveLayer(plane), 0);
    EXPECT_EQ(doc.LayerCount(), 0);
    EXPECT_EQ(doc.Layers().GetProjection(), 0);
    ASSERT_NE(doc.Layers().AddMifLayer(albers, 1, true), nullptr);
    EXPECT_EQ(doc.Layers().GetProjection(), prAlberRus);
}

TEST(MapDoc, MovingOutOfRangeLeavesTheListAlone)
{
    TDocWithLayers d;
    d.Doc.MoveLayer("b", -1);
    EXPECT_EQ(Names(d.Doc), (Strings{"B", "A", "C"}));
    d.Doc.MoveLayer("b", +1);
    EXPECT_EQ(Names(d.Doc), (Strings{"A", "B", "C"}));
    try {
        d.Doc.MoveLayer("A", -1);
        ADD_FAILURE() << "no error";
    } catch (const ERangeError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (-1)");
    }
    EXPECT_THROW(d.Doc.MoveLayer("C", +1), ERangeError);
    EXPECT_EQ(Names(d.Doc), (Strings{"A", "B", "C"}));
    d.Doc.MoveLayer("none", 5); // no such layer: nothing
}

TEST(MapDoc, HandedOverLayersSurviveTheResetAndComeBackOwned)
{
    auto doc = std::make_unique<TDocWithLayers>();
    PLayer common = MakeLayer("Common", 1);
    doc->Doc.Layers().Add(common);
    TLayerList keeper;
    doc->Doc.HandOverOwnLayers(keeper);
    ASSERT_EQ(keeper.Count(), 3);
    EXPECT_EQ(keeper.Items(0)->FileName, "A");
    EXPECT_EQ(keeper.Items(0)->Frozen, 1);
    EXPECT_EQ(keeper.Items(0)->Owned, 0);
    doc->Doc.ResetDocument();
    EXPECT_EQ(doc->Doc.LayerCount(), 0);
    EXPECT_EQ(keeper.Items(0)->Freed, 0);
    EXPECT_NE(keeper.Items(0)->Vector, nullptr);

    doc->Doc.MergeLayers(keeper, true);
    EXPECT_EQ(Names(doc->Doc), (Strings{"A", "B", "C"}));
    EXPECT_EQ(doc->Doc.LayerByName("a")->Owned, 1);
    doc->Doc.ClearFrozenFlags();
    EXPECT_EQ(doc->Doc.LayerByName("a")->Frozen, 0);
    PLayer a = keeper.Items(0);
    doc.reset();
    EXPECT_EQ(a->Freed, 1); // the owner released it
    EXPECT_EQ(common->Freed, 0);
}

TEST(MapDoc, DestroyingNeverThrowsOnFrozenOwnedLayers)
{
    TLayerList frozen;
    PLayer f = MakeLayer("F", 0);
    f->Frozen = 1;
    frozen.Add(f);
    {
        TQMMapDoc doc;
        doc.MergeLayers(frozen, true); // owned and still frozen
        EXPECT_THROW(doc.FreeLayers(), EAssertionFailed);
    }
    EXPECT_EQ(f->Freed, 1);
}

TEST(MapDoc, ToggleSwitchesVisibility)
{
    TDocWithLayers d;
    d.Doc.ToggleLayerVisible("a");
    EXPECT_EQ(d.Doc.LayerByName("A")->Visible, 0);
    d.Doc.ToggleLayerVisible("A");
    EXPECT_EQ(d.Doc.LayerByName("A")->Visible, 1);
    d.Doc.ToggleLayerVisible("none");
}

TEST(MapDoc, ExtentUnitesTheLayersInMapUnits)
{
    TQMMapDoc empty;
    TDoubleRect zero = empty.GetExtent();
    EXPECT_EQ(zero.X1, 0);
    EXPECT_EQ(zero.Y1, 0);
    EXPECT_EQ(zero.X2, 0);
    EXPECT_EQ(zero.Y2, 0);

    // A kilometre layer of 1..2 km beside a metre layer of 100..200 m.
    TQMMapDoc doc;
    doc.Layers().Add(MakeLayer("m", 0, {{100, 200, 200, 100}}));
    doc.Layers().Add(MakeLayer("km", 0, {{1, 2, 2, 1}}, 1000));
    TDoubleRect e = doc.GetExtent();
    EXPECT_EQ(e.X1, 100);
    EXPECT_EQ(e.Y1, 2000);
    EXPECT_EQ(e.X2, 2000);
    EXPECT_EQ(e.Y2, 100);

    // A later empty layer adds nothing, whatever its scale; the cache holds
    // until it is invalidated.
    doc.Layers().Add(MakeLayer("empty km", 0, {}, 1000));
    EXPECT_EQ(doc.GetExtent().X2, 2000);
    doc.InvalidateExtent();
    EXPECT_EQ(doc.GetExtent().X2, 2000);
    EXPECT_EQ(doc.GetExtent().Y1, 2000);

    // An empty first layer starts from the origin.
    doc.Layers().InsertFirst(MakeLayer("empty", 0));
    doc.InvalidateExtent();
    EXPECT_EQ(doc.GetExtent().X1, 0);
    EXPECT_EQ(doc.GetExtent().Y2, 0);
}

TEST(MapDoc, CoordinateTextsFollowTheProjection)
{
    std::string x, y;
    TQMMapDoc empty;
    empty.PointToCoordTexts({0, 0}, x, y); // the all-zero extent holds its borders
    EXPECT_EQ(x, "0");
    EXPECT_EQ(y, "0");

    TQMMapDoc plane;
    plane.Layers().Add(MakeLayer("p", 0, {{0, 60, 40, 50}}));
    plane.Layers().SetProjection(prPlane, "plane", unMetre);
    plane.PointToCoordTexts({37.5, 55.75}, x, y);
    EXPECT_EQ(x, "37.5");
    EXPECT_EQ(y, "55.75");
    plane.PointToCoordTexts({40.0001, 55}, x, y);
    EXPECT_EQ(x, "");
    EXPECT_EQ(y, "");
    plane.PointToCoordTexts({NAN, 55}, x, y);
    EXPECT_EQ(x, "");

    TQMMapDoc latLong;
    latLong.Layers().Add(MakeLayer("g", 0, {{0, 60, 40, 50}}));
    latLong.Layers().SetProjection(prLatLong, "latlong", unDegree);
    latLong.PointToCoordTexts({37.5, 55.75}, x, y);
    EXPECT_EQ(x, "37°30'E");
    EXPECT_EQ(y, "55°45'N");

    TQMMapDoc albers;
    albers.Layers().Add(MakeLayer("a", 0, {{0, 7000, 2000, 5000}}));
    albers.Layers().SetProjection(prAlberRus, "alber-rus", unKilometre);
    albers.PointToCoordTexts({1000, 6000}, x, y);
    double longitude = 0, latitude = 0;
    AlbersToGeo(1000000, 6000000, longitude, latitude);
    EXPECT_EQ(x, LongitudeToText(longitude));
    EXPECT_EQ(y, LatitudeToText(latitude));
    EXPECT_NE(y, "");
}

TEST(MapDoc, LegendInfoTakesTheStyleSetInUse)
{
    TDocWithLayers d;
    Layer& a = *d.Doc.LayerByName("A");
    LegendObject legend;
    EXPECT_FALSE(d.Doc.GetLegendInfo("A", legend)); // no legend style
    EXPECT_FALSE(d.Doc.GetLegendInfo("none", legend));

    a.HasLegendStyle = 1;
    a.LegendEn = "Lakes";
    a.Vector->DefaultKind = 2;
    a.Vector->DefaultLine.lopnColor = 0x11;
    a.Vector->CustomKind = 3;
    a.Vector->CustomArea.Brush.lbColor = 0x22;
    ASSERT_TRUE(d.Doc.GetLegendInfo("a", legend));
    EXPECT_EQ(legend.StyleKind, 2);
    EXPECT_EQ(legend.Style.As<TLineStyle>().lopnColor, 0x11u);
    EXPECT_EQ(legend.Title, "Lakes");
    a.Vector->UseCustom = 1;
    ASSERT_TRUE(d.Doc.GetLegendInfo("a", legend));
    EXPECT_EQ(legend.StyleKind, 3);
    EXPECT_EQ(legend.Style.As<TAreaStyle>().Brush.lbColor, 0x22u);

    std::string en, ru;
    a.LegendRu = "Озёра";
    d.Doc.GetLayerLegends(a, en, ru);
    EXPECT_EQ(en, "Lakes");
    EXPECT_EQ(ru, "Озёра");
    // A layer of mixed styles has no legend entry but keeps its texts.
    a.HasLegendStyle = 0;
    EXPECT_FALSE(d.Doc.GetLegendInfo("a", legend));
    d.Doc.GetLayerLegends(a, en, ru);
    EXPECT_EQ(en, "Lakes");
    EXPECT_EQ(ru, "Озёра");
}

TEST(MapDoc, LanguageCodeFollowsTheInterfaceLanguage)
{
    TMapFolder config; // no override file in it
    auto saved = [](const char* name) {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    std::optional<std::string> xdg = saved("XDG_CONFIG_HOME"), all = saved("LC_ALL");
    ::setenv("XDG_CONFIG_HOME", config.Folder().c_str(), 1);
    TQMMapDoc doc;
    ::setenv("LC_ALL", "ru_RU.UTF-8", 1);
    EXPECT_EQ(doc.LanguageCode(), "RUS");
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    EXPECT_EQ(doc.LanguageCode(), "ENU");
    auto restore = [](const char* name, const std::optional<std::string>& v) {
        if (v)
            ::setenv(name, v->c_str(), 1);
        else
            ::unsetenv(name);
    };
    restore("XDG_CONFIG_HOME", xdg);
    restore("LC_ALL", all);
}

namespace {

// The announcements a document made, as "kind row target" texts.
class TChangeLog : public TLayerObserver {
public:
    void LayersChanged(const TLayerChange& change) override
    {
        static const char* const kKinds[] = {"Inserted", "Removed", "Moved", "Shown", "Restyled", "Reset"};
        Texts.push_back(std::string(kKinds[static_cast<int>(change.Kind)]) + " " + std::to_string(change.Row) + " " +
                        std::to_string(change.Target));
    }
    Strings Texts;
};

} // namespace

TEST(MapDoc, EachChangeOfTheLayersIsAnnouncedOnceAfterItHappened)
{
    struct Row {
        const char* Name;
        std::function<void(TQMMapDoc&)> Change;
        Strings Announced;
        Strings Layers; // afterwards
    };
    const Row rows[] = {
        {"move", [](TQMMapDoc& doc) { doc.MoveLayer("b", -1); }, {"Moved 1 0"}, {"B", "A", "C"}},
        {"move out of the list",
         [](TQMMapDoc& doc) { EXPECT_THROW(doc.MoveLayer("C", +1), ERangeError); }, {}, {"A", "B", "C"}},
        {"remove", [](TQMMapDoc& doc) { doc.RemoveLayer("b"); }, {"Removed 1 -1"}, {"A", "C"}},
        {"remove a common layer",
         [](TQMMapDoc& doc) {
             doc.LayerByName("b")->Common = 1;
             doc.RemoveLayer("b");
         },
         {}, {"A", "B", "C"}},
        {"remove what is not there", [](TQMMapDoc& doc) { doc.RemoveLayer("x"); }, {}, {"A", "B", "C"}},
        {"hide", [](TQMMapDoc& doc) { doc.SetLayerVisible(2, false); }, {"Shown 2 -1"}, {"A", "B", "C"}},
        {"toggle", [](TQMMapDoc& doc) { doc.ToggleLayerVisible("c"); }, {"Shown 2 -1"}, {"A", "B", "C"}},
        {"restyle", [](TQMMapDoc& doc) { doc.RestyleLayer("B", [](Layer& l) { l.Vector->UseCustom = 1; }); },
         {"Restyled 1 -1"}, {"A", "B", "C"}},
        {"restyle that fails half-way",
         [](TQMMapDoc& doc) {
             EXPECT_THROW(doc.RestyleLayer("B", [](Layer&) { throw ERangeError(); }), ERangeError);
         },
         {"Restyled 1 -1"}, {"A", "B", "C"}},
        {"reset", [](TQMMapDoc& doc) { doc.ResetDocument(); }, {"Reset -1 -1"}, {}},
        {"several changes in one update",
         [](TQMMapDoc& doc) {
             TQMMapDoc::TUpdate outer(doc);
             doc.MoveLayer("a", +1);
             {
                 TQMMapDoc::TUpdate inner(doc);
                 doc.RemoveLayer("c");
             }
             outer.End();
         },
         {"Reset -1 -1"}, {"B", "A"}},
        {"an update without a change", [](TQMMapDoc& doc) { TQMMapDoc::TUpdate update(doc); }, {}, {"A", "B", "C"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        TDocWithLayers d;
        TChangeLog log;
        d.Doc.AddObserver(log);
        const std::uint64_t before = d.Doc.ChangeCount();
        row.Change(d.Doc);
        d.Doc.RemoveObserver(log);
        EXPECT_EQ(log.Texts, row.Announced);
        EXPECT_EQ(d.Doc.ChangeCount() - before, row.Announced.size());
        EXPECT_EQ(Names(d.Doc), row.Layers);
    }
}
