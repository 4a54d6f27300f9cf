#pragma once
// The column string grid's in-place editor: it shows a cell's edit text,
// hands Enter, Escape and the leaving keys to the grid, and tells it when the
// selection inside the text changes.
#include <QPersistentModelIndex>
#include <QPlainTextEdit>
#include <string>

class TKGridHost;

// The text an editor of a data cell starts with: the cell's text as
// OnGetEditText hands it over; empty without rows or columns.
std::string EditText(const TKGridHost& grid, int col, int row);
// Stores an edited text through OnSetEditText. The handler may move the
// current cell or add rows; the cell is written only when it still exists.
void StoreEditText(TKGridHost& grid, int col, int row, const std::string& value);

// The in-place editor: one line, or several with a scroll bar in a
// multi-line cell.
class TKSGInplaceEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    TKSGInplaceEdit(TKGridHost& grid, const QModelIndex& index, QWidget* parent);

    bool MultiLine() const { return MultiLineCell; }
    const QPersistentModelIndex& Index() const { return CellIndex; }
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

    TKGridHost& Grid;
    QPersistentModelIndex CellIndex;
    bool MultiLineCell = false;
    int SelectionLength = 0;
};
