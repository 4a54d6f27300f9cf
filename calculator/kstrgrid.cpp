#include "calculator/kstrgrid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QToolButton>

#include "calculator/KGridModel.h"
#include "platform/qt/QtColors.h"
#include "platform/qt/UiServices.h"

namespace {

// Windows draws a cell's rectangle with exclusive right and bottom edges.
int RightOf(const QRect& r) { return r.left() + r.width(); }
int BottomOf(const QRect& r) { return r.top() + r.height(); }

void DrawCellText(QPainter& painter, const QRect& rect, const QString& text, const QFont& font,
                  const QColor& color, TAlignment alignment)
{
    painter.save();
    painter.setClipRect(rect);
    painter.setFont(font);
    painter.setPen(color);
    QFontMetrics metrics(font, painter.device());
    int width = metrics.horizontalAdvance(text);
    int x = rect.left() + 3;
    if (alignment == taRightJustify)
        x = RightOf(rect) - 3 - width;
    else if (alignment == taCenter)
        x = rect.left() + (rect.width() - width) / 2;
    int y = rect.top() + (rect.height() - metrics.height()) / 2 + metrics.ascent();
    painter.drawText(x, y, text);
    painter.restore();
}

// The colours one column's cells are drawn with, after the fallbacks: clNone
// falls back to the column's colour, DefaultLook to the canvas's.
struct TCellLook {
    TColor Cell, FixedText, HeaderText, ActiveFixedText, ActiveHeaderText, ActiveRowText, SelectedText;
    TColor FixedBack, HeaderBack, SelectedBack, ActiveFixedBack, ActiveHeaderBack, ActiveColBack, ActiveRowBack;
};

TCellLook ResolveLook(const TKStringGrid& grid, const TKGridColumn& column)
{
    const bool plain = grid.DefaultLook();
    const TColor canvasFont = grid.Font().Color;
    const TColor canvasBrush = grid.Color();
    TCellLook look{};
    look.Cell = column.Color() != clNone ? column.Color() : grid.Color();
    const TColor c = look.Cell;

    auto text = [&](TColor value) { return (value == clNone || plain) ? canvasFont : value; };
    look.FixedText = text(grid.FixedFont().Color);
    look.HeaderText = text(column.HeaderFont().Color);
    auto activeText = [&](TColor value, TColor fallback) { return (value == clNone || plain) ? fallback : value; };
    look.ActiveFixedText = activeText(grid.ActiveFixedFont().Color, look.FixedText);
    look.ActiveHeaderText = activeText(grid.ActiveHeaderFont().Color, look.HeaderText);
    auto rowText = [&](TColor value) { return plain ? canvasFont : (value == clNone ? column.Font().Color : value); };
    look.ActiveRowText = rowText(grid.ActiveRowFontColor());
    look.SelectedText = rowText(grid.SelectedFontColor());

    auto back = [&](TColor value) { return plain ? canvasBrush : (value == clNone ? c : value); };
    look.FixedBack = back(grid.FixedColor());
    look.HeaderBack = back(column.HeaderColor() != clNone ? column.HeaderColor() : grid.HeaderColor());
    look.SelectedBack = back(grid.SelectedColor());
    look.ActiveFixedBack = activeText(grid.ActiveFixedColor(), look.FixedBack);
    look.ActiveHeaderBack = activeText(grid.ActiveHeaderColor(), look.HeaderBack);
    look.ActiveColBack = activeText(grid.ActiveColColor(), c);
    if (plain)
        look.ActiveRowBack = (grid.Options() & goRowSelect) ? canvasBrush : c;
    else
        look.ActiveRowBack = grid.ActiveRowColor() == clNone ? c : grid.ActiveRowColor();
    return look;
}

TKFont WithColor(TKFont font, TColor color)
{
    font.Color = color;
    return font;
}

void DrawSortArrow(QPainter& painter, const QRect& rect, TColumnSorting order, const QColor& back)
{
    const int right = RightOf(rect);
    const int top = rect.top();
    painter.save();
    painter.fillRect(QRect(QPoint(right - 23, top + 2), QPoint(right - 2, BottomOf(rect) - 3)), back);
    const int x = right - 20;
    const int y = top + 10;
    painter.setBrush(QColor(0xC0, 0xC0, 0xC0));
    painter.setPen(Qt::black);
    if (order == csAsc) {
        const QPoint points[] = {{x, y}, {x, y - 1}, {x + 4, y - 5}, {x + 8, y - 1}, {x + 8, y}};
        painter.drawPolygon(points, 5);
        painter.setPen(Qt::white);
        painter.drawLine(x, y - 1, x + 4, y - 5);
    } else {
        const QPoint points[] = {{x, y - 5}, {x + 8, y - 5}, {x + 8, y - 4}, {x + 4, y}, {x, y - 4}};
        painter.drawPolygon(points, 5);
        painter.setPen(Qt::white);
        painter.drawLine(x, y - 4, x + 4, y);
    }
    painter.restore();
}

// Restores the cursor however the sort ends.
class TWaitCursor {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace

// ---------------------------------------------------------------- editor

TKSGInplaceEdit::TKSGInplaceEdit(TKStringGrid& grid, const QModelIndex& index, QWidget* parent)
    : QPlainTextEdit(parent), Grid(grid), FIndex(index)
{
    const TKGridColumn& column = *grid.VisibleColumns()[static_cast<std::size_t>(index.column())];
    FMultiLine = grid.CellFlags(index.column(), index.row()) & cfMultiLine;
    setFont(TKStringGrid::ToQFont(column.Font()));
    document()->setDocumentMargin(0);
    setViewportMargins(2, 1, 2, 0);
    setFrameShape(FMultiLine ? QFrame::Box : QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(FMultiLine ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setLineWrapMode(FMultiLine ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
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
    if (FMultiLine && r.height() < 100) {
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
    Grid.Guarded([&] { HandleKey(event); });
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
        if (FMultiLine && !ctrl) {
            textCursor().insertBlock();
            ensureCursorVisible();
        } else {
            Grid.CommitEditor(*this);
        }
        return;
    }
    if (!FMultiLine && (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown)) {
        Grid.LeaveEditor(*this, *event);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TKSGInplaceEdit::keyReleaseEvent(QKeyEvent* event)
{
    QPlainTextEdit::keyReleaseEvent(event);
    Grid.Guarded([this] { CheckSelectionChange(); });
}

void TKSGInplaceEdit::mouseMoveEvent(QMouseEvent* event)
{
    QPlainTextEdit::mouseMoveEvent(event);
    Grid.Guarded([this] { CheckSelectionChange(); });
}

void TKSGInplaceEdit::CheckSelectionChange()
{
    int length = textCursor().selectionEnd() - textCursor().selectionStart();
    if (length == SelectionLength)
        return;
    SelectionLength = length;
    Grid.NotifySelChange();
}

// ---------------------------------------------------------------- grid

TKStringGrid::TKStringGrid(QWidget* parent)
    : QTableView(parent), OnCompareRows(FData.OnCompareRows)
{
    FActiveHeaderFont.Bold = true;
    FActiveHeaderFont.Color = clWhite;
    FActiveFixedFont.Color = clWhite;

    FCellButton = new QToolButton(viewport());
    FCellButton->setText(QString::fromUtf8("\u00B7\u00B7\u00B7"));
    FCellButton->setFont(QFont(QStringLiteral("Arial"), 10));
    FCellButton->setFocusPolicy(Qt::NoFocus);
    FCellButton->hide();
    connect(FCellButton, &QToolButton::clicked, this, [this] { Guarded([this] { CellButtonClick(); }); });

    Header = new TKGridHeader(*this);
    setHorizontalHeader(Header);
    Model = new TKGridModel(*this, FData);
    setModel(Model);
    Delegate = new TKGridDelegate(*this);
    setItemDelegate(Delegate);
    FData.SetObserver(this);

    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    SetDefaultRowHeight(FDefaultRowHeight);

    connect(Header, &QHeaderView::sectionClicked, this, [this](int col) { Guarded([&] { HeaderClick(col); }); });
    connect(Header, &QHeaderView::sectionResized, this,
            [this](int col, int, int newWidth) { ColumnResizedByUser(col, newWidth); });
    connect(Header, &QHeaderView::sectionMoved, this,
            [this](int, int from, int to) { ColumnDraggedByUser(from, to); });
    SetOptions(FOptions);
}

TKStringGrid::~TKStringGrid()
{
    FData.SetObserver(nullptr);
}

void TKStringGrid::Sort() { FData.Sort(); }

void TKStringGrid::MoveRow(int from, int to)
{
    FData.MoveRow(from, to);
    if (OnRowMoved && from != to)
        OnRowMoved(from, to);
}

void TKStringGrid::MoveColumn(int from, int to)
{
    FData.MoveColumn(from, to);
    if (OnColumnMoved && from != to)
        OnColumnMoved(from, to);
}

int TKStringGrid::ActiveCol() const
{
    if (FData.VisibleCount() == 0 || !currentIndex().isValid())
        return -1;
    return currentIndex().column();
}

void TKStringGrid::SetActiveCol(int col)
{
    if (FData.VisibleCount() == 0)
        throw EKGridError(kColumnListIsEmpty);
    if (col < FData.FixedCols() || col >= FData.VisibleCount())
        throw EKGridError(kWrongColumnIndex);
    MoveCurrent(col, currentIndex().isValid() ? currentIndex().row() : 0);
}

int TKStringGrid::ActiveRow() const
{
    if (FData.Empty() || !currentIndex().isValid())
        return -1;
    return currentIndex().row();
}

void TKStringGrid::SetActiveRow(int row)
{
    if (FData.Empty())
        return;
    if (row < 0 || row >= FData.RowCount())
        throw EKGridError(kWrongRowIndex);
    if (FData.VisibleCount() == 0)
        return;
    MoveCurrent(currentIndex().isValid() ? currentIndex().column() : FData.FixedCols(), row);
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
    if (value == FAutoSort)
        return;
    FAutoSort = value;
    if (value)
        SortWithWaitCursor();
}

void TKStringGrid::SetOptions(TGridOptions value)
{
    FOptions = value;
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
    FDefaultRowHeight = value;
    verticalHeader()->setDefaultSectionSize(value);
    Header->setFixedHeight(value);
    UpdateCellButton();
}

QColor TKStringGrid::ToQColor(TColor color) const
{
    if ((color & 0xFF000000u) != clSystemColor)
        return ColorRefToQColor(color & 0x00FFFFFFu);
    const QPalette& colors = palette();
    switch (color & 0xFF) {
    case 5: return colors.color(QPalette::Base);             // window
    case 6: case 21: return colors.color(QPalette::Shadow);  // window frame, 3-D dark shadow
    case 7: case 8: case 19: return colors.color(QPalette::Text);
    case 2: case 13: return colors.color(QPalette::Highlight);
    case 9: case 14: return colors.color(QPalette::HighlightedText);
    case 15: return colors.color(QPalette::Button);          // button face
    case 0: case 3: case 16: return colors.color(QPalette::Mid);
    case 12: return colors.color(QPalette::Dark);
    case 17: return colors.color(QPalette::Disabled, QPalette::Text);
    case 18: return colors.color(QPalette::ButtonText);
    case 20: return colors.color(QPalette::Light);
    case 22: return colors.color(QPalette::Midlight);
    case 23: return colors.color(QPalette::ToolTipText);
    case 24: return colors.color(QPalette::ToolTipBase);     // info background
    default: return colors.color(QPalette::Window);
    }
}

QFont TKStringGrid::ToQFont(const TKFont& font)
{
    QFont result(QString::fromStdString(font.Name), font.Size > 0 ? font.Size : 8);
    result.setBold(font.Bold);
    result.setItalic(font.Italic);
    return result;
}

// ---------------------------------------------------------------- editing

bool TKStringGrid::CanEditShow(int col, int row) const
{
    if (!(FOptions & goEditing) || FData.VisibleCount() == 0 || FData.Empty())
        return false;
    if (col < FData.FixedCols() || col >= FData.VisibleCount() || row < 0 || row >= FData.RowCount())
        return false;
    if (FData.VisibleColumns()[static_cast<std::size_t>(col)]->ReadOnly())
        return false;
    return !(FData.CellFlags(col, row) & (cfButton | cfLocked));
}

std::string TKStringGrid::EditText(int col, int row) const
{
    if (FData.Empty() || FData.VisibleCount() == 0)
        return {};
    std::string value = FData.Cells(col, row);
    if (OnGetEditText)
        OnGetEditText(col, row, value);
    return value;
}

// The handler may move the current cell or add rows; the cell is written
// only when it still exists.
void TKStringGrid::StoreEditText(int col, int row, const std::string& value)
{
    auto exists = [&] {
        return !FData.Empty() && col >= 0 && col < FData.VisibleCount() && row >= 0 && row < FData.RowCount();
    };
    if (!exists())
        return;
    if (OnSetEditText)
        OnSetEditText(col, row, value);
    if (exists())
        FData.SetCells(col, row, value);
}

// The editor closes first, then the text is stored: the handler of
// OnSetEditText then finds the grid out of editing and may move freely.
void TKStringGrid::CommitEditor(TKSGInplaceEdit& editor)
{
    QPersistentModelIndex index = editor.Index();
    std::string text = editor.Text();
    closeEditor(&editor, QAbstractItemDelegate::NoHint);
    if (index.isValid())
        StoreEditText(index.column(), index.row(), text);
}

void TKStringGrid::CancelEditor(TKSGInplaceEdit& editor)
{
    QPersistentModelIndex index = editor.Index();
    closeEditor(&editor, QAbstractItemDelegate::RevertModelCache);
    if (!index.isValid() || FData.Empty() || index.column() >= FData.VisibleCount() ||
        index.row() >= FData.RowCount())
        return;
    if (OnCancelEdit)
        OnCancelEdit(index.column(), index.row(), FData.Cells(index.column(), index.row()));
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

void TKStringGrid::ReportError(const QString& message) noexcept
{
    ShowErrorBox(this, message);
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
                ReportError(message);
                PaintErrorPending = false;
            },
            Qt::QueuedConnection);
    } catch (...) {
        PaintErrorPending = false;
    }
}

void TKStringGrid::NotifySelChange()
{
    if (OnSelChange)
        OnSelChange();
}

// ---------------------------------------------------------------- drawing

void TKStringGrid::PaintCell(QPainter& painter, const QRect& rect, const QModelIndex& index, bool selected) const
{
    const int col = index.column();
    const int row = index.row();
    if (col < 0 || col >= FData.VisibleCount())
        return;
    const TKGridColumn& column = *FData.VisibleColumns()[static_cast<std::size_t>(col)];
    const TCellLook look = ResolveLook(*this, column);
    const QModelIndex current = currentIndex();
    const bool activeRow = current.isValid() && current.row() == row;
    const bool isCurrent = current == index;
    const bool focused = isCurrent && hasFocus();
    const bool fixed = col < FData.FixedCols();
    const TGridDrawState state = (selected ? gdSelected : 0u) | (focused ? gdFocused : 0u) | (fixed ? gdFixed : 0u);

    TKCellProperties props;
    props.Alignment = column.Alignment();
    if (fixed) {
        props.Color = activeRow ? look.ActiveFixedBack : look.FixedBack;
        props.Font = activeRow ? WithColor(FActiveFixedFont, look.ActiveFixedText) : WithColor(FFixedFont, look.FixedText);
    } else {
        props.Color = look.Cell;
        props.Font = column.Font();
        if (&column == FData.ActiveColumn())
            props.Color = look.ActiveColBack;
        if (activeRow && (FOptions & goRowSelect)) {
            props.Color = look.SelectedBack;
            props.Font.Color = look.SelectedText;
        } else if (activeRow) {
            props.Color = look.ActiveRowBack;
            props.Font.Color = look.ActiveRowText;
        } else if ((selected && !focused) || ((selected || focused) && (FOptions & goDrawFocusSelected))) {
            props.Color = look.SelectedBack;
            props.Font.Color = look.SelectedText;
        }
    }
    if (OnGetCellProps)
        OnGetCellProps(col, row, props);

    QString text;
    if (!FData.Empty()) {
        bool multiLine = FData.CellFlags(col, row) & cfMultiLine;
        text = QString::fromStdString(multiLine ? FData.StoredText(col, row) : FData.Cells(col, row));
    }
    painter.fillRect(rect, ToQColor(props.Color));
    DrawCellText(painter, rect, text, ToQFont(props.Font), ToQColor(props.Font.Color), props.Alignment);
    if (focused && !(FOptions & goRowSelect) && state != 0) {
        painter.save();
        painter.setPen(QPen(ToQColor(props.Font.Color), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        painter.restore();
    }
    if (OnDrawCell)
        OnDrawCell(painter, col, row, rect, state);
}

void TKStringGrid::PaintHeader(QPainter& painter, const QRect& rect, int col) const
{
    if (col < 0 || col >= FData.VisibleCount())
        return;
    const TKGridColumn& column = *FData.VisibleColumns()[static_cast<std::size_t>(col)];
    const TCellLook look = ResolveLook(*this, column);
    const bool active = &column == FData.ActiveColumn();
    const TColor back = active ? look.ActiveHeaderBack : look.HeaderBack;
    const TKFont font = active ? WithColor(FActiveHeaderFont, look.ActiveHeaderText)
                               : WithColor(column.HeaderFont(), look.HeaderText);

    painter.fillRect(rect, ToQColor(back));
    DrawCellText(painter, rect, QString::fromStdString(column.Caption()), ToQFont(font), ToQColor(font.Color),
                 column.Alignment());
    if (FOptions & goFixedLines) {
        painter.save();
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(rect.topRight(), rect.bottomRight());
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.restore();
    }
    if (column.SortOrder() != csNone)
        DrawSortArrow(painter, rect, column.SortOrder(), ToQColor(back));
    if (OnDrawHeader)
        OnDrawHeader(painter, col, rect, gdFixed);
}

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
    const auto& visible = FData.VisibleColumns();
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
    if (FData.VisibleCount() == 0) {
        FData.SetActiveColumn(nullptr);
        return false;
    }
    if (!FData.Empty() && OnSelectCell) {
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
    Guarded([&] {
        if (current.isValid() && current.column() < FData.VisibleCount())
            FData.SetActiveColumn(FData.VisibleColumns()[static_cast<std::size_t>(current.column())]);
    });
    UpdateCellButton();
}

QModelIndex TKStringGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    QModelIndex next = QTableView::moveCursor(cursorAction, modifiers);
    bool allowed = true;
    if (next.isValid() && next != currentIndex())
        Guarded([&] { allowed = false; allowed = SelectCell(next); });
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
    if (!current.isValid() || FData.Empty() || current.column() >= FData.VisibleCount())
        return false;
    return FData.CellFlags(current.column(), current.row()) & cfLocked;
}

// ---------------------------------------------------------------- keys and mouse

void TKStringGrid::keyPressEvent(QKeyEvent* event)
{
    Guarded([&] { HandleKey(event); });
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
    if (!current.isValid() || FData.Empty() || current.column() >= FData.VisibleCount())
        return;
    const std::uint32_t flags = FData.CellFlags(current.column(), current.row());
    if (event->modifiers() & Qt::ControlModifier) {
        if (!(flags & cfButton))
            FData.SetCellFlags(current.column(), current.row(), flags | cfMultiLine);
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
    Guarded([&] { HandleMousePress(event); });
}

void TKStringGrid::HandleMousePress(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid()) {
        if (index.column() < FData.FixedCols()) {
            // A press in a fixed column selects nothing; it may start a row drag.
            if ((FOptions & goRowMoving) && !FData.Empty())
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
    if (to >= 0 && to < FData.RowCount() && to != from)
        Guarded([&] { MoveRow(from, to); });
}

void TKStringGrid::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (!OnContextPopup)
        return;
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid())
        at = viewport()->mapToGlobal(visualRect(currentIndex()).topLeft());
    Guarded([&] { OnContextPopup(at.x(), at.y()); });
}

// Under AutoSort a header click sorts by that column alone, ascending first
// and then alternating.
void TKStringGrid::HeaderClick(int col)
{
    if (col < 0 || col >= FData.VisibleCount())
        return;
    TKGridColumn& column = *FData.VisibleColumns()[static_cast<std::size_t>(col)];
    if (FAutoSort) {
        const TColumnSorting was = column.SortOrder();
        for (int c = 0; c < FData.Columns().Count(); ++c)
            FData.Columns()[c].SetSortOrder(csNone);
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
    if (current.isValid() && !FData.Empty() && current.column() < FData.VisibleCount() &&
        current.row() < FData.RowCount()) {
        const std::uint32_t flags = FData.CellFlags(current.column(), current.row());
        const QRect cell = visualRect(current);
        const int size = cell.height() - 2;
        if ((flags & cfButton) && !(flags & cfLocked) && size > 0 && cell.width() >= size + 3) {
            FCellButton->setGeometry(RightOf(cell) - size - 1, cell.top() + 1, size, size);
            show = cell.intersects(viewport()->rect());
        }
    }
    FCellButton->setVisible(show);
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
    if (!currentIndex().isValid() && FData.VisibleCount() > FData.FixedCols())
        setCurrentIndex(Model->index(0, FData.FixedCols()));
    UpdateCellButton();
    viewport()->update();
}

void TKStringGrid::RowsAboutToBeRemoved(int first, int count)
{
    FCellButton->hide();
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
    const int count = FData.VisibleCount();
    if (count == 0) {
        FData.SetActiveColumn(nullptr);
        FCellButton->hide();
        return;
    }
    int col = CurrentColBeforeReset < 0 ? FData.FixedCols() : CurrentColBeforeReset;
    col = std::clamp(col, FData.FixedCols(), count - 1);
    int row = std::clamp(CurrentRowBeforeReset, 0, Model->rowCount() - 1);
    setCurrentIndex(Model->index(row, col));
    FData.SetActiveColumn(FData.VisibleColumns()[static_cast<std::size_t>(col)]);
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
    const auto& visible = FData.VisibleColumns();
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
    if (FAutoSort && column.SortOrder() != csNone)
        SortWithWaitCursor();
    else
        Repaint();
}

void TKStringGrid::SortWithWaitCursor()
{
    TWaitCursor wait;
    FData.Sort();
    Repaint();
}

// Fixed columns can always be resized at their header border; the others
// only with goColSizing.
void TKStringGrid::ApplyColumnWidths()
{
    ApplyingWidths = true;
    for (int i = 0; i < FData.VisibleCount(); ++i) {
        bool sizable = (FOptions & goColSizing) || i < FData.FixedCols();
        Header->setSectionResizeMode(i, sizable ? QHeaderView::Interactive : QHeaderView::Fixed);
        setColumnWidth(i, FData.VisibleColumns()[static_cast<std::size_t>(i)]->Width());
    }
    ApplyingWidths = false;
}

void TKStringGrid::ColumnResizedByUser(int col, int newWidth)
{
    if (ApplyingWidths || col < 0 || col >= FData.VisibleCount())
        return;
    ApplyingWidths = true;
    FData.VisibleColumns()[static_cast<std::size_t>(col)]->SetWidth(newWidth);
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
            if (fromVisual < FData.VisibleCount() && toVisual < FData.VisibleCount())
                Guarded([&] { MoveColumn(fromVisual, toVisual); });
        },
        Qt::QueuedConnection);
}
