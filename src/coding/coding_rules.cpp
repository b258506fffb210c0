#include "coding/coding_rules.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "coding/codage_binding.h"
#include "platform/base/safe_files.h"
#include "platform/base/text_codec.h"
#include "store/divers.h"

namespace fs = std::filesystem;

const char* const kRulesCharsMessage =
    "Le texte doit \xC3\xAAtre compos\xC3\xA9 de majuscules sans accents,\nde nombres entiers positifs, "
    "d'espaces et des signes \">\", \"=\", \"<\", \"%\".";
const char* const kWordsCharsMessage = "Le texte doit \xC3\xAAtre compos\xC3\xA9 de majuscules sans accents";

// ---- TextGrid ----------------------------------------------------------------

TextGrid::TextGrid(std::vector<std::string> headers, int fixedCols)
    : headers_(std::move(headers)), fixedCols_(fixedCols)
{
    rows_.push_back(headers_);
    rows_.emplace_back(headers_.size());
}

void TextGrid::SetRowCount(int rows)
{
    rows_.resize(static_cast<std::size_t>(std::max(rows, 1)), std::vector<std::string>(headers_.size()));
    rows_[0] = headers_;
}

std::string TextGrid::Cell(int col, int row) const
{
    if (row < 0 || col < 0 || row >= RowCount() || col >= ColCount()) return {};
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void TextGrid::SetCell(int col, int row, const std::string& text)
{
    // The header row keeps its titles.
    if (row < 1 || col < 0 || row >= RowCount() || col >= ColCount()) return;
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
}

void TextGrid::MoveRow(int from, int to)
{
    if (from < 1 || to < 1 || from >= RowCount() || to >= RowCount() || from == to) return;
    auto row = std::move(rows_[static_cast<std::size_t>(from)]);
    rows_.erase(rows_.begin() + from);
    rows_.insert(rows_.begin() + to, std::move(row));
}

TextGrid MakeRulesGrid() { return TextGrid({"", "Description", "Code", "Motif"}, 1); }
TextGrid MakeNounsGrid() { return TextGrid({"Singulier", "Pluriel"}, 0); }
TextGrid MakeAdjectivesGrid() { return TextGrid({"Masc. Sg.", "Masc. Pl.", "Fem. Sg.", "Fem. Pl."}, 0); }
TextGrid MakeInvariableGrid() { return TextGrid({"Invariable"}, 0); }

// ---- reading -------------------------------------------------------------------

void LoadGridFromBytes(StringGrid& grid, std::string_view bytes)
{
    grid.SetRowCount(grid.FixedRows() + 1);
    GridClearRow(grid, grid.FixedRows());
    TextFieldReader reader{std::string(bytes)};
    std::vector<std::vector<std::string>> records;
    while (!reader.Eof()) {
        std::vector<std::string> fields;
        bool blank = true;
        for (int c = grid.FixedCols(); c < grid.ColCount(); ++c) {
            fields.push_back(ReadFieldSemicolon(reader));
            if (!fields.back().empty()) blank = false;
        }
        // The rest of the line is ignored; so are blank lines.
        reader.ReadLn();
        if (!blank) records.push_back(std::move(fields));
    }
    grid.SetRowCount(grid.FixedRows() + static_cast<int>(records.size()) + 1);
    for (std::size_t i = 0; i < records.size(); ++i)
        for (std::size_t k = 0; k < records[i].size(); ++k)
            grid.SetCell(grid.FixedCols() + static_cast<int>(k), grid.FixedRows() + static_cast<int>(i), records[i][k]);
    GridClearRow(grid, grid.RowCount() - 1);
}

void LoadGridFromCsv(StringGrid& grid, const fs::path& file)
{
    grid.SetRowCount(grid.FixedRows() + 1);
    GridClearRow(grid, grid.FixedRows());
    std::string bytes;
    const ReadStatus read = ReadFileBytes(file, bytes, kMaxCodingFileSize);
    if (read.failure == ReadFailure::System && read.err == ENOENT) return;  // a missing file is an empty list
    const std::string name = PathToUtf8(file);
    if (read.failure == ReadFailure::TooBig)
        throw CodingFileError("Le fichier \xC2\xAB " + name + " \xC2\xBB est trop grand pour \xC3\xAAtre lu.");
    if (!read)
        throw CodingFileError("Impossible de lire le fichier \xC2\xAB " + name + " \xC2\xBB : " + read.Reason() + ".");
    LoadGridFromBytes(grid, bytes);
}

// ---- writing -------------------------------------------------------------------

std::string CsvField(std::string_view cell, bool startsFile)
{
    const std::string up = UpperCase(cell);
    // A file starting with U+FEFF reads as a byte-order mark: a first cell
    // starting with that character is quoted, so that it reads back whole.
    const bool looksLikeMark = startsFile && up.starts_with("\xEF\xBB\xBF");
    if (!looksLikeMark && up.find_first_of("\" ;,") == std::string::npos) return up;
    std::string out = "\"";
    for (char c : up) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

std::string GridCsvText(const StringGrid& grid)
{
    std::string text;
    for (int r = grid.FixedRows(); r < grid.RowCount(); ++r) {
        if (GridRowIsEmpty(grid, r)) continue;
        for (int c = grid.FixedCols(); c < grid.ColCount(); ++c) {
            if (c > grid.FixedCols()) text += ';';
            text += CsvField(grid.Cell(c, r), text.empty());
        }
        text += "\r\n";
    }
    return text;
}

namespace {

[[noreturn]] void WriteFailure(const fs::path& file, int err)
{
    throw CodingFileError("Impossible d'enregistrer le fichier \xC2\xAB " + PathToUtf8(file) + " \xC2\xBB : " +
                          SystemErrorText(err) + ".");
}

// The whole file replaced at once: a failure or a crash leaves the old one whole.
void ReplaceFile(const fs::path& file, const std::string& bytes)
{
    try {
        WriteFileSafely(file, bytes);
    } catch (const EFileError& e) {
        WriteFailure(file, e.Error());
    }
}

TextEncoding EncodingOf(const fs::path& file)
{
    std::string bytes;
    if (!ReadFileBytes(file, bytes, kMaxCodingFileSize)) return TextEncoding::Cp1252;
    TextEncoding enc = TextEncoding::Cp1252;
    DecodeTextFile(bytes, &enc);
    return enc == TextEncoding::Utf8 || enc == TextEncoding::Utf8Bom ? enc : TextEncoding::Cp1252;
}

}  // namespace

std::size_t SaveGridToCsv(const StringGrid& grid, const fs::path& file)
{
    std::size_t unmapped = 0;
    const std::string bytes = EncodeTextFile(GridCsvText(grid), EncodingOf(file), &unmapped);
    ReplaceFile(file, bytes);
    return unmapped;
}

// ---- checks ----------------------------------------------------------------------

std::string CheckCellText(std::string_view text, bool rulesGrid)
{
    for (char32_t c : Utf8ToU32(text)) {
        const bool letter = c >= U'A' && c <= U'Z';
        const bool ruleSign = c == U' ' || c == U'%' || (c >= U'0' && c <= U'9') || c == U'<' || c == U'=' || c == U'>';
        if (!letter && !(rulesGrid && ruleSign)) return rulesGrid ? kRulesCharsMessage : kWordsCharsMessage;
    }
    return {};
}

// ---- sorting and lookups -------------------------------------------------------

void SortGridRows(StringGrid& grid, int column, int first, int last)
{
    if (first < 0) first = grid.FixedRows();
    if (last < 0) last = grid.RowCount() - 2;
    first = std::max(first, grid.FixedRows());
    last = std::min(last, grid.RowCount() - 1);
    if (last <= first) return;
    struct Row {
        std::string key;
        std::vector<std::string> cells;
    };
    std::vector<Row> rows;
    for (int r = first; r <= last; ++r) {
        Row row{Utf8ToCp1252(grid.Cell(column, r)), {}};
        for (int c = 0; c < grid.ColCount(); ++c) row.cells.push_back(grid.Cell(c, r));
        rows.push_back(std::move(row));
    }
    // Byte order of the Windows-1252 texts (std::string compares as unsigned
    // char); a stable sort, so that rules of one code keep their order.
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.key < b.key; });
    for (int r = first; r <= last; ++r)
        for (int c = 0; c < grid.ColCount(); ++c)
            grid.SetCell(c, r, rows[static_cast<std::size_t>(r - first)].cells[static_cast<std::size_t>(c)]);
}

std::string LeadingCapitals(std::string_view code)
{
    std::size_t n = 0;
    while (n < code.size() && code[n] >= 'A' && code[n] <= 'Z') ++n;
    return std::string(code.substr(0, n));
}

bool CodeHasRule(const StringGrid& rules, std::string_view code)
{
    const std::string family = LeadingCapitals(code);
    if (family.empty()) return true;
    for (int r = rules.FixedRows(); r < rules.RowCount(); ++r)
        if (LeadingCapitals(rules.Cell(kRuleColCode, r)) == family) return true;
    return false;
}

std::vector<std::pair<std::string, std::string>> RuleRows(const StringGrid& rules)
{
    std::vector<std::pair<std::string, std::string>> rows;
    for (int r = rules.FixedRows(); r < rules.RowCount(); ++r)
        rows.emplace_back(rules.Cell(kRuleColCode, r), rules.Cell(kRuleColDescription, r));
    return rows;
}

// ---- printing plan ---------------------------------------------------------------

int PrintableRuleCount(const StringGrid& rules)
{
    int last = rules.RowCount() - 2;
    while (last >= rules.FixedRows() && TrimView(rules.Cell(kRuleColDescription, last)).empty()) --last;
    return std::max(0, last - rules.FixedRows() + 1);
}

RulePrintPlan PlanRulePrint(double pageWidthCm, double pageHeightCm, int rules)
{
    RulePrintPlan plan;
    plan.Rules = rules;
    const double rows = (pageHeightCm - 2.5 - 1.5) / 0.6;
    const double cols = (pageWidthCm - 3) / 8.5;
    // A page too small for one line or one column prints nothing (and divides by nothing).
    if (!(rows >= 1) || !(cols >= 1) || rows > 1e6 || cols > 1e6) return plan;
    plan.RowsPerColumn = static_cast<int>(rows);
    plan.Columns = static_cast<int>(cols);
    const int perPage = plan.RowsPerColumn * plan.Columns;
    plan.Pages = (rules + perPage - 1) / perPage;
    const int rest = rules % perPage;
    if (rest != 0 && rest <= 2 * plan.Columns && plan.Pages > 1) --plan.Pages;
    return plan;
}

int RulePrintPlan::RulesOnPage(int page) const
{
    if (page < 0 || page >= Pages) return 0;
    const int perPage = RowsPerColumn * Columns;
    return page + 1 < Pages ? perPage : Rules - perPage * page;
}

int RulePrintPlan::LinesOnPage(int page) const
{
    const int n = RulesOnPage(page);
    if (n > RowsPerColumn * Columns) return (n + Columns - 1) / Columns;
    return RowsPerColumn;
}

// ---- the rules dialog's logic ------------------------------------------------------

CodingRulesEditor::CodingRulesEditor() : Grid(MakeRulesGrid()) {}

void CodingRulesEditor::Load(const fs::path& folder)
{
    LoadFailed = false;
    CurrentRow = 1;
    try {
        LoadGridFromCsv(Grid, folder / kDescriptionsFile);
    } catch (...) {
        LoadFailed = true;
        SelectRow(1);
        throw;
    }
    SelectRow(1);
}

void CodingRulesEditor::SelectRow(int row)
{
    CurrentRow = std::clamp(row, 1, Grid.RowCount() - 1);
    Edit1Text = Grid.Cell(kRuleColDescription, CurrentRow);
    Edit2Text = Grid.Cell(kRuleColCode, CurrentRow);
}

bool CodingRulesEditor::GoToRow(int row)
{
    const int left = CurrentRow;
    bool removed = false;
    if (row != left && left < Grid.RowCount() - 1 && GridRowIsEmpty(Grid, left)) {
        GridDeleteRow(Grid, left);
        GridEnsureEmptyLastRow(Grid);
        if (row > left) --row;
        removed = true;
    }
    SelectRow(row);
    return removed;
}

bool CodingRulesEditor::DropEmptyRows()
{
    bool removed = false;
    for (int r = Grid.RowCount() - 2; r >= Grid.FixedRows(); --r) {
        if (!GridRowIsEmpty(Grid, r)) continue;
        GridDeleteRow(Grid, r);
        if (CurrentRow > r) --CurrentRow;
        removed = true;
    }
    GridEnsureEmptyLastRow(Grid);
    SelectRow(CurrentRow);
    return removed;
}

void CodingRulesEditor::Edit1Change(const std::string& text)
{
    Edit1Text = text;
    Grid.SetCell(kRuleColDescription, CurrentRow, Trim(text));
    GridEnsureEmptyLastRow(Grid);
}

void CodingRulesEditor::Edit2Change(const std::string& text)
{
    Edit2Text = text;
    Grid.SetCell(kRuleColCode, CurrentRow, text);
    GridEnsureEmptyLastRow(Grid);
}

std::string CodingRulesEditor::SetEditText(int col, int row, const std::string& text)
{
    if (row < 1 || row >= Grid.RowCount() || col < 1 || col >= Grid.ColCount()) return {};
    Grid.SetCell(col, row, text);
    if (row == Grid.RowCount() - 1) GridAddRow(Grid);
    if (row == CurrentRow) SelectRow(row);
    return CheckCellText(text, true);
}

void CodingRulesEditor::SortBy(int column, int first, int last)
{
    // A rule emptied in the edits would sort to the top: sorting leaves it,
    // so it is removed first.
    const int row = CurrentRow;
    if (row < Grid.RowCount() - 1 && GridRowIsEmpty(Grid, row)) {
        GridDeleteRow(Grid, row);
        GridEnsureEmptyLastRow(Grid);
        if (first > row) --first;
        if (last >= row) --last;
    }
    // The trailing blank row is never sorted in: the grid keeps ending with it.
    if (first >= last) SortGridRows(Grid, column, -1, -1);
    else SortGridRows(Grid, column, first, std::min(last, Grid.RowCount() - 2));
    SelectRow(CurrentRow);
}

std::pair<int, int> CodingRulesEditor::SelectAllRows() const
{
    int last = Grid.RowCount() - 1;
    while (last >= 1 && GridRowIsEmpty(Grid, last)) --last;
    return last >= 1 ? std::pair{1, last} : std::pair{-1, -1};
}

std::string CodingRulesEditor::Copy(int first, int last) const
{
    first = std::max(first, 1);
    last = std::min(last, Grid.RowCount() - 1);
    return GridCopyRows(Grid, first, last);
}

std::string CodingRulesEditor::Cut(int first, int last)
{
    const std::string text = Copy(first, last);
    first = std::max(first, 1);
    last = std::min(last, Grid.RowCount() - 1);
    if (last >= first) GridDeleteRows(Grid, first, last - first + 1);
    GridEnsureEmptyLastRow(Grid);
    SelectRow(CurrentRow);
    return text;
}

void CodingRulesEditor::Paste(int col, int row, const std::string& text)
{
    GridPasteText(Grid, col, row, text);
    GridEnsureEmptyLastRow(Grid);
    SelectRow(CurrentRow);
}

std::size_t CodingRulesEditor::Save(const fs::path& folder)
{
    if (LoadFailed)
        throw CodingFileError("Le fichier \xC2\xAB " + PathToUtf8(folder / kDescriptionsFile) +
                              " \xC2\xBB n'a pas pu \xC3\xAAtre lu : il n'est pas remplac\xC3\xA9.");
    DropEmptyRows();
    const std::size_t unmapped = SaveGridToCsv(Grid, folder / kDescriptionsFile);
    CodageDLL().LoadData();
    return unmapped;
}

// ---- the word-list dialog's logic ---------------------------------------------------

WordListsEditor::WordListsEditor()
    : Noms(MakeNounsGrid()), Adjectifs(MakeAdjectivesGrid()), Inhibiteurs(MakeInvariableGrid()),
      Activateurs(MakeInvariableGrid())
{
}

std::vector<std::pair<TextGrid*, const char*>> WordListsEditor::Grids()
{
    return {{&Noms, kNomsFile}, {&Adjectifs, kAdjectifsFile}, {&Inhibiteurs, kInhibiteursFile},
            {&Activateurs, kActivateursFile}};
}

void WordListsEditor::Load(const fs::path& folder)
{
    std::string failure;
    const auto grids = Grids();
    for (std::size_t i = 0; i < grids.size(); ++i) {
        LoadFailed[i] = false;
        try {
            LoadGridFromCsv(*grids[i].first, folder / grids[i].second);
        } catch (const CodingFileError& e) {
            LoadFailed[i] = true;
            if (failure.empty()) failure = e.what();
        }
        SortGridRows(*grids[i].first, 0, -1, -1);
    }
    if (!failure.empty()) throw CodingFileError(failure);
}

std::size_t WordListsEditor::Save(const fs::path& folder)
{
    const auto grids = Grids();
    // Nothing is written while one list could not be read: it would be lost.
    for (std::size_t i = 0; i < grids.size(); ++i)
        if (LoadFailed[i])
            throw CodingFileError("Le fichier \xC2\xAB " + PathToUtf8(folder / grids[i].second) +
                                  " \xC2\xBB n'a pas pu \xC3\xAAtre lu : il n'est pas remplac\xC3\xA9.");
    std::size_t unmapped = 0;
    for (const auto& [grid, name] : grids) unmapped += SaveGridToCsv(*grid, folder / name);
    CodageDLL().LoadData();
    return unmapped;
}

std::string WordListsEditor::SetEditText(StringGrid& grid, int col, int row, const std::string& text)
{
    if (row < grid.FixedRows() || row >= grid.RowCount() || col < grid.FixedCols() || col >= grid.ColCount())
        return {};
    grid.SetCell(col, row, text);
    if (row == grid.RowCount() - 1) GridAddRow(grid);
    return CheckCellText(text, false);
}
