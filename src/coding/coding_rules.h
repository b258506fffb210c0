// The coding rules (Descriptions.csv) and the coder's word lists (Noms.csv,
// Adjectifs.csv, Inhibiteurs.csv, Activateurs.csv) of the program folder, as
// the rules dialog and the word-list dialog edit them, without widgets.
//
// Each file is one record per line, fields separated by ";", CR LF line ends,
// no header. Cells are held in in-memory grids (row 0 is the header row, the
// rules grid has a fixed column 0); the windows only show them. Saving writes
// a temporary file in the same folder and renames it over the old one, then
// asks the coding library to read its files again.
#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/grid_helpers.h"

inline constexpr const char* kDescriptionsFile = "Descriptions.csv";
inline constexpr const char* kNomsFile = "Noms.csv";
inline constexpr const char* kAdjectifsFile = "Adjectifs.csv";
inline constexpr const char* kInhibiteursFile = "Inhibiteurs.csv";
inline constexpr const char* kActivateursFile = "Activateurs.csv";

// The largest rule or word file read (the coding library ignores larger ones).
inline constexpr std::uintmax_t kMaxCodingFileSize = 16u << 20;

// A file that exists but cannot be read or written; what() is for the user.
class CodingFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A grid of text cells held in memory: one header row (row 0) and
// `fixedCols` fixed columns.
class TextGrid : public StringGrid {
public:
    TextGrid(std::vector<std::string> headers, int fixedCols);
    int ColCount() const override { return static_cast<int>(headers_.size()); }
    int RowCount() const override { return static_cast<int>(rows_.size()); }
    int FixedCols() const override { return fixedCols_; }
    int FixedRows() const override { return 1; }
    void SetRowCount(int rows) override;
    std::string Cell(int col, int row) const override;
    void SetCell(int col, int row, const std::string& text) override;
    void MoveRow(int from, int to);

private:
    std::vector<std::string> headers_;
    int fixedCols_;
    std::vector<std::vector<std::string>> rows_;
};

// Columns of the rules grid.
constexpr int kRuleColDescription = 1;
constexpr int kRuleColCode = 2;
constexpr int kRuleColMotif = 3;

TextGrid MakeRulesGrid();  // "", "Description", "Code", "Motif"
TextGrid MakeNounsGrid();  // "Singulier", "Pluriel"
TextGrid MakeAdjectivesGrid();  // "Masc. Sg.", "Masc. Pl.", "Fem. Sg.", "Fem. Pl."
TextGrid MakeInvariableGrid();  // "Invariable" (inhibitors, activators)

// LoadGridFromCsv: the grid gets one row per non-blank line of the file, its
// fields filling the non-fixed columns in order (a quoted field keeps its ";"
// and its doubled quotes stand for one; extra fields are ignored), then one
// blank row. A missing file gives one blank row and no message; a file that
// exists but cannot be read, or is too large, throws CodingFileError (the grid
// then holds one blank row).
void LoadGridFromCsv(StringGrid& grid, const std::filesystem::path& file);
// The same from a file's bytes (UTF-8 or Windows-1252, detected).
void LoadGridFromBytes(StringGrid& grid, std::string_view bytes);

// One saved field: upper-cased (Windows-1252 case rules, accents included)
// and quoted, inner quotes doubled, when it holds a double quote, a space, a
// ";" or a ",".
// `startsFile`: the field opens the file (a leading U+FEFF is then quoted).
std::string CsvField(std::string_view cell, bool startsFile = false);
// The file's text: one line per row that has a non-empty cell, cells joined
// by ";", CR LF after each line.
std::string GridCsvText(const StringGrid& grid);
// SaveGridToCsv: the grid written over the file through a temporary file in
// the same folder. The file keeps its encoding (UTF-8 with or without BOM);
// otherwise it is Windows-1252. Returns the number of characters written as
// "?" for want of a byte in that encoding. Throws CodingFileError.
std::size_t SaveGridToCsv(const StringGrid& grid, const std::filesystem::path& file);

// ---- checks of typed cells ---------------------------------------------------

inline constexpr const char* kCheckTitle = "Attention";
extern const char* const kRulesCharsMessage;
extern const char* const kWordsCharsMessage;
// The warning for a typed text, "" when every character is allowed: space,
// "%", digits, "<", "=", ">" and "A"-"Z" in the rules grid; "A"-"Z" in the
// word grids.
std::string CheckCellText(std::string_view text, bool rulesGrid);

// ---- sorting and lookups ---------------------------------------------------

// SortGridRows: the rows first..last ascending by the text of one column,
// compared byte by byte in Windows-1252; rows of equal text keep their order.
// first -1 is the first data row, last -1 the row before the trailing blank row.
void SortGridRows(StringGrid& grid, int column, int first, int last);

// The initial run of capitals "A"-"Z" of a code ("SAB1107" -> "SAB").
std::string LeadingCapitals(std::string_view code);
// Whether a rule of the grid gives a code of the family of `code`: the leading
// capitals of some rule's code equal those of `code`. A code without leading
// capitals (no code at all) counts as described.
bool CodeHasRule(const StringGrid& rules, std::string_view code);
// (Code, Description) of every data row, in grid order.
std::vector<std::pair<std::string, std::string>> RuleRows(const StringGrid& rules);

// ---- printing plan -------------------------------------------------------------

struct RulePrintPlan {
    int RowsPerColumn = 0;  // 0.6 cm lines between 2.5 cm at the top and 1.5 cm at the bottom
    int Columns = 0;        // 8.5 cm columns between 1.5 cm margins
    int Rules = 0;          // rules printed
    int Pages = 0;
    // Rules on page p (0-based) and the lines per column that page uses.
    int RulesOnPage(int page) const;
    int LinesOnPage(int page) const;
};
// The rules counted are the rows before the trailing blank row, up to the
// last one whose Description is not empty. A few rules left over for a last
// page (at most two per column) go onto the page before.
int PrintableRuleCount(const StringGrid& rules);
RulePrintPlan PlanRulePrint(double pageWidthCm, double pageHeightCm, int rules);

// ---- the editors' logic ------------------------------------------------------

// The rules dialog without widgets: its grid, its current row and the texts
// of its two edits.
class CodingRulesEditor {
public:
    CodingRulesEditor();
    TextGrid Grid;
    int CurrentRow = 1;
    std::string Edit1Text;  // description
    std::string Edit2Text;  // code
    // Whether the grid's file could not be read: it is then not written over.
    bool LoadFailed = false;

    // FormCreate / FormShow: Descriptions.csv of the folder (failures are
    // passed on after the grid is emptied).
    void Load(const std::filesystem::path& folder);
    // The edits take the row's Description and Code.
    void SelectRow(int row);
    // GridDescrClick: the user leaves the current row for `row`. A rule left
    // empty is removed then (not while it is typed); true when it was.
    bool GoToRow(int row);
    // Edit1Change / Edit2Change: the current row takes the text, even an
    // empty one (clearing a rule to type it again must not lose the row or
    // move the edits onto another rule); a blank row stays at the end.
    void Edit1Change(const std::string& text);
    void Edit2Change(const std::string& text);
    // Removes every empty rule but the trailing blank row (leaving the edits
    // or saving); true when one was removed.
    bool DropEmptyRows();
    // GridSetEditText: the cell takes the text, a blank row is appended when
    // the last row was edited; the warning text ("" when none).
    std::string SetEditText(int col, int row, const std::string& text);
    // Button5 / Button6: sort by a column the rows first..last, or every rule
    // when the selection holds one row (first == last).
    void SortBy(int column, int first, int last);
    // The rows of "Selectionner tout": 1 to the last non-blank row (-1 / -1 for none).
    std::pair<int, int> SelectAllRows() const;
    // Clipboard: the text of rows first..last; cut also deletes them; paste at a cell.
    std::string Copy(int first, int last) const;
    std::string Cut(int first, int last);
    void Paste(int col, int row, const std::string& text);
    // Button2Click: saves Descriptions.csv, then LoadData. Returns the count
    // of characters written as "?".
    std::size_t Save(const std::filesystem::path& folder);

};

// The word-list dialog without widgets: the four grids.
class WordListsEditor {
public:
    WordListsEditor();
    TextGrid Noms;
    TextGrid Adjectifs;
    TextGrid Inhibiteurs;
    TextGrid Activateurs;
    bool LoadFailed[4] = {false, false, false, false};

    // The grids with their file names, in order.
    std::vector<std::pair<TextGrid*, const char*>> Grids();
    // FormShow: the four files, each sorted by its first column. Every file is
    // read; the message of the first failure is passed on.
    void Load(const std::filesystem::path& folder);
    // Button1Click: the four files, then LoadData. Returns the count of
    // characters written as "?".
    std::size_t Save(const std::filesystem::path& folder);
    // GridSetEditText of a word grid.
    static std::string SetEditText(StringGrid& grid, int col, int row, const std::string& text);
};
