#pragma once
// The column string grid on screen: a table view over TKGridData with a
// header row drawn from the columns, highlighting of the active row and
// column, header-click sorting, per-cell flags (multi-line, button, locked)
// and its own in-place editor. The view's header stands for grid row 0; every
// row index below is a data row.
#include <QPlainTextEdit>
#include <QPersistentModelIndex>
#include <QTableView>

#include <cstdint>
#include <functional>
#include <string>

#include "calculator/KGridData.h"
#include "platform/qt/ErrorReport.h"

class QToolButton;
class TKGridModel;
class TKGridDelegate;
class TKGridHeader;

enum TGridOption : unsigned {
    goFixedLines = 1 << 0,
    goVertLine = 1 << 1,
    goHorzLine = 1 << 2,
    goColSizing = 1 << 3,
    goColMoving = 1 << 4,
    goRowMoving = 1 << 5,
    goEditing = 1 << 6,
    goTabs = 1 << 7,
    goRowSelect = 1 << 8,
    goDrawFocusSelected = 1 << 9,
    goThumbTracking = 1 << 10,
};
using TGridOptions = unsigned;

enum TGridDrawStateFlag : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = unsigned;

// What OnGetCellProps may change before a data cell is drawn.
struct TKCellProperties {
    TKFont Font;
    TColor Color = clNone; // background
    TAlignment Alignment = taLeftJustify;
};

class TKStringGrid;

// The in-place editor: one line, or several with a scroll bar in a
// multi-line cell.
class TKSGInplaceEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    TKSGInplaceEdit(TKStringGrid& grid, const QModelIndex& index, QWidget* parent);

    bool MultiLine() const { return FMultiLine; }
    const QPersistentModelIndex& Index() const { return FIndex; }
    void SetText(const std::string& text);
    std::string Text() const;
    void PlaceAt(const QRect& cellRect);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void HandleKey(QKeyEvent* event);
    void CheckSelectionChange();

    TKStringGrid& Grid;
    QPersistentModelIndex FIndex;
    bool FMultiLine = false;
    int SelectionLength = 0;
};

class TKStringGrid : public QTableView, private TKGridObserver {
    Q_OBJECT
public:
    explicit TKStringGrid(QWidget* parent = nullptr);
    ~TKStringGrid() override;

    TKGridData& Data() { return FData; }
    TKGridColumns& Columns() { return FData.Columns(); }
    const TKGridColumnList& VisibleColumns() const { return FData.VisibleColumns(); }

    std::string Cells(int col, int row) const { return FData.Cells(col, row); }
    void SetCells(int col, int row, std::string_view value) { FData.SetCells(col, row, value); }
    std::uint32_t CellFlags(int col, int row) const { return FData.CellFlags(col, row); }
    void SetCellFlags(int col, int row, std::uint32_t flags) { FData.SetCellFlags(col, row, flags); }
    int RowCount() const { return FData.RowCount(); }
    void SetRowCount(int value) { FData.SetRowCount(value); }
    bool Empty() const { return FData.Empty(); }
    void AddRow() { FData.AddRow(); }
    void AddRows(int count) { FData.AddRows(count); }
    void InsertRow(int index) { FData.InsertRow(index); }
    void DeleteRows(int from, int to) { FData.DeleteRows(from, to); }
    void DeleteRow(int row) { FData.DeleteRow(row); }
    void Clear() { FData.Clear(); }
    void Sort();
    void* RowObject(int row) const { return FData.RowObject(row); }
    void SetRowObject(int row, void* object) { FData.SetRowObject(row, object); }
    void MoveRow(int from, int to);
    void MoveColumn(int from, int to);

    // The current cell: visible column (-1 without columns) and data row
    // (-1 while empty).
    int ActiveCol() const;
    void SetActiveCol(int col);
    int ActiveRow() const;
    void SetActiveRow(int row);
    TKGridColumn* ActiveColumn() const { return FData.ActiveColumn(); }

    int FixedCols() const { return FData.FixedCols(); }
    void SetFixedCols(int value) { FData.SetFixedCols(value); }
    bool AutoSort() const { return FAutoSort; }
    void SetAutoSort(bool value);
    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions value);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int value);
    int DefaultColWidth() const { return FData.DefaultColWidth(); }
    void SetDefaultColWidth(int value) { FData.SetDefaultColWidth(value); }

    // Colours (TColor values) and fonts of the grid.
    TColor Color() const { return FColor; }
    void SetColor(TColor value) { FColor = value; Repaint(); }
    TColor ActiveHeaderColor() const { return FActiveHeaderColor; }
    void SetActiveHeaderColor(TColor value) { FActiveHeaderColor = value; Repaint(); }
    TColor ActiveColColor() const { return FActiveColColor; }
    void SetActiveColColor(TColor value) { FActiveColColor = value; Repaint(); }
    TColor ActiveRowColor() const { return FActiveRowColor; }
    void SetActiveRowColor(TColor value) { FActiveRowColor = value; Repaint(); }
    TColor ActiveRowFontColor() const { return FActiveRowFontColor; }
    void SetActiveRowFontColor(TColor value) { FActiveRowFontColor = value; Repaint(); }
    TColor ActiveFixedColor() const { return FActiveFixedColor; }
    void SetActiveFixedColor(TColor value) { FActiveFixedColor = value; Repaint(); }
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor value) { FFixedColor = value; Repaint(); }
    TColor HeaderColor() const { return FHeaderColor; }
    void SetHeaderColor(TColor value) { FHeaderColor = value; Repaint(); }
    TColor SelectedColor() const { return FSelectedColor; }
    void SetSelectedColor(TColor value) { FSelectedColor = value; Repaint(); }
    TColor SelectedFontColor() const { return FSelectedFontColor; }
    void SetSelectedFontColor(TColor value) { FSelectedFontColor = value; Repaint(); }
    bool DefaultLook() const { return FDefaultLook; }
    void SetDefaultLook(bool value) { FDefaultLook = value; Repaint(); }
    const TKFont& Font() const { return FData.Font(); }
    void SetFont(const TKFont& value) { FData.SetFont(value); Repaint(); }
    const TKFont& HeaderFont() const { return FData.HeaderFont(); }
    void SetHeaderFont(const TKFont& value) { FData.SetHeaderFont(value); Repaint(); }
    const TKFont& FixedFont() const { return FFixedFont; }
    void SetFixedFont(const TKFont& value) { FFixedFont = value; Repaint(); }
    const TKFont& ActiveHeaderFont() const { return FActiveHeaderFont; }
    void SetActiveHeaderFont(const TKFont& value) { FActiveHeaderFont = value; Repaint(); }
    const TKFont& ActiveFixedFont() const { return FActiveFixedFont; }
    void SetActiveFixedFont(const TKFont& value) { FActiveFixedFont = value; Repaint(); }

    // A toolkit colour for a TColor: system colours come from the palette.
    QColor ToQColor(TColor color) const;
    static QFont ToQFont(const TKFont& font);

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

    // For the model, the delegate, the header and the editor.
    bool CanEditShow(int col, int row) const;
    std::string EditText(int col, int row) const;
    void StoreEditText(int col, int row, const std::string& value);
    void CommitEditor(TKSGInplaceEdit& editor);
    void CancelEditor(TKSGInplaceEdit& editor);
    void LeaveEditor(TKSGInplaceEdit& editor, QKeyEvent& key);
    void TabFromEditor(TKSGInplaceEdit& editor, bool forward);
    void PaintCell(QPainter& painter, const QRect& rect, const QModelIndex& index, bool selected) const;
    void PaintHeader(QPainter& painter, const QRect& rect, int col) const;
    void HeaderClick(int col);
    void NotifySelChange();
    QToolButton* CellButton() const { return FCellButton; }

    // Runs one step of an event handler: a failure (a handler's, most
    // likely) is shown in an error box instead of leaving through Qt's
    // event loop.
    template <class F>
    void Guarded(F&& action) noexcept
    {
        try {
            action();
        } catch (const std::exception& error) {
            ReportError(ErrorText(error));
        }
    }
    void ReportError(const QString& message) noexcept;
    // A box cannot be shown while painting: it follows once the paint is over.
    void ReportPaintError(const QString& message) noexcept;

protected:
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

    TKGridData FData;
    TKGridModel* Model = nullptr;        // owned by this widget (Qt parent)
    TKGridDelegate* Delegate = nullptr;  // owned by this widget (Qt parent)
    TKGridHeader* Header = nullptr;      // owned by this widget (Qt parent)
    QToolButton* FCellButton = nullptr;  // owned by the viewport (Qt parent)

    bool FAutoSort = true;
    bool FDefaultLook = false;
    TGridOptions FOptions = goFixedLines | goVertLine | goHorzLine;
    int FDefaultRowHeight = 18;
    TColor FColor = clWindow;
    TColor FActiveHeaderColor = clGray;
    TColor FActiveColColor = clNone;
    TColor FActiveRowColor = clInfoBk;
    TColor FActiveRowFontColor = clNone;
    TColor FActiveFixedColor = clGray;
    TColor FFixedColor = clBtnFace;
    TColor FHeaderColor = clBtnFace;
    TColor FSelectedColor = clHighlight;
    TColor FSelectedFontColor = clHighlightText;
    TKFont FFixedFont;
    TKFont FActiveHeaderFont;
    TKFont FActiveFixedFont;

    bool ApplyingWidths = false;
    int CurrentRowBeforeReset = -1;
    int CurrentColBeforeReset = -1;
    int RowDragFrom = -1; // data row pressed in a fixed column, -1 when none
    bool PaintErrorPending = false;
};
