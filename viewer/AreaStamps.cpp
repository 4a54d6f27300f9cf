#include "viewer/AreaStamps.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "platform/qt/QtColors.h"
#include "viewer/LayerPainter.h"
#include "viewer/MView.h"

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

// Where on one axis a stamp of a wide outline serves: between the same
// powers of two as `low` to `high` (non-negative), or at `low` itself when
// they lie across one.
std::int32_t StampPlace(int low, int high)
{
    const auto binade = [](int v) { return static_cast<std::int32_t>(std::bit_width(static_cast<unsigned>(v))); };
    constexpr std::int32_t kExactly = 64;
    return binade(low) == binade(high) ? binade(low) : kExactly + low;
}

bool Filled(const TAreaStyle& style, bool softedge)
{
    return softedge || style.Brush.lbStyle == BS_SOLID || style.Brush.lbStyle == BS_HATCHED;
}

QRgb Opaque(TColorRef color)
{
    return ColorRefToQColor(color).rgb();
}

} // namespace

TStampStore::TShard& TStampStore::ShardOf(const std::string& key)
{
    return Shards[std::hash<std::string>{}(key) % Shards.size()];
}

const TAreaStamp* TStampStore::Find(const std::string& key)
{
    TShard& shard = ShardOf(key);
    const std::lock_guard guard(shard.Lock);
    auto found = shard.Stamps.find(key);
    return found == shard.Stamps.end() ? nullptr : &found->second;
}

const TAreaStamp& TStampStore::Add(const std::string& key, TAreaStamp stamp)
{
    TShard& shard = ShardOf(key);
    const std::lock_guard guard(shard.Lock);
    return shard.Stamps.emplace(key, std::move(stamp)).first->second;
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
    // only areas whose stamp lies inside the image are drawn from one.
    const int pad = StampMargin(FillsThroughSoftedge(style, opacity), style.Outline.lopnWidth.x);
    const QRect region(left - pad, top - pad, right - left + 1 + 2 * pad, bottom - top + 1 + 2 * pad);
    if (!image.rect().contains(region)) return false;
    // Fills and one-pixel outlines are drawn in whole pixels, the same in
    // every place. Wider outlines are computed in doubles, axis by axis,
    // whose rounding moves with the points unchanged only between the same
    // powers of two: their stamps serve the places between the same powers
    // of two as their own, and a stamp across a power of two only the places
    // on its own line.
    std::int32_t column = 0, row = 0;
    if (style.Outline.lopnWidth.x > 1) {
        column = StampPlace(region.left(), region.right());
        row = StampPlace(region.top(), region.bottom());
    }
    const QPoint corner(left, top);
    const TAreaStamp* stamp = StampFor(screen, counts, region, corner, column, row, opacity, style);
    if (stamp == nullptr) return false;

    const QRgb outline = Opaque(style.Outline.lopnColor);
    const TFill fill = FillOf(opacity, style);
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
            PaintFill(*at, x, y, fill, brushOrigin);
    }
    return true;
}

TAreaStamps::TFill TAreaStamps::FillOf(std::int32_t opacity, const TAreaStyle& style)
{
    TFill fill;
    fill.Color = Opaque(style.Brush.lbColor);
    fill.Back = Opaque(style.BackColor);
    fill.OpaqueBack = style.BackMode == OPAQUE;
    if (FillsThroughSoftedge(style, opacity)) {
        fill.Kind = TFill::TKind::Translucent;
        fill.BlendKey = (static_cast<std::uint64_t>(opacity & 0xFF) << 56) |
                        (static_cast<std::uint64_t>(style.Brush.lbColor & 0xFFFFFF) << 32);
    } else if (style.Brush.lbStyle == BS_SOLID) {
        fill.Kind = TFill::TKind::Solid;
    } else if (style.Brush.lbStyle == BS_HATCHED) {
        fill.Kind = TFill::TKind::Hatched;
        fill.Hatch = Hatch(style.Brush.lbHatch);
    }
    return fill;
}

const TAreaStamp* TAreaStamps::StampFor(std::span<const QPoint> screen, std::span<const std::int32_t> counts,
                                        const QRect& region, QPoint corner, std::int32_t column, std::int32_t row,
                                        std::int32_t opacity, const TAreaStyle& style)
{
    const bool softedge = FillsThroughSoftedge(style, opacity);
    // The key: where and how the area is drawn, then its ring counts and
    // its points, one byte each (a point lies at most kLargestSide from the
    // corner on either axis).
    std::array<char, 24 + kMostRings + kMostPoints> key;
    std::size_t length = 0;
    const auto put = [&](const auto& value) {
        std::memcpy(key.data() + length, &value, sizeof value);
        length += sizeof value;
    };
    put(column);
    put(row);
    put(static_cast<std::uint8_t>(softedge * 2 + Filled(style, softedge)));
    put(style.Outline.lopnStyle);
    put(style.Outline.lopnWidth.x);
    put(static_cast<std::uint8_t>(counts.size()));
    for (std::int32_t count : counts) put(static_cast<std::uint8_t>(count));
    for (const QPoint& p : screen)
        put(static_cast<std::uint8_t>((p.x() - corner.x()) * (kLargestSide + 1) + (p.y() - corner.y())));
    Key.assign(key.data(), length);
    auto met = Met.find(Key);
    if (met == Met.end()) {
        const TAreaStamp* stamp = Store.Find(Key);
        if (stamp == nullptr) {
            stamp = &Store.Add(Key, MakeStamp(screen, counts, region, corner, opacity, style));
        }
        met = Met.emplace(Key, stamp).first;
    }
    return met->second->Valid ? met->second : nullptr;
}

// Draws the area in the marker colours with the layer painter itself, in
// its own place on an image of the client's size, and reads back which
// pixels of its region it covered with what. A drawing that reaches the
// border of the region may reach beyond it, and is not used.
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

void TAreaStamps::PaintFill(QRgb& pixel, int x, int y, const TFill& fill, QPoint brushOrigin)
{
    switch (fill.Kind) {
    case TFill::TKind::Translucent: pixel = Blend(fill.BlendKey | pixel); break;
    case TFill::TKind::Solid: pixel = fill.Color; break;
    case TFill::TKind::Hatched:
        if (fill.Hatch[((y - brushOrigin.y()) & 7) * 8 + ((x - brushOrigin.x()) & 7)] != 0)
            pixel = fill.Color;
        else if (fill.OpaqueBack)
            pixel = fill.Back;
        break;
    case TFill::TKind::None: break;
    }
}

// Softedge's fill of one pixel (opacity and colour in the key's high word)
// over the colour below (its low word), asked of Softedge once per colour.
QRgb TAreaStamps::Blend(std::uint64_t key)
{
    if (key == LastBlend.first) return LastBlend.second;
    auto found = Blends.find(key);
    if (found == Blends.end()) {
        QImage pixel(1, 1, QImage::Format_RGB32);
        pixel.setPixel(0, 0, static_cast<QRgb>(key));
        {
            QPainter painter(&pixel);
            const SoftedgePoint square[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
            QMPolygon(&painter, square, 4, static_cast<std::uint32_t>(key >> 32) & 0xFFFFFF,
                      static_cast<std::int32_t>(key >> 56), 0, 0, static_cast<std::int32_t>(PS_NULL));
        }
        found = Blends.emplace(key, pixel.pixel(0, 0)).first;
    }
    LastBlend = *found;
    return found->second;
}

// The pattern of a hatch as the painter fills it, with the brush origin at
// the image's corner.
const std::uint8_t* TAreaStamps::Hatch(std::uint32_t hatch)
{
    auto found = Hatches.find(hatch);
    if (found != Hatches.end()) return found->second.data();
    const QImage tile = HatchTile(TLogBrush{BS_HATCHED, RGB(0, 0, 0), hatch}, RGB(255, 255, 255));
    std::array<std::uint8_t, 64> bits{};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) bits[y * 8 + x] = tile.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
    return Hatches.emplace(hatch, bits).first->second.data();
}
