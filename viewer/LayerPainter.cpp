#include "viewer/LayerPainter.h"

#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "geodata/FontTable.h"
#include "geodata/IdrisiRST.h"
#include "geodata/QMLayers.h"
#include "platform/CheckedMath.h"
#include "platform/RuntimeErrors.h"
#include "platform/qt/QtColors.h"
#include "platform/qt/QtPens.h"
#include "softedge/Softedge.h"
#include "viewer/BandPainter.h"
#include "viewer/MView.h"

namespace {

Qt::BrushStyle HatchPattern(std::uint32_t hatch)
{
    switch (hatch) {
    case HS_HORIZONTAL: return Qt::HorPattern;
    case HS_VERTICAL: return Qt::VerPattern;
    case HS_FDIAGONAL: return Qt::FDiagPattern;
    case HS_BDIAGONAL: return Qt::BDiagPattern;
    case HS_CROSS: return Qt::CrossPattern;
    case HS_DIAGCROSS: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}

// All rings as one shape: inner rings cut holes, as one ring set of the
// platform with the alternate fill rule does.
QPainterPath RingSet(std::span<const QPoint> screen, std::span<const std::int32_t> counts)
{
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    std::size_t start = 0;
    for (std::int32_t count : counts) {
        if (count > 0) {
            QPolygonF ring;
            ring.reserve(count);
            for (std::int32_t i = 0; i < count; ++i) ring << QPointF(screen[start + i]);
            path.addPolygon(ring);
            path.closeSubpath();
        }
        start += static_cast<std::size_t>(count);
    }
    return path;
}

} // namespace

std::int64_t PointsInParts(const MapObject& object)
{
    std::int64_t total = 0;
    for (std::int32_t count : object.PartCounts) {
        if (count < 0) return -1;
        total += count;
    }
    return total <= static_cast<std::int64_t>(object.Points.size()) ? total : -1;
}

QPen PenFromLogPen(const TLogPen& pen)
{
    Qt::PenStyle style = Qt::SolidLine;
    switch (pen.lopnStyle) {
    case PS_DASH: style = Qt::DashLine; break;
    case PS_DOT: style = Qt::DotLine; break;
    case PS_DASHDOT: style = Qt::DashDotLine; break;
    case PS_DASHDOTDOT: style = Qt::DashDotDotLine; break;
    case PS_NULL: style = Qt::NoPen; break;
    default: break;
    }
    QPen result(ColorRefToQColor(pen.lopnColor), std::max(0, pen.lopnWidth.x), style, Qt::RoundCap, Qt::RoundJoin);
    return result;
}

QImage HatchTile(const TLogBrush& hatch, TColorRef ground)
{
    QImage tile(8, 8, QImage::Format_RGB32);
    tile.fill(ColorRefToQColor(ground));
    {
        QPainter painter(&tile);
        painter.fillRect(tile.rect(), BrushFromLogBrush(hatch));
    }
    return tile;
}

// Hatch patterns repeat every 8 pixels. Anchored to the map, the strip that
// a scroll uncovers continues the pixels that the scroll moved.
QPoint MapBrushOrigin(const TMView& view)
{
    constexpr double kPatternPeriod = 8;
    const double x = -view.GetOriginX() * view.GetScale();
    const double y = view.GetViewHeight() + view.GetOriginY() * view.GetScale();
    return QPoint(RoundToInt(std::fmod(x, kPatternPeriod)), RoundToInt(std::fmod(y, kPatternPeriod)));
}

TLineStyle LineStyleOf(const VectorLayer& layer, const MapObject& object)
{
    return layer.UseCustom != 0 ? layer.CustomLine : object.Style.As<TLineStyle>();
}

TAreaStyle AreaStyleOf(const VectorLayer& layer, const MapObject& object)
{
    return layer.UseCustom != 0 ? layer.CustomArea : object.Style.As<TAreaStyle>();
}

std::int32_t AreaOpacityOf(const VectorLayer& layer)
{
    return layer.UseCustom != 0 ? layer.CustomOpacity : layer.DefaultOpacity;
}

bool FillsThroughSoftedge(const TAreaStyle& style, std::int32_t opacity)
{
    return style.Brush.lbStyle == BS_SOLID && opacity >= 0 && opacity < 255;
}

QBrush BrushFromLogBrush(const TLogBrush& brush)
{
    switch (brush.lbStyle) {
    case BS_SOLID: return QBrush(ColorRefToQColor(brush.lbColor), Qt::SolidPattern);
    case BS_HATCHED: return QBrush(ColorRefToQColor(brush.lbColor), HatchPattern(brush.lbHatch));
    default: return OwnNoBrush();
    }
}

TRasterImage RasterImageOf(const TIdrisiRST& raster)
{
    TRasterImage image;
    image.Bits = raster.GetBits();
    image.Columns = raster.GetColumns();
    image.Rows = raster.GetRows();
    image.RowBytes = DibRowBytes(image.Columns);
    image.Colors = raster.GetBitmapInfo()->bmiColors.data();
    image.Bounds = raster.GetBounds();
    return image;
}

std::optional<TPoint> CellAtPoint(const TDoubleRect& bounds, std::int32_t columns, std::int32_t rows,
                                  const TDoublePoint& p)
{
    const double width = bounds.X2 - bounds.X1;
    const double height = bounds.Y1 - bounds.Y2;
    if (!(width > 0) || !(height > 0) || columns <= 0 || rows <= 0) return std::nullopt;
    if (!(p.x >= bounds.X1 && p.x <= bounds.X2 && p.y >= bounds.Y2 && p.y <= bounds.Y1)) return std::nullopt;
    const double column = std::floor((p.x - bounds.X1) * columns / width);
    const double row = std::floor((p.y - bounds.Y2) * rows / height);
    return TPoint{std::min(static_cast<std::int32_t>(column), columns - 1),
                  std::min(static_cast<std::int32_t>(row), rows - 1)};
}

// Every drawing sets its pen and brush first; the ones set here only keep
// the painter off Qt's shared defaults, which Softedge copies at every call.
TLayerPainter::TLayerPainter(QPainter& painter, const TMView& view, QSize client)
    : Painter(painter), View(view), Client{0, 0, client.width(), client.height()}
{
    Painter.setPen(OwnNoPen());
    Painter.setBrush(OwnNoBrush());
}

TLayerPainter::~TLayerPainter()
{
    EndHatchGround();
}

QPoint TLayerPainter::ScreenPoint(const TDoublePoint& layerPoint, const TAffineTransform& layerToMap) const
{
    TPoint p = View.DocToScreen(TransformPoint(layerToMap, layerPoint), View.GetViewHeight());
    return QPoint(p.x, p.y);
}

bool TLayerPainter::PartVisible(const MapObject& object, std::size_t part, const TAffineTransform& layerToMap) const
{
    if (part >= object.PartBounds.size()) return false;
    TRect s = View.DocToScreen(TransformRect(layerToMap, object.PartBounds[part]), View.GetViewHeight());
    return IntRectsOverlap(s, Client);
}

void TLayerPainter::UsePen(const TLogPen& pen)
{
    if (CurrentPen && std::memcmp(&*CurrentPen, &pen, sizeof pen) == 0) return;
    Painter.setPen(PenFromLogPen(pen));
    CurrentPen = pen;
}

// An opaque hatch is handed to the painter as one 8 x 8 tile of its two
// colours: Qt fills the ground and then the pattern, the tile in one pass,
// with the same pixels. Only without a transform, which would scale a tile
// but not a pattern.
bool TLayerPainter::TiledHatch(const TAreaStyle& style) const
{
    return style.Brush.lbStyle == BS_HATCHED && style.BackMode == OPAQUE && Painter.transform().isIdentity();
}

void TLayerPainter::UseAreaBrush(const TAreaStyle& style)
{
    const TLogBrush& brush = style.Brush;
    TBrushKey wanted{brush.lbStyle, brush.lbColor, brush.lbHatch, std::nullopt};
    if (TiledHatch(style)) wanted.Ground = style.BackColor;
    if (CurrentBrush == wanted) return;
    if (wanted.Ground)
        Painter.setBrush(TiledBrush(wanted));
    else
        Painter.setBrush(BrushFromLogBrush(brush));
    CurrentBrush = wanted;
}

const QBrush& TLayerPainter::TiledBrush(const TBrushKey& key)
{
    for (const auto& [made, tile] : Tiles)
        if (made == key) return tile;
    return Tiles.emplace_back(key, QBrush(HatchTile(TLogBrush{key.Style, key.Color, key.Hatch}, *key.Ground))).second;
}

void TLayerPainter::DrawRasterLayer(const Layer& layer)
{
    if (layer.Raster == nullptr || layer.Raster->Image == nullptr) return;
    const TIdrisiRST& raster = *layer.Raster->Image;
    if (!raster.IsLoaded()) return;
    DrawRasterImage(RasterImageOf(raster), layer.LayerToMap, layer.MapToLayer);
}

// The visible part of the image is cut from it with a fractional source
// rectangle, so that at any zoom the cells stay in register with the
// vectors; the image is bottom-up and is drawn flipped.
void TLayerPainter::DrawRasterImage(const TRasterImage& image, const TAffineTransform& layerToMap,
                                    const TAffineTransform& mapToLayer)
{
    EndHatchGround();
    if (image.Bits == nullptr || image.Columns <= 0 || image.Rows <= 0 || image.Colors == nullptr) return;
    if (image.RowBytes > std::numeric_limits<int>::max()) return;
    const double height = View.GetViewHeight();
    const TDoubleRect a = TransformRect(View.GetDocToView(), TransformRect(layerToMap, image.Bounds));
    const TDoubleRect visible = View.ScreenToWorld(Client, height);
    const TDoubleRect c = RectIntersect(a, visible);
    if (RectIsEmpty(c)) return;

    // The visible part in cells, columns from the west and rows from the south.
    const TDoubleRect l = TransformRect(mapToLayer, TransformRect(View.GetViewToDoc(), c));
    const TDoubleRect& b = image.Bounds;
    const double sx = image.Columns / (b.X2 - b.X1);
    const double sy = image.Rows / (b.Y1 - b.Y2);
    const double left = std::clamp((l.X1 - b.X1) * sx, 0.0, static_cast<double>(image.Columns));
    const double right = std::clamp((l.X2 - b.X1) * sx, 0.0, static_cast<double>(image.Columns));
    const double south = std::clamp((l.Y2 - b.Y2) * sy, 0.0, static_cast<double>(image.Rows));
    const double north = std::clamp((l.Y1 - b.Y2) * sy, 0.0, static_cast<double>(image.Rows));
    if (!(right > left) || !(north > south)) return;

    const double scale = View.GetScale();
    const double dstLeft = (c.X1 - View.GetOriginX()) * scale;
    const double dstRight = (c.X2 - View.GetOriginX()) * scale;
    const double dstTop = height - (c.Y1 - View.GetOriginY()) * scale;
    const double dstBottom = height - (c.Y2 - View.GetOriginY()) * scale;

    QImage wrapped(image.Bits, image.Columns, image.Rows, static_cast<int>(image.RowBytes), QImage::Format_Indexed8);
    QList<QRgb> table(256);
    for (int i = 0; i < 256; ++i) table[i] = RgbQuadToQRgb(image.Colors[i]);
    wrapped.setColorTable(table);

    Painter.save();
    Painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Row 0 of the image is the southern row: mirror the y axis about the
    // middle of the destination so it lands at the bottom.
    Painter.translate(0, dstTop + dstBottom);
    Painter.scale(1, -1);
    Painter.drawImage(QRectF(dstLeft, dstTop, dstRight - dstLeft, dstBottom - dstTop), wrapped,
                      QRectF(left, south, right - left, north - south));
    Painter.restore();
}

void TLayerPainter::DrawVectorLayer(const Layer& layer)
{
    QM_ASSERT("QMMapView", layer.Kind == 1 && layer.Vector != nullptr);
    const VectorLayer& vector = *layer.Vector;
    const double height = View.GetViewHeight();
    for (const MapObject& object : vector.Objects) {
        TRect s = View.DocToScreen(TransformRect(layer.LayerToMap, object.Bounds), height);
        if (!IntRectsOverlap(s, Client)) continue;
        switch (object.ObjType) {
        case otPoint:
            DrawPointObject(object, vector.UseCustom != 0 ? vector.CustomPoint : object.Style.As<TPointStyle>(),
                            layer.LayerToMap);
            break;
        case otLine: DrawLineObject(object, LineStyleOf(vector, object), layer.LayerToMap); break;
        case otPolygon:
            DrawAreaObject(object, AreaOpacityOf(vector), AreaStyleOf(vector, object), layer.LayerToMap);
            break;
        default:
            break; // text objects are not drawn
        }
    }
}

// The symbol routine sets the painter's pen and brush itself.
void TLayerPainter::DrawSymbol(QPoint at, const TPointStyle& style)
{
    EndHatchGround();
    Symbols.Draw(Painter, at, style);
    CurrentPen.reset();
    CurrentBrush.reset();
}

void TLayerPainter::DrawPointObject(const MapObject& object, const TPointStyle& style,
                                    const TAffineTransform& layerToMap)
{
    if (PointsInParts(object) < 0) return;
    std::size_t start = 0;
    for (std::size_t part = 0; part < object.PartCounts.size(); ++part) {
        const std::size_t count = static_cast<std::size_t>(object.PartCounts[part]);
        // A part without points has nothing to place its symbol on.
        if (count > 0 && PartVisible(object, part, layerToMap))
            DrawSymbol(ScreenPoint(object.Points[start], layerToMap), style);
        start += count;
    }
}

void TLayerPainter::DrawLineObject(const MapObject& object, const TLineStyle& style,
                                   const TAffineTransform& layerToMap)
{
    EndHatchGround();
    if (PointsInParts(object) < 0) return;
    std::size_t start = 0;
    for (std::size_t part = 0; part < object.PartCounts.size(); ++part) {
        const std::size_t count = static_cast<std::size_t>(object.PartCounts[part]);
        // A line needs two points.
        if (count >= 2 && PartVisible(object, part, layerToMap)) {
            Screen.resize(count);
            for (std::size_t i = 0; i < count; ++i) Screen[i] = ScreenPoint(object.Points[start + i], layerToMap);
            UsePen(style);
            Painter.drawPolyline(Screen.data(), static_cast<int>(count));
        }
        start += count;
    }
}

void TLayerPainter::DrawAreaObject(const MapObject& object, std::int32_t opacity, const TAreaStyle& style,
                                   const TAffineTransform& layerToMap)
{
    const std::int64_t n = PointsInParts(object);
    if (n < 3) return;
    Screen.resize(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < Screen.size(); ++i) Screen[i] = ScreenPoint(object.Points[i], layerToMap);
    DrawAreaRings(Screen, object.PartCounts, opacity, style);
}

void TLayerPainter::DrawAreaRings(std::span<const QPoint> screen, std::span<const std::int32_t> counts,
                                  std::int32_t opacity, const TAreaStyle& style)
{
    if (FillsThroughSoftedge(style, opacity))
        FillTranslucentArea(screen, counts, opacity, style);
    else
        FillOpaqueArea(screen, counts, style);
}

// The rings, with their outline, through the drawing library.
void TLayerPainter::FillTranslucentArea(std::span<const QPoint> screen, std::span<const std::int32_t> counts,
                                        std::int32_t opacity, const TAreaStyle& style)
{
    EndHatchGround();
    if (style.Outline.lopnStyle > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
        throw ERangeError();
    static_assert(sizeof(QPoint) == sizeof(SoftedgePoint));
    SoftedgePoints.resize(screen.size());
    for (std::size_t i = 0; i < screen.size(); ++i) SoftedgePoints[i] = SoftedgePoint{screen[i].x(), screen[i].y()};
    QMPolyPolygon(&Painter, SoftedgePoints.data(), counts.data(), static_cast<std::int32_t>(counts.size()),
                  style.Brush.lbColor, opacity, style.Outline.lopnColor, style.Outline.lopnWidth.x,
                  static_cast<std::int32_t>(style.Outline.lopnStyle));
}

// The rings with the style's pen and brush; a hatched brush takes the
// style's background mode and colour for the time of the fill.
void TLayerPainter::FillOpaqueArea(std::span<const QPoint> screen, std::span<const std::int32_t> counts,
                                   const TAreaStyle& style)
{
    if (style.Brush.lbStyle == BS_HATCHED)
        UseHatchGround(style);
    else
        EndHatchGround();
    UsePen(style.Outline);
    UseAreaBrush(style);
    if (counts.size() == 1)
        Painter.drawPolygon(screen.data(), static_cast<int>(counts[0]), Qt::OddEvenFill);
    else
        Painter.drawPath(RingSet(screen, counts));
}

// The ground of a hatch stays set from one hatched area to the next, as
// changing it costs the painter more than a small fill; the painter's own
// is put back before anything else is drawn. A tile covers its ground
// itself: then only the gaps of a dashed outline need the opaque mode, which
// costs Qt a second pass over every area.
void TLayerPainter::UseHatchGround(const TAreaStyle& style)
{
    if (!Ground) Ground = THatchGround{Painter.backgroundMode(), Painter.background(), Painter.brushOrigin(), {}};
    const bool dashed = style.Outline.lopnStyle >= PS_DASH && style.Outline.lopnStyle <= PS_DASHDOTDOT;
    const bool opaque = style.BackMode == OPAQUE && (dashed || !TiledHatch(style));
    const THatchStyle wanted{opaque ? Qt::OpaqueMode : Qt::TransparentMode, style.BackColor};
    if (Ground->Current && Ground->Current->Mode == wanted.Mode && Ground->Current->Color == wanted.Color) return;
    Painter.setBackgroundMode(wanted.Mode);
    Painter.setBackground(ColorRefToQColor(wanted.Color));
    Painter.setBrushOrigin(MapBrushOrigin(View));
    Ground->Current = wanted;
}

void TLayerPainter::EndHatchGround()
{
    if (!Ground) return;
    Painter.setBackgroundMode(Ground->Mode);
    Painter.setBackground(Ground->Background);
    Painter.setBrushOrigin(Ground->Origin);
    Ground.reset();
}

void RenderLayers(QPainter& painter, QSize size, const TMView& view, const TLayerList& layers,
                  const QColor& background)
{
    painter.fillRect(QRect(QPoint(0, 0), size), background);
    TLayerPainter layerPainter(painter, view, size);
    QImage* bands = BandTarget(painter, size);
    for (std::int32_t i = layers.Count() - 1; i >= 0; --i) {
        const Layer& layer = *layers.Items(i);
        if (layer.Visible <= 0) continue;
        if (layer.Kind == lkRaster)
            layerPainter.DrawRasterLayer(layer);
        else if (bands == nullptr || !DrawVectorLayerInBands(*bands, view, layer))
            layerPainter.DrawVectorLayer(layer);
    }
}
