#include "viewer/AreaStamps.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstring>

#include "platform/qt/QtColors.h"
#include "viewer/LayerPainter.h"
#include "viewer/MView.h"

std::atomic<long> gStampLookups, gStampMisses;
namespace {

// The largest area a stamp is made for, in pixels across: larger ones are
// rarely repeated, and Qt draws them as fast as a stamp would be made.
constexpr int kLargestSide = 6;
constexpr std::size_t kMostRings = 8;
constexpr std::size_t kMostPoints = 64;
// Wider outlines reach further than a stamp's margin is worth.
constexpr std::int32_t kWidestPen = 4;

// The marker colours a stamp is drawn in: black below, a red fill and a
// blue outline. A fill blended over black never turns blue.
constexpr QRgb kBelow = 0xFF000000;
constexpr QRgb kOutlineMarker = 0xFF0000FF;
constexpr TColorRef kFillMarker = 0x000000FF;      // red
constexpr TColorRef kOutlineMarkerRef = 0x00FF0000; // blue

// What reaches the pixels of a stamp besides the points themselves: Softedge
// joins its outlines with miters up to ten pen widths long, the painter with
// round joins.
int StampMargin(bool softedge, std::int32_t penWidth)
{
    const int width = std::max(1, penWidth);
    return (softedge ? 10 * width : width) + 3;
}

bool Filled(const TAreaStyle& style, bool softedge)
{
    return softedge || style.Brush.lbStyle == BS_SOLID || style.Brush.lbStyle == BS_HATCHED;
}

template <class T>
void Append(std::string& key, const T& value)
{
    key.append(reinterpret_cast<const char*>(&value), sizeof value);
}

QRgb Opaque(TColorRef color)
{
    return ColorRefToQColor(color).rgb();
}

} // namespace

const TAreaStamp* TStampStore::Find(const std::string& key)
{
    const std::lock_guard guard(Lock);
    auto found = Stamps.find(key);
    return found == Stamps.end() ? nullptr : &found->second;
}

const TAreaStamp& TStampStore::Add(const std::string& key, TAreaStamp stamp)
{
    const std::lock_guard guard(Lock);
    return Stamps.emplace(key, std::move(stamp)).first->second;
}

TAreaStamps::TAreaStamps(TStampStore& store, QSize client) : Store(store), Client(client) {}

TAreaStamps::~TAreaStamps() = default;

bool TAreaStamps::Draw(QImage& image, int bandTop, int bandBottom, std::span<const QPoint> screen,
                       std::span<const std::int32_t> counts, std::int32_t opacity, const TAreaStyle& style,
                       QPoint brushOrigin)
{
    if (counts.size() > kMostRings || screen.size() > kMostPoints || screen.empty()) return false;
    if (style.Outline.lopnWidth.x > kWidestPen) return false;
    int left = screen[0].x(), right = left, top = screen[0].y(), bottom = top;
    for (const QPoint& p : screen) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    if (right - left > kLargestSide || bottom - top > kLargestSide) return false;
    // Qt strokes a dashed outline that touches the image's edge differently:
    // only areas whose stamp lies inside the image are drawn from one. Qt's
    // stroker computes in doubles, whose rounding moves with the points
    // unchanged only between the same powers of two: a stamp serves the
    // places whose stamp lies between the same powers of two as its own.
    const int pad = StampMargin(FillsThroughSoftedge(style, opacity), style.Outline.lopnWidth.x);
    const QRect region(left - pad, top - pad, right - left + 1 + 2 * pad, bottom - top + 1 + 2 * pad);
    if (!image.rect().contains(region)) return false;
    const int column = std::bit_width(static_cast<unsigned>(region.left()));
    const int row = std::bit_width(static_cast<unsigned>(region.top()));
    if (column != std::bit_width(static_cast<unsigned>(region.right())) ||
        row != std::bit_width(static_cast<unsigned>(region.bottom())))
        return false;
    const TAreaStamp* stamp = StampFor(screen, counts, region, column, row, opacity, style);
    if (stamp == nullptr) return false;

    const QPoint corner(left, top);
    const QRgb outline = Opaque(style.Outline.lopnColor);
    const QRect clip(0, bandTop, image.width(), bandBottom - bandTop);
    auto* bits = reinterpret_cast<QRgb*>(image.bits());
    const qsizetype stride = image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    for (const TAreaStamp::TPixel& pixel : stamp->Pixels) {
        const int x = corner.x() + pixel.Dx;
        const int y = corner.y() + pixel.Dy;
        if (!clip.contains(x, y)) continue;
        QRgb* at = bits + static_cast<qsizetype>(y) * stride + x;
        if (pixel.Cover == TAreaStamp::TCover::Outline)
            *at = outline;
        else
            PaintFill(at, x, y, opacity, style, brushOrigin);
    }
    return true;
}

const TAreaStamp* TAreaStamps::StampFor(std::span<const QPoint> screen, std::span<const std::int32_t> counts,
                                        const QRect& region, int column, int row, std::int32_t opacity,
                                        const TAreaStyle& style)
{
    const bool softedge = FillsThroughSoftedge(style, opacity);
    const int pad = StampMargin(softedge, style.Outline.lopnWidth.x);
    const QPoint corner = region.topLeft() + QPoint(pad, pad);
    Key.clear();
    Append(Key, static_cast<std::uint8_t>(column));
    Append(Key, static_cast<std::uint8_t>(row));
    Append(Key, static_cast<std::uint8_t>(softedge));
    Append(Key, static_cast<std::uint8_t>(Filled(style, softedge)));
    Append(Key, style.Outline.lopnStyle);
    Append(Key, style.Outline.lopnWidth.x);
    Append(Key, static_cast<std::uint8_t>(counts.size()));
    for (std::int32_t count : counts) Append(Key, static_cast<std::uint8_t>(count));
    for (const QPoint& p : screen) {
        Append(Key, static_cast<std::uint8_t>(p.x() - corner.x()));
        Append(Key, static_cast<std::uint8_t>(p.y() - corner.y()));
    }
    ++gStampLookups;
    auto met = Met.find(Key);
    if (met == Met.end()) {
        const TAreaStamp* stamp = Store.Find(Key);
        if (stamp == nullptr) {
            ++gStampMisses;
            stamp = &Store.Add(Key, MakeStamp(screen, counts, region, corner, opacity, style));
        }
        met = Met.emplace(Key, stamp).first;
    }
    return met->second->Valid ? met->second : nullptr;
}

// Draws the area in the marker colours with the layer painter itself, in
// its own place on an image of the client's size, and reads back which
// pixels it covered with what. A stamp whose pixels reach the border of its
// region would be cut, and is not used.
TAreaStamp TAreaStamps::MakeStamp(std::span<const QPoint> screen, std::span<const std::int32_t> counts,
                                  const QRect& region, QPoint corner, std::int32_t opacity, const TAreaStyle& style)
{
    if (!ScratchPainter) {
        Scratch = QImage(Client, QImage::Format_RGB32);
        NoView = std::make_unique<TMView>();
        ScratchPainter = std::make_unique<QPainter>(&Scratch);
        MarkerPainter = std::make_unique<TLayerPainter>(*ScratchPainter, *NoView, Client);
    }
    for (int y = region.top(); y <= region.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(Scratch.scanLine(y));
        std::fill(line + region.left(), line + region.right() + 1, kBelow);
    }
    const bool softedge = FillsThroughSoftedge(style, opacity);
    TAreaStyle marker = style;
    marker.Outline.lopnColor = kOutlineMarkerRef;
    if (Filled(style, softedge)) marker.Brush = TLogBrush{BS_SOLID, kFillMarker, 0};
    ScratchPainter->setClipRect(region);
    MarkerPainter->DrawAreaRings(screen, counts, softedge ? 128 : 255, marker);

    TAreaStamp stamp;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(Scratch.constScanLine(y));
        for (int x = region.left(); x <= region.right(); ++x) {
            if (line[x] == kBelow) continue;
            if (x == region.left() || y == region.top() || x == region.right() || y == region.bottom())
                return TAreaStamp{};
            stamp.Pixels.push_back(TAreaStamp::TPixel{
                static_cast<std::int16_t>(x - corner.x()), static_cast<std::int16_t>(y - corner.y()),
                line[x] == kOutlineMarker ? TAreaStamp::TCover::Outline : TAreaStamp::TCover::Fill});
        }
    }
    stamp.Valid = true;
    return stamp;
}

void TAreaStamps::PaintFill(QRgb* pixel, int x, int y, std::int32_t opacity, const TAreaStyle& style,
                            QPoint brushOrigin)
{
    if (FillsThroughSoftedge(style, opacity)) {
        *pixel = Blend(*pixel, style.Brush.lbColor, opacity);
    } else if (style.Brush.lbStyle == BS_SOLID) {
        *pixel = Opaque(style.Brush.lbColor);
    } else if (style.Brush.lbStyle == BS_HATCHED) {
        const std::uint8_t* bits = Hatch(style.Brush.lbHatch);
        if (bits[((y - brushOrigin.y()) & 7) * 8 + ((x - brushOrigin.x()) & 7)] != 0)
            *pixel = Opaque(style.Brush.lbColor);
        else if (style.BackMode == OPAQUE)
            *pixel = Opaque(style.BackColor);
    }
}

// Softedge's fill of one pixel over `below`, asked of Softedge once per
// colour below.
QRgb TAreaStamps::Blend(QRgb below, std::uint32_t fillColor, std::int32_t opacity)
{
    const std::uint64_t key = (static_cast<std::uint64_t>(opacity & 0xFF) << 56) |
                              (static_cast<std::uint64_t>(fillColor & 0xFFFFFF) << 32) | below;
    auto found = Blends.find(key);
    if (found != Blends.end()) return found->second;
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.setPixel(0, 0, below);
    {
        QPainter painter(&pixel);
        const SoftedgePoint square[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        QMPolygon(&painter, square, 4, fillColor, opacity, 0, 0, static_cast<std::int32_t>(PS_NULL));
    }
    return Blends.emplace(key, pixel.pixel(0, 0)).first->second;
}

// The pattern of a hatch as the painter fills it, with the brush origin at
// the image's corner.
const std::uint8_t* TAreaStamps::Hatch(std::uint32_t hatch)
{
    auto found = Hatches.find(hatch);
    if (found != Hatches.end()) return found->second.data();
    QImage tile(8, 8, QImage::Format_RGB32);
    tile.fill(Qt::white);
    {
        QPainter painter(&tile);
        painter.fillRect(tile.rect(), BrushFromLogBrush(TLogBrush{BS_HATCHED, 0, hatch}));
    }
    std::array<std::uint8_t, 64> bits{};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) bits[y * 8 + x] = tile.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
    return Hatches.emplace(hatch, bits).first->second.data();
}
