// The map frame with compositions added to a map that already shows layers:
// one row per layer file, kept layers in the composition's coordinate space,
// and a saved composition that opens as it was saved.
#include <QAction>
#include <QImage>
#include <cmath>
#include <numbers>
#include <vector>

#include "MapFrameFixture.h"
#include "geodata/Alberts.h"
#include "viewer/QMMapView.h"

using namespace lumivartest;

namespace {

const std::string kTestData = QM_TEST_DATA;

class MapFrameCompositions : public MapFrame {
protected:
    // Opens a composition through the frame's own command, as the user does.
    void AddComposition(const std::string& path)
    {
        Recorded->OpenAnswers.push_back(QString::fromStdString(path));
        Frame->FrameAction(QStringLiteral("AddComposition"))->trigger();
    }
    QImage Render() const
    {
        Frame->show();
        Frame->MapView().resize(300, 200);
        Frame->MapView().ResetView(true);
        return Frame->MapView().RenderImage();
    }
    // Pixels of the roads square's solid green.
    int GreenPixels() const
    {
        const QImage map = Render();
        int count = 0;
        for (int y = 0; y < map.height(); ++y)
            for (int x = 0; x < map.width(); ++x)
                count += map.pixel(x, y) == qRgb(0, 255, 0) ? 1 : 0;
        return count;
    }
    std::vector<PLayer> DocumentLayers() const
    {
        std::vector<PLayer> layers;
        for (std::int32_t i = 0; i < Frame->Document().LayerCount(); ++i)
            layers.push_back(Frame->Document().Layers().Items(i));
        return layers;
    }
    void Freeze() const { Frame->FrameAction(QStringLiteral("LFreeze"))->setChecked(true); }
};

} // namespace

TEST_F(MapFrameCompositions, AFileAlreadyShownStaysOneRowThatMovesItsOwnLayer)
{
    const std::string terrain = Raster("terrain");
    Mif("roads");
    Frame->AddLayerFile(QString::fromStdString(terrain));
    AddComposition(Composition("map.qmc", {"terrain.rst", "roads.mif"}));
    EXPECT_TRUE(Recorded->Messages.empty()) << MessageTexts().join("\n").toStdString();
    ExpectRowsMirrorDocument();
    ASSERT_EQ(RowTexts(), QStringList({"roads.mif", "terrain.rst"}));
    EXPECT_GT(GreenPixels(), 50);

    // Below the raster the roads vanish; moved back up they show again.
    Select(0);
    Frame->FrameAction(QStringLiteral("LayerDown"))->trigger();
    EXPECT_EQ(RowTexts(), QStringList({"terrain.rst", "roads.mif"}));
    ExpectRowsMirrorDocument();
    EXPECT_EQ(GreenPixels(), 0);
    Frame->FrameAction(QStringLiteral("LayerUP"))->trigger();
    EXPECT_EQ(RowTexts(), QStringList({"roads.mif", "terrain.rst"}));
    EXPECT_GT(GreenPixels(), 50);

    // The check of a row hides the layer of that row.
    LayersList(*Frame)->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(GreenPixels(), 0);
    ExpectRowsMirrorDocument();
}

TEST_F(MapFrameCompositions, KeptLayersTakeTheNextCompositionIntoTheirProjection)
{
    Raster("terrain");
    Idrisi("fields");
    Frame->OpenComposition(QString::fromStdString(Composition("albers.qmc", {"terrain.rst", "fields.vct"})), false);
    Freeze();
    // Two lat/long interchange files, one of them from OGR in Pulkovo 1942.
    Files.WriteMif("places", TMapFolder::Region(37, 55, 1), true);
    AddComposition(Composition("latlong.qmc", {kTestData + "/mixed_latlong_pulkovo.mif", "places.mif"}));
    EXPECT_TRUE(Recorded->Messages.empty()) << MessageTexts().join("\n").toStdString();
    ExpectRowsMirrorDocument();
    EXPECT_EQ(RowTexts(), QStringList({"places.mif", "mixed_latlong_pulkovo.mif", "fields.vct", "terrain.rst"}));

    const TQMMapDoc& doc = Frame->Document();
    EXPECT_EQ(doc.Layers().GetProjection(), prAlberRus);
    for (const PLayer& layer : DocumentLayers()) EXPECT_EQ(layer->Projection, prAlberRus) << layer->FileName;
    // The OGR file's objects lie between 30°E and 43°E, 50°N and 58°N; in
    // metres their middle goes back into that box.
    const PLayer& pulkovo = doc.Layers().Items(1);
    TDoubleRect bounds = pulkovo->Vector->Objects.front().Bounds;
    for (const MapObject& object : pulkovo->Vector->Objects) bounds = RectUnion(bounds, object.Bounds);
    double longitude = 0, latitude = 0;
    AlbersToGeo((bounds.X1 + bounds.X2) / 2, (bounds.Y1 + bounds.Y2) / 2, longitude, latitude);
    EXPECT_GT(longitude * 180 / std::numbers::pi, 30);
    EXPECT_LT(longitude * 180 / std::numbers::pi, 43);
    EXPECT_GT(latitude * 180 / std::numbers::pi, 50);
    EXPECT_LT(latitude * 180 / std::numbers::pi, 58);
}

TEST_F(MapFrameCompositions, ARefusedCompositionLeavesTheKeptMapAsItWas)
{
    struct Row {
        const char* Name;
        std::vector<std::string> Kept;
        std::string Added;
        QString Message;
    } rows[] = {
        {"Albers vectors, lat/long vector", {"fields.vct", "roads.mif"}, "/mixed_latlong_pulkovo.mif",
         "Program bug in CheckProjection. Sorry."},
        {"Albers raster, lat/long raster", {"terrain.rst"}, "/real_23x19_latlong.rst",
         "All rastr layers must have the same projection."},
    };
    Raster("terrain");
    Idrisi("fields");
    Mif("roads");
    for (const Row& row : rows) {
        MakeFrame();
        Recorded->Messages.clear();
        Frame->OpenComposition(QString::fromStdString(Composition("kept.qmc", row.Kept)), false);
        Freeze();
        const QStringList rowsBefore = RowTexts();
        const std::vector<PLayer> layersBefore = DocumentLayers();
        const QImage before = Render();

        AddComposition(Composition("refused.qmc", {kTestData + row.Added}));
        ASSERT_EQ(Recorded->Messages.size(), 1u) << row.Name;
        EXPECT_EQ(Recorded->Messages[0].Caption, "Error") << row.Name;
        EXPECT_EQ(Recorded->Messages[0].Text, row.Message) << row.Name;
        EXPECT_TRUE(Frame->IsLoaded()) << row.Name;
        EXPECT_EQ(RowTexts(), rowsBefore) << row.Name;
        EXPECT_EQ(DocumentLayers(), layersBefore) << row.Name;
        ExpectRowsMirrorDocument();
        EXPECT_EQ(Render(), before) << row.Name;
    }
}

TEST_F(MapFrameCompositions, ASavedCompositionReopensWithItsLegendsAndHiddenLayers)
{
    Frame->OpenComposition(QString::fromStdString(std::string(QM_SAMPLES) + "/sample.qmc"), false);
    const TQMMapDoc& doc = Frame->Document();
    ASSERT_EQ(RowTexts(), QStringList({"rivers.mif", "fields.vct", "terrain.rst"}));
    // The rivers' lines and places have no one style for a legend entry.
    EXPECT_EQ(doc.Layers().Items(0)->HasLegendStyle, 0);
    LayersList(*Frame)->item(1)->setCheckState(Qt::Unchecked);
    const std::string saved = Files.Path("saved.qmc");
    Frame->SaveComposition(QString::fromStdString(saved));

    MakeFrame();
    Frame->OpenComposition(QString::fromStdString(saved), false);
    EXPECT_EQ(RowTexts(), QStringList({"rivers.mif", "fields.vct", "terrain.rst"}));
    ExpectRowsMirrorDocument();
    const TQMMapDoc& reopened = Frame->Document();
    EXPECT_EQ(reopened.Layers().Items(0)->LegendEn, "Rivers, road and places");
    EXPECT_EQ(reopened.Layers().Items(1)->LegendEn, "Fields");
    EXPECT_EQ(LayersList(*Frame)->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(LayersList(*Frame)->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(LayersList(*Frame)->item(2)->checkState(), Qt::Checked);
}
