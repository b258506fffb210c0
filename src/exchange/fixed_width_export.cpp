#include "exchange/fixed_width_export.h"

#include "exchange/fixed_width_import.h"

#include <algorithm>
#include <map>
#include <set>

#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/numbers.h"

namespace {

bool IsTextType(char t)
{
    return t == 'A' || t == 'S' || t == 'U' || t == 'D' || t == 'E';
}

bool IsDataField(const TFilterField& f)
{
    return !f.IsKey && !f.IsSelector && f.FieldName != ".";
}

// "niveau" -> "Niveau\": where a sub-filter's main fields live in a borehole.
std::string SubFilterPrefix(const std::string& name)
{
    if (name.empty()) return {};
    std::u32string text = Utf8ToU32(LowerCase(name));
    text[0] = UpperChar(text[0]);
    return U32ToUtf8(text) + "\\";
}

// Whether the field holds a value at row r: what decides that a record is
// written. Dates do not count.
bool HoldsValue(const TDirBlock& borehole, const std::string& path, char type, int r)
{
    const TBlock* b = borehole.FindBlock(path);
    if (!b) return false;
    switch (type) {
    case 'A':
    case 'S':
    case 'U':
        return !Trim(b->GetString(r)).empty();
    case 'F':
    case 'R':
        return !IsMissingFloat(b->GetFloat(r));
    case 'I':
    case 'N':
        return !IsMissingInt(b->GetInt(r));
    default:
        return false;
    }
}

int CountAt(const TDirBlock& borehole, const std::string& path)
{
    const TBlock* b = borehole.FindBlock(path);
    return b ? b->Count() : 0;
}

void Once(std::vector<std::string>& list, const std::string& item)
{
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

// The tables a record kind writes rows of, each with whether it writes
// "<table>\Désign" with them.
struct WrittenTable {
    std::string Name;
    bool Designated = false;
};

std::vector<WrittenTable> TablesWritten(const std::vector<std::string>& paths)
{
    std::vector<WrittenTable> tables;
    for (const std::string& path : paths) {
        const std::size_t cut = path.rfind('\\');
        if (cut == std::string::npos) continue;
        const std::string table = path.substr(0, cut);
        if (std::find_if(tables.begin(), tables.end(), [&](const WrittenTable& t) { return t.Name == table; })
            != tables.end())
            continue;
        tables.push_back({table, std::find(paths.begin(), paths.end(), table + "\\" + kImportDesign) != paths.end()});
    }
    return tables;
}

// Whether the rows written of `table` will come back as every ouvrage's while
// they are not: rows of several ouvrages, or of one of several, written
// without their designation; or written with designations that are all blank,
// a column the import takes for that of a file that gives none. A blank
// designation is one too: that of an ouvrage listed without one, or of rows
// of no listed ouvrage.
bool RowsOfSeveralOuvrages(const TDirBlock& borehole, const WrittenTable& table, const std::vector<int>& rows)
{
    const TBlock* design = borehole.FindBlock(table.Name + "\\" + kImportDesign);
    if (!design || design->IsDir() || rows.empty()) return false;
    std::set<std::string> designs;
    for (int r : rows) designs.insert(Trim(design->GetString(r)));
    if (table.Designated && (designs.size() > 1 || ImportValueGiven(*designs.begin()))) return false;
    if (const TBlock* listed = borehole.FindBlock(std::string("Ouvrage\\") + kImportDesign); listed && !listed->IsDir())
        for (int r = 0; r < listed->Count(); ++r) designs.insert(Trim(listed->GetString(r)));
    return designs.size() > 1;
}

// A "Désign" field the filter writes: where, and in how many characters.
struct DesignField {
    std::string Path;
    int Width = 0;
};

// Whether two different designations of the borehole are written alike by
// one of the fields, cut to its width (the import trims what it reads).
bool DesignationsWrittenAlike(const TDirBlock& borehole, const std::vector<DesignField>& fields)
{
    for (const DesignField& f : fields) {
        const TBlock* design = borehole.FindBlock(f.Path);
        if (!design || design->IsDir()) continue;
        std::map<std::string, std::string> written;  // as written -> as held
        for (int r = 0; r < design->Count(); ++r) {
            const std::string held = Trim(design->GetString(r));
            const std::string cut = Trim(Utf8Substr(held, 0, static_cast<std::size_t>(std::max(f.Width, 0))));
            const auto [at, fresh] = written.emplace(cut, held);
            if (!fresh && at->second != held) return true;
        }
    }
    return false;
}

struct SubFilter {
    std::string Name;    // as listed, trimmed: what the selector writes
    std::string Prefix;  // "Niveau\"
    TFiltre Fields;
    std::vector<WrittenTable> Tables;  // TablesWritten of its records
};

class RecordWriter {
public:
    RecordWriter(std::string& out, OracleExportReport& report) : out_(out), report_(report) {}

    // Appends `text` in exactly `width` characters: cut when longer, padded
    // with spaces when shorter.
    void Padded(std::string_view text, int width, bool countCut)
    {
        const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
        const std::size_t len = Utf8Length(text);
        if (len > w) {
            if (countCut) ++report_.CutTexts;
            out_ += Utf8Substr(text, 0, w);
            return;
        }
        out_ += text;
        out_.append(w - len, ' ');
    }

    void Blank(int width)
    {
        if (width > 0) out_.append(static_cast<std::size_t>(width), ' ');
    }

    void Separator(char32_t sep)
    {
        if (sep == FilterSeparatorLineEnd)
            out_ += "\r\n";
        else if (sep != FilterSeparatorNone)
            AppendUtf8(out_, sep);
    }

    // One field at row r of the borehole; `path` is where its value lives.
    void Field(const TFilterField& f, const TDirBlock& borehole, const std::string& path, int r,
               std::u32string& keyRest, bool& keyCut)
    {
        if (f.FieldName == ".") {
            Padded(f.DefaultText, f.Width, false);
        } else if (f.IsKey && IsTextType(f.DataType)) {
            const std::size_t w = f.Width > 0 ? static_cast<std::size_t>(f.Width) : 0;
            const std::u32string piece = keyRest.substr(0, w);
            keyRest.erase(0, piece.size());
            Padded(U32ToUtf8(piece), f.Width, false);
            keyCut = !keyRest.empty();
        } else if (IsTextType(f.DataType)) {
            const TBlock* b = borehole.FindBlock(path);
            std::string text = b ? b->GetString(r) : std::string();
            if (LineBreaksAsSpaces(text)) ++report_.LineBreaks;
            if (text.empty() && !f.DefaultText.empty()) {
                text = f.DefaultText;
                Once(report_.DefaultFields, path);
                ++report_.Defaults;
            }
            Padded(text, f.Width, true);
        } else if (f.DataType == 'I' || f.DataType == 'N') {
            const TBlock* b = borehole.FindBlock(path);
            const std::int32_t v = b ? b->GetInt(r) : MissingInt;
            if (IsMissingInt(v)) {
                Blank(f.Width);
            } else {
                const std::string digits = IntToStr(v);
                if (static_cast<std::int64_t>(digits.size()) > f.Width) {
                    ++report_.WideNumbers;
                    Blank(f.Width);
                } else {
                    Blank(f.Width - static_cast<int>(digits.size()));
                    out_ += digits;
                    // A float column read through an integer field loses its
                    // decimals: 152.4 would come back as 152.
                    if (b->BlockType() == btFloat || b->BlockType() == btFloatArray) {
                        const double exact = b->GetFloat(r);
                        if (exact != static_cast<double>(v)) Rounded(path);
                    }
                }
            }
        } else if (f.DataType == 'F' || f.DataType == 'R') {
            const TBlock* b = borehole.FindBlock(path);
            const double v = b ? b->GetFloat(r) : MissingFloat;
            if (IsMissingFloat(v) || f.Width <= 0) {
                Blank(f.Width);
            } else {
                const std::string text = FormatFloatWidth(f.Width, v);
                if (Trim(text).empty()) {
                    ++report_.WideNumbers;
                } else {
                    // Digits beyond what the program shows (15 significant
                    // ones) are not a loss; fewer than that are.
                    const auto written = TryStrToFloat(Trim(text));
                    const auto shown = TryStrToFloat(FloatToStr(v));
                    if (written && shown && *written != *shown) Rounded(path);
                }
                out_ += text;
            }
        }
        Separator(f.Separator);
    }

private:
    void Rounded(const std::string& path)
    {
        ++report_.RoundedNumbers;
        Once(report_.RoundedFields, path);
    }

    std::string& out_;
    OracleExportReport& report_;
};

} // namespace

bool OracleExportReport::HasRemarks() const
{
    return CutTexts || WideNumbers || RoundedNumbers || LineBreaks || CutKeys || Unmapped || Defaults || SharedRows
        || JoinedDesigns || JoinedKeys || !MissingSubFilters.empty();
}

std::string OracleExportReport::Summary() const
{
    if (!HasRemarks()) return {};
    std::string s = FileNameOf(DataFile) + " :";
    if (!MissingSubFilters.empty()) {
        s += "\n- sous-filtres absents du fichier de filtres : ";
        for (std::size_t i = 0; i < MissingSubFilters.size(); ++i)
            s += (i ? ", " : "") + MissingSubFilters[i];
    }
    if (CutTexts) s += "\n- " + IntToStr(CutTexts) + " texte(s) plus long(s) que leur champ, coupé(s)";
    if (WideNumbers) s += "\n- " + IntToStr(WideNumbers) + " nombre(s) trop large(s) pour leur champ, laissé(s) vide(s)";
    if (RoundedNumbers) {
        s += "\n- " + IntToStr(RoundedNumbers) + " nombre(s) écrit(s) sans toutes leurs décimales, faute de place ou "
             "dans un champ entier (";
        for (std::size_t i = 0; i < RoundedFields.size(); ++i) s += (i ? ", " : "") + RoundedFields[i];
        s += ")";
    }
    auto listed = [](const std::vector<std::string>& items) {
        std::string text;
        for (std::size_t i = 0; i < items.size(); ++i) text += (i ? ", " : "") + items[i];
        return text;
    };
    if (Defaults)
        s += "\n- " + IntToStr(Defaults) + " valeur(s) vide(s) écrite(s) avec la valeur par défaut du filtre ("
            + listed(DefaultFields) + ")";
    if (SharedRows)
        s += "\n- " + IntToStr(SharedRows) + " indice(s) à plusieurs ouvrages dont les lignes (" + listed(SharedTables)
            + ") sont écrites sans leur désignation : relues, elles seront communes à tous les ouvrages de l'indice";
    if (JoinedDesigns)
        s += "\n- " + IntToStr(JoinedDesigns) + " indice(s) dont des désignations différentes, coupées à la largeur de "
            "leur champ, s'écrivent de même : relus, leurs ouvrages n'en feront qu'un";
    if (LineBreaks) s += "\n- " + IntToStr(LineBreaks) + " texte(s) sur plusieurs lignes, écrit(s) sur une seule";
    if (Unmapped) s += "\n- " + IntToStr(static_cast<std::int64_t>(Unmapped))
        + " caractère(s) sans équivalent Windows-1252, écrit(s) \"?\"";
    if (CutKeys) {
        s += "\n- " + IntToStr(CutKeys) + " indice(s) plus long(s) que les champs clés, coupé(s) :";
        for (const std::string& n : Notes) s += "\n  " + n;
        if (NotesLeftOut) s += "\n  ... (" + IntToStr(NotesLeftOut) + " de plus)";
    }
    if (JoinedKeys) {
        s += "\n- " + IntToStr(JoinedKeys) + " indice(s) différent(s), coupé(s) à la largeur des champs clés, "
             "s'écrivent comme un autre : relus, leurs forages n'en feront qu'un :";
        for (const std::string& n : JoinedKeyNotes) s += "\n  " + n;
        if (JoinedKeys > static_cast<std::int64_t>(JoinedKeyNotes.size()))
            s += "\n  ... (" + IntToStr(JoinedKeys - static_cast<std::int64_t>(JoinedKeyNotes.size())) + " de plus)";
    }
    return s;
}

std::string ExportOracleData(const TDirBlock& Root, const std::string& filterName, std::string_view filterText,
                             OracleExportReport& report)
{
    report.FilterName = filterName;
    const std::string singleTube = FilterSingleTubeName();
    TFiltre mainFilter;
    if (!ParseFilter(filterText, mainFilter, filterName, false, singleTube))
        throw EFilterError(MissingFilterMessage(filterName));

    // Only the last selector's list counts, as the import reads it.
    const TFilterField* selector = nullptr;
    for (const TFilterField& f : mainFilter)
        if (f.IsSelector) selector = &f;
    std::vector<SubFilter> subs;
    if (selector) {
        for (const std::string& name : SelectorNames(*selector)) {
            SubFilter s;
            s.Name = name;
            s.Prefix = SubFilterPrefix(name);
            if (!ParseFilter(filterText, s.Fields, name, true, singleTube)) {
                s.Fields.clear();
                report.MissingSubFilters.push_back(name);
            }
            std::vector<std::string> paths;
            for (const TFilterField& f : mainFilter)
                if (IsDataField(f)) paths.push_back(s.Prefix + f.FieldName);
            for (const TFilterField& f : s.Fields)
                if (IsDataField(f)) paths.push_back(f.FieldName);
            s.Tables = TablesWritten(paths);
            subs.push_back(std::move(s));
        }
    }
    std::vector<std::string> mainPaths;
    for (const TFilterField& f : mainFilter)
        if (IsDataField(f)) mainPaths.push_back(f.FieldName);
    std::vector<DesignField> designFields;
    auto noteDesign = [&](const TFilterField& f, const std::string& path) {
        if (IsDataField(f) && IsTextType(f.DataType) && path.ends_with(std::string("\\") + kImportDesign))
            designFields.push_back({path, f.Width});
    };
    for (const TFilterField& f : mainFilter) {
        if (subs.empty()) noteDesign(f, f.FieldName);
        for (const SubFilter& sub : subs) noteDesign(f, sub.Prefix + f.FieldName);
    }
    for (const SubFilter& sub : subs)
        for (const TFilterField& f : sub.Fields) noteDesign(f, f.FieldName);
    const std::vector<WrittenTable> mainTables = TablesWritten(mainPaths);
    for (const TFilterField& f : mainFilter)
        if (f.IsKey) Once(report.Carried, f.FieldName);
    if (subs.empty())
        for (const std::string& path : mainPaths) Once(report.Carried, path);
    for (const SubFilter& sub : subs) {
        for (const TFilterField& f : mainFilter)
            if (IsDataField(f)) Once(report.Carried, sub.Prefix + f.FieldName);
        for (const TFilterField& f : sub.Fields)
            if (IsDataField(f) || f.IsKey) Once(report.Carried, f.FieldName);
    }

    std::string out;
    RecordWriter writer(out, report);
    // The key each borehole is written under, as the import will join it
    // (trimmed), and the first borehole written under it.
    std::map<std::string, std::string> writtenKeys;
    for (const auto& child : Root.Items()) {
        if (!child->IsDir()) continue;
        const TDirBlock& b = static_cast<const TDirBlock&>(*child);
        const std::u32string key = Utf8ToU32(b.Name);
        bool wroteAny = false;
        bool keyCut = false;
        bool shared = false;
        std::vector<int> written;  // the rows of the record kind being written
        std::set<std::string> keysOfBorehole;
        auto checkShared = [&](const std::vector<WrittenTable>& tables) {
            for (const WrittenTable& table : tables)
                if (RowsOfSeveralOuvrages(b, table, written)) {
                    shared = true;
                    Once(report.SharedTables, table.Name);
                }
        };

        auto writeRecord = [&](const SubFilter* sub, int r) {
            std::u32string keyRest = key;
            for (const TFilterField& f : mainFilter) {
                if (f.IsSelector) {
                    writer.Padded(sub ? sub->Name : std::string(), f.Width, true);
                    writer.Separator(f.Separator);
                    continue;
                }
                writer.Field(f, b, (sub ? sub->Prefix : std::string()) + f.FieldName, r, keyRest, keyCut);
            }
            if (sub)
                for (const TFilterField& f : sub->Fields) writer.Field(f, b, f.FieldName, r, keyRest, keyCut);
            keysOfBorehole.insert(Trim(U32ToUtf8(key.substr(0, key.size() - keyRest.size()))));
            ++report.Records;
            wroteAny = true;
            written.push_back(r);
        };

        if (subs.empty()) {
            int rows = 1;
            for (const TFilterField& f : mainFilter)
                if (IsDataField(f)) rows = std::max(rows, CountAt(b, f.FieldName));
            for (int r = 0; r < rows; ++r) {
                bool any = false;
                for (const TFilterField& f : mainFilter)
                    if (IsDataField(f) && HoldsValue(b, f.FieldName, f.DataType, r)) {
                        any = true;
                        break;
                    }
                if (any) writeRecord(nullptr, r);
            }
            checkShared(mainTables);
        } else {
            for (const SubFilter& s : subs) {
                int rows = 1;
                for (const TFilterField& f : mainFilter)
                    if (IsDataField(f)) rows = std::max(rows, CountAt(b, s.Prefix + f.FieldName));
                for (const TFilterField& f : s.Fields)
                    if (IsDataField(f)) rows = std::max(rows, CountAt(b, f.FieldName));
                for (int r = 0; r < rows; ++r) {
                    bool any = false;
                    for (const TFilterField& f : mainFilter)
                        if (IsDataField(f) && HoldsValue(b, s.Prefix + f.FieldName, f.DataType, r)) any = true;
                    for (const TFilterField& f : s.Fields)
                        if (!any && IsDataField(f) && HoldsValue(b, f.FieldName, f.DataType, r)) any = true;
                    if (any) writeRecord(&s, r);
                }
                checkShared(s.Tables);
                written.clear();
            }
        }
        if (wroteAny) ++report.Boreholes;
        if (shared) ++report.SharedRows;
        if (wroteAny && DesignationsWrittenAlike(b, designFields)) ++report.JoinedDesigns;
        for (const std::string& k : keysOfBorehole) {
            const auto [at, first] = writtenKeys.emplace(k, b.Name);
            if (first || at->second == b.Name) continue;
            if (report.JoinedKeyNotes.size() < OracleExportReport::MaxNotes)
                report.JoinedKeyNotes.push_back(b.Name + " (comme " + at->second + ")");
            ++report.JoinedKeys;
            break;
        }
        if (keyCut) {
            ++report.CutKeys;
            if (report.Notes.size() < OracleExportReport::MaxNotes)
                report.Notes.push_back(b.Name);
            else
                ++report.NotesLeftOut;
        }
    }
    std::size_t unmapped = 0;
    std::string bytes = Utf8ToCp1252(out, &unmapped);
    report.Unmapped += unmapped;
    return bytes;
}

void ExportOracleFile(const std::string& DataFile, const TDirBlock& Root, const std::string& FilterFile,
                      OracleExportReport& report)
{
    report.DataFile = DataFile;
    const std::string filterText = ReadFilterFileText(FilterFile);
    const std::string bytes = ExportOracleData(Root, OracleFilterNameOf(DataFile), filterText, report);
    WriteFileReplacing(DataFile, bytes);
}

void ExportOracleFile(const std::string& DataFile, const TDirBlock& Root, const std::string& FilterFile)
{
    OracleExportReport report;
    ExportOracleFile(DataFile, Root, FilterFile, report);
}

namespace {

// Whether a column holds a value in any row: read until the first one.
bool ColumnHoldsValue(const TBlock& column)
{
    const std::uint8_t type = column.BlockType();
    for (int r = 0; r < column.Count(); ++r) {
        if (type == btString || type == btStringArray) {
            if (!Trim(column.GetString(r)).empty()) return true;
        } else if (type == btInt || type == btIntArray) {
            if (!IsMissingInt(column.GetInt(r))) return true;
        } else if (type == btFloat || type == btFloatArray) {
            if (!IsMissingFloat(column.GetFloat(r))) return true;
        }
    }
    return false;
}

// Whether the directory, or one below it, holds a value somewhere.
bool DirHoldsValue(const TDirBlock& dir)
{
    for (const auto& item : dir.Items())
        if (item->IsDir() ? DirHoldsValue(static_cast<const TDirBlock&>(*item)) : ColumnHoldsValue(*item)) return true;
    return false;
}

class UncarriedFinder {
public:
    explicit UncarriedFinder(const std::set<std::string>& carried) : carried_(carried)
    {
        for (const std::string& path : carried)
            for (std::size_t cut = path.find('\\'); cut != std::string::npos; cut = path.find('\\', cut + 1))
                carriedDirs_.insert(path.substr(0, cut));
    }

    void Borehole(const TDirBlock& borehole)
    {
        for (const auto& item : borehole.Items()) {
            const std::string& name = item->Name;
            if (!item->IsDir()) {
                Column(*item, name);
            } else if (carriedDirs_.count(name)) {
                Columns(static_cast<const TDirBlock&>(*item), name + "\\");
            } else if (!seen_.count(name) && DirHoldsValue(static_cast<const TDirBlock&>(*item))) {
                seen_.insert(name);
                names.push_back(name + " (toutes les colonnes)");
            }
        }
    }

    std::vector<std::string> names;

private:
    void Columns(const TDirBlock& dir, const std::string& prefix)
    {
        for (const auto& item : dir.Items()) {
            const std::string path = prefix + item->Name;
            if (!item->IsDir())
                Column(*item, path);
            else if (carriedDirs_.count(path))
                Columns(static_cast<const TDirBlock&>(*item), path + "\\");
            else if (!seen_.count(path) && DirHoldsValue(static_cast<const TDirBlock&>(*item))) {
                seen_.insert(path);
                names.push_back(path);
            }
        }
    }

    void Column(const TBlock& column, const std::string& path)
    {
        if (carried_.count(path) || seen_.count(path) || !ColumnHoldsValue(column)) return;
        seen_.insert(path);
        names.push_back(path);
    }

    const std::set<std::string>& carried_;
    std::set<std::string> carriedDirs_;  // the tables (and folders) a carried path lies in
    std::set<std::string> seen_;         // paths already named
};

} // namespace

std::vector<std::string> UncarriedData(const TDirBlock& Root, const std::set<std::string>& carried)
{
    UncarriedFinder finder(carried);
    for (const auto& child : Root.Items())
        if (child->IsDir()) finder.Borehole(static_cast<const TDirBlock&>(*child));
    return finder.names;
}

std::string UncarriedSummary(const TDirBlock& Root, const std::set<std::string>& carried, const std::string& absentFrom)
{
    const std::vector<std::string> names = UncarriedData(Root, carried);
    if (names.empty()) return {};
    std::string s = "Non exporté (absent " + absentFrom + ") : ";
    const std::size_t shown = std::min(names.size(), kUncarriedNamesShown);
    for (std::size_t i = 0; i < shown; ++i) s += (i ? ", " : "") + names[i];
    if (names.size() > shown) s += ", ... (" + IntToStr(static_cast<std::int64_t>(names.size() - shown)) + " de plus)";
    return s;
}

std::vector<std::string> OracleExportItems(const std::vector<std::string>& headers)
{
    std::vector<std::string> items;
    for (const std::string& h : headers) {
        if (h.find('\\') != std::string::npos) continue;
        const std::string item = h.substr(0, h.find('('));
        if (!IsPlainFileName(item)) continue;
        items.push_back(item);
    }
    return items;
}

std::vector<std::string> FilterHeaderTables(std::string_view header)
{
    std::vector<std::string> tables;
    const std::size_t open = header.find('(');
    if (open == std::string_view::npos) return tables;
    std::string_view rest = header.substr(open + 1);
    const std::size_t close = rest.find(')');
    if (close != std::string_view::npos) rest = rest.substr(0, close);
    while (true) {
        const std::size_t comma = rest.find(',');
        const std::string name = Trim(rest.substr(0, comma));
        if (!name.empty()) tables.push_back(name);
        if (comma == std::string_view::npos) break;
        rest = rest.substr(comma + 1);
    }
    return tables;
}

std::set<std::string> CollectionTableNames(const TDirBlock& Root)
{
    std::set<std::string> names;
    for (const auto& child : Root.Items())
        if (child->IsDir())
            for (const auto& table : static_cast<const TDirBlock&>(*child).Items())
                if (table->IsDir()) names.insert(table->Name);
    return names;
}

void CheckOracleTables(std::vector<ExportCheckItem>& items, const std::vector<std::string>& headers,
                       const TDirBlock& Root)
{
    const std::set<std::string> present = CollectionTableNames(Root);
    for (ExportCheckItem& item : items) item.Checked = false;
    for (const std::string& h : headers) {
        if (h.find('\\') != std::string::npos) continue;
        const std::string text = h.substr(0, h.find('('));
        bool listed = false;
        for (const std::string& t : FilterHeaderTables(h))
            if (present.count(t)) listed = true;
        if (!listed) continue;
        for (ExportCheckItem& item : items)
            if (item.Text == text) item.Checked = true;
    }
}
