#include "store/templates.h"

#include <algorithm>
#include <cmath>

#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"

namespace {

bool IsCommaBlank(char ch)
{
    return ch >= 1 && ch <= ' ';
}

}  // namespace

std::vector<std::string> SplitCommaText(std::string_view text)
{
    std::vector<std::string> items;
    // The class library reads the text as a C string: a NUL ends it.
    text = text.substr(0, text.find('\0'));
    std::size_t p = 0;
    const std::size_t n = text.size();
    auto at = [&](std::size_t i) { return i < n ? text[i] : '\0'; };
    while (p < n && IsCommaBlank(text[p])) ++p;
    while (p < n) {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < n) {
                if (text[p] == '"') {
                    if (at(p + 1) == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const std::size_t start = p;
            while (p < n && !IsCommaBlank(text[p]) && text[p] != ',') ++p;
            item.assign(text.substr(start, p - start));
        }
        items.push_back(std::move(item));
        while (p < n && IsCommaBlank(text[p])) ++p;
        if (p < n && text[p] == ',') {
            if (p + 1 >= n) items.emplace_back();
            do {
                ++p;
            } while (p < n && IsCommaBlank(text[p]));
        }
    }
    return items;
}

namespace {

struct Condition {
    std::string Name;
    std::string Value;
};

std::vector<Condition> ReadConditions(std::string_view text)
{
    std::vector<Condition> conditions;
    for (const std::string& item : SplitCommaText(text)) conditions.push_back({NamePart(item), ValuePart(item)});
    return conditions;
}

bool EndsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The label of `value` in the edition.ini lexicon of the column (lines
// key=code=label); the value itself when no line has that code. The section is
// read as a settings section, so "[niveau\type]" serves %Niveau\Type*%.
std::string TranslateThroughLexicon(const std::string& section, const std::string& value)
{
    if (!IniEdition) return value;
    for (const std::string& line : IniEdition->ReadSectionValues(section)) {
        const std::string rest = ValuePart(line);
        const std::size_t eq = rest.find('=');
        const std::string code = rest.substr(0, eq);
        if (code == value) return eq == std::string::npos ? std::string() : rest.substr(eq + 1);
    }
    return value;
}

// One column placeholder: the values of the ouvrage's rows, ", "-joined.
std::string ExpandColumn(std::string name, const std::vector<Condition>& conditions, bool asDate,
                         const TDirBlock& root, std::string_view index, std::string_view designation)
{
    bool translate = false;
    if (!name.empty() && name.back() == '*') {
        name.pop_back();
        translate = true;
    }
    if (name == "UnitéXY" || name == "UNITEXY") name = "Ouvrage\\" + name;
    const std::size_t slash = name.rfind('\\');
    // A name that is neither a fixed one nor Table\Column names no column.
    if (slash == std::string::npos) return std::string();
    const std::string table = name.substr(0, slash);
    const std::string column = name.substr(slash + 1);
    const TDirBlock* dir = root.FindDir(std::string(index) + "\\" + table + "\\");
    if (!dir) return std::string();

    const bool hasDesign = dir->FindBlock("Désign") != nullptr;
    const int rows = dir->RowCount();
    std::string gathered;
    for (int r = 0; r < rows; ++r) {
        if (hasDesign && dir->GetPathString("Désign", r) != designation) continue;
        bool kept = true;
        for (const Condition& c : conditions) {
            if (!InSemicolonList(dir->GetPathString(c.Name, r), c.Value)) {
                kept = false;
                break;
            }
        }
        if (!kept) continue;

        std::string value;
        if (asDate) {
            value = DigitsToDate(dir->GetPathString(column, r));
        } else {
            const bool zone9 = dir->GetPathString("Zone", r) == "9";
            if ((column == "X" || column == "Y") && zone9) {
                const double v = dir->GetPathFloat(column, r);
                // A missing coordinate stays empty rather than showing an infinity.
                value = IsMissingFloat(v) ? std::string() : FormatAngle(v);
            } else if (column == "UnitéXY" || column == "UNITEXY") {
                value = zone9 ? std::string() : GetUnitXY();
                if (column == "UNITEXY") value = UpperCase(value);
            } else {
                value = dir->GetPathString(column, r);
            }
            if (translate) value = TranslateThroughLexicon(table + "\\" + column, value);
            if (value.empty()) value = " ";
        }
        if (!gathered.empty()) gathered += ", ";
        gathered += value;
    }
    return gathered;
}

// Whether the conditions of a "Si" or "SiPas" placeholder hold. The fixed names
// compare the borehole's own values; the other conditions are columns of its
// tables and hold when one row (of the ouvrage) satisfies all of them. Both
// kinds must hold, so that a designation test cannot be overruled by a row.
bool ConditionsHold(const std::vector<Condition>& conditions, const TDirBlock& root, std::string_view index,
                    std::string_view tube, std::string_view designation)
{
    bool fixedOk = true;
    std::vector<const Condition*> tableConditions;
    bool needsRow = false;
    for (const Condition& c : conditions) {
        if (c.Name == "NomTube") {
            fixedOk = fixedOk && c.Value == tube;
        } else if (c.Name == "Indice") {
            fixedOk = fixedOk && c.Value == index;
        } else if (c.Name == "Désign") {
            fixedOk = fixedOk && c.Value == designation;
        } else {
            tableConditions.push_back(&c);
            if (!c.Value.empty()) needsRow = true;
        }
    }
    if (!fixedOk) return false;
    if (!needsRow) return true;

    const std::string prefix = std::string(index) + "\\";
    int rows = 0;
    const TDirBlock* lastTable = nullptr;
    for (const Condition* c : tableConditions) {
        const std::size_t slash = c->Name.rfind('\\');
        const std::string table = slash == std::string::npos ? std::string() : c->Name.substr(0, slash);
        lastTable = root.FindDir(prefix + table);
        if (lastTable) rows = std::max(rows, lastTable->RowCount());
    }
    const bool lastHasDesign = lastTable && lastTable->FindBlock("Désign") != nullptr;
    for (int r = 0; r < rows; ++r) {
        if (lastHasDesign && lastTable->GetPathString("Désign", r) != designation) continue;
        bool all = true;
        for (const Condition* c : tableConditions) {
            if (!InSemicolonList(root.GetPathString(prefix + c->Name, r), c->Value)) {
                all = false;
                break;
            }
        }
        if (all) return true;
    }
    return false;
}

}  // namespace

void ExpandFields(std::string_view templ, const TDirBlock& root, std::string_view index, std::string& result,
                  std::string_view tubeName, std::string_view designation)
{
    const std::string tube = tubeName.empty() ? std::string(OptNomTubeSimple) : std::string(tubeName);
    std::size_t pos = 0;
    while (pos < templ.size()) {
        const std::size_t open = templ.find('%', pos);
        if (open == std::string_view::npos) {
            result.append(templ.substr(pos));
            return;
        }
        result.append(templ.substr(pos, open - pos));
        const std::size_t close = templ.find('%', open + 1);
        std::string name(templ.substr(open + 1, close == std::string_view::npos ? std::string_view::npos
                                                                                  : close - open - 1));
        pos = close == std::string_view::npos ? templ.size() : close + 1;

        std::vector<Condition> conditions;
        const std::size_t bar = name.find('|');
        if (bar != std::string::npos) {
            conditions = ReadConditions(std::string_view(name).substr(bar + 1));
            name.erase(bar);
        }
        bool asDate = false;
        if (Utf8Length(name) > 2 && EndsWith(name, ":E")) {
            name.erase(name.size() - 2);
            asDate = true;
        }

        if (name.empty()) {
            result += '%';
        } else if (name == "Indice") {
            result.append(index);
        } else if (name == "Désign") {
            result.append(designation);
        } else if (name == "Date") {
            result += TodayText();
        } else if (name == "Heure") {
            result += TimeText();
        } else if (name == "NomTube") {
            result += tube;
        } else if (name == "Si" || name == "SiPas") {
            const bool ok = ConditionsHold(conditions, root, index, tube, designation);
            if (ok != (name == "Si")) {
                result.clear();
                return;
            }
        } else {
            result += ExpandColumn(name, conditions, asDate, root, index, designation);
        }
    }
}
