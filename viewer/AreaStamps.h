#pragma once
// Small areas drawn from stamps. Drawn aliased with whole-pixel points, an
// area covers whole pixels: some with its fill, some with its outline, which
// lies on top and is always opaque. Which pixels those are depends only on
// the points relative to each other and on the geometry of the style (pen
// width and dashes, whether there is a fill, which painter draws it), so
// the many small objects of a map at fit, which fall on a few shapes, are
// drawn by writing the pixels of a stamp that Qt drew once for the shape.
// The fill's colours are Qt's as well: hatch patterns are read from a fill
// Qt draws, translucent blends from fills of Qt's over each colour met.
#include <QImage>
#include <QPoint>
#include <QRect>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "geodata/QMMapDecl.h"
#include "viewer/MView.h"

class QPainter;
class TLayerPainter;

// The pixels an area covers, relative to the top left of its points, and
// whether with its fill or its outline. A stamp that is not valid could not
// be made, and its areas are drawn whole.
struct TAreaStamp {
    enum class TCover : std::uint8_t { Fill, Outline };
    struct TPixel {
        std::int16_t Dx;
        std::int16_t Dy;
        TCover Cover;
    };
    bool Valid = false;
    std::vector<TPixel> Pixels;
};

// The stamps made for one drawing of a layer, shared by its bands.
class TStampStore {
public:
    // The stamp stored under `key`, or none.
    const TAreaStamp* Find(const std::string& key);
    // Stores `stamp` under `key` unless another band stored one first, and
    // returns the one stored.
    const TAreaStamp& Add(const std::string& key, TAreaStamp stamp);

private:
    // The bands look stamps up at once: each shard of keys has a lock of its
    // own, so that they seldom wait for each other.
    struct TShard {
        std::mutex Lock;
        std::unordered_map<std::string, TAreaStamp> Stamps;
    };
    TShard& ShardOf(const std::string& key);
    std::array<TShard, 64> Shards;
};

// The stamps of one band: those it met, and Qt's colours of fills.
class TAreaStamps {
public:
    TAreaStamps(TStampStore& store, QSize client);
    ~TAreaStamps();
    TAreaStamps(const TAreaStamps&) = delete;
    TAreaStamps& operator=(const TAreaStamps&) = delete;

    // Draws the rings (client pixels, `counts` points each) into the rows
    // from `bandTop` to before `bandBottom` of `image`, an RGB32 image of the
    // client's size, as the layer painter would with `opacity` and `style`,
    // the hatches anchored at `brushOrigin`. Returns false, drawing nothing,
    // for an area too large or too intricate for a stamp.
    bool Draw(QImage& image, int bandTop, int bandBottom, std::span<const QPoint> screen,
              std::span<const std::int32_t> counts, std::int32_t opacity, const TAreaStyle& style,
              QPoint brushOrigin);

private:
    const TAreaStamp* StampFor(std::span<const QPoint> screen, std::span<const std::int32_t> counts,
                               const QRect& region, QPoint corner, std::int32_t column, std::int32_t row,
                               std::int32_t opacity, const TAreaStyle& style);
    TAreaStamp MakeStamp(std::span<const QPoint> screen, std::span<const std::int32_t> counts, const QRect& region,
                         QPoint corner, std::int32_t opacity, const TAreaStyle& style);
    // What a fill does to the pixels it covers.
    struct TFill {
        enum class TKind { None, Solid, Translucent, Hatched } Kind = TKind::None;
        QRgb Color = 0;
        QRgb Back = 0;
        bool OpaqueBack = false;
        const std::uint8_t* Hatch = nullptr;
        std::uint64_t BlendKey = 0;
    };
    TFill FillOf(std::int32_t opacity, const TAreaStyle& style);
    void PaintFill(QRgb& pixel, int x, int y, const TFill& fill, QPoint brushOrigin);
    QRgb Blend(std::uint64_t key);
    const std::uint8_t* Hatch(std::uint32_t hatch);

    TStampStore& Store;
    QSize Client;
    std::unordered_map<std::string, const TAreaStamp*> Met;
    std::string Key;
    // Qt's blends of a translucent fill over each colour met, by fill colour,
    // opacity and the colour below.
    std::unordered_map<std::uint64_t, QRgb> Blends;
    std::pair<std::uint64_t, QRgb> LastBlend{~std::uint64_t{0}, 0};
    // The 8 x 8 bits of each hatch, drawn by Qt with the brush origin at 0.
    std::unordered_map<std::uint32_t, std::array<std::uint8_t, 64>> Hatches;
    // Stamps are drawn on an image of the client's size, each in its own
    // place, by a painter kept for the band.
    QImage Scratch;
    std::unique_ptr<TMView> NoView;
    std::unique_ptr<QPainter> ScratchPainter;
    std::unique_ptr<TLayerPainter> MarkerPainter;
};
