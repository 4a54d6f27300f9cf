#pragma once
// The grid of the frame's two legend pages: rows of two cells that the owner
// paints, no headers, whole rows selected, nothing edited.
#include <QTableView>
#include <functional>

class QPainter;
class QStandardItemModel;

class TDrawGrid : public QTableView {
    Q_OBJECT
public:
    using TDrawCell = std::function<void(QPainter& painter, int column, int row, const QRect& cell)>;
    explicit TDrawGrid(QWidget* parent = nullptr);
    void SetDrawCell(TDrawCell drawCell) { DrawCell = std::move(drawCell); }
    void Draw(QPainter& painter, int column, int row, const QRect& cell) const;

    int RowCount() const;
    void SetRowCount(int rows);
    // -1 when no row is current.
    int CurrentRow() const;
    void SetCurrentRow(int row);

private:
    QStandardItemModel* Cells = nullptr;
    TDrawCell DrawCell;
};
