// Row handling and clipboard text of the string grids, on a real QTableWidget
// through the grid interface.
#include <gtest/gtest.h>

#include <QTableWidget>

#include "store/grid_helpers.h"
#include "store/windows/table_widget_grid.h"

namespace {

class GridHelpersTest : public ::testing::Test {
protected:
    // A grid like the code-model grid: a fixed first column and a fixed title row.
    void Make(int cols, int rows, int fixedCols = 1, int fixedRows = 1)
    {
        table.setColumnCount(cols);
        table.setRowCount(rows);
        grid = std::make_unique<TableWidgetGrid>(&table, fixedCols, fixedRows);
    }
    void Row(int row, std::initializer_list<const char*> cells)
    {
        int c = 0;
        for (const char* text : cells) grid->SetCell(c++, row, text);
    }
    std::string RowText(int row)
    {
        std::string s;
        for (int c = 0; c < grid->ColCount(); ++c) s += (c ? "|" : "") + grid->Cell(c, row);
        return s;
    }

    QTableWidget table;
    std::unique_ptr<TableWidgetGrid> grid;
};

TEST_F(GridHelpersTest, DeletingEveryDataRowKeepsOneBlankRow)
{
    Make(3, 4);
    Row(0, {"", "Code", "Motif"});
    Row(1, {"", "A", "1"});
    Row(2, {"", "B", "2"});
    Row(3, {"", "C", "3"});
    GridDeleteRows(*grid, 1, 10);
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(RowText(0), "|Code|Motif");
    EXPECT_TRUE(GridRowIsEmpty(*grid, 1));
    EXPECT_EQ(RowText(1), "||");
}

TEST_F(GridHelpersTest, DeletingRowsMovesTheRowsBelowUp)
{
    Make(3, 5);
    for (int r = 1; r < 5; ++r) Row(r, {"x", std::to_string(r).c_str(), "v"});
    GridDeleteRows(*grid, 2, 2);
    ASSERT_EQ(grid->RowCount(), 3);
    EXPECT_EQ(grid->Cell(1, 1), "1");
    EXPECT_EQ(grid->Cell(1, 2), "4");
    // A fixed row or a row outside the grid is never deleted.
    GridDeleteRow(*grid, 0);
    GridDeleteRow(*grid, 7);
    EXPECT_EQ(grid->RowCount(), 3);
}

TEST_F(GridHelpersTest, EmptinessIgnoresFixedCellsAndBlanks)
{
    Make(3, 2);
    Row(1, {"swatch", " \t", ""});
    EXPECT_TRUE(GridRowIsEmpty(*grid, 1));
    grid->SetCell(2, 1, "a");
    EXPECT_FALSE(GridRowIsEmpty(*grid, 1));
    GridEnsureEmptyLastRow(*grid);
    EXPECT_EQ(grid->RowCount(), 3);
    GridEnsureEmptyLastRow(*grid);
    EXPECT_EQ(grid->RowCount(), 3);
    GridClearRow(*grid, 1);
    EXPECT_EQ(RowText(1), "||");

    // A grid of its title row alone, even a blank one, gains a data row.
    Make(3, 1);
    GridEnsureEmptyLastRow(*grid);
    EXPECT_EQ(grid->RowCount(), 2);
}

TEST_F(GridHelpersTest, AddedRowsAreBlankEvenAfterAShrink)
{
    Make(2, 3, 0, 1);
    Row(2, {"old", "text"});
    grid->SetRowCount(2);
    GridAddRows(*grid, 2);
    EXPECT_EQ(grid->RowCount(), 4);
    EXPECT_EQ(RowText(2), "|");
}

TEST_F(GridHelpersTest, CopyingFullRowsGivesTabsAndLineEnds)
{
    Make(3, 3);
    Row(1, {"", "A", "1"});
    Row(2, {"", "B", "2"});
    EXPECT_EQ(GridCopyRows(*grid, 1, 2), "A\t1\r\nB\t2\r\n");
    EXPECT_EQ(GridCopyAll(*grid), "A\t1\r\nB\t2\r\n");
    EXPECT_EQ(GridCopyRect(*grid, GridRect{1, 2, 2, 1}), "");
}

TEST_F(GridHelpersTest, ANarrowRectangleStillEndsEachLine)
{
    Make(4, 3);
    Row(1, {"", "A", "B", "C"});
    Row(2, {"", "D", "E", "F"});
    EXPECT_EQ(GridCopyRect(*grid, GridRect{1, 1, 2, 2}), "A\tB\r\nD\tE\r\n");
}

TEST_F(GridHelpersTest, CopyAllStopsAtTheLastFilledRowAndGivesNothingWhenEmpty)
{
    Make(2, 5);
    // Nothing at all, not an empty text: the clipboard keeps what it holds.
    EXPECT_EQ(GridCopyAll(*grid), std::nullopt);
    Row(2, {"", "x"});
    EXPECT_EQ(GridCopyAll(*grid), "\r\nx\r\n");
}

TEST_F(GridHelpersTest, PastingSplitsForeignLinesAtCommasAndSemicolons)
{
    Make(4, 2);
    GridPasteReplace(*grid, "A;B,C\r\n");
    EXPECT_EQ(RowText(1), "|A|B|C");
}

TEST_F(GridHelpersTest, ACopiedRowWithCommasPastesBackUnchanged)
{
    Make(3, 3);
    Row(1, {"", "SABLE, ARGILE", "a;b"});
    const std::string clip = GridCopyRows(*grid, 1, 1);
    GridPasteText(*grid, 1, 2, clip);
    EXPECT_EQ(grid->Cell(1, 2), "SABLE, ARGILE");
    EXPECT_EQ(grid->Cell(2, 2), "a;b");
}

TEST_F(GridHelpersTest, PastingAddsTheRowsItNeeds)
{
    Make(3, 3);
    GridPasteText(*grid, 1, 2, "a\tb\r\nc\td\r\ne\tf\r\n\r\n  \r\n");
    EXPECT_EQ(grid->RowCount(), 6);
    EXPECT_EQ(RowText(2), "|a|b");
    EXPECT_EQ(RowText(4), "|e|f");
    EXPECT_TRUE(GridRowIsEmpty(*grid, 5));
}

TEST_F(GridHelpersTest, AShortLineLeavesTheRestOfTheRowAlone)
{
    Make(4, 2);
    Row(1, {"", "1", "2", "3"});
    GridPasteReplace(*grid, "X;;");
    EXPECT_EQ(RowText(1), "|X||3");
    GridPasteReplace(*grid, "\r\n\r\n");
    EXPECT_EQ(RowText(1), "|X||3");
}

TEST_F(GridHelpersTest, PastedRowsFillFromTheFirstDataColumnWhereverTheCursorStands)
{
    // Full rows pasted with the cursor in the last column land unshifted and
    // keep their last cells; a column outside the grid pastes nothing.
    Make(4, 2);
    GridPasteText(*grid, 3, 1, "p\tq\tr\r\ns\tt\tu\r\n");
    EXPECT_EQ(RowText(1), "|p|q|r");
    EXPECT_EQ(RowText(2), "|s|t|u");
    GridPasteText(*grid, 4, 1, "z");
    EXPECT_EQ(RowText(1), "|p|q|r");
}

TEST_F(GridHelpersTest, SelectionIsTheBoundingRectangle)
{
    Make(4, 4, 0, 0);
    EXPECT_LT(grid->Selection().Bottom, grid->Selection().Top);
    table.setRangeSelected(QTableWidgetSelectionRange(1, 1, 2, 2), true);
    const GridRect r = grid->Selection();
    EXPECT_EQ(r.Left, 1);
    EXPECT_EQ(r.Top, 1);
    EXPECT_EQ(r.Right, 2);
    EXPECT_EQ(r.Bottom, 2);
}

}  // namespace
