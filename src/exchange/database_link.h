// sql.ini: which database table and which of its columns fill a collection
// table, turned into the SQL texts the editors and the download run.
//
// A section "DBTABLE" or "DBTABLE=Table" fills the collection table Table
// (DBTABLE alone: the table of the same name). Its keys: DESIGNATION (adds the
// ouvrage's condition), FROM (the FROM clause, default DBTABLE), WHERE (an
// extra condition), and every other key a database column or expression whose
// value names the collection column it fills. A section
// "DBTABLE.COLUMN=Table\Field" is a lookup of one field of a record sheet.
//
// The ouvrage's values are bound parameters ("?"), never pasted into the text;
// Display() shows the text with each value quoted, for messages and tests.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/database.h"
#include "store/field_defs.h"

inline constexpr const char* kNoInformationTitle = "Pas d'information";
inline constexpr const char* kNoValidFieldText = "Pas de champs valide dans sql.ini";
inline constexpr const char* kTableNotInSqlIniText = "Cette table n'est pas renseign\xC3\xA9" "e dans sql.ini";

struct SqlText {
    std::string sql;                  // with "?" for each value
    std::vector<std::string> values;  // in order
    // The text with every "?" replaced by its value quoted.
    std::string Display() const;
};

// A text in single quotes, each quote inside doubled.
std::string QuoteSqlText(const std::string& text);

// The collection table a section fills: the text after the first "=", or the
// whole name.
std::string SqlSectionTarget(const std::string& section);
// The database table of a section: the text before the first "=", trimmed.
std::string SqlSectionDbTable(const std::string& section);
// sql.ini's sections that fill the table, in file order (a name, or the text
// after its first "=", equal to the table exactly).
std::vector<std::string> SqlSectionsForTable(const std::string& table);
// Whether a key is one of DESIGNATION, FROM and WHERE (any case).
bool IsReservedSqlKey(const std::string& key);

// A section's query: the text and, for each result column in order, the
// definition it fills.
struct SectionQuery {
    SqlText text;
    std::vector<int> defs;
    bool Empty() const { return defs.empty(); }
};

// The column list of a section: every non-reserved key, in file order, whose
// value names a definition (`defOf(value)`, -1 when none); dates through
// TO_CHAR by their width. Without any: an empty query.
SectionQuery BuildSectionColumns(const std::string& section, const TStructTable& defs,
                                 const std::function<int(const std::string& value)>& defOf);
// The spreadsheet's query: ... FROM from WHERE INDICE = ? [AND DESIGNATION = ?]
// [AND (where)];  definitions matched by their Path.
SectionQuery BuildSpreadsheetQuery(const std::string& section, const TStructTable& defs, const std::string& indice,
                                   const std::string& design);
// The record sheet's query: conditions on DBTABLE.INDICE and DBTABLE.DESIGNATION;
// definitions matched by Indice\Table\value.
SectionQuery BuildRecordSheetQuery(const std::string& section, const TStructTable& defs, const std::string& indice,
                                   const std::string& design, const std::string& table);
// The record sheet's lookup of one field, from a section
// "DBTABLE.COLUMN=Table\Field": select COLUMN from DBTABLE where each
// (column, value) condition holds, joined by "and". Empty when the section
// name holds no "." or no condition is given.
SqlText BuildLookupQuery(const std::string& section, const std::vector<std::pair<std::string, std::string>>& conditions);
// TO_CHAR(key,'dd/mm/yyyy' cut to the width) for kinds D and E (E: width + 2).
std::string SqlDateColumn(const std::string& key, char kind, int width);

// The text of a value as the editors take it: a number through FloatToStr,
// a text as it is; "" for null.
std::string QueryFieldText(const DbValue& value);

// Names typed by users go into SQL texts only when they are plain names:
// letters, digits, "_" and "$", not starting with a digit or "$"; `dotted`
// allows schema.table. Throws EDatabaseError otherwise.
void CheckSqlName(const std::string& name, bool dotted);

// The column expressions of sql.ini (the keys of a section, the column of a
// lookup section) go into SQL texts only as a column name, optionally
// qualified (table.column), TO_CHAR of one with a format text, or an
// expression of sql_ini_check.h: anything else could call any function.
// Throws EDatabaseError naming the key, its section and what was refused
// otherwise.
bool IsSqlIniColumn(const std::string& key);
void CheckSqlIniColumn(const std::string& section, const std::string& key);

// The FROM and WHERE values of a section (and the database table a section
// names, which is the FROM by default and qualifies the record sheet's
// conditions) go into SQL texts only when they keep to the grammar of
// sql_ini_check.h. Throw EDatabaseError naming the section and the key.
void CheckSqlIniFrom(const std::string& section, const std::string& key, const std::string& value);
void CheckSqlIniWhere(const std::string& section, const std::string& key, const std::string& value);
void CheckSqlIniTable(const std::string& section, const std::string& table);
