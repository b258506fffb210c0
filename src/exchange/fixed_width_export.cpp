#include "exchange/fixed_width_export.h"

#include "exchange/fixed_width_import.h"

#include <algorithm>

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

struct SubFilter {
    std::string Name;    // as listed, trimmed: what the selector writes
    std::string Prefix;  // "Niveau\"
    TFiltre Fields;
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
            if (text.empty()) text = f.DefaultText;
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
        if (std::find(report_.RoundedFields.begin(), report_.RoundedFields.end(), path) == report_.RoundedFields.end())
            report_.RoundedFields.push_back(path);
    }

    std::string& out_;
    OracleExportReport& report_;
};

} // namespace

bool OracleExportReport::HasRemarks() const
{
    return CutTexts || WideNumbers || RoundedNumbers || LineBreaks || CutKeys || Unmapped || !MissingSubFilters.empty();
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
    if (LineBreaks) s += "\n- " + IntToStr(LineBreaks) + " texte(s) sur plusieurs lignes, écrit(s) sur une seule";
    if (Unmapped) s += "\n- " + IntToStr(static_cast<std::int64_t>(Unmapped))
        + " caractère(s) sans équivalent Windows-1252, écrit(s) \"?\"";
    if (CutKeys) {
        s += "\n- " + IntToStr(CutKeys) + " indice(s) plus long(s) que les champs clés, coupé(s) :";
        for (const std::string& n : Notes) s += "\n  " + n;
        if (NotesLeftOut) s += "\n  ... (" + IntToStr(NotesLeftOut) + " de plus)";
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
            subs.push_back(std::move(s));
        }
    }

    std::string out;
    RecordWriter writer(out, report);
    for (const auto& child : Root.Items()) {
        if (!child->IsDir()) continue;
        const TDirBlock& b = static_cast<const TDirBlock&>(*child);
        const std::u32string key = Utf8ToU32(b.Name);
        bool wroteAny = false;
        bool keyCut = false;

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
            ++report.Records;
            wroteAny = true;
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
            }
        }
        if (wroteAny) ++report.Boreholes;
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
