// The FROM and WHERE texts of sql.ini are pasted into the queries as written,
// so they are read here first, by a small grammar of what a borehole mapping
// needs, and anything else stays on the user's side.
//
// FROM:      table [[AS] alias] { "," table [[AS] alias]
//                                | [INNER | LEFT [OUTER] | RIGHT [OUTER] | FULL [OUTER]] JOIN table [[AS] alias]
//                                  ON condition }
// condition: the boolean operators NOT, AND, OR and parentheses over
//            operand [ comparison operand | [NOT] LIKE operand | [NOT] IN (operand, ...)
//                    | [NOT] BETWEEN operand AND operand | IS [NOT] NULL ]
// operand:   a column (name, table.column or schema.table.column), a number, a
//            quoted text, NULL, a parenthesised condition, or one of UPPER,
//            LOWER, TRIM, SUBSTR, TO_CHAR and COALESCE applied to operands.
//
// No other function (the server's functions can write files, end sessions or
// keep locks), no sub-query, no comment, no second statement, no cast, no
// parameter. Names are letters, digits, "_" and "$", not starting with a
// digit or "$"; a name may also be quoted ("Name", no quote inside).
#pragma once

#include <string>

// Whether `text` is a FROM clause of that grammar; `why` (French) tells what
// was refused otherwise.
bool IsSqlIniFrom(const std::string& text, std::string* why = nullptr);
// Whether `text` is a condition of that grammar.
bool IsSqlIniCondition(const std::string& text, std::string* why = nullptr);
