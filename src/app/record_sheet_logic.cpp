#include "app/record_sheet_logic.h"

#include <algorithm>
#include <stdexcept>

#include "exchange/database_download.h"
#include "exchange/database_link.h"
#include "exchange/sql_ini_check.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"

namespace {

SheetQueryRunner& Runner()
{
    static SheetQueryRunner runner;
    return runner;
}

const std::string kDesignName = "D\xC3\xA9sign";

// The part of an sql.ini section name after its first "=", trimmed; "" without "=".
std::string SectionTarget(const std::string& section)
{
    const std::size_t eq = section.find('=');
    return eq == std::string::npos ? std::string() : Trim(section.substr(eq + 1));
}

// The part before the first "=" (the whole name without one), trimmed.
std::string SectionSource(const std::string& section)
{
    return Trim(section.substr(0, section.find('=')));
}

std::vector<std::string> SqlSections()
{
    CheckSqlIniReadable();
    return IniSql ? IniSql->ReadSections() : std::vector<std::string>();
}

std::vector<std::string> SqlSectionLines(const std::string& section)
{
    return IniSql ? IniSql->ReadSectionValues(section) : std::vector<std::string>();
}

std::vector<SheetRecord> RunQuery(const std::string& sql, const std::vector<std::string>& values)
{
    if (!Runner()) throw std::runtime_error(kSheetNoDatabase);
    return Runner()(sql, values);
}

// The date columns are read as text in the form the field shows.
std::string SelectColumn(const std::string& key, const TFieldDef& def)
{
    if (def.Kind != 'D' && def.Kind != 'E') return key;
    const int n = std::clamp(def.Kind == 'E' ? def.Width + 2 : def.Width, 0, 10);
    return "TO_CHAR(" + key + ",'" + std::string("dd/mm/yyyy").substr(0, static_cast<std::size_t>(n)) + "')";
}

}  // namespace

void SetSheetQueryRunner(SheetQueryRunner runner) { Runner() = std::move(runner); }
bool SheetDatabaseAvailable() { return static_cast<bool>(Runner()); }

// ---- fields ------------------------------------------------------------------------

std::string LexiconEntryText(std::string_view code, std::string_view label)
{
    if (code == label) return std::string(code);
    return std::string(code) + kSheetNbsp + std::string(label);
}

int SheetFieldLength(const TFieldDef& def)
{
    int length = def.Width;
    if (def.Kind == 'E') length = def.Width + 2;
    else if (def.Kind == 'F' || def.Kind == 'R') length = 17;
    if (length < 0) length = 0;
    for (std::size_t k = 0; k < def.LexCodes.size(); ++k) {
        const std::string label = k < def.LexLabels.size() ? def.LexLabels[k] : std::string();
        length = std::max(length, static_cast<int>(Utf8Length(LexiconEntryText(def.LexCodes[k], label))));
    }
    return length;
}

std::string SheetEditMask(char kind, int length)
{
    if (kind != 'D' && kind != 'E') return {};
    return std::string("99/99/9999").substr(0, static_cast<std::size_t>(std::clamp(length, 0, 10)));
}

std::string MaskedDateValue(std::string_view shown)
{
    std::vector<std::string> groups(1);
    bool digits = false;
    for (const char c : shown) {
        if (c == '/') groups.emplace_back();
        else if (c != ' ') {
            groups.back() += c;
            digits = digits || (c >= '0' && c <= '9');
        }
    }
    if (!digits) return {};
    std::string value;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (g > 0) value += '/';
        if (g + 1 < groups.size() && groups[g].size() == 1) value += '0';
        value += groups[g];
    }
    return value;
}

// ---- the sheet's values ------------------------------------------------------------

void RecordSheet::Build(const TDirBlock& root, int row)
{
    Fields.assign(Defs.size(), SheetField());
    for (std::size_t i = 0; i < Defs.size(); ++i) {
        const TFieldDef& def = Defs[i];
        SheetField& f = Fields[i];
        f.IsCombo = !def.LexCodes.empty();
        f.EditLength = SheetFieldLength(def);
        std::string value = root.GetPathString(def.Path, row);
        if (def.Kind == 'E') {
            value = DigitsToDate(value);
        } else if (def.Kind == 'M') {
            // Stored times 1000, shown as typed: the store multiplies again.
            const double v = root.GetPathFloat(def.Path, row);
            value = IsMissingFloat(v) ? std::string() : FloatToStr(v / 1000.0);
        }
        if (f.IsCombo) {
            f.Entries.push_back(std::string());
            for (std::size_t k = 0; k < def.LexCodes.size(); ++k)
                f.Entries.push_back(
                    LexiconEntryText(def.LexCodes[k], k < def.LexLabels.size() ? def.LexLabels[k] : std::string()));
            const bool known = std::any_of(f.Entries.begin(), f.Entries.end(),
                                           [&](const std::string& e) { return CutAtNbsp(e) == value; });
            if (!known) f.Entries.push_back(value);
            std::stable_sort(f.Entries.begin(), f.Entries.end(),
                             [](const std::string& a, const std::string& b) { return CompareTextNoCase(a, b) < 0; });
            SetValue(static_cast<int>(i), value);
        } else {
            f.Mask = SheetEditMask(def.Kind, f.EditLength);
            f.Upper = def.Kind == 'U';
            f.Text = value;
        }
    }
    Built.clear();
    for (int i = 0; i < Count(); ++i) Built.push_back(GetValue(i));
}

bool RecordSheet::Touched(int i) const
{
    return i < 0 || i >= static_cast<int>(Built.size()) || GetValue(i) != Built[static_cast<std::size_t>(i)];
}

std::string RecordSheet::GetValue(int i) const
{
    if (i < 0 || i >= Count()) return {};
    const SheetField& f = Fields[static_cast<std::size_t>(i)];
    if (!f.IsCombo) return f.Text;
    if (f.Selected < 0 || f.Selected >= static_cast<int>(f.Entries.size())) return {};
    return CutAtNbsp(f.Entries[static_cast<std::size_t>(f.Selected)]);
}

void RecordSheet::SetValue(int i, const std::string& text)
{
    if (i < 0 || i >= Count()) return;
    SheetField& f = Fields[static_cast<std::size_t>(i)];
    if (f.IsCombo) {
        for (std::size_t k = 0; k < f.Entries.size(); ++k)
            if (CutAtNbsp(f.Entries[k]) == text) {
                f.Selected = static_cast<int>(k);
                Notify(i);
                return;
            }
        return;
    }
    f.Text = f.Upper ? UpperCase(text) : text;
    Notify(i);
}

void RecordSheet::Choose(int i, int entry)
{
    if (i < 0 || i >= Count()) return;
    SheetField& f = Fields[static_cast<std::size_t>(i)];
    f.Selected = entry >= 0 && entry < static_cast<int>(f.Entries.size()) ? entry : -1;
}

std::string RecordSheet::SqlValue(int i) const
{
    const std::string v = GetValue(i);
    const char kind = i >= 0 && i < static_cast<int>(Defs.size()) ? Defs[static_cast<std::size_t>(i)].Kind : '\0';
    if (kind != 'A' && kind != 'S' && kind != 'U') return v;
    std::string q = "'";
    for (const char c : v) {
        if (c == '\'') q += '\'';
        q += c;
    }
    return q + "'";
}

bool RecordSheet::Changed(const TDirBlock& root, int row)
{
    ChangedLabels.clear();
    bool changed = false;
    for (std::size_t i = 0; i < Defs.size() && i < Fields.size(); ++i) {
        TFieldDef& def = Defs[i];
        def.Value = GetValue(static_cast<int>(i));
        // A field shown as it was read is no change, even where its stored
        // text is not in the field's own form (lower case in a capitals
        // field, a date or number written otherwise).
        if (!Touched(static_cast<int>(i))) continue;
        const std::string stored = root.GetPathString(def.Path, row);
        bool differs = false;
        try {
            switch (def.Kind) {
            case 'E': differs = TrimBlanks(stored) != TrimBlanks(NormalizeDate(def.Value)); break;
            case 'D': differs = stored != def.Value; break;
            case 'U': differs = stored != UpperCase(TrimBlanks(def.Value)); break;
            case 'M': differs = stored != TimesThousandText(TrimBlanks(def.Value)); break;
            default: differs = stored != TrimBlanks(def.Value); break;
            }
        } catch (const std::exception&) {
            differs = true;  // a value that does not convert cannot be what is stored
        }
        if (!differs) continue;
        if (changed) ChangedLabels += ", ";
        ChangedLabels += def.Name;
        changed = true;
    }
    return changed;
}

void RecordSheet::Store(TDirBlock& root, int row)
{
    // Only the fields the user (or a database fill) changed are written: the
    // others keep their stored values bit for bit.
    TStructTable changed;
    for (std::size_t i = 0; i < Defs.size(); ++i) {
        Defs[i].Value = GetValue(static_cast<int>(i));
        if (Touched(static_cast<int>(i))) changed.push_back(Defs[i]);
    }
    if (changed.empty()) return;
    // A dry run on a copy of the borehole first: a value that does not convert
    // then stops the store before the first field is written.
    TDirBlock scratch("Root");
    if (const TDirBlock* borehole = root.FindDir(Indice))
        static_cast<void>(scratch.AddChild(borehole->CloneDir(), true));
    TStructTable trial = changed;
    WriteFieldsToTable(trial, &scratch, row);
    WriteFieldsToTable(changed, &root, row);
}

int RecordSheet::FieldOfSqlValue(const std::string& value) const
{
    const std::string path = Indice + "\\" + TableName + "\\" + value;
    for (std::size_t j = 0; j < Defs.size(); ++j)
        if (Defs[j].Path == path) return static_cast<int>(j);
    return -1;
}

std::string SheetNothingFoundText(const std::string& indice, const std::string& design, const std::string& table)
{
    return "La base de donn\xC3\xA9" "es ne contient rien pour l'ouvrage " + OuvrageName(indice, design) +
           " dans la fiche \xC2\xAB " + table + " \xC2\xBB : la fiche n'a pas \xC3\xA9t\xC3\xA9 modifi\xC3\xA9" "e.";
}

int RecordSheet::FillFromRecord(bool tellNothingFound)
{
    if (!SheetDatabaseAvailable()) throw std::runtime_error(kSheetNoDatabase);
    std::string section;
    bool found = false;
    for (const std::string& s : SqlSections())
        if (s == TableName || SectionTarget(s) == TableName) {
            section = s;
            found = true;
            break;
        }
    if (!found) {
        ShowBox(kSheetNoInformationTitle, kSheetTableNotInSqlIni);
        return -1;
    }
    const std::string dbTable = SectionSource(section);
    std::string columns, from = dbTable, where;
    bool withDesign = false;
    std::vector<int> mapped;
    for (const std::string& line : SqlSectionLines(section)) {
        const std::string key = Trim(NamePart(line));
        const std::string value = ValuePart(line);
        const std::string upper = UpperCaseAscii(key);
        if (upper == "DESIGNATION") {
            withDesign = true;
        } else if (upper == "FROM") {
            if (!Trim(value).empty()) from = value;
        } else if (upper == "WHERE") {
            where = value;
        } else if (const int j = FieldOfSqlValue(value); j >= 0) {
            CheckSqlIniColumn(section, key);
            if (!mapped.empty()) columns += ", ";
            columns += SelectColumn(key, Defs[static_cast<std::size_t>(j)]);
            mapped.push_back(j);
        }
    }
    if (mapped.empty()) {
        ShowBox(kSheetNoInformationTitle, kSheetNoValidField);
        return -1;
    }
    // What sql.ini puts into the text is checked before anything is sent; the
    // table qualifies the conditions, so it is a plain name even beside a FROM.
    CheckSqlIniTable(section, dbTable);
    if (from != dbTable) CheckSqlIniFrom(section, "FROM", Trim(from));
    if (!Trim(where).empty()) CheckSqlIniWhere(section, "WHERE", Trim(where));
    std::string sql = "SELECT " + columns + " FROM " + from + " WHERE " + dbTable + ".INDICE = ?";
    std::vector<std::string> values{Indice};
    if (withDesign) {
        sql += " AND " + dbTable + ".DESIGNATION = ?";
        values.push_back(Designation);
    }
    if (!Trim(where).empty()) sql += " AND (" + Trim(where) + ")";  // an OR narrows, never widens
    sql += ";";
    const std::vector<SheetRecord> records = RunQuery(sql, values);
    if (records.empty()) {
        // The fields keep what the person typed.
        if (tellNothingFound)
            ShowInformation(kSheetNoInformationTitle, SheetNothingFoundText(Indice, Designation, TableName));
        return 0;
    }
    const SheetRecord& first = records.front();
    for (std::size_t k = 0; k < mapped.size() && k < first.size(); ++k)
        if (first[k]) SetValue(mapped[k], *first[k]);
    return static_cast<int>(records.size());
}

void RecordSheet::CompleteFromLookups()
{
    if (!SheetDatabaseAvailable()) throw std::runtime_error(kSheetNoDatabase);
    const std::vector<std::string> sections = SqlSections();
    // Completed whole or not at all: a look-up that fails after others
    // filled their fields puts those fields back as they were.
    struct Undo {
        RecordSheet& sheet;
        std::vector<std::string> values;
        bool done = false;
        ~Undo()
        {
            if (done) return;
            try {
                for (int i = 0; i < sheet.Count() && i < static_cast<int>(values.size()); ++i)
                    if (sheet.GetValue(i) != values[static_cast<std::size_t>(i)])
                        sheet.SetValue(i, values[static_cast<std::size_t>(i)]);
            } catch (...) {
                // A destructor lets nothing out.
            }
        }
    } undo{*this, {}};
    for (int i = 0; i < Count(); ++i) undo.values.push_back(GetValue(i));
    for (std::size_t i = 0; i < Defs.size(); ++i) {
        const auto s = std::find_if(sections.begin(), sections.end(), [&](const std::string& name) {
            return name.find('=') != std::string::npos && Indice + "\\" + SectionTarget(name) == Defs[i].Path;
        });
        if (s == sections.end()) continue;
        const std::string source = SectionSource(*s);
        const std::size_t dot = source.find('.');
        if (dot == std::string::npos) continue;
        CheckSqlIniTable(*s, source.substr(0, dot));
        CheckSqlIniColumn(*s, source.substr(dot + 1));
        std::string conditions;
        std::vector<std::string> values;
        for (const std::string& line : SqlSectionLines(*s)) {
            const int j = FieldOfSqlValue(ValuePart(line));
            if (j < 0 || GetValue(j).empty()) continue;
            CheckSqlIniColumn(*s, NamePart(line));
            if (!conditions.empty()) conditions += " and ";
            conditions += Trim(NamePart(line)) + " = ?";
            values.push_back(GetValue(j));
        }
        if (conditions.empty()) continue;
        const std::string sql =
            "select " + source.substr(dot + 1) + " from " + source.substr(0, dot) + " where " + conditions + ";";
        const std::vector<SheetRecord> records = RunQuery(sql, values);
        if (records.size() == 1 && !records.front().empty() && records.front().front())
            SetValue(static_cast<int>(i), *records.front().front());
    }
    undo.done = true;
}

// ---- layout ------------------------------------------------------------------------

SheetLayout LayoutRecordSheet(const SheetLayoutInput& in)
{
    SheetLayout out;
    out.LineHeight = in.LineHeight;
    const int cw = in.ClientWidth;
    const int charWidth = std::max(in.CharWidth, 1);
    int x = 4;
    int y = 4;
    for (const SheetItemMetrics& item : in.Items) {
        SheetItemPlace p;
        auto newLine = [&] {
            x = 4;
            y += out.LineHeight;
            p.LabelLeft = 4;
            p.LabelTop = y + 3;
        };
        p.LabelLeft = x;
        p.LabelTop = y + 3;
        // A label alone on its line stays there, however wide.
        if (x > 4 && x + item.LabelWidth > cw + 50) newLine();
        const int natural =
            item.Length > 0 ? item.Length * charWidth + 6 + (item.IsCombo ? item.EditorHeight : 0) : 0;
        int left = p.LabelLeft + item.LabelWidth + 8;
        if (p.LabelLeft > 4) {
            // A field with a length goes to the next line when it does not fit;
            // one without takes the rest of the line, unless too little is left.
            const bool wrap = item.Length > 0 ? left + natural > cw - 8 : cw - left - 8 < 10 * charWidth + 6;
            if (wrap) {
                newLine();
                left = p.LabelLeft + item.LabelWidth + 8;
            }
        }
        const int room = cw - left - 8;
        const int width = item.Length > 0 ? std::min(natural, room) : room;
        p.EditorLeft = left;
        p.EditorTop = y;
        p.EditorWidth = std::max(width, kSheetMinEditorWidth);
        x = p.EditorLeft + p.EditorWidth + 8;
        out.LineHeight = std::max(out.LineHeight, item.EditorHeight + 2);
        out.Items.push_back(p);
    }
    y += 6;
    out.ButtonTop = y + out.LineHeight;
    const int m = cw / 2;
    out.ButtonLeft[0] = m - in.ButtonWidth[0] - 4 - in.ButtonWidth[1] - 4;
    out.ButtonLeft[1] = m - in.ButtonWidth[1] - 4;
    out.ButtonLeft[2] = m;
    out.ButtonLeft[3] = m + in.ButtonWidth[2] + 4;
    out.ContentHeight = out.ButtonTop + in.ButtonHeight + 4;
    return out;
}

// ---- editing a sheet -----------------------------------------------------------------

namespace {

std::string TablePathOf(const std::string& columnPath)
{
    const std::size_t slash = columnPath.rfind('\\');
    return slash == std::string::npos ? std::string() : columnPath.substr(0, slash);
}

}  // namespace

SheetOpening PrepareRecordSheet(RecordSheet& sheet, TDirBlock& root, const std::string& indice,
                                const std::string& design, const std::string& section)
{
    SheetOpening o;
    sheet.TableName = section;
    sheet.Indice = indice;
    sheet.Designation.clear();
    sheet.Defs.clear();
    sheet.Fields.clear();
    LoadTableDefinitions(sheet.Defs, section, indice, false);
    const int d = IndexOfFieldDef(sheet.Defs, kDesignName);
    if (d < 0) {
        o.Caption = indice + " - " + section;
        return o;
    }
    o.HasDesign = true;
    sheet.Designation = design;
    const std::string path = sheet.Defs[static_cast<std::size_t>(d)].Path;
    o.TablePath = TablePathOf(path);
    int row = root.IndexOfPathString(path, design);
    if (row < 0) {
        const TDirBlock* table = root.FindDir(o.TablePath);
        o.CreatedTable = table == nullptr;
        row = table ? table->RowCount() : 0;
        root.SetPathString(path, row, btString, design);
        o.AppendedRow = true;
    }
    o.Row = row;
    DeleteFieldDef(sheet.Defs, d);
    o.Caption = indice + " " + design + " - " + section;
    return o;
}

void UndoRecordSheetOpening(TDirBlock& root, const SheetOpening& opening)
{
    if (!opening.AppendedRow) return;
    TDirBlock* table = root.FindDir(opening.TablePath);
    if (!table) return;
    table->DeleteRow(opening.Row);
    if (opening.CreatedTable && table->ItemCount() == 0) {
        if (TDirBlock* parent = table->Parent()) parent->DeleteChild(parent->IndexOf(table));
    }
}

bool RunRecordSheetDialog(RecordSheet& sheet, TDirBlock& root, int row,
                          const std::function<SheetCloseReason()>& showModal)
{
    for (;;) {
        const SheetCloseReason reason = showModal();
        if (reason == SheetCloseReason::Annuler) return false;
        if (reason == SheetCloseReason::CloseBox) {
            if (!sheet.Changed(root, row)) return false;
            const MsgResult answer =
                AskYesNoCancel(kEditionTitle, kEditionChangedPrefix + sheet.ChangedLabels + kEditionChangedSuffix);
            if (answer == MsgResult::Cancel) continue;
            if (answer != MsgResult::Yes) return false;
        }
        try {
            sheet.Store(root, row);
            return true;
        } catch (const std::exception& e) {
            ShowBox(kEditionStoreFailedTitle, kEditionStoreFailedPrefix + std::string(e.what()));
        }
    }
}
