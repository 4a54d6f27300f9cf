#include "softedge/Softedge.h"

#include "platform/qt/QtColors.h"
#include "platform/qt/QtPens.h"

#include <QBrush>
#include <QColor>
#include <QGuiApplication>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygon>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

namespace {

// Process-wide state. The viewer draws the bands of one map on several
// threads at once, each with its own painter, so the flag and the token are
// atomic: a call that finds drawing started by another goes on with it. The
// token names the application that was running when drawing started.
std::atomic<std::int32_t> started = 0;
std::atomic<std::uintptr_t> token = 0;

constexpr std::int32_t kNoOutline = 5;
// Qt refuses wider pens and would draw them one pixel wide; a stroke this
// wide already covers every pixel within 16,000 of the outline.
constexpr std::int32_t kWidestPen = 32767;

// Drawing needs a running QGuiApplication: it owns the platform's graphics
// setup that painting relies on.
bool GraphicsStartup(std::atomic<std::uintptr_t>& newToken)
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (app == nullptr)
        return false;
    newToken = reinterpret_cast<std::uintptr_t>(app);
    return true;
}

void GraphicsShutdown(std::atomic<std::uintptr_t>& oldToken)
{
    oldToken = 0;
}

bool StartGraphics()
{
    if (!GraphicsStartup(token))
        return false;
    started = 1;
    return true;
}

// Starts drawing for one call when nothing has started it yet, and stops it
// again when that call ends. Whether drawing runs is settled at the start:
// a call on another thread that stops what it started must not cut this
// call short.
class TCallStart {
public:
    TCallStart()
    {
        const bool startedElsewhere = started == 1;
        if (!startedElsewhere)
            startedHere = StartGraphics();
        running = startedElsewhere || startedHere;
    }
    ~TCallStart()
    {
        if (startedHere)
            SoftedgeTerminate();
    }
    TCallStart(const TCallStart&) = delete;
    TCallStart& operator=(const TCallStart&) = delete;

    bool Running() const { return running; }

private:
    bool startedHere = false;
    bool running = false;
};

// Keeps the caller's painter state and sets the drawing defaults that the
// viewer's pictures are made with, which differ from Qt's: no anti-aliasing,
// plain source-over blending at full opacity, and a transparent background
// so that the gaps of a dashed outline stay unpainted. Transform and clip are
// the caller's, as a device context's would be. Only what a call changes is
// kept and put back: a whole save and restore of the painter costs more
// than filling a small polygon.
class TPainterScope {
public:
    explicit TPainterScope(QPainter& painter)
        : painter(painter), antialiasing(painter.testRenderHint(QPainter::Antialiasing)),
          composition(painter.compositionMode()), opacity(painter.opacity()),
          backgroundMode(painter.backgroundMode()), pen(painter.pen()), brush(painter.brush())
    {
        if (antialiasing)
            painter.setRenderHint(QPainter::Antialiasing, false);
        if (composition != QPainter::CompositionMode_SourceOver)
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        if (opacity != 1.0)
            painter.setOpacity(1.0);
        if (backgroundMode != Qt::TransparentMode)
            painter.setBackgroundMode(Qt::TransparentMode);
    }
    ~TPainterScope()
    {
        painter.setPen(pen);
        painter.setBrush(brush);
        if (backgroundMode != Qt::TransparentMode)
            painter.setBackgroundMode(backgroundMode);
        if (opacity != 1.0)
            painter.setOpacity(opacity);
        if (composition != QPainter::CompositionMode_SourceOver)
            painter.setCompositionMode(composition);
        if (antialiasing)
            painter.setRenderHint(QPainter::Antialiasing, true);
    }
    TPainterScope(const TPainterScope&) = delete;
    TPainterScope& operator=(const TPainterScope&) = delete;

private:
    QPainter& painter;
    bool antialiasing;
    QPainter::CompositionMode composition;
    qreal opacity;
    Qt::BGMode backgroundMode;
    QPen pen;
    QBrush brush;
};

QPainter* ActivePainter(void* dc)
{
    auto* painter = static_cast<QPainter*>(dc);
    return painter != nullptr && painter->isActive() ? painter : nullptr;
}

// The stored colour word with the low byte of alpha as its opacity.
QColor ColorOf(std::uint32_t colorRef, std::int32_t alpha)
{
    QColor color = ColorRefToQColor(colorRef);
    color.setAlpha(alpha & 0xFF);
    return color;
}

// Dash patterns in pen widths for the stored pen styles 1 to 4; an empty
// pattern is a solid line.
QList<qreal> DashPattern(std::int32_t penStyle)
{
    switch (penStyle) {
    case 1:
        return {3, 1};
    case 2:
        return {1, 1};
    case 3:
        return {3, 1, 1, 1};
    case 4:
        return {3, 1, 1, 1, 1, 1};
    default:
        return {};
    }
}

// The opaque outline pen; none for style 5. A negative width is no pen at
// all for the viewer's callers, so such an outline is left out as well.
std::optional<QPen> OutlinePen(std::uint32_t penColor, std::int32_t penWidth, std::int32_t penStyle)
{
    if (penStyle == kNoOutline || penWidth < 0)
        return std::nullopt;
    QPen pen(ColorOf(penColor, 0xFF));
    pen.setWidthF(static_cast<qreal>(std::min(penWidth, kWidestPen))); // width 0 is Qt's one-pixel pen
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setMiterLimit(10);
    const QList<qreal> dashes = DashPattern(penStyle);
    if (!dashes.isEmpty())
        pen.setDashPattern(dashes);
    return pen;
}

QPolygon RingPolygon(std::span<const SoftedgePoint> ring)
{
    QPolygon polygon(static_cast<qsizetype>(ring.size()));
    for (std::size_t i = 0; i < ring.size(); ++i)
        polygon.setPoint(static_cast<int>(i), ring[i].x, ring[i].y);
    return polygon;
}

// Qt fills with the brush and then strokes with the pen in one call, the
// same pixels as a fill and an outline drawn one after the other, at half
// the changes of the painter's state.
void DrawRing(QPainter& painter, std::span<const SoftedgePoint> ring, const QColor& fill,
              const std::optional<QPen>& pen)
{
    const QPolygon polygon = RingPolygon(ring);
    painter.setPen(pen ? *pen : OwnNoPen());
    painter.setBrush(fill);
    painter.drawPolygon(polygon, Qt::OddEvenFill);
    // An open ring's closing edge gets a line of its own besides the one the
    // polygon already strokes.
    if (pen && polygon.first() != polygon.last())
        painter.drawLine(polygon.last(), polygon.first());
}

// Every ring is a closed figure of its own, so that the alternate rule cuts
// holes and every closing edge is stroked. Rings with a count below 1 are
// skipped; the offset is summed in 64 bits so no sum of counts can wrap.
QPainterPath RingsPath(const SoftedgePoint* points, const std::int32_t* counts, std::int32_t ringCount)
{
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    std::int64_t offset = 0;
    for (std::int32_t i = 0; i < ringCount; ++i) {
        const std::int32_t count = counts[i];
        if (count < 1)
            continue;
        const std::span<const SoftedgePoint> ring(points + offset, static_cast<std::size_t>(count));
        path.moveTo(ring[0].x, ring[0].y);
        for (std::size_t k = 1; k < ring.size(); ++k)
            path.lineTo(ring[k].x, ring[k].y);
        path.closeSubpath();
        offset += count;
    }
    return path;
}

void DrawRings(QPainter& painter, const QPainterPath& path, const QColor& fill, const std::optional<QPen>& pen)
{
    painter.setPen(pen ? *pen : OwnNoPen());
    painter.setBrush(fill);
    painter.drawPath(path);
}

} // namespace

extern "C" {

int32_t SoftedgeInit(void)
{
    if (started == 1)
        return 1;
    return StartGraphics() ? 1 : 0;
}

void SoftedgeTerminate(void)
{
    if (started != 1)
        return;
    GraphicsShutdown(token);
    started = 0;
}

int32_t QMPolygon(void* dc, const SoftedgePoint* points, int32_t count, uint32_t fillColor, int32_t fillAlpha,
                  uint32_t penColor, int32_t penWidth, int32_t penStyle)
{
    const TCallStart start;
    if (!start.Running())
        return 0;
    QPainter* painter = ActivePainter(dc);
    if (painter == nullptr || points == nullptr || count < 1)
        return 1;
    // A failure inside Qt (only memory exhaustion can throw) leaves the
    // drawing incomplete; the caller ignores the result either way.
    try {
        const TPainterScope scope(*painter);
        DrawRing(*painter, std::span(points, static_cast<std::size_t>(count)), ColorOf(fillColor, fillAlpha),
                 OutlinePen(penColor, penWidth, penStyle));
    } catch (...) {
    }
    return 1;
}

int32_t QMPolyPolygon(void* dc, const SoftedgePoint* points, const int32_t* counts, int32_t ringCount,
                      uint32_t fillColor, int32_t fillAlpha, uint32_t penColor, int32_t penWidth,
                      int32_t penStyle)
{
    const TCallStart start;
    if (!start.Running())
        return 0;
    QPainter* painter = ActivePainter(dc);
    if (painter == nullptr || points == nullptr || counts == nullptr || ringCount < 1)
        return 1;
    if (ringCount == 1) {
        QMPolygon(dc, points, counts[0], fillColor, fillAlpha, penColor, penWidth, penStyle);
        return 1;
    }
    try {
        const TPainterScope scope(*painter);
        DrawRings(*painter, RingsPath(points, counts, ringCount), ColorOf(fillColor, fillAlpha),
                  OutlinePen(penColor, penWidth, penStyle));
    } catch (...) {
    }
    return 1;
}

} // extern "C"
