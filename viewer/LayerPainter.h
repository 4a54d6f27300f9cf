#pragma once
// Painting of a composition's layers onto a QPainter: rasters as stretched
// 8-bit images, vector objects as font symbols, polylines and filled ring
// sets, translucent solid areas through Softedge. One rendering path serves
// the window, the bitmap export and the tests.
#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPen>
#include <QPoint>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "geodata/Geometry.h"
#include "geodata/QMMapDecl.h"
#include "platform/WinTypes.h"
#include "softedge/Softedge.h"
#include "viewer/PointSymbol.h"

class QPainter;
class QPainterPath;
class TMView;
class TIdrisiRST;
class TLayerList;
struct Layer;
struct VectorLayer;

// A stored pen as Qt draws it: styles 0-4 solid, dash, dot, dash-dot,
// dash-dot-dot, 5 none, any other solid; width 0 is one pixel.
QPen PenFromLogPen(const TLogPen& pen);
// A stored brush: solid, hollow, or one of the six hatches.
QBrush BrushFromLogBrush(const TLogBrush& brush);
// One period of a hatch as the painter fills it over `ground`, the pattern
// anchored at the tile's corner: 8 x 8 pixels.
QImage HatchTile(const TLogBrush& hatch, TColorRef ground);
// The screen place of hatch patterns: the map's point (0, 0), so that the
// pattern moves with the map.
QPoint MapBrushOrigin(const TMView& view);
// Whether an area of `style` at `opacity` is filled through Softedge: only a
// solid fill below full opacity; every other fill is the painter's own.
bool FillsThroughSoftedge(const TAreaStyle& style, std::int32_t opacity);
// The style an object of the layer is drawn in: the layer's custom one of
// its type when the layer uses custom styles, else the object's own; and
// the opacity of the layer's area fills.
TLineStyle LineStyleOf(const VectorLayer& layer, const MapObject& object);
TAreaStyle AreaStyleOf(const VectorLayer& layer, const MapObject& object);
std::int32_t AreaOpacityOf(const VectorLayer& layer);
// The number of points the parts of `object` take, or -1 when the counts do
// not fit the point array.
std::int64_t PointsInParts(const MapObject& object);

// An 8-bit bottom-up image with its colour table (RGBQUAD words) and its
// extent in layer units; the pixels are not copied.
struct TRasterImage {
    const std::uint8_t* Bits = nullptr;
    std::int32_t Columns = 0;
    std::int32_t Rows = 0;
    std::int64_t RowBytes = 0;
    const std::uint32_t* Colors = nullptr; // 256 entries
    TDoubleRect Bounds;                    // (MinX, MaxY, MaxX, MinY)
};
TRasterImage RasterImageOf(const TIdrisiRST& raster);

// The cell (column, row from the south edge) that holds the layer point `p`,
// none outside the raster. The east and north edges belong to the last cell.
std::optional<TPoint> CellAtPoint(const TDoubleRect& bounds, std::int32_t columns, std::int32_t rows,
                                  const TDoublePoint& p);

class TLayerPainter {
public:
    // Draws in client pixels of `client`, with the view's scale, origin and
    // ViewHeight.
    TLayerPainter(QPainter& painter, const TMView& view, QSize client);
    // Puts back the painter's background and brush origin.
    ~TLayerPainter();
    TLayerPainter(const TLayerPainter&) = delete;
    TLayerPainter& operator=(const TLayerPainter&) = delete;

    void DrawRasterLayer(const Layer& layer);
    void DrawVectorLayer(const Layer& layer);
    void DrawRasterImage(const TRasterImage& image, const TAffineTransform& layerToMap,
                         const TAffineTransform& mapToLayer);
    void DrawPointObject(const MapObject& object, const TPointStyle& style, const TAffineTransform& layerToMap);
    void DrawLineObject(const MapObject& object, const TLineStyle& style, const TAffineTransform& layerToMap);
    void DrawAreaObject(const MapObject& object, std::int32_t opacity, const TAreaStyle& style,
                        const TAffineTransform& layerToMap);
    // The rings of an area already in client pixels, one after the other,
    // `counts` points each; `screen` holds at least their sum.
    void DrawAreaRings(std::span<const QPoint> screen, std::span<const std::int32_t> counts, std::int32_t opacity,
                       const TAreaStyle& style);

private:
    QPoint ScreenPoint(const TDoublePoint& layerPoint, const TAffineTransform& layerToMap) const;
    bool PartVisible(const MapObject& object, std::size_t part, const TAffineTransform& layerToMap) const;
    void DrawSymbol(QPoint at, const TPointStyle& style);
    void FillTranslucentArea(std::span<const QPoint> screen, std::span<const std::int32_t> counts,
                             std::int32_t opacity, const TAreaStyle& style);
    void FillOpaqueArea(std::span<const QPoint> screen, std::span<const std::int32_t> counts, const TAreaStyle& style);
    void UsePen(const TLogPen& pen);
    bool TiledHatch(const TAreaStyle& style) const;
    void UseAreaBrush(const TAreaStyle& style);
    // A brush with, for an opaque hatch, the ground colour of its tile.
    struct TBrushKey {
        std::uint32_t Style;
        TColorRef Color;
        std::uint32_t Hatch;
        std::optional<TColorRef> Ground;
        bool operator==(const TBrushKey&) const = default;
    };
    const QBrush& TiledBrush(const TBrushKey& key);
    void UseHatchGround(const TAreaStyle& style);
    void EndHatchGround();

    QPainter& Painter;
    const TMView& View;
    TRect Client;
    // Symbol glyphs are made once per rendering.
    TPointSymbols Symbols;
    std::vector<QPoint> Screen;
    std::vector<SoftedgePoint> SoftedgePoints;
    // The pen and brush last handed to the painter: most objects of a layer
    // share their style, and a change of pen is not cheap for the painter.
    std::optional<TLogPen> CurrentPen;
    std::optional<TBrushKey> CurrentBrush;
    // The tiles of the opaque hatches met, made once per rendering.
    std::vector<std::pair<TBrushKey, QBrush>> Tiles;
    // The ground a hatched area set, and the painter's own to put back.
    struct THatchStyle {
        Qt::BGMode Mode;
        TColorRef Color;
    };
    struct THatchGround {
        Qt::BGMode Mode;
        QBrush Background;
        QPoint Origin;
        std::optional<THatchStyle> Current;
    };
    std::optional<THatchGround> Ground;
};

// Fills `size` with `background` and draws every visible layer of the list,
// the last index first and index 0 on top. The view's ViewHeight must be the
// height of `size`.
void RenderLayers(QPainter& painter, QSize size, const TMView& view, const TLayerList& layers,
                  const QColor& background);
