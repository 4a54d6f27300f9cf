#include "viewer/DrawGrid.h"

#include <QHeaderView>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

constexpr int kRowHeight = 18;

class TDrawCellDelegate : public QStyledItemDelegate {
public:
    explicit TDrawCellDelegate(TDrawGrid& grid) : QStyledItemDelegate(&grid), Grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // The selection shows as the platform draws it; the cell's own
        // drawing goes on top.
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setClipRect(option.rect);
        // Qt cannot carry an exception out of a paint: what was drawn stays.
        try {
            Grid.Draw(*painter, index.column(), index.row(), option.rect);
        } catch (...) {
        }
        painter->restore();
    }

private:
    TDrawGrid& Grid;
};

} // namespace

TDrawGrid::TDrawGrid(QWidget* parent) : QTableView(parent)
{
    Cells = new QStandardItemModel(1, 2, this);
    setModel(Cells);
    setItemDelegate(new TDrawCellDelegate(*this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    setColumnWidth(0, 38);
    setColumnWidth(1, 64);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    // Column 1 takes the width that column 0 leaves (TabSheet2Resize).
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TDrawGrid::Draw(QPainter& painter, int column, int row, const QRect& cell) const
{
    if (DrawCell) DrawCell(painter, column, row, cell);
}

int TDrawGrid::RowCount() const
{
    return Cells->rowCount();
}

void TDrawGrid::SetRowCount(int rows)
{
    Cells->setRowCount(std::max(0, rows));
}

int TDrawGrid::CurrentRow() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void TDrawGrid::SetCurrentRow(int row)
{
    if (row < 0 || row >= RowCount()) return;
    setCurrentIndex(Cells->index(row, 0));
    selectRow(row);
}
