// The rules of the spreadsheet editor TFTableur without its widgets: how one
// table of a borehole becomes grid rows (the rows of one ouvrage and, for the
// technical tables, of one tube) and goes back into the table's columns by
// each column's kind letter, the bookkeeping of inserted and deleted rows, the
// automatic sort by depth, the change test, and the editing commands that act
// on the grid only (default texts, rows, clipboard text, coding, lexicon menus,
// the fill from the database).
//
// The sheet works on a TableurGrid: a string grid whose row 0 holds the column
// titles, with column widths. The window adapts its table widget; tests use
// MemoryTableurGrid.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/field_defs.h"
#include "store/grid_helpers.h"

class Canvas;
class TDirBlock;

// A string grid with widths, as the spreadsheet needs it.
class TableurGrid : public StringGrid {
public:
    virtual void SetColCount(int cols) = 0;
    virtual int ColWidth(int col) const = 0;
    virtual void SetColWidth(int col, int width) = 0;
    virtual int DefaultColWidth() const { return 32; }
    // The width of a text in the grid's font, in pixels.
    virtual int TextWidth(const std::string& text) const = 0;
};

// A grid in memory (tests and headless runs). Text widths are 7 pixels a
// character.
class MemoryTableurGrid final : public TableurGrid {
public:
    int ColCount() const override { return static_cast<int>(widths_.size()); }
    int RowCount() const override { return static_cast<int>(cells_.size()); }
    int FixedCols() const override { return 0; }
    int FixedRows() const override { return 1; }
    void SetRowCount(int rows) override;
    void SetColCount(int cols) override;
    std::string Cell(int col, int row) const override;
    void SetCell(int col, int row, const std::string& text) override;
    int ColWidth(int col) const override;
    void SetColWidth(int col, int width) override;
    int TextWidth(const std::string& text) const override;

private:
    std::vector<std::vector<std::string>> cells_{1};
    std::vector<int> widths_;
};

// A cell whose text cannot be stored: the save stops before anything of
// the table is written. Col is the grid column, Row the grid row (1 for the
// first data row); the message names both.
class TableurCellError : public std::runtime_error {
public:
    TableurCellError(int col, int row, const std::string& message)
        : std::runtime_error(message), Col(col), Row(row)
    {
    }
    int Col;
    int Row;
};

// One grid data row: the table row it shows and its "Sélection" value.
struct TableurRowEntry {
    std::int32_t TableRow = 0;
    std::int32_t Selected = 0;
};

// Seams to the parts of the program that the spreadsheet calls but that come
// from elsewhere. Each is empty until its part is installed; the editor then
// disables the controls that need it.
struct TableurServices {
    // The equipment schematic of a technical table, drawn from the grid so that
    // unsaved edits show at once.
    std::function<void(const std::string& table, Canvas& canvas, int width, int height, TDirBlock* borehole,
                       TDirBlock* tableDir, const std::string& designation, const TStructTable& defs,
                       const StringGrid& grid)>
        DrawEquipment;
    // The grid rows whose equipment regions of the last drawing hold the point,
    // in region order.
    std::function<std::vector<int>(int x, int y)> EquipmentRowsAt;
    // The stratigraphy chooser, shown modally: the chosen name, or nothing.
    std::function<std::optional<std::string>()> ChooseStrati;
    // The rule grid of the coding rules window: (Code, Description) per row
    // below its header.
    std::function<std::vector<std::pair<std::string, std::string>>()> CodingRuleRows;
    // The code list picker, filled with (code, "", description) lines: the
    // chosen line's code, or nothing.
    std::function<std::optional<std::string>(const std::vector<std::vector<std::string>>& lines)> PickCode;
    // The lexicon picker ("Identifiant", "Libellé"): the index of the chosen
    // line, or nothing.
    std::function<std::optional<int>(const std::vector<std::string>& codes, const std::vector<std::string>& labels)>
        PickLexicon;
    // Runs an SQL text on the program's database connection: one vector per
    // record, one text per column (nothing for null; floats as FloatToStr).
    // Failures raise.
    std::function<std::vector<std::vector<std::optional<std::string>>>(const std::string& sql)> RunQuery;
};
TableurServices& TableurSeams();

// What the cell pop-up offers for a column.
struct TableurLexicon {
    std::string Section;
    std::vector<std::string> Codes;
    std::vector<std::string> Labels;
};

// One item of the short lexicon menu: what it shows and the code it puts.
struct TableurMenuItem {
    std::string Caption;
    std::string Code;
};

class TableurSheet {
public:
    explicit TableurSheet(TableurGrid& grid) : Grid(grid) {}

    TableurGrid& Grid;
    std::string TableName;
    TDirBlock* TableDir = nullptr;
    TStructTable Defs;
    std::string Indice;
    std::string Designation;
    std::string TubeName;
    std::vector<TableurRowEntry> RowMap;
    std::vector<std::int32_t> DeletedRows;
    std::string DepthFromField;
    std::string DepthToField;
    std::string KindField;
    // The table row (counted from 1) to select after loading, -1 for none.
    std::int32_t RowToSelect = -1;
    bool Loading = false;
    bool RedrawImage = false;
    // Whether the "Sélectionner/désélectionner la ligne" item applies (Niveau).
    bool SelLigneVisible = false;

    // Called by the sheet; the window fills them in.
    std::function<void(int row)> SelectRowHook;          // select a whole grid row
    std::function<void()> ProcessEventsHook;             // let pending window messages run
    std::function<void(int row)> RepaintRowHook;

    bool IsNiveau() const { return TableName == "Niveau"; }
    // Definitions: the one named "Désign" is taken out; answers whether it was there.
    bool PrepareDefinitions();
    // The window caption of the opened table.
    std::string Caption(bool hadDesign) const;

    bool LoadGrid();
    // Raises TableurCellError, the table untouched, when a cell to be
    // written does not convert.
    void SaveGrid();
    bool HasChanges() const;
    // Whether the cell (data rows only) differs from the stored value.
    bool CellDiffers(int def, int gridRow) const;
    // Answers whether a row moved; `follow`, when given, is a grid row whose
    // texts are followed to where the sort puts them.
    bool SortByDepth(bool announce, int* follow = nullptr);
    void AddEmptyRow();
    void DeleteGridRow(int index);
    void InsertGridRow(int before, int index);
    bool RowIsEmpty(int gridRow) const;
    int ColumnOf(const std::string& path) const;
    void AutoSizeColumn(int col, int extra);
    // Drops a table left without column from its parent (drop-if-empty).
    void DropTableIfEmpty();

    // ---- editing commands ----
    // The text offered when the empty cell (col, row) is edited; "" for none.
    std::string DefaultEditText(int col, int row) const;
    // After the cell's text changed from oldText (the text when its editor
    // was opened). Answers whether anything followed.
    bool CellChanged(int col, int row, const std::string& oldText, bool sameCellAsLastEdit, bool autoCoding);
    // Rows after a click on a cell: the last row holding text gets an empty one after it.
    void EnsureEmptyLastRow(int currentRow);
    // Ctrl+N: a new empty row above the current one.
    void InsertRowAt(int gridRow);
    // Ctrl+Y: false (beep) when the current row is the last and empty.
    bool DeleteRowAt(int gridRow);
    // Selection mark toggle of the rows.
    void ToggleSelection(int firstRow, int lastRow);
    // Whether the coding controls apply (a Niveau table with Litho and CodeNiv).
    bool CodingColumnsPresent() const;
    // "Coder le forage" (allRows with the type test) or "Coder la sélection".
    int CodeRows(int firstRow, int lastRow, bool typeTest);

    std::string SelectionToText(const GridRect& rect) const;
    GridRect PasteText(const std::string& text, int col, int row);
    // Cut: the text of the rectangle, its cells emptied.
    std::string CutText(const GridRect& rect);
    // Puts a code into a column of the rows.
    void PutInRows(int col, int firstRow, int lastRow, const std::string& code);

    // The lexicon of the cell pop-up for a column (star lexicons read the cell
    // to the left on that row).
    TableurLexicon LexiconFor(int col, int row) const;
    static std::vector<TableurMenuItem> LexiconMenu(const TableurLexicon& lexicon);
    // The code list of the "CodeNiv" pop-up from the coding rules rows.
    static std::vector<std::vector<std::string>> CodeListLines(
        const std::vector<std::pair<std::string, std::string>>& rules);

    // ---- database ----
    // The sql.ini sections that fill this table, in file order.
    std::vector<std::string> SqlSectionsForTable() const;
    // The SELECT text of a section and the definition index of each result
    // column; an empty text when no key names a column.
    std::string BuildQuery(const std::string& section, std::vector<int>& columns) const;
    // The fill from the database: every matching section, rows continuing
    // across sections. Answers how many records the sections read, -1 when
    // sql.ini names no section of the table (that is told). With
    // `keepWhenNothingFound` (the button), no record at all leaves the grid as
    // it was, what the person typed included, and says so; the download
    // empties the mapped cells, as it decides for the whole ouvrage.
    int FillFromDatabase(bool keepWhenNothingFound = false);
    // One section from fillRow on; answers the next fill row.
    int QueryDatabase(const std::string& section, int fillRow);
    // The edition.ini code of a database text for a definition.
    std::string DatabaseValue(const TFieldDef& def, const std::string& text) const;

private:
    std::string StoredText(int def, int tableRow) const;
    void MoveRow(int from, int to);
    std::int32_t TableRowCount() const;
    void WriteRow(std::size_t index);
    void CheckCells() const;
};

// The texts of the editor.
// The database button when the database holds no record for the table.
std::string TableurNothingFoundText(const std::string& indice, const std::string& design, const std::string& table);
inline constexpr const char* kTableurChangedQuestion = "Il y a eu des modications.\nVoulez-vous les conserver ?";
inline constexpr const char* kTableurEditionTitle = "Edition";
