// Row handling and clipboard exchange shared by the program's editable string
// grids (coding rules, word lists, code models, table grids).
//
// The helpers work on a small grid interface so that the rules do not depend on
// a widget: the window side adapts its QTableWidget (see
// windows/table_widget_grid.h). The clipboard is passed in and out as text; the
// caller puts it on, or takes it from, the system clipboard.
#pragma once

#include <optional>
#include <string>

// A grid of text cells. Columns below FixedCols() and rows below FixedRows()
// are headers; the others are data cells. Cells outside the grid read as "".
class StringGrid {
public:
    virtual ~StringGrid() = default;
    virtual int ColCount() const = 0;
    virtual int RowCount() const = 0;
    virtual int FixedCols() const = 0;
    virtual int FixedRows() const = 0;
    // Grows or shrinks the grid at its end; new rows are blank.
    virtual void SetRowCount(int rows) = 0;
    virtual std::string Cell(int col, int row) const = 0;
    virtual void SetCell(int col, int row, const std::string& text) = 0;
};

// A rectangle of cells, edges included (Left..Right, Top..Bottom).
struct GridRect {
    int Left = 0;
    int Top = 0;
    int Right = -1;
    int Bottom = -1;
};

void GridClear(StringGrid& grid);
void GridClearRow(StringGrid& grid, int row);
// A row is empty when every non-fixed cell is empty once blanks and control
// characters are trimmed.
bool GridRowIsEmpty(const StringGrid& grid, int row);
void GridAddRow(StringGrid& grid);
void GridAddRows(StringGrid& grid, int count);
void GridEnsureEmptyLastRow(StringGrid& grid);
// Never leaves a grid without a data row: deleting them all keeps one blank row.
void GridDeleteRows(StringGrid& grid, int row, int count);
void GridDeleteRow(StringGrid& grid, int row);

// Clipboard text of a rectangle: cells separated by tabs, each line ended by
// CR LF at the rectangle's right edge. An empty rectangle gives "".
std::string GridCopyRect(const StringGrid& grid, const GridRect& rect);
std::string GridCopyRows(const StringGrid& grid, int first, int last);
// From the first data row to the last non-empty row; nothing at all (the
// clipboard keeps what it holds) when every row is empty.
std::optional<std::string> GridCopyAll(const StringGrid& grid);

// Pastes clipboard text from row `row` on, each line filling the columns from 1
// to the last in turn; `col` only guards (a column outside the grid pastes
// nothing). Appends the rows it needs and one blank row after them when the
// grid had to grow. Empty lines at the end are dropped; a short line leaves the
// rest of its row as it was. A line holding a tab is split at tabs only (so cells may hold "," or
// ";"); other lines are split at tabs, "," and ";".
void GridPasteText(StringGrid& grid, int col, int row, const std::string& text);
void GridPasteReplace(StringGrid& grid, const std::string& text);
