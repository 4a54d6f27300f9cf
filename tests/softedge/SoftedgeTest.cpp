#include "softedge/Softedge.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <climits>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kRed = 0x0000FF;   // COLORREF: red in the low byte
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0xFF0000;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kPenBlue = 0xFF0000FF;
constexpr int32_t kNoOutline = 5;

// A white RGB32 image with an active painter on it, as the viewer's
// off-screen bitmap.
class TCanvas {
public:
    explicit TCanvas(int width = 100, int height = 100) : image(width, height, QImage::Format_RGB32)
    {
        image.fill(Qt::white);
        painter.begin(&image);
    }
    void* Dc() { return &painter; }
    QPainter& Painter() { return painter; }
    const QImage& Done()
    {
        if (painter.isActive())
            painter.end();
        return image;
    }

private:
    QImage image;
    QPainter painter;
};

std::vector<SoftedgePoint> Square(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
}

std::vector<SoftedgePoint> Join(std::vector<SoftedgePoint> a, const std::vector<SoftedgePoint>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

int CountPixels(const QImage& image, QRgb color)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == color ? 1 : 0;
    return n;
}

bool AllWhite(const QImage& image)
{
    return CountPixels(image, kWhite) == image.width() * image.height();
}

// The complete runs of `color` and of other pixels along a row, alternating;
// the first and the last run may be cut by the range and are left out.
struct TRun {
    bool on;
    int length;
};

std::vector<TRun> CompleteRuns(const QImage& image, int y, int x1, int x2, QRgb color)
{
    std::vector<TRun> runs;
    for (int x = x1; x < x2; ++x) {
        const bool on = image.pixel(x, y) == color;
        if (runs.empty() || runs.back().on != on)
            runs.push_back({on, 0});
        ++runs.back().length;
    }
    if (runs.size() < 2)
        return {};
    return {runs.begin() + 1, runs.end() - 1};
}

// Whether the runs repeat `period` (on, off, on, off...) from some phase.
bool RepeatsPeriod(const std::vector<TRun>& runs, const std::vector<int>& period)
{
    for (std::size_t phase = 0; phase < period.size(); ++phase) {
        bool match = true;
        for (std::size_t i = 0; i < runs.size() && match; ++i) {
            const std::size_t k = (phase + i) % period.size();
            match = runs[i].on == (k % 2 == 0) && runs[i].length == period[k];
        }
        if (match)
            return true;
    }
    return false;
}

int32_t Polygon(TCanvas& canvas, const std::vector<SoftedgePoint>& points, uint32_t fill, int32_t alpha,
                int32_t penWidth = 1, int32_t penStyle = 0)
{
    return QMPolygon(canvas.Dc(), points.data(), static_cast<int32_t>(points.size()), fill, alpha, kBlue, penWidth,
                     penStyle);
}

int32_t PolyPolygon(TCanvas& canvas, const std::vector<SoftedgePoint>& points, const std::vector<int32_t>& counts,
                    int32_t penStyle = kNoOutline, int32_t penWidth = 1)
{
    return QMPolyPolygon(canvas.Dc(), points.data(), counts.data(), static_cast<int32_t>(counts.size()), kRed, 255,
                         kBlue, penWidth, penStyle);
}

void ExpectColor(const QImage& image, int x, int y, int r, int g, int b, int tolerance = 0)
{
    const QColor c = image.pixelColor(x, y);
    EXPECT_NEAR(c.red(), r, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(c.green(), g, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(c.blue(), b, tolerance) << "at " << x << "," << y;
}

} // namespace

TEST(Softedge, FillColourTakesTheLowByteOfAlpha)
{
    struct Row {
        const char* name;
        uint32_t fill;
        int32_t alpha;
        int r, g, b;
    };
    const Row rows[] = {
        {"half red over white", kRed, 128, 255, 127, 127},
        {"only the low byte of alpha", kRed, 0x1FF, 255, 0, 0},
        {"alpha 0x100 is transparent", kRed, 0x100, 255, 255, 255},
        {"negative alpha keeps its low byte", kRed, -1, 255, 0, 0},
        {"green in the middle byte", kGreen, 255, 0, 255, 0},
        {"blue in the high byte", kBlue, 255, 0, 0, 255},
        {"the top byte of the colour is ignored", 0xAB0000FF, 255, 255, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TCanvas canvas;
        EXPECT_EQ(Polygon(canvas, Square(10, 10, 90, 90), row.fill, row.alpha, 1, kNoOutline), 1);
        ExpectColor(canvas.Done(), 50, 50, row.r, row.g, row.b, 1);
    }
}

TEST(Softedge, FillCoversTheRingAndNothingElse)
{
    TCanvas canvas;
    Polygon(canvas, Square(10, 10, 90, 90), kRed, 255, 1, kNoOutline);
    const QImage& image = canvas.Done();
    ExpectColor(image, 10, 10, 255, 0, 0);
    ExpectColor(image, 89, 89, 255, 0, 0);
    ExpectColor(image, 9, 50, 255, 255, 255);
    ExpectColor(image, 50, 91, 255, 255, 255);
    EXPECT_EQ(CountPixels(image, kWhite) + CountPixels(image, 0xFFFF0000), 100 * 100);
}

TEST(Softedge, InnerRingCutsAHoleAndOverlapsAlternate)
{
    {
        SCOPED_TRACE("square in a square");
        TCanvas canvas;
        EXPECT_EQ(PolyPolygon(canvas, Join(Square(10, 10, 90, 90), Square(30, 30, 70, 70)), {4, 4}), 1);
        const QImage& image = canvas.Done();
        ExpectColor(image, 50, 50, 255, 255, 255);
        ExpectColor(image, 20, 50, 255, 0, 0);
        ExpectColor(image, 80, 80, 255, 0, 0);
        ExpectColor(image, 5, 5, 255, 255, 255);
    }
    {
        SCOPED_TRACE("two overlapping squares");
        TCanvas canvas;
        PolyPolygon(canvas, Join(Square(10, 10, 60, 60), Square(40, 40, 90, 90)), {4, 4});
        const QImage& image = canvas.Done();
        ExpectColor(image, 50, 50, 255, 255, 255);
        ExpectColor(image, 20, 20, 255, 0, 0);
        ExpectColor(image, 80, 80, 255, 0, 0);
    }
    {
        SCOPED_TRACE("a self-crossing ring alternates too");
        TCanvas canvas;
        // Two loops over the same square: every point is covered twice.
        const auto square = Square(20, 20, 80, 80);
        Polygon(canvas, Join(square, square), kRed, 255, 1, kNoOutline);
        ExpectColor(canvas.Done(), 50, 50, 255, 255, 255);
    }
}

TEST(Softedge, PenStylesChooseTheOutline)
{
    TCanvas none;
    Polygon(none, Square(10, 10, 90, 90), kRed, 128, 1, kNoOutline);
    EXPECT_EQ(CountPixels(none.Done(), kPenBlue), 0);

    TCanvas noneRings;
    PolyPolygon(noneRings, Join(Square(10, 10, 90, 90), Square(30, 30, 70, 70)), {4, 4}, kNoOutline);
    EXPECT_EQ(CountPixels(noneRings.Done(), kPenBlue), 0);

    // Unknown styles stroke solid: every pixel of the top edge is the pen's.
    for (int32_t style : {0, 6, 7, -1}) {
        SCOPED_TRACE(style);
        TCanvas canvas;
        Polygon(canvas, Square(10, 10, 90, 90), kRed, 128, 1, style);
        const QImage& image = canvas.Done();
        for (int x = 11; x < 90; ++x)
            ASSERT_EQ(image.pixel(x, 10), kPenBlue) << "column " << x;
    }
}

TEST(Softedge, DashPatternsAreInPenWidths)
{
    struct Row {
        const char* name;
        int32_t style;
        int32_t width;
        std::vector<int> period;
    };
    const Row rows[] = {
        {"dash", 1, 1, {3, 1}},
        {"dot", 2, 1, {1, 1}},
        {"dash-dot", 3, 1, {3, 1, 1, 1}},
        {"dash-dot-dot", 4, 1, {3, 1, 1, 1, 1, 1}},
        {"width 0 draws as width 1", 1, 0, {3, 1}},
        {"dash at width 3", 1, 3, {9, 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TCanvas canvas(200, 100);
        // A transparent fill leaves only the outline; the middle of the top
        // edge is read, away from the corners.
        QMPolygon(canvas.Dc(), Square(10, 10, 190, 90).data(), 4, kRed, 0, kBlue, row.width, row.style);
        const std::vector<TRun> runs = CompleteRuns(canvas.Done(), 10, 30, 180, kPenBlue);
        ASSERT_GE(runs.size(), row.period.size() * 3);
        EXPECT_TRUE(RepeatsPeriod(runs, row.period));
    }
}

TEST(Softedge, DashGapsShowWhatLiesBelow)
{
    TCanvas canvas(200, 100);
    canvas.Painter().setBackground(Qt::black);
    canvas.Painter().setBackgroundMode(Qt::OpaqueMode);
    QMPolygon(canvas.Dc(), Square(10, 10, 190, 90).data(), 4, kRed, 0, kBlue, 1, 1);
    EXPECT_EQ(CountPixels(canvas.Done(), 0xFF000000), 0);
}

TEST(Softedge, OpenRingsGetTheirClosingEdge)
{
    // Solid: the left edge from the last point back to the first is stroked.
    TCanvas open;
    Polygon(open, Square(10, 10, 90, 90), kRed, 0, 1, 0);
    const QImage& openImage = open.Done();
    for (int y = 11; y < 90; ++y)
        ASSERT_EQ(openImage.pixel(10, y), kPenBlue) << "row " << y;

    // Dashed: an open ring's closing edge is stroked twice, the second time
    // as a line of its own with the pattern starting afresh, so more of it is
    // covered than when the ring repeats its first point. The sides are
    // chosen so that the pattern does not start afresh at the closing edge.
    auto closedRing = Square(10, 10, 91, 90);
    closedRing.push_back(closedRing.front());
    TCanvas dashedOpen;
    TCanvas dashedClosed;
    Polygon(dashedOpen, Square(10, 10, 91, 90), kRed, 0, 1, 1);
    Polygon(dashedClosed, closedRing, kRed, 0, 1, 1);
    const auto leftEdge = [](const QImage& image) {
        int n = 0;
        for (int y = 11; y < 90; ++y)
            n += image.pixel(10, y) == kPenBlue ? 1 : 0;
        return n;
    };
    const int closedCount = leftEdge(dashedClosed.Done());
    EXPECT_GT(closedCount, 0);
    EXPECT_LT(closedCount, 79);
    EXPECT_GT(leftEdge(dashedOpen.Done()), closedCount);

    // Every ring of a set is closed as a figure of its own.
    TCanvas rings;
    PolyPolygon(rings, Join(Square(10, 10, 40, 40), Square(60, 60, 90, 90)), {4, 4}, 0);
    const QImage& ringsImage = rings.Done();
    for (int y = 11; y < 40; ++y)
        ASSERT_EQ(ringsImage.pixel(10, y), kPenBlue) << "first ring, row " << y;
    for (int y = 61; y < 90; ++y)
        ASSERT_EQ(ringsImage.pixel(60, y), kPenBlue) << "second ring, row " << y;
}

TEST(Softedge, NothingToDrawReturnsOne)
{
    const auto square = Square(10, 10, 90, 90);
    const int32_t four[] = {4};
    const int32_t empty[] = {0, -4};
    struct PolygonRow {
        const char* name;
        bool withPainter;
        const SoftedgePoint* points;
        int32_t count;
    };
    const PolygonRow polygonRows[] = {
        {"count 0", true, square.data(), 0},
        {"negative count", true, square.data(), -3},
        {"null device context", false, square.data(), 4},
        {"null points", true, nullptr, 4},
    };
    for (const PolygonRow& row : polygonRows) {
        SCOPED_TRACE(row.name);
        TCanvas canvas;
        EXPECT_EQ(QMPolygon(row.withPainter ? canvas.Dc() : nullptr, row.points, row.count, kRed, 255, kBlue, 1, 0), 1);
        EXPECT_TRUE(AllWhite(canvas.Done()));
    }

    struct RingsRow {
        const char* name;
        bool withPainter;
        const SoftedgePoint* points;
        const int32_t* counts;
        int32_t ringCount;
    };
    const RingsRow ringsRows[] = {
        {"ring count 0", true, square.data(), four, 0},
        {"negative ring count", true, square.data(), four, -1},
        {"one ring without points", true, square.data(), empty, 1},
        {"rings without points", true, square.data(), empty, 2},
        {"null device context", false, square.data(), four, 1},
        {"null points", true, nullptr, four, 1},
        {"null counts", true, square.data(), nullptr, 1},
    };
    for (const RingsRow& row : ringsRows) {
        SCOPED_TRACE(row.name);
        TCanvas canvas;
        EXPECT_EQ(QMPolyPolygon(row.withPainter ? canvas.Dc() : nullptr, row.points, row.counts, row.ringCount, kRed,
                                255, kBlue, 1, 0),
                  1);
        EXPECT_TRUE(AllWhite(canvas.Done()));
    }

    // A painter that is not painting is no device context.
    QPainter idle;
    EXPECT_EQ(QMPolygon(&idle, square.data(), 4, kRed, 255, kBlue, 1, 0), 1);
    EXPECT_EQ(QMPolyPolygon(&idle, square.data(), four, 1, kRed, 255, kBlue, 1, 0), 1);
}

TEST(Softedge, RingsWithoutPointsAreSkipped)
{
    // The second square must be read right after the first, whatever the
    // skipped rings between them declare.
    for (const std::vector<int32_t>& counts : {std::vector<int32_t>{4, 0, 4}, std::vector<int32_t>{4, -3, 4},
                                               std::vector<int32_t>{0, 4, INT_MIN, 4}}) {
        TCanvas canvas;
        PolyPolygon(canvas, Join(Square(10, 10, 40, 40), Square(60, 60, 90, 90)), counts);
        const QImage& image = canvas.Done();
        ExpectColor(image, 25, 25, 255, 0, 0);
        ExpectColor(image, 75, 75, 255, 0, 0);
        ExpectColor(image, 50, 50, 255, 255, 255);
    }
}

TEST(Softedge, CallerPainterStateIsKept)
{
    TCanvas canvas;
    QPainter& painter = canvas.Painter();
    const QPen pen(Qt::green, 4, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::yellow);
    painter.setOpacity(0.5);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setCompositionMode(QPainter::CompositionMode_Xor);
    painter.translate(5, 0);

    const int32_t counts[] = {4, 4};
    const auto rings = Join(Square(10, 10, 40, 40), Square(20, 20, 30, 30));
    QMPolygon(canvas.Dc(), rings.data(), 4, kRed, 255, kBlue, 1, 0);
    QMPolyPolygon(canvas.Dc(), rings.data(), counts, 2, kRed, 255, kBlue, 1, 0);

    EXPECT_EQ(painter.pen(), pen);
    EXPECT_EQ(painter.brush(), QBrush(Qt::yellow));
    EXPECT_DOUBLE_EQ(painter.opacity(), 0.5);
    EXPECT_TRUE(painter.testRenderHint(QPainter::Antialiasing));
    EXPECT_EQ(painter.backgroundMode(), Qt::OpaqueMode);
    EXPECT_EQ(painter.compositionMode(), QPainter::CompositionMode_Xor);
    EXPECT_EQ(painter.transform(), QTransform::fromTranslate(5, 0));

    // The drawing itself ignored opacity, smoothing and blending but moved
    // with the caller's transform.
    const QImage& image = canvas.Done();
    ExpectColor(image, 16, 12, 255, 0, 0);
    ExpectColor(image, 12, 12, 255, 255, 255);
    EXPECT_EQ(image.pixel(15, 25), kPenBlue);
}

TEST(Softedge, DrawingWorksAcrossInitAndTerminate)
{
    EXPECT_EQ(SoftedgeInit(), 1);
    EXPECT_EQ(SoftedgeInit(), 1);
    {
        TCanvas canvas;
        EXPECT_EQ(Polygon(canvas, Square(10, 10, 90, 90), kRed, 255), 1);
        ExpectColor(canvas.Done(), 50, 50, 255, 0, 0);
    }
    SoftedgeTerminate();
    SoftedgeTerminate();
    TCanvas canvas;
    EXPECT_EQ(PolyPolygon(canvas, Join(Square(10, 10, 90, 90), Square(30, 30, 70, 70)), {4, 4}), 1);
    ExpectColor(canvas.Done(), 20, 20, 255, 0, 0);
}

TEST(Softedge, HostileCoordinatesAndWidthsDrawSafely)
{
    const std::vector<SoftedgePoint> far{{INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MIN, 50}};
    const std::vector<SoftedgePoint> tiny{{50, 50}};
    const std::vector<SoftedgePoint> line{{10, 50}, {90, 50}};
    for (int32_t width : {0, 1, 1000}) {
        for (int32_t style : {0, 1, 4}) {
            SCOPED_TRACE(testing::Message() << "width " << width << " style " << style);
            TCanvas canvas;
            EXPECT_EQ(Polygon(canvas, far, kRed, 128, width, style), 1);
            EXPECT_EQ(Polygon(canvas, tiny, kRed, 128, width, style), 1);
            EXPECT_EQ(Polygon(canvas, line, kRed, 128, width, style), 1);
            EXPECT_EQ(PolyPolygon(canvas, Join(far, line), {4, 2}, style, width), 1);
            canvas.Done();
        }
    }
    // Pens wider than Qt allows are drawn as wide as it allows, not thin.
    for (int32_t width : {40000, INT_MAX}) {
        TCanvas canvas;
        Polygon(canvas, Square(40, 40, 60, 60), kRed, 255, width, 0);
        EXPECT_EQ(CountPixels(canvas.Done(), kPenBlue), 100 * 100) << "width " << width;
    }

    // A negative width makes no outline; the fill is still drawn.
    TCanvas canvas;
    Polygon(canvas, Square(10, 10, 90, 90), kRed, 255, -2, 0);
    const QImage& image = canvas.Done();
    EXPECT_EQ(CountPixels(image, kPenBlue), 0);
    ExpectColor(image, 50, 50, 255, 0, 0);
}

// The viewer draws the bands of a map on several threads at once, each with
// its own painter, none calling SoftedgeInit: a call that finds drawing
// started by another thread must draw even when that thread stops it while
// the call runs.
TEST(SoftedgeThreads, EveryCallDrawsWhileOthersStartAndStop)
{
    const auto draw = [](QImage& image) {
        QPainter painter(&image);
        for (int i = 0; i < 2000; ++i) {
            const int x = i % 40 * 2, y = i / 40 % 40;
            const SoftedgePoint ring[] = {{x, y}, {x + 3, y}, {x + 3, y + 2}, {x, y + 2}, {x, y}};
            QMPolygon(&painter, ring, 5, kRed, 128, 0, 1, 0);
        }
    };
    QImage expected(100, 100, QImage::Format_RGB32);
    expected.fill(Qt::white);
    draw(expected);
    std::vector<QImage> images(16, expected);
    std::vector<std::thread> threads;
    for (QImage& image : images) {
        image.fill(Qt::white);
        threads.emplace_back([&draw, &image] { draw(image); });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (const QImage& image : images)
        EXPECT_TRUE(image == expected);
}
