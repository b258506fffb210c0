#include "exchange/database_download.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "exchange/database_link.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/field_defs.h"
#include "store/options.h"
#include "store/tables.h"

namespace {

const char* const kDesign = "D\xC3\xA9sign";
const char* const kSelection = "S\xC3\xA9lection";

std::string NotFound(const std::string& indice) { return "Indice " + QuoteSqlText(indice) + " non trouv\xC3\xA9"; }

void RunQuery(TQuery& q, const SqlText& text)
{
    q.SQL = text.sql;
    q.Values = text.values;
    q.Open();
}

// The code edition.ini gives a database text in the field's lexicon (or its
// star lexicon); the text itself when neither knows it.
// The text is taken by value and handed back moved when no lexicon names it:
// a long value is not copied once more on its way into a cell.
std::string LexiconCodeOf(const std::string& table, const std::string& path, std::string text)
{
    for (const std::string& section : {table + "\\" + path, table + "\\" + path + "*"})
        for (const std::string& line : EditionSectionLines(section)) {
            const std::size_t eq = line.find('=');
            if (eq == std::string::npos || !SameTextNoCase(line.substr(0, eq), text)) continue;
            const std::string value = line.substr(eq + 1);
            return value.substr(0, value.find('='));
        }
    return text;  // moved out (a parameter)
}

bool RowEmpty(const std::vector<std::string>& row)
{
    return std::all_of(row.begin(), row.end(), [](const std::string& c) { return c.empty(); });
}

// Puts the borehole back as it was (`before`; nullptr: it did not exist).
// In place, so that it keeps its rank in the collection.
void RestoreBorehole(TDirBlock& root, const std::string& indice, std::unique_ptr<TDirBlock> before)
{
    const int now = root.IndexOfDir(indice);
    if (!before) {
        if (now >= 0) root.DeleteChild(now);
        return;
    }
    if (now < 0) {
        root.AddChild(std::move(before), false);
        return;
    }
    TDirBlock* borehole = root.ChildDir(now);
    borehole->Clear();
    while (before->ItemCount() > 0) borehole->AddChild(before->Child(0), true);
}

// The failure being handled, of the same kind, its message telling that the
// borehole was left as it was.
[[noreturn]] void RethrowUndone(const std::string& indice)
{
    const std::string undone = "\nLe t\xC3\xA9l\xC3\xA9" "chargement n'est pas all\xC3\xA9 jusqu'au bout : le forage \xC2\xAB " +
                               indice + " \xC2\xBB est rest\xC3\xA9 tel qu'il \xC3\xA9tait avant.";
    try {
        throw;
    } catch (const EDatabaseCancelled& e) {
        throw EDatabaseCancelled(e.what() + undone);
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(e.what() + undone);
    } catch (...) {
        // In the program's words ("Mémoire insuffisante", not "std::bad_alloc").
        throw std::runtime_error(CurrentExceptionMessage() + undone);
    }
}

}  // namespace

namespace {

// The designation dialog when the database knows the Indice under other
// designations: false when the person gave the download up; `current` becomes
// the designation chosen.
bool ChooseAndRename(DownloadHost& host, const std::string& indice, const std::string& design,
                     const std::vector<std::string>& found, std::string& current)
{
    if (found.empty() || std::find(found.begin(), found.end(), design) != found.end()) return true;
    std::vector<std::string> lines;
    for (const std::string& f : found) lines.push_back(indice + " " + f);
    int chosen = 0;
    const MsgResult answer = host.ChooseDesignation(design, lines, chosen);
    if (answer != MsgResult::Yes && answer != MsgResult::No) return false;
    if (answer == MsgResult::No) return true;
    if (chosen < 0 || chosen >= static_cast<int>(found.size())) return false;
    const std::string renamed = found[static_cast<std::size_t>(chosen)];
    if (host.HasOuvrage(indice, renamed)) {
        if (AskOkCancel(kOuvrageExistsTitle, kOuvrageExistsText) != MsgResult::Ok) return false;
        DeleteOuvrage(host.Root(), indice, renamed);
    }
    RenameOuvrageDesign(host.Root(), indice, renamed, design);
    host.RefreshList();
    current = renamed;
    return true;
}

}  // namespace

void EnsureConnected(TDatabase& database)
{
    if (!database.Connected()) database.Open();
}

void DownloadHost::SheetFromDatabase(TDatabase& database, const std::string& indice, const std::string& design,
                                     const std::string& table)
{
    FillSheetFromDatabase(database, Root(), indice, design, table);
}

void DownloadHost::TableFromDatabase(TDatabase& database, const std::string& indice, const std::string& design,
                                     const std::string& table)
{
    FillTableFromDatabase(database, Root(), indice, design, table);
}

// ---- ouvrage operations --------------------------------------------------------

void DeleteOuvrage(TDirBlock& root, const std::string& indice, const std::string& design)
{
    const int b = root.IndexOfDir(indice);
    if (b < 0) throw std::runtime_error(NotFound(indice));
    TDirBlock* borehole = root.ChildDir(b);
    bool used = false;
    for (int t = borehole->ItemCount() - 1; t >= 0; --t) {
        TDirBlock* table = borehole->ChildDir(t);
        if (!table || !table->FindBlock(kDesign)) continue;
        for (int r = table->RowCount() - 1; r >= 0; --r)
            if (table->GetPathString(kDesign, r) == design) table->DeleteRow(r);
        if (table->ItemCount() == 0) borehole->DeleteChild(t);
        else used = true;
    }
    if (!used) root.DeleteChild(root.IndexOf(borehole));
}

void RenameOuvrageDesign(TDirBlock& root, const std::string& indice, const std::string& newDesign,
                         const std::string& oldDesign)
{
    TDirBlock* borehole = root.FindDir(indice);
    if (!borehole || borehole->Parent() != &root) throw std::runtime_error(NotFound(indice));
    const std::string old = UpperCase(oldDesign);
    for (int t = 0; t < borehole->ItemCount(); ++t) {
        TDirBlock* table = borehole->ChildDir(t);
        if (!table || !table->FindBlock(kDesign)) continue;
        const int rows = table->FindBlock(kDesign)->Count();
        for (int r = 0; r < rows; ++r)
            if (UpperCase(table->GetPathString(kDesign, r)) == old) table->SetPathString(kDesign, r, btString, newDesign);
    }
}

// ---- the download ----------------------------------------------------------------

namespace {

// Whether the sql.ini sections a sheet (its first only) or a table (all) is
// filled from restrict the records to the ouvrage's designation.
bool SectionsNameDesignation(const std::string& table, bool firstOnly)
{
    if (!IniSql) return false;
    for (const std::string& section : SqlSectionsForTable(table)) {
        if (IniSql->ValueExists(section, "DESIGNATION")) return true;
        if (firstOnly) break;
    }
    return false;
}

}  // namespace

std::string OuvrageName(const std::string& indice, const std::string& design)
{
    // No-break spaces: a box that wraps its text never parts the name.
    return "\xC2\xAB\xC2\xA0" + (design.empty() ? indice : indice + "\xC2\xA0/\xC2\xA0" + design) + "\xC2\xA0\xC2\xBB";
}

std::string NothingToDownloadText(const std::string& indice, const std::string& design)
{
    return "La base de donn\xC3\xA9" "es ne contient rien pour l'ouvrage " + OuvrageName(indice, design) +
           " : la collection n'a pas \xC3\xA9t\xC3\xA9 modifi\xC3\xA9" "e.";
}

bool DownloadOuvrage(DownloadHost& host, TDatabase& database, const std::string& indice, const std::string& design)
{
    TQuery query(database);
    query.SQL = "select indice, designation from ouvrage where indice = ?";
    query.Values = {indice};
    query.Open();
    std::vector<std::string> found;
    for (; !query.Eof(); query.Next()) {
        const DbValue v = query.Field(1);
        if (!v.IsNull()) found.push_back(QueryFieldText(v));
    }
    query.Close();

    // A download is whole or nothing: whatever stops it (Annuler, a server
    // error, the record limit, a sql.ini section refused after others were
    // read, a lost connection), the borehole goes back to what it was before
    // it, renaming included, so that no table holds the database's data
    // beside others that kept the collection's.
    const int kept = host.Root().IndexOfDir(indice);
    std::unique_ptr<TDirBlock> before = kept >= 0 ? host.Root().ChildDir(kept)->CloneDir() : nullptr;

    std::string current = design;
    // The renaming may already have replaced an ouvrage of the new name: a
    // failure from here on puts that one back too.
    try {
        if (!ChooseAndRename(host, indice, design, found, current)) return false;
    } catch (...) {
        RestoreBorehole(host.Root(), indice, std::move(before));
        RunGuarded([&] {
            host.FillView(indice, design);
            host.RedrawLog();
        });
        RethrowUndone(indice);
    }

    BusyCursor busy;
    auto finish = [&] {
        host.FillView(indice, current);
        busy.Restore();
        host.RedrawLog();
    };
    // Records of sections that name the ouvrage by its designation tell that
    // the database knows it; the others (a borehole's dossier) only that it
    // knows the borehole, which is no reason to empty this ouvrage's levels.
    // Without any such section in sql.ini, every record tells.
    std::size_t ouvrageRecords = 0, boreholeRecords = 0;
    bool byDesign = false;
    auto counted = [&](bool namesDesign, auto&& fill) {
        const std::size_t before = database.RecordsRead();
        fill();
        const std::size_t read = database.RecordsRead() - before;
        (namesDesign ? ouvrageRecords : boreholeRecords) += read;
        byDesign = byDesign || namesDesign;
    };
    try {
        for (const char* sheet : kDownloadSheets)
            counted(SectionsNameDesignation(sheet, true),
                    [&] { host.SheetFromDatabase(database, indice, current, sheet); });
        for (const char* table : kDownloadTables)
            counted(SectionsNameDesignation(table, false),
                    [&] { host.TableFromDatabase(database, indice, current, table); });
    } catch (...) {
        RestoreBorehole(host.Root(), indice, std::move(before));  // what was read so far
        current = design;
        RunGuarded(finish);
        RethrowUndone(indice);
    }
    if ((byDesign ? ouvrageRecords : boreholeRecords) == 0) {
        // Not one record for the ouvrage in any sheet or table: the database
        // does not know it, and emptying its tables would only erase what the
        // person typed. Everything goes back, renaming included, and the
        // collection is left unmodified.
        RestoreBorehole(host.Root(), indice, std::move(before));
        const std::string searched = current;
        current = design;
        finish();
        ShowInformation(kNoInformationTitle, NothingToDownloadText(indice, searched));
        return true;
    }
    finish();
    return true;
}

// ---- the record sheet's fill --------------------------------------------------------

void FillSheetFromDatabase(TDatabase& database, TDirBlock& root, const std::string& indice,
                           const std::string& design, const std::string& table)
{
    TStructTable defs;
    LoadTableDefinitions(defs, table, indice, false);
    const std::string tablePath = indice + "\\" + table;
    int row = 0;
    std::string designPath;
    const int d = IndexOfFieldDef(defs, kDesign);
    if (d >= 0) {
        designPath = defs[static_cast<std::size_t>(d)].Path;
        row = root.IndexOfPathString(designPath, design);
        if (row < 0) {
            const TDirBlock* dir = root.FindDir(tablePath);
            row = dir ? dir->RowCount() : 0;
        }
        DeleteFieldDef(defs, d);
    }
    for (TFieldDef& def : defs) {
        def.Value = root.GetPathString(def.Path, row);
        if (def.Kind == 'E') def.Value = DigitsToDate(def.Value);
    }

    const std::vector<std::string> sections = SqlSectionsForTable(table);
    if (sections.empty()) {
        ShowInformation(kNoInformationTitle, kTableNotInSqlIniText);
        return;
    }
    const SectionQuery q = BuildRecordSheetQuery(sections.front(), defs, indice, design, table);
    if (q.Empty()) {
        ShowInformation(kNoInformationTitle, kNoValidFieldText);
        return;
    }
    TQuery query(database);
    RunQuery(query, q.text);
    // Nothing answered: the sheet is left as it was.
    if (query.Eof()) return;
    for (std::size_t k = 0; k < q.defs.size(); ++k) {
        const DbValue v = query.Field(static_cast<int>(k));
        if (v.IsNull()) continue;
        TFieldDef& def = defs[static_cast<std::size_t>(q.defs[k])];
        std::string text = QueryFieldText(v);
        if (!def.LexCodes.empty()) {
            // A list takes only one of its codes.
            if (std::find(def.LexCodes.begin(), def.LexCodes.end(), text) != def.LexCodes.end()) def.Value = std::move(text);
        } else {
            // Moved, not copied: a long value is held once more at most.
            def.Value = def.Kind == 'U' ? UpperCase(text) : std::move(text);
        }
    }
    query.Close();
    if (!designPath.empty() && root.IndexOfPathString(designPath, design) < 0)
        root.SetPathString(designPath, row, btString, design);
    WriteFieldsToTable(defs, &root, row);
}

// ---- the spreadsheet's fill ----------------------------------------------------------

namespace {

struct GridEntry {
    int tableRow = -1;  // -1: a new row
    std::int32_t selected = 0;
};

void SortGridByDepth(std::vector<std::vector<std::string>>& cells, int depthCol, int kindCol)
{
    const int n = static_cast<int>(cells.size());
    for (int i = 0; i + 1 < n; ++i) {
        const std::string& kind = kindCol >= 0 ? cells[static_cast<std::size_t>(i)][static_cast<std::size_t>(kindCol)] : std::string();
        const std::string depthText = cells[static_cast<std::size_t>(i)][static_cast<std::size_t>(depthCol)];
        if (!IsFloatText(depthText) || depthText.empty()) return;  // not a number: the sort stops
        double best = StrToFloatVal(depthText);
        int m = i;
        for (int j = i + 1; j < n; ++j) {
            const auto& r = cells[static_cast<std::size_t>(j)];
            const std::string k = kindCol >= 0 ? r[static_cast<std::size_t>(kindCol)] : std::string();
            const std::string& t = r[static_cast<std::size_t>(depthCol)];
            if (k > kind || t.empty() || !IsFloatText(t)) continue;
            const double v = StrToFloatVal(t);
            if (v < best) {
                best = v;
                m = j;
            }
        }
        if (m != i) std::rotate(cells.begin() + i, cells.begin() + m, cells.begin() + m + 1);
    }
}

void StoreCell(TDirBlock& dir, const TFieldDef& def, int row, const std::string& cell)
{
    if (def.Kind == 'A' || def.Kind == 'S') {
        // A text is stored through a view of its cell, its spaces cut as
        // TrimBlanks does: a long value is not copied once more here.
        std::string_view t = cell;
        const std::size_t first = t.find_first_not_of(' ');
        t = first == std::string_view::npos ? std::string_view() : t.substr(first, t.find_last_not_of(' ') - first + 1);
        dir.SetPathString(def.Path, row, btString, t);
        return;
    }
    const std::string t = TrimBlanks(cell);
    switch (def.Kind) {
    case 'U': dir.SetPathString(def.Path, row, btString, UpperCase(t)); break;
    case 'D':
    case 'E': {
        if (!IsPartialDate(t)) throw std::runtime_error("Format date attendu (" + t + ")");
        const std::string date = CompleteDate(t, def.Kind == 'E' ? def.Width + 2 : def.Width);
        dir.SetPathString(def.Path, row, btString, def.Kind == 'E' ? NormalizeDate(date) : date);
        break;
    }
    case 'F':
    case 'R': dir.SetPathString(def.Path, row, btFloat, cell); break;
    case 'M': dir.SetPathString(def.Path, row, btFloat, TimesThousandText(t)); break;
    case 'I':
    case 'N': dir.SetPathString(def.Path, row, btInt, cell); break;
    default: break;
    }
}

}  // namespace

void FillTableFromDatabase(TDatabase& database, TDirBlock& root, const std::string& indice,
                           const std::string& design, const std::string& table)
{
    TStructTable defs;
    LoadTableDefinitions(defs, table, "", true);
    bool hasDesign = false;
    for (std::size_t i = 0; i < defs.size(); ++i)
        if (defs[i].Name == kDesign || defs[i].Path == kDesign) {
            DeleteFieldDef(defs, static_cast<int>(i));
            hasDesign = true;
            break;
        }
    TDirBlock* dir = root.ForceDir(indice + "\\" + table);
    const std::string designation = hasDesign ? design : std::string();
    auto dropIfEmpty = [&] {
        if (dir->ItemCount() == 0 && dir->Parent()) dir->Parent()->DeleteChild(dir->Parent()->IndexOf(dir));
    };

    // Columns the definitions do not name are edited too.
    for (int c = 0; c < dir->ItemCount(); ++c) {
        const TBlock* b = dir->Child(c);
        if (!b || !b->IsValue() || b->Name == kDesign || b->Name == "NomTube" || b->Name == kSelection) continue;
        if (std::any_of(defs.begin(), defs.end(), [&](const TFieldDef& f) { return f.Path == b->Name; })) continue;
        TFieldDef f;
        f.Name = f.Path = b->Name;
        const auto type = b->BlockType();
        f.Kind = (type == btInt || type == btIntArray) ? 'I' : (type == btFloat || type == btFloatArray) ? 'F' : 'S';
        defs.push_back(std::move(f));
    }
    if (defs.empty()) {
        dropIfEmpty();
        return;
    }

    // The ouvrage's rows.
    std::vector<GridEntry> entries;
    const bool byDesign = !designation.empty() && dir->FindBlock(kDesign);
    const int rowCount = dir->RowCount();
    for (int r = 0; r < rowCount; ++r) {
        if (byDesign && dir->GetPathString(kDesign, r) != designation) continue;
        entries.push_back({r, dir->FindBlock(kSelection) ? dir->GetPathInt(kSelection, r) : MissingInt});
    }
    std::vector<std::vector<std::string>> cells;
    for (const GridEntry& e : entries) {
        std::vector<std::string> row;
        for (const TFieldDef& f : defs) {
            if (f.Kind == 'E') row.push_back(DigitsToDate(dir->GetPathString(f.Path, e.tableRow)));
            else if (f.Kind == 'M') {
                const double v = dir->GetPathFloat(f.Path, e.tableRow);
                row.push_back(IsMissingFloat(v) ? std::string() : FloatToStr(v / 1000));
            } else row.push_back(dir->GetPathString(f.Path, e.tableRow));
        }
        cells.push_back(std::move(row));
    }
    auto addEmptyRow = [&] {
        entries.push_back({-1, 0});
        cells.emplace_back(defs.size());
    };
    if (entries.empty() || (entries.size() == 1 && !RowEmpty(cells.front()))) addEmptyRow();

    // The fill, section after section.
    const std::vector<std::string> sections = SqlSectionsForTable(table);
    if (sections.empty()) ShowInformation(kNoInformationTitle, kTableNotInSqlIniText);
    std::size_t fillRow = 0;
    for (const std::string& section : sections) {
        const SectionQuery q = BuildSpreadsheetQuery(section, defs, indice, design);
        if (q.Empty()) {
            ShowInformation(kNoInformationTitle, kNoValidFieldText);
            continue;
        }
        TQuery query(database);
        RunQuery(query, q.text);
        for (; !query.Eof(); query.Next(), ++fillRow) {
            if (fillRow >= cells.size()) addEmptyRow();
            for (std::size_t k = 0; k < q.defs.size(); ++k) {
                const DbValue v = query.Field(static_cast<int>(k));
                const auto c = static_cast<std::size_t>(q.defs[k]);
                cells[fillRow][c] = v.IsNull() ? std::string() : LexiconCodeOf(table, defs[c].Path, QueryFieldText(v));
            }
        }
        query.Close();
        for (std::size_t r = fillRow; r < cells.size(); ++r)
            for (int c : q.defs) cells[r][static_cast<std::size_t>(c)].clear();
    }

    // The save: sorted by depth, empty rows dropped, rows written back.
    std::string depthName, kindName;
    if (table == "Trou-nu") depthName = OptTrouNuDeb;
    else if (table == "Annulaire") depthName = OptAnnulaireDeb;
    else if (table == "Niveau") depthName = OptNiveauDeb, kindName = OptNiveauType;
    int depthCol = -1, kindCol = -1;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (!depthName.empty() && defs[i].Path == depthName && depthCol < 0) depthCol = static_cast<int>(i);
        if (!kindName.empty() && defs[i].Path == kindName && kindCol < 0) kindCol = static_cast<int>(i);
    }
    if (depthCol >= 0) SortGridByDepth(cells, depthCol, kindCol);
    std::vector<int> deleted;
    for (std::size_t i = cells.size(); i-- > 1;)
        if (RowEmpty(cells[i])) {
            if (entries[i].tableRow >= 0) deleted.push_back(entries[i].tableRow);
            cells.erase(cells.begin() + static_cast<std::ptrdiff_t>(i));
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(i));
        }
    std::sort(deleted.begin(), deleted.end());
    for (auto it = deleted.rbegin(); it != deleted.rend(); ++it) {
        dir->DeleteRow(*it);
        for (GridEntry& e : entries)
            if (e.tableRow > *it) --e.tableRow;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        GridEntry& e = entries[i];
        if (e.tableRow < 0) e.tableRow = dir->RowCount();
        const std::int32_t selected = IsMissingInt(e.selected) ? 0 : e.selected;
        if (dir->FindBlock(kSelection) || selected != 0) dir->SetPathInt(kSelection, e.tableRow, btInt, selected);
        if (!designation.empty()) dir->SetPathString(kDesign, e.tableRow, btString, designation);
        for (std::size_t c = 0; c < defs.size(); ++c) StoreCell(*dir, defs[c], e.tableRow, cells[i][c]);
    }
    if (entries.size() == 1 && RowEmpty(cells.front())) dir->DeleteRow(entries.front().tableRow);
    dropIfEmpty();
}

// ---- lexicon and stratigraphy ------------------------------------------------------

namespace {

// Hides the progress window on every path out.
struct ProgressGuard {
    ImportProgress& progress;
    ~ProgressGuard() { progress.Finish(); }
};

std::string FirstUpper(const std::string& name)
{
    std::string r = UpperCase(Utf8Substr(name, 0, 1));
    for (char c : name.substr(Utf8Substr(name, 0, 1).size())) r += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return r;
}

// Whether a text can be the key of an edition.ini line.
bool UsableAsKey(const std::string& text)
{
    const std::string t = TrimBlanks(text);
    return !t.empty() && t == text && t.find('=') == std::string::npos && t.find('\n') == std::string::npos &&
           t.find('\r') == std::string::npos && t[0] != '[' && t[0] != ';';
}

std::int32_t IntegerOf(const DbValue& v)
{
    if (v.IsNull()) return 0;
    if (v.kind == DbValue::Kind::Text) return StrToInt(TrimBlanks(v.text));
    const double r = std::nearbyint(v.number);
    if (!std::isfinite(r) || r < -2147483648.0 || r > 2147483647.0)
        throw EConvertError("'" + FloatToStr(v.number) + "' n'est pas une valeur enti\xC3\xA8re correcte",
                            EConvertError::Kind::Integer);
    return static_cast<std::int32_t>(r);
}

}  // namespace

bool ImportLexicon(TDatabase& database, ImportProgress& progress)
{
    const std::string caption = "Importer lexique";
    std::string field;
    if (!AskQuestion(caption, "Champ \xC3\xA0 importer (nomtable.nomchamp) :", field)) return false;
    const std::size_t dot = field.find('.');
    if (dot == std::string::npos) return false;
    const std::string table = TrimBlanks(field.substr(0, dot));
    const std::string column = TrimBlanks(field.substr(dot + 1));
    CheckSqlName(table, false);
    CheckSqlName(column, false);

    EnsureConnected(database);
    TQuery query(database);
    query.SQL = "select " + column + " from " + table + ";";
    query.Open();
    if (query.Eof()) return false;

    std::string section = FirstUpper(column);
    for (;;) {
        if (!AskQuestion(caption, "Champ dans la collection (R\xC3\xA9pertoire\\NomChamp) :", section)) return false;
        if (!section.empty() && section.find('\\') != std::string::npos) break;
    }

    BusyCursor busy;
    ProgressGuard guard{progress};
    progress.Start("Importation du lexique...", 0, query.RecordCount());
    std::vector<std::string> lines;
    std::vector<std::string> keys;
    int position = 0;
    for (; !query.Eof(); query.Next()) {
        const DbValue v = query.Field(0);
        if (!v.IsNull()) {
            const std::string text = QueryFieldText(v);
            // Repeated values give one line (keys match without regard to
            // case); a value that cannot be a key would break the file.
            if (UsableAsKey(text) &&
                std::none_of(keys.begin(), keys.end(), [&](const std::string& k) { return SameTextNoCase(k, text); })) {
                keys.push_back(text);
                lines.push_back(text + "=" + text);
            }
        }
        progress.Step(++position);
    }
    // One write of the whole section: the old lexicon is replaced.
    IniEdition->EraseSection(section);
    IniEdition->WriteSection(section, lines);
    busy.Restore();
    ShowBox(kImportTitle, "Lexique import\xC3\xA9");
    return true;
}

bool ImportStratigraphy(TDatabase& database, ImportProgress& progress)
{
    const std::string caption = "Importer stratigraphie";
    const char* const questions[] = {"Table stratigraphie dans la base :", "Champ d\xC3\xA9" "but :", "Champ fin :",
                                     "Champ nom :"};
    std::string answers[4];
    for (int i = 0; i < 4; ++i) {
        if (!AskQuestion(caption, questions[i], answers[i])) return false;
        answers[i] = TrimBlanks(answers[i]);
        if (answers[i].empty()) return false;
        CheckSqlName(answers[i], i == 0);
    }
    EnsureConnected(database);
    TQuery query(database);
    query.SQL = "select " + answers[1] + "," + answers[2] + "," + answers[3] + " from " + answers[0] + ";";
    query.Open();
    if (query.Eof()) return false;

    BusyCursor busy;
    ProgressGuard guard{progress};
    const int count = query.RecordCount();
    progress.Start("Importation de la stratigraphie...", 0, 2 * count);
    std::vector<TStratiUnit> scale;
    int position = 0;
    for (; !query.Eof(); query.Next()) {
        TStratiUnit u;
        u.StartValue = IntegerOf(query.Field(0));
        u.EndValue = IntegerOf(query.Field(1));
        // A name is the key of its strati.ini line: "=" and line breaks
        // inside it would cut it.
        u.UnitName = QueryFieldText(query.Field(2));
        for (char& c : u.UnitName)
            if (c == '=') c = '-';
            else if (c == '\r' || c == '\n') c = ' ';
        scale.push_back(std::move(u));
        progress.Step(++position);
    }
    StratiScale = std::move(scale);
    StratiScaleLoaded = true;
    StratiScaleSave([&] { progress.Step(++position); });
    busy.Restore();
    ShowBox(kImportTitle, "Stratigraphie import\xC3\xA9" "e");
    return true;
}
