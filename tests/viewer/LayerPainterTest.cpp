#include "viewer/LayerPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <array>
#include <gtest/gtest.h>

#include "geodata/FontTable.h"
#include "platform/qt/SymbolFonts.h"
#include "tests/viewer/MapLayers.h"
#include "viewer/MView.h"

using namespace maptest;

namespace {

const QRgb kWhite = Rgb(255, 255, 255);

// A white image of the client size with a view that shows `extent` fitted.
struct TCanvas {
    TCanvas(const TDoubleRect& extent, int width, int height) : Image(width, height, QImage::Format_RGB32)
    {
        Image.fill(Qt::white);
        View.SetClientSize(width, height);
        View.ResetView(extent, true);
        View.SetViewHeight(height);
    }
    // Runs `draw` with a painter on the image.
    template <class F>
    void Paint(F draw)
    {
        QPainter painter(&Image);
        TLayerPainter layers(painter, View, Image.size());
        draw(layers);
    }
    QSet<QRgb> ColoursIn(const QRect& r) const
    {
        QSet<QRgb> colours;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) colours.insert(Image.pixel(x, y));
        return colours;
    }
    bool AllWhite() const { return ColoursIn(Image.rect()) == QSet<QRgb>{kWhite}; }

    TMView View;
    QImage Image;
};

bool Near(QRgb actual, int r, int g, int b, int tolerance)
{
    return std::abs(qRed(actual) - r) <= tolerance && std::abs(qGreen(actual) - g) <= tolerance &&
           std::abs(qBlue(actual) - b) <= tolerance;
}

// A bottom-up 8-bit image of `columns` x `rows` cells; its colour table maps
// index 1 to red, 2 to blue, 3 to green.
struct TTestRaster {
    TTestRaster(int columns, int rows, std::vector<std::uint8_t> cellsFromSouth) : Bits(std::move(cellsFromSouth))
    {
        Colors[1] = 0x00FF0000; // RGBQUAD: red in bits 16-23
        Colors[2] = 0x000000FF;
        Colors[3] = 0x0000FF00;
        Image.Bits = Bits.data();
        Image.Columns = columns;
        Image.Rows = rows;
        Image.RowBytes = columns; // the tests use widths that are multiples of 4
        Image.Colors = Colors.data();
        Image.Bounds = TDoubleRect{0, static_cast<double>(rows), static_cast<double>(columns), 0};
    }
    std::vector<std::uint8_t> Bits;
    std::array<std::uint32_t, 256> Colors{};
    TRasterImage Image;
};

const TAffineTransform kIdentity;

} // namespace

TEST(StyleConversion, PenStylesMapToQtLines)
{
    struct Row {
        std::uint32_t style;
        Qt::PenStyle expected;
    } rows[] = {{PS_SOLID, Qt::SolidLine},         {PS_DASH, Qt::DashLine},
                {PS_DOT, Qt::DotLine},             {PS_DASHDOT, Qt::DashDotLine},
                {PS_DASHDOTDOT, Qt::DashDotDotLine}, {PS_NULL, Qt::NoPen},
                {6, Qt::SolidLine},                {0xFFFFFFFF, Qt::SolidLine}};
    for (const Row& row : rows) {
        TLogPen pen{row.style, TPoint{3, 0}, RGB(10, 20, 30)};
        QPen q = PenFromLogPen(pen);
        EXPECT_EQ(q.style(), row.expected) << row.style;
        EXPECT_EQ(q.width(), 3);
        EXPECT_EQ(q.color(), QColor(10, 20, 30));
    }
    EXPECT_EQ(PenFromLogPen(TLogPen{PS_SOLID, TPoint{-4, 0}, 0}).width(), 0);
}

TEST(StyleConversion, BrushesAndHatches)
{
    struct Row {
        TLogBrush brush;
        Qt::BrushStyle expected;
    } rows[] = {
        {{BS_SOLID, RGB(1, 2, 3), 0}, Qt::SolidPattern},
        {{BS_HOLLOW, RGB(1, 2, 3), 0}, Qt::NoBrush},
        {{BS_HATCHED, RGB(1, 2, 3), HS_HORIZONTAL}, Qt::HorPattern},
        {{BS_HATCHED, RGB(1, 2, 3), HS_VERTICAL}, Qt::VerPattern},
        {{BS_HATCHED, RGB(1, 2, 3), HS_FDIAGONAL}, Qt::FDiagPattern},
        {{BS_HATCHED, RGB(1, 2, 3), HS_BDIAGONAL}, Qt::BDiagPattern},
        {{BS_HATCHED, RGB(1, 2, 3), HS_CROSS}, Qt::CrossPattern},
        {{BS_HATCHED, RGB(1, 2, 3), HS_DIAGCROSS}, Qt::DiagCrossPattern},
        {{7, RGB(1, 2, 3), 0}, Qt::NoBrush},
    };
    for (const Row& row : rows) {
        QBrush b = BrushFromLogBrush(row.brush);
        EXPECT_EQ(b.style(), row.expected) << row.brush.lbStyle << "/" << row.brush.lbHatch;
        if (b.style() != Qt::NoBrush) {
            EXPECT_EQ(b.color(), QColor(1, 2, 3));
        }
    }
}

TEST(CellAtPoint, CellsHoldTheirWholeArea)
{
    const TDoubleRect bounds{0, 2, 4, 0};
    struct Row {
        const char* name;
        TDoublePoint p;
        bool found;
        int column, row;
    } rows[] = {
        {"left half of cell 0", {0.25, 0.5}, true, 0, 0},
        {"right half of cell 0", {0.75, 0.5}, true, 0, 0},
        {"cell border goes east", {1.0, 0.5}, true, 1, 0},
        {"north-east corner is the last cell", {4.0, 2.0}, true, 3, 1},
        {"south-west corner", {0, 0}, true, 0, 0},
        {"west of the raster", {-0.01, 1}, false, 0, 0},
        {"north of the raster", {1, 2.01}, false, 0, 0},
    };
    for (const Row& row : rows) {
        auto cell = CellAtPoint(bounds, 4, 2, row.p);
        ASSERT_EQ(cell.has_value(), row.found) << row.name;
        if (!cell) continue;
        EXPECT_EQ(cell->x, row.column) << row.name;
        EXPECT_EQ(cell->y, row.row) << row.name;
    }
    EXPECT_FALSE(CellAtPoint(TDoubleRect{0, 0, 4, 0}, 4, 2, {1, 0}).has_value());
}

TEST(RasterPainting, NorthIsAtTheTop)
{
    TTestRaster raster(4, 2, {1, 1, 1, 1, 2, 2, 2, 2}); // southern row red, northern blue
    TCanvas canvas(TDoubleRect{0, 2, 4, 0}, 400, 200);
    canvas.Paint([&](TLayerPainter& p) { p.DrawRasterImage(raster.Image, kIdentity, kIdentity); });
    EXPECT_EQ(canvas.ColoursIn(QRect(0, 0, 400, 100)), QSet<QRgb>{Rgb(0, 0, 255)});
    EXPECT_EQ(canvas.ColoursIn(QRect(0, 100, 400, 100)), QSet<QRgb>{Rgb(255, 0, 0)});
}

TEST(RasterPainting, CellsStayInRegisterAtHighZoom)
{
    // Columns alternate red and blue; 400 px show x 0.5..1.5, so the border
    // between cells 0 and 1 falls at pixel 200.
    TTestRaster raster(4, 2, {1, 2, 1, 2, 1, 2, 1, 2});
    TCanvas canvas(TDoubleRect{0, 2, 4, 0}, 400, 200);
    canvas.View.SetView(400, 0.5, 0.5);
    canvas.Paint([&](TLayerPainter& p) { p.DrawRasterImage(raster.Image, kIdentity, kIdentity); });
    EXPECT_EQ(canvas.Image.pixel(0, 100), Rgb(255, 0, 0));
    EXPECT_EQ(canvas.Image.pixel(199, 100), Rgb(255, 0, 0));
    EXPECT_EQ(canvas.Image.pixel(200, 100), Rgb(0, 0, 255));
    EXPECT_EQ(canvas.Image.pixel(399, 100), Rgb(0, 0, 255));
}

TEST(RasterPainting, LayerScaleAndPartialViewAreHonoured)
{
    // Layer units are kilometres in a metre composition: the raster covers
    // 0..4000 x 0..2000; only its eastern half is in view.
    TTestRaster raster(4, 2, {1, 1, 3, 3, 1, 1, 3, 3});
    TCanvas canvas(TDoubleRect{0, 2000, 4000, 0}, 400, 200);
    canvas.View.SetView(0.2, 2000, 0);
    canvas.Paint([&](TLayerPainter& p) {
        p.DrawRasterImage(raster.Image, ScaleTransform(1000), ScaleTransform(0.001));
    });
    EXPECT_EQ(canvas.ColoursIn(QRect(0, 0, 400, 200)), QSet<QRgb>{Rgb(0, 255, 0)});
}

TEST(RasterPainting, EmptyOrOutOfViewImagesDrawNothing)
{
    TTestRaster raster(4, 2, {1, 1, 1, 1, 2, 2, 2, 2});
    TCanvas canvas(TDoubleRect{0, 2, 4, 0}, 400, 200);
    TRasterImage noColumns = raster.Image;
    noColumns.Columns = 0;
    TRasterImage noBits = raster.Image;
    noBits.Bits = nullptr;
    canvas.Paint([&](TLayerPainter& p) {
        p.DrawRasterImage(noColumns, kIdentity, kIdentity);
        p.DrawRasterImage(noBits, kIdentity, kIdentity);
        // Shifted entirely west of the view.
        p.DrawRasterImage(raster.Image, TAffineTransform{1, 0, 0, 1, -10, 0}, TAffineTransform{1, 0, 0, 1, 10, 0});
    });
    EXPECT_TRUE(canvas.AllWhite());
}

TEST(AreaPainting, OpaqueAndTranslucentFills)
{
    struct Row {
        const char* name;
        std::int32_t opacity;
        TColorRef fill;
        int r, g, b, tolerance;
    } rows[] = {
        {"opaque green", 255, RGB(0, 255, 0), 0, 255, 0, 0},
        {"half red", 128, RGB(255, 0, 0), 255, 127, 127, 1},
        {"an opacity above 255 is opaque", 300, RGB(0, 0, 255), 0, 0, 255, 0},
    };
    for (const Row& row : rows) {
        TCanvas canvas(TDoubleRect{0, 100, 100, 0}, 100, 100);
        const MapObject square = AreaObject({Square(10, 10, 90, 90)}, SolidArea(row.fill));
        canvas.Paint([&](TLayerPainter& p) {
            p.DrawAreaObject(square, row.opacity, square.Style.As<TAreaStyle>(), kIdentity);
        });
        EXPECT_TRUE(Near(canvas.Image.pixel(50, 50), row.r, row.g, row.b, row.tolerance)) << row.name;
        EXPECT_EQ(canvas.Image.pixel(5, 5), kWhite) << row.name;
    }
}

TEST(AreaPainting, ZeroOpacityLeavesTheOutlineOnly)
{
    TCanvas canvas(TDoubleRect{0, 100, 100, 0}, 100, 100);
    const TAreaStyle style = SolidArea(RGB(255, 0, 0), PS_SOLID, RGB(0, 0, 0));
    const MapObject square = AreaObject({Square(10, 10, 90, 90)}, style);
    canvas.Paint([&](TLayerPainter& p) { p.DrawAreaObject(square, 0, style, kIdentity); });
    EXPECT_EQ(canvas.Image.pixel(50, 50), kWhite);
    // The west edge x = 10 is the screen column 10.
    EXPECT_EQ(canvas.Image.pixel(10, 50), Rgb(0, 0, 0));
}

TEST(AreaPainting, HolesStayUnpainted)
{
    for (std::int32_t opacity : {255, 128}) {
        TCanvas canvas(TDoubleRect{0, 100, 100, 0}, 100, 100);
        const MapObject ring = AreaObject({Square(10, 10, 90, 90), Square(30, 30, 70, 70)}, SolidArea(RGB(0, 255, 0)));
        canvas.Paint([&](TLayerPainter& p) {
            p.DrawAreaObject(ring, opacity, ring.Style.As<TAreaStyle>(), kIdentity);
        });
        EXPECT_EQ(canvas.Image.pixel(50, 50), kWhite) << opacity;
        EXPECT_NE(canvas.Image.pixel(20, 50), kWhite) << opacity;
    }
}

TEST(AreaPainting, FewerThanThreePointsDrawNothing)
{
    TCanvas canvas(TDoubleRect{0, 100, 100, 0}, 100, 100);
    const TAreaStyle style = SolidArea(RGB(0, 255, 0), PS_SOLID, RGB(0, 0, 0));
    const MapObject twoPoints = AreaObject({{{10, 10}, {90, 90}}}, style);
    MapObject broken = AreaObject({Square(10, 10, 90, 90)}, style);
    broken.PartCounts = {500}; // more points claimed than there are
    canvas.Paint([&](TLayerPainter& p) {
        p.DrawAreaObject(twoPoints, 255, style, kIdentity);
        p.DrawAreaObject(twoPoints, 128, style, kIdentity);
        p.DrawAreaObject(broken, 255, style, kIdentity);
    });
    EXPECT_TRUE(canvas.AllWhite());
}

TEST(AreaPainting, HatchBackgroundModes)
{
    TAreaStyle style;
    style.Outline.lopnStyle = PS_NULL;
    style.Brush = TLogBrush{BS_HATCHED, RGB(0, 0, 0), HS_HORIZONTAL};
    style.BackColor = RGB(0, 0, 255);
    const QRect inside(20, 20, 60, 60);
    struct Row {
        std::int32_t mode;
        QSet<QRgb> expected;
    } rows[] = {{OPAQUE, {Rgb(0, 0, 0), Rgb(0, 0, 255)}}, {TRANSPARENT, {Rgb(0, 0, 0), kWhite}}};
    for (const Row& row : rows) {
        style.BackMode = row.mode;
        TCanvas canvas(TDoubleRect{0, 100, 100, 0}, 100, 100);
        const MapObject square = AreaObject({Square(10, 10, 90, 90)}, style);
        canvas.Paint([&](TLayerPainter& p) { p.DrawAreaObject(square, 255, style, kIdentity); });
        EXPECT_EQ(canvas.ColoursIn(inside), row.expected) << row.mode;
        // Horizontal hatch: every row inside is all of one colour.
        EXPECT_EQ(canvas.ColoursIn(QRect(20, 40, 60, 1)).size(), 1) << row.mode;
    }
}

// An opaque hatch is drawn as Qt draws the pattern over an opaque ground,
// pixel for pixel: every hatch, solid and dashed outlines, a ring with a
// hole, with the pattern anchored to the map as it moves.
TEST(AreaPainting, OpaqueHatchesAsQtDrawsThem)
{
    const MapObject ring = AreaObject({Square(7, 9, 61, 83), Square(20, 30, 40, 50)}, TAreaStyle{});
    for (std::uint32_t hatch = HS_HORIZONTAL; hatch <= HS_DIAGCROSS; ++hatch)
        for (std::uint32_t pen : {PS_SOLID, PS_DOT})
            for (double shift : {0.0, 3.3, 11.7}) {
                TAreaStyle style = SolidArea(RGB(0, 0, 160), pen, RGB(150, 0, 0));
                style.Brush = TLogBrush{BS_HATCHED, RGB(0, 0, 160), hatch};
                style.BackMode = OPAQUE;
                style.BackColor = RGB(255, 255, 180);
                TCanvas ours(TDoubleRect{shift, 100 + shift, 100 + shift, shift}, 100, 100);
                ours.Paint([&](TLayerPainter& p) { p.DrawAreaObject(ring, 255, style, kIdentity); });
                TCanvas qt(TDoubleRect{shift, 100 + shift, 100 + shift, shift}, 100, 100);
                {
                    QPainter painter(&qt.Image);
                    painter.setBackgroundMode(Qt::OpaqueMode);
                    painter.setBackground(QColor(255, 255, 180));
                    painter.setBrushOrigin(MapBrushOrigin(qt.View));
                    painter.setBrush(BrushFromLogBrush(style.Brush));
                    painter.setPen(PenFromLogPen(style.Outline));
                    QPainterPath path;
                    path.setFillRule(Qt::OddEvenFill);
                    for (std::size_t part = 0; part < 2; ++part) {
                        QPolygonF polygon;
                        for (std::size_t i = part * 5; i < part * 5 + 5; ++i) {
                            const TPoint p = qt.View.DocToScreen(ring.Points[i], 100);
                            polygon << QPointF(p.x, p.y);
                        }
                        path.addPolygon(polygon);
                        path.closeSubpath();
                    }
                    painter.drawPath(path);
                }
                EXPECT_TRUE(ours.Image == qt.Image) << hatch << ", pen " << pen << ", shift " << shift;
            }
}

TEST(AreaPainting, DiagonalHatchesLeanTheirWay)
{
    struct Row {
        std::uint32_t hatch;
        int dyAlongLine; // the next black pixel to the right is one row down (1) or up (-1)
    } rows[] = {{HS_FDIAGONAL, 1}, {HS_BDIAGONAL, -1}};
    for (const Row& row : rows) {
        TAreaStyle style;
        style.Outline.lopnStyle = PS_NULL;
        style.Brush = TLogBrush{BS_HATCHED, RGB(0, 0, 0), row.hatch};
        style.BackMode = TRANSPARENT;
        TCanvas canvas(TDoubleRect{0, 100, 100, 0}, 100, 100);
        const MapObject square = AreaObject({Square(10, 10, 90, 90)}, style);
        canvas.Paint([&](TLayerPainter& p) { p.DrawAreaObject(square, 255, style, kIdentity); });
        int x = 40;
        while (x < 60 && canvas.Image.pixel(x, 50) != Rgb(0, 0, 0)) ++x;
        ASSERT_LT(x, 60) << row.hatch;
        EXPECT_EQ(canvas.Image.pixel(x + 1, 50 + row.dyAlongLine), Rgb(0, 0, 0)) << row.hatch;
        EXPECT_NE(canvas.Image.pixel(x + 1, 50 - row.dyAlongLine), Rgb(0, 0, 0)) << row.hatch;
    }
}

TEST(LinePainting, PartsNeedTwoPoints)
{
    TCanvas canvas(TDoubleRect{0, 100, 100, 0}, 100, 100);
    const TLineStyle pen{PS_SOLID, TPoint{1, 0}, RGB(255, 0, 0)};
    // One single point part, then a horizontal line at y = 50.
    MapObject line = MakeObject(otLine, {{{5, 5}}, {{10, 50}, {90, 50}}});
    canvas.Paint([&](TLayerPainter& p) { p.DrawLineObject(line, pen, kIdentity); });
    EXPECT_EQ(canvas.Image.pixel(50, 50), Rgb(255, 0, 0));
    EXPECT_EQ(canvas.Image.pixel(5, 95), kWhite);
    EXPECT_EQ(canvas.ColoursIn(QRect(0, 0, 100, 45)), QSet<QRgb>{kWhite});
}

TEST(PointPainting, MissingFontDrawsACircleAtEachPart)
{
    TCanvas canvas(TDoubleRect{0, 100, 100, 0}, 100, 100);
    const TPointStyle style{65, 10, RGB(0, 0, 255), FontIndex("No Such Symbol Font")};
    // Two parts; the second part's first point is (70, 30).
    MapObject points = MakeObject(otPoint, {{{20, 80}}, {{70, 30}, {75, 35}}, {}});
    canvas.Paint([&](TLayerPainter& p) { p.DrawPointObject(points, style, kIdentity); });
    EXPECT_EQ(canvas.Image.pixel(20, 20), Rgb(0, 0, 255));
    EXPECT_EQ(canvas.Image.pixel(70, 70), Rgb(0, 0, 255));
    EXPECT_EQ(canvas.Image.pixel(20, 30), kWhite); // beyond the 5 px radius
    EXPECT_EQ(canvas.Image.pixel(75, 65), kWhite); // the part's second point gets nothing
}

TEST(PointPainting, SymbolFontGlyphIsCentredOnThePoint)
{
    RegisterSymbolFonts();
    if (!FontFamilyInstalled("Wingdings")) GTEST_SKIP() << "fonts-wine is not installed";
    TCanvas canvas(TDoubleRect{0, 100, 100, 0}, 100, 100);
    // Wingdings 'n' (110) is a filled black square.
    const TPointStyle style{110, 12, RGB(255, 0, 0), FontIndex("Wingdings")};
    MapObject point = MakeObject(otPoint, {{{50, 50}}});
    canvas.Paint([&](TLayerPainter& p) { p.DrawPointObject(point, style, kIdentity); });
    int painted = 0;
    long sumX = 0, sumY = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (canvas.Image.pixel(x, y) != kWhite) {
                ++painted;
                sumX += x;
                sumY += y;
            }
    ASSERT_GT(painted, 20);
    EXPECT_NEAR(static_cast<double>(sumX) / painted, 50, 4);
    EXPECT_NEAR(static_cast<double>(sumY) / painted, 50, 6);
    EXPECT_EQ(canvas.ColoursIn(QRect(0, 0, 30, 30)), QSet<QRgb>{kWhite});
}

namespace {

// Renders the list into a white 100 x 100 image showing (0, 100, 100, 0).
QImage RenderList(const TLayerList& layers)
{
    TMView view;
    view.SetClientSize(100, 100);
    view.ResetView(TDoubleRect{0, 100, 100, 0}, true);
    view.SetViewHeight(100);
    return RenderedList(layers, view, QSize(100, 100));
}

} // namespace

TEST(ListRendering, TopLayerPaintsLastAndHiddenLayersNot)
{
    TLayerList layers;
    Layer& lower = AddOnTop(layers, VectorLayerOf({AreaObject({Square(0, 0, 100, 100)}, SolidArea(RGB(255, 0, 0)))}));
    Layer& upper = AddOnTop(layers, VectorLayerOf({AreaObject({Square(0, 0, 50, 100)}, SolidArea(RGB(0, 255, 0)))}));
    QImage image = RenderList(layers);
    EXPECT_EQ(image.pixel(25, 50), Rgb(0, 255, 0));
    EXPECT_EQ(image.pixel(75, 50), Rgb(255, 0, 0));
    upper.Visible = 0;
    EXPECT_EQ(RenderList(layers).pixel(25, 50), Rgb(255, 0, 0));
    lower.Visible = 0;
    image = RenderList(layers);
    EXPECT_EQ(image.pixel(25, 50), kWhite);
    EXPECT_EQ(image.pixel(75, 50), kWhite);
}

TEST(ListRendering, CustomStyleReplacesTheObjectsOwn)
{
    TLayerList layers;
    Layer& layer = AddOnTop(layers, VectorLayerOf({AreaObject({Square(0, 0, 100, 100)}, SolidArea(RGB(255, 0, 0)))}));
    layer.Vector->CustomArea = SolidArea(RGB(0, 0, 255));
    layer.Vector->CustomOpacity = 255;
    layer.Vector->UseCustom = 1;
    EXPECT_EQ(RenderList(layers).pixel(50, 50), Rgb(0, 0, 255));
    layer.Vector->CustomOpacity = 128;
    EXPECT_TRUE(Near(RenderList(layers).pixel(50, 50), 127, 127, 255, 1));
}
