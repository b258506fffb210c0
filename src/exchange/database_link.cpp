#include "exchange/database_link.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/sql_tokens.h"
#include "exchange/sql_ini_check.h"
#include "store/options.h"

namespace {

std::string Trimmed(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return s.substr(b, e - b);
}

bool IsNameStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
// No "#": the server reads it as an operator (A#1 is A XOR 1).
bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '$'; }

// A plain name, dotted parts allowed: [a-z_][a-z0-9_$]*(.[a-z_][a-z0-9_$]*)*
bool IsDottedName(std::string_view name)
{
    bool atStart = true;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '.' && !atStart && i + 1 < name.size()) {
            atStart = true;
            continue;
        }
        if (!(atStart ? IsNameStart(c) : IsNameChar(c))) return false;
        atStart = false;
    }
    return !name.empty();
}

std::string_view TrimmedView(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

bool IsSqlIniColumn(const std::string& key)
{
    const std::string_view k = TrimmedView(key);
    if (IsDottedName(k) || IsSqlIniExpression(key)) return true;
    // TO_CHAR ( name , 'format' ), the format without quote inside.
    if (k.size() < 8 || UpperCaseAscii(std::string(k.substr(0, 7))) != "TO_CHAR") return false;
    std::string_view rest = TrimmedView(k.substr(7));
    if (rest.size() < 2 || rest.front() != '(' || rest.back() != ')') return false;
    rest = rest.substr(1, rest.size() - 2);
    const std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos || !IsDottedName(TrimmedView(rest.substr(0, comma)))) return false;
    const std::string_view format = TrimmedView(rest.substr(comma + 1));
    return format.size() >= 2 && format.front() == '\'' && format.back() == '\'' &&
           format.substr(1, format.size() - 2).find('\'') == std::string_view::npos;
}

void CheckSqlIniColumn(const std::string& section, const std::string& key)
{
    if (IsSqlIniColumn(key)) return;
    std::string why;
    IsSqlIniExpression(key, &why);
    throw EDatabaseError("sql.ini, section [" + section + "] : la cl\xC3\xA9 \xC2\xAB " + key +
                         " \xC2\xBB n'est ni une colonne ni une expression permise (" + why +
                         ") ; la requ\xC3\xAAte n'est pas envoy\xC3\xA9" "e.");
}

namespace {

std::string NotSent(const std::string& section, const std::string& what)
{
    return "sql.ini, section [" + section + "] : " + what + " ; la requ\xC3\xAAte n'est pas envoy\xC3\xA9" "e.";
}

}  // namespace

void CheckSqlIniFrom(const std::string& section, const std::string& key, const std::string& value)
{
    std::string why;
    if (!IsSqlIniFrom(value, &why))
        throw EDatabaseError(NotSent(section, "la valeur de la cl\xC3\xA9 \xC2\xAB " + key +
                                                  " \xC2\xBB n'est pas une liste de tables (" + why + ")"));
}

void CheckSqlIniWhere(const std::string& section, const std::string& key, const std::string& value)
{
    std::string why;
    if (!IsSqlIniCondition(value, &why))
        throw EDatabaseError(NotSent(section, "la valeur de la cl\xC3\xA9 \xC2\xAB " + key +
                                                  " \xC2\xBB n'est pas une condition permise (" + why + ")"));
}

void CheckSqlIniTable(const std::string& section, const std::string& table)
{
    if (!IsDottedName(TrimmedView(table)))
        throw EDatabaseError(NotSent(section, "\xC2\xAB " + table + " \xC2\xBB n'est pas un nom de table"));
}

std::string QuoteSqlText(const std::string& text) { return SqlQuoted(text, '\''); }

std::string SqlText::Display() const
{
    std::string r;
    std::size_t v = 0;
    bool inQuote = false;
    for (char c : sql) {
        if (c == '\'') inQuote = !inQuote;
        if (c == '?' && !inQuote && v < values.size()) r += QuoteSqlText(values[v++]);
        else r += c;
    }
    return r;
}

std::string SqlSectionTarget(const std::string& section)
{
    const std::size_t eq = section.find('=');
    return eq == std::string::npos ? section : section.substr(eq + 1);
}

std::string SqlSectionDbTable(const std::string& section)
{
    return Trimmed(section.substr(0, section.find('=')));
}

std::vector<std::string> SqlSectionsForTable(const std::string& table)
{
    std::vector<std::string> result;
    if (!IniSql) return result;
    CheckSqlIniReadable();
    for (const std::string& s : IniSql->ReadSections()) {
        const std::size_t eq = s.find('=');
        if (s == table || (eq != std::string::npos && s.substr(eq + 1) == table)) result.push_back(s);
    }
    return result;
}

bool IsReservedSqlKey(const std::string& key)
{
    const std::string k = UpperCaseAscii(key);
    return k == "DESIGNATION" || k == "FROM" || k == "WHERE";
}

std::string SqlDateColumn(const std::string& key, char kind, int width)
{
    const int n = std::clamp(kind == 'E' ? width + 2 : width, 0, 10);
    return "TO_CHAR(" + key + ",'" + std::string("dd/mm/yyyy").substr(0, static_cast<std::size_t>(n)) + "')";
}

SectionQuery BuildSectionColumns(const std::string& section, const TStructTable& defs,
                                 const std::function<int(const std::string&)>& defOf)
{
    SectionQuery q;
    if (!IniSql) return q;
    std::string sql = "SELECT ";
    for (const std::string& line : IniSql->ReadSectionValues(section)) {
        const std::size_t eq = line.find('=');
        const std::string key = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        if (IsReservedSqlKey(key)) continue;
        const int d = defOf(value);
        if (d < 0 || d >= static_cast<int>(defs.size())) continue;
        CheckSqlIniColumn(section, key);
        if (!q.defs.empty()) sql += ", ";
        const TFieldDef& def = defs[static_cast<std::size_t>(d)];
        if (def.Kind == 'D' || def.Kind == 'E') sql += SqlDateColumn(key, def.Kind, def.Width);
        else sql += key;
        q.defs.push_back(d);
    }
    if (!q.defs.empty()) q.text.sql = sql;
    return q;
}

namespace {

SectionQuery FinishQuery(SectionQuery q, const std::string& section, const std::string& prefix,
                         const std::string& indice, const std::string& design)
{
    if (q.Empty()) return q;
    // Everything pasted into the text is checked before anything is sent.
    const std::string from(TrimmedView(IniSql->ReadString(section, "FROM", "")));
    const std::string where(TrimmedView(IniSql->ReadString(section, "WHERE", "")));
    if (!prefix.empty() || from.empty()) CheckSqlIniTable(section, SqlSectionDbTable(section));
    if (!from.empty()) CheckSqlIniFrom(section, "FROM", from);
    if (!where.empty()) CheckSqlIniWhere(section, "WHERE", where);
    q.text.sql += " FROM " + (from.empty() ? SqlSectionDbTable(section) : from);
    q.text.sql += " WHERE " + prefix + "INDICE = ?";
    q.text.values.push_back(indice);
    if (IniSql->ValueExists(section, "DESIGNATION")) {
        q.text.sql += " AND " + prefix + "DESIGNATION = ?";
        q.text.values.push_back(design);
    }
    // In parentheses: an OR of the condition narrows the ouvrage's rows, it
    // does not add other rows to them.
    if (!where.empty()) q.text.sql += " AND (" + where + ")";
    q.text.sql += ";";
    return q;
}

}  // namespace

SectionQuery BuildSpreadsheetQuery(const std::string& section, const TStructTable& defs, const std::string& indice,
                                   const std::string& design)
{
    SectionQuery q = BuildSectionColumns(section, defs, [&](const std::string& value) {
        for (std::size_t i = 0; i < defs.size(); ++i)
            if (defs[i].Path == value) return static_cast<int>(i);
        return -1;
    });
    return FinishQuery(std::move(q), section, "", indice, design);
}

SectionQuery BuildRecordSheetQuery(const std::string& section, const TStructTable& defs, const std::string& indice,
                                   const std::string& design, const std::string& table)
{
    SectionQuery q = BuildSectionColumns(section, defs, [&](const std::string& value) {
        const std::string path = indice + "\\" + table + "\\" + value;
        for (std::size_t i = 0; i < defs.size(); ++i)
            if (defs[i].Path == path) return static_cast<int>(i);
        return -1;
    });
    return FinishQuery(std::move(q), section, SqlSectionDbTable(section) + ".", indice, design);
}

SqlText BuildLookupQuery(const std::string& section, const std::vector<std::pair<std::string, std::string>>& conditions)
{
    SqlText q;
    const std::string name = SqlSectionDbTable(section);
    const std::size_t dot = name.find('.');
    if (dot == std::string::npos || conditions.empty()) return q;
    CheckSqlIniTable(section, name.substr(0, dot));
    CheckSqlIniColumn(section, name.substr(dot + 1));
    q.sql = "select " + name.substr(dot + 1) + " from " + name.substr(0, dot) + " where ";
    for (std::size_t i = 0; i < conditions.size(); ++i) {
        CheckSqlIniColumn(section, conditions[i].first);
        if (i > 0) q.sql += " and ";
        q.sql += conditions[i].first + " = ?";
        q.values.push_back(conditions[i].second);
    }
    q.sql += ";";
    return q;
}

std::string QueryFieldText(const DbValue& value)
{
    switch (value.kind) {
    case DbValue::Kind::Null: return {};
    case DbValue::Kind::Number: return FloatToStr(value.number);
    case DbValue::Kind::Text: return std::string(value.text);  // the one copy: the caller keeps it
    }
    return {};
}

void CheckSqlName(const std::string& name, bool dotted)
{
    bool ok = !name.empty();
    bool atStart = true;
    for (std::size_t i = 0; ok && i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '.' && dotted && !atStart && i + 1 < name.size()) {
            atStart = true;
            continue;
        }
        ok = atStart ? IsNameStart(c) : IsNameChar(c);
        atStart = false;
    }
    if (!ok) throw EDatabaseError("Nom de table ou de champ invalide : " + name);
}
