#include "calculator/kstrgrid.h"
#include "calculator/KGridEditor.h"

#include "RecordingUi.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// A window with the grid (three columns of width 100) and a line edit to
// take the focus away.
class GridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Window = std::make_unique<QWidget>();
        Window->resize(420, 220);
        Grid = new TKStringGrid(Window.get());
        Grid->setGeometry(0, 0, 420, 180);
        Other = new QLineEdit(Window.get());
        Other->setGeometry(0, 190, 100, 24);
        Grid->SetOptions(Grid->Options() | goEditing);
        for (const char* caption : {"Value", "From", "To"}) {
            TKGridColumn& column = Grid->Columns().Add();
            column.SetCaption(caption);
            column.SetWidth(100);
        }
        Window->show();
        QApplication::setActiveWindow(Window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
        Grid->setFocus();
    }

    void Fill(const std::vector<Lines>& rows)
    {
        for (const Lines& row : rows) {
            Grid->AddRow();
            for (std::size_t c = 0; c < row.size(); ++c)
                Grid->SetCells(static_cast<int>(c), Grid->RowCount() - 1, row[c]);
        }
    }
    Lines Column(int col) const
    {
        Lines out;
        for (int r = 0; r < Grid->RowCount(); ++r)
            out.push_back(Grid->Cells(col, r));
        return out;
    }

    static void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
    }
    // One character at a time, to whichever widget has the focus then: the
    // first key opens the editor, the rest go into it.
    static void Type(const QString& text)
    {
        for (QChar c : text)
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
    }
    TKSGInplaceEdit* Editor() const
    {
        for (auto* editor : Grid->viewport()->findChildren<TKSGInplaceEdit*>())
            if (editor->isVisible())
                return editor;
        return nullptr;
    }

    QRect CellRect(int col, int row) const { return Grid->visualRect(Grid->model()->index(row, col)); }
    void ClickCell(int col, int row)
    {
        QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, CellRect(col, row).center());
    }
    void ClickHeader(int col)
    {
        QPoint at(Grid->columnViewportPosition(col) + Grid->columnWidth(col) / 2, 8);
        QTest::mouseClick(Grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, at);
    }

    QImage Render() const
    {
        QImage image(Grid->size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        Grid->render(&image);
        return image;
    }
    // A point inside a data cell, in the grid's own coordinates.
    QPoint InCell(int col, int row) const
    {
        QRect r = CellRect(col, row);
        return Grid->viewport()->mapTo(Grid, QPoint(r.right() - 4, r.top() + 3));
    }
    QRect HeaderRect(int col) const
    {
        QPoint topLeft = Grid->horizontalHeader()->viewport()->mapTo(Grid, QPoint(Grid->columnViewportPosition(col), 0));
        return QRect(topLeft, QSize(Grid->columnWidth(col), Grid->horizontalHeader()->height()));
    }
    QColor Palette(QPalette::ColorRole role) const { return Grid->palette().color(role); }

    std::unique_ptr<QWidget> Window;
    TKStringGrid* Grid = nullptr; // owned by Window
    QLineEdit* Other = nullptr;   // owned by Window
};

// Widths of the silver arrow's rows in a header cell, top to bottom.
std::vector<int> ArrowRows(const QImage& image, const QRect& header)
{
    std::vector<int> rows;
    for (int y = header.top(); y < header.top() + header.height(); ++y) {
        int width = 0;
        for (int x = header.right() - 23; x <= header.right(); ++x)
            if (image.pixelColor(x, y) == QColor(0xC0, 0xC0, 0xC0))
                ++width;
        if (width > 0)
            rows.push_back(width);
    }
    return rows;
}

enum class TArrow { None, Up, Down };
TArrow ArrowIn(const QImage& image, const QRect& header)
{
    std::vector<int> rows = ArrowRows(image, header);
    if (rows.size() < 2)
        return TArrow::None;
    return rows.front() < rows.back() ? TArrow::Up : TArrow::Down;
}

} // namespace

TEST_F(GridTest, EmptyGridShowsOneBlankRow)
{
    EXPECT_EQ(Grid->RowCount(), 0);
    EXPECT_EQ(Grid->model()->rowCount(), 1);
    EXPECT_EQ(Grid->ActiveRow(), -1);
    EXPECT_EQ(Grid->ActiveCol(), 0);

    Grid->AddRow();
    EXPECT_EQ(Grid->RowCount(), 1);
    EXPECT_EQ(Grid->model()->rowCount(), 1);
    EXPECT_EQ(Grid->ActiveRow(), 0);

    Grid->SetRowCount(3);
    EXPECT_EQ(Grid->model()->rowCount(), 3);
    Grid->SetActiveRow(2);
    EXPECT_EQ(Grid->ActiveRow(), 2);

    Grid->DeleteRows(0, 2);
    EXPECT_TRUE(Grid->Empty());
    EXPECT_EQ(Grid->model()->rowCount(), 1);
    EXPECT_EQ(Grid->ActiveRow(), -1);
    Grid->SetActiveRow(5); // ignored while empty
}

TEST_F(GridTest, ActiveColumnNeedsColumns)
{
    TKStringGrid bare;
    try {
        bare.SetActiveCol(0);
        FAIL() << "no error";
    } catch (const EKGridError& e) {
        EXPECT_STREQ(e.what(), "Column list is empty");
    }
    EXPECT_EQ(bare.ActiveCol(), -1);
}

TEST_F(GridTest, HeaderClicksCycleTheSortOrder)
{
    Fill({{"b", "1"}, {"A", "3"}, {"c", "2"}});
    Grid->Columns()[1].SetSortOrder(csDsc); // sorts at once under AutoSort
    EXPECT_EQ(Column(1), (Lines{"3", "2", "1"}));
    EXPECT_EQ(ArrowIn(Render(), HeaderRect(1)), TArrow::Down);

    std::vector<int> clicks;
    Grid->OnHeaderClick = [&](int col) { clicks.push_back(col); };

    ClickHeader(0);
    EXPECT_EQ(Grid->Columns()[0].SortOrder(), csAsc);
    EXPECT_EQ(Grid->Columns()[1].SortOrder(), csNone);
    EXPECT_EQ(Column(0), (Lines{"A", "b", "c"}));
    EXPECT_EQ(Column(1), (Lines{"3", "1", "2"})); // rows moved whole
    QImage image = Render();
    EXPECT_EQ(ArrowIn(image, HeaderRect(0)), TArrow::Up);
    EXPECT_EQ(ArrowIn(image, HeaderRect(1)), TArrow::None);

    ClickHeader(0);
    EXPECT_EQ(Grid->Columns()[0].SortOrder(), csDsc);
    EXPECT_EQ(Column(0), (Lines{"c", "b", "A"}));
    EXPECT_EQ(ArrowIn(Render(), HeaderRect(0)), TArrow::Down);

    ClickHeader(0);
    EXPECT_EQ(Grid->Columns()[0].SortOrder(), csAsc);
    EXPECT_EQ(Column(0), (Lines{"A", "b", "c"}));
    EXPECT_EQ(clicks, (std::vector<int>{0, 0, 0}));
}

TEST_F(GridTest, HeaderClickWithoutAutoSortOnlyReports)
{
    Fill({{"b"}, {"a"}});
    Grid->SetAutoSort(false);
    int clicked = -1;
    Grid->OnHeaderClick = [&](int col) { clicked = col; };
    ClickHeader(2);
    EXPECT_EQ(clicked, 2);
    EXPECT_EQ(Grid->Columns()[2].SortOrder(), csNone);
    EXPECT_EQ(Column(0), (Lines{"b", "a"}));
    EXPECT_EQ(Grid->ActiveCol(), 0); // a header press selects nothing
}

TEST_F(GridTest, CommittedEditsAreReportedAndEscapeIsNot)
{
    Fill({{"", "", ""}, {"", "", ""}});
    std::vector<std::string> stored;
    std::vector<std::string> cancelled;
    Grid->OnSetEditText = [&](int col, int row, const std::string& value) {
        // Reported before the cell is written.
        stored.push_back(std::to_string(col) + ":" + std::to_string(row) + "=" + value + "/" + Grid->Cells(col, row));
    };
    Grid->OnCancelEdit = [&](int, int, const std::string& value) { cancelled.push_back(value); };

    Type("12");
    ASSERT_NE(Editor(), nullptr);
    Key(Qt::Key_Return);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(Grid->Cells(0, 0), "12");
    EXPECT_EQ(stored, (Lines{"0:0=12/"}));

    Type("99");
    Key(Qt::Key_Escape);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(Grid->Cells(0, 0), "12");
    EXPECT_EQ(stored.size(), 1u);
    EXPECT_EQ(cancelled, (Lines{"12"}));

    Grid->SetCells(0, 0, "set by program");
    EXPECT_EQ(stored.size(), 1u);

    Key(Qt::Key_Down);
    Type("7");
    Other->setFocus(); // leaving the grid stores the text
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(Grid->Cells(0, 1), "7");
    EXPECT_EQ(stored.back(), "0:1=7/");

    Grid->setFocus();
    Key(Qt::Key_F2);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->Text(), "7");
    Type("8");
    Key(Qt::Key_Up); // a one-line editor leaves the cell, storing it
    EXPECT_EQ(Grid->Cells(0, 1), "8");
    EXPECT_EQ(Grid->ActiveRow(), 0);
}

TEST_F(GridTest, KeysTypedRightAfterAClickReachTheEditor)
{
    Fill({{"1", "", ""}, {"2", "", ""}, {"3", "", ""}});
    struct TRow {
        const char* Name;
        int Col, Row;
    };
    // A cell clicked a second time is already the current, selected one.
    const TRow rows[] = {
        {"another cell", 1, 0}, {"the current cell", 1, 0}, {"a cell with text", 0, 2},
        {"the current cell with text", 0, 2}, {"one row down", 0, 1}, {"again", 0, 1},
    };
    int typed = 10;
    for (int round = 0; round < 3; ++round) {
        for (const TRow& row : rows) {
            SCOPED_TRACE(row.Name);
            const std::string text = std::to_string(++typed) + "5";
            ClickCell(row.Col, row.Row);
            QApplication::processEvents(); // the click is over before the key arrives
            Type(QString::fromStdString(text));
            Key(Qt::Key_Return);
            EXPECT_EQ(Editor(), nullptr);
            QApplication::processEvents(); // the closed editor is gone before the next click
            EXPECT_EQ(Grid->Cells(row.Col, row.Row), text);
        }
    }
}

TEST_F(GridTest, EditTextPassesTheHandler)
{
    Fill({{"stored"}});
    Grid->OnGetEditText = [](int, int, std::string& value) { value = "[" + value + "]"; };
    Key(Qt::Key_F2);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->Text(), "[stored]");
    EXPECT_EQ(Editor()->textCursor().selectedText(), "[stored]");
}

// A handler that walks the current cell along the row and appends a row at
// the end, as a table typed row by row needs.
TEST_F(GridTest, HandlerMayMoveTheCurrentCellWhileStoring)
{
    Grid->AddRow();
    Grid->OnSetEditText = [&](int col, int row, const std::string&) {
        if (col < 2) {
            Grid->SetActiveCol(col + 1);
            return;
        }
        if (row == Grid->RowCount() - 1)
            Grid->AddRow();
        Grid->SetActiveCol(0);
        Grid->SetActiveRow(row + 1);
    };
    for (const char* text : {"1", "0", "10", "2", "20", "30"}) {
        Type(text);
        Key(Qt::Key_Return);
    }
    EXPECT_EQ(Grid->RowCount(), 3);
    EXPECT_EQ(Column(0), (Lines{"1", "2", ""}));
    EXPECT_EQ(Column(2), (Lines{"10", "30", ""}));
    EXPECT_EQ(Grid->ActiveRow(), 2);
    EXPECT_EQ(Grid->ActiveCol(), 0);
}

TEST_F(GridTest, CtrlEnterMakesAMultiLineCell)
{
    Fill({{"", "", ""}});
    Key(Qt::Key_Return, Qt::ControlModifier);
    TKSGInplaceEdit* editor = Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->MultiLine());
    EXPECT_EQ(editor->height(), 100);
    Type("x");
    Key(Qt::Key_Return); // a line break, not the end of editing
    Type("y");
    ASSERT_NE(Editor(), nullptr);
    Key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(Grid->Cells(0, 0), "x\r\ny");
    EXPECT_EQ(Grid->Data().StoredText(0, 0), "x,y");
    EXPECT_EQ(Grid->CellFlags(0, 0), cfMultiLine);
}

TEST_F(GridTest, LockedCellsTakeNoEditor)
{
    Fill({{"keep", "", ""}});
    Grid->SetCellFlags(0, 0, cfLocked);
    Key(Qt::Key_Return);
    EXPECT_EQ(Editor(), nullptr);
    Type("5");
    EXPECT_EQ(Editor(), nullptr);
    QTest::mouseDClick(Grid->viewport(), Qt::LeftButton, {}, CellRect(0, 0).center());
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_EQ(Grid->Cells(0, 0), "keep");

    Grid->Columns()[1].SetReadOnly(true);
    Grid->SetActiveCol(1);
    Type("5");
    EXPECT_EQ(Editor(), nullptr);
}

TEST_F(GridTest, ButtonCellShowsItsButtonWhileCurrent)
{
    Fill({{"", "", ""}, {"", "", ""}});
    Grid->SetCellFlags(2, 0, cfButton);
    int clicks = 0;
    Grid->OnButtonClick = [&] { ++clicks; };
    QToolButton* button = Grid->CellButton();
    EXPECT_FALSE(button->isVisible());

    Grid->SetActiveCol(2);
    ASSERT_TRUE(button->isVisible());
    QRect cell = CellRect(2, 0);
    EXPECT_EQ(button->height(), cell.height() - 2);
    EXPECT_EQ(button->width(), button->height());
    EXPECT_TRUE(cell.contains(button->geometry()));
    EXPECT_EQ(button->text(), QString::fromUtf8("\u00B7\u00B7\u00B7"));

    Key(Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(Editor(), nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2);

    Key(Qt::Key_Down);
    EXPECT_FALSE(button->isVisible());
    Key(Qt::Key_Up);
    EXPECT_TRUE(button->isVisible());

    // A handler that takes the flag away hides the button.
    Grid->OnButtonClick = [&] { Grid->SetCellFlags(2, 0, 0); };
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(button->isVisible());

    Grid->Columns()[2].SetWidth(10); // narrower than the button
    Grid->SetCellFlags(2, 0, cfButton);
    EXPECT_FALSE(button->isVisible());
}

TEST_F(GridTest, ActiveRowAndHeaderColours)
{
    Fill({{"a", "b", "c"}, {"d", "e", "f"}});
    Grid->SetActiveCol(1);
    QImage image = Render();
    const QColor infoBk = Palette(QPalette::ToolTipBase);
    const QColor window = Palette(QPalette::Base);
    ASSERT_NE(infoBk, window);

    EXPECT_EQ(image.pixelColor(InCell(0, 0)), infoBk);
    EXPECT_EQ(image.pixelColor(InCell(1, 0)), infoBk); // the current cell too
    EXPECT_EQ(image.pixelColor(InCell(0, 1)), window);
    EXPECT_EQ(image.pixelColor(HeaderRect(1).center() + QPoint(40, 0)), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(image.pixelColor(HeaderRect(0).center() + QPoint(40, 0)), Palette(QPalette::Button));

    Key(Qt::Key_Down); // only the highlight moves
    image = Render();
    EXPECT_EQ(image.pixelColor(InCell(0, 0)), window);
    EXPECT_EQ(image.pixelColor(InCell(2, 1)), infoBk);

    Grid->SetActiveColColor(0x00FF00);
    image = Render();
    EXPECT_EQ(image.pixelColor(InCell(1, 0)), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(InCell(1, 1)), infoBk); // the active row wins

    Grid->SetOptions(Grid->Options() | goRowSelect);
    image = Render();
    EXPECT_EQ(image.pixelColor(InCell(0, 1)), Palette(QPalette::Highlight));

    Grid->SetDefaultLook(true);
    Grid->SetActiveColColor(clNone);
    image = Render();
    EXPECT_EQ(image.pixelColor(InCell(0, 1)), window);
    EXPECT_EQ(image.pixelColor(InCell(0, 0)), window);
}

TEST_F(GridTest, CellPropertiesHandlerColoursCells)
{
    Fill({{"a", "b", "c"}, {"d", "e", "f"}});
    Grid->OnGetCellProps = [](int col, int row, TKCellProperties& props) {
        if (col == 2 && row == 1)
            props.Color = 0x0000FF; // red
    };
    Grid->Columns()[0].SetColor(0xFF0000); // blue
    QImage image = Render();
    EXPECT_EQ(image.pixelColor(InCell(2, 1)), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(InCell(0, 1)), QColor(0, 0, 255));
}

TEST_F(GridTest, CellTextIsDrawnAligned)
{
    Fill({{"WWWW", "WWWW", "WWWW"}, {"", "", ""}});
    Grid->Columns()[1].SetAlignment(taRightJustify);
    Grid->Columns()[2].SetAlignment(taCenter);
    Grid->SetActiveRow(1);
    QImage image = Render();
    auto inkSpan = [&](int col) {
        QRect r = CellRect(col, 0);
        QPoint origin = Grid->viewport()->mapTo(Grid, r.topLeft());
        const QColor back = image.pixelColor(origin + QPoint(1, 1));
        int first = -1, last = -1;
        for (int x = 0; x < r.width() - 1; ++x)
            for (int y = 1; y < r.height() - 1; ++y)
                if (image.pixelColor(origin + QPoint(x, y)) != back) {
                    if (first < 0)
                        first = x;
                    last = x;
                }
        return std::pair(first, r.width() - 1 - last);
    };
    auto [leftMargin, leftRest] = inkSpan(0);
    EXPECT_GE(leftMargin, 3);
    EXPECT_LE(leftMargin, 4);
    auto [rightRest, rightMargin] = inkSpan(1);
    EXPECT_LE(rightMargin, 5);
    EXPECT_GT(rightRest, rightMargin);
    auto [centreLeft, centreRight] = inkSpan(2);
    EXPECT_LE(std::abs(centreLeft - centreRight), 3);
}

TEST_F(GridTest, SelectCellHandlerCanRefuse)
{
    Fill({{"a"}, {"b"}, {"c"}});
    Grid->OnSelectCell = [](int, int row, bool& canSelect) { canSelect = row != 2; };
    Key(Qt::Key_Down);
    EXPECT_EQ(Grid->ActiveRow(), 1);
    Key(Qt::Key_Down);
    EXPECT_EQ(Grid->ActiveRow(), 1);
    ClickCell(0, 2);
    EXPECT_EQ(Grid->ActiveRow(), 1);
    ClickCell(1, 0);
    EXPECT_EQ(Grid->ActiveRow(), 0);
    EXPECT_EQ(Grid->ActiveCol(), 1);
}

TEST_F(GridTest, ActiveColumnChangesAreReported)
{
    Fill({{"a", "b", "c"}});
    std::vector<std::string> changes;
    Grid->OnActiveColChanged = [&](TKGridColumn* old, TKGridColumn* now) {
        changes.push_back((old ? old->Caption() : "-") + ">" + (now ? now->Caption() : "-"));
    };
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right); // already at the last column
    EXPECT_EQ(changes, (Lines{"Value>From", "From>To"}));
    EXPECT_EQ(Grid->ActiveColumn(), &Grid->Columns()[2]);
}

TEST_F(GridTest, FixedColumnsAreNotSelectable)
{
    Fill({{"1", "a", "x"}, {"2", "b", "y"}});
    Grid->SetFixedCols(1);
    EXPECT_EQ(Grid->FixedCols(), 1);
    EXPECT_EQ(Grid->ActiveCol(), 1);
    ClickCell(0, 1);
    EXPECT_EQ(Grid->ActiveCol(), 1);
    EXPECT_EQ(Grid->ActiveRow(), 0);
    Key(Qt::Key_Left);
    EXPECT_EQ(Grid->ActiveCol(), 1);

    QImage image = Render();
    EXPECT_EQ(image.pixelColor(InCell(0, 0)), QColor(0x80, 0x80, 0x80)); // active fixed
    EXPECT_EQ(image.pixelColor(InCell(0, 1)), Palette(QPalette::Button));

    Grid->SetFixedCols(7);
    EXPECT_EQ(Grid->FixedCols(), 2);
}

TEST_F(GridTest, RowsDragFromAFixedColumn)
{
    Fill({{"1", "a"}, {"2", "b"}, {"3", "c"}});
    Grid->SetFixedCols(1);
    Grid->SetOptions(Grid->Options() | goRowMoving);
    std::vector<std::pair<int, int>> moves;
    Grid->OnRowMoved = [&](int from, int to) { moves.emplace_back(from, to); };
    QTest::mousePress(Grid->viewport(), Qt::LeftButton, {}, CellRect(0, 0).center());
    QTest::mouseMove(Grid->viewport(), CellRect(0, 2).center());
    QTest::mouseRelease(Grid->viewport(), Qt::LeftButton, {}, CellRect(0, 2).center());
    EXPECT_EQ(Column(1), (Lines{"b", "c", "a"}));
    EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{0, 2}}));
}

TEST_F(GridTest, ColumnWidthsFollowBothWays)
{
    Grid->Columns()[1].SetWidth(150);
    EXPECT_EQ(Grid->columnWidth(1), 150);
    Grid->SetOptions(Grid->Options() | goColSizing);
    Grid->horizontalHeader()->resizeSection(0, 80); // as a drag of the border does
    EXPECT_EQ(Grid->Columns()[0].Width(), 80);

    Grid->Columns()[0].SetVisible(false);
    EXPECT_EQ(Grid->model()->columnCount(), 2);
    EXPECT_EQ(Grid->columnWidth(0), 150);
}

TEST_F(GridTest, ContextPopupFromTheKeyboardUsesTheCurrentCell)
{
    Fill({{"a", "b"}, {"c", "d"}});
    Grid->SetActiveRow(1);
    Grid->SetActiveCol(1);
    QPoint reported;
    Grid->OnContextPopup = [&](int x, int y) { reported = QPoint(x, y); };
    QContextMenuEvent keyboard(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
    QApplication::sendEvent(Grid->viewport(), &keyboard);
    EXPECT_EQ(reported, Grid->viewport()->mapToGlobal(CellRect(1, 1).topLeft()));

    QContextMenuEvent mouse(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(305, 405));
    QApplication::sendEvent(Grid->viewport(), &mouse);
    EXPECT_EQ(reported, QPoint(305, 405));
}

TEST_F(GridTest, SelectionChangesInTheEditorAreReported)
{
    Fill({{"abcdef"}});
    int changes = 0;
    Grid->OnSelChange = [&] { ++changes; };
    Key(Qt::Key_F2); // opens with everything selected
    ASSERT_NE(Editor(), nullptr);
    Key(Qt::Key_End);
    EXPECT_EQ(changes, 1);
    Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(changes, 2);
    Key(Qt::Key_Escape);
}

TEST_F(GridTest, HandlerFailuresAreShownNotThrownThroughQt)
{
    auto [ui, guard] = RecordingUi::Install();
    Fill({{"", "", ""}});
    Grid->OnSetEditText = [](int, int, const std::string&) { throw EKGridError("Wrong row index"); };
    Type("4");
    Key(Qt::Key_Return);
    ASSERT_EQ(ui->Messages.size(), 1u);
    EXPECT_EQ(ui->Messages[0].Caption, "Error");
    EXPECT_EQ(ui->Messages[0].Text, "Wrong row index");
    EXPECT_EQ(ui->Messages[0].Icon, TMsgIcon::Error);
    EXPECT_EQ(Editor(), nullptr);

    // A failing paint is reported once, after the paint.
    Grid->OnGetCellProps = [](int, int, TKCellProperties&) { throw EKGridError("paint failed"); };
    Render();
    Render();
    QCoreApplication::processEvents();
    ASSERT_EQ(ui->Messages.size(), 2u);
    EXPECT_EQ(ui->Messages[1].Text, "paint failed");
}

TEST_F(GridTest, MultiLineEditorGrowsUpwardsAtTheBottom)
{
    Grid->SetRowCount(12);
    int last = Grid->rowAt(Grid->viewport()->height() - 2);
    ASSERT_GT(last, 3);
    Grid->SetCells(0, last, "a\r\nb");
    Grid->SetActiveRow(last);
    Key(Qt::Key_F2);
    TKSGInplaceEdit* editor = Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->MultiLine());
    QRect cell = CellRect(0, last);
    EXPECT_EQ(editor->height(), 100);
    EXPECT_EQ(editor->geometry().bottom(), cell.bottom()) << cell.top() << " " << cell.height() << " " << editor->geometry().top();
    EXPECT_EQ(editor->Text(), "a\r\nb");
    Key(Qt::Key_Escape);
}

TEST_F(GridTest, DraggedHeaderMovesTheColumn)
{
    Fill({{"1", "2", "3"}});
    Grid->SetOptions(Grid->Options() | goColMoving);
    std::vector<std::pair<int, int>> moves;
    Grid->OnColumnMoved = [&](int from, int to) { moves.emplace_back(from, to); };
    Grid->horizontalHeader()->moveSection(0, 2); // as a drag of the header does
    QCoreApplication::processEvents();
    EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{0, 2}}));
    EXPECT_EQ(Grid->Cells(0, 0), "2");
    EXPECT_EQ(Grid->Cells(2, 0), "1");
    EXPECT_EQ(Grid->VisibleColumns()[2]->Caption(), "Value");
    EXPECT_EQ(Grid->horizontalHeader()->visualIndex(0), 0);
}
