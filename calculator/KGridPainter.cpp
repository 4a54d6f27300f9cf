#include "calculator/KGridPainter.h"

#include <QModelIndex>
#include <QPainter>
#include <QPalette>
#include <QTableView>

#include "platform/qt/QtColors.h"

namespace {

void DrawCellText(QPainter& painter, const QRect& rect, const QString& text, const QFont& font,
                  const QColor& color, TAlignment alignment)
{
    painter.save();
    painter.setClipRect(rect);
    painter.setFont(font);
    painter.setPen(color);
    QFontMetrics metrics(font, painter.device());
    int width = metrics.horizontalAdvance(text);
    int x = rect.left() + 3;
    if (alignment == taRightJustify)
        x = RightOf(rect) - 3 - width;
    else if (alignment == taCenter)
        x = rect.left() + (rect.width() - width) / 2;
    int y = rect.top() + (rect.height() - metrics.height()) / 2 + metrics.ascent();
    painter.drawText(x, y, text);
    painter.restore();
}

// The colours one column's cells are drawn with, after the fallbacks: clNone
// falls back to the column's colour, DefaultLook to the canvas's.
struct TCellLook {
    TColor Cell, FixedText, HeaderText, ActiveFixedText, ActiveHeaderText, ActiveRowText, SelectedText;
    TColor FixedBack, HeaderBack, SelectedBack, ActiveFixedBack, ActiveHeaderBack, ActiveColBack, ActiveRowBack;
};

TCellLook ResolveLook(const TKGridHost& host, const TKGridColumn& column)
{
    const TKGridProperties& grid = host.GridProperties();
    const bool plain = grid.DefaultLook;
    const TColor canvasFont = host.Data().Font().Color;
    const TColor canvasBrush = grid.Color;
    TCellLook look{};
    look.Cell = column.Color() != clNone ? column.Color() : grid.Color;
    const TColor c = look.Cell;

    auto text = [&](TColor value) { return (value == clNone || plain) ? canvasFont : value; };
    look.FixedText = text(grid.FixedFont.Color);
    look.HeaderText = text(column.HeaderFont().Color);
    auto activeText = [&](TColor value, TColor fallback) { return (value == clNone || plain) ? fallback : value; };
    look.ActiveFixedText = activeText(grid.ActiveFixedFont.Color, look.FixedText);
    look.ActiveHeaderText = activeText(grid.ActiveHeaderFont.Color, look.HeaderText);
    auto rowText = [&](TColor value) { return plain ? canvasFont : (value == clNone ? column.Font().Color : value); };
    look.ActiveRowText = rowText(grid.ActiveRowFontColor);
    look.SelectedText = rowText(grid.SelectedFontColor);

    auto back = [&](TColor value) { return plain ? canvasBrush : (value == clNone ? c : value); };
    look.FixedBack = back(grid.FixedColor);
    look.HeaderBack = back(column.HeaderColor() != clNone ? column.HeaderColor() : grid.HeaderColor);
    look.SelectedBack = back(grid.SelectedColor);
    look.ActiveFixedBack = activeText(grid.ActiveFixedColor, look.FixedBack);
    look.ActiveHeaderBack = activeText(grid.ActiveHeaderColor, look.HeaderBack);
    look.ActiveColBack = activeText(grid.ActiveColColor, c);
    if (plain)
        look.ActiveRowBack = (grid.Options & goRowSelect) ? canvasBrush : c;
    else
        look.ActiveRowBack = grid.ActiveRowColor == clNone ? c : grid.ActiveRowColor;
    return look;
}

TKFont WithColor(TKFont font, TColor color)
{
    font.Color = color;
    return font;
}

void DrawSortArrow(QPainter& painter, const QRect& rect, TColumnSorting order, const QColor& back)
{
    const int right = RightOf(rect);
    const int top = rect.top();
    painter.save();
    painter.fillRect(QRect(QPoint(right - 23, top + 2), QPoint(right - 2, BottomOf(rect) - 3)), back);
    const int x = right - 20;
    const int y = top + 10;
    painter.setBrush(QColor(0xC0, 0xC0, 0xC0));
    painter.setPen(Qt::black);
    if (order == csAsc) {
        const QPoint points[] = {{x, y}, {x, y - 1}, {x + 4, y - 5}, {x + 8, y - 1}, {x + 8, y}};
        painter.drawPolygon(points, 5);
        painter.setPen(Qt::white);
        painter.drawLine(x, y - 1, x + 4, y - 5);
    } else {
        const QPoint points[] = {{x, y - 5}, {x + 8, y - 5}, {x + 8, y - 4}, {x + 4, y}, {x, y - 4}};
        painter.drawPolygon(points, 5);
        painter.setPen(Qt::white);
        painter.drawLine(x, y - 4, x + 4, y);
    }
    painter.restore();
}

} // namespace

QColor ToQColor(TColor color, const QPalette& colors)
{
    if ((color & 0xFF000000u) != clSystemColor)
        return ColorRefToQColor(color & 0x00FFFFFFu);
    switch (color & 0xFF) {
    case 5: return colors.color(QPalette::Base);             // window
    case 6: case 21: return colors.color(QPalette::Shadow);  // window frame, 3-D dark shadow
    case 7: case 8: case 19: return colors.color(QPalette::Text);
    case 2: case 13: return colors.color(QPalette::Highlight);
    case 9: case 14: return colors.color(QPalette::HighlightedText);
    case 15: return colors.color(QPalette::Button);          // button face
    case 0: case 3: case 16: return colors.color(QPalette::Mid);
    case 12: return colors.color(QPalette::Dark);
    case 17: return colors.color(QPalette::Disabled, QPalette::Text);
    case 18: return colors.color(QPalette::ButtonText);
    case 20: return colors.color(QPalette::Light);
    case 22: return colors.color(QPalette::Midlight);
    case 23: return colors.color(QPalette::ToolTipText);
    case 24: return colors.color(QPalette::ToolTipBase);     // info background
    default: return colors.color(QPalette::Window);
    }
}


QFont ToQFont(const TKFont& font)
{
    QFont result(QString::fromStdString(font.Name), font.Size > 0 ? font.Size : 8);
    result.setBold(font.Bold);
    result.setItalic(font.Italic);
    return result;
}

QColor TKGridPainter::Colour(TColor color) const { return ToQColor(color, Grid.View().palette()); }

// The colours and font of a data cell before OnGetCellProps may change them.
TKCellProperties TKGridPainter::CellProperties(const TKGridColumn& column, TGridDrawState state, bool activeRow) const
{
    const TCellLook look = ResolveLook(Grid, column);
    const TKGridProperties& grid = Grid.GridProperties();
    const TGridOptions options = grid.Options;
    TKCellProperties props;
    props.Alignment = column.Alignment();
    if (state & gdFixed) {
        props.Color = activeRow ? look.ActiveFixedBack : look.FixedBack;
        props.Font = activeRow ? WithColor(grid.ActiveFixedFont, look.ActiveFixedText)
                               : WithColor(grid.FixedFont, look.FixedText);
        return props;
    }
    const bool selected = state & gdSelected;
    const bool focused = state & gdFocused;
    props.Color = look.Cell;
    props.Font = column.Font();
    if (&column == Grid.Data().ActiveColumn())
        props.Color = look.ActiveColBack;
    if (activeRow && (options & goRowSelect)) {
        props.Color = look.SelectedBack;
        props.Font.Color = look.SelectedText;
    } else if (activeRow) {
        props.Color = look.ActiveRowBack;
        props.Font.Color = look.ActiveRowText;
    } else if ((selected && !focused) || ((selected || focused) && (options & goDrawFocusSelected))) {
        props.Color = look.SelectedBack;
        props.Font.Color = look.SelectedText;
    }
    return props;
}

// A multi-line cell shows its stored (comma) form on one line.
QString TKGridPainter::CellText(int col, int row) const
{
    const TKGridData& data = Grid.Data();
    if (data.Empty())
        return {};
    const bool multiLine = data.CellFlags(col, row) & cfMultiLine;
    return QString::fromStdString(multiLine ? data.StoredText(col, row) : data.Cells(col, row));
}

void TKGridPainter::PaintCell(QPainter& painter, const QRect& rect, const QModelIndex& index, bool selected) const
{
    const int col = index.column();
    const int row = index.row();
    const TKGridData& data = Grid.Data();
    if (col < 0 || col >= data.VisibleCount())
        return;
    const TKGridColumn& column = *data.VisibleColumns()[static_cast<std::size_t>(col)];
    const QModelIndex current = Grid.View().currentIndex();
    const bool activeRow = current.isValid() && current.row() == row;
    const bool focused = current == index && Grid.View().hasFocus();
    const bool fixed = col < data.FixedCols();
    const TGridDrawState state = (selected ? gdSelected : 0u) | (focused ? gdFocused : 0u) | (fixed ? gdFixed : 0u);

    TKCellProperties props = CellProperties(column, state, activeRow);
    Grid.GetCellProps(col, row, props);
    painter.fillRect(rect, Colour(props.Color));
    DrawCellText(painter, rect, CellText(col, row), ToQFont(props.Font), Colour(props.Font.Color), props.Alignment);
    if (focused && !(Grid.GridProperties().Options & goRowSelect) && state != 0) {
        painter.save();
        painter.setPen(QPen(Colour(props.Font.Color), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        painter.restore();
    }
    Grid.DrawCell(painter, col, row, rect, state);
}

void TKGridPainter::PaintHeader(QPainter& painter, const QRect& rect, int col) const
{
    const TKGridData& data = Grid.Data();
    if (col < 0 || col >= data.VisibleCount())
        return;
    const TKGridColumn& column = *data.VisibleColumns()[static_cast<std::size_t>(col)];
    const TCellLook look = ResolveLook(Grid, column);
    const bool active = &column == data.ActiveColumn();
    const TColor back = active ? look.ActiveHeaderBack : look.HeaderBack;
    const TKFont font = active ? WithColor(Grid.GridProperties().ActiveHeaderFont, look.ActiveHeaderText)
                               : WithColor(column.HeaderFont(), look.HeaderText);

    painter.fillRect(rect, Colour(back));
    DrawCellText(painter, rect, QString::fromStdString(column.Caption()), ToQFont(font), Colour(font.Color),
                 column.Alignment());
    if (Grid.GridProperties().Options & goFixedLines) {
        painter.save();
        painter.setPen(Grid.View().palette().color(QPalette::Dark));
        painter.drawLine(rect.topRight(), rect.bottomRight());
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.restore();
    }
    if (column.SortOrder() != csNone)
        DrawSortArrow(painter, rect, column.SortOrder(), Colour(back));
    Grid.DrawHeader(painter, col, rect, gdFixed);
}
