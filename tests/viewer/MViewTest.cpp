#include "viewer/MView.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/RuntimeErrors.h"

namespace {

// A view of `width` x `height` pixels showing `extent`, fitted.
TMView FittedView(const TDoubleRect& extent, int width, int height)
{
    TMView view;
    view.SetClientSize(width, height);
    EXPECT_TRUE(view.ResetView(extent, true));
    return view;
}

TDoublePoint Centre(const TMView& view)
{
    return TDoublePoint{view.GetOriginX() + view.ClientWidth() / view.GetScale() / 2,
                        view.GetOriginY() + view.ClientHeight() / view.GetScale() / 2};
}

} // namespace

TEST(MViewFit, WideExtentFillsTheWidthAndIsCentredVertically)
{
    TMView view = FittedView(TDoubleRect{0, 500, 1000, 0}, 400, 400);
    EXPECT_DOUBLE_EQ(view.GetScale(), 0.4);
    EXPECT_DOUBLE_EQ(view.GetOriginX(), 0);
    // 400 px show 1000 units vertically: the 500 high extent sits in the middle.
    EXPECT_DOUBLE_EQ(view.GetOriginY(), (0 + 500 - 1000) * 0.5);
}

TEST(MViewFit, EqualRatiosTakeTheHeightBranch)
{
    // 200 x 100 in 400 x 200: both ratios 0.5; the height branch sets OriginY
    // to the bottom and centres x, which here is exact as well.
    TMView view = FittedView(TDoubleRect{10, 120, 210, 20}, 400, 200);
    EXPECT_DOUBLE_EQ(view.GetScale(), 2.0);
    EXPECT_DOUBLE_EQ(view.GetOriginY(), 20);
    EXPECT_DOUBLE_EQ(view.GetOriginX(), 10);
}

TEST(MViewFit, TallExtentIsCentredHorizontally)
{
    TMView view = FittedView(TDoubleRect{0, 1000, 100, 0}, 300, 200);
    EXPECT_DOUBLE_EQ(view.GetScale(), 0.2);
    EXPECT_DOUBLE_EQ(view.GetOriginY(), 0);
    EXPECT_DOUBLE_EQ(view.GetOriginX(), (100 - 1500) * 0.5);
}

TEST(MViewFit, EmptyExtentLeavesTheViewAsItWas)
{
    TMView view = FittedView(TDoubleRect{0, 500, 1000, 0}, 400, 400);
    EXPECT_FALSE(view.ResetView(TDoubleRect{5, 5, 5, 5}, true));
    EXPECT_DOUBLE_EQ(view.GetScale(), 0.4);
    EXPECT_DOUBLE_EQ(view.GetViewExtent().X2, 1000);
}

TEST(MViewFit, FitWithoutAClientAreaChangesNothing)
{
    TMView view;
    EXPECT_TRUE(view.ResetView(TDoubleRect{0, 500, 1000, 0}, true));
    EXPECT_DOUBLE_EQ(view.GetScale(), 1.0);
    EXPECT_FALSE(view.SetClientSize(0, 300));
    EXPECT_FALSE(view.SetClientSize(300, 0));
    EXPECT_EQ(view.ClientWidth(), 0);
}

TEST(MViewFit, ResizingToZeroKeepsTheView)
{
    TMView view = FittedView(TDoubleRect{0, 500, 1000, 0}, 400, 400);
    view.ZoomIn();
    const double scale = view.GetScale();
    const double x = view.GetOriginX();
    const double y = view.GetOriginY();
    EXPECT_FALSE(view.SetClientSize(0, 0));
    EXPECT_FALSE(view.SetClientSize(400, 0));
    EXPECT_EQ(view.ClientWidth(), 400);
    // A fit still uses the last real size.
    view.ZoomFit();
    EXPECT_DOUBLE_EQ(view.GetScale(), 0.4);
    view.SetView(scale, x, y);
    view.ClampOrigin();
    EXPECT_DOUBLE_EQ(view.GetOriginX(), x);
    EXPECT_DOUBLE_EQ(view.GetOriginY(), y);
}

TEST(MViewTransforms, RoundingGoesToTheEvenNeighbour)
{
    TMView view;
    view.SetView(1.0, 0, 0);
    struct Row {
        const char* name;
        double x;
        int expected;
    } rows[] = {{"2.5 down", 2.5, 2}, {"3.5 up", 3.5, 4}, {"-2.5 to -2", -2.5, -2}, {"2.6", 2.6, 3}};
    for (const Row& row : rows) EXPECT_EQ(view.WorldToScreen(TDoublePoint{row.x, 0}, 100).x, row.expected) << row.name;
}

TEST(MViewTransforms, ScreenAndWorldAreInverse)
{
    TMView view = FittedView(TDoubleRect{0, 500, 1000, 0}, 400, 400);
    // The extent's corners land on the fitted rows: y = 400 - (y - OriginY) * 0.4.
    TRect r = view.WorldToScreen(TDoubleRect{0, 500, 1000, 0}, 400);
    EXPECT_EQ(r.Left, 0);
    EXPECT_EQ(r.Right, 400);
    EXPECT_EQ(r.Top, 100);
    EXPECT_EQ(r.Bottom, 300);
    TDoublePoint p = view.ScreenToWorld(TPoint{200, 100}, 400);
    EXPECT_DOUBLE_EQ(p.x, 500);
    EXPECT_DOUBLE_EQ(p.y, 500);
}

TEST(MViewTransforms, CoordinatesBeyond32BitsRaise)
{
    TMView view;
    view.SetView(1e6, 0, 0);
    EXPECT_THROW(view.WorldToScreen(TDoublePoint{1e5, 0}, 100), ERangeError);
}

TEST(MViewZoom, InThenOutRestoresScaleAndCentre)
{
    TMView view = FittedView(TDoubleRect{0, 1000, 1000, 0}, 400, 400);
    view.ZoomIn();
    view.ZoomIn();
    const double scale = view.GetScale();
    const TDoublePoint centre = Centre(view);
    view.ZoomIn();
    EXPECT_DOUBLE_EQ(view.GetScale(), scale * 2);
    view.ZoomOut();
    EXPECT_DOUBLE_EQ(view.GetScale(), scale);
    EXPECT_NEAR(Centre(view).x, centre.x, 1e-9);
    EXPECT_NEAR(Centre(view).y, centre.y, 1e-9);
}

TEST(MViewZoom, ClickMultipliesByOneAndAHalfAroundThePoint)
{
    TMView view = FittedView(TDoubleRect{0, 1000, 1000, 0}, 400, 400);
    view.ZoomIn(); // 0.8 px per unit, origin (250, 250)
    const TDoublePoint clicked = view.ScreenToWorld(TPoint{150, 220}, 400);
    const double scale = view.GetScale();
    view.ZoomAtPoint(TPoint{150, 220});
    EXPECT_EQ(view.GetScale(), scale * 1.5);
    EXPECT_NEAR(Centre(view).x, clicked.x, 1e-9);
    EXPECT_NEAR(Centre(view).y, clicked.y, 1e-9);
}

TEST(MViewZoom, ClickNearTheEdgeIsClamped)
{
    TMView view = FittedView(TDoubleRect{0, 1000, 1000, 0}, 400, 400);
    view.ZoomAtPoint(TPoint{0, 400});
    EXPECT_DOUBLE_EQ(view.GetOriginX(), 0);
    EXPECT_DOUBLE_EQ(view.GetOriginY(), 0);
}

TEST(MViewZoom, BandCornerBecomesTheViewCorner)
{
    TMView view = FittedView(TDoubleRect{0, 1000, 1000, 0}, 400, 400);
    // A band dragged up and right: 100 wide, 50 high; the width limits the zoom.
    const TDoublePoint leftBottom = view.ScreenToWorld(TPoint{100, 300}, 400);
    view.ZoomToRect(TRect{100, 300, 200, 250});
    EXPECT_DOUBLE_EQ(view.GetScale(), 0.4 * 4);
    EXPECT_DOUBLE_EQ(view.GetOriginX(), leftBottom.x);
    EXPECT_DOUBLE_EQ(view.GetOriginY(), leftBottom.y);
}

TEST(MViewZoom, DegenerateBandChangesNothing)
{
    TMView view = FittedView(TDoubleRect{0, 1000, 1000, 0}, 400, 400);
    view.ZoomToRect(TRect{100, 300, 200, 300});
    EXPECT_DOUBLE_EQ(view.GetScale(), 0.4);
}

TEST(MViewZoom, ZoomingInStopsBeforeCoordinatesOverflow)
{
    TMView view = FittedView(TDoubleRect{0, 1000, 1000, 0}, 400, 400);
    for (int i = 0; i < 200; ++i) view.ZoomIn();
    EXPECT_LE(view.GetScale() * 1000, TMView::kMaxPixelSpan * 1.0000001);
    // Every corner of the document is still on the 32-bit screen, the
    // document as wide there as the scale makes it.
    const TRect screen = view.WorldToScreen(TDoubleRect{0, 1000, 1000, 0}, 400);
    EXPECT_NEAR(double(screen.Right) - double(screen.Left), view.GetScale() * 1000, 1.0);
    EXPECT_NEAR(double(screen.Bottom) - double(screen.Top), view.GetScale() * 1000, 1.0);
    for (int i = 0; i < 5000; ++i) view.ZoomOut();
    EXPECT_GT(view.GetScale(), 0);
    // Zoomed far out, the whole document is in view: nothing to scroll.
    EXPECT_FALSE(view.HorizontalBar().Enabled);
    EXPECT_FALSE(view.VerticalBar().Enabled);
}

TEST(MViewZoom, ExtentNarrowerThanTheViewStaysCentred)
{
    TMView view = FittedView(TDoubleRect{0, 100, 100, 0}, 400, 200);
    for (int i = 0; i < 3; ++i) {
        view.ZoomOut();
        EXPECT_NEAR(Centre(view).x, 50, 1e-9);
        EXPECT_NEAR(Centre(view).y, 50, 1e-9);
    }
    view.PanBy(TPoint{10, 10}, TPoint{50, 60});
    EXPECT_NEAR(Centre(view).x, 50, 1e-9);
    view.SetClientSize(800, 300);
    EXPECT_NEAR(Centre(view).x, 50, 1e-9);
    EXPECT_NEAR(Centre(view).y, 50, 1e-9);
}

TEST(MViewPan, MapFollowsThePointerWithinTheExtent)
{
    TMView view = FittedView(TDoubleRect{0, 1000, 1000, 0}, 400, 400);
    view.ZoomIn(); // 0.8, origin (250, 250)
    TPoint shift = view.PanBy(TPoint{200, 200}, TPoint{240, 180});
    EXPECT_EQ(shift.x, 40);
    EXPECT_EQ(shift.y, -20);
    EXPECT_DOUBLE_EQ(view.GetOriginX(), 200);
    EXPECT_DOUBLE_EQ(view.GetOriginY(), 225);
    // A long drag stops at the extent's edge.
    shift = view.PanBy(TPoint{0, 0}, TPoint{4000, 0});
    EXPECT_DOUBLE_EQ(view.GetOriginX(), 0);
    EXPECT_EQ(shift.x, 160);
}

TEST(MViewScroll, BarsFollowTheVisiblePart)
{
    TMView view = FittedView(TDoubleRect{0, 1000, 1000, 0}, 400, 400);
    EXPECT_FALSE(view.HorizontalBar().Enabled);
    view.ZoomIn(); // half of each axis visible, in the middle
    TScrollBarState h = view.HorizontalBar();
    TScrollBarState v = view.VerticalBar();
    EXPECT_TRUE(h.Enabled);
    EXPECT_EQ(h.Page, 15000);
    EXPECT_EQ(h.Position, 7500);
    EXPECT_EQ(v.Page, 15000);
    EXPECT_EQ(v.Position, 7500);
}

TEST(MViewScroll, NarrowExtentDisablesTheHorizontalBar)
{
    TMView view = FittedView(TDoubleRect{0, 1000, 100, 0}, 400, 400);
    view.ZoomIn();
    EXPECT_FALSE(view.HorizontalBar().Enabled);
    EXPECT_TRUE(view.VerticalBar().Enabled);
}

TEST(MViewScroll, HorizontalRequestsMoveByTheirStep)
{
    // 2 px per unit in 500 px: 250 units visible, a line is 25 units.
    struct Row {
        const char* name;
        TScrollCode code;
        std::int32_t position;
        double startX;
        double originX;
    } rows[] = {
        {"line right", TScrollCode::LineForward, 0, 300, 325},
        {"page right", TScrollCode::PageForward, 0, 300, 525},
        {"page right stops at the east edge", TScrollCode::PageForward, 0, 700, 750},
        {"line left", TScrollCode::LineBack, 0, 300, 275},
        {"page left", TScrollCode::PageBack, 0, 300, 75},
        {"page left stops at the west edge", TScrollCode::PageBack, 0, 100, 0},
        {"thumb at the end", TScrollCode::ThumbTrack, 30000, 300, 750},
        {"thumb at a third", TScrollCode::ThumbPosition, 10000, 300, 1000.0 / 3},
        {"left edge", TScrollCode::ToStart, 0, 300, 0},
        {"right edge", TScrollCode::ToEnd, 0, 300, 750},
    };
    for (const Row& row : rows) {
        TMView view = FittedView(TDoubleRect{0, 1000, 1000, 0}, 500, 500);
        view.SetView(2.0, row.startX, 300);
        auto move = view.ScrollHorizontal(row.code, row.position);
        ASSERT_TRUE(move.has_value()) << row.name;
        // The origin moves by whole pixels.
        EXPECT_NEAR(view.GetOriginX(), row.originX, 0.25) << row.name;
        EXPECT_DOUBLE_EQ(view.GetOriginX(), row.startX - move->Dx / 2.0) << row.name;
        EXPECT_EQ(move->Dy, 0) << row.name;
        EXPECT_EQ(move->Position, static_cast<int>(std::lround(view.GetOriginX() * 30))) << row.name;
        EXPECT_DOUBLE_EQ(view.GetOriginY(), 300) << row.name;
    }
}

TEST(MViewScroll, PageStepMovesNineTenthsOfTheVisibleWidth)
{
    TMView view = FittedView(TDoubleRect{0, 1000, 10000, 0}, 400, 400);
    view.SetView(1.0, 1000, 0);
    auto move = view.ScrollHorizontal(TScrollCode::PageForward, 0);
    ASSERT_TRUE(move.has_value());
    EXPECT_DOUBLE_EQ(view.GetOriginX(), 1360);
    EXPECT_EQ(move->Dx, -360);
}

TEST(MViewScroll, VerticalThumbAtZeroShowsTheTop)
{
    TMView view = FittedView(TDoubleRect{0, 1000, 1000, 0}, 400, 400);
    view.ZoomIn();
    auto move = view.ScrollVertical(TScrollCode::ThumbTrack, 0);
    ASSERT_TRUE(move.has_value());
    EXPECT_DOUBLE_EQ(view.GetOriginY() + 400 / view.GetScale(), 1000);
    EXPECT_EQ(move->Position, 0);
    EXPECT_EQ(move->Dy, 200); // the contents move down by the 250 units scrolled
    EXPECT_FALSE(view.ScrollVertical(TScrollCode::ToStart, 0).has_value());
    move = view.ScrollVertical(TScrollCode::ToEnd, 0);
    ASSERT_TRUE(move.has_value());
    EXPECT_DOUBLE_EQ(view.GetOriginY(), 0);
    EXPECT_EQ(move->Position, 15000);
}

TEST(MViewScroll, UnknownCodesAndEmptyExtentsDoNothing)
{
    TMView view = FittedView(TDoubleRect{0, 1000, 1000, 0}, 400, 400);
    view.ZoomIn();
    EXPECT_FALSE(view.ScrollHorizontal(static_cast<TScrollCode>(8), 0).has_value());
    TMView empty;
    empty.SetClientSize(100, 100);
    EXPECT_FALSE(empty.ScrollVertical(TScrollCode::LineForward, 0).has_value());
}
