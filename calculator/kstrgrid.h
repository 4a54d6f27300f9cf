#pragma once
// The column string grid on screen: a table view over TKGridData with a
// header row drawn from the columns, highlighting of the active row and
// column, header-click sorting, per-cell flags (multi-line, button, locked)
// and its own in-place editor. The view's header stands for grid row 0; every
// row index below is a data row.
#include <QTableView>

#include <cstdint>
#include <functional>
#include <string>

#include "calculator/KGridHost.h"

class QToolButton;
class TKSGInplaceEdit;
class TKGridModel;
class TKGridDelegate;
class TKGridHeader;

class TKStringGrid : public QTableView, private TKGridObserver, private TKGridHost {
    Q_OBJECT
public:
    explicit TKStringGrid(QWidget* parent = nullptr);
    ~TKStringGrid() override;

    TKGridData& Data() override { return GridData; }
    const TKGridData& Data() const override { return GridData; }
    TKGridColumns& Columns() { return GridData.Columns(); }
    const TKGridColumnList& VisibleColumns() const { return GridData.VisibleColumns(); }

    std::string Cells(int col, int row) const { return GridData.Cells(col, row); }
    void SetCells(int col, int row, std::string_view value) { GridData.SetCells(col, row, value); }
    std::uint32_t CellFlags(int col, int row) const { return GridData.CellFlags(col, row); }
    void SetCellFlags(int col, int row, std::uint32_t flags) { GridData.SetCellFlags(col, row, flags); }
    int RowCount() const { return GridData.RowCount(); }
    void SetRowCount(int value) { GridData.SetRowCount(value); }
    bool Empty() const { return GridData.Empty(); }
    void AddRow() { GridData.AddRow(); }
    void AddRows(int count) { GridData.AddRows(count); }
    void InsertRow(int index) { GridData.InsertRow(index); }
    void DeleteRows(int from, int to) { GridData.DeleteRows(from, to); }
    void DeleteRow(int row) { GridData.DeleteRow(row); }
    void Clear() { GridData.Clear(); }
    void Sort();
    void* RowObject(int row) const { return GridData.RowObject(row); }
    void SetRowObject(int row, void* object) { GridData.SetRowObject(row, object); }
    void MoveRow(int from, int to);
    void MoveColumn(int from, int to);

    // The current cell: visible column (-1 without columns) and data row
    // (-1 while empty).
    int ActiveCol() const;
    void SetActiveCol(int col);
    int ActiveRow() const;
    void SetActiveRow(int row);
    TKGridColumn* ActiveColumn() const { return GridData.ActiveColumn(); }

    int FixedCols() const { return GridData.FixedCols(); }
    void SetFixedCols(int value) { GridData.SetFixedCols(value); }
    bool AutoSort() const { return Properties.AutoSort; }
    void SetAutoSort(bool value);
    TGridOptions Options() const { return Properties.Options; }
    void SetOptions(TGridOptions value);
    int DefaultRowHeight() const { return Properties.DefaultRowHeight; }
    void SetDefaultRowHeight(int value);
    int DefaultColWidth() const { return GridData.DefaultColWidth(); }
    void SetDefaultColWidth(int value) { GridData.SetDefaultColWidth(value); }

    // Colours (TColor values) and fonts of the grid.
    TColor Color() const { return Properties.Color; }
    void SetColor(TColor value) { Properties.Color = value; Repaint(); }
    TColor ActiveHeaderColor() const { return Properties.ActiveHeaderColor; }
    void SetActiveHeaderColor(TColor value) { Properties.ActiveHeaderColor = value; Repaint(); }
    TColor ActiveColColor() const { return Properties.ActiveColColor; }
    void SetActiveColColor(TColor value) { Properties.ActiveColColor = value; Repaint(); }
    TColor ActiveRowColor() const { return Properties.ActiveRowColor; }
    void SetActiveRowColor(TColor value) { Properties.ActiveRowColor = value; Repaint(); }
    TColor ActiveRowFontColor() const { return Properties.ActiveRowFontColor; }
    void SetActiveRowFontColor(TColor value) { Properties.ActiveRowFontColor = value; Repaint(); }
    TColor ActiveFixedColor() const { return Properties.ActiveFixedColor; }
    void SetActiveFixedColor(TColor value) { Properties.ActiveFixedColor = value; Repaint(); }
    TColor FixedColor() const { return Properties.FixedColor; }
    void SetFixedColor(TColor value) { Properties.FixedColor = value; Repaint(); }
    TColor HeaderColor() const { return Properties.HeaderColor; }
    void SetHeaderColor(TColor value) { Properties.HeaderColor = value; Repaint(); }
    TColor SelectedColor() const { return Properties.SelectedColor; }
    void SetSelectedColor(TColor value) { Properties.SelectedColor = value; Repaint(); }
    TColor SelectedFontColor() const { return Properties.SelectedFontColor; }
    void SetSelectedFontColor(TColor value) { Properties.SelectedFontColor = value; Repaint(); }
    bool DefaultLook() const { return Properties.DefaultLook; }
    void SetDefaultLook(bool value) { Properties.DefaultLook = value; Repaint(); }
    const TKFont& Font() const { return GridData.Font(); }
    void SetFont(const TKFont& value) { GridData.SetFont(value); Repaint(); }
    const TKFont& HeaderFont() const { return GridData.HeaderFont(); }
    void SetHeaderFont(const TKFont& value) { GridData.SetHeaderFont(value); Repaint(); }
    const TKFont& FixedFont() const { return Properties.FixedFont; }
    void SetFixedFont(const TKFont& value) { Properties.FixedFont = value; Repaint(); }
    const TKFont& ActiveHeaderFont() const { return Properties.ActiveHeaderFont; }
    void SetActiveHeaderFont(const TKFont& value) { Properties.ActiveHeaderFont = value; Repaint(); }
    const TKFont& ActiveFixedFont() const { return Properties.ActiveFixedFont; }
    void SetActiveFixedFont(const TKFont& value) { Properties.ActiveFixedFont = value; Repaint(); }

    // Events; every row index is a data row.
    std::function<void(int col, int row, const std::string& value)> OnCancelEdit;
    std::function<void(int col, int row, std::string& value)> OnGetEditText;
    std::function<void(int col, int row, bool& canSelect)> OnSelectCell;
    std::function<void(int col, int row, const std::string& value)> OnSetEditText;
    std::function<void(TKGridColumn* oldActiveCol, TKGridColumn* newActiveCol)> OnActiveColChanged;
    std::function<void(int col, int row, TKCellProperties& cellProps)> OnGetCellProps;
    std::function<void(QPainter& painter, int col, int row, const QRect& rect, TGridDrawState state)> OnDrawCell;
    std::function<void(QPainter& painter, int col, const QRect& rect, TGridDrawState state)> OnDrawHeader;
    std::function<void()> OnButtonClick;
    std::function<void(int x, int y)> OnContextPopup;
    std::function<void(int col)> OnHeaderClick;
    std::function<void()> OnSelChange;
    std::function<void(int fromIndex, int toIndex)> OnColumnMoved;
    std::function<void(int fromIndex, int toIndex)> OnRowMoved;
    // Sorting's row comparison, kept by the data.
    decltype(TKGridData::OnCompareRows)& OnCompareRows;

    // The ellipsis button that a cfButton cell shows while it is current.
    QToolButton* CellButton() const { return EllipsisButton; }

protected:
    // Event handlers run their steps through RunGuarded (ErrorReport.h), so a
    // failure (a handler's, most likely) is shown in an error box instead of
    // leaving through Qt's event loop.
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    // Typing never searches for a matching cell: it starts the editor.
    void keyboardSearch(const QString&) override {}
    using QTableView::edit;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    // What the model, the delegate, the header, the editor and the painter see.
    QTableView& View() override { return *this; }
    const QTableView& View() const override { return *this; }
    const TKGridProperties& GridProperties() const override { return Properties; }
    void GetEditText(int col, int row, std::string& value) const override;
    void SetEditText(int col, int row, const std::string& value) override;
    void EditorSelectionChanged() override;
    void GetCellProps(int col, int row, TKCellProperties& props) const override;
    void DrawCell(QPainter& painter, int col, int row, const QRect& rect, TGridDrawState state) const override;
    void DrawHeader(QPainter& painter, int col, const QRect& rect, TGridDrawState state) const override;
    bool CanEditShow(int col, int row) const override;
    void CommitEditor(TKSGInplaceEdit& editor) override;
    void CancelEditor(TKSGInplaceEdit& editor) override;
    void LeaveEditor(TKSGInplaceEdit& editor, QKeyEvent& key) override;
    void TabFromEditor(TKSGInplaceEdit& editor, bool forward) override;
    void ReportPaintError(const QString& message) noexcept override;

    // Data notifications.
    void RowsAboutToBeInserted(int first, int count) override;
    void RowsInserted() override;
    void RowsAboutToBeRemoved(int first, int count) override;
    void RowsRemoved() override;
    void ColumnsAboutToChange() override;
    void ColumnsChanged() override;
    void CellChanged(int col, int row) override;
    void RowsChanged() override;
    void ColumnLookChanged(const TKGridColumn& column) override;
    void ColumnWidthChanged(const TKGridColumn& column) override;
    void SortOrderChanged(TKGridColumn& column) override;
    void ActiveColumnChanged(TKGridColumn* old, TKGridColumn* now) override;

    void HandleKey(QKeyEvent* event);
    void HandleMousePress(QMouseEvent* event);
    void HeaderClick(int col);
    bool SelectCell(const QModelIndex& index);
    void MoveCurrent(int col, int row);
    void ActiveColChanged(TKGridColumn* old, TKGridColumn* now);
    void SortWithWaitCursor();
    void ApplyColumnWidths();
    void ColumnResizedByUser(int col, int newWidth);
    void ColumnDraggedByUser(int fromVisual, int toVisual);
    void UpdateCellButton();
    void CellButtonClick();
    void Repaint();
    void RepaintRow(int row);
    void RepaintColumn(const TKGridColumn* column);
    bool IsCurrentLocked() const;

    TKGridData GridData;
    TKGridModel* Model = nullptr;          // owned by this widget (Qt parent)
    TKGridDelegate* Delegate = nullptr;    // owned by this widget (Qt parent)
    TKGridHeader* Header = nullptr;        // owned by this widget (Qt parent)
    QToolButton* EllipsisButton = nullptr; // owned by the viewport (Qt parent)

    TKGridProperties Properties; // behind the getters and setters above

    bool ApplyingWidths = false;
    int CurrentRowBeforeReset = -1;
    int CurrentColBeforeReset = -1;
    int RowDragFrom = -1; // data row pressed in a fixed column, -1 when none
    bool PaintErrorPending = false;
};
