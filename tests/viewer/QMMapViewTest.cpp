#include "viewer/QMMapView.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "geodata/IdrisiRST.h"
#include "platform/FileByteReader.h"
#include "platform/TextFile.h"
#include "tests/support/RecordingUi.h"
#include "tests/viewer/MapLayers.h"
#include "viewer/QMMapDoc.h"

using namespace maptest;

namespace {

void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A view of a 400 x 200 client area showing the document.
class MapViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        View.setFrameShape(QFrame::NoFrame);
        View.resize(400 + View.verticalScrollBar()->sizeHint().width(),
                    200 + View.horizontalScrollBar()->sizeHint().height());
        View.show();
        QApplication::processEvents();
        ASSERT_EQ(View.viewport()->size(), QSize(400, 200));
        View.SetDoc(&Document);
    }

    void Press(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        SendMouse(View.viewport(), QEvent::MouseButtonPress, at, button, button);
    }
    void Drag(QPoint to) { SendMouse(View.viewport(), QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton); }
    void Hover(QPoint to) { SendMouse(View.viewport(), QEvent::MouseMove, to, Qt::NoButton, Qt::NoButton); }
    void Release(QPoint at) { SendMouse(View.viewport(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }

    // One green square layer over the extent (0, 1000, 1000, 0).
    void AddSquareLayer(double size = 1000)
    {
        AddOnTop(Document.Layers(), VectorLayerOf({AreaObject({Square(0, 0, size, size / 2)}, SolidArea(RGB(0, 255, 0)))}));
        Document.InvalidateExtent();
    }

    TQMMapDoc Document;
    TQMMapView View;
};

} // namespace

TEST_F(MapViewTest, ResetViewFitsTheDocument)
{
    AddSquareLayer(); // 1000 x 500 in 400 x 200: scale 0.4 both ways
    View.ResetView(true);
    EXPECT_DOUBLE_EQ(View.Viewport().GetScale(), 0.4);
    EXPECT_DOUBLE_EQ(View.Viewport().GetOriginX(), 0);
    EXPECT_FALSE(View.horizontalScrollBar()->isEnabled());
    EXPECT_EQ(View.horizontalScrollBar()->maximum(), 0);
    const QImage image = View.RenderImage();
    EXPECT_EQ(image.size(), QSize(400, 200));
    EXPECT_EQ(image.pixel(200, 100), Rgb(0, 255, 0));
}

TEST_F(MapViewTest, ScrollBarsFollowTheZoomAndMoveTheMap)
{
    AddSquareLayer();
    View.ResetView(true);
    View.ZoomIn();
    QScrollBar* bar = View.horizontalScrollBar();
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_EQ(bar->pageStep(), 15000);
    EXPECT_EQ(bar->value(), 7500);
    EXPECT_EQ(bar->maximum(), 15000);
    const double visible = 400 / View.Viewport().GetScale();
    const double before = View.Viewport().GetOriginX();
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_NEAR(View.Viewport().GetOriginX(), before - visible / 10, 1 / View.Viewport().GetScale());
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_NEAR(View.Viewport().GetOriginX() + visible, 1000, 1 / View.Viewport().GetScale());
    EXPECT_EQ(bar->value(), 15000);
    bar->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_DOUBLE_EQ(View.Viewport().GetOriginX(), 0);
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(MapViewTest, ScrolledViewEqualsAFullRepaint)
{
    // Plain, hatched (with and without a background) and translucent areas
    // overlapping over the extent (0, 500, 1000, 0).
    auto hatched = [](std::uint32_t hatch, std::int32_t backMode) {
        TAreaStyle style = SolidArea(RGB(160, 0, 0), PS_SOLID, RGB(0, 0, 0));
        style.Brush = TLogBrush{BS_HATCHED, RGB(160, 0, 0), hatch};
        style.BackMode = backMode;
        style.BackColor = RGB(255, 255, 160);
        return style;
    };
    AddOnTop(Document.Layers(),
             VectorLayerOf({AreaObject({Square(0, 0, 1000, 500)}, SolidArea(RGB(0, 200, 0))),
                            AreaObject({Square(30, 20, 610, 470)}, hatched(HS_DIAGCROSS, TRANSPARENT)),
                            AreaObject({Square(420, 60, 980, 430)}, hatched(HS_CROSS, OPAQUE))}));
    const TAreaStyle blue = SolidArea(RGB(0, 0, 255));
    Layer& translucent = AddOnTop(Document.Layers(), VectorLayerOf({AreaObject({Square(200, 100, 800, 400)}, blue)}));
    translucent.Vector->DefaultOpacity = 128;
    Document.InvalidateExtent();
    View.ResetView(true);
    View.ZoomIn();
    View.ZoomIn(); // 1.6 px per unit: the map is 1600 x 800 px in a 400 x 200 view
    QApplication::processEvents();

    // What the window shows, as the backing store holds it after the scroll
    // moved the old pixels and the uncovered strip was painted.
    auto shown = [this]() {
        QApplication::processEvents();
        const QPoint at = View.viewport()->mapTo(&View, QPoint(0, 0));
        const QPixmap grabbed = View.screen()->grabWindow(View.winId(), at.x(), at.y(), 400, 200);
        return grabbed.toImage().convertToFormat(QImage::Format_RGB32);
    };
    auto differing = [](const QImage& a, const QImage& b) {
        int count = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
        return count;
    };
    ASSERT_EQ(differing(shown(), View.RenderImage()), 0);

    struct TStep {
        const char* Name;
        Qt::Orientation Bar;
        int Thumb; // slider units to move the thumb by; 0 for one line forward
    };
    // One pixel is 18.75 slider units on both bars.
    const TStep steps[] = {
        {"right 1 px", Qt::Horizontal, 19},  {"right 3 px", Qt::Horizontal, 56},
        {"right 7 px", Qt::Horizontal, 131}, {"left 13 px", Qt::Horizontal, -244},
        {"line right", Qt::Horizontal, 0},   {"down 1 px", Qt::Vertical, 19},
        {"down 5 px", Qt::Vertical, 94},     {"up 11 px", Qt::Vertical, -206},
        {"line down", Qt::Vertical, 0},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.Name);
        QScrollBar* bar = step.Bar == Qt::Horizontal ? View.horizontalScrollBar() : View.verticalScrollBar();
        const double x = View.Viewport().GetOriginX();
        const double y = View.Viewport().GetOriginY();
        if (step.Thumb == 0)
            bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        else
            bar->setSliderPosition(bar->sliderPosition() + step.Thumb);
        ASSERT_TRUE(View.Viewport().GetOriginX() != x || View.Viewport().GetOriginY() != y);
        EXPECT_EQ(differing(shown(), View.RenderImage()), 0);
    }
}

TEST_F(MapViewTest, ZoomToolBandAndClick)
{
    AddSquareLayer();
    View.ResetView(true);
    View.SetZoomMode(true);
    const TDoublePoint corner = View.Viewport().ScreenToWorld(TPoint{100, 150}, 200);
    // Dragged up and to the right: 100 x 50 px, which fills the 400 x 200 view.
    Press(QPoint(100, 150));
    Drag(QPoint(150, 120));
    EXPECT_TRUE(View.IsBandActive());
    Drag(QPoint(200, 100));
    Release(QPoint(200, 100));
    EXPECT_FALSE(View.IsBandActive());
    EXPECT_DOUBLE_EQ(View.Viewport().GetScale(), 1.6);
    EXPECT_DOUBLE_EQ(View.Viewport().GetOriginX(), corner.x);
    EXPECT_DOUBLE_EQ(View.Viewport().GetOriginY(), corner.y);

    // A click zooms by 1.5 around the point.
    const TDoublePoint clicked = View.Viewport().ScreenToWorld(TPoint{180, 90}, 200);
    Press(QPoint(180, 90));
    Release(QPoint(180, 90));
    EXPECT_DOUBLE_EQ(View.Viewport().GetScale(), 2.4);
    EXPECT_NEAR(View.Viewport().GetOriginX() + 200 / 2.4, clicked.x, 1e-9);
}

TEST_F(MapViewTest, BandDraggedLeftZoomsAndALineBandStays)
{
    AddSquareLayer();
    View.ResetView(true);
    View.SetZoomMode(true);
    Press(QPoint(300, 50));
    Drag(QPoint(200, 100));
    Release(QPoint(200, 100));
    EXPECT_DOUBLE_EQ(View.Viewport().GetScale(), 1.6);

    const double scale = View.Viewport().GetScale();
    Press(QPoint(10, 50));
    Drag(QPoint(90, 50));
    Release(QPoint(90, 50));
    EXPECT_TRUE(View.IsBandActive());
    EXPECT_DOUBLE_EQ(View.Viewport().GetScale(), scale);
}

TEST_F(MapViewTest, PanDragMovesTheMapWithinTheExtent)
{
    AddSquareLayer();
    View.ResetView(true);
    View.ZoomIn(); // 0.8 px per unit
    View.SetPanMode(true);
    const double x = View.Viewport().GetOriginX();
    Press(QPoint(200, 100));
    EXPECT_TRUE(View.IsPanDragging());
    Drag(QPoint(240, 100));
    EXPECT_DOUBLE_EQ(View.Viewport().GetOriginX(), x - 50);
    Release(QPoint(240, 100));
    EXPECT_FALSE(View.IsPanDragging());
    EXPECT_EQ(View.horizontalScrollBar()->value(), View.Viewport().HorizontalBar().Position);
}

TEST_F(MapViewTest, ZeroSizedWindowChangesNothing)
{
    AddSquareLayer();
    View.ResetView(true);
    View.ZoomIn();
    const double scale = View.Viewport().GetScale();
    const double x = View.Viewport().GetOriginX();
    View.resize(0, 0);
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(View.Viewport().GetScale(), scale);
    EXPECT_DOUBLE_EQ(View.Viewport().GetOriginX(), x);
}

TEST_F(MapViewTest, StatusBarShowsThePointersCoordinates)
{
    AddSquareLayer();
    View.ResetView(true);
    QStatusBar bar;
    TStatusBarPanels panels(bar);
    EXPECT_EQ(panels.Panel(0)->width(), 400);
    EXPECT_EQ(panels.Panel(3)->width(), 50);
    EXPECT_EQ(panels.Panel(1)->width(), 120);
    EXPECT_EQ(panels.Panel(2)->alignment(), Qt::AlignCenter);
    View.SetStatusBar(&panels, 1);
    Hover(QPoint(100, 50));
    // At scale 0.4 in a client 200 high, the pixel (100, 50) is the plane
    // point (250, 375).
    EXPECT_EQ(panels.PanelText(1), "250");
    EXPECT_EQ(panels.PanelText(2), "375");
    EXPECT_TRUE(panels.PanelText(0).isEmpty());
}

TEST_F(MapViewTest, ExportWritesA24BitBitmapOfTheClientArea)
{
    AddSquareLayer();
    View.ResetView(true);
    // Saving during a pan drag still writes the whole map.
    View.SetPanMode(true);
    Press(QPoint(10, 10));
    TScratchFolder folder;
    const std::string file = folder.Path("view.png"); // BMP whatever the extension
    View.SaveViewBitmap(QString::fromStdString(file));
    Release(QPoint(10, 10));

    const std::string bytes = ReadFileBytes(file);
    {
        TFileByteReader reader(file);
        std::string magic(2, '\0');
        reader.ReadBytes(magic.data(), magic.size());
        EXPECT_EQ(magic, "BM");
        reader.Skip(16);
        EXPECT_EQ(reader.ReadI32(), 400);
        EXPECT_EQ(std::abs(reader.ReadI32()), 200);
        reader.Skip(2);
        std::uint16_t bitCount = 0;
        reader.ReadBytes(&bitCount, sizeof bitCount);
        EXPECT_EQ(bitCount, 24);
    }
    QImage back(QString::fromStdString(file), "BMP");
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), View.RenderImage());

    // Saved over a link, the bitmap goes to the link's target, which keeps
    // its permissions.
    namespace fs = std::filesystem;
    const std::string target = folder.Path("private.bmp");
    const std::string link = folder.Path("link.bmp");
    fs::copy_file(file, target);
    fs::resize_file(target, 10);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, link);
    View.SaveViewBitmap(QString::fromStdString(link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(target), bytes);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(MapViewTest, ExportToAnUnwritablePlaceRaises)
{
    AddSquareLayer();
    View.ResetView(true);
    TScratchFolder folder;
    const std::string file = folder.Path("missing/view.bmp");
    try {
        View.SaveViewBitmap(QString::fromStdString(file));
        FAIL() << "no error";
    } catch (const QMError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + file + ".");
    }
}

TEST_F(MapViewTest, PaintFailureIsReportedOnce)
{
    auto [ui, guard] = RecordingUi::Install();
    TMDoc plain;
    View.SetDoc(&plain);
    View.viewport()->repaint();
    View.viewport()->repaint();
    QApplication::processEvents();
    ASSERT_EQ(ui->Messages.size(), 1u);
    EXPECT_EQ(ui->Messages[0].Caption, "Error");
    View.SetDoc(&Document);
}

namespace {

// A document with an integer raster (cells 2 and 42, code 2 named Forest),
// a real raster (cells 2.5 and 0.25) and a vector layer on top.
class MapViewHintTest : public MapViewTest {
protected:
    void SetUp() override
    {
        MapViewTest::SetUp();
        const std::string palette = Folder.GreyPalette();
        IntegerFile = Folder.WriteRaster<std::int16_t>("landuse", "integer", {2, 42},
                                                       "min. value : 2\nmax. value : 42\ndisplay min : 2\ndisplay max : 42\n"
                                                       "legend cats : 1\ncode 2 : Forest;Лес\n");
        RealFile = Folder.WriteRaster<float>("depth", "real", {2.5f, 0.25f});
        Document.Layers().AddRasterLayer(RealFile, palette, true, false, 1);
        Document.Layers().AddRasterLayer(IntegerFile, palette, true, false, 1);
        AddOnTop(Document.Layers(), VectorLayerOf({AreaObject({Square(0, 0, 2, 1)}, SolidArea(RGB(0, 255, 0)))}));
        Document.InvalidateExtent();
        VectorFile = "roads.vct";
        Document.Layers().Items(0)->FileName = VectorFile;
        View.SetSelectedLayerSource([this] { return Selected; });
        View.ResetView(true); // 2 x 1 in 400 x 200: a cell is 200 px wide
    }

    TScratchFolder Folder;
    std::string IntegerFile;
    std::string RealFile;
    std::string VectorFile;
    std::string Selected;
    const std::string None;
};

} // namespace

TEST_F(MapViewHintTest, TextsOfTheCellUnderThePointer)
{
    const QString decimal = QLocale().decimalPoint();
    struct Row {
        const char* name;
        const std::string* selected;
        QPoint at;
        QString expected;
    } rows[] = {
        {"category cell", &IntegerFile, {50, 100}, "2:Forest"},
        {"right half of cell 0", &IntegerFile, {190, 100}, "2:Forest"},
        {"cell without a category", &IntegerFile, {250, 100}, "42"},
        {"real cell", &RealFile, {100, 100}, "2" + decimal + "50"},
        {"vector selected: the lowest visible raster", &VectorFile, {100, 100}, "2" + decimal + "50"},
        {"nothing selected", &None, {100, 100}, ""},
    };
    for (const Row& row : rows) {
        Selected = *row.selected;
        EXPECT_EQ(View.GetHintText(row.at), row.expected) << row.name;
    }
}

TEST_F(MapViewHintTest, HiddenSelectedRasterStillAnswers)
{
    Document.LayerByName(RealFile)->Visible = 0;
    Selected = RealFile;
    EXPECT_EQ(View.GetHintText(QPoint(100, 100)), "2" + QString(QLocale().decimalPoint()) + "50");
    // With the vector layer selected the hidden raster is passed over.
    Selected = VectorFile;
    EXPECT_EQ(View.GetHintText(QPoint(100, 100)), "2:Forest");
}

namespace {

// Pixels that are not the background of the hint.
int TextPixels(const QImage& image, QRgb background)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != background;
    return n;
}

// Whether the hint shows its whole text: its text pixels, frame aside, are
// those of the text drawn in the hint's font with room to spare.
bool ShowsWholeText(QLabel& hint)
{
    const QImage shown = hint.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb background = hint.palette().color(QPalette::ToolTipBase).rgb();
    const int frame = hint.frameWidth();
    const QImage inside = shown.copy(shown.rect().adjusted(frame, frame, -frame, -frame));
    QImage free(400, inside.height(), QImage::Format_RGB32);
    free.fill(background);
    {
        QPainter painter(&free);
        painter.setFont(hint.font());
        painter.setPen(hint.palette().color(QPalette::ToolTipText));
        painter.drawText(free.rect().adjusted(10, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, hint.text());
    }
    const int expected = TextPixels(free, background);
    return expected > 0 && std::abs(TextPixels(inside, background) - expected) <= expected / 10;
}

} // namespace

TEST_F(MapViewHintTest, HintWindowShowsAndHides)
{
    Selected = IntegerFile;
    View.SetHintMode(true);
    // Bottom-left corner at the press point, 18 high, wide enough for the text.
    Press(QPoint(250, 100));
    ASSERT_NE(View.HintWindow(), nullptr);
    EXPECT_EQ(View.HintWindow()->text(), "42");
    EXPECT_EQ(View.HintWindow()->parentWidget(), View.viewport());
    const QRect shown = View.HintWindow()->geometry();
    EXPECT_EQ(shown.topLeft(), QPoint(250, 100 - 18));
    EXPECT_EQ(shown.height(), 18);
    EXPECT_GE(shown.width(), 16);
    EXPECT_TRUE(ShowsWholeText(*View.HintWindow()));
    Press(QPoint(250, 100), Qt::RightButton);
    EXPECT_EQ(View.HintWindow(), nullptr);

    Press(QPoint(50, 100));
    ASSERT_NE(View.HintWindow(), nullptr);
    EXPECT_EQ(View.HintWindow()->text(), "2:Forest");
    EXPECT_GE(View.HintWindow()->width(), 64);
    EXPECT_TRUE(ShowsWholeText(*View.HintWindow()));
    View.SetHintMode(false);
    EXPECT_EQ(View.HintWindow(), nullptr);

    // A pointer outside the raster shows nothing.
    View.SetHintMode(true);
    View.ZoomOut();
    Press(QPoint(2, 2));
    EXPECT_EQ(View.HintWindow(), nullptr);
}

TEST_F(MapViewHintTest, AHintNearAnEdgeStaysWholeInsideTheMap)
{
    Selected = IntegerFile;
    View.SetHintMode(true);
    const QRect map(QPoint(0, 0), View.viewport()->size());
    for (QPoint at : {QPoint(398, 3), QPoint(1, 1), QPoint(399, 199)}) {
        Press(at);
        ASSERT_NE(View.HintWindow(), nullptr);
        const QRect shown = View.HintWindow()->geometry();
        EXPECT_TRUE(map.contains(shown)) << at.x() << "," << at.y();
        EXPECT_EQ(shown.height(), 18);
        EXPECT_EQ(shown.top(), std::max(0, at.y() - 18));
    }
}

TEST_F(MapViewHintTest, AHintGoesWhenTheMapUnderItChanges)
{
    Selected = IntegerFile;
    struct Row {
        const char* Name;
        std::function<void()> Act;
        bool Kept;
    } rows[] = {
        {"zoomed in", [&] { View.ZoomIn(); }, false},
        {"zoomed out", [&] { View.ZoomOut(); }, false},
        {"fitted", [&] { View.ZoomFit(); }, false},
        {"reset after a layer command", [&] { View.ResetView(false); }, false},
        {"resized", [&] { View.resize(View.size() - QSize(30, 20)); }, false},
        {"scrolled", [&] { View.horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); }, false},
        {"panned",
         [&] {
             View.SetPanMode(true);
             Press(QPoint(200, 100));
             Drag(QPoint(240, 110));
             Release(QPoint(240, 110));
         },
         false},
        {"window deactivated",
         [&] {
             QEvent deactivate(QEvent::WindowDeactivate);
             QApplication::sendEvent(&View, &deactivate);
         },
         false},
        {"pointer moved", [&] { Hover(QPoint(100, 50)); }, true},
        {"repainted", [&] { View.viewport()->repaint(); }, true},
    };
    const QSize size = View.size();
    for (const Row& row : rows) {
        View.resize(size);
        View.ZoomFit();
        View.ZoomIn();
        View.SetHintMode(true);
        Press(QPoint(250, 100));
        ASSERT_NE(View.HintWindow(), nullptr) << row.Name;
        row.Act();
        EXPECT_EQ(View.HintWindow() != nullptr, row.Kept) << row.Name;
    }
}

TEST_F(MapViewHintTest, RasterIsDrawnWithItsPalette)
{
    // The vector square on top hides the rasters: hide it.
    Document.Layers().Items(0)->Visible = 0;
    const QImage image = View.RenderImage();
    // Cells 2 and 42 of the integer raster, stretched over its range 2..42.
    EXPECT_EQ(image.pixel(100, 100), Rgb(0, 0, 0));
    EXPECT_EQ(image.pixel(300, 100), Rgb(255, 255, 255));
}
