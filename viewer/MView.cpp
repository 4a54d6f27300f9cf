#include "viewer/MView.h"

#include <algorithm>
#include <cmath>

#include "platform/CheckedMath.h"

namespace {

// Below this the visible world width of any window would overflow a double.
constexpr double kMinScale = 1e-250;

} // namespace

bool TMView::SetClientSize(std::int32_t width, std::int32_t height)
{
    if (width <= 0 || height <= 0) return false;
    Width = width;
    Height = height;
    ClampOrigin();
    return true;
}

TPoint TMView::WorldToScreen(const TDoublePoint& p, double h) const
{
    return TPoint{RoundToInt((p.x - OriginX) * Scale), RoundToInt(h - (p.y - OriginY) * Scale)};
}

TRect TMView::WorldToScreen(const TDoubleRect& r, double h) const
{
    TPoint a = WorldToScreen(TDoublePoint{r.X1, r.Y1}, h);
    TPoint b = WorldToScreen(TDoublePoint{r.X2, r.Y2}, h);
    return TRect{a.x, a.y, b.x, b.y};
}

TDoublePoint TMView::ScreenToWorld(const TPoint& p, double h) const
{
    return TDoublePoint{p.x / Scale + OriginX, (h - p.y) / Scale + OriginY};
}

TDoubleRect TMView::ScreenToWorld(const TRect& r, double h) const
{
    TDoublePoint a = ScreenToWorld(TPoint{r.Left, r.Top}, h);
    TDoublePoint b = ScreenToWorld(TPoint{r.Right, r.Bottom}, h);
    return TDoubleRect{a.x, a.y, b.x, b.y};
}

TPoint TMView::DocToScreen(const TDoublePoint& p, double h) const
{
    return WorldToScreen(TransformPoint(DocToView, p), h);
}

TRect TMView::DocToScreen(const TDoubleRect& r, double h) const
{
    return WorldToScreen(TransformRect(DocToView, r), h);
}

TDoublePoint TMView::ScreenToDoc(const TPoint& p, double h) const
{
    return TransformPoint(ViewToDoc, ScreenToWorld(p, h));
}

TDoubleRect TMView::ScreenToDoc(const TRect& r, double h) const
{
    return TransformRect(ViewToDoc, ScreenToWorld(r, h));
}

bool TMView::ResetView(const TDoubleRect& documentExtent, bool fit)
{
    ViewToDoc = ScaleTransform(1.0);
    DocToView = InvertTransform(ViewToDoc);
    Extent = documentExtent;
    if (RectIsEmpty(Extent)) return false;
    ViewExtent = TransformRect(DocToView, Extent);
    if (fit) FitToExtent();
    ClampOrigin();
    return true;
}

void TMView::FitToExtent()
{
    if (RectIsEmpty(ViewExtent)) {
        Scale = 1.0;
        OriginX = 0;
        OriginY = 0;
        return;
    }
    // Without a client area there is nothing to fit into.
    if (Width <= 0 || Height <= 0) return;
    const double w = Width;
    const double h = Height;
    const double e = RectHeight(ViewExtent) / RectWidth(ViewExtent);
    const double c = h / w;
    if (e >= c) {
        Scale = h / RectHeight(ViewExtent);
        OriginY = ViewExtent.Y2;
        OriginX = (ViewExtent.X1 + ViewExtent.X2 - w / Scale) * 0.5;
    } else {
        Scale = w / RectWidth(ViewExtent);
        OriginX = ViewExtent.X1;
        OriginY = (ViewExtent.Y2 + ViewExtent.Y1 - h / Scale) * 0.5;
    }
}

void TMView::ClampOrigin()
{
    const double w = Width / Scale;
    const double h = Height / Scale;
    const TDoubleRect& e = ViewExtent;
    if (std::fabs(e.X2 - e.X1) < w)
        OriginX = (e.X1 + e.X2 - w) * 0.5;
    else if (OriginX < e.X1)
        OriginX = e.X1;
    else if (OriginX + w > e.X2)
        OriginX = e.X2 - w;

    if (std::fabs(e.Y2 - e.Y1) < h)
        OriginY = (e.Y2 + e.Y1 - h) * 0.5;
    else if (OriginY < e.Y2)
        OriginY = e.Y2;
    else if (OriginY + h > e.Y1)
        OriginY = e.Y1 - h;
}

void TMView::ZoomKeepCentre(double previousScale)
{
    const double cx = OriginX + (Width / previousScale) / 2;
    const double cy = OriginY + (Height / previousScale) / 2;
    OriginX = cx - (Width / Scale) / 2;
    OriginY = cy - (Height / Scale) / 2;
    ClampOrigin();
}

void TMView::ZoomIn()
{
    const double previous = Scale;
    SetScaleLimited(Scale * 2.0);
    ZoomKeepCentre(previous);
}

void TMView::ZoomOut()
{
    const double previous = Scale;
    SetScaleLimited(Scale * 0.5);
    ZoomKeepCentre(previous);
}

void TMView::ZoomFit()
{
    FitToExtent();
    ZoomKeepCentre(Scale);
}

void TMView::ZoomAtPoint(const TPoint& p)
{
    const TDoublePoint centre = ScreenToWorld(p, Height);
    SetScaleLimited(Scale * 1.5);
    OriginX = centre.x - (Width * 0.5) / Scale;
    OriginY = centre.y - (Height * 0.5) / Scale;
    ClampOrigin();
}

void TMView::ZoomToRect(const TRect& band)
{
    TRect r = band;
    IntRectNormalize(r);
    const double bandWidth = static_cast<double>(r.Right) - r.Left;
    const double bandHeight = static_cast<double>(r.Bottom) - r.Top;
    if (bandWidth <= 0 || bandHeight <= 0 || Width <= 0 || Height <= 0) return;
    const double factor = std::min(Width / bandWidth, Height / bandHeight);
    const TDoublePoint corner = ScreenToWorld(TPoint{r.Left, r.Bottom}, Height);
    OriginX = corner.x;
    OriginY = corner.y;
    SetScaleLimited(Scale * factor);
    ClampOrigin();
}

TPoint TMView::PanBy(const TPoint& from, const TPoint& to)
{
    const TDoublePoint a = ScreenToWorld(from, Height);
    const TDoublePoint b = ScreenToWorld(to, Height);
    const double oldX = OriginX;
    const double oldY = OriginY;
    OriginX += a.x - b.x;
    OriginY += a.y - b.y;
    ClampOrigin();
    const std::int32_t dx = RoundToInt((OriginX - oldX) * Scale);
    const std::int32_t dy = RoundToInt((OriginY - oldY) * Scale);
    return TPoint{CheckedSub(0, dx), dy};
}

TScrollBarState TMView::HorizontalBar() const
{
    const double visible = Width / Scale;
    const double ext = RectWidth(ViewExtent);
    if (!(ext > visible)) return TScrollBarState{};
    const double k = kScrollRange / ext;
    return TScrollBarState{true, RoundToInt(k * visible), RoundToInt((OriginX - ViewExtent.X1) * k)};
}

TScrollBarState TMView::VerticalBar() const
{
    const double visible = Height / Scale;
    const double ext = RectHeight(ViewExtent);
    if (!(ext > visible)) return TScrollBarState{};
    const double k = kScrollRange / ext;
    return TScrollBarState{true, RoundToInt(k * visible), RoundToInt((ViewExtent.Y1 - (OriginY + visible)) * k)};
}

std::optional<TScrollMove> TMView::ScrollHorizontal(TScrollCode code, std::int32_t position)
{
    const double ext = RectWidth(ViewExtent);
    if (!(ext > 0)) return std::nullopt;
    const double visible = Width / Scale;
    const double line = visible / 10;
    const double x1 = ViewExtent.X1;
    const double x2 = ViewExtent.X2;
    double target = 0;
    switch (code) {
    case TScrollCode::LineBack:
    case TScrollCode::PageBack:
        target = std::max(OriginX - (code == TScrollCode::LineBack ? line : 9 * line), x1);
        break;
    case TScrollCode::LineForward:
    case TScrollCode::PageForward:
        target = OriginX + (code == TScrollCode::LineForward ? line : 9 * line);
        if (target + visible > x2) target = x2 - visible;
        break;
    case TScrollCode::ThumbPosition:
    case TScrollCode::ThumbTrack:
        target = x1 + (position / static_cast<double>(kScrollRange)) * ext;
        if (target < x1)
            target = x1;
        else if (target + visible > x2)
            target = x2 - visible;
        break;
    case TScrollCode::ToStart:
        target = x1;
        break;
    case TScrollCode::ToEnd:
        target = x2 - visible;
        break;
    default:
        return std::nullopt;
    }
    if (target == OriginX) return std::nullopt;
    const std::int32_t dx = RoundToInt((target - OriginX) * Scale);
    OriginX += dx / Scale;
    return TScrollMove{CheckedSub(0, dx), 0, RoundToInt((OriginX - x1) * kScrollRange / ext)};
}

std::optional<TScrollMove> TMView::ScrollVertical(TScrollCode code, std::int32_t position)
{
    const double ext = RectHeight(ViewExtent);
    if (!(ext > 0)) return std::nullopt;
    const double visible = Height / Scale;
    const double line = visible / 10;
    const double y1 = ViewExtent.Y1;
    const double y2 = ViewExtent.Y2;
    double target = 0;
    switch (code) {
    case TScrollCode::LineBack:
    case TScrollCode::PageBack:
        target = OriginY + (code == TScrollCode::LineBack ? line : 9 * line);
        if (target + visible > y1) target = y1 - visible;
        break;
    case TScrollCode::LineForward:
    case TScrollCode::PageForward:
        target = std::max(OriginY - (code == TScrollCode::LineForward ? line : 9 * line), y2);
        break;
    case TScrollCode::ThumbPosition:
    case TScrollCode::ThumbTrack:
        target = std::max(y1 - (position / static_cast<double>(kScrollRange)) * ext - visible, y2);
        break;
    case TScrollCode::ToStart:
        target = y1 - visible;
        break;
    case TScrollCode::ToEnd:
        target = y2;
        break;
    default:
        return std::nullopt;
    }
    if (target == OriginY) return std::nullopt;
    const std::int32_t dy = RoundToInt((target - OriginY) * Scale);
    OriginY += dy / Scale;
    return TScrollMove{0, dy, RoundToInt((y1 - (OriginY + visible)) * kScrollRange / ext)};
}

void TMView::SetView(double scale, double originX, double originY)
{
    if (scale > 0 && std::isfinite(scale)) Scale = scale;
    OriginX = originX;
    OriginY = originY;
}

double TMView::MaxScale() const
{
    const double span = std::max(RectWidth(ViewExtent), RectHeight(ViewExtent));
    return span > 0 ? kMaxPixelSpan / span : kMaxPixelSpan;
}

// Zooming stops where screen coordinates of the document would outgrow 32
// bits, and before the scale could reach zero.
void TMView::SetScaleLimited(double scale)
{
    Scale = std::clamp(scale, kMinScale, std::max(MaxScale(), kMinScale));
}
