// Fuzzes the grammar of sql.ini's FROM, WHERE and column keys: the input is
// read as each of the three. Any text must be answered, never crash, hang or
// exhaust the stack, always the same way and with a reason exactly when it is
// refused. What is accepted is checked again by a plain scan of the text
// outside its quotes: no comment, no second statement, no character the
// grammar never reads, no word that starts a sub-query, and no call but to
// the functions the grammar allows.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "exchange/sql_ini_check.h"

namespace {

bool IsWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

// Whitespace as both engines read SQL, and as the shared tokenizer does: the
// form feed included (the server's scanner and SQLite's both skip it).
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

std::string UpperAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool Allowed(const std::string& word, std::initializer_list<std::string_view> list)
{
    for (std::string_view w : list)
        if (w == word) return true;
    return false;
}

// Aborts when an accepted text holds, outside its quoted texts and names,
// anything the server could read as more than a value.
void CheckAccepted(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '\'' || c == '"') {
            // Quoted text ('' inside) or name (no quote inside).
            std::size_t j = i + 1;
            for (;;) {
                if (j >= s.size()) std::abort();  // accepted though never closed
                if (s[j] == static_cast<char>(c)) {
                    if (c == '\'' && j + 1 < s.size() && s[j + 1] == '\'') {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            i = j + 1;
            continue;
        }
        if (s.substr(i, 2) == "--" || s.substr(i, 2) == "/*") std::abort();
        if (IsWordChar(c)) {
            std::size_t j = i;
            while (j < s.size() && IsWordChar(static_cast<unsigned char>(s[j]))) ++j;
            const std::string word = UpperAscii(std::string(s.substr(i, j - i)));
            if (Allowed(word, {"SELECT", "WITH", "VALUES", "TABLE", "UNION", "EXCEPT", "INTERSECT", "CAST", "EXISTS",
                               "ARRAY", "ROW", "COLLATE", "CURRENT_USER", "SESSION_USER"}))
                std::abort();
            std::size_t k = j;
            while (k < s.size() && IsBlank(s[k])) ++k;
            const bool digitStart = c >= '0' && c <= '9';
            if (!digitStart && k < s.size() && s[k] == '(' &&
                !Allowed(word, {"UPPER", "LOWER", "TRIM", "LTRIM", "RTRIM", "SUBSTR", "LENGTH", "REPLACE", "TO_CHAR",
                                "TO_DATE", "TO_NUMBER", "COALESCE", "NULLIF", "ROUND", "TRUNC", "ABS", "IN", "AND",
                                "OR", "NOT", "LIKE", "BETWEEN", "ON"}))
                std::abort();
            i = j;
            continue;
        }
        if (!IsBlank(static_cast<char>(c)) && std::string_view("(),.+-*/<>=!|").find(static_cast<char>(c)) == std::string_view::npos)
            std::abort();
        ++i;
    }
}

void Run(const std::string& text, bool (*check)(const std::string&, std::string*))
{
    std::string why = "?";
    const bool ok = check(text, &why);
    if (ok != why.empty()) std::abort();
    std::string again;
    if (check(text, &again) != ok || again != why) std::abort();
    if (ok) CheckAccepted(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    Run(text, IsSqlIniFrom);
    Run(text, IsSqlIniCondition);
    Run(text, IsSqlIniExpression);
    // A key is a value, and a value is a condition.
    if (IsSqlIniExpression(text) && !IsSqlIniCondition(text)) std::abort();
    return 0;
}
