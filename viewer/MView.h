#pragma once
// The map viewport's arithmetic: world-screen transforms, fitting, clamping,
// zooming, panning and the scroll-bar positions. It knows nothing of windows,
// so the map widget drives it and tests run it headless.
//
// World coordinates are map units with y growing upwards; screen coordinates
// are client pixels with y growing downwards.
#include <cstdint>
#include <optional>

#include "geodata/Geometry.h"
#include "platform/WinTypes.h"

enum class TViewMode : std::uint8_t { None = 0, Zoom = 1, Pan = 2, Hint = 3 };

// The scroll requests of a bar, numbered as the platform's scroll codes.
enum class TScrollCode : std::uint8_t {
    LineBack = 0,    // left / up
    LineForward = 1, // right / down
    PageBack = 2,
    PageForward = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    ToStart = 6,     // left edge / top
    ToEnd = 7,       // right edge / bottom
};

// What a scroll bar shows: disabled (range 0..0) when the extent fits,
// otherwise a page and a position over 0..kScrollRange.
struct TScrollBarState {
    bool Enabled = false;
    std::int32_t Page = 0;
    std::int32_t Position = 0;
};

// A scroll that moved the view: the contents shift by (Dx, Dy) pixels on the
// screen and the bar takes Position.
struct TScrollMove {
    std::int32_t Dx = 0;
    std::int32_t Dy = 0;
    std::int32_t Position = 0;
};

class TMView {
public:
    static constexpr std::int32_t kScrollRange = 30000;
    // No document point may land further than this from the client area, so
    // screen coordinates stay far inside 32 bits.
    static constexpr double kMaxPixelSpan = 536870912.0; // 2^29

    // The client area. A width or height of 0 (a minimised window) changes
    // nothing and gives false; otherwise the origin is clamped and true
    // tells the caller to refresh the bars and repaint.
    bool SetClientSize(std::int32_t width, std::int32_t height);
    std::int32_t ClientWidth() const { return Width; }
    std::int32_t ClientHeight() const { return Height; }

    // Transforms with the caller's client height `h`; rounded values must fit
    // in 32 bits (ERangeError otherwise).
    TPoint WorldToScreen(const TDoublePoint& p, double h) const;
    TRect WorldToScreen(const TDoubleRect& r, double h) const;
    TDoublePoint ScreenToWorld(const TPoint& p, double h) const;
    TDoubleRect ScreenToWorld(const TRect& r, double h) const;
    // The document forms: through DocToView before, ViewToDoc after.
    TPoint DocToScreen(const TDoublePoint& p, double h) const;
    TRect DocToScreen(const TDoubleRect& r, double h) const;
    TDoublePoint ScreenToDoc(const TPoint& p, double h) const;
    TDoubleRect ScreenToDoc(const TRect& r, double h) const;

    // Takes the document's extent; false when it is empty and nothing changed.
    bool ResetView(const TDoubleRect& documentExtent, bool fit);
    void FitToExtent();
    void ClampOrigin();
    // Re-centres after the scale changed from `previousScale`, then clamps.
    void ZoomKeepCentre(double previousScale);
    void ZoomIn();
    void ZoomOut();
    void ZoomFit();
    // A click of the zoom tool: 1.5 times the scale, the point at the centre.
    void ZoomAtPoint(const TPoint& p);
    // Zooms so the normalised band's left-bottom corner becomes the view's
    // and the band fills one axis.
    void ZoomToRect(const TRect& band);
    // Moves the map with the pointer from `from` to `to`; returns the shift of
    // the window contents.
    TPoint PanBy(const TPoint& from, const TPoint& to);

    TScrollBarState HorizontalBar() const;
    TScrollBarState VerticalBar() const;
    // A scroll bar request; none when the view does not move. The origin
    // moves by whole pixels and is not clamped.
    std::optional<TScrollMove> ScrollHorizontal(TScrollCode code, std::int32_t position);
    std::optional<TScrollMove> ScrollVertical(TScrollCode code, std::int32_t position);

    void SetViewHeight(double height) { ViewHeight = height; }
    double GetViewHeight() const { return ViewHeight; }

    double GetScale() const { return Scale; }
    double GetOriginX() const { return OriginX; }
    double GetOriginY() const { return OriginY; }
    const TDoubleRect& GetExtent() const { return Extent; }
    const TDoubleRect& GetViewExtent() const { return ViewExtent; }
    const TAffineTransform& GetDocToView() const { return DocToView; }
    const TAffineTransform& GetViewToDoc() const { return ViewToDoc; }
    // Sets the scale and origin as they are, for restoring a view.
    void SetView(double scale, double originX, double originY);

private:
    void SetScaleLimited(double scale);
    double MaxScale() const;

    TAffineTransform DocToView;
    TAffineTransform ViewToDoc;
    TDoubleRect Extent;
    TDoubleRect ViewExtent;
    double OriginX = 0;
    double OriginY = 0;
    double Scale = 1.0;
    double ViewHeight = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};
