#pragma once
// How the column string grid draws: a data cell in the colours and fonts of
// its state (fixed, in the active row or column, selected, focused) and a
// header cell with its sort arrow, each then handed to the grid's own draw
// events.
#include <QColor>
#include <QFont>
#include <QRect>

#include "calculator/KGridHost.h"

class QModelIndex;
class QPainter;
class QPalette;

// The grid's cell rectangles keep Windows' exclusive right and bottom edges.
inline int RightOf(const QRect& r) { return r.left() + r.width(); }
inline int BottomOf(const QRect& r) { return r.top() + r.height(); }

// A toolkit colour for a TColor: system colours come from the palette.
QColor ToQColor(TColor color, const QPalette& palette);
// A toolkit font for a grid font; a size of 0 or less stands for 8 points.
QFont ToQFont(const TKFont& font);

class TKGridPainter {
public:
    explicit TKGridPainter(const TKGridHost& grid) : Grid(grid) {}

    void PaintCell(QPainter& painter, const QRect& rect, const QModelIndex& index, bool selected) const;
    void PaintHeader(QPainter& painter, const QRect& rect, int col) const;

private:
    TKCellProperties CellProperties(const TKGridColumn& column, TGridDrawState state, bool activeRow) const;
    QString CellText(int col, int row) const;
    QColor Colour(TColor color) const;

    const TKGridHost& Grid;
};
