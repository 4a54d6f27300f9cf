#include "calculator/KGridData.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "platform/NumberText.h"

// ---------------------------------------------------------------- column

TKGridColumn::TKGridColumn(TKGridColumns& collection, int rowCount)
    : Collection(collection), CellList(static_cast<std::size_t>(rowCount))
{
    const TKGridData& grid = collection.GetOwner();
    Properties.Font = grid.Font();
    Properties.HeaderFont = grid.HeaderFont();
    Properties.Width = grid.DefaultColWidth();
}

void TKGridColumn::Assign(const TKGridColumn& source)
{
    Properties = source.Properties;
}

TKGridData& TKGridColumn::Grid() const { return Collection.Owner; }

void TKGridColumn::SetCaption(std::string value)
{
    Properties.Caption = std::move(value);
    Grid().ColumnLookChanged(*this);
}

void TKGridColumn::SetColor(TColor value)
{
    Properties.Color = value;
    Grid().ColumnLookChanged(*this);
}

void TKGridColumn::SetFont(const TKFont& value)
{
    Properties.Font = value;
    Properties.ParentFont = false;
    Grid().ColumnLookChanged(*this);
}

void TKGridColumn::SetHeaderFont(const TKFont& value)
{
    Properties.HeaderFont = value;
    Properties.ParentHeaderFont = false;
    Grid().ColumnLookChanged(*this);
}

void TKGridColumn::SetParentFont(bool value)
{
    Properties.ParentFont = value;
    if (value) {
        Properties.Font = Grid().Font();
        Grid().ColumnLookChanged(*this);
    }
}

void TKGridColumn::SetParentHeaderFont(bool value)
{
    Properties.ParentHeaderFont = value;
    if (value) {
        Properties.HeaderFont = Grid().HeaderFont();
        Grid().ColumnLookChanged(*this);
    }
}

void TKGridColumn::SetHeaderColor(TColor value)
{
    Properties.HeaderColor = value;
    Grid().ColumnLookChanged(*this);
}

// Every column may be nameless; a name that is given must be unique.
void TKGridColumn::SetName(std::string value)
{
    if (value == Properties.Name)
        return;
    if (!value.empty()) {
        const TKGridColumn* other = Collection.FindByName(value);
        if (other && other != this)
            throw EKGridColumnsError(FormatText(kColumnNameExists, value.c_str()));
    }
    Properties.Name = std::move(value);
}

void TKGridColumn::SetSortOrder(TColumnSorting value)
{
    if (value == Properties.SortOrder)
        return;
    Properties.SortOrder = value;
    Grid().ColumnSortOrderChanged(*this);
}

void TKGridColumn::SetVisible(bool value)
{
    if (value == Properties.Visible)
        return;
    Properties.Visible = value;
    Grid().RebuildVisibleColumns();
}

void TKGridColumn::SetWidth(int value)
{
    if (value == Properties.Width)
        return;
    Properties.Width = value;
    Grid().ColumnWidthChanged(*this);
}

void TKGridColumn::SetAlignment(TAlignment value)
{
    Properties.Alignment = value;
    Grid().ColumnLookChanged(*this);
}

int TKGridColumn::Index() const
{
    const auto& items = Collection.Items;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == this)
            return static_cast<int>(i);
    return -1;
}

void TKGridColumn::SetIndex(int value)
{
    if (value < 0)
        throw EKGridError(kWrongColumnIndex);
    auto& items = Collection.Items;
    int from = Index();
    int to = std::min(value, Collection.Count() - 1);
    if (from != to) {
        auto item = std::move(items[static_cast<std::size_t>(from)]);
        items.erase(items.begin() + from);
        items.insert(items.begin() + to, std::move(item));
    }
    SetDisplayIndex(value);
}

void TKGridColumn::SetDisplayIndex(int value)
{
    if (value < 0)
        throw EKGridError(kWrongColumnIndex);
    Grid().ColumnDisplayIndexChanged(*this, value);
}

// ---------------------------------------------------------------- collection

TKGridColumns& TKGridColumns::operator=(const TKGridColumns& source)
{
    if (&source == this)
        return *this;
    Clear();
    for (const auto& item : source.Items) {
        TKGridColumn& column = Add();
        column.Assign(*item);
    }
    Owner.RebuildVisibleColumns();
    return *this;
}

TKGridColumn& TKGridColumns::Add()
{
    Items.push_back(std::make_unique<TKGridColumn>(*this, Owner.RowCount()));
    TKGridColumn& column = *Items.back();
    Owner.ColumnAdded(column);
    return column;
}

void TKGridColumns::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw EKGridError(kWrongColumnIndex);
    Owner.NotifyColumnsAboutToChange();
    Owner.ColumnRemoving(*Items[static_cast<std::size_t>(index)]);
    Items.erase(Items.begin() + index);
    Owner.PlaceVisibleColumns();
    Owner.NotifyColumnsChanged();
}

void TKGridColumns::Clear()
{
    if (Items.empty())
        return;
    Owner.NotifyColumnsAboutToChange();
    for (auto& item : Items)
        Owner.ColumnRemoving(*item);
    Items.clear();
    Owner.PlaceVisibleColumns();
    Owner.NotifyColumnsChanged();
}

TKGridColumn& TKGridColumns::operator[](int index) const
{
    if (index < 0 || index >= Count())
        throw EKGridError(kWrongColumnIndex);
    return *Items[static_cast<std::size_t>(index)];
}

TKGridColumn* TKGridColumns::FindByName(std::string_view name) const
{
    for (const auto& item : Items)
        if (CompareText(item->Name(), name) == 0)
            return item.get();
    return nullptr;
}

// ---------------------------------------------------------------- grid data

TKGridData::TKGridData() : AllColumns(*this)
{
    GridHeaderFont.Bold = true;
}

TKGridData::~TKGridData()
{
    // The columns go without telling a view that is already gone.
    Observer = nullptr;
}

void TKGridData::SetActiveColumn(TKGridColumn* column)
{
    if (column == CurrentColumn)
        return;
    TKGridColumn* old = CurrentColumn;
    CurrentColumn = column;
    if (Observer)
        Observer->ActiveColumnChanged(old, column);
}

void TKGridData::SetRowCount(int value)
{
    if (value > Rows)
        AddRows(value - Rows);
    else if (value < Rows)
        DeleteRows(value, Rows - 1);
}

void TKGridData::AddRow() { InsertRow(Rows); }

void TKGridData::AddRows(int count)
{
    for (int i = 0; i < count; ++i)
        AddRow();
}

void TKGridData::InsertRow(int index)
{
    if (index < 0 || index > Rows)
        throw EKGridError(kWrongRowIndex);
    if (Observer)
        Observer->RowsAboutToBeInserted(index, 1);
    for (int c = 0; c < AllColumns.Count(); ++c) {
        auto& cells = AllColumns[c].CellList;
        cells.insert(cells.begin() + index, TKGridColumn::TCell{});
    }
    RowObjects.insert(RowObjects.begin() + index, nullptr);
    ++Rows;
    if (Observer)
        Observer->RowsInserted();
}

// Reversed bounds delete nothing; bounds outside the rows are refused.
void TKGridData::DeleteRows(int from, int to)
{
    if (from > to)
        return;
    if (from < 0 || to >= Rows)
        throw EKGridError(kWrongRowIndex);
    int count = to - from + 1;
    if (Observer)
        Observer->RowsAboutToBeRemoved(from, count);
    for (int c = 0; c < AllColumns.Count(); ++c) {
        auto& cells = AllColumns[c].CellList;
        cells.erase(cells.begin() + from, cells.begin() + to + 1);
    }
    RowObjects.erase(RowObjects.begin() + from, RowObjects.begin() + to + 1);
    Rows -= count;
    if (Observer)
        Observer->RowsRemoved();
}

void TKGridData::Clear()
{
    if (Rows > 0)
        DeleteRows(0, Rows - 1);
}

void TKGridData::CheckRow(int row) const
{
    if (row < 0 || row >= Rows)
        throw EKGridError(kWrongRowIndex);
}

TKGridColumn& TKGridData::CheckedCell(int col, int row) const
{
    if (col < 0 || col >= VisibleCount())
        throw EKGridError(kWrongColumnIndex);
    CheckRow(row);
    return *ShownColumns[static_cast<std::size_t>(col)];
}

std::string TKGridData::Cells(int col, int row) const
{
    return CommaTextToLines(StoredText(col, row));
}

const std::string& TKGridData::StoredText(int col, int row) const
{
    return CheckedCell(col, row).CellList[static_cast<std::size_t>(row)].Text;
}

void TKGridData::SetCells(int col, int row, std::string_view value)
{
    auto& cell = CheckedCell(col, row).CellList[static_cast<std::size_t>(row)];
    cell.Text = LinesToCommaText(value);
    if (HasLineBreak(value))
        cell.Flags |= cfMultiLine;
    if (Observer)
        Observer->CellChanged(col, row);
}

std::uint32_t TKGridData::CellFlags(int col, int row) const
{
    if (Empty() || ShownColumns.empty())
        return 0;
    return CheckedCell(col, row).CellList[static_cast<std::size_t>(row)].Flags & kCellFlagMask;
}

void TKGridData::SetCellFlags(int col, int row, std::uint32_t flags)
{
    auto& cell = CheckedCell(col, row).CellList[static_cast<std::size_t>(row)];
    flags &= kCellFlagMask;
    if (HasLineBreak(CommaTextToLines(cell.Text)))
        flags |= cfMultiLine;
    if (flags == cell.Flags)
        return;
    cell.Flags = flags;
    if (Observer)
        Observer->CellChanged(col, row);
}

void* TKGridData::RowObject(int row) const
{
    CheckRow(row);
    return RowObjects[static_cast<std::size_t>(row)];
}

void TKGridData::SetRowObject(int row, void* object)
{
    CheckRow(row);
    RowObjects[static_cast<std::size_t>(row)] = object;
}

namespace {

template <class T>
void MoveItem(std::vector<T>& items, int from, int to)
{
    auto first = items.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
}

} // namespace

void TKGridData::MoveRow(int from, int to)
{
    CheckRow(from);
    CheckRow(to);
    if (from == to)
        return;
    for (int c = 0; c < AllColumns.Count(); ++c)
        MoveItem(AllColumns[c].CellList, from, to);
    MoveItem(RowObjects, from, to);
    if (Observer)
        Observer->RowsChanged();
}

void TKGridData::MoveColumn(int from, int to)
{
    if (from < 0 || from >= VisibleCount() || to < 0 || to >= VisibleCount())
        throw EKGridError(kWrongColumnIndex);
    if (from == to)
        return;
    if (Observer)
        Observer->ColumnsAboutToChange();
    MoveItem(ShownColumns, from, to);
    Renumber();
    if (Observer)
        Observer->ColumnsChanged();
}

int TKGridData::FixedCols() const
{
    return std::clamp(WantedFixedCols, 0, std::max(VisibleCount() - 1, 0));
}

void TKGridData::SetFixedCols(int value)
{
    if (Observer)
        Observer->ColumnsAboutToChange();
    WantedFixedCols = std::max(value, 0);
    if (Observer)
        Observer->ColumnsChanged();
}

void TKGridData::SetFont(const TKFont& value)
{
    GridFont = value;
    for (int c = 0; c < AllColumns.Count(); ++c)
        if (AllColumns[c].ParentFont())
            AllColumns[c].SetParentFont(true);
}

void TKGridData::SetHeaderFont(const TKFont& value)
{
    GridHeaderFont = value;
    for (int c = 0; c < AllColumns.Count(); ++c)
        if (AllColumns[c].ParentHeaderFont())
            AllColumns[c].SetParentHeaderFont(true);
}

// ---------------------------------------------------------------- columns

void TKGridData::Renumber()
{
    for (std::size_t i = 0; i < ShownColumns.size(); ++i)
        ShownColumns[i]->DisplayPlace = static_cast<int>(i);
}

// Visible columns by display index; columns never placed (-1) go last, and
// equal indices keep the collection's order.
void TKGridData::RebuildVisibleColumns()
{
    NotifyColumnsAboutToChange();
    PlaceVisibleColumns();
    NotifyColumnsChanged();
}

void TKGridData::NotifyColumnsAboutToChange()
{
    if (Observer)
        Observer->ColumnsAboutToChange();
}

void TKGridData::NotifyColumnsChanged()
{
    if (Observer)
        Observer->ColumnsChanged();
}

void TKGridData::PlaceVisibleColumns()
{
    ShownColumns.clear();
    for (int c = 0; c < AllColumns.Count(); ++c)
        if (AllColumns[c].Visible())
            ShownColumns.push_back(&AllColumns[c]);
    auto key = [](const TKGridColumn* column) {
        return column->DisplayIndex() < 0 ? std::numeric_limits<int>::max() : column->DisplayIndex();
    };
    std::stable_sort(ShownColumns.begin(), ShownColumns.end(),
                     [&](const TKGridColumn* a, const TKGridColumn* b) { return key(a) < key(b); });
    Renumber();
}

void TKGridData::ColumnAdded(TKGridColumn& column)
{
    if (Observer)
        Observer->ColumnsAboutToChange();
    ShownColumns.push_back(&column);
    Renumber();
    if (Observer)
        Observer->ColumnsChanged();
    if (ShownColumns.size() == 1)
        SetActiveColumn(&column);
}

void TKGridData::ColumnRemoving(TKGridColumn& column)
{
    if (CurrentColumn == &column)
        CurrentColumn = nullptr;
    std::erase(ShownColumns, &column);
}

void TKGridData::ColumnDisplayIndexChanged(TKGridColumn& column, int value)
{
    auto it = std::find(ShownColumns.begin(), ShownColumns.end(), &column);
    if (it == ShownColumns.end()) {
        column.DisplayPlace = value;
        return;
    }
    int from = static_cast<int>(it - ShownColumns.begin());
    MoveColumn(from, std::min(value, VisibleCount() - 1));
}

void TKGridData::ColumnLookChanged(const TKGridColumn& column)
{
    if (Observer)
        Observer->ColumnLookChanged(column);
}

void TKGridData::ColumnWidthChanged(const TKGridColumn& column)
{
    if (Observer)
        Observer->ColumnWidthChanged(column);
}

void TKGridData::ColumnSortOrderChanged(TKGridColumn& column)
{
    if (Observer)
        Observer->SortOrderChanged(column);
}

// ---------------------------------------------------------------- sorting

void TKGridData::Sort()
{
    TKGridColumnList sorted;
    for (TKGridColumn* column : ShownColumns)
        if (column->SortOrder() != csNone)
            sorted.push_back(column);
    QuickSort(sorted, 0, Rows - 1);
    if (Observer)
        Observer->RowsChanged();
}

int TKGridData::CompareRows(const TKGridColumnList& sorted, int a, int b) const
{
    int result = 0;
    for (const TKGridColumn* column : sorted) {
        const auto& cells = column->CellList;
        result = CompareText(CommaTextToLines(cells[static_cast<std::size_t>(a)].Text),
                             CommaTextToLines(cells[static_cast<std::size_t>(b)].Text));
        if (column->SortOrder() == csDsc)
            result = -result;
        if (result != 0)
            break;
    }
    if (OnCompareRows && !sorted.empty())
        OnCompareRows(sorted, a, b, result);
    return result;
}

// Hidden columns' cells and the row objects move with their rows.
void TKGridData::ExchangeRows(int a, int b)
{
    for (int c = 0; c < AllColumns.Count(); ++c) {
        auto& cells = AllColumns[c].CellList;
        std::swap(cells[static_cast<std::size_t>(a)], cells[static_cast<std::size_t>(b)]);
    }
    std::swap(RowObjects[static_cast<std::size_t>(a)], RowObjects[static_cast<std::size_t>(b)]);
}

// Hoare partitioning around the middle row, following the pivot row when it
// is exchanged. The scans stay inside left..right, so a comparison that
// contradicts itself (a handler's) cannot walk off the rows. The smaller part
// is sorted by recursion, the larger by the loop, which bounds the depth.
void TKGridData::QuickSort(const TKGridColumnList& sorted, int left, int right)
{
    while (left < right) {
        int pivot = left + (right - left) / 2;
        int i = left;
        int j = right;
        while (j >= i) {
            while (i < right && CompareRows(sorted, i, pivot) < 0)
                ++i;
            while (j > left && CompareRows(sorted, j, pivot) > 0)
                --j;
            if (j > i) {
                ExchangeRows(i, j);
                if (pivot == i)
                    pivot = j;
                else if (pivot == j)
                    pivot = i;
                ++i;
                --j;
            } else if (j == i) {
                if (i < right)
                    ++i;
                else
                    --j;
            }
        }
        if (j - left < right - i) {
            QuickSort(sorted, left, j);
            left = i;
        } else {
            QuickSort(sorted, i, right);
            right = j;
        }
    }
}
