#include "calculator/KGridEditor.h"

#include <QKeyEvent>
#include <QTableView>
#include <QTextBlock>

#include "calculator/KGridPainter.h"
#include "calculator/KGridHost.h"
#include "platform/qt/ErrorReport.h"

std::string EditText(const TKGridHost& grid, int col, int row)
{
    const TKGridData& data = grid.Data();
    if (data.Empty() || data.VisibleCount() == 0)
        return {};
    std::string value = data.Cells(col, row);
    grid.GetEditText(col, row, value);
    return value;
}

void StoreEditText(TKGridHost& grid, int col, int row, const std::string& value)
{
    TKGridData& data = grid.Data();
    auto exists = [&] {
        return !data.Empty() && col >= 0 && col < data.VisibleCount() && row >= 0 && row < data.RowCount();
    };
    if (!exists())
        return;
    grid.SetEditText(col, row, value);
    if (exists())
        data.SetCells(col, row, value);
}

TKSGInplaceEdit::TKSGInplaceEdit(TKGridHost& grid, const QModelIndex& index, QWidget* parent)
    : QPlainTextEdit(parent), Grid(grid), CellIndex(index)
{
    const TKGridColumn& column = *grid.Data().VisibleColumns()[static_cast<std::size_t>(index.column())];
    MultiLineCell = grid.Data().CellFlags(index.column(), index.row()) & cfMultiLine;
    setFont(ToQFont(column.Font()));
    document()->setDocumentMargin(0);
    setViewportMargins(2, 1, 2, 0);
    setFrameShape(MultiLineCell ? QFrame::Box : QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(MultiLineCell ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setLineWrapMode(MultiLineCell ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    setTabChangesFocus(true);
    setAttribute(Qt::WA_InputMethodEnabled, column.ImeMode() != imDisable);
}

void TKSGInplaceEdit::SetText(const std::string& text)
{
    QString lines = QString::fromStdString(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setPlainText(lines);
    selectAll();
    SelectionLength = textCursor().selectionEnd() - textCursor().selectionStart();
}

std::string TKSGInplaceEdit::Text() const
{
    QString lines = toPlainText();
    lines.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return lines.toStdString();
}

// A multi-line editor grows to 100 pixels, upwards when it would pass the
// bottom of the grid.
void TKSGInplaceEdit::PlaceAt(const QRect& cellRect)
{
    QRect r = cellRect;
    if (MultiLineCell && r.height() < 100) {
        int growth = 100 - r.height();
        r.setHeight(100);
        if (parentWidget() && BottomOf(r) > parentWidget()->height())
            r.translate(0, -growth);
    }
    setGeometry(r);
}

// Enter stores the text; in a multi-line cell Enter breaks the line and
// Ctrl+Enter stores. A one-line editor hands Up, Down and the page keys to
// the grid, which leaves the cell.
void TKSGInplaceEdit::keyPressEvent(QKeyEvent* event)
{
    RunGuarded(&Grid.View(), [&] { HandleKey(event); });
}

void TKSGInplaceEdit::HandleKey(QKeyEvent* event)
{
    const int key = event->key();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (key == Qt::Key_Escape && !ctrl) {
        Grid.CancelEditor(*this);
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (MultiLineCell && !ctrl) {
            textCursor().insertBlock();
            ensureCursorVisible();
        } else {
            Grid.CommitEditor(*this);
        }
        return;
    }
    if (!MultiLineCell && (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown)) {
        Grid.LeaveEditor(*this, *event);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TKSGInplaceEdit::keyReleaseEvent(QKeyEvent* event)
{
    QPlainTextEdit::keyReleaseEvent(event);
    RunGuarded(&Grid.View(), [this] { CheckSelectionChange(); });
}

void TKSGInplaceEdit::mouseMoveEvent(QMouseEvent* event)
{
    QPlainTextEdit::mouseMoveEvent(event);
    RunGuarded(&Grid.View(), [this] { CheckSelectionChange(); });
}

void TKSGInplaceEdit::CheckSelectionChange()
{
    int length = textCursor().selectionEnd() - textCursor().selectionStart();
    if (length == SelectionLength)
        return;
    SelectionLength = length;
    Grid.EditorSelectionChanged();
}
