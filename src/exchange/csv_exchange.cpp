#include "exchange/csv_exchange.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/field_defs.h"
#include "store/options.h"
#include "store/templates.h"

namespace fs = std::filesystem;

namespace {

const char* const kDesign = "D\xC3\xA9sign";  // "Désign"

std::string LexiconCode(const std::string& line)
{
    const std::string value = ValuePart(line);
    return value.substr(0, value.find('='));
}

const TFieldDef* FindDef(const TStructTable& defs, const std::string& path)
{
    for (const TFieldDef& d : defs)
        if (d.Path == path) return &d;
    return nullptr;
}

bool HasDigit(const std::string& text)
{
    for (char c : text)
        if (c >= '0' && c <= '9') return true;
    return false;
}

bool IsTemplate(const std::string& source) { return !source.empty() && source[0] == '%'; }
bool IsLiteral(const std::string& source) { return !source.empty() && (source[0] == '"' || source[0] == '\''); }

// The last element of a "\" path.
std::string LastElement(const std::string& path)
{
    const std::size_t cut = path.rfind('\\');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The tube name of a casing row is in no table's definitions (the tubes are
// chosen by their own tabs), but it is a text of the row all the same: a
// csv.ini line naming it writes and reads it as such.
void AddTubeName(TStructTable& defs)
{
    if (FindDef(defs, "NomTube")) return;
    TFieldDef d;
    d.Name = d.Path = "NomTube";
    d.Kind = 'S';
    defs.push_back(std::move(d));
}

// The column a template writes into on import, and its conditions' columns,
// as Table\Column paths below the borehole.
std::vector<std::string> TemplatePaths(const std::string& source)
{
    std::string t = source.substr(1);
    const std::size_t pct = t.find('%');
    t = pct == std::string::npos ? Trim(t) : t.substr(0, pct);
    const std::size_t bar = t.find('|');
    std::string target = t.substr(0, bar);
    if (target.size() >= 2 && target.compare(target.size() - 2, 2, ":E") == 0) target.resize(target.size() - 2);
    std::vector<std::string> paths{target};
    const std::size_t cut = target.rfind('\\');
    const std::string table = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
    if (bar != std::string::npos)
        for (std::string_view rest = std::string_view(t).substr(bar + 1); !rest.empty();) {
            const std::size_t comma = rest.find(',');
            const std::string item(rest.substr(0, comma));
            if (item.find('=') != std::string::npos) paths.push_back(table + NamePart(item));
            if (comma == std::string_view::npos) break;
            rest = rest.substr(comma + 1);
        }
    return paths;
}

std::vector<std::string> LexiconOf(const CsvSection& s, const std::string& source)
{
    return EditionSectionLines(s.TablePath + "\\" + source);
}

} // namespace

// ---- csv.ini ---------------------------------------------------------------

CsvSection FindCsvSection(const TIniFile& ini, const std::string& tableName)
{
    for (const std::string& section : ini.ReadSections()) {
        const std::size_t eq = section.find('=');
        const std::string name = section.substr(0, eq);
        if (!SameTextNoCase(name, tableName)) continue;
        CsvSection s;
        s.Section = section;
        s.Name = name;
        s.TablePath = eq == std::string::npos ? std::string() : section.substr(eq + 1);
        for (const std::string& line : ini.ReadSectionLines(section)) {
            const std::size_t e = line.find('=');
            CsvColumnSpec spec;
            spec.Column = Trim(line.substr(0, e));
            spec.Source = e == std::string::npos ? std::string() : Trim(line.substr(e + 1));
            if (!spec.Column.empty()) s.Lines.push_back(std::move(spec));
        }
        return s;
    }
    throw ECsvError("Pas de section " + tableName + " dans csv.ini");
}

std::vector<std::string> CsvTableNames(const TIniFile& ini)
{
    std::vector<std::string> names;
    for (const std::string& section : ini.ReadSections()) {
        if (section.find('\\') != std::string::npos) continue;
        const std::string name = section.substr(0, section.find('='));
        if (IsPlainFileName(name)) names.push_back(name);
    }
    return names;
}

bool SplitFieldOther(const std::string& source, std::string& field, std::string& other)
{
    const std::size_t open = source.find('(');
    if (open == std::string::npos || source.empty() || source.back() != ')') return false;
    field = source.substr(0, open);
    other = source.substr(open + 1, source.size() - open - 2);
    return true;
}

// ---- lexicons --------------------------------------------------------------

std::string CsvLexiconLabel(const std::string& value, const std::vector<std::string>& lineLexicon,
                            const std::string& tablePath, const std::string& field, const std::string& otherValue)
{
    std::vector<std::string> chosen;
    const std::vector<std::string>* lexicon = &lineLexicon;
    if (!otherValue.empty()) {
        chosen = EditionSectionLines(tablePath + "\\" + field + otherValue);
        lexicon = &chosen;
    }
    for (const std::string& line : *lexicon)
        if (LexiconCode(line) == value) {
            const std::string label = NamePart(line);
            return label == "NULL" ? std::string() : label;
        }
    return value;
}

std::string CsvLexiconCode(const std::string& value, const std::vector<std::string>& lineLexicon,
                           const std::string& tablePath, const std::string& field, const std::string& otherValue)
{
    const std::string label = value.empty() ? std::string("NULL") : value;
    if (!otherValue.empty()) {
        for (const std::string& line : EditionSectionLines(tablePath + "\\" + field + otherValue))
            if (NamePart(line) == label) {
                const std::string code = LexiconCode(line);
                return code.empty() ? value : code;
            }
        return value;
    }
    for (const std::string& line : lineLexicon)
        if (NamePart(line) == label) return LexiconCode(line);
    return value;
}

// ---- export ----------------------------------------------------------------

std::string CsvReport::Summary(const std::string& file) const
{
    if (!HasRemarks()) return {};
    std::string s = file + " :";
    if (LineBreaks) s += "\n- " + IntToStr(LineBreaks) + " valeur(s) sur plusieurs lignes, écrite(s) sur une seule";
    if (Unmapped)
        s += "\n- " + IntToStr(static_cast<std::int64_t>(Unmapped))
            + " caractère(s) sans équivalent Windows-1252, écrit(s) \"?\"";
    if (RenamedKeys) s += "\n- " + IntToStr(RenamedKeys) + " indice(s) contenant \\, enregistré(s) avec _";
    for (const std::string& merged : MergedKeys) s += "\n- " + merged;
    if (OrphanRows) {
        s += "\n- " + IntToStr(OrphanRows)
            + " ligne(s) dont la désignation ne nomme aucun ouvrage de l'indice, non écrite(s) :";
        for (const std::string& who : Orphans) s += "\n  " + who;
    }
    if (!Repeated.empty()) {
        s += "\n- " + IntToStr(static_cast<std::int64_t>(Repeated.size()))
            + " ouvrage(s) donné(s) plusieurs fois avec des valeurs différentes, la dernière ligne gardée :";
        for (const std::string& who : Repeated) s += "\n  " + who;
    }
    return s;
}

namespace {

struct ExportLine {
    const CsvColumnSpec* spec = nullptr;
    std::vector<std::string> lexicon;
    const TFieldDef* def = nullptr;
};

bool RowOfDesign(const TDirBlock& table, int r, const std::string& design)
{
    const std::string d = table.GetPathString(kDesign, r);
    return d.empty() || d == design;
}

} // namespace

std::string ExportCsvData(const TDirBlock& root, const std::vector<CsvExportRow>& rows, const CsvSection& section,
                          CsvReport& report)
{
    if (section.Lines.empty()) return {};
    TStructTable defs;
    LoadTableDefinitions(defs, section.TablePath, "", true);
    AddTubeName(defs);
    std::vector<ExportLine> lines;
    auto carry = [&](const std::string& path) {
        if (std::find(report.Carried.begin(), report.Carried.end(), path) == report.Carried.end())
            report.Carried.push_back(path);
    };
    for (const CsvColumnSpec& spec : section.Lines) {
        ExportLine l;
        l.spec = &spec;
        l.lexicon = LexiconOf(section, spec.Source);
        std::string field = spec.Source, other;
        if (!FindDef(defs, spec.Source)) SplitFieldOther(spec.Source, field, other);
        l.def = FindDef(defs, field);
        if (IsTemplate(spec.Source)) {
            for (const std::string& path : TemplatePaths(spec.Source)) carry(path);
        } else if (!IsLiteral(spec.Source)) {
            carry(section.TablePath + "\\" + field);
            if (!other.empty()) carry(section.TablePath + "\\" + other);
        }
        lines.push_back(std::move(l));
    }

    std::string out = "INDICE";
    for (const ExportLine& l : lines) out += ";" + QuoteIfNeeded(UpperCase(l.spec->Column));
    out += "\r\n";

    auto cell = [&](std::string value) {
        if (LineBreaksAsSpaces(value)) ++report.LineBreaks;
        return QuoteIfNeeded(value);
    };

    std::set<const TDirBlock*> ownWritten;
    std::set<std::pair<std::string, std::string>> listedDesigns;
    for (const CsvExportRow& row : rows) listedDesigns.insert({row.Indice, row.Design});
    for (const CsvExportRow& row : rows) {
        const TDirBlock* borehole = root.FindDir(row.Indice);
        const TDirBlock* table = borehole ? borehole->FindDir(section.TablePath) : nullptr;
        // A borehole whose name holds "\" would be looked up as a path.
        if (borehole && (borehole->Parent() != &root)) table = nullptr;
        if (!table) continue;
        // A table without "Désign" belongs to the whole borehole: written
        // once, with its first listed ouvrage, however many it has. So does
        // a row without a designation in a table whose other rows have one:
        // written under each ouvrage, it would come back once per ouvrage.
        const bool firstListed = ownWritten.insert(table).second;
        if (table->IndexOfName(kDesign) < 0 && !firstListed) continue;
        const int count = table->RowCount();
        // A row whose designation names none of the borehole's ouvrages goes
        // out under no listed row: it is named, not lost without a word.
        if (firstListed && table->IndexOfName(kDesign) >= 0) {
            const TDirBlock* ouvrages = borehole->FindDir("Ouvrage");
            for (int r = 0; r < count; ++r) {
                const std::string design = table->GetPathString(kDesign, r);
                if (design.empty() || (ouvrages && ouvrages->IndexOfPathString(kDesign, design) >= 0)
                    || listedDesigns.count({row.Indice, design}))
                    continue;
                ++report.OrphanRows;
                const std::string who = row.Indice + " (d\xC3\xA9signation " + design + ")";
                if (std::find(report.Orphans.begin(), report.Orphans.end(), who) == report.Orphans.end())
                    report.Orphans.push_back(who);
            }
        }
        for (int r = 0; r < count; ++r) {
            const std::string design = table->GetPathString(kDesign, r);
            if (!design.empty() ? design != row.Design : !firstListed) continue;
            out += cell(row.Indice);
            for (const ExportLine& l : lines) {
                const std::string& source = l.spec->Source;
                std::string value;
                if (IsTemplate(source)) {
                    ExpandFields(source, root, row.Indice, value, "", row.Design);
                } else if (IsLiteral(source)) {
                    value = Unquote(source);
                } else {
                    std::string field = source, other;
                    if (table->BlockExists(source) || !SplitFieldOther(source, field, other)) {
                        field = source;
                        other.clear();
                    }
                    const std::string otherValue = other.empty() ? std::string() : table->GetPathString(other, r);
                    value = CsvLexiconLabel(table->GetPathString(field, r), l.lexicon, section.TablePath, field,
                                            otherValue);
                    if (l.def && (l.def->Kind == 'D' || l.def->Kind == 'E')) {
                        if (!HasDigit(value))
                            value.clear();
                        else if (l.def->Kind == 'E')
                            value = DigitsToDate(value);
                    }
                }
                out += ";" + cell(value);
            }
            out += "\r\n";
            ++report.Rows;
        }
    }
    std::size_t unmapped = 0;
    std::string bytes = Utf8ToCp1252(out, &unmapped);
    report.Unmapped += unmapped;
    return bytes;
}

void ExportCsvFile(const std::string& FileName, const std::string& TableName, const TDirBlock& root,
                   const std::vector<CsvExportRow>& rows, CsvReport& report)
{
    if (!IniCsv) throw ECsvError("Pas de section " + TableName + " dans csv.ini");
    const CsvSection section = FindCsvSection(*IniCsv, TableName);
    const std::string bytes = ExportCsvData(root, rows, section, report);
    // What the import could not read back is not written.
    if (bytes.size() > kMaxCsvFileBytes) throw ECsvError(TooLargeCsvMessage(FileName));
    WriteFileReplacing(FileName, bytes);
}

bool CsvTableHasRows(const TIniFile& ini, const std::string& TableName, const TDirBlock& root,
                     const std::vector<CsvExportRow>& rows)
{
    CsvSection section;
    try {
        section = FindCsvSection(ini, TableName);
    } catch (const ECsvError&) {
        return false;
    }
    if (section.Lines.empty()) return false;
    for (const CsvExportRow& row : rows) {
        const TDirBlock* borehole = root.FindDir(row.Indice);
        if (!borehole || borehole->Parent() != &root) continue;
        const TDirBlock* table = borehole->FindDir(section.TablePath);
        if (!table) continue;
        for (int r = 0, n = table->RowCount(); r < n; ++r)
            if (RowOfDesign(*table, r, row.Design)) return true;
    }
    return false;
}

// ---- import ----------------------------------------------------------------

namespace {

// The records of a CSV text, one at a time, as spreadsheets read them: a cell
// is quoted only when a double quote is its first character (blanks before it
// aside); inside it "" is a quote, ";" and line breaks belong to the cell, and
// a lone " closes it. A quote anywhere else is an ordinary character
// (`Tube 8" PVC`). A quoted cell that reaches the end of the text unclosed is
// an error, and so is one that spans a line break and whose closing quote is
// followed by anything but blanks, ";" or a line end: that quote most often
// closes another cell lines later, and reading on would silently join the
// cells and lines between them. Closed on the line where it opened and
// followed by text (`"8" tube`), the cell is kept as typed, quotes included.
class CsvRecordReader {
public:
    enum class Fault { None, Unclosed, TextAfterClose };

    explicit CsvRecordReader(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    // The line (1-based) where the last record read starts.
    std::int64_t Line() const { return recordLine_; }
    // Whether the last record read holds nothing but blanks.
    bool Blank() const { return blank_; }
    // When Next fails: why, the line where the quoted cell opened, its
    // number (0-based) and the line of its closing quote.
    Fault Failure() const { return fault_; }
    std::int64_t OpenLine() const { return openLine_; }
    std::size_t OpenCell() const { return openCell_; }
    std::int64_t CloseLine() const { return closeLine_; }

    // Reads the next record into `cells` (unquoted; trimmed with `trim`).
    // False when a quoted cell is not closed as it should be.
    bool Next(std::vector<std::string>& cells, bool trim)
    {
        cells.clear();
        recordLine_ = line_;
        blank_ = true;
        std::string cell;
        bool quoted = false;
        while (true) {
            // At the start of a cell: a quote after blanks opens a quoted cell.
            const std::size_t cellStart = pos_;
            std::size_t q = pos_;
            while (q < text_.size() && (text_[q] == ' ' || text_[q] == '\t')) ++q;
            if (q < text_.size() && text_[q] == '"') {
                blank_ = false;
                quoted = true;
                openLine_ = line_;
                openCell_ = cells.size();
                pos_ = q + 1;
                if (!ReadQuoted(cell)) {
                    fault_ = Fault::Unclosed;
                    return false;
                }
                closeLine_ = line_;
                while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
                if (pos_ < text_.size() && Scan(pos_, false) != pos_) {
                    if (closeLine_ != openLine_) {
                        fault_ = Fault::TextAfterClose;
                        return false;
                    }
                    // Closed on its own line and followed by text (`"8" tube`):
                    // a cell people write and spreadsheets open, read as an
                    // unquoted cell, which keeps it as typed.
                    cell.assign(text_.substr(cellStart, pos_ - cellStart));
                    quoted = false;
                }
            }
            // The rest of the cell, up to ";" or the line end, as it stands.
            const std::size_t stop = Scan(pos_, false);
            cell.append(text_.substr(pos_, stop - pos_));
            if (blank_ && !TrimView(text_.substr(pos_, stop - pos_)).empty()) blank_ = false;
            pos_ = stop;
            Finish(cells, cell, quoted, trim);
            quoted = false;
            if (pos_ < text_.size() && text_[pos_] == ';') {
                blank_ = false;
                ++pos_;
                continue;
            }
            SkipLineEnd();
            return true;
        }
    }

private:
    // Past the opening quote: the cell's text up to its closing quote.
    bool ReadQuoted(std::string& cell)
    {
        while (pos_ < text_.size()) {
            const std::size_t stop = Scan(pos_, true);
            if (stop == text_.size()) break;
            cell.append(text_.substr(pos_, stop - pos_));
            pos_ = stop;
            if (text_[pos_] == '"') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
                    cell += '"';
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                return true;
            }
            // A line break typed into the cell stays in it.
            const std::size_t from = pos_;
            SkipLineEnd();
            cell.append(text_.substr(from, pos_ - from));
        }
        pos_ = text_.size();
        return false;
    }

    // The first line end from `from`, or the first ";" (outside a quoted
    // cell) or quote (inside one); the text's size when none.
    std::size_t Scan(std::size_t from, bool inQuotes) const
    {
        const char stop = inQuotes ? '"' : ';';
        for (std::size_t i = from; i < text_.size(); ++i) {
            const char c = text_[i];
            if (c == stop || c == '\r' || c == '\n') return i;
        }
        return text_.size();
    }

    void SkipLineEnd()
    {
        if (pos_ >= text_.size()) return;
        if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
        ++pos_;
        ++line_;
    }

    // The helpers' unquoting, by the reader's one rule: a cell between
    // quotes (apostrophes here, since a double quote opens a quoted cell
    // before this) loses them only when the quote that opens it closes where
    // the cell ends. `'Argile' et 'sable'` is kept as typed, as
    // `"Sable" et "gravier"` is.
    static std::string UnquoteWhole(const std::string& cell)
    {
        if (cell.size() < 2 || (cell.front() != '\'' && cell.front() != '"')) return cell;
        const char quote = cell.front();
        for (std::size_t i = 1; i < cell.size(); ++i) {
            if (cell[i] != quote) continue;
            if (i + 1 < cell.size() && cell[i + 1] == quote) {
                ++i;
                continue;
            }
            return i + 1 == cell.size() ? Unquote(cell) : cell;
        }
        return cell;
    }

    static void Finish(std::vector<std::string>& cells, std::string& cell, bool quoted, bool trim)
    {
        // An unquoted cell loses its quotes only when its opening quote closes
        // where it ends; one whose opening quote closed before its end is kept
        // as typed, even when it also ends with a quote (`"Sable" et
        // "gravier"`).
        if (!quoted) {
            cell = trim ? Trim(UnquoteWhole(Trim(cell))) : UnquoteWhole(cell);
        } else if (trim) {
            cell = Trim(cell);
        }
        cells.push_back(std::move(cell));
        cell.clear();
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::int64_t line_ = 1;
    std::int64_t recordLine_ = 1;
    bool blank_ = true;
    Fault fault_ = Fault::None;
    std::int64_t openLine_ = 0;
    std::size_t openCell_ = 0;
    std::int64_t closeLine_ = 0;
};

// Why the reader stopped, after "colonne <name> : ".
std::string QuoteFaultText(const CsvRecordReader& reader)
{
    if (reader.Failure() == CsvRecordReader::Fault::Unclosed)
        return "le guillemet qui ouvre la valeur n'est jamais fermé";
    return "le guillemet qui ferme la valeur (ligne " + IntToStr(reader.CloseLine())
        + ") n'est suivi ni d'un \";\" ni d'une fin de ligne";
}

} // namespace

std::vector<std::string> SplitCsvLine(std::string_view line, bool trim)
{
    CsvRecordReader reader(line);
    std::vector<std::string> cells;
    if (!reader.Next(cells, trim))
        throw ECsvError("Valeur n°" + IntToStr(static_cast<std::int64_t>(reader.OpenCell()) + 1) + " : "
                        + QuoteFaultText(reader));
    return cells;
}

namespace {

struct ImportColumn {
    int cell = -1;
    const CsvColumnSpec* spec = nullptr;
    std::string field;  // Field (the Source, or the part before "(")
    std::string other;  // Other, "" none
    const TFieldDef* def = nullptr;
    std::vector<std::string> lexicon;
    // A template column: its target table and column, date target, conditions.
    bool isTemplate = false;
    std::string targetTable;
    std::string targetColumn;
    bool dateTarget = false;
    bool writesDesign = false;
    std::vector<std::pair<std::string, std::string>> conditions;
};

bool TableDefinesDesign(const std::string& table)
{
    for (const std::string& line : EditionSectionLines(table)) {
        const std::string value = ValuePart(line);
        if (value.substr(0, value.find(':')) == kDesign) return true;
    }
    return false;
}

void StoreByKind(TDirBlock& table, const std::string& path, int r, char kind, const std::string& value)
{
    switch (kind) {
    case 'A':
    case 'S':
    case 'U':
    case 'D':
        table.SetPathString(path, r, btString, value);
        break;
    case 'E':
        // Blanks around a typed date carry nothing: left in, "05/03/85 "
        // would be stored as the digits "85 0305".
        table.SetPathString(path, r, btString,
                            value.find('/') != std::string::npos ? NormalizePastDate(Trim(value)) : value);
        break;
    case 'F':
    case 'R':
        table.SetPathString(path, r, btFloat, value);
        break;
    case 'I':
    case 'N':
        table.SetPathString(path, r, btInt, value);
        break;
    default:
        break;
    }
}

// A copy of what a line writes into: the borehole's tables at `tables`,
// their columns without rows but of the same kinds, so that a value that
// would fail to convert in the collection fails there too, and a path that
// would run through a value runs through one there too.
std::unique_ptr<TDirBlock> TrialBorehole(const TDirBlock& root, const std::string& index,
                                         const std::vector<std::string>& tables)
{
    auto trial = std::make_unique<TDirBlock>(index);
    const int at = root.IndexOfName(index);
    const TDirBlock* borehole = at >= 0 ? root.ChildDir(at) : nullptr;
    if (!borehole) return trial;
    for (const std::string& path : tables) {
        // Each element of the path as the borehole has it: directories are
        // made, a value met on the way is copied and ends the path.
        const TDirBlock* from = borehole;
        TDirBlock* to = trial.get();
        std::size_t start = 0;
        while (from && to) {
            const std::size_t slash = path.find('\\', start);
            const std::string name = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            const int k = from->IndexOfName(name);
            if (k < 0) break;
            const TBlock& child = *from->Child(k);
            const int mine = to->IndexOfName(name);
            if (!child.IsDir()) {
                if (mine < 0)
                    if (auto copy = ShapeOf(child)) to->AddChild(std::move(copy), true);
                break;
            }
            if (slash == std::string::npos) {
                if (mine < 0) to->AddChild(ShapeOf(child), true);
                break;
            }
            if (mine < 0) to->AddChild(std::make_unique<TDirBlock>(name), true);
            from = static_cast<const TDirBlock*>(&child);
            to = to->ChildDir(to->IndexOfName(name));
            start = slash + 1;
        }
    }
    return trial;
}

// Why a value did not go in, in the words of the column's kind.
std::string WhyNotStored(const ImportColumn* col, const std::exception& e)
{
    // The column the value goes into decides what it must be: an integer or
    // float column of the collection, or a date of the file.
    const std::string what = e.what();
    if (const auto* convert = dynamic_cast<const EConvertError*>(&e)) {
        if (convert->ValueKind() == EConvertError::Kind::Integer) return "n'est pas un nombre entier";
        return std::string("n'est pas un nombre (le séparateur décimal est \"") + GetDecimalSeparator() + "\")";
    }
    if (col && ((col->def && col->def->Kind == 'E') || col->dateTarget)) return "n'est pas une date JJ/MM/AAAA";
    return "ne peut pas être enregistrée (" + what + ")";
}

std::string LineFailureMessage(const std::string& file, std::int64_t line, const std::string& index,
                               const std::string& column, const std::string& value, const ImportColumn* col,
                               const std::exception& e)
{
    std::string s = "Erreur dans le fichier " + file + ", ligne " + IntToStr(line);
    if (col)
        s += ", colonne " + column + " : la valeur \"" + value + "\" " + WhyNotStored(col, e) + ".";
    else
        s += " : l'ouvrage \"" + index + "\" ne peut pas être enregistré (" + e.what() + ").";
    return s + "\nCette ligne et les suivantes n'ont pas été importées.";
}

// A quoted cell not closed as it should be: where it opened, and by the
// column's header when the header names it.
std::string QuoteFailureMessage(const std::string& file, const CsvRecordReader& reader,
                                const std::vector<std::string>& header)
{
    const std::size_t cell = reader.OpenCell();
    const std::string column = cell < header.size() && !header[cell].empty()
        ? header[cell]
        : "n°" + IntToStr(static_cast<std::int64_t>(cell) + 1);
    return "Erreur dans le fichier " + file + ", ligne " + IntToStr(reader.OpenLine()) + ", colonne " + column
        + " : " + QuoteFaultText(reader) + ".\nCette ligne et les suivantes n'ont pas été importées.";
}

} // namespace

void ImportCsvData(std::string_view text, const CsvSection& section, TDirBlock& root, const std::string& fileLabel,
                   CsvReport& report)
{
    TStructTable defs;
    LoadTableDefinitions(defs, section.TablePath, "", true);
    AddTubeName(defs);

    CsvRecordReader reader(text);
    std::vector<std::string> header;
    const std::vector<std::string> noHeader;
    auto next = [&](std::vector<std::string>& cells, bool trim) {
        if (reader.Next(cells, trim)) return true;
        throw ECsvError(QuoteFailureMessage(fileLabel, reader, trim ? noHeader : header));
    };
    do {
        if (reader.AtEnd()) throw ECsvError("Le fichier '" + fileLabel + "' est vide");
        next(header, true);
    } while (reader.Blank());

    int indexCell = -1;
    std::vector<ImportColumn> columns;
    for (int c = 0; c < static_cast<int>(header.size()); ++c) {
        const std::string& name = header[static_cast<std::size_t>(c)];
        if (name == "INDICE") {
            if (indexCell < 0) indexCell = c;
            continue;
        }
        for (const CsvColumnSpec& spec : section.Lines) {
            if (UpperCase(spec.Column) != name) continue;
            ImportColumn col;
            col.cell = c;
            col.spec = &spec;
            col.field = spec.Source;
            if (!FindDef(defs, spec.Source)) SplitFieldOther(spec.Source, col.field, col.other);
            col.def = FindDef(defs, col.field);
            if (!IsTemplate(spec.Source)) col.lexicon = LexiconOf(section, spec.Source);
            columns.push_back(std::move(col));
            break;
        }
    }
    if (indexCell < 0) throw ECsvError("Pas de champ Indice dans '" + fileLabel + "'");

    int designCell = -1;
    for (const ImportColumn& col : columns)
        if (!col.def && !IsTemplate(col.spec->Source) && LastElement(col.field) == kDesign) designCell = col.cell;

    for (ImportColumn& col : columns) {
        if (col.def || !IsTemplate(col.spec->Source)) continue;
        col.isTemplate = true;
        std::string t = col.spec->Source.substr(1);
        const std::size_t pct = t.find('%');
        t = pct == std::string::npos ? Trim(t) : t.substr(0, pct);
        const std::size_t bar = t.find('|');
        std::string target = t.substr(0, bar);
        if (bar != std::string::npos) {
            std::string_view rest = std::string_view(t).substr(bar + 1);
            while (!rest.empty()) {
                const std::size_t comma = rest.find(',');
                const std::string item(rest.substr(0, comma));
                if (item.find('=') != std::string::npos) {
                    const std::string value = ValuePart(item);
                    col.conditions.emplace_back(NamePart(item), value.substr(0, value.find(';')));
                }
                if (comma == std::string_view::npos) break;
                rest = rest.substr(comma + 1);
            }
        }
        if (target.size() >= 2 && target.compare(target.size() - 2, 2, ":E") == 0) {
            col.dateTarget = true;
            target.resize(target.size() - 2);
        }
        const std::size_t cut = target.rfind('\\');
        col.targetTable = cut == std::string::npos ? std::string() : target.substr(0, cut);
        col.targetColumn = cut == std::string::npos ? target : target.substr(cut + 1);
        col.writesDesign = designCell >= 0 && TableDefinesDesign(col.targetTable);
    }

    std::vector<std::string> touchedTables{section.TablePath};
    for (const ImportColumn& col : columns)
        if (col.isTemplate) touchedTables.push_back(col.targetTable);

    ImportedBoreholeNames names;
    const std::vector<std::string> ownDefinitions = EditionSectionLines(section.TablePath);
    // A record sheet with a designation (as "Ouvrage") holds one row per
    // ouvrage: a line of an ouvrage already there writes into its row.
    // A line without a designation (none given, or no such column) is the
    // ouvrage without one, and writes into its row as well.
    bool designedSheet = false;
    int sheetDesignCell = -1;
    {
        bool sheet = false;
        for (const std::string& name : RecordSheetTables()) sheet = sheet || name == section.TablePath;
        designedSheet = sheet && DefinitionsNameDesign(ownDefinitions);
        if (designedSheet)
            for (const ImportColumn& col : columns)
                if (col.def && col.field == kDesign && sheetDesignCell < 0) sheetDesignCell = col.cell;
    }
    // The index and the designation name a borehole and an ouvrage: blanks
    // typed around them would make another one that looks the same, as they
    // do in no other importer.
    std::vector<std::size_t> nameCells{static_cast<std::size_t>(indexCell)};
    for (const ImportColumn& col : columns)
        if (LastElement(col.field) == kDesign) nameCells.push_back(static_cast<std::size_t>(col.cell));
    // The record-sheet rows this file wrote, by borehole.
    std::map<std::string, std::set<int>> rowsWritten;
    std::vector<std::string> cells;
    while (!reader.AtEnd()) {
        next(cells, false);
        if (reader.Blank()) continue;
        for (const std::size_t c : nameCells)
            if (c < cells.size()) cells[c] = Trim(cells[c]);
        auto cellAt = [&](int c) {
            return c >= 0 && c < static_cast<int>(cells.size()) ? cells[static_cast<std::size_t>(c)] : std::string();
        };
        std::string index = cellAt(indexCell);
        if (index.empty()) continue;
        // A line that fails writes nothing: nor its index's rename or merge in the remarks.
        const std::int64_t renamedBefore = report.RenamedKeys;
        const std::size_t mergedBefore = report.MergedKeys.size();
        index = (report.Names ? *report.Names : names).Name(root, index, report.RenamedKeys, report.MergedKeys);
        // A line is written whole or not at all: it is first written into a
        // trial copy of the borehole's tables (their columns without rows, so
        // that every value converts as it would in the collection), and only
        // then into the collection.
        const std::unique_ptr<TDirBlock> trial = TrialBorehole(root, index, touchedTables);
        const ImportColumn* current = nullptr;
        for (TDirBlock* into : {trial.get(), static_cast<TDirBlock*>(nullptr)}) try {
            current = nullptr;
            TDirBlock* borehole = into ? into : root.GetOrCreateSubDir(index, false);
            TDirBlock* table = borehole->ForceDir(section.TablePath);
            // The borehole's own table (as "Dossier") has its one row: each
            // line writes there the values it gives and keeps the others.
            const bool own = IsBoreholeOwnTable(*borehole, section.TablePath, ownDefinitions, false);
            int r = own ? 0 : table->RowCount();
            bool keep = own;
            if (!own && designedSheet) {
                const std::string design = cellAt(sheetDesignCell);
                const int there = table->FindBlock(kDesign) ? table->IndexOfPathString(kDesign, design)
                                  : design.empty() && r > 0 ? 0
                                                            : -1;
                if (there >= 0) r = there, keep = true;
            }
            // A row of a record sheet that an earlier line of this file wrote:
            // what it held, to name the ouvrage when this line changes it.
            const bool again = !into && keep && rowsWritten[index].count(r);
            std::vector<std::string> before;
            if (again)
                for (const ImportColumn& col : columns)
                    if (col.def) before.push_back(table->GetPathString(col.field, r));
            std::vector<int> templateRows(columns.size(), 0);
            for (std::size_t k = 0; k < columns.size(); ++k)
                if (columns[k].isTemplate)
                    templateRows[k] = borehole->ForceDir(columns[k].targetTable)->RowCount();

            for (std::size_t k = 0; k < columns.size(); ++k) {
                const ImportColumn& col = columns[k];
                const std::string value = cellAt(col.cell);
                current = &col;
                if (col.def) {
                    if (keep && KeepOwnCell(*table, col.field, r, value)) continue;
                    const std::string otherValue = col.other.empty() ? std::string() : table->GetPathString(col.other, r);
                    const std::string code = CsvLexiconCode(value, col.lexicon, section.TablePath, col.field, otherValue);
                    StoreByKind(*table, col.field, r, col.def->Kind, code);
                } else if (col.isTemplate) {
                    TDirBlock* target = borehole->ForceDir(col.targetTable);
                    int tr = templateRows[k];
                    std::string_view rest = value;
                    while (true) {
                        const std::size_t comma = rest.find(',');
                        std::string item = Trim(rest.substr(0, comma));
                        // An empty cell (or an empty item between commas) makes no row.
                        if (!item.empty()) {
                            if (col.dateTarget && item.find('/') != std::string::npos) item = NormalizePastDate(item);
                            target->SetPathString(col.targetColumn, tr, btString, item);
                            if (col.writesDesign) target->SetPathString(kDesign, tr, btString, cellAt(designCell));
                            for (const auto& [name, v] : col.conditions) target->SetPathString(name, tr, btString, v);
                            ++tr;
                        }
                        if (comma == std::string_view::npos) break;
                        rest = rest.substr(comma + 1);
                    }
                }
            }
            if (!into && (own || designedSheet)) {
                rowsWritten[index].insert(r);
                std::size_t b = 0;
                bool changed = false;
                for (const ImportColumn& col : columns)
                    if (again && col.def) {
                        // Filling what an earlier line left blank loses nothing.
                        const std::string& was = before[b++];
                        changed = changed || (ImportValueGiven(was) && table->GetPathString(col.field, r) != was);
                    }
                const std::string who = own ? index
                                            : index + " (" + (sheetDesignCell >= 0 && !cellAt(sheetDesignCell).empty()
                                                                  ? "d\xC3\xA9signation " + cellAt(sheetDesignCell)
                                                                  : std::string("sans d\xC3\xA9signation"))
                                                  + ")";
                if (changed && std::find(report.Repeated.begin(), report.Repeated.end(), who) == report.Repeated.end())
                    report.Repeated.push_back(who);
            }
        } catch (const std::exception& e) {
            report.RenamedKeys = renamedBefore;
            report.MergedKeys.resize(mergedBefore);
            throw ECsvError(LineFailureMessage(fileLabel, reader.Line(), index,
                                               current ? header[static_cast<std::size_t>(current->cell)] : "",
                                               current ? cellAt(current->cell) : "", current, e));
        }
        ++report.Rows;
    }
}

void ImportCsvFile(const std::string& FileName, TDirBlock& root, CsvReport& report)
{
    const fs::path path = Utf8ToPath(FileName);
    const std::string table = UpperCase(PathToUtf8(path.stem()));
    if (!IniCsv) throw ECsvError("Pas de section " + table + " dans csv.ini");
    const CsvSection section = FindCsvSection(*IniCsv, table);
    std::string bytes, error;
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (!ec && size > kMaxCsvFileBytes) throw ECsvError(TooLargeCsvMessage(FileName));
    if (!ReadFileBounded(path, bytes, &error, kMaxCsvFileBytes)) throw ECsvError(error);
    // The file's bytes go as soon as they are decoded: the import then holds
    // the text once, besides what it writes into the collection.
    // A plain ASCII file (most exports) is its own text: no second copy.
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    std::string text = ascii ? std::move(bytes) : DecodeTextFile(bytes);
    std::string().swap(bytes);
    ImportCsvData(text, section, root, FileName, report);
}

std::string TooLargeCsvMessage(const std::string& file)
{
    return "Le fichier '" + file + "' dépasse " + IntToStr(static_cast<std::int64_t>(kMaxCsvFileBytes >> 20))
        + " Mo, la taille la plus grande qu'un fichier CSV peut avoir";
}
