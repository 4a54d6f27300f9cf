#include "viewer/LegendCells.h"

#include <QPainter>
#include <algorithm>

#include "platform/qt/QtColors.h"
#include "viewer/LayerPainter.h"
#include "viewer/PointSymbol.h"

namespace {

constexpr int kCellDx = 6;
constexpr int kCellDy = 2;

// The cell as the grid hands it over, with Windows' exclusive right and
// bottom edges.
struct TCellEdges {
    int Left, Top, Right, Bottom;
    explicit TCellEdges(const QRect& cell)
        : Left(cell.left()), Top(cell.top()), Right(cell.left() + cell.width()), Bottom(cell.top() + cell.height())
    {
    }
    int Mid() const { return (Top + Bottom) / 2; }
    QPoint TextAt() const { return QPoint(Left + kCellDx, Mid() + 4); }
    // The outline of a rectangle drawn from (l, t) up to, not including, (r, b).
    static QRect Outline(int l, int t, int r, int b) { return QRect(l, t, std::max(0, r - l - 1), std::max(0, b - t - 1)); }
    QRect Inset() const { return Outline(Left + kCellDx, Top + kCellDy, Right - kCellDx, Bottom - kCellDy); }
};

void DrawLegendStyle(QPainter& painter, const LegendObject& legend, const TCellEdges& edges)
{
    const int mid = edges.Mid();
    switch (legend.StyleKind) {
    case skPoint: {
        TPointSymbols symbols;
        symbols.Draw(painter, QPoint((edges.Left + edges.Right) / 2, mid), legend.Style.As<TPointStyle>());
        break;
    }
    case skLine:
        painter.setPen(PenFromLogPen(legend.Style.As<TLineStyle>()));
        painter.drawLine(edges.Left + kCellDx, mid, edges.Right - kCellDx, mid);
        break;
    case skArea: {
        const TAreaStyle style = legend.Style.As<TAreaStyle>();
        painter.setPen(PenFromLogPen(style.Outline));
        painter.setBrush(BrushFromLogBrush(style.Brush));
        if (style.Brush.lbStyle == BS_HATCHED) {
            painter.setBackgroundMode(style.BackMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
            painter.setBackground(ColorRefToQColor(style.BackColor));
        }
        painter.drawRect(edges.Inset());
        break;
    }
    default:
        break;
    }
}

} // namespace

void DrawLayerLegendCell(QPainter& painter, int column, const LegendObject& legend, const QRect& cell)
{
    const TCellEdges edges(cell);
    painter.setPen(QPen(Qt::black));
    if (column == 1) {
        painter.drawText(edges.TextAt(), QString::fromStdString(legend.Title));
        return;
    }
    painter.fillRect(cell, Qt::white);
    DrawLegendStyle(painter, legend, edges);
}

void DrawMixedStylesCell(QPainter& painter, int column, const QRect& cell)
{
    const TCellEdges edges(cell);
    painter.setPen(QPen(Qt::black));
    if (column == 0) {
        painter.drawLine(edges.Left + kCellDx, edges.Top + kCellDy, edges.Right - kCellDx, edges.Bottom - kCellDy);
        painter.drawLine(edges.Right - kCellDx, edges.Top + kCellDy, edges.Left + kCellDx, edges.Bottom - kCellDy);
    } else {
        painter.drawText(edges.TextAt(), QStringLiteral("This layer has objects with different styles"));
    }
}

void DrawRasterValueCell(QPainter& painter, int column, const TColorValue& value, const QRect& cell)
{
    const TCellEdges edges(cell);
    if (column == 0) {
        const QColor colour = RgbQuadToQColor(value.Color);
        painter.setPen(QPen(colour, 2));
        painter.setBrush(colour);
        painter.drawRect(edges.Inset());
    } else {
        painter.setPen(QPen(Qt::black));
        painter.drawText(edges.TextAt(), QString::fromStdString(value.Text));
    }
}
