// Loading a table into the spreadsheet grid, storing it back, the change test
// and the sort by depth.
#include "app/spreadsheet_logic.h"

#include <algorithm>
#include <stdexcept>

#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/numbers.h"
#include "store/options.h"

namespace {

const std::string kDesign = "D\xC3\xA9sign";
const std::string kSelection = "S\xC3\xA9lection";

std::optional<double> FloatOfCell(const std::string& text)
{
    const std::string t = Trim(text);
    if (t.empty() || !IsFloatText(t)) return std::nullopt;
    return StrToFloatVal(t);
}

// What the store makes of a text written into a float or an integer column:
// the same conversion, on a block of its own, so that a text is known to
// convert before anything of the table is touched. Raises the conversion's
// message.
double StoreFloatOf(const std::string& text)
{
    TFloatBlock probe(std::string(), MissingFloat);
    probe.SetString(0, text);
    return probe.Value;
}

std::int32_t StoreIntOf(const std::string& text)
{
    TIntBlock probe(std::string(), MissingInt);
    probe.SetString(0, text);
    return probe.Value;
}

// The text a cell is stored as and the block type it goes into (0: the kind
// stores nothing). Raises when the cell cannot be stored.
std::string StoreTextOf(const TFieldDef& d, const std::string& cell, std::uint8_t& type)
{
    const std::string trimmed = Trim(cell);
    type = 0;
    switch (d.Kind) {
    case 'A': case 'S':
        type = btString;
        return trimmed;
    case 'U':
        type = btString;
        return UpperCase(trimmed);
    case 'D':
    case 'E':
        if (!IsPartialDate(trimmed)) throw std::runtime_error("Format date attendu (" + trimmed + ")");
        type = btString;
        return d.Kind == 'D' ? CompleteDate(trimmed, d.Width) : NormalizeDate(CompleteDate(trimmed, d.Width + 2));
    case 'F': case 'R':
        StoreFloatOf(trimmed);
        type = btFloat;
        return trimmed;
    case 'M': {
        const std::string text = TimesThousandText(trimmed);
        StoreFloatOf(text);
        type = btFloat;
        return text;
    }
    case 'I': case 'N':
        StoreIntOf(trimmed);
        type = btInt;
        return trimmed;
    default:
        return {};
    }
}

}  // namespace

// ---- memory grid ------------------------------------------------------------

void MemoryTableurGrid::SetRowCount(int rows)
{
    cells_.resize(static_cast<std::size_t>(std::max(rows, 0)), std::vector<std::string>(widths_.size()));
}

void MemoryTableurGrid::SetColCount(int cols)
{
    widths_.resize(static_cast<std::size_t>(std::max(cols, 0)), DefaultColWidth());
    for (auto& r : cells_) r.resize(widths_.size());
}

std::string MemoryTableurGrid::Cell(int col, int row) const
{
    if (row < 0 || row >= RowCount() || col < 0 || col >= ColCount()) return {};
    return cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void MemoryTableurGrid::SetCell(int col, int row, const std::string& text)
{
    if (row < 0 || row >= RowCount() || col < 0 || col >= ColCount()) return;
    cells_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
}

int MemoryTableurGrid::ColWidth(int col) const
{
    return col >= 0 && col < ColCount() ? widths_[static_cast<std::size_t>(col)] : 0;
}

void MemoryTableurGrid::SetColWidth(int col, int width)
{
    if (col >= 0 && col < ColCount()) widths_[static_cast<std::size_t>(col)] = width;
}

int MemoryTableurGrid::TextWidth(const std::string& text) const
{
    return static_cast<int>(Utf8Length(text)) * 7;
}

TableurServices& TableurSeams()
{
    static TableurServices services;
    return services;
}

// ---- opening ------------------------------------------------------------------

bool TableurSheet::PrepareDefinitions()
{
    Defs.clear();
    LoadTableDefinitions(Defs, TableName, "", true);
    const auto it = std::find_if(Defs.begin(), Defs.end(), [](const TFieldDef& d) { return d.Name == kDesign; });
    if (it == Defs.end()) return false;
    Defs.erase(it);
    return true;
}

std::string TableurSheet::Caption(bool hadDesign) const
{
    if (!hadDesign) return Indice + " - " + TableName;
    if (TubeName.empty()) return Indice + " " + Designation + " - " + TableName;
    return Indice + " " + Designation + " - Tube : " + TubeName;
}

void TableurSheet::DropTableIfEmpty()
{
    if (!TableDir) return;
    for (const auto& child : TableDir->Items())
        if (child->IsValue()) return;
    TDirBlock* parent = TableDir->Parent();
    if (!parent) throw std::runtime_error("Tableur : le r\xC3\xA9pertoire parent n'est pas d\xC3\xA9" "fini.");
    parent->RemoveChild(TableDir);
    TableDir = nullptr;
}

// ---- loading --------------------------------------------------------------------

std::int32_t TableurSheet::TableRowCount() const { return TableDir ? TableDir->RowCount() : 0; }

std::string TableurSheet::StoredText(int def, int tableRow) const
{
    const TFieldDef& d = Defs[static_cast<std::size_t>(def)];
    switch (d.Kind) {
    case 'E':
        return DigitsToDate(TableDir->GetPathString(d.Path, tableRow));
    case 'M': {
        const double v = TableDir->GetPathFloat(d.Path, tableRow);
        return IsMissingFloat(v) ? std::string() : FloatToStr(v / 1000.0);
    }
    default:
        return TableDir->GetPathString(d.Path, tableRow);
    }
}

bool TableurSheet::LoadGrid()
{
    if (!TableDir) return false;
    Loading = true;
    RowMap.clear();
    DeletedRows.clear();
    SelLigneVisible = IsNiveau();

    // The depth fields of the four tables with depths. Other tables get none,
    // so that a previous table's names never apply to them.
    DepthFromField.clear();
    DepthToField.clear();
    KindField.clear();
    if (TableName == "Trou-nu") {
        DepthFromField = OptTrouNuDeb;
        DepthToField = OptTrouNuFin;
    } else if (TableName == "Tubage") {
        DepthFromField = OptTubageDeb;
        DepthToField = OptTubageFin;
        KindField = OptTubageType;
    } else if (TableName == "Annulaire") {
        DepthFromField = OptAnnulaireDeb;
        DepthToField = OptAnnulaireFin;
        KindField = OptAnnulaireType;
    } else if (TableName == "Niveau") {
        DepthFromField = OptNiveauDeb;
        DepthToField = OptNiveauFin;
        KindField = OptNiveauType;
    }

    for (const auto& child : TableDir->Items()) {
        char kind = 0;
        switch (child->BlockType()) {
        case btString: case btStringArray: kind = 'S'; break;
        case btInt: case btIntArray: kind = 'I'; break;
        case btFloat: case btFloatArray: kind = 'F'; break;
        default: continue;
        }
        const std::string& name = child->Name;
        if (name == kDesign || name == "NomTube" || name == kSelection) continue;
        if (ColumnOf(name) >= 0) continue;
        TFieldDef d;
        d.Name = d.Path = name;
        d.Kind = kind;
        Defs.push_back(d);
    }

    const TBlock* design = TableDir->FindBlock(kDesign);
    if (Designation.empty() || !design) {
        for (int i = 0; i < TableDir->RowCount(); ++i)
            RowMap.push_back({i, TableDir->GetPathInt(kSelection, i)});
    } else {
        for (int i = 0; i < design->Count(); ++i) {
            if (design->GetString(i) != Designation) continue;
            if (!TubeName.empty()) {
                std::string tube = TableDir->GetPathString("NomTube", i);
                if (tube.empty()) tube = OptNomTubeSimple;
                if (tube != TubeName) continue;
            }
            RowMap.push_back({i, TableDir->GetPathInt(kSelection, i)});
        }
    }

    if (Defs.empty()) {
        Loading = false;
        return false;
    }

    const int cols = static_cast<int>(Defs.size()) + (IsNiveau() ? 1 : 0);
    Grid.SetRowCount(1);
    Grid.SetColCount(cols);
    Grid.SetRowCount(static_cast<int>(RowMap.size()) + 1);
    for (int c = 0; c < cols; ++c) Grid.SetColWidth(c, Grid.DefaultColWidth());
    for (int c = 0; c < static_cast<int>(Defs.size()); ++c) {
        Grid.SetCell(c, 0, Defs[static_cast<std::size_t>(c)].Name);
        for (std::size_t r = 0; r < RowMap.size(); ++r)
            Grid.SetCell(c, static_cast<int>(r) + 1, StoredText(c, RowMap[r].TableRow));
        AutoSizeColumn(c, 16);
    }
    if (IsNiveau()) {
        Grid.SetCell(cols - 1, 0, "Motif");
        for (int r = 1; r < Grid.RowCount(); ++r) Grid.SetCell(cols - 1, r, "");
        Grid.SetColWidth(cols - 1, IniCarotix ? IniCarotix->ReadInteger("Dessin", "LargeurColonneMotif", 70) : 70);
    }

    if (RowMap.empty())
        AddEmptyRow();
    else if (RowMap.size() == 1 && !RowIsEmpty(1))
        AddEmptyRow();

    // The log window names a row of the whole table (counted from 1); the
    // grid shows only this ouvrage's (and tube's) rows, and the sort may move
    // its texts: the row is followed through the sort and selected after it.
    int select = -1;
    if (RowToSelect != -1) {
        const auto shown = std::find_if(RowMap.begin(), RowMap.end(),
                                        [this](const TableurRowEntry& e) { return e.TableRow == RowToSelect - 1; });
        if (shown != RowMap.end()) select = static_cast<int>(shown - RowMap.begin()) + 1;
        RowToSelect = -1;
    }
    if (ProcessEventsHook) ProcessEventsHook();
    Loading = false;
    SortByDepth(true, &select);
    if (select >= 1 && SelectRowHook) SelectRowHook(select);
    return true;
}

void TableurSheet::AutoSizeColumn(int col, int extra)
{
    int width = Grid.DefaultColWidth();
    for (int r = 0; r < Grid.RowCount(); ++r) width = std::max(width, Grid.TextWidth(Grid.Cell(col, r)) + extra);
    const int cap = std::max(350, Grid.ColWidth(col));
    Grid.SetColWidth(col, width > cap ? cap : width);
}

int TableurSheet::ColumnOf(const std::string& path) const
{
    for (std::size_t i = 0; i < Defs.size(); ++i)
        if (Defs[i].Path == path) return static_cast<int>(i);
    return -1;
}

bool TableurSheet::RowIsEmpty(int gridRow) const
{
    for (int c = 0; c < Grid.ColCount(); ++c)
        if (!Grid.Cell(c, gridRow).empty()) return false;
    return true;
}

// ---- rows -------------------------------------------------------------------------

void TableurSheet::AddEmptyRow()
{
    std::int32_t index = TableRowCount();
    std::int32_t highest = -1;
    for (const auto& e : RowMap) highest = std::max(highest, e.TableRow);
    for (std::size_t k = 0; k < DeletedRows.size(); ++k) {
        if (DeletedRows[k] > highest) {
            index = DeletedRows[k];
            DeletedRows.erase(DeletedRows.begin() + static_cast<std::ptrdiff_t>(k));
            break;
        }
    }
    // Rows appended before a save share the index past the table's end; the
    // store gives each its own table row, in grid order.
    RowMap.push_back({index, 0});
    const int row = static_cast<int>(RowMap.size());
    Grid.SetRowCount(row + 1);
    GridClearRow(Grid, row);
}

void TableurSheet::MoveRow(int from, int to)
{
    for (int c = 0; c < Grid.ColCount(); ++c) Grid.SetCell(c, to, Grid.Cell(c, from));
}

void TableurSheet::DeleteGridRow(int index)
{
    if (index < 0 || index >= static_cast<int>(RowMap.size())) return;
    const std::int32_t t = RowMap[static_cast<std::size_t>(index)].TableRow;
    RowMap.erase(RowMap.begin() + index);
    // A row inserted in the grid shares its table index with its neighbour
    // until it is stored: deleting one of the two deletes no table row.
    const bool shared = std::any_of(RowMap.begin(), RowMap.end(), [t](const TableurRowEntry& e) { return e.TableRow == t; });
    if (!shared) DeletedRows.push_back(t);
    if (Grid.RowCount() < 3) {
        GridClearRow(Grid, 1);
        // The emptied row stays on screen: it keeps an entry so that what is
        // typed into it later is stored.
        if (RowMap.empty()) {
            const int keep = Grid.RowCount();
            AddEmptyRow();
            Grid.SetRowCount(std::max(keep, 2));
        }
        return;
    }
    for (int r = index + 1; r < Grid.RowCount() - 1; ++r) MoveRow(r + 1, r);
    Grid.SetRowCount(Grid.RowCount() - 1);
}

void TableurSheet::InsertGridRow(int before, int index)
{
    if (index < 0 || index > static_cast<int>(RowMap.size())) return;
    const std::int32_t p = before >= 0 && before < static_cast<int>(RowMap.size())
                               ? RowMap[static_cast<std::size_t>(before)].TableRow
                               : -1;
    const std::int32_t n =
        index < static_cast<int>(RowMap.size()) ? RowMap[static_cast<std::size_t>(index)].TableRow : TableRowCount();
    std::int32_t t = n;
    for (std::size_t k = 0; k < DeletedRows.size(); ++k) {
        if (DeletedRows[k] > p && DeletedRows[k] < n) {
            t = DeletedRows[k];
            DeletedRows.erase(DeletedRows.begin() + static_cast<std::ptrdiff_t>(k));
            break;
        }
    }
    RowMap.insert(RowMap.begin() + index, TableurRowEntry{t, 0});
    Grid.SetRowCount(Grid.RowCount() + 1);
    for (int r = Grid.RowCount() - 1; r > index + 1; --r) MoveRow(r - 1, r);
    GridClearRow(Grid, index + 1);
}

// ---- storing ----------------------------------------------------------------------

void TableurSheet::WriteRow(std::size_t i)
{
    TableurRowEntry& e = RowMap[i];
    const std::int32_t t = e.TableRow;
    // A mark is stored where the table keeps marks, or where a row carries
    // one; "no value" is no mark and creates no column.
    if (TableDir->FindBlock(kSelection) || (e.Selected != 0 && !IsMissingInt(e.Selected)))
        TableDir->SetPathInt(kSelection, t, btInt, e.Selected);
    if (!Designation.empty()) TableDir->SetPathString(kDesign, t, btString, Designation);
    if (!TubeName.empty()) TableDir->SetPathString("NomTube", t, btString, TubeName);
    const int gridRow = static_cast<int>(i) + 1;
    for (std::size_t c = 0; c < Defs.size(); ++c) {
        // Only what changed is written: a float the cell shows in 15 digits
        // keeps every bit it had when its cell was not edited.
        if (!CellDiffers(static_cast<int>(c), gridRow)) continue;
        std::uint8_t type = 0;
        const std::string text = StoreTextOf(Defs[c], Grid.Cell(static_cast<int>(c), gridRow), type);
        if (type != 0) TableDir->SetPathString(Defs[c].Path, t, type, text);
    }
}

void TableurSheet::CheckCells() const
{
    const std::int32_t tableRows = TableRowCount();
    for (std::size_t i = 0; i < RowMap.size(); ++i) {
        const int gridRow = static_cast<int>(i) + 1;
        if (gridRow > 1 && RowIsEmpty(gridRow)) continue;   // dropped by the save
        const std::int32_t t = RowMap[i].TableRow;
        // A row new to the table is written whole.
        const bool fresh = t >= tableRows || std::count_if(RowMap.begin(), RowMap.end(), [t](const TableurRowEntry& e) {
                                                 return e.TableRow == t;
                                             }) > 1;
        for (std::size_t c = 0; c < Defs.size(); ++c) {
            const int col = static_cast<int>(c);
            if (!fresh && !CellDiffers(col, gridRow)) continue;
            try {
                std::uint8_t type = 0;
                StoreTextOf(Defs[c], Grid.Cell(col, gridRow), type);
            } catch (const std::exception& e) {
                throw TableurCellError(col, gridRow,
                                       std::string(e.what()) + "\n\nColonne \xC2\xAB " + Defs[c].Name +
                                           " \xC2\xBB, ligne " + IntToStr(gridRow) + ".");
            }
        }
    }
}

void TableurSheet::SaveGrid()
{
    if (!TableDir) return;
    SortByDepth(true);
    // Every cell that is to be written must convert before the table is
    // touched: a save stores all of the grid or nothing.
    CheckCells();
    for (int i = static_cast<int>(RowMap.size()) - 1; i >= 1; --i)
        if (RowIsEmpty(i + 1)) DeleteGridRow(i);

    for (std::size_t k = DeletedRows.size(); k-- > 0;) {
        const std::int32_t t = DeletedRows[k];
        TableDir->DeleteRow(t);
        for (std::size_t j = 0; j < k; ++j)
            if (DeletedRows[j] > t) --DeletedRows[j];
        for (auto& e : RowMap)
            if (e.TableRow > t) --e.TableRow;
    }
    DeletedRows.clear();

    for (std::size_t i = 0; i < RowMap.size(); ++i) {
        if (i + 1 < RowMap.size() && RowMap[i + 1].TableRow == RowMap[i].TableRow) {
            const std::int32_t t = RowMap[i].TableRow;
            if (t < TableDir->RowCount()) TableDir->InsertRow(t);
            for (std::size_t j = 0; j < RowMap.size(); ++j)
                if (j != i && RowMap[j].TableRow >= t) ++RowMap[j].TableRow;
        }
        WriteRow(i);
    }
    // A column first written on a later row still runs the whole table, as
    // every reader of the collection expects its columns to.
    const std::int32_t rows = TableDir->RowCount();
    for (const TFieldDef& d : Defs) {
        const TBlock* b = TableDir->FindBlock(d.Path);
        if (!b || b->IsDir() || b->Count() >= rows || rows == 0) continue;
        std::uint8_t type = 0;
        StoreTextOf(d, std::string(), type);
        if (type != 0) TableDir->SetPathString(d.Path, rows - 1, type, std::string());
    }

    if (RowMap.size() == 1 && RowIsEmpty(1)) {
        TableDir->DeleteRow(RowMap[0].TableRow);
        RowMap.clear();
    }
    DropTableIfEmpty();
}

// ---- change test ------------------------------------------------------------------

bool TableurSheet::CellDiffers(int def, int gridRow) const
{
    if (!TableDir || def < 0 || def >= static_cast<int>(Defs.size())) return false;
    if (gridRow < 1 || gridRow > static_cast<int>(RowMap.size())) return false;
    const TFieldDef& d = Defs[static_cast<std::size_t>(def)];
    const std::int32_t t = RowMap[static_cast<std::size_t>(gridRow) - 1].TableRow;
    const std::string cell = Trim(Grid.Cell(def, gridRow));
    switch (d.Kind) {
    case 'U':
        return UpperCase(Trim(TableDir->GetPathString(d.Path, t))) != UpperCase(cell);
    case 'E':
    case 'D':
        try {
            const std::string completed = d.Kind == 'E' ? NormalizeDate(CompleteDate(cell, d.Width + 2))
                                                        : CompleteDate(cell, d.Width);
            return TableDir->GetPathString(d.Path, t) != completed;
        } catch (const std::exception&) {
            return true;
        }
    case 'I': case 'N': {
        const std::int32_t stored = TableDir->GetPathInt(d.Path, t);
        if (cell.empty()) return stored != MissingInt;
        // Text the store refuses is an edit all the same: show it, and let
        // the save name it.
        try {
            return StoreIntOf(cell) != stored;
        } catch (const std::exception&) {
            return true;
        }
    }
    case 'F': case 'R': case 'M': {
        const double stored = TableDir->GetPathFloat(d.Path, t);
        if (cell.empty()) return !IsMissingFloat(stored);
        double v = 0;
        try {
            v = StoreFloatOf(d.Kind == 'M' ? TimesThousandText(cell) : cell);
        } catch (const std::exception&) {
            return true;
        }
        if (IsMissingFloat(stored)) return true;
        // The cell shows the value in 15 digits: compare at that precision,
        // or every float that does not print exactly would count as changed.
        return FloatToStr(stored) != FloatToStr(v);
    }
    default:
        return Trim(TableDir->GetPathString(d.Path, t)) != cell;
    }
}

bool TableurSheet::HasChanges() const
{
    if (!DeletedRows.empty()) return true;
    if (TableDir) {
        for (std::size_t i = 0; i < RowMap.size(); ++i)
            for (std::size_t c = 0; c < Defs.size(); ++c)
                if (CellDiffers(static_cast<int>(c), static_cast<int>(i) + 1)) return true;
        return false;
    }
    for (int r = 1; r < Grid.RowCount(); ++r)
        for (int c = 0; c < Grid.ColCount(); ++c)
            if (!Trim(Grid.Cell(c, r)).empty()) return true;
    return false;
}

// ---- sort by depth ---------------------------------------------------------------

bool TableurSheet::SortByDepth(bool announce, int* follow)
{
    if (TableName == "Tubage" || DepthFromField.empty()) return false;
    const int depthCol = ColumnOf(DepthFromField);
    if (depthCol < 0) return false;
    const int kindCol = IsNiveau() && !KindField.empty() ? ColumnOf(KindField) : -1;
    Loading = true;
    bool moved = false;
    for (int i = 1; i <= Grid.RowCount() - 2; ++i) {
        const std::string kind = kindCol >= 0 ? Grid.Cell(kindCol, i) : std::string();
        const std::optional<double> depth = FloatOfCell(Grid.Cell(depthCol, i));
        if (!depth) break;
        double smallest = *depth;
        int m = i;
        for (int j = i + 1; j < Grid.RowCount(); ++j) {
            const std::string kj = kindCol >= 0 ? Grid.Cell(kindCol, j) : std::string();
            if (!(kj <= kind)) continue;
            const std::optional<double> dj = FloatOfCell(Grid.Cell(depthCol, j));
            if (dj && *dj < smallest) {
                smallest = *dj;
                m = j;
            }
        }
        if (m == i) continue;
        // Rotate row m's texts up to row i, cell by cell: going through the
        // clipboard text would leave a trailing empty cell unwritten.
        std::vector<std::string> saved;
        for (int c = 0; c < Grid.ColCount(); ++c) saved.push_back(Grid.Cell(c, m));
        for (int r = m; r > i; --r) MoveRow(r - 1, r);
        for (int c = 0; c < Grid.ColCount(); ++c) Grid.SetCell(c, i, saved[static_cast<std::size_t>(c)]);
        if (follow && *follow == m) *follow = i;
        else if (follow && *follow >= i && *follow < m) ++*follow;
        if (m - 1 < static_cast<int>(RowMap.size())) {
            const std::int32_t sel = RowMap[static_cast<std::size_t>(m) - 1].Selected;
            for (int r = m - 1; r > i - 1; --r)
                RowMap[static_cast<std::size_t>(r)].Selected = RowMap[static_cast<std::size_t>(r) - 1].Selected;
            RowMap[static_cast<std::size_t>(i) - 1].Selected = sel;
        }
        moved = true;
    }
    Loading = false;
    if (moved && announce)
        ShowBox("Tri automatique", "Les lignes ont \xC3\xA9t\xC3\xA9 tri\xC3\xA9" "es par profondeur.");
    return moved;
}
