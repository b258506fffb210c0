// The FROM and WHERE texts of sql.ini, and the keys of its table sections (a
// column or an expression), are pasted into the queries as written, so they
// are read here first, by one small grammar of what a borehole mapping needs,
// and anything else stays on the user's side.
//
// FROM:       table [[AS] alias] { "," table [[AS] alias]
//                                 | [INNER | LEFT [OUTER] | RIGHT [OUTER] | FULL [OUTER]] JOIN table [[AS] alias]
//                                   ON condition }
// condition:  the boolean operators NOT, AND, OR and parentheses over
//             expression [ comparison expression | [NOT] LIKE expression
//                        | [NOT] IN (expression, ...) | [NOT] BETWEEN expression AND expression
//                        | IS [NOT] NULL ]
// expression: operands joined by + - * / and ||, each after any number of
//             unary "-"
// operand:    a column (name, table.column or schema.table.column), a number,
//             a quoted text, NULL, TRUE, FALSE, a parenthesised condition, or
//             one of UPPER, LOWER, TRIM, LTRIM, RTRIM, SUBSTR, LENGTH, REPLACE,
//             TO_CHAR, TO_DATE, TO_NUMBER, COALESCE, NULLIF, ROUND, TRUNC and
//             ABS (any case) applied to expressions.
//
// No other function (the server's functions can write files, end sessions or
// keep locks), no sub-query, no comment, no second statement, no cast, no
// parameter, no other operator. Names are letters, digits, "_" and "$", not
// starting with a digit or "$"; a name may also be quoted ("Name", no quote
// inside).
#pragma once

#include <string>

// Whether `text` is a FROM clause of that grammar; `why` (French) tells what
// was refused otherwise.
bool IsSqlIniFrom(const std::string& text, std::string* why = nullptr);
// Whether `text` is a condition of that grammar.
bool IsSqlIniCondition(const std::string& text, std::string* why = nullptr);
// Whether `text` is an expression of that grammar (a key of a table section).
bool IsSqlIniExpression(const std::string& text, std::string* why = nullptr);

// Throws EDatabaseError with the message naming sql.ini when the file exists
// but cannot be read (its encoding refused): read as empty, every table would
// seem missing from it.
void CheckSqlIniReadable();
