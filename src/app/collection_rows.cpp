#include "app/collection_rows.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

#include "drawing/code_models.h"
#include "drawing/rounding.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/options.h"

namespace {

const char* const kDesign = "D\xC3\xA9sign";  // "Désign"

const TBlock* ChildNamed(const TDirBlock& dir, std::string_view name)
{
    const int i = dir.IndexOfName(name);
    return i < 0 ? nullptr : dir.Child(i);
}

// The position of a designation in a table: 0 without a "Désign" column, else
// the first equal element, -1 when none.
int RowPosition(const TDirBlock& table, std::string_view design)
{
    const TBlock* col = ChildNamed(table, kDesign);
    if (!col || col->IsDir()) return 0;
    return col->IndexOfString(design);
}

bool IsLogLevel(const TBlock* typeColumn, int r)
{
    if (!typeColumn) return true;
    const std::string type = UpperCase(typeColumn->GetString(r));
    return type.empty() || type == "COUPE";
}

}  // namespace

void AddUniqueRow(const std::string& indice, const std::string& design, std::vector<CollectionRow>& rows)
{
    for (const CollectionRow& r : rows)
        if (r.Indice == indice && r.Design == design) return;
    rows.push_back(CollectionRow{indice, design, -1});
}

void BuildRowList(const TDirBlock& root, std::vector<CollectionRow>& rows)
{
    rows.clear();
    rows.reserve(static_cast<std::size_t>(root.ItemCount()));
    // Within one borehole the designations are few; the linear check of
    // AddUniqueRow is kept to the rows of that borehole so that a collection of
    // thousands of boreholes builds in linear time.
    std::vector<CollectionRow> own;
    for (int b = 0; b < root.ItemCount(); ++b) {
        const TDirBlock* hole = root.ChildDir(b);
        if (!hole) continue;
        own.clear();
        for (int t = 0; t < hole->ItemCount(); ++t) {
            const TDirBlock* table = hole->ChildDir(t);
            if (!table) continue;
            const TBlock* col = ChildNamed(*table, kDesign);
            if (!col || col->IsDir()) continue;
            for (int e = 0; e < col->Count(); ++e) AddUniqueRow(hole->Name, col->GetString(e), own);
        }
        if (own.empty()) own.push_back(CollectionRow{hole->Name, std::string(), -1});
        rows.insert(rows.end(), own.begin(), own.end());
    }
}

int FindRow(const std::vector<CollectionRow>& rows, std::string_view indice, std::string_view design)
{
    const std::string ui = UpperCase(indice);
    const std::string ud = UpperCase(design);
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (UpperCase(rows[i].Indice) == ui && UpperCase(rows[i].Design) == ud) return static_cast<int>(i);
    return -1;
}

std::vector<int> FindRows(const std::vector<CollectionRow>& rows,
                          const std::vector<std::pair<std::string, std::string>>& wanted)
{
    auto key = [](std::string_view indice, std::string_view design) {
        std::string k = UpperCase(indice);
        k += '\0';
        k += UpperCase(design);
        return k;
    };
    std::unordered_map<std::string, int> first;
    first.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) first.try_emplace(key(rows[i].Indice, rows[i].Design), static_cast<int>(i));
    std::vector<int> found;
    for (const auto& [indice, design] : wanted)
        if (const auto it = first.find(key(indice, design)); it != first.end()) found.push_back(it->second);
    return found;
}

std::vector<GridField> ParseGridFields(std::string_view champsGrille)
{
    std::vector<GridField> fields;
    std::size_t start = 0;
    while (start <= champsGrille.size()) {
        std::size_t comma = champsGrille.find(',', start);
        if (comma == std::string_view::npos) comma = champsGrille.size();
        std::string path(champsGrille.substr(start, comma - start));
        if (!path.empty()) {
            GridField f;
            f.path = path;
            const std::size_t slash = path.rfind('\\');
            if (slash == std::string::npos) {
                f.column = path;
            } else {
                f.table = path.substr(0, slash);
                f.column = path.substr(slash + 1);
            }
            fields.push_back(std::move(f));
        }
        start = comma + 1;
    }
    return fields;
}

std::vector<std::string> GridHeaders(const std::vector<GridField>& fields)
{
    std::vector<std::string> headers{"Indice", kDesign};
    for (const GridField& f : fields) headers.push_back(f.column);
    return headers;
}

std::string GridCellText(const TDirBlock& root, const CollectionRow& row, const GridField& field)
{
    const int h = root.IndexOfDir(row.Indice);
    if (h < 0) return {};
    const TDirBlock* table = root.ChildDir(h)->FindDir(field.table);
    if (!table) return {};
    const int pos = RowPosition(*table, row.Design);
    if (pos < 0) return {};
    const TBlock* col = ChildNamed(*table, field.column);
    if (!col || col->IsDir()) return {};
    return col->GetString(pos);
}

std::vector<std::string> GridRowTexts(const TDirBlock& root, const CollectionRow& row,
                                      const std::vector<GridField>& fields)
{
    std::vector<std::string> cells{row.Indice, row.Design};
    cells.reserve(2 + fields.size());
    for (const GridField& f : fields) cells.push_back(GridCellText(root, row, f));
    return cells;
}

SortKey MakeSortKey(std::string_view cellText)
{
    SortKey key;
    if (const std::optional<double> v = TryStrToFloat(cellText); v && !std::isnan(*v)) {
        key.isNumber = true;
        key.number = *v;
    } else {
        key.folded = UpperCaseAscii(cellText);
    }
    return key;
}

bool SortKeyLess(const SortKey& a, const SortKey& b)
{
    if (a.isNumber != b.isNumber) return a.isNumber;
    if (a.isNumber) return a.number < b.number;
    return a.folded < b.folded;
}

std::vector<int> SortOrder(const std::vector<std::string>& cells)
{
    std::vector<SortKey> keys;
    keys.reserve(cells.size());
    for (const std::string& c : cells) keys.push_back(MakeSortKey(c));
    std::vector<int> order(cells.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        return SortKeyLess(keys[static_cast<std::size_t>(x)], keys[static_cast<std::size_t>(y)]);
    });
    return order;
}

LevelExtent LevelExtentOfLevels(const TDirBlock& root, const std::string& indice, const std::string& design)
{
    LevelExtent extent;
    const int h = root.IndexOfDir(indice);
    if (h < 0) return extent;
    const TDirBlock* levels = root.ChildDir(h)->FindDir("Niveau");
    if (!levels) return extent;
    const TBlock* designs = ChildNamed(*levels, kDesign);
    const TBlock* types = ChildNamed(*levels, OptNiveauType.empty() ? "Type" : OptNiveauType);
    const TBlock* tops = ChildNamed(*levels, OptNiveauDeb.empty() ? "Deb" : OptNiveauDeb);
    const TBlock* bottoms = ChildNamed(*levels, OptNiveauFin.empty() ? "Fin" : OptNiveauFin);
    const int n = levels->RowCount();
    for (int r = 0; r < n; ++r) {
        if (designs && !designs->IsDir() && designs->GetString(r) != design) continue;
        if (!IsLogLevel(types, r)) continue;
        if (tops) {
            const double v = tops->GetFloat(r);
            if (!IsMissingFloat(v) && std::isfinite(v)) extent.top = extent.top ? std::min(*extent.top, v) : v;
        }
        if (bottoms) {
            const double v = bottoms->GetFloat(r);
            if (!IsMissingFloat(v) && std::isfinite(v))
                extent.bottom = extent.bottom ? std::max(*extent.bottom, v) : v;
        }
    }
    return extent;
}

std::optional<double> GroundAltitude(const TDirBlock& root, const std::string& indice, const std::string& design)
{
    const int h = root.IndexOfDir(indice);
    if (h < 0) return std::nullopt;
    const TDirBlock* table = root.ChildDir(h)->FindDir("Ouvrage");
    if (!table) return std::nullopt;
    const TBlock* designs = ChildNamed(*table, kDesign);
    const TBlock* z = ChildNamed(*table, "Z");
    if (!designs || designs->IsDir() || !z || z->IsDir()) return std::nullopt;
    const int pos = designs->IndexOfString(design);
    if (pos < 0) return std::nullopt;
    const double v = z->GetFloat(pos);
    if (IsMissingFloat(v) || !std::isfinite(v)) return std::nullopt;
    return v;
}

AltitudeRange ComputeAltitudeRange(const TDirBlock& root, const std::vector<CollectionRow>& rows,
                                   const LevelExtentFunction& extent)
{
    AltitudeRange range;
    for (const CollectionRow& row : rows) {
        const std::optional<double> z = GroundAltitude(root, row.Indice, row.Design);
        if (!z) continue;
        const LevelExtent e = extent ? extent(root, row.Indice, row.Design)
                                     : LevelExtentOfLevels(root, row.Indice, row.Design);
        if (e.top) {
            const double t = *e.top - *z;
            range.top = range.top ? std::min(*range.top, t) : t;
        }
        if (e.bottom) {
            const double b = *e.bottom - *z;
            range.bottom = range.bottom ? std::max(*range.bottom, b) : b;
        }
    }
    return range;
}

std::optional<std::int32_t> StripTopOffset(std::optional<double> groundZ, const AltitudeRange& range,
                                           std::int32_t cellHeight)
{
    if (!groundZ || !range.Valid()) return std::nullopt;
    const double offset = (-*groundZ - *range.top) * cellHeight / (*range.bottom - *range.top);
    if (!std::isfinite(offset)) return std::nullopt;
    // The strip never starts above the cell nor below its end.
    const double clamped = std::clamp(offset, 0.0, static_cast<double>(std::max(cellHeight, 0)));
    return RoundHalfEven(clamped);
}

std::vector<std::string> TubeList(const TDirBlock& root, const std::string& indice, const std::string& design,
                                  bool withDefault, std::string_view singleTube, std::string_view multiPrefix)
{
    std::vector<std::string> list;
    const int h = root.IndexOfDir(indice);
    if (h < 0) return list;
    const TDirBlock* tubes = root.ChildDir(h)->FindDir("Tubage");
    if (!tubes) return list;
    const TBlock* designs = ChildNamed(*tubes, kDesign);
    const TBlock* names = ChildNamed(*tubes, "NomTube");
    const std::string prefix = UpperCase(multiPrefix);
    const int n = tubes->RowCount();
    for (int r = 0; r < n; ++r) {
        // A table without a "Désign" column belongs to every ouvrage of the borehole.
        if (designs && !designs->IsDir() && designs->GetString(r) != design) continue;
        std::string name = names && !names->IsDir() ? UpperCase(names->GetString(r)) : std::string();
        if (name.empty() || (withDefault && name.rfind(prefix, 0) != 0)) name = std::string(singleTube);
        if (std::find(list.begin(), list.end(), name) == list.end()) list.push_back(name);
    }
    if (withDefault && list.size() > 1)
        list.erase(std::remove(list.begin(), list.end(), std::string(singleTube)), list.end());
    return list;
}

bool OnlyDefaultTube(const TDirBlock& root, const std::string& indice, const std::string& design,
                     std::string_view singleTube)
{
    const int h = root.IndexOfDir(indice);
    if (h < 0) return true;
    const TDirBlock* tubes = root.ChildDir(h)->FindDir("Tubage");
    if (!tubes) return true;
    const TBlock* designs = ChildNamed(*tubes, kDesign);
    const TBlock* names = ChildNamed(*tubes, "NomTube");
    if (!names || names->IsDir()) return true;
    const int n = tubes->RowCount();
    for (int r = 0; r < n; ++r) {
        // A table without a "Désign" column belongs to every ouvrage of the borehole.
        if (designs && !designs->IsDir() && designs->GetString(r) != design) continue;
        const std::string name = names->GetString(r);
        if (!name.empty() && name != singleTube) return false;
    }
    return true;
}

std::optional<std::vector<std::string>> UndescribedCodes(const TDirBlock& root, const std::string& indice,
                                                         const std::function<bool(const std::string&)>& isDescribed)
{
    const int h = root.IndexOfDir(indice);
    if (h < 0) return std::nullopt;
    const TDirBlock* levels = root.ChildDir(h)->FindDir("Niveau");
    if (!levels) return std::nullopt;
    const TBlock* codes = ChildNamed(*levels, "CodeNiv");
    if (!codes || codes->IsDir()) return std::nullopt;
    const TBlock* types = ChildNamed(*levels, "Type");
    std::vector<std::string> list;
    for (int r = 0; r < codes->Count(); ++r) {
        if (!IsLogLevel(types, r)) continue;
        const std::string family = CodeFamily(codes->GetString(r));
        if (isDescribed && isDescribed(family)) continue;
        if (std::find(list.begin(), list.end(), family) == list.end()) list.push_back(family);
    }
    return list;
}

std::string UndescribedCodesText(const std::vector<std::string>& codes)
{
    if (codes.empty()) return {};
    std::string text = "Codes non d\xC3\xA9" "crits : ";
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (i) text += ", ";
        text += codes[i];
    }
    return text;
}
