// UPPER and LOWER on the embedded database, written as the server changes
// case in a UTF-8 database whose character type is C.UTF-8: every cased
// letter of Unicode by its simple (one letter for one letter) mapping, as the
// C library's towupper and towlower give it there. So µ becomes Μ, ſ becomes
// S, a title-case ǅ becomes Ǆ or ǆ, the final sigma ς becomes Σ and Σ
// always σ, and ß keeps its case (its upper case is two letters). SQLite's
// own functions change ASCII letters only.
#include <QChar>
#include <sqlite3.h>
#include <string>
#include <string_view>

#include "platform/base/text_codec.h"
#include "platform/database.h"

namespace {

// Reads one code point of valid UTF-8 at `i` and moves past it.
char32_t NextCodePoint(std::string_view s, std::size_t& i)
{
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80) {
        ++i;
        return c;
    }
    if (c < 0xE0) {
        const char32_t cp = (char32_t(c & 0x1F) << 6) | (b(i + 1) & 0x3F);
        i += 2;
        return cp;
    }
    if (c < 0xF0) {
        const char32_t cp = (char32_t(c & 0x0F) << 12) | (char32_t(b(i + 1) & 0x3F) << 6) | (b(i + 2) & 0x3F);
        i += 3;
        return cp;
    }
    const char32_t cp = (char32_t(c & 0x07) << 18) | (char32_t(b(i + 1) & 0x3F) << 12) |
                        (char32_t(b(i + 2) & 0x3F) << 6) | (b(i + 3) & 0x3F);
    i += 4;
    return cp;
}

// One letter as the server changes it. Qt's tables are Unicode's simple
// mappings, which the C library's C.UTF-8 follows; where the two part, the
// server's answer is written here (the test of every code point against a
// real server lists them).
char32_t ServerCase(char32_t cp, bool upper)
{
    if (cp < 0x80) return cp >= (upper ? U'a' : U'A') && cp <= (upper ? U'z' : U'Z') ? cp ^ 0x20 : cp;
    // Qt leaves a letter whose full mapping is longer than one letter as it
    // is; the C library takes its one-letter mapping: İ lowers to i, and the
    // Greek letters with iota subscript (ᾀ, ᾳ, ῃ, ῳ...) upper to their
    // title-case forms (ᾈ, ᾼ, ῌ, ῼ).
    if (!upper) return cp == 0x130 ? U'i' : QChar::toLower(cp);
    if ((cp >= 0x1F80 && cp <= 0x1F87) || (cp >= 0x1F90 && cp <= 0x1F97) || (cp >= 0x1FA0 && cp <= 0x1FA7)) return cp + 8;
    if (cp == 0x1FB3 || cp == 0x1FC3 || cp == 0x1FF3) return cp + 9;
    return QChar::toUpper(cp);
}

void CaseFunction(sqlite3_context* context, int argc, sqlite3_value** argv, bool upper)
{
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* v = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const std::string_view text(v ? v : "", v ? static_cast<std::size_t>(sqlite3_value_bytes(argv[0])) : 0);
    const std::string result = ServerCaseText(text, upper);
    sqlite3_result_text(context, result.c_str(), static_cast<int>(result.size()), SQLITE_TRANSIENT);
}

void UpperFunction(sqlite3_context* context, int argc, sqlite3_value** argv) { CaseFunction(context, argc, argv, true); }
void LowerFunction(sqlite3_context* context, int argc, sqlite3_value** argv) { CaseFunction(context, argc, argv, false); }

}  // namespace

std::string ServerCaseText(std::string_view text, bool upper)
{
    // A text that is not UTF-8 is read as Windows-1252, as the records are:
    // the answer is then UTF-8, read as it is.
    std::string decoded;
    if (!IsValidUtf8(text)) {
        decoded = Cp1252ToUtf8(text);
        text = decoded;
    }
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) AppendUtf8(out, ServerCase(NextCodePoint(text, i), upper));
    return out;
}

bool RegisterSqliteCase(sqlite3* h)
{
    return sqlite3_create_function_v2(h, "UPPER", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, UpperFunction,
                                      nullptr, nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(h, "LOWER", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, LowerFunction,
                                      nullptr, nullptr, nullptr) == SQLITE_OK;
}
