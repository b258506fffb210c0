#include "store/grid_helpers.h"

#include <algorithm>
#include <vector>

#include "platform/base/text_codec.h"

void GridClear(StringGrid& grid)
{
    grid.SetRowCount(grid.FixedRows() + 1);
    GridClearRow(grid, grid.FixedRows());
}

void GridClearRow(StringGrid& grid, int row)
{
    if (row < 0 || row >= grid.RowCount()) return;
    for (int c = 0; c < grid.ColCount(); ++c) grid.SetCell(c, row, std::string());
}

bool GridRowIsEmpty(const StringGrid& grid, int row)
{
    for (int c = grid.FixedCols(); c < grid.ColCount(); ++c)
        if (!TrimView(grid.Cell(c, row)).empty()) return false;
    return true;
}

void GridAddRow(StringGrid& grid)
{
    GridAddRows(grid, 1);
}

void GridAddRows(StringGrid& grid, int count)
{
    if (count <= 0) return;
    const int first = grid.RowCount();
    grid.SetRowCount(first + count);
    // A widget may keep the texts of rows it dropped earlier: blank the new ones.
    for (int r = first; r < first + count; ++r) GridClearRow(grid, r);
}

void GridEnsureEmptyLastRow(StringGrid& grid)
{
    const int last = grid.RowCount() - 1;
    if (last < grid.FixedRows() || !GridRowIsEmpty(grid, last)) GridAddRow(grid);
}

void GridDeleteRows(StringGrid& grid, int row, int count)
{
    const int rows = grid.RowCount();
    if (row < grid.FixedRows() || row >= rows || count <= 0) return;
    count = std::min(count, rows - row);
    if (rows - count <= grid.FixedRows()) {
        // Deleting every data row: the grid keeps one blank data row.
        GridClear(grid);
        return;
    }
    for (int r = row; r + count < rows; ++r)
        for (int c = 0; c < grid.ColCount(); ++c) grid.SetCell(c, r, grid.Cell(c, r + count));
    grid.SetRowCount(rows - count);
}

void GridDeleteRow(StringGrid& grid, int row)
{
    GridDeleteRows(grid, row, 1);
}

std::string GridCopyRect(const StringGrid& grid, const GridRect& rect)
{
    std::string text;
    if (rect.Bottom < rect.Top || rect.Right < rect.Left) return text;
    for (int r = rect.Top; r <= rect.Bottom; ++r) {
        for (int c = rect.Left; c <= rect.Right; ++c) {
            text += grid.Cell(c, r);
            // The rectangle's own right edge ends the line, so that a copy of
            // some columns still gives one line per row.
            if (c == rect.Right || c == grid.ColCount() - 1) {
                text += "\r\n";
                break;
            }
            text += '\t';
        }
    }
    return text;
}

std::string GridCopyRows(const StringGrid& grid, int first, int last)
{
    return GridCopyRect(grid, GridRect{grid.FixedCols(), first, grid.ColCount() - 1, last});
}

std::optional<std::string> GridCopyAll(const StringGrid& grid)
{
    int last = grid.RowCount() - 1;
    while (last >= grid.FixedRows() && GridRowIsEmpty(grid, last)) --last;
    if (last < grid.FixedRows()) return std::nullopt;
    return GridCopyRows(grid, grid.FixedRows(), last);
}

namespace {

// Lines as the clipboard text holds them: CR LF, LF or a lone CR end a line; a
// text that ends with a line end has no empty line after it.
std::vector<std::string> SplitClipboardLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            lines.push_back(line);
            line.clear();
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += ch;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace

void GridPasteText(StringGrid& grid, int col, int row, const std::string& text)
{
    if (col >= grid.ColCount()) return;
    row = std::max(row, grid.FixedRows());
    std::vector<std::string> lines = SplitClipboardLines(text);
    while (!lines.empty() && TrimView(lines.back()).empty()) lines.pop_back();
    if (lines.empty()) return;
    const int needed = static_cast<int>(lines.size()) + row + 1;
    if (needed > grid.RowCount()) GridAddRows(grid, needed - grid.RowCount());

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        // Our own copies separate cells by tabs: such a line keeps its commas and
        // semicolons inside the cells. Lines from elsewhere may use "," or ";".
        const bool tabsOnly = line.find('\t') != std::string::npos;
        const char* separators = tabsOnly ? "\t" : "\t,;";
        std::size_t pos = 0;
        bool left = !line.empty();
        // A pasted row always fills the grid from its first data column, wherever
        // the cursor stands: full rows copied elsewhere come back in place.
        for (int c = 1; c < grid.ColCount() && left; ++c) {
            const std::size_t sep = line.find_first_of(separators, pos);
            if (sep == std::string::npos) {
                grid.SetCell(c, row + static_cast<int>(i), line.substr(pos));
                left = false;
            } else {
                grid.SetCell(c, row + static_cast<int>(i), line.substr(pos, sep - pos));
                pos = sep + 1;
                left = pos < line.size();
            }
        }
    }
}

void GridPasteReplace(StringGrid& grid, const std::string& text)
{
    GridPasteText(grid, grid.FixedCols(), grid.FixedRows(), text);
}
