#include "exchange/import_rows.h"

#include <algorithm>

#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"

bool DefinitionsNameDesign(const std::vector<std::string>& definitionLines)
{
    for (const std::string& line : definitionLines) {
        const std::string value = ValuePart(line);
        if (value.substr(0, value.find(':')) == kImportDesign) return true;
    }
    return false;
}

bool IsBoreholeOwnTable(const TDirBlock& borehole, const std::string& table,
                        const std::vector<std::string>& definitionLines, bool bringsDesign)
{
    if (bringsDesign || table.empty()) return false;
    if (const TDirBlock* existing = borehole.FindDir(table); existing && existing->IndexOfName(kImportDesign) >= 0)
        return false;
    if (definitionLines.empty()) return table == "Dossier";
    return !DefinitionsNameDesign(definitionLines);
}

bool ImportValueGiven(std::string_view text)
{
    return !TrimView(text).empty();
}

bool KeepOwnCell(const TDirBlock& dir, const std::string& path, int row, std::string_view value)
{
    if (ImportValueGiven(value)) return false;
    const TBlock* column = dir.FindBlock(path);
    return column && row < column->Count();
}

std::string ImportedBoreholeNames::Name(const TDirBlock& root, std::string_view index, std::int64_t& renamed,
                                        std::vector<std::string>& merged)
{
    std::string name(index);
    bool changed = false;
    for (char& c : name)
        if (c == '\\') {
            c = '_';
            changed = true;
        }
    if (!changed) {
        // The other way round: an index lands in the borehole that a renamed
        // one made.
        if (createdBy_.empty()) return name;
        const auto maker = createdBy_.find(name);
        if (maker != createdBy_.end() && joined_.insert(name).second)
            merged.push_back("Indice \"" + name + "\" fusionn\xC3\xA9 avec l'indice \"" + maker->second
                             + "\", enregistr\xC3\xA9 \"" + name + "\"");
        return name;
    }
    const std::string original(index);
    auto [at, fresh] = seen_.emplace(original, true);
    if (fresh) ++renamed;
    const auto maker = createdBy_.find(name);
    const bool present = root.IndexOfName(name) >= 0;
    if (!present) {
        createdBy_[name] = original;
    } else if ((maker == createdBy_.end() || maker->second != original) && at->second) {
        // Said once per index: the two boreholes are one now.
        at->second = false;
        merged.push_back("Indice \"" + original + "\" fusionn\xC3\xA9 avec l'indice existant \"" + name + "\"");
    }
    return name;
}

std::vector<std::string> RecordSheetTables()
{
    std::vector<std::string> sheets{"Ouvrage", "Dossier"};
    if (!IniCarotix) return sheets;
    for (const std::string& line : IniCarotix->ReadSectionValues("Tables")) {
        const std::string command = ValuePart(line);
        const std::string_view prefix = "Fiche(";
        if (command.compare(0, prefix.size(), prefix) != 0) continue;
        const std::size_t close = command.find(')', prefix.size());
        if (close == std::string::npos) continue;
        std::string table = command.substr(prefix.size(), close - prefix.size());
        if (!table.empty() && std::find(sheets.begin(), sheets.end(), table) == sheets.end())
            sheets.push_back(std::move(table));
    }
    return sheets;
}

std::string RefusedValueWords(const std::exception& e)
{
    if (const auto* convert = dynamic_cast<const EConvertError*>(&e)) {
        if (convert->ValueKind() == EConvertError::Kind::Integer) return "n'est pas un nombre entier";
        return std::string("n'est pas un nombre (le s\xC3\xA9parateur d\xC3\xA9" "cimal est \"") + GetDecimalSeparator()
               + "\")";
    }
    return std::string("ne peut pas \xC3\xAAtre enregistr\xC3\xA9" "e (") + e.what() + ")";
}

EImportValue::EImportValue(std::string where, std::string field, std::string value, std::string why)
    : std::runtime_error(where + ", champ " + field + " : la valeur \"" + value + "\" " + why + "."),
      Where(std::move(where)), Field(std::move(field)), Value(std::move(value)), Why(std::move(why))
{
}

std::string EImportValue::Message(const std::string& file) const
{
    return "Erreur dans le fichier \xC2\xAB " + file + " \xC2\xBB, " + what();
}

namespace {

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// Copies element `from` of the staged column into element `to` of the
// collection's column of that name, by the staged column's kind (it has the
// collection column's kind, or the one it took from the file's values). With
// `keep`, a value that gives nothing leaves a cell that is already there.
void CopyCell(const TBlock& staged, int from, TDirBlock& dir, const std::string& column, int to, bool keep)
{
    if (keep && !ImportValueGiven(staged.GetString(from))) {
        const TBlock* there = dir.FindBlock(column);
        if (there && to < there->Count()) return;
    }
    switch (staged.BlockType()) {
    case btInt:
    case btIntArray:
        dir.SetPathInt(column, to, btInt, staged.GetInt(from));
        break;
    case btFloat:
    case btFloatArray:
        dir.SetPathFloat(column, to, btFloat, staged.GetFloat(from));
        break;
    default:
        dir.SetPathString(column, to, btString, staged.GetString(from));
        break;
    }
}

// The rows of `column` that hold `design`, in order. The one pass over the
// table that re-importing an ouvrage takes: its last byte, where designations
// such as F1, F2... differ, is compared first.
std::vector<int> RowsHolding(const TBlock& column, std::string_view design)
{
    std::vector<int> rows;
    const int count = column.Count();
    if (column.BlockType() != btStringArray) {
        for (int r = 0; r < count; ++r)
            if (column.GetString(r) == design) rows.push_back(r);
        return rows;
    }
    const auto& texts = static_cast<const TStrArrayBlock&>(column);
    if (design.empty()) {
        for (int r = 0; r < count; ++r)
            if (texts.Item(r).empty()) rows.push_back(r);
        return rows;
    }
    const char last = design.back();
    for (int r = 0; r < count; ++r) {
        const std::string_view text = texts.Item(r);
        if (text.size() == design.size() && text.back() == last && text == design) rows.push_back(r);
    }
    return rows;
}

}  // namespace

// The tables of a borehole without their rows: each value block a single value
// of its kind holding the missing value (an empty array would take no store),
// so that a store converts, or fails, as it would in the borehole.
std::unique_ptr<TBlock> ShapeOf(const TBlock& b)
{
    if (b.IsDir()) {
        auto dir = std::make_unique<TDirBlock>(b.Name);
        for (const auto& child : static_cast<const TDirBlock&>(b).Items())
            if (auto copy = ShapeOf(*child)) dir->AddChild(std::move(copy), true);
        return dir;
    }
    switch (b.BlockType()) {
    case btString:
    case btStringArray:
        return std::make_unique<TStrBlock>(b.Name, std::string());
    case btInt:
    case btIntArray:
        return std::make_unique<TIntBlock>(b.Name, MissingInt);
    case btFloat:
    case btFloatArray:
        return std::make_unique<TFloatBlock>(b.Name, MissingFloat);
    default:
        return nullptr;
    }
}

StagedOuvrage::StagedOuvrage(const TDirBlock* borehole, std::string name, std::string design,
                             std::vector<std::string> sheets)
    : name_(std::move(name)), design_(std::move(design)), sheets_(std::move(sheets))
{
    if (borehole) {
        std::unique_ptr<TBlock> shape = ShapeOf(*borehole);
        stage_.reset(static_cast<TDirBlock*>(shape.release()));
    } else {
        stage_ = std::make_unique<TDirBlock>(name_);
    }
}

void StagedOuvrage::Store(const std::string& path, int row, std::uint8_t typeCode, std::string_view value, Rows rows)
{
    stage_->SetPathString(path, row, typeCode, value);
    const std::string table = FolderOf(path);
    auto it = std::find_if(tables_.begin(), tables_.end(), [&](const Table& t) { return t.path == table; });
    if (it == tables_.end()) {
        tables_.push_back(Table{table, rows, 0, {}});
        it = tables_.end() - 1;
    }
    it->count = std::max(it->count, row + 1);
    const std::string column = table.empty() ? path : path.substr(table.size() + 1);
    if (std::find(it->columns.begin(), it->columns.end(), column) == it->columns.end()) it->columns.push_back(column);
}

void StagedOuvrage::Apply(TDirBlock& root) const
{
    TDirBlock& borehole = *root.GetOrCreateSubDir(name_, false);
    for (const Table& table : tables_) {
        const TDirBlock* staged = table.path.empty() ? stage_.get() : stage_->FindDir(table.path);
        if (!staged) continue;
        TDirBlock& dir = table.path.empty() ? borehole : *borehole.ForceDir(table.path);
        if (table.rows == Rows::Designated && !table.path.empty()) {
            ApplyDesignated(dir, *staged, table);
            continue;
        }
        const bool keep = table.rows == Rows::Own;
        for (const std::string& column : table.columns)
            if (const TBlock* from = staged->FindBlock(column))
                for (int r = 0; r < table.count; ++r) CopyCell(*from, r, dir, column, r, keep);
    }
}

void StagedOuvrage::ApplyDesignated(TDirBlock& dir, const TDirBlock& staged, const Table& table) const
{
    // The ouvrage's rows there: one look through the designations. Rows of
    // it apart from the first run of them join that run.
    std::vector<int> mine;
    if (const TBlock* design = dir.FindBlock(kImportDesign)) mine = RowsHolding(*design, design_);
    const int place = mine.empty() ? dir.RowCount() : mine.front();
    int had = 0;
    while (had < static_cast<int>(mine.size()) && mine[static_cast<std::size_t>(had)] == place + had) ++had;
    for (int k = static_cast<int>(mine.size()) - 1; k >= had; --k) dir.DeleteRow(mine[static_cast<std::size_t>(k)]);

    // As many rows as the file gives: only the difference moves the rows of
    // the ouvrages after it.
    const int count = table.count;
    for (int k = had; k < count && place + had < dir.RowCount(); ++k) dir.InsertRow(place + had);
    for (int k = count; k < had; ++k) dir.DeleteRow(place + count);

    const bool sheet = std::find(sheets_.begin(), sheets_.end(), table.path) != sheets_.end();
    for (const std::string& column : table.columns)
        if (const TBlock* from = staged.FindBlock(column))
            for (int r = 0; r < count; ++r) CopyCell(*from, r, dir, column, place + r, sheet && r < had);
    if (sheet) return;
    // Rows replaced in place lose what the new file does not write, as new
    // rows would.
    for (int c = 0; c < dir.ItemCount(); ++c) {
        TBlock* column = dir.Child(c);
        if (column->IsDir() || !column->IsValue()) continue;
        if (std::find(table.columns.begin(), table.columns.end(), column->Name) != table.columns.end()) continue;
        for (int r = place; r < place + std::min(count, had) && r < column->Count(); ++r) dir.SetTextAt(c, r, "");
    }
}
