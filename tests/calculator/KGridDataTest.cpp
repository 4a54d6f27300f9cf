#include "calculator/KGridData.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

// A grid with the given captions as columns and one row per entry of rows,
// each entry giving the cells left to right.
struct GridFixture {
    TKGridData Grid;
    GridFixture(std::vector<std::string> captions, std::vector<std::vector<std::string>> rows)
    {
        for (const auto& caption : captions)
            Grid.Columns().Add().SetCaption(caption);
        for (const auto& row : rows) {
            Grid.AddRow();
            for (std::size_t c = 0; c < row.size(); ++c)
                Grid.SetCells(static_cast<int>(c), Grid.RowCount() - 1, row[c]);
        }
    }
    std::vector<std::string> Column(int col) const
    {
        std::vector<std::string> out;
        for (int r = 0; r < Grid.RowCount(); ++r)
            out.push_back(Grid.Cells(col, r));
        return out;
    }
};

std::string ErrorOf(auto action)
{
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

using Lines = std::vector<std::string>;

} // namespace

TEST(GridRows, EmptyStateAndRowCount)
{
    TKGridData grid;
    grid.Columns().Add();
    EXPECT_TRUE(grid.Empty());
    EXPECT_EQ(grid.RowCount(), 0);

    grid.AddRow();
    EXPECT_FALSE(grid.Empty());
    EXPECT_EQ(grid.RowCount(), 1);
    grid.DeleteRow(0);
    EXPECT_TRUE(grid.Empty());

    grid.SetRowCount(3);
    EXPECT_EQ(grid.RowCount(), 3);
    grid.SetCells(0, 2, "last");
    grid.SetRowCount(2);
    EXPECT_EQ(grid.RowCount(), 2);
    grid.SetRowCount(0);
    EXPECT_TRUE(grid.Empty());

    grid.AddRows(4);
    grid.Clear();
    EXPECT_TRUE(grid.Empty());
    EXPECT_EQ(grid.CellFlags(0, 0), 0u); // no error while empty
}

TEST(GridRows, InsertAndDeleteKeepCellsAndObjectsTogether)
{
    GridFixture f({"a", "b"}, {{"1", "x"}, {"2", "y"}, {"3", "z"}});
    int marker = 0;
    f.Grid.SetRowObject(1, &marker);

    f.Grid.InsertRow(1);
    EXPECT_EQ(f.Column(0), (Lines{"1", "", "2", "3"}));
    EXPECT_EQ(f.Grid.RowObject(1), nullptr);
    EXPECT_EQ(f.Grid.RowObject(2), &marker);
    EXPECT_EQ(f.Grid.CellFlags(1, 1), 0u);

    f.Grid.DeleteRows(0, 1);
    EXPECT_EQ(f.Column(1), (Lines{"y", "z"}));
    EXPECT_EQ(f.Grid.RowObject(0), &marker);

    f.Grid.InsertRow(f.Grid.RowCount()); // the end is a valid place
    EXPECT_EQ(f.Grid.RowCount(), 3);
}

TEST(GridRows, IndexFaultsAreRefused)
{
    GridFixture f({"a", "b"}, {{"1", "x"}, {"2", "y"}});
    TKGridData& g = f.Grid;
    struct Row {
        const char* name;
        std::function<void()> action;
        const char* message;
    };
    const Row rows[] = {
        {"read past last row", [&] { g.Cells(0, 2); }, "Wrong row index"},
        {"read negative row", [&] { g.Cells(0, -1); }, "Wrong row index"},
        {"read past last column", [&] { g.Cells(2, 0); }, "Wrong column index"},
        {"column checked before row", [&] { g.Cells(-1, 9); }, "Wrong column index"},
        {"write past last row", [&] { g.SetCells(0, 2, "v"); }, "Wrong row index"},
        {"flags past last column", [&] { g.CellFlags(2, 0); }, "Wrong column index"},
        {"set flags past last row", [&] { g.SetCellFlags(0, 5, 1); }, "Wrong row index"},
        {"insert past end", [&] { g.InsertRow(3); }, "Wrong row index"},
        {"insert negative", [&] { g.InsertRow(-1); }, "Wrong row index"},
        {"delete past end", [&] { g.DeleteRows(1, 2); }, "Wrong row index"},
        {"delete negative", [&] { g.DeleteRows(-1, 0); }, "Wrong row index"},
        {"row count negative", [&] { g.SetRowCount(-1); }, "Wrong row index"},
        {"negative display index", [&] { g.Columns()[0].SetDisplayIndex(-1); }, "Wrong column index"},
        {"row object past end", [&] { g.RowObject(2); }, "Wrong row index"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ErrorOf(row.action), row.message);
    }
    EXPECT_EQ(g.RowCount(), 2);

    g.DeleteRows(1, 0); // reversed: nothing happens
    EXPECT_EQ(g.RowCount(), 2);
}

TEST(GridCells, MultiLineFlagFollowsLineBreaks)
{
    GridFixture f({"a"}, {{""}});
    TKGridData& g = f.Grid;

    g.SetCells(0, 0, "a b");
    EXPECT_EQ(g.StoredText(0, 0), "\"a b\"");
    EXPECT_EQ(g.Cells(0, 0), "a b");
    EXPECT_EQ(g.CellFlags(0, 0), 0u);

    g.SetCells(0, 0, "x\r\ny");
    EXPECT_EQ(g.StoredText(0, 0), "x,y");
    EXPECT_EQ(g.Cells(0, 0), "x\r\ny");
    EXPECT_EQ(g.CellFlags(0, 0), cfMultiLine);

    // Clearing the flags cannot hide the line break; other bits are dropped.
    g.SetCellFlags(0, 0, cfButton | 0x80);
    EXPECT_EQ(g.CellFlags(0, 0), cfButton | cfMultiLine);

    g.SetCells(0, 0, "single");
    g.SetCellFlags(0, 0, cfLocked);
    EXPECT_EQ(g.CellFlags(0, 0), cfLocked);
}

TEST(GridColumns, DuplicateNameLeavesNameUnchanged)
{
    TKGridData grid;
    grid.Columns().Add().SetName("From");
    TKGridColumn& second = grid.Columns().Add();
    second.SetName("To");

    EXPECT_EQ(ErrorOf([&] { second.SetName("FROM"); }), "Column name \"FROM\" already exists");
    EXPECT_EQ(second.Name(), "To");
    EXPECT_EQ(ErrorOf([&] { second.SetName("to"); }), ""); // itself, case changed
    EXPECT_EQ(second.Name(), "to");
    second.SetName("");
    grid.Columns()[0].SetName(""); // many columns may be nameless
    EXPECT_EQ(grid.Columns().FindByName("from"), nullptr);
}

TEST(GridColumns, VisibleColumnsAndFixedCount)
{
    GridFixture f({"a", "b", "c"}, {{"1", "2", "3"}});
    TKGridData& g = f.Grid;
    EXPECT_EQ(g.ActiveColumn(), &g.Columns()[0]);

    g.Columns()[1].SetVisible(false);
    EXPECT_EQ(g.VisibleCount(), 2);
    EXPECT_EQ(g.Cells(1, 0), "3"); // visible column 1 is now "c"
    g.Columns()[1].SetVisible(true);
    EXPECT_EQ(g.Cells(1, 0), "2"); // back in its place

    g.Columns()[0].SetDisplayIndex(2);
    EXPECT_EQ(g.VisibleColumns()[2]->Caption(), "a");
    EXPECT_EQ(g.VisibleColumns()[0]->DisplayIndex(), 0);

    g.SetFixedCols(5);
    EXPECT_EQ(g.FixedCols(), 2);
    g.Columns()[0].SetVisible(false);
    g.Columns()[1].SetVisible(false);
    EXPECT_EQ(g.FixedCols(), 0); // one visible column: no fixed columns

    g.Columns().Delete(0);
    EXPECT_EQ(g.Columns().Count(), 2);
    EXPECT_EQ(g.ActiveColumn(), nullptr); // the deleted one was active
}

TEST(GridColumns, ParentFontsFollowTheGrid)
{
    TKGridData grid;
    TKGridColumn& own = grid.Columns().Add();
    TKGridColumn& inherited = grid.Columns().Add();
    EXPECT_TRUE(inherited.HeaderFont().Bold);
    EXPECT_EQ(inherited.Width(), 64);

    TKFont big;
    big.Size = 14;
    own.SetFont(big);
    EXPECT_FALSE(own.ParentFont());

    TKFont red;
    red.Color = 0x0000FF;
    grid.SetFont(red);
    EXPECT_EQ(inherited.Font(), red);
    EXPECT_EQ(own.Font(), big);
    own.SetParentFont(true);
    EXPECT_EQ(own.Font(), red);
}

TEST(GridSort, CaseInsensitiveBothWays)
{
    GridFixture f({"name"}, {{"b"}, {"A"}, {"c"}});
    f.Grid.Columns()[0].SetSortOrder(csAsc);
    f.Grid.Sort();
    EXPECT_EQ(f.Column(0), (Lines{"A", "b", "c"}));

    f.Grid.Columns()[0].SetSortOrder(csDsc);
    f.Grid.Sort();
    EXPECT_EQ(f.Column(0), (Lines{"c", "b", "A"}));
}

TEST(GridSort, SecondColumnBreaksTiesAndRowsMoveWhole)
{
    GridFixture f({"key", "tie", "hidden"},
                  {{"b", "2", "b2"}, {"a", "9", "a9"}, {"b", "1", "b1"}, {"a", "3", "a3"}});
    TKGridData& g = f.Grid;
    int objects[4] = {};
    for (int r = 0; r < 4; ++r)
        g.SetRowObject(r, &objects[r]);
    g.SetCellFlags(0, 2, cfLocked); // row "b1"
    g.Columns()[2].SetVisible(false);
    g.Columns()[0].SetSortOrder(csAsc);
    g.Columns()[1].SetSortOrder(csDsc);

    g.Sort();

    EXPECT_EQ(f.Column(0), (Lines{"a", "a", "b", "b"}));
    EXPECT_EQ(f.Column(1), (Lines{"9", "3", "2", "1"}));
    g.Columns()[2].SetVisible(true);
    EXPECT_EQ(f.Column(2), (Lines{"a9", "a3", "b2", "b1"}));
    EXPECT_EQ(g.RowObject(0), &objects[1]);
    EXPECT_EQ(g.RowObject(3), &objects[2]);
    EXPECT_EQ(g.CellFlags(0, 3), cfLocked);
}

TEST(GridSort, HandlerDecidesOnlyWhenAColumnIsSorted)
{
    GridFixture f({"n"}, {{"10"}, {"9"}, {"100"}});
    int calls = 0;
    f.Grid.OnCompareRows = [&](const TKGridColumnList& sorted, int a, int b, int& result) {
        ++calls;
        EXPECT_EQ(sorted.size(), 1u);
        double x = std::stod(f.Grid.Cells(0, a));
        double y = std::stod(f.Grid.Cells(0, b));
        result = x < y ? -1 : (x > y ? 1 : 0);
    };
    f.Grid.Sort(); // all rows equal: their order may change, nothing else
    EXPECT_EQ(calls, 0);

    f.Grid.Columns()[0].SetSortOrder(csAsc);
    f.Grid.Sort();
    EXPECT_GT(calls, 0);
    EXPECT_EQ(f.Column(0), (Lines{"9", "10", "100"}));
}

// A comparison that answers at random must neither run off the rows nor
// loop; the rows stay a permutation of what they were.
TEST(GridSort, InconsistentComparisonStaysInBounds)
{
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 200; ++i)
        rows.push_back({std::to_string(i)});
    GridFixture f({"n"}, rows);
    std::mt19937 random(7);
    f.Grid.Columns()[0].SetSortOrder(csAsc);
    f.Grid.OnCompareRows = [&](const TKGridColumnList&, int a, int b, int& result) {
        ASSERT_TRUE(a >= 0 && a < 200 && b >= 0 && b < 200);
        result = static_cast<int>(random() % 3) - 1;
    };
    f.Grid.Sort();
    auto column = f.Column(0);
    std::sort(column.begin(), column.end());
    auto expected = f.Column(0);
    for (int i = 0; i < 200; ++i)
        expected[static_cast<std::size_t>(i)] = std::to_string(i);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(column, expected);
}

TEST(GridSort, ManyRowsComeOutOrdered)
{
    std::vector<std::vector<std::string>> rows;
    std::mt19937 random(11);
    for (int i = 0; i < 500; ++i)
        rows.push_back({std::string(1, static_cast<char>('a' + random() % 5)) + std::to_string(random() % 50)});
    GridFixture f({"n"}, rows);
    f.Grid.Columns()[0].SetSortOrder(csAsc);
    f.Grid.Sort();
    auto column = f.Column(0);
    EXPECT_TRUE(std::is_sorted(column.begin(), column.end(),
                               [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; }));
}

TEST(GridMoves, RowAndColumnMoves)
{
    GridFixture f({"a", "b"}, {{"1", "x"}, {"2", "y"}, {"3", "z"}});
    int marker = 0;
    f.Grid.SetRowObject(0, &marker);
    f.Grid.MoveRow(0, 2);
    EXPECT_EQ(f.Column(0), (Lines{"2", "3", "1"}));
    EXPECT_EQ(f.Column(1), (Lines{"y", "z", "x"}));
    EXPECT_EQ(f.Grid.RowObject(2), &marker);
    f.Grid.MoveRow(2, 0);
    EXPECT_EQ(f.Column(0), (Lines{"1", "2", "3"}));

    f.Grid.MoveColumn(1, 0);
    EXPECT_EQ(f.Column(0), (Lines{"x", "y", "z"}));
    EXPECT_EQ(f.Grid.Columns()[1].DisplayIndex(), 0);
    EXPECT_EQ(ErrorOf([&] { f.Grid.MoveColumn(0, 2); }), "Wrong column index");
}

TEST(GridColumns, AssignmentCopiesProperties)
{
    TKGridData source;
    TKGridColumn& column = source.Columns().Add();
    column.SetCaption("From");
    column.SetName("from");
    column.SetReadOnly(true);
    column.SetWidth(150);
    TKGridData target;
    target.AddRows(2);
    target.Columns() = source.Columns();
    ASSERT_EQ(target.Columns().Count(), 1);
    EXPECT_EQ(target.Columns()[0].Caption(), "From");
    EXPECT_EQ(target.Columns()[0].Width(), 150);
    EXPECT_TRUE(target.Columns()[0].ReadOnly());
    EXPECT_EQ(target.Cells(0, 1), "");
}
