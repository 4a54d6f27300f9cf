#include "softedge/Softedge.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <memory>
#include <string>
#include <vector>

// These tests run in file order: the first runs with no QGuiApplication at
// all; the second creates and destroys applications to watch when drawing
// starts and stops.

namespace {

constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kBlue = 0xFF0000;

const SoftedgePoint kSquare[] = {{10, 10}, {90, 10}, {90, 90}, {10, 90}};
const SoftedgePoint kTwoSquares[] = {{10, 10}, {90, 10}, {90, 90}, {10, 90},
                                     {30, 30}, {70, 30}, {70, 70}, {30, 70}};
const int32_t kCounts[] = {4, 4};

// A white image with a painter on it; Result() ends painting and tells
// whether anything was drawn.
class TCanvas {
public:
    TCanvas() : image(100, 100, QImage::Format_RGB32)
    {
        image.fill(Qt::white);
        painter.begin(&image);
    }
    void* Dc() { return &painter; }
    bool Painted()
    {
        painter.end();
        return image.pixel(20, 20) != 0xFFFFFFFF;
    }

private:
    QImage image;
    QPainter painter;
};

// Draws one polygon and one set of rings; returns both results, which must
// agree, and whether anything was drawn.
struct TDrawResult {
    int32_t result;
    bool painted;
};

TDrawResult Draw()
{
    TCanvas one;
    const int32_t polygonResult = QMPolygon(one.Dc(), kSquare, 4, kRed, 128, kBlue, 1, 1);
    const bool polygonPainted = one.Painted();
    TCanvas rings;
    const int32_t ringsResult = QMPolyPolygon(rings.Dc(), kTwoSquares, kCounts, 2, kRed, 128, kBlue, 1, 1);
    const bool ringsPainted = rings.Painted();
    EXPECT_EQ(polygonResult, ringsResult);
    EXPECT_EQ(polygonPainted, ringsPainted);
    return {polygonResult, polygonPainted};
}

class TScopedApp {
public:
    TScopedApp() : app(std::make_unique<QGuiApplication>(argc, argv.data())) {}

private:
    int argc = 1;
    std::string name = "SoftedgeWithoutAppTest";
    std::vector<char*> argv{name.data(), nullptr};
    std::unique_ptr<QGuiApplication> app;
};

} // namespace

TEST(SoftedgeWithoutApp, NothingStartsAndNothingIsDrawn)
{
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(SoftedgeInit(), 0);
    const TDrawResult drawn = Draw();
    EXPECT_EQ(drawn.result, 0);
    EXPECT_FALSE(drawn.painted);
    // Even calls with nothing to draw report that drawing cannot start.
    EXPECT_EQ(QMPolyPolygon(nullptr, nullptr, nullptr, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(QMPolygon(nullptr, nullptr, 0, 0, 0, 0, 0, 0), 0);
    SoftedgeTerminate();
}

TEST(SoftedgeWithoutApp, DrawingStartsOnDemandAndStaysStartedAfterInit)
{
    {
        const TScopedApp app;
        const TDrawResult drawn = Draw();
        EXPECT_EQ(drawn.result, 1);
        EXPECT_TRUE(drawn.painted);
    }
    // Each of those calls stopped what it started.
    EXPECT_EQ(Draw().result, 0);

    {
        const TScopedApp app;
        EXPECT_EQ(SoftedgeInit(), 1);
    }
    // Started by SoftedgeInit, drawing goes on until SoftedgeTerminate.
    const TDrawResult drawn = Draw();
    EXPECT_EQ(drawn.result, 1);
    EXPECT_TRUE(drawn.painted);
    EXPECT_EQ(SoftedgeInit(), 1);
    SoftedgeTerminate();
    EXPECT_EQ(Draw().result, 0);
    EXPECT_EQ(SoftedgeInit(), 0);
}
