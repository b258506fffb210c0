#include "exchange/import_rows.h"

#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/divers.h"

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

void StoreOwnValue(TDirBlock& dir, const std::string& path, int row, std::uint8_t typeCode, const std::string& value)
{
    if (!KeepOwnCell(dir, path, row, value)) dir.SetPathString(path, row, typeCode, value);
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

int OuvrageRowPlacer::Row(const std::string& table, int row, bool designated)
{
    if (!designated || table.empty()) return row;
    auto it = tables_.find(table);
    if (it == tables_.end()) {
        Placed placed;
        TDirBlock* dir = borehole_.FindDir(table);
        placed.base = dir ? dir->RowCount() : 0;
        if (dir) {
            // The ouvrage imported again: its earlier rows go, and the new
            // ones are written where the first of them stood.
            const TBlock* design = dir->FindBlock(kImportDesign);
            for (int r = design ? design->Count() - 1 : -1; r >= 0; --r) {
                if (design->GetString(r) != design_) continue;
                dir->DeleteRow(r);
                placed.base = r;
                design = dir->FindBlock(kImportDesign);
                if (!design) break;
            }
            if (placed.base > dir->RowCount()) placed.base = dir->RowCount();
        }
        it = tables_.emplace(table, placed).first;
    }
    Placed& placed = it->second;
    while (placed.made <= row) {
        // Rows of other ouvrages after the place: make room before them.
        TDirBlock* dir = borehole_.FindDir(table);
        if (dir && placed.base + placed.made < dir->RowCount()) dir->InsertRow(placed.base + placed.made);
        ++placed.made;
    }
    return placed.base + row;
}
