// The map frame: rows in step with the document's layers, the layer tools
// and their enabling, compositions, and both legends.
#include <QAbstractItemModelTester>
#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QPainter>
#include <QSet>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>

#include "DialogDriving.h"
#include "LumivarFixture.h"
#include "MapFrameFixture.h"
#include "geodata/IdrisiRST.h"
#include "geodata/QMLayers.h"
#include "platform/FileNames.h"
#include "platform/qt/QtColors.h"
#include "platform/qt/SymbolFonts.h"
#include "viewer/LayerPainter.h"
#include "viewer/MFrame.h"
#include "viewer/MView.h"
#include "viewer/QMMapDoc.h"
#include "viewer/QMMapView.h"

using namespace lumivartest;

TEST_F(MapFrame, LayersOfEachKindAreAddedOnTopAsCheckedRows)
{
    AddThreeLayers();
    EXPECT_TRUE(Recorded->Messages.empty()) << MessageTexts().join("\n").toStdString();
    ASSERT_EQ(LayersList(*Frame)->count(), 3);
    EXPECT_EQ(LayersList(*Frame)->item(0)->text(), "roads.mif");
    EXPECT_EQ(LayersList(*Frame)->item(1)->text(), "fields.vct");
    EXPECT_EQ(LayersList(*Frame)->item(2)->text(), "terrain.rst");
    ExpectRowsMirrorDocument();
    EXPECT_EQ(Frame->Caption(), "terrain");
}

TEST_F(MapFrame, TheSameFileInAnotherLetterCaseIsIgnored)
{
    const std::string path = Raster("terrain");
    Frame->AddLayerFile(QString::fromStdString(path));
    std::string upper = path;
    upper.replace(upper.size() - 11, 11, "TERRAIN.RST");
    Frame->AddLayerFile(QString::fromStdString(upper));
    EXPECT_EQ(LayersList(*Frame)->count(), 1);
    EXPECT_TRUE(Recorded->Messages.empty());
}

TEST_F(MapFrame, NamesThatAreNoLayerFilesGiveTheirMessages)
{
    Raster("terrain");
    struct Row {
        const char* Name;
        std::string File;
        const char* Message;
    };
    const Row rows[] = {
        {"header instead of cells", Files.Path("terrain.rdc"), "Invalid file extension. This is program bug. Sorry."},
        {"longer extension", Files.Write("x.rstx", "x"), "Invalid file extension. This is program bug. Sorry."},
        {"no extension", Files.Write("terrain", "x"), "There is no file extension. This is program bug. Sorry."},
        {"dot only in a folder", Files.Write("v1.2/terrain", "x"),
         "There is no file extension. This is program bug. Sorry."},
    };
    for (const Row& row : rows) {
        Recorded->Messages.clear();
        Frame->AddLayerFile(QString::fromStdString(row.File));
        ASSERT_EQ(Recorded->Messages.size(), 1u) << row.Name;
        EXPECT_EQ(Recorded->Messages[0].Caption, "Error") << row.Name;
        EXPECT_EQ(Recorded->Messages[0].Text, row.Message) << row.Name;
        EXPECT_EQ(Recorded->Messages[0].Icon, TMsgIcon::Error) << row.Name;
        EXPECT_EQ(LayersList(*Frame)->count(), 0) << row.Name;
    }
}

TEST_F(MapFrame, ARasterExtensionInCapitalsIsARaster)
{
    Raster("terrain");
    std::filesystem::rename(Files.Path("terrain.rst"), Files.Path("terrain.RST"));
    Frame->AddLayerFile(Path("terrain.RST"));
    EXPECT_TRUE(Recorded->Messages.empty()) << MessageTexts().join("\n").toStdString();
    ASSERT_EQ(Frame->Document().LayerCount(), 1);
    EXPECT_EQ(Frame->Document().Layers().Items(0)->Kind, lkRaster);
}

TEST_F(MapFrame, UpDownAndDeleteKeepRowsAndLayersInStep)
{
    AddThreeLayers();
    // Nothing selected: only adding is possible.
    LayersList(*Frame)->clearSelection();
    Frame->UpdateActions();
    EXPECT_FALSE(Enabled("LayerUP"));
    EXPECT_FALSE(Enabled("LayerDown"));
    EXPECT_FALSE(Enabled("LayerDelete"));
    EXPECT_FALSE(Enabled("LProperities"));
    EXPECT_TRUE(Enabled("AddLayer"));

    Select(0);
    EXPECT_FALSE(Enabled("LayerUP"));
    EXPECT_TRUE(Enabled("LayerDown"));
    EXPECT_TRUE(Enabled("LayerDelete"));
    Frame->FrameAction("LayerDown")->trigger();
    ExpectRowsMirrorDocument();
    EXPECT_EQ(LayersList(*Frame)->item(1)->text(), "roads.mif");
    EXPECT_EQ(LayersList(*Frame)->currentRow(), 1);
    EXPECT_EQ(Frame->Caption(), "fields");

    Frame->FrameAction("LayerDown")->trigger();
    ExpectRowsMirrorDocument();
    EXPECT_EQ(LayersList(*Frame)->item(2)->text(), "roads.mif");
    EXPECT_FALSE(Enabled("LayerDown"));
    EXPECT_TRUE(Enabled("LayerUP"));

    Frame->FrameAction("LayerUP")->trigger();
    ExpectRowsMirrorDocument();
    EXPECT_EQ(LayersList(*Frame)->item(1)->text(), "roads.mif");

    Frame->FrameAction("LayerDelete")->trigger();
    ExpectRowsMirrorDocument();
    EXPECT_EQ(LayersList(*Frame)->count(), 2);
    EXPECT_TRUE(LayersList(*Frame)->selectedItems().isEmpty());
    EXPECT_FALSE(Enabled("LayerDelete"));
    EXPECT_TRUE(Recorded->Messages.empty());
}

TEST_F(MapFrame, ACommonLayerIsNotDeleted)
{
    AddThreeLayers();
    Frame->Document().Layers().Items(1)->Common = 1;
    Select(1);
    Frame->FrameAction("LayerDelete")->trigger();
    ASSERT_EQ(Recorded->Messages.size(), 1u);
    EXPECT_EQ(Recorded->Messages[0].Caption, "Stop");
    EXPECT_EQ(Recorded->Messages[0].Text, "You cannot delete common layer");
    EXPECT_EQ(Recorded->Messages[0].Icon, TMsgIcon::Information);
    EXPECT_EQ(LayersList(*Frame)->count(), 3);
    ExpectRowsMirrorDocument();
}

TEST_F(MapFrame, ACheckBoxSetsTheVisibilityOfItsLayer)
{
    AddThreeLayers();
    LayersList(*Frame)->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(Frame->Document().Layers().Items(1)->Visible, 0);
    LayersList(*Frame)->item(1)->setCheckState(Qt::Checked);
    EXPECT_EQ(Frame->Document().Layers().Items(1)->Visible, 1);
    ExpectRowsMirrorDocument();
}

TEST_F(MapFrame, PropertiesWithoutASelectionBeep)
{
    AddThreeLayers();
    LayersList(*Frame)->clearSelection();
    // The tool is disabled without a selection; the command still refuses.
    Frame->FrameAction("LProperities")->setEnabled(true);
    Frame->FrameAction("LProperities")->trigger();
    EXPECT_EQ(Recorded->Beeps, 1);
    Select(0);
    dialogtest::WhenModalShows([](QWidget* dialog) { dialogtest::Click(dialogtest::Named(*dialog, "Button2")); });
    Frame->FrameAction("LProperities")->trigger();
    EXPECT_EQ(Recorded->Beeps, 1);
}

TEST_F(MapFrame, ACompositionsVisibilityShowsInTheChecks)
{
    Raster("terrain");
    Idrisi("fields");
    Mif("roads");
    const std::string qmc = Composition("map.qmc", {"terrain.rst", "fields.vct", "roads.mif"},
                                        "[layers_visi]\r\nfields=no\r\nroads=yes\r\n");
    Frame->OpenComposition(QString::fromStdString(qmc), false);
    EXPECT_TRUE(Frame->IsLoaded());
    ExpectRowsMirrorDocument();
    const Layer* fields = Frame->Document().LayerByName(Files.Path("fields.vct"));
    ASSERT_NE(fields, nullptr);
    EXPECT_EQ(fields->Visible, 0);
}

TEST_F(MapFrame, AFailedCompositionStillLeavesRowsMirroringTheDocument)
{
    Raster("terrain");
    const std::string qmc = Composition("broken.qmc", {"terrain.rst", "missing.vct"});
    EXPECT_THROW(Frame->OpenComposition(QString::fromStdString(qmc), false), std::exception);
    EXPECT_FALSE(Frame->IsLoaded());
    ExpectRowsMirrorDocument();
}

TEST_F(MapFrame, AFileWithoutVersionIsNoCompositionAndChangesNothing)
{
    AddThreeLayers();
    const std::string qmc = Files.Write("plain.qmc", "[file1]\r\nname=terrain.rst\r\n");
    try {
        Frame->OpenComposition(QString::fromStdString(qmc), false);
        FAIL() << "no error";
    } catch (const QMError& error) {
        EXPECT_EQ(std::string(error.what()), "File " + qmc + " is not Lumivar composition.");
    }
    EXPECT_EQ(LayersList(*Frame)->count(), 3);
    ExpectRowsMirrorDocument();
}

TEST_F(MapFrame, FrozenLayersOfTheFirstCompositionStayOnTopOfTheSecond)
{
    Raster("terrain");
    Mif("roads");
    Idrisi("fields");
    Mif("rivers");
    const std::string first = Composition("first.qmc", {"terrain.rst", "roads.mif"});
    const std::string second = Composition("second.qmc", {"fields.vct", "rivers.mif"},
                                           "[layers_seq]\r\nseq1=fields\r\nseq2=rivers\r\n");
    Frame->OpenComposition(QString::fromStdString(first), false);
    Frame->FrameAction("LFreeze")->setChecked(true);
    Frame->OpenComposition(QString::fromStdString(second), false);
    ExpectRowsMirrorDocument();
    EXPECT_EQ(RowTexts(), QStringList({"roads.mif", "terrain.rst", "rivers.mif", "fields.vct"}));

    // Without the freeze, the next composition replaces all of them.
    Frame->FrameAction("LFreeze")->setChecked(false);
    Frame->OpenComposition(QString::fromStdString(first), false);
    ExpectRowsMirrorDocument();
    EXPECT_EQ(LayersList(*Frame)->count(), 2);
}

TEST_F(MapFrame, RasterValuesFollowTheSelectedRasterOnly)
{
    AddThreeLayers(); // rows: roads, fields, terrain
    PageControl1(*Frame)->setCurrentIndex(TQMMapFrame::kRasterValuesPage);
    EXPECT_TRUE(Frame->GetLegendRows().empty());

    Select(2);
    Frame->RefreshRasterLegend();
    EXPECT_EQ(Frame->GetLegendLayerName(), QString::fromStdString(Files.Path("terrain.rst")));
    const TIdrisiRST& raster = *Frame->Document().Layers().Items(2)->Raster->Image;
    EXPECT_EQ(Frame->GetLegendRows().size(), raster.GetLegend().size());
    EXPECT_FALSE(Frame->GetLegendRows().empty());
    EXPECT_EQ(RSTR_legend(*Frame)->RowCount(), static_cast<int>(raster.GetLegend().size()));

    Select(0);
    Frame->RefreshRasterLegend();
    EXPECT_TRUE(Frame->GetLegendLayerName().isEmpty());
    EXPECT_TRUE(Frame->GetLegendRows().empty());
}

namespace {

QImage PaintCell(TQMMapFrame& frame, bool vectorGrid, int column, int row)
{
    QImage image(80, 18, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QRect cell(0, 0, 80, 18);
    (vectorGrid ? GR_legend(frame) : RSTR_legend(frame))->Draw(painter, column, row, cell);
    return image;
}

// Visits the pixels of `image` inside `area` (all of it by default).
void ForEachPixel(const QImage& image, const std::function<void(QPoint, QRgb)>& visit, QRect area = {})
{
    area = area.isNull() ? image.rect() : area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) visit(QPoint(x, y), image.pixel(x, y));
}

int CountColour(const QImage& image, QRgb colour)
{
    int n = 0;
    ForEachPixel(image, [&](QPoint, QRgb pixel) { n += pixel == colour; });
    return n;
}

} // namespace

TEST_F(MapFrame, LegendCellsShowTheLayersStyle)
{
    AddThreeLayers(); // roads: one green region, so one style; terrain: raster
    // A raster row has a crossed box: the diagonal passes the box's centre.
    const QImage crossed = PaintCell(*Frame, true, 0, 2);
    EXPECT_EQ(crossed.pixel(40, 9) & 0xFFFFFF, 0u);
    EXPECT_EQ(crossed.pixel(6, 2) & 0xFFFFFF, 0u);

    // The uniform area style of the MapInfo layer fills its box in green.
    const QImage area = PaintCell(*Frame, true, 0, 0);
    EXPECT_GT(CountColour(area, qRgb(0, 255, 0)), 100);
    EXPECT_EQ(area.pixel(2, 9), qRgb(255, 255, 255)); // outside the box

    // Rows past the layers draw nothing.
    const QImage none = PaintCell(*Frame, true, 0, 3);
    EXPECT_EQ(CountColour(none, qRgb(255, 255, 255)), 80 * 18);

    // A raster that claims a legend style breaks the document's rule: its
    // row still paints, as a row without a common style.
    Frame->Document().Layers().Items(2)->HasLegendStyle = 1;
    const QImage broken = PaintCell(*Frame, true, 0, 2);
    EXPECT_EQ(broken, crossed);
}

namespace {

// The symbols of a MapInfo file written by OGR: no font name means the
// "Symbol" font. Debian's Wingdings has 108 but not 74.
struct TSymbolRow {
    const char* Clause;
    QRgb Colour;
    bool Glyph; // false: the filled circle of a missing character
};
const TSymbolRow kSymbolRows[] = {
    {"Symbol (35,16711680,12)", qRgb(255, 0, 0), true},
    {"Symbol (33,0,8)", qRgb(0, 0, 0), true},
    {"Symbol (74,255,12,\"Wingdings\",0,0)", qRgb(0, 0, 255), false},
    {"Symbol (108,255,12,\"Wingdings\",0,0)", qRgb(0, 0, 255), true},
};

std::string PointAt(double x, double y, const char* symbol)
{
    return "Point " + std::to_string(x) + " " + std::to_string(y) + "\r\n    " + symbol + "\r\n";
}

// Pixels of `image` inside `area` that are not white.
QRect PaintedBounds(const QImage& image, const QRect& area)
{
    QRect bounds;
    ForEachPixel(
        image, [&](QPoint p, QRgb pixel) { bounds |= pixel != qRgb(255, 255, 255) ? QRect(p, p) : QRect(); }, area);
    return bounds;
}

QSet<QRgb> PaintedColours(const QImage& image, const QRect& area)
{
    QSet<QRgb> colours;
    ForEachPixel(image, [&](QPoint, QRgb pixel) { if (pixel != qRgb(255, 255, 255)) colours.insert(pixel); }, area);
    return colours;
}

// A missing-glyph box: a painted outline around an unpainted middle.
bool IsHollowBox(const QImage& image, const QRect& b)
{
    if (b.width() < 4 || b.height() < 4) return false;
    auto painted = [&](int x, int y) { return image.pixel(x, y) != qRgb(255, 255, 255); };
    int edge = 0;
    for (int x = b.left(); x <= b.right(); ++x) edge += painted(x, b.top()) + painted(x, b.bottom());
    for (int y = b.top(); y <= b.bottom(); ++y) edge += painted(b.left(), y) + painted(b.right(), y);
    return edge >= 0.8 * 2 * (b.width() + b.height()) && !painted(b.center().x(), b.center().y());
}

} // namespace

TEST_F(MapFrame, PointSymbolsDrawTheirCharactersOrACircleOnTheMapAndInTheLegend)
{
    RegisterSymbolFonts();
    if (!FontFamilyInstalled("Symbol") || !FontFamilyInstalled("Wingdings")) GTEST_SKIP() << "fonts-wine is missing";
    // One layer with every symbol, 100 m apart, drawn at one pixel a metre.
    std::string objects;
    for (int i = 0; i < 4; ++i) objects += PointAt(kWest + 50 + 100 * i, kSouth + 25, kSymbolRows[i].Clause);
    TLayerList all;
    const PLayer layer = all.AddMifLayer(Files.WriteMif("all", objects), 1, true);
    ASSERT_TRUE(layer && layer->Vector && layer->Vector->Objects.size() == 4);
    TMView view;
    view.SetClientSize(400, 50);
    view.ResetView(TDoubleRect{kWest, kSouth + 50, kWest + 400, kSouth}, true);
    view.SetViewHeight(50);
    QImage map(400, 50, QImage::Format_RGB32);
    {
        QPainter painter(&map);
        RenderLayers(painter, map.size(), view, all, Qt::white);
    }
    // One layer a symbol, each with its legend row.
    for (int i = 3; i >= 0; --i)
        Frame->AddLayerFile(QString::fromStdString(
            Files.WriteMif("one" + std::to_string(i), PointAt(kWest, kSouth, kSymbolRows[i].Clause))));

    for (int i = 0; i < 4; ++i) {
        const TSymbolRow& row = kSymbolRows[i];
        SCOPED_TRACE(row.Clause);
        const int size = layer->Vector->Objects[static_cast<std::size_t>(i)].Style.As<TPointStyle>().SymbolSize;
        const QPoint at(50 + 100 * i, 25);
        const QRect bounds = PaintedBounds(map, QRect(at - QPoint(40, 24), QSize(80, 48)));
        ASSERT_FALSE(bounds.isEmpty());
        EXPECT_FALSE(IsHollowBox(map, bounds));
        EXPECT_EQ(PaintedColours(map, bounds), QSet<QRgb>{row.Colour});
        if (row.Glyph) {
            // A character of a font twice the symbol size high outgrows the
            // circle of the symbol's size.
            EXPECT_GT(std::max(bounds.width(), bounds.height()), size + 1);
        } else {
            EXPECT_EQ(map.pixel(at), row.Colour);
            EXPECT_LE(std::max(bounds.width(), bounds.height()), size + 1);
        }
        // The legend cell draws the same symbol around its middle point.
        const QImage cell = PaintCell(*Frame, true, 0, i);
        EXPECT_EQ(cell, map.copy(QRect(at - QPoint(cell.width() / 2, cell.height() / 2), cell.size())));
    }
}

TEST_F(MapFrame, RasterValueCellsShowTheirColour)
{
    Frame->AddLayerFile(QString::fromStdString(Raster("terrain")));
    Select(0);
    PageControl1(*Frame)->setCurrentIndex(TQMMapFrame::kRasterValuesPage);
    ASSERT_FALSE(Frame->GetLegendRows().empty());
    const TColorValue& first = Frame->GetLegendRows()[0];
    const QImage swatch = PaintCell(*Frame, false, 0, 0);
    EXPECT_EQ(swatch.pixel(40, 9), 0xFF000000u | (first.Color & 0xFFFFFF));
    EXPECT_EQ(swatch.pixel(2, 9), qRgb(255, 255, 255));
}

TEST_F(MapFrame, FullScreenCollapsesThePanelAndComesBack)
{
    Frame->show();
    AddThreeLayers();
    const int width = CtrlPanel(*Frame)->width();
    Frame->FrameAction("FullScreen")->trigger();
    EXPECT_TRUE(Frame->IsFullScreen());
    EXPECT_EQ(Splitter1(*Frame)->sizes().value(0), 0);
    Frame->FrameAction("FullScreen")->trigger();
    EXPECT_FALSE(Frame->IsFullScreen());
    EXPECT_EQ(Splitter1(*Frame)->sizes().value(0), width);
}

namespace {
QRect CellOf(const TDrawGrid& grid, int row, int column) { return grid.visualRect(grid.model()->index(row, column)); }
} // namespace

TEST_F(MapFrame, AClickOnARasterValueKeepsEveryRowInPlace)
{
    Frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame.get()));
    Frame->OpenComposition(QString::fromStdString(std::string(QM_SAMPLES) + "/sample.qmc"), false);
    Select(2);
    PageControl1(*Frame)->setCurrentIndex(TQMMapFrame::kRasterValuesPage);
    TDrawGrid& grid = *RSTR_legend(*Frame);
    ASSERT_EQ(grid.RowCount(), 5);
    for (int row : {2, 0, 4}) {
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, CellOf(grid, row, 1).center());
        EXPECT_EQ(grid.CurrentRow(), row);
        EXPECT_EQ(grid.columnViewportPosition(0), 0) << "scrolled sideways";
        EXPECT_EQ(grid.columnWidth(0) + grid.columnWidth(1), grid.viewport()->width());
        const QImage shown = grid.viewport()->grab().toImage();
        for (int i = 0; i < 5; ++i) {
            const QRgb colour = RgbQuadToQColor(Frame->GetLegendRows()[i].Color).rgb();
            EXPECT_EQ(shown.pixel(CellOf(grid, i, 0).center()), colour) << "row " << i;
            int dark = 0; // the text's pixels
            ForEachPixel(shown, [&](QPoint, QRgb pixel) { dark += qGray(pixel) < 80; }, CellOf(grid, i, 1));
            EXPECT_GT(dark, 20) << "row " << i;
        }
    }
}

// Whole tab captions in any font, and text columns as wide as their pages
// even when the splitter moved while the page was hidden.
TEST_F(MapFrame, ThePanelShowsWholeTabsAndLegendColumnsOfItsWidth)
{
    Frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame.get()));
    AddThreeLayers();
    Select(2);
    QFont large = Frame->font();
    large.setPixelSize(22);
    int width = 240;
    for (int page : {TQMMapFrame::kLegendPage, TQMMapFrame::kRasterValuesPage, TQMMapFrame::kLegendPage}) {
        SCOPED_TRACE(page);
        PageControl1(*Frame)->setCurrentIndex(TQMMapFrame::kLayersPage);
        QApplication::processEvents();
        Splitter1(*Frame)->setSizes({width += 60, 800 - width});
        QApplication::processEvents();
        PageControl1(*Frame)->setCurrentIndex(page);
        QApplication::processEvents();
        const TDrawGrid& grid = page == TQMMapFrame::kLegendPage ? *GR_legend(*Frame) : *RSTR_legend(*Frame);
        EXPECT_GT(grid.viewport()->width(), width - 40);
        EXPECT_EQ(grid.columnWidth(0) + grid.columnWidth(1), grid.viewport()->width());

        if (page == TQMMapFrame::kRasterValuesPage) Frame->setFont(large);
        QApplication::processEvents();
        const QTabBar& bar = *PageControl1(*Frame)->tabBar();
        for (int i = 0; i < bar.count(); ++i) {
            const QString caption = bar.tabText(i);
            EXPECT_TRUE(bar.rect().contains(bar.tabRect(i))) << caption.toStdString();
            EXPECT_GT(bar.tabRect(i).width(), bar.fontMetrics().horizontalAdvance(caption)) << caption.toStdString();
        }
        EXPECT_GE(CtrlPanel(*Frame)->width(), bar.tabRect(bar.count() - 1).right());
    }
}

TEST_F(MapFrame, FileBaseNameDropsFolderAndLastExtension)
{
    EXPECT_EQ(TQMMapFrame::FileBaseName("/maps/a.b/roads.v2.mif"), "roads.v2");
    EXPECT_EQ(TQMMapFrame::FileBaseName("/maps/roads"), "roads");
}

TEST_F(MapFrame, TheSampleCompositionShowsARasterAndBothVectorLayers)
{
    const std::string sample = std::string(QM_SAMPLES) + "/sample.qmc";
    Frame->OpenComposition(QString::fromStdString(sample), false);
    EXPECT_TRUE(Recorded->Messages.empty()) << MessageTexts().join("\n").toStdString();
    ExpectRowsMirrorDocument();
    EXPECT_EQ(RowTexts(), QStringList({"rivers.mif", "fields.vct", "terrain.rst"}));

    // Five terrain categories, named from the header.
    LayersList(*Frame)->setCurrentRow(2);
    PageControl1(*Frame)->setCurrentIndex(TQMMapFrame::kRasterValuesPage);
    ASSERT_EQ(Frame->GetLegendRows().size(), 5u);
    EXPECT_EQ(Frame->GetLegendRows()[0].Text, "1 : Lowland");
    EXPECT_EQ(Frame->GetLegendRows()[4].Text, "5 : Peaks");

    // The map shows more than the terrain's five colours: the translucent
    // fields and the blue rivers lie on it.
    Frame->show();
    Frame->MapView().resize(400, 300);
    Frame->MapView().ResetView(true);
    const QImage map = Frame->MapView().RenderImage();
    QSet<QRgb> colours;
    bool blue = false;
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x) {
            const QRgb c = map.pixel(x, y);
            colours.insert(c);
            blue = blue || (qBlue(c) > 180 && qRed(c) < 80);
        }
    EXPECT_GT(colours.size(), 10);
    EXPECT_TRUE(blue);
}

namespace {

// Counts the paints of one widget.
class TPaintWatch : public QObject {
public:
    explicit TPaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

} // namespace

TEST_F(MapFrame, PropertiesWriteTheVectorStyleBackAndRepaintTheLegend)
{
    AddThreeLayers();
    Frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame.get()));
    PageControl1(*Frame)->setCurrentIndex(TQMMapFrame::kLegendPage);
    Select(0);
    QApplication::processEvents();
    TPaintWatch legend(GR_legend(*Frame)->viewport());
    dialogtest::WhenModalShows([](QWidget* dialog) {
        dialogtest::Named<QRadioButton>(*dialog, "DrawParams")->click();
        dialogtest::Type(dialogtest::Named<QLineEdit>(*dialog, "Transparency"), "90");
        dialogtest::Click(dialogtest::Named(*dialog, "OKbtn"));
    });
    Frame->FrameAction(QStringLiteral("LProperities"))->trigger();
    QApplication::processEvents();
    const VectorLayer& roads = *Frame->Document().Layers().Items(0)->Vector;
    EXPECT_EQ(roads.UseCustom, 1);
    EXPECT_EQ(roads.CustomOpacity, 90);
    EXPECT_EQ(roads.CustomKind, 3);
    EXPECT_GT(legend.Paints, 0);
    EXPECT_TRUE(Recorded->Messages.empty()) << MessageTexts().join("\n").toStdString();
}

TEST_F(MapFrame, CancelledPropertiesKeepTheVectorStyle)
{
    AddThreeLayers();
    Select(0);
    const VectorLayer& roads = *Frame->Document().Layers().Items(0)->Vector;
    const std::int16_t opacity = roads.CustomOpacity;
    dialogtest::WhenModalShows([](QWidget* dialog) {
        dialogtest::Named<QRadioButton>(*dialog, "DrawParams")->click();
        dialogtest::Type(dialogtest::Named<QLineEdit>(*dialog, "Transparency"), "5");
        dialogtest::Click(dialogtest::Named(*dialog, "Button2"));
    });
    Frame->FrameAction(QStringLiteral("LProperities"))->trigger();
    EXPECT_EQ(roads.UseCustom, 0);
    EXPECT_EQ(roads.CustomOpacity, opacity);
}

namespace {

// Counts the document's announcements.
class TAnnouncements : public TLayerObserver {
public:
    void LayersChanged(const TLayerChange&) override { ++Count; }
    int Count = 0;
};

} // namespace

// Every command that changes what the map holds is announced once by the
// document, the rows, checks and legend rows agree with it afterwards, and
// the next paint shows the map as it is now drawn; a paint that follows no
// change copies the map kept from the paint before.
TEST_F(MapFrame, EachCommandIsAnnouncedOnceAndTheRowsAndTheMapFollow)
{
    const std::string rivers = Files.WriteMif("rivers", TMapFolder::Region(kWest + 20000, kSouth + 5000, 3000, 0x0000FF));
    const std::string broken = Files.Write("broken.mif", "Version 300\r\nData\r\nRegion 7\r\n");
    Files.WriteMif("lakes", TMapFolder::Region(kWest + 5000, kSouth + 12000, 4000, 0xFF00FF));
    const std::string composition = Composition("one.qmc", {"rivers.mif"});
    const std::string second = Composition("two.qmc", {"lakes.mif"});
    const std::string halfWay = Composition("half.qmc", {"lakes.mif", "missing.vct"});
    auto raster = [this]() -> TIdrisiRST& { return *Frame->Document().LayerByName(Files.Path("terrain.rst"))->Raster->Image; };
    auto hideFields = [this]() { LayersList(*Frame)->item(1)->setCheckState(Qt::Unchecked); };
    auto open = [this](const std::string& file) { Frame->OpenComposition(QString::fromStdString(file), false); };
    auto properties = [this](int row, std::function<void(QWidget&)> answer) {
        Select(row);
        dialogtest::WhenModalShows([answer](QWidget* dialog) { answer(*dialog); });
        Frame->FrameAction("LProperities")->trigger();
    };
    struct Row {
        const char* Name;
        std::function<void()> Prepare;
        std::function<void()> Command;
        int Announcements;
        bool Redraws;
    };
    const Row rows[] = {
        {"a paint without a change", {}, [this]() { Frame->MapView().viewport()->repaint(); }, 0, false},
        {"add a layer", {}, [&]() { Frame->AddLayerFile(QString::fromStdString(rivers)); }, 1, true},
        {"add a file that cannot be read", {}, [&]() { Frame->AddLayerFile(QString::fromStdString(broken)); }, 0, false},
        {"add a layer already there", {}, [&]() { Frame->AddLayerFile(Path("terrain.rst")); }, 0, false},
        {"move up", [this]() { Select(1); }, [this]() { Frame->FrameAction("LayerUP")->trigger(); }, 1, true},
        {"move down", [this]() { Select(0); }, [this]() { Frame->FrameAction("LayerDown")->trigger(); }, 1, true},
        {"delete", [this]() { Select(1); }, [this]() { Frame->FrameAction("LayerDelete")->trigger(); }, 1, true},
        {"delete a common layer",
         [this]() {
             Frame->Document().Layers().Items(1)->Common = 1;
             Select(1);
         },
         [this]() { Frame->FrameAction("LayerDelete")->trigger(); }, 0, false},
        {"hide", {}, hideFields, 1, true},
        {"show", hideFields, [this]() { LayersList(*Frame)->item(1)->setCheckState(Qt::Checked); }, 1, true},
        {"restyle in the properties",
         {},
         [&]() {
             properties(0, [](QWidget& dialog) {
                 dialogtest::Named<QRadioButton>(dialog, "DrawParams")->click();
                 dialogtest::Type(dialogtest::Named<QLineEdit>(dialog, "Transparency"), "90");
                 dialogtest::Click(dialogtest::Named(dialog, "OKbtn"));
             });
         },
         1, true},
        {"display range in the properties", hideFields,
         [&]() {
             properties(2, [](QWidget& dialog) {
                 dialogtest::Type(dialogtest::Named<QLineEdit>(dialog, "MaxDspVal"), "2");
                 dialogtest::Click(dialogtest::Named(dialog, "OKBtn"));
             });
         },
         1, true},
        {"a raster changed elsewhere (message 2030)", hideFields,
         [&]() {
             raster().SetDisplayRange(false, 1, 2);
             Frame->RefreshRasterLegend();
         },
         1, true},
        {"open a composition", {}, [&]() { open(composition); }, 1, true},
        // Nothing kept to try the composition against: it fails after the
        // map was cleared.
        {"open a composition that fails half-way", [&]() { open(composition); },
         [&]() { EXPECT_THROW(open(halfWay), std::exception); }, 1, true},
        {"open a composition with the freeze down",
         [&]() {
             open(composition);
             Frame->FrameAction("LFreeze")->setChecked(true);
         },
         [&]() { open(second); }, 1, true},
        {"zoom in", {}, [this]() { Frame->ZoomInMap(); }, 0, true},
        {"scroll",
         [&]() {
             hideFields();
             Frame->ZoomInMap();
         },
         [this]() { Frame->MapView().horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd); }, 0,
         true},
        {"resize", {}, [this]() { Frame->resize(700, 420); }, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        MakeFrame();
        // Qt's own checks of a model's signals against its rows.
        const QAbstractItemModelTester modelCheck(dialogtest::Named<QListView>(*Frame, "LayersList")->model(),
                                                  QAbstractItemModelTester::FailureReportingMode::Fatal);
        Frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame.get()));
        AddThreeLayers();
        if (row.Prepare) row.Prepare();
        const auto shown = [this]() {
            QApplication::processEvents();
            return Frame->MapView().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        const QImage before = shown();
        const qint64 kept = Frame->MapView().KeptMap().cacheKey();
        Recorded->Messages.clear();
        TAnnouncements heard;
        Frame->Document().AddObserver(heard);
        row.Command();
        Frame->Document().RemoveObserver(heard);
        const QImage after = shown();

        EXPECT_EQ(heard.Count, row.Announcements);
        ExpectRowsMirrorDocument();
        EXPECT_EQ(after, Frame->MapView().RenderImage());
        EXPECT_EQ(after != before, row.Redraws);
        EXPECT_EQ(Frame->MapView().KeptMap().cacheKey() != kept, row.Redraws);
    }
}
