#include "calculator/kstrgrid.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QToolButton>

#include "calculator/KGridEditor.h"
#include "calculator/KGridModel.h"
#include "calculator/KGridPainter.h"
#include "platform/qt/BusyCursor.h"
#include "platform/qt/ErrorReport.h"

TKStringGrid::TKStringGrid(QWidget* parent)
    : QTableView(parent), OnCompareRows(GridData.OnCompareRows)
{
    Properties.ActiveHeaderFont.Bold = true;
    Properties.ActiveHeaderFont.Color = clWhite;
    Properties.ActiveFixedFont.Color = clWhite;

    EllipsisButton = new QToolButton(viewport());
    EllipsisButton->setText(QString::fromUtf8("\u00B7\u00B7\u00B7"));
    EllipsisButton->setFont(QFont(QStringLiteral("Arial"), 10));
    EllipsisButton->setFocusPolicy(Qt::NoFocus);
    EllipsisButton->hide();
    connect(EllipsisButton, &QToolButton::clicked, this, [this] { RunGuarded(this, [this] { CellButtonClick(); }); });

    Header = new TKGridHeader(*this);
    setHorizontalHeader(Header);
    Model = new TKGridModel(*this);
    setModel(Model);
    Delegate = new TKGridDelegate(*this);
    setItemDelegate(Delegate);
    GridData.SetObserver(this);

    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    SetDefaultRowHeight(Properties.DefaultRowHeight);

    connect(Header, &QHeaderView::sectionClicked, this, [this](int col) { RunGuarded(this, [&] { HeaderClick(col); }); });
    connect(Header, &QHeaderView::sectionResized, this,
            [this](int col, int, int newWidth) { ColumnResizedByUser(col, newWidth); });
    connect(Header, &QHeaderView::sectionMoved, this,
            [this](int, int from, int to) { ColumnDraggedByUser(from, to); });
    SetOptions(Properties.Options);
}

TKStringGrid::~TKStringGrid()
{
    GridData.SetObserver(nullptr);
}

void TKStringGrid::Sort() { GridData.Sort(); }

void TKStringGrid::MoveRow(int from, int to)
{
    GridData.MoveRow(from, to);
    if (OnRowMoved && from != to)
        OnRowMoved(from, to);
}

void TKStringGrid::MoveColumn(int from, int to)
{
    GridData.MoveColumn(from, to);
    if (OnColumnMoved && from != to)
        OnColumnMoved(from, to);
}

int TKStringGrid::ActiveCol() const
{
    if (GridData.VisibleCount() == 0 || !currentIndex().isValid())
        return -1;
    return currentIndex().column();
}

void TKStringGrid::SetActiveCol(int col)
{
    if (GridData.VisibleCount() == 0)
        throw EKGridError(kColumnListIsEmpty);
    if (col < GridData.FixedCols() || col >= GridData.VisibleCount())
        throw EKGridError(kWrongColumnIndex);
    MoveCurrent(col, currentIndex().isValid() ? currentIndex().row() : 0);
}

int TKStringGrid::ActiveRow() const
{
    if (GridData.Empty() || !currentIndex().isValid())
        return -1;
    return currentIndex().row();
}

void TKStringGrid::SetActiveRow(int row)
{
    if (GridData.Empty())
        return;
    if (row < 0 || row >= GridData.RowCount())
        throw EKGridError(kWrongRowIndex);
    if (GridData.VisibleCount() == 0)
        return;
    MoveCurrent(currentIndex().isValid() ? currentIndex().column() : GridData.FixedCols(), row);
}

void TKStringGrid::MoveCurrent(int col, int row)
{
    QModelIndex target = Model->index(row, col);
    if (target == currentIndex() || !SelectCell(target))
        return;
    setCurrentIndex(target);
}

void TKStringGrid::SetAutoSort(bool value)
{
    if (value == Properties.AutoSort)
        return;
    Properties.AutoSort = value;
    if (value)
        SortWithWaitCursor();
}

void TKStringGrid::SetOptions(TGridOptions value)
{
    Properties.Options = value;
    setShowGrid(value & (goVertLine | goHorzLine));
    Header->setSectionsMovable(value & goColMoving);
    setEditTriggers((value & goEditing) ? (DoubleClicked | SelectedClicked | EditKeyPressed | AnyKeyPressed)
                                        : NoEditTriggers);
    setTabKeyNavigation(value & goTabs);
    setSelectionBehavior((value & goRowSelect) ? SelectRows : SelectItems);
    ApplyColumnWidths();
    Repaint();
}

void TKStringGrid::SetDefaultRowHeight(int value)
{
    Properties.DefaultRowHeight = value;
    verticalHeader()->setDefaultSectionSize(value);
    Header->setFixedHeight(value);
    UpdateCellButton();
}

// ---------------------------------------------------------------- editing

bool TKStringGrid::CanEditShow(int col, int row) const
{
    if (!(Properties.Options & goEditing) || GridData.VisibleCount() == 0 || GridData.Empty())
        return false;
    if (col < GridData.FixedCols() || col >= GridData.VisibleCount() || row < 0 || row >= GridData.RowCount())
        return false;
    if (GridData.VisibleColumns()[static_cast<std::size_t>(col)]->ReadOnly())
        return false;
    return !(GridData.CellFlags(col, row) & (cfButton | cfLocked));
}

// The editor closes first, then the text is stored: the handler of
// OnSetEditText then finds the grid out of editing and may move freely.
void TKStringGrid::CommitEditor(TKSGInplaceEdit& editor)
{
    QPersistentModelIndex index = editor.Index();
    std::string text = editor.Text();
    closeEditor(&editor, QAbstractItemDelegate::NoHint);
    if (index.isValid())
        StoreEditText(*this, index.column(), index.row(), text);
}

void TKStringGrid::CancelEditor(TKSGInplaceEdit& editor)
{
    QPersistentModelIndex index = editor.Index();
    closeEditor(&editor, QAbstractItemDelegate::RevertModelCache);
    if (!index.isValid() || GridData.Empty() || index.column() >= GridData.VisibleCount() ||
        index.row() >= GridData.RowCount())
        return;
    if (OnCancelEdit)
        OnCancelEdit(index.column(), index.row(), GridData.Cells(index.column(), index.row()));
}

void TKStringGrid::LeaveEditor(TKSGInplaceEdit& editor, QKeyEvent& key)
{
    CommitEditor(editor);
    keyPressEvent(&key);
}

void TKStringGrid::TabFromEditor(TKSGInplaceEdit& editor, bool forward)
{
    CommitEditor(editor);
    focusNextPrevChild(forward);
}

void TKStringGrid::GetEditText(int col, int row, std::string& value) const
{
    if (OnGetEditText)
        OnGetEditText(col, row, value);
}

void TKStringGrid::SetEditText(int col, int row, const std::string& value)
{
    if (OnSetEditText)
        OnSetEditText(col, row, value);
}

void TKStringGrid::EditorSelectionChanged()
{
    if (OnSelChange)
        OnSelChange();
}

// ---------------------------------------------------------------- painting

void TKStringGrid::GetCellProps(int col, int row, TKCellProperties& props) const
{
    if (OnGetCellProps)
        OnGetCellProps(col, row, props);
}

void TKStringGrid::DrawCell(QPainter& painter, int col, int row, const QRect& rect, TGridDrawState state) const
{
    if (OnDrawCell)
        OnDrawCell(painter, col, row, rect, state);
}

void TKStringGrid::DrawHeader(QPainter& painter, int col, const QRect& rect, TGridDrawState state) const
{
    if (OnDrawHeader)
        OnDrawHeader(painter, col, rect, state);
}

void TKStringGrid::ReportPaintError(const QString& message) noexcept
{
    if (PaintErrorPending)
        return;
    PaintErrorPending = true;
    try {
        QMetaObject::invokeMethod(
            this,
            [this, message] {
                ShowErrorBox(this, message);
                PaintErrorPending = false;
            },
            Qt::QueuedConnection);
    } catch (...) {
        PaintErrorPending = false;
    }
}

// ---------------------------------------------------------------- repainting

void TKStringGrid::Repaint()
{
    viewport()->update();
    Header->viewport()->update();
}

void TKStringGrid::RepaintRow(int row)
{
    viewport()->update(QRect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row)));
}

void TKStringGrid::RepaintColumn(const TKGridColumn* column)
{
    const auto& visible = GridData.VisibleColumns();
    auto it = std::find(visible.begin(), visible.end(), column);
    if (it == visible.end())
        return;
    int col = static_cast<int>(it - visible.begin());
    viewport()->update(QRect(columnViewportPosition(col), 0, columnWidth(col), viewport()->height()));
    Header->viewport()->update();
}

// ---------------------------------------------------------------- current cell

bool TKStringGrid::SelectCell(const QModelIndex& index)
{
    if (GridData.VisibleCount() == 0) {
        GridData.SetActiveColumn(nullptr);
        return false;
    }
    if (!GridData.Empty() && OnSelectCell) {
        bool canSelect = true;
        OnSelectCell(index.column(), index.row(), canSelect);
        if (!canSelect)
            return false;
    }
    return true;
}

void TKStringGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (previous.isValid())
        RepaintRow(previous.row());
    if (current.isValid())
        RepaintRow(current.row());
    RunGuarded(this, [&] {
        if (current.isValid() && current.column() < GridData.VisibleCount())
            GridData.SetActiveColumn(GridData.VisibleColumns()[static_cast<std::size_t>(current.column())]);
    });
    UpdateCellButton();
}

QModelIndex TKStringGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    QModelIndex next = QTableView::moveCursor(cursorAction, modifiers);
    bool allowed = true;
    if (next.isValid() && next != currentIndex())
        RunGuarded(this, [&] { allowed = false; allowed = SelectCell(next); });
    return allowed ? next : currentIndex();
}

void TKStringGrid::ActiveColumnChanged(TKGridColumn* old, TKGridColumn* now)
{
    ActiveColChanged(old, now);
}

void TKStringGrid::ActiveColChanged(TKGridColumn* old, TKGridColumn* now)
{
    RepaintColumn(old);
    RepaintColumn(now);
    if (OnActiveColChanged)
        OnActiveColChanged(old, now);
}

bool TKStringGrid::IsCurrentLocked() const
{
    QModelIndex current = currentIndex();
    if (!current.isValid() || GridData.Empty() || current.column() >= GridData.VisibleCount())
        return false;
    return GridData.CellFlags(current.column(), current.row()) & cfLocked;
}

// ---------------------------------------------------------------- keys and mouse

void TKStringGrid::keyPressEvent(QKeyEvent* event)
{
    RunGuarded(this, [&] { HandleKey(event); });
}

void TKStringGrid::HandleKey(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || state() == EditingState) {
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
    const QModelIndex current = currentIndex();
    if (!current.isValid() || GridData.Empty() || current.column() >= GridData.VisibleCount())
        return;
    const std::uint32_t flags = GridData.CellFlags(current.column(), current.row());
    if (event->modifiers() & Qt::ControlModifier) {
        if (!(flags & cfButton))
            GridData.SetCellFlags(current.column(), current.row(), flags | cfMultiLine);
        edit(current);
        return;
    }
    if (flags & cfLocked)
        return;
    if (flags & cfButton) {
        CellButtonClick();
        return;
    }
    edit(current);
}

// A click on the current cell opens its editor at once. The view would wait
// for a possible double click first, and the keys typed in that time reached
// the grid, not an editor, and were lost; the editor then opened late with
// the cell's old text.
bool TKStringGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (trigger == SelectedClicked && (editTriggers() & SelectedClicked) && selectionModel()->isSelected(index))
        return QTableView::edit(index, AllEditTriggers, nullptr);
    return QTableView::edit(index, trigger, event);
}

void TKStringGrid::mousePressEvent(QMouseEvent* event)
{
    RunGuarded(this, [&] { HandleMousePress(event); });
}

void TKStringGrid::HandleMousePress(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid()) {
        if (index.column() < GridData.FixedCols()) {
            // A press in a fixed column selects nothing; it may start a row drag.
            if ((Properties.Options & goRowMoving) && !GridData.Empty())
                RowDragFrom = index.row();
            event->accept();
            return;
        }
        if (index == currentIndex() && IsCurrentLocked()) {
            event->accept();
            return;
        }
        if (index != currentIndex() && !SelectCell(index)) {
            event->accept();
            return;
        }
    }
    QTableView::mousePressEvent(event);
}

void TKStringGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (RowDragFrom >= 0) {
        event->accept();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void TKStringGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (RowDragFrom < 0) {
        QTableView::mouseReleaseEvent(event);
        return;
    }
    const int from = RowDragFrom;
    RowDragFrom = -1;
    event->accept();
    const int to = rowAt(event->position().toPoint().y());
    if (to >= 0 && to < GridData.RowCount() && to != from)
        RunGuarded(this, [&] { MoveRow(from, to); });
}

void TKStringGrid::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (!OnContextPopup)
        return;
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid())
        at = viewport()->mapToGlobal(visualRect(currentIndex()).topLeft());
    RunGuarded(this, [&] { OnContextPopup(at.x(), at.y()); });
}

// Under AutoSort a header click sorts by that column alone, ascending first
// and then alternating.
void TKStringGrid::HeaderClick(int col)
{
    if (col < 0 || col >= GridData.VisibleCount())
        return;
    TKGridColumn& column = *GridData.VisibleColumns()[static_cast<std::size_t>(col)];
    if (Properties.AutoSort) {
        const TColumnSorting was = column.SortOrder();
        for (int c = 0; c < GridData.Columns().Count(); ++c)
            GridData.Columns()[c].SetSortOrder(csNone);
        column.SetSortOrder(was == csAsc ? csDsc : csAsc);
    }
    if (OnHeaderClick)
        OnHeaderClick(col);
    Header->viewport()->update();
    if (columnViewportPosition(col) + columnWidth(col) > viewport()->width())
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + 1);
}

void TKStringGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    UpdateCellButton();
}

void TKStringGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    UpdateCellButton();
}

// ---------------------------------------------------------------- cell button

void TKStringGrid::UpdateCellButton()
{
    const QModelIndex current = currentIndex();
    bool show = false;
    if (current.isValid() && !GridData.Empty() && current.column() < GridData.VisibleCount() &&
        current.row() < GridData.RowCount()) {
        const std::uint32_t flags = GridData.CellFlags(current.column(), current.row());
        const QRect cell = visualRect(current);
        const int size = cell.height() - 2;
        if ((flags & cfButton) && !(flags & cfLocked) && size > 0 && cell.width() >= size + 3) {
            EllipsisButton->setGeometry(RightOf(cell) - size - 1, cell.top() + 1, size, size);
            show = cell.intersects(viewport()->rect());
        }
    }
    EllipsisButton->setVisible(show);
}

void TKStringGrid::CellButtonClick()
{
    if (OnButtonClick)
        OnButtonClick();
    UpdateCellButton();
    if (currentIndex().isValid())
        viewport()->update(visualRect(currentIndex()));
}

// ---------------------------------------------------------------- data notifications

void TKStringGrid::RowsAboutToBeInserted(int first, int count) { Model->BeforeRowsInserted(first, count); }

void TKStringGrid::RowsInserted()
{
    Model->AfterRowsInserted();
    if (!currentIndex().isValid() && GridData.VisibleCount() > GridData.FixedCols())
        setCurrentIndex(Model->index(0, GridData.FixedCols()));
    UpdateCellButton();
    viewport()->update();
}

void TKStringGrid::RowsAboutToBeRemoved(int first, int count)
{
    EllipsisButton->hide();
    Model->BeforeRowsRemoved(first, count);
}

void TKStringGrid::RowsRemoved()
{
    Model->AfterRowsRemoved();
    UpdateCellButton();
    viewport()->update();
}

void TKStringGrid::ColumnsAboutToChange()
{
    ApplyingWidths = true;
    CurrentRowBeforeReset = currentIndex().isValid() ? currentIndex().row() : -1;
    CurrentColBeforeReset = currentIndex().isValid() ? currentIndex().column() : -1;
    Model->BeforeColumnsChange();
}

// After the columns change the current cell is placed again, in the same
// row and column where they still exist.
void TKStringGrid::ColumnsChanged()
{
    Model->AfterColumnsChange();
    ApplyColumnWidths();
    const int count = GridData.VisibleCount();
    if (count == 0) {
        GridData.SetActiveColumn(nullptr);
        EllipsisButton->hide();
        return;
    }
    int col = CurrentColBeforeReset < 0 ? GridData.FixedCols() : CurrentColBeforeReset;
    col = std::clamp(col, GridData.FixedCols(), count - 1);
    int row = std::clamp(CurrentRowBeforeReset, 0, Model->rowCount() - 1);
    setCurrentIndex(Model->index(row, col));
    GridData.SetActiveColumn(GridData.VisibleColumns()[static_cast<std::size_t>(col)]);
    UpdateCellButton();
    Repaint();
}

void TKStringGrid::CellChanged(int col, int row)
{
    Model->CellChanged(col, row);
    if (currentIndex().isValid() && currentIndex().row() == row && currentIndex().column() == col)
        UpdateCellButton();
}

void TKStringGrid::RowsChanged()
{
    Model->AllCellsChanged();
    UpdateCellButton();
    viewport()->update();
}

void TKStringGrid::ColumnLookChanged(const TKGridColumn& column) { RepaintColumn(&column); }

void TKStringGrid::ColumnWidthChanged(const TKGridColumn& column)
{
    if (ApplyingWidths)
        return;
    const auto& visible = GridData.VisibleColumns();
    auto it = std::find(visible.begin(), visible.end(), &column);
    if (it == visible.end())
        return;
    ApplyingWidths = true;
    setColumnWidth(static_cast<int>(it - visible.begin()), column.Width());
    ApplyingWidths = false;
    UpdateCellButton();
}

void TKStringGrid::SortOrderChanged(TKGridColumn& column)
{
    if (Properties.AutoSort && column.SortOrder() != csNone)
        SortWithWaitCursor();
    else
        Repaint();
}

void TKStringGrid::SortWithWaitCursor()
{
    TBusyCursor wait;
    GridData.Sort();
    Repaint();
}

// Fixed columns can always be resized at their header border; the others
// only with goColSizing.
void TKStringGrid::ApplyColumnWidths()
{
    ApplyingWidths = true;
    for (int i = 0; i < GridData.VisibleCount(); ++i) {
        bool sizable = (Properties.Options & goColSizing) || i < GridData.FixedCols();
        Header->setSectionResizeMode(i, sizable ? QHeaderView::Interactive : QHeaderView::Fixed);
        setColumnWidth(i, GridData.VisibleColumns()[static_cast<std::size_t>(i)]->Width());
    }
    ApplyingWidths = false;
}

void TKStringGrid::ColumnResizedByUser(int col, int newWidth)
{
    if (ApplyingWidths || col < 0 || col >= GridData.VisibleCount())
        return;
    ApplyingWidths = true;
    GridData.VisibleColumns()[static_cast<std::size_t>(col)]->SetWidth(newWidth);
    ApplyingWidths = false;
    UpdateCellButton();
}

// The header has moved its section; the data takes the move over, and the
// header goes back to showing sections in model order.
void TKStringGrid::ColumnDraggedByUser(int fromVisual, int toVisual)
{
    if (ApplyingWidths)
        return;
    QMetaObject::invokeMethod(
        this,
        [this, fromVisual, toVisual] {
            ApplyingWidths = true;
            Header->moveSection(toVisual, fromVisual);
            ApplyingWidths = false;
            if (fromVisual < GridData.VisibleCount() && toVisual < GridData.VisibleCount())
                RunGuarded(this, [&] { MoveColumn(fromVisual, toVisual); });
        },
        Qt::QueuedConnection);
}
