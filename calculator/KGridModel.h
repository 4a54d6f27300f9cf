#pragma once
// The pieces that put the grid's data into Qt's table view: a model over
// TKGridData (an empty grid still shows one blank row), a delegate that draws
// cells and creates the in-place editor, and a header that draws the
// header row with its sort arrows.
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QStyledItemDelegate>

class TKGridData;
class TKGridHost;

class TKGridModel : public QAbstractTableModel {
public:
    explicit TKGridModel(TKGridHost& grid);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Around changes of the data, in data rows.
    void BeforeRowsInserted(int first, int count);
    void AfterRowsInserted();
    void BeforeRowsRemoved(int first, int count);
    void AfterRowsRemoved();
    void BeforeColumnsChange();
    void AfterColumnsChange();
    void CellChanged(int col, int row);
    void AllCellsChanged();

private:
    enum class TPending { None, Insert, Remove, Refill };

    TKGridHost& Grid;
    TKGridData& Data;
    TPending Pending = TPending::None;
    int ResetDepth = 0;
};

class TKGridDelegate : public QStyledItemDelegate {
public:
    explicit TKGridDelegate(TKGridHost& grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    TKGridHost& Grid;
};

class TKGridHeader : public QHeaderView {
public:
    explicit TKGridHeader(TKGridHost& grid);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    TKGridHost& Grid;
};
