#pragma once
// The data side of the column string grid: columns that own their cells, the
// rows' attached objects, the empty state and sorting. No toolkit here; the
// widget in kstrgrid.h shows this data and hears of changes through
// TKGridObserver.
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "calculator/KGridText.h"

// Colours as the grid's stored settings hold them: 0x00BBGGRR, clNone, or a
// system colour (0xFF000000 + the system colour index).
using TColor = std::uint32_t;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clBlack = 0x000000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clWindow = clSystemColor + 5;
constexpr TColor clWindowText = clSystemColor + 8;
constexpr TColor clHighlight = clSystemColor + 13;
constexpr TColor clHighlightText = clSystemColor + 14;
constexpr TColor clBtnFace = clSystemColor + 15;
constexpr TColor clBtnShadow = clSystemColor + 16;
constexpr TColor clGrayText = clSystemColor + 17;
constexpr TColor clBtnText = clSystemColor + 18;
constexpr TColor clInfoText = clSystemColor + 23;
constexpr TColor clInfoBk = clSystemColor + 24;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TColumnSorting { csNone, csAsc, csDsc };
// Only "disabled" has an effect here: the editor then takes no input method.
enum TImeMode { imDisable, imClose, imOpen, imDontCare };

// A font as a description; the widget turns it into a toolkit font.
struct TKFont {
    std::string Name = "MS Sans Serif";
    int Size = 8; // points
    bool Bold = false;
    bool Italic = false;
    TColor Color = clWindowText;
    bool operator==(const TKFont&) const = default;
};

// Cell flags: the low three bits of a cell's flags word.
enum : std::uint32_t {
    cfMultiLine = 1, // edited with line breaks, drawn from its stored text
    cfButton = 2,    // shows an ellipsis button while current, no editor
    cfLocked = 4,    // no editor, Enter and clicks on it are ignored
};
constexpr std::uint32_t kCellFlagMask = cfMultiLine | cfButton | cfLocked;

class EKGridError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};
class EKGridColumnsError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kWrongColumnIndex = "Wrong column index";
inline constexpr const char* kWrongRowIndex = "Wrong row index";
inline constexpr const char* kColumnListIsEmpty = "Column list is empty";
inline constexpr const char* kColumnNameExists = "Column name \"%s\" already exists";

class TKGridData;
class TKGridColumns;

class TKGridColumn {
public:
    TKGridColumn(TKGridColumns& collection, int rowCount);
    TKGridColumn(const TKGridColumn&) = delete;
    TKGridColumn& operator=(const TKGridColumn&) = delete;

    // Copies the properties (not the cells) of another column.
    void Assign(const TKGridColumn& source);

    const std::string& Caption() const { return Properties.Caption; }
    void SetCaption(std::string value);
    TColor Color() const { return Properties.Color; }
    void SetColor(TColor value);
    const TKFont& Font() const { return Properties.Font; }
    void SetFont(const TKFont& value); // clears ParentFont
    const TKFont& HeaderFont() const { return Properties.HeaderFont; }
    void SetHeaderFont(const TKFont& value); // clears ParentHeaderFont
    bool ParentFont() const { return Properties.ParentFont; }
    void SetParentFont(bool value);
    bool ParentHeaderFont() const { return Properties.ParentHeaderFont; }
    void SetParentHeaderFont(bool value);
    TColor HeaderColor() const { return Properties.HeaderColor; }
    void SetHeaderColor(TColor value);
    const std::string& Name() const { return Properties.Name; }
    void SetName(std::string value);
    bool ReadOnly() const { return Properties.ReadOnly; }
    void SetReadOnly(bool value) { Properties.ReadOnly = value; }
    TColumnSorting SortOrder() const { return Properties.SortOrder; }
    void SetSortOrder(TColumnSorting value);
    bool Visible() const { return Properties.Visible; }
    void SetVisible(bool value);
    int Width() const { return Properties.Width; }
    void SetWidth(int value);
    TAlignment Alignment() const { return Properties.Alignment; }
    void SetAlignment(TAlignment value);
    const std::string& ImeName() const { return Properties.ImeName; }
    void SetImeName(std::string value) { Properties.ImeName = std::move(value); }
    TImeMode ImeMode() const { return Properties.ImeMode; }
    void SetImeMode(TImeMode value) { Properties.ImeMode = value; }

    // The caption when there is one, else the name.
    const std::string& DisplayName() const { return Properties.Caption.empty() ? Properties.Name : Properties.Caption; }
    // Position in the collection; setting it also sets the display index.
    int Index() const;
    void SetIndex(int value);
    // Position among the visible columns (-1 until placed).
    int DisplayIndex() const { return DisplayPlace; }
    void SetDisplayIndex(int value);

    TKGridData& Grid() const;

private:
    friend class TKGridData;
    struct TCell {
        std::string Text; // comma form
        std::uint32_t Flags = 0;
    };

    TKGridColumns& Collection;
    std::vector<TCell> CellList;
    // What Assign copies: everything but the cells and the display place.
    struct TProperties {
        std::string Caption;
        TColor Color = clNone;
        TKFont Font;
        TKFont HeaderFont;
        bool ParentFont = true;
        bool ParentHeaderFont = true;
        TColor HeaderColor = clNone;
        std::string Name;
        bool ReadOnly = false;
        TColumnSorting SortOrder = csNone;
        bool Visible = true;
        int Width = 64;
        TAlignment Alignment = taLeftJustify;
        std::string ImeName;
        TImeMode ImeMode = imDontCare;
    };
    TProperties Properties;
    int DisplayPlace = -1;
};

using TKGridColumnList = std::vector<TKGridColumn*>;

class TKGridColumns {
public:
    explicit TKGridColumns(TKGridData& grid) : Owner(grid) {}
    TKGridColumns(const TKGridColumns&) = delete;
    // Assignment copies the columns' properties; the cells start empty.
    TKGridColumns& operator=(const TKGridColumns& source);

    TKGridColumn& Add();
    void Delete(int index);
    void Clear();
    int Count() const { return static_cast<int>(Items.size()); }
    TKGridColumn& operator[](int index) const;
    TKGridColumn* FindByName(std::string_view name) const;
    TKGridData& GetOwner() const { return Owner; }

private:
    friend class TKGridColumn;
    TKGridData& Owner;
    std::vector<std::unique_ptr<TKGridColumn>> Items;
};

// What the grid's data tells its view. Row notifications come in pairs
// around the change; indices are data rows.
class TKGridObserver {
public:
    virtual ~TKGridObserver() = default;
    virtual void RowsAboutToBeInserted(int /*first*/, int /*count*/) {}
    virtual void RowsInserted() {}
    virtual void RowsAboutToBeRemoved(int /*first*/, int /*count*/) {}
    virtual void RowsRemoved() {}
    virtual void ColumnsAboutToChange() {}
    virtual void ColumnsChanged() {} // visible columns, their order or the fixed count
    virtual void CellChanged(int /*col*/, int /*row*/) {}
    virtual void RowsChanged() {} // contents of many rows moved (sort, row move)
    virtual void ColumnLookChanged(const TKGridColumn&) {}
    virtual void ColumnWidthChanged(const TKGridColumn&) {}
    virtual void SortOrderChanged(TKGridColumn&) {}
    virtual void ActiveColumnChanged(TKGridColumn* /*old*/, TKGridColumn* /*now*/) {}
};

class TKGridData {
public:
    TKGridData();
    ~TKGridData();
    TKGridData(const TKGridData&) = delete;
    TKGridData& operator=(const TKGridData&) = delete;

    void SetObserver(TKGridObserver* observer) { Observer = observer; }

    TKGridColumns& Columns() { return AllColumns; }
    const TKGridColumns& Columns() const { return AllColumns; }
    // The visible columns in display order: grid column i shows entry i.
    const TKGridColumnList& VisibleColumns() const { return ShownColumns; }
    int VisibleCount() const { return static_cast<int>(ShownColumns.size()); }
    // The column of the current cell, or none.
    TKGridColumn* ActiveColumn() const { return CurrentColumn; }
    void SetActiveColumn(TKGridColumn* column);

    // Data rows; the header is not counted.
    int RowCount() const { return Rows; }
    void SetRowCount(int value);
    bool Empty() const { return Rows == 0; }
    void AddRow();
    void AddRows(int count);
    void InsertRow(int index);
    void DeleteRows(int from, int to);
    void DeleteRow(int row) { DeleteRows(row, row); }
    void Clear();

    // Cells by visible column and data row.
    std::string Cells(int col, int row) const;
    void SetCells(int col, int row, std::string_view value);
    const std::string& StoredText(int col, int row) const;
    std::uint32_t CellFlags(int col, int row) const;
    void SetCellFlags(int col, int row, std::uint32_t flags);

    // One untyped, not owned pointer per row that moves with its row.
    void* RowObject(int row) const;
    void SetRowObject(int row, void* object);

    // A dragged row or column.
    void MoveRow(int from, int to);
    void MoveColumn(int from, int to);

    // Sorts the rows by the visible columns with a sort order, in display order.
    void Sort();
    std::function<void(const TKGridColumnList& sortedColumns, int index1, int index2, int& result)>
        OnCompareRows;

    // Wanted fixed columns; reading gives the number in effect.
    int FixedCols() const;
    void SetFixedCols(int value);

    int DefaultColWidth() const { return DefaultWidth; }
    void SetDefaultColWidth(int value) { DefaultWidth = value; }
    // Templates for the columns' fonts while their Parent* flags are set.
    const TKFont& Font() const { return GridFont; }
    void SetFont(const TKFont& value);
    const TKFont& HeaderFont() const { return GridHeaderFont; }
    void SetHeaderFont(const TKFont& value);

private:
    friend class TKGridColumn;
    friend class TKGridColumns;

    TKGridColumn& CheckedCell(int col, int row) const;
    void CheckRow(int row) const;
    void RebuildVisibleColumns();
    void PlaceVisibleColumns();
    void NotifyColumnsAboutToChange();
    void NotifyColumnsChanged();
    void Renumber();
    void ColumnAdded(TKGridColumn& column);
    void ColumnRemoving(TKGridColumn& column);
    void ColumnLookChanged(const TKGridColumn& column);
    void ColumnWidthChanged(const TKGridColumn& column);
    void ColumnSortOrderChanged(TKGridColumn& column);
    void ColumnDisplayIndexChanged(TKGridColumn& column, int value);

    int CompareRows(const TKGridColumnList& sorted, int a, int b) const;
    void ExchangeRows(int a, int b);
    void QuickSort(const TKGridColumnList& sorted, int left, int right);

    TKGridObserver* Observer = nullptr;
    TKGridColumns AllColumns;
    TKGridColumnList ShownColumns;
    TKGridColumn* CurrentColumn = nullptr;
    std::vector<void*> RowObjects;
    int Rows = 0;
    int WantedFixedCols = 0;
    int DefaultWidth = 64;
    TKFont GridFont;
    TKFont GridHeaderFont;
};
