#pragma once
// What the column string grid's model, delegate, header, editor and painter
// see of the grid. The grid implements it; they include this header, never
// the grid's own, so the dependency runs from the grid to its helpers only.
#include "calculator/KGridData.h"

class QKeyEvent;
class QPainter;
class QRect;
class QString;
class QTableView;
class TKSGInplaceEdit;

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

// The look and behaviour behind the grid's getters and setters.
struct TKGridProperties {
    bool AutoSort = true;
    bool DefaultLook = false;
    TGridOptions Options = goFixedLines | goVertLine | goHorzLine;
    int DefaultRowHeight = 18;
    TColor Color = clWindow;
    TColor ActiveHeaderColor = clGray;
    TColor ActiveColColor = clNone;
    TColor ActiveRowColor = clInfoBk;
    TColor ActiveRowFontColor = clNone;
    TColor ActiveFixedColor = clGray;
    TColor FixedColor = clBtnFace;
    TColor HeaderColor = clBtnFace;
    TColor SelectedColor = clHighlight;
    TColor SelectedFontColor = clHighlightText;
    TKFont FixedFont;
    TKFont ActiveHeaderFont;
    TKFont ActiveFixedFont;
};

// Row indices are data rows, columns visible columns.
class TKGridHost {
public:
    // The grid as a view: the parent of the helpers and of the boxes their
    // failures show, and the holder of the current cell, focus and palette.
    virtual QTableView& View() = 0;
    virtual const QTableView& View() const = 0;
    virtual TKGridData& Data() = 0;
    virtual const TKGridData& Data() const = 0;
    virtual const TKGridProperties& GridProperties() const = 0;

    // The grid's events, passed on to their handlers when these are set.
    virtual void GetEditText(int col, int row, std::string& value) const = 0;
    virtual void SetEditText(int col, int row, const std::string& value) = 0;
    virtual void EditorSelectionChanged() = 0;
    virtual void GetCellProps(int col, int row, TKCellProperties& props) const = 0;
    virtual void DrawCell(QPainter& painter, int col, int row, const QRect& rect, TGridDrawState state) const = 0;
    virtual void DrawHeader(QPainter& painter, int col, const QRect& rect, TGridDrawState state) const = 0;

    // Editing in place: whether a cell takes an editor, and the ways an
    // editor ends (stored, cancelled, left by a key or by Tab).
    virtual bool CanEditShow(int col, int row) const = 0;
    virtual void CommitEditor(TKSGInplaceEdit& editor) = 0;
    virtual void CancelEditor(TKSGInplaceEdit& editor) = 0;
    virtual void LeaveEditor(TKSGInplaceEdit& editor, QKeyEvent& key) = 0;
    virtual void TabFromEditor(TKSGInplaceEdit& editor, bool forward) = 0;

    // A failure while painting: a box cannot be shown then, so the grid
    // shows it once the paint is over.
    virtual void ReportPaintError(const QString& message) noexcept = 0;

protected:
    ~TKGridHost() = default;
};
