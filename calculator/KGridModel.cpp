#include "calculator/KGridModel.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTableView>

#include "calculator/KGridData.h"
#include "calculator/KGridEditor.h"
#include "calculator/KGridHost.h"
#include "calculator/KGridPainter.h"
#include "platform/qt/ErrorReport.h"

// ---------------------------------------------------------------- model

TKGridModel::TKGridModel(TKGridHost& grid)
    : QAbstractTableModel(&grid.View()), Grid(grid), Data(grid.Data())
{
}

// An empty grid keeps one blank row under the header.
int TKGridModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return Data.Empty() ? 1 : Data.RowCount();
}

int TKGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Data.VisibleCount();
}

QVariant TKGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || Data.Empty() || index.column() >= Data.VisibleCount())
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(Data.Cells(index.column(), index.row()));
    if (role == Qt::EditRole)
        return QString::fromStdString(EditText(Grid, index.column(), index.row()));
    return {};
}

bool TKGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    StoreEditText(Grid, index.column(), index.row(), value.toString().toStdString());
    return true;
}

QVariant TKGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= Data.VisibleCount())
        return {};
    return QString::fromStdString(Data.VisibleColumns()[static_cast<std::size_t>(section)]->Caption());
}

// Fixed cells are never current, as in a grid's fixed band.
Qt::ItemFlags TKGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.column() < Data.FixedCols())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (Grid.CanEditShow(index.column(), index.row()))
        result |= Qt::ItemIsEditable;
    return result;
}

// The first row of an empty grid takes the place of the blank row, and the
// last one deleted leaves it behind, so those rows are refilled rather than
// inserted or removed.
void TKGridModel::BeforeRowsInserted(int first, int count)
{
    if (Data.Empty()) {
        Pending = TPending::Refill;
        if (count > 1) {
            beginInsertRows({}, 1, count - 1);
            Pending = TPending::Insert;
        }
        return;
    }
    beginInsertRows({}, first, first + count - 1);
    Pending = TPending::Insert;
}

void TKGridModel::AfterRowsInserted()
{
    if (Pending == TPending::Insert)
        endInsertRows();
    Pending = TPending::None;
    if (Data.RowCount() > 0 && Data.VisibleCount() > 0)
        emit dataChanged(index(0, 0), index(0, Data.VisibleCount() - 1));
}

void TKGridModel::BeforeRowsRemoved(int first, int count)
{
    if (count == Data.RowCount()) {
        Pending = TPending::Refill;
        if (count > 1) {
            beginRemoveRows({}, 1, count - 1);
            Pending = TPending::Remove;
        }
        return;
    }
    beginRemoveRows({}, first, first + count - 1);
    Pending = TPending::Remove;
}

void TKGridModel::AfterRowsRemoved()
{
    if (Pending == TPending::Remove)
        endRemoveRows();
    Pending = TPending::None;
    AllCellsChanged();
}

void TKGridModel::BeforeColumnsChange()
{
    if (ResetDepth++ == 0)
        beginResetModel();
}

void TKGridModel::AfterColumnsChange()
{
    if (--ResetDepth == 0)
        endResetModel();
}

void TKGridModel::CellChanged(int col, int row)
{
    QModelIndex cell = index(row, col);
    emit dataChanged(cell, cell);
}

void TKGridModel::AllCellsChanged()
{
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

// ---------------------------------------------------------------- delegate

TKGridDelegate::TKGridDelegate(TKGridHost& grid) : QStyledItemDelegate(&grid.View()), Grid(grid) {}

void TKGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    try {
        TKGridPainter(Grid).PaintCell(*painter, option.rect, index, option.state & QStyle::State_Selected);
    } catch (const std::exception& error) {
        Grid.ReportPaintError(ErrorText(error));
    }
}

QWidget* TKGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    return new TKSGInplaceEdit(Grid, index, parent); // owned by the view's viewport
}

void TKGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    static_cast<TKSGInplaceEdit*>(editor)->SetText(EditText(Grid, index.column(), index.row()));
}

void TKGridDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const
{
    RunGuarded(&Grid.View(), [&] { StoreEditText(Grid, index.column(), index.row(), static_cast<TKSGInplaceEdit*>(editor)->Text()); });
}

void TKGridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                          const QModelIndex&) const
{
    static_cast<TKSGInplaceEdit*>(editor)->PlaceAt(option.rect);
}

// The editor handles its own keys (Enter, Escape, arrows); Tab and a focus
// change store the text here.
bool TKGridDelegate::eventFilter(QObject* object, QEvent* event)
{
    auto* editor = qobject_cast<TKSGInplaceEdit*>(object);
    if (!editor)
        return false;
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            bool forward = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
            RunGuarded(&Grid.View(), [&] { Grid.TabFromEditor(*editor, forward); });
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        if (editor->isActiveWindow() && QApplication::focusWidget() == editor)
            return false;
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason)
            return false; // the editor's own context menu
        for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
            if (w == editor)
                return false;
        RunGuarded(&Grid.View(), [&] { Grid.CommitEditor(*editor); });
    }
    return false;
}

// ---------------------------------------------------------------- header

TKGridHeader::TKGridHeader(TKGridHost& grid) : QHeaderView(Qt::Horizontal, &grid.View()), Grid(grid)
{
    setSectionsClickable(true);
    setHighlightSections(false);
    setMinimumSectionSize(1);
}

void TKGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    try {
        TKGridPainter(Grid).PaintHeader(*painter, rect, logicalIndex);
    } catch (const std::exception& error) {
        Grid.ReportPaintError(ErrorText(error));
    }
}
