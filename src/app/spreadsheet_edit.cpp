// The spreadsheet's editing commands on the grid: default texts, rows, marks,
// coding, clipboard text, lexicon menus and the fill from the database.
#include <algorithm>
#include <stdexcept>

#include "app/spreadsheet_logic.h"
#include "coding/codage_binding.h"
#include "exchange/database_download.h"
#include "exchange/database_link.h"
#include "exchange/sql_ini_check.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/numbers.h"
#include "store/options.h"

namespace {

std::optional<double> NumberOf(const std::string& text)
{
    const std::string t = Trim(text);
    if (t.empty() || !IsFloatText(t)) return std::nullopt;
    return StrToFloatVal(t);
}

// Lines of a clipboard text: CR LF, LF or CR ends a line; a last empty line
// is no line.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            lines.push_back(current);
            current.clear();
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            current += ch;
        }
    }
    if (!current.empty()) lines.push_back(current);
    return lines;
}

std::string QuoteSql(const std::string& text)
{
    std::string out = "'";
    for (const char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

}  // namespace

// ---- default texts and cell changes -------------------------------------------------

std::string TableurSheet::DefaultEditText(int col, int row) const
{
    if (col < 0 || col >= static_cast<int>(Defs.size()) || !Grid.Cell(col, row).empty()) return {};
    const std::string& path = Defs[static_cast<std::size_t>(col)].Path;
    const int from = DepthFromField.empty() ? -1 : ColumnOf(DepthFromField);
    const int to = DepthToField.empty() ? -1 : ColumnOf(DepthToField);
    const int kind = KindField.empty() ? -1 : ColumnOf(KindField);
    if (IsNiveau() && path == "Utile") {
        const std::string type = kind >= 0 ? UpperCase(Grid.Cell(kind, row)) : std::string();
        if (kind < 0 || type == "COUPE" || type.empty()) {
            if (from < 0 || to < 0) return {};
            const std::optional<double> a = NumberOf(Grid.Cell(from, row));
            const std::optional<double> b = NumberOf(Grid.Cell(to, row));
            // Without two numbers there is no thickness to offer.
            if (!a || !b) return {};
            return FloatToStr(*b - *a);
        }
        return {};
    }
    if (row >= 2 && col == from && to >= 0) return Grid.Cell(to, row - 1);
    if (IsNiveau() && row >= 2 && ((kind >= 0 && col == kind) || path == "Strati")) return Grid.Cell(col, row - 1);
    return {};
}

void TableurSheet::EnsureEmptyLastRow(int currentRow)
{
    if (currentRow == Grid.RowCount() - 1 && !RowIsEmpty(currentRow)) AddEmptyRow();
}

bool TableurSheet::CellChanged(int col, int row, const std::string& oldText, bool sameCellAsLastEdit, bool autoCoding)
{
    if (Loading) return false;
    AutoSizeColumn(col, 16);
    if (sameCellAsLastEdit && Trim(Grid.Cell(col, row)) == Trim(oldText)) return false;
    EnsureEmptyLastRow(row);
    if (autoCoding && IsNiveau() && CodageDLL().MakeCodeBound() && col >= 0 &&
        col < static_cast<int>(Defs.size()) && Defs[static_cast<std::size_t>(col)].Path == "Litho") {
        const int code = ColumnOf("CodeNiv");
        if (code >= 0) {
            Grid.SetCell(code, row, CodageDLL().MakeCode(UpperCase(Grid.Cell(col, row))));
            if (RepaintRowHook) RepaintRowHook(row);
        }
    }
    RedrawImage = true;
    return true;
}

// ---- rows ------------------------------------------------------------------------------

void TableurSheet::InsertRowAt(int gridRow)
{
    const int index = std::clamp(gridRow - 1, 0, static_cast<int>(RowMap.size()));
    InsertGridRow(index - 1, index);
    RedrawImage = true;
}

bool TableurSheet::DeleteRowAt(int gridRow)
{
    if (gridRow < 1 || gridRow >= Grid.RowCount()) return false;
    if (gridRow == Grid.RowCount() - 1 && RowIsEmpty(gridRow)) return false;
    DeleteGridRow(gridRow - 1);
    if (gridRow == Grid.RowCount() - 1 && !RowIsEmpty(gridRow)) AddEmptyRow();
    RedrawImage = true;
    return true;
}

void TableurSheet::ToggleSelection(int firstRow, int lastRow)
{
    for (int r = std::max(firstRow, 1); r <= lastRow && r <= static_cast<int>(RowMap.size()); ++r) {
        std::int32_t& s = RowMap[static_cast<std::size_t>(r) - 1].Selected;
        s = (s != 0 && s != MissingInt) ? 0 : 1;
        if (RepaintRowHook) RepaintRowHook(r);
    }
}

// ---- coding ------------------------------------------------------------------------------

bool TableurSheet::CodingColumnsPresent() const
{
    return IsNiveau() && ColumnOf("Litho") >= 0 && ColumnOf("CodeNiv") >= 0;
}

int TableurSheet::CodeRows(int firstRow, int lastRow, bool typeTest)
{
    if (!CodingColumnsPresent() || !CodageDLL().MakeCodeBound()) return 0;
    const int litho = ColumnOf("Litho");
    const int code = ColumnOf("CodeNiv");
    const int type = ColumnOf("Type");
    BusyCursor busy;
    int coded = 0;
    for (int r = std::max(firstRow, 1); r <= lastRow && r < Grid.RowCount(); ++r) {
        if (typeTest && type >= 0 && UpperCase(Trim(Grid.Cell(type, r))) != "COUPE") continue;
        Grid.SetCell(code, r, CodageDLL().MakeCode(UpperCase(Grid.Cell(litho, r))));
        if (RepaintRowHook) RepaintRowHook(r);
        ++coded;
    }
    RedrawImage = true;
    return coded;
}

// ---- clipboard text ------------------------------------------------------------------------

std::string TableurSheet::SelectionToText(const GridRect& rect) const
{
    std::string text;
    for (int r = rect.Top; r <= rect.Bottom; ++r) {
        for (int c = rect.Left; c <= rect.Right; ++c) {
            if (c > rect.Left) text += '\t';
            text += Grid.Cell(c, r);
        }
        text += "\r\n";
    }
    return text;
}

GridRect TableurSheet::PasteText(const std::string& text, int col, int row)
{
    GridRect written{col, row, col - 1, row - 1};
    if (row < 1 || col < 0) return written;
    const std::vector<std::string> lines = SplitLines(text);
    int r = row;
    for (const std::string& line : lines) {
        while (r >= Grid.RowCount()) AddEmptyRow();
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', start);
            fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        // A line's trailing empty field writes nothing (an empty line is one
        // such field); fields beyond the last column are dropped.
        if (fields.back().empty()) fields.pop_back();
        int c = col;
        for (const std::string& f : fields) {
            if (c >= Grid.ColCount()) break;
            if (IsNiveau() && c == static_cast<int>(Defs.size())) break;   // the "Motif" column
            Grid.SetCell(c, r, f);
            written.Right = std::max(written.Right, c);
            ++c;
        }
        written.Bottom = r;
        ++r;
    }
    for (int c = col; c <= written.Right; ++c) AutoSizeColumn(c, 16);
    RedrawImage = true;
    return written;
}

std::string TableurSheet::CutText(const GridRect& rect)
{
    const std::string text = SelectionToText(rect);
    for (int r = std::max(rect.Top, 1); r <= rect.Bottom; ++r)
        for (int c = rect.Left; c <= rect.Right; ++c) Grid.SetCell(c, r, "");
    for (int c = rect.Left; c <= rect.Right; ++c) AutoSizeColumn(c, 16);
    RedrawImage = true;
    return text;
}

void TableurSheet::PutInRows(int col, int firstRow, int lastRow, const std::string& code)
{
    for (int r = std::max(firstRow, 1); r <= lastRow && r < Grid.RowCount(); ++r) {
        Grid.SetCell(col, r, Trim(code));
        if (RepaintRowHook) RepaintRowHook(r);
    }
    AutoSizeColumn(col, 16);
    RedrawImage = true;
}

// ---- lexicons ---------------------------------------------------------------------------------

TableurLexicon TableurSheet::LexiconFor(int col, int row) const
{
    TableurLexicon lex;
    if (col < 0 || col >= static_cast<int>(Defs.size())) return lex;
    const TFieldDef& d = Defs[static_cast<std::size_t>(col)];
    lex.Section = TableName + "\\" + d.Path;
    if (d.StarLexicon && col > 0) lex.Section += Trim(Grid.Cell(col - 1, row));
    LoadLexiconSection(lex.Section, lex.Codes, lex.Labels);
    return lex;
}

std::vector<TableurMenuItem> TableurSheet::LexiconMenu(const TableurLexicon& lexicon)
{
    std::vector<std::pair<std::string, std::pair<std::string, std::string>>> lines;
    for (std::size_t i = 0; i < lexicon.Codes.size(); ++i) {
        const std::string& code = lexicon.Codes[i];
        const std::string label = i < lexicon.Labels.size() ? lexicon.Labels[i] : std::string();
        lines.push_back({code + "=" + label, {code, label}});
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const auto& a, const auto& b) { return CompareTextNoCase(a.first, b.first) < 0; });
    std::vector<TableurMenuItem> items;
    for (const auto& [line, pair] : lines)
        items.push_back({pair.first == pair.second ? pair.first : pair.first + ". " + pair.second, pair.first});
    return items;
}

std::vector<std::vector<std::string>> TableurSheet::CodeListLines(
    const std::vector<std::pair<std::string, std::string>>& rules)
{
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> seen;
    for (const auto& [code, description] : rules) {
        if (std::find(seen.begin(), seen.end(), code) != seen.end()) continue;
        seen.push_back(code);
        lines.push_back({code, "", description});
    }
    return lines;
}

// ---- database --------------------------------------------------------------------------------

std::vector<std::string> TableurSheet::SqlSectionsForTable() const
{
    std::vector<std::string> sections;
    if (!IniSql) return sections;
    CheckSqlIniReadable();
    for (const std::string& name : IniSql->ReadSections()) {
        const std::size_t eq = name.find('=');
        if (name == TableName || (eq != std::string::npos && name.substr(eq + 1) == TableName))
            sections.push_back(name);
    }
    return sections;
}

std::string TableurSheet::BuildQuery(const std::string& section, std::vector<int>& columns) const
{
    columns.clear();
    const std::size_t eq = section.find('=');
    const std::string dbTable = Trim(eq == std::string::npos ? section : section.substr(0, eq));
    std::string from = dbTable;
    std::string where;
    bool byDesign = false;
    std::string list = "SELECT ";
    for (const std::string& line : IniSql->ReadSectionValues(section)) {
        const std::string key = NamePart(line);
        const std::string value = ValuePart(line);
        const std::string upper = UpperCase(key);
        if (upper == "DESIGNATION") { byDesign = true; continue; }
        if (upper == "FROM") { from = value; continue; }
        if (upper == "WHERE") { where = value; continue; }
        const int def = ColumnOf(value);
        if (def < 0) continue;
        CheckSqlIniColumn(section, key);
        if (!columns.empty()) list += ", ";
        const TFieldDef& d = Defs[static_cast<std::size_t>(def)];
        if (d.Kind == 'D' || d.Kind == 'E') {
            const int n = std::clamp(d.Kind == 'D' ? d.Width : d.Width + 2, 0, 10);
            list += "TO_CHAR(" + key + ",'" + std::string("dd/mm/yyyy").substr(0, static_cast<std::size_t>(n)) + "')";
        } else {
            list += key;
        }
        columns.push_back(def);
    }
    if (columns.empty()) return {};
    // What sql.ini puts into the text is checked before anything is sent.
    from = Trim(from);
    where = Trim(where);
    if (from.empty()) {
        CheckSqlIniTable(section, dbTable);
        from = dbTable;
    } else {
        CheckSqlIniFrom(section, "FROM", from);
    }
    if (!where.empty()) CheckSqlIniWhere(section, "WHERE", where);
    std::string sql = list + " FROM " + from + " WHERE INDICE = " + QuoteSql(Indice);
    if (byDesign) sql += " AND DESIGNATION = " + QuoteSql(Designation);
    if (!where.empty()) sql += " AND (" + where + ")";  // an OR narrows, never widens
    return sql + ";";
}

std::string TableurSheet::DatabaseValue(const TFieldDef& def, const std::string& text) const
{
    const std::string section = TableName + "\\" + def.Path;
    for (const std::string& name : {section, section + "*"}) {
        for (const std::string& line : EditionSectionLines(name)) {
            if (NamePart(line) != text || line.find('=') == std::string::npos) continue;
            const std::string value = ValuePart(line);
            return value.find('=') != std::string::npos ? NamePart(value) : value;
        }
    }
    return text;
}

int TableurSheet::QueryDatabase(const std::string& section, int fillRow)
{
    std::vector<int> columns;
    const std::string sql = BuildQuery(section, columns);
    if (sql.empty()) {
        ShowBox("Pas d'information", "Pas de champs valide dans sql.ini");
        return fillRow;
    }
    if (!TableurSeams().RunQuery) throw std::runtime_error("Pas de connexion \xC3\xA0 la base de donn\xC3\xA9" "es");
    const auto records = TableurSeams().RunQuery(sql);
    for (const auto& record : records) {
        while (fillRow >= Grid.RowCount()) AddEmptyRow();
        for (std::size_t k = 0; k < columns.size(); ++k) {
            const int col = columns[k];
            const std::optional<std::string> v = k < record.size() ? record[k] : std::nullopt;
            Grid.SetCell(col, fillRow, v ? DatabaseValue(Defs[static_cast<std::size_t>(col)], *v) : std::string());
        }
        ++fillRow;
    }
    for (const int col : columns) {
        for (int r = fillRow; r < Grid.RowCount(); ++r) Grid.SetCell(col, r, "");
        AutoSizeColumn(col, 16);
    }
    RedrawImage = true;
    return fillRow;
}

std::string TableurNothingFoundText(const std::string& indice, const std::string& design, const std::string& table)
{
    return "La base de donn\xC3\xA9" "es ne contient rien pour l'ouvrage " + OuvrageName(indice, design) +
           " dans la table \xC2\xAB " + table + " \xC2\xBB : le tableau n'a pas \xC3\xA9t\xC3\xA9 modifi\xC3\xA9.";
}

int TableurSheet::FillFromDatabase(bool keepWhenNothingFound)
{
    const std::vector<std::string> sections = SqlSectionsForTable();
    if (sections.empty()) {
        ShowBox("Pas d'information", "Cette table n'est pas renseign\xC3\xA9" "e dans sql.ini");
        return -1;
    }
    // A fill that stops partway (a later section refused, a server error, the
    // record limit) leaves the grid as it was, not half the database's rows
    // beside the table's own.
    const int rows = Grid.RowCount(), cols = Grid.ColCount();
    std::vector<std::string> cells;
    std::vector<int> widths;
    for (int c = 0; c < cols; ++c) widths.push_back(Grid.ColWidth(c));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) cells.push_back(Grid.Cell(c, r));
    const std::vector<TableurRowEntry> rowMap = RowMap;
    const std::vector<std::int32_t> deletedRows = DeletedRows;
    auto restore = [&] {
        Grid.SetRowCount(rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c)
                Grid.SetCell(c, r, cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) + static_cast<std::size_t>(c)]);
        for (int c = 0; c < cols; ++c) Grid.SetColWidth(c, widths[static_cast<std::size_t>(c)]);
        RowMap = rowMap;
        DeletedRows = deletedRows;
        RedrawImage = true;
    };
    int fillRow = 1;
    try {
        for (const std::string& s : sections) fillRow = QueryDatabase(s, fillRow);
    } catch (...) {
        restore();
        throw;
    }
    const int records = fillRow - 1;
    if (records == 0 && keepWhenNothingFound) {
        restore();
        ShowInformation("Pas d'information", TableurNothingFoundText(Indice, Designation, TableName));
    }
    return records;
}
