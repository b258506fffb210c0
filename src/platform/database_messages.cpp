#include "platform/database_messages.h"

#include <QSqlError>
#include <sqlite3.h>
#include <utility>

#include "platform/base/text_codec.h"
#include "platform/database.h"

namespace {

std::string S(const QString& s)
{
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

// The engine's word on a failure as the detail of the program's sentence:
// one line, in UTF-8.
std::string Detail(std::string text)
{
    if (!IsValidUtf8(text)) text = Cp1252ToUtf8(text);
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    std::string out;
    for (char c : text)
        if (c != ' ' || (!out.empty() && out.back() != ' ')) out += c;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

std::string WithDetail(const std::string& sentence, const std::string& engineText)
{
    const std::string detail = Detail(engineText);
    return detail.empty() ? sentence : sentence + "\nD\xC3\xA9tail : " + detail;
}

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

// SQLite: the result code (extended codes fold into their primary one) says
// what went wrong; only the plain SQLITE_ERROR needs its text, whose
// beginnings are fixed in the engine.
std::string SqliteWords(int code, const std::string& message)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return WithDetail(kDatabaseLockedText, message);
    case SQLITE_NOMEM: return WithDetail(kOutOfMemoryText, message);
    case SQLITE_TOOBIG: return WithDetail(kTooBigText, message);
    case SQLITE_MISMATCH: return WithDetail(kInvalidValueText, message);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return WithDetail(kNotADatabaseText, message);
    case SQLITE_CANTOPEN: return WithDetail(kCannotOpenText, message);
    case SQLITE_IOERR:
    case SQLITE_FULL: return WithDetail(kFileErrorText, message);
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH: return kReadOnlyText;
    default: break;
    }
    // The program's own functions speak French already.
    if (StartsWith(message, "TO_CHAR") || StartsWith(message, "TO_DATE")) return message;
    static const std::pair<const char*, const char*> kBeginnings[] = {
        {"no such function", kUnknownFunctionText},
        {"wrong number of arguments", kWrongArgumentsText},
        {"no such table", kUnknownTableText},
        {"no such column", kUnknownColumnText},
        {"ambiguous column name", kUnknownColumnText},
        {"integer overflow", kNumericOverflowText},
        {"Expression tree is too large", kTooComplexText},
        {"parser stack overflow", kTooComplexText},
        {"too many ", kTooComplexText},
        {"at most ", kTooComplexText},
        {"near ", kSyntaxErrorText},
        {"incomplete input", kSyntaxErrorText},
        {"unrecognized token", kSyntaxErrorText},
        {"string or blob too big", kTooBigText},
    };
    for (const auto& [beginning, sentence] : kBeginnings)
        if (StartsWith(message, beginning)) return WithDetail(sentence, message);
    return WithDetail(kSqliteRefusedText, message);
}

std::string ErrorText(const QSqlError& e)
{
    std::string text = S(e.databaseText());
    if (text.empty()) text = S(e.driverText());
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    if (ok && code != SQLITE_OK) return SqliteWords(code, text);
    return WithDetail(kSqliteRefusedText, text);
}

namespace {

// The sentence for a server's SQLSTATE: the exact code first, then its
// class (its first two characters); nullptr when neither is known.
const char* PostgresSentence(const std::string& code, const std::string& primary)
{
    static const std::pair<const char*, const char*> kCodes[] = {
        {"54001", kTooComplexText},        // statement_too_complex (stack depth)
        {"22003", kNumericOverflowText},   // numeric_value_out_of_range
        {"22012", kDivisionByZeroText},    // division_by_zero
        {"53200", kOutOfMemoryText},       // out_of_memory
        {"53100", kServerDiskFullText},    // disk_full
        {"53300", kTooManyConnectionsText},// too_many_connections
        {"42883", kFunctionArgumentsText}, // undefined_function (also a wrong argument list)
        {"42P01", kUnknownTableText},      // undefined_table
        {"42703", kUnknownColumnText},     // undefined_column
        {"42702", kUnknownColumnText},     // ambiguous_column
        {"42601", kSyntaxErrorText},       // syntax_error
        {"42501", kPermissionText},        // insufficient_privilege
        {"55P03", kDatabaseLockedText},    // lock_not_available
        {"40P01", kDatabaseLockedText},    // deadlock_detected
        {"3D000", kUnknownDatabaseText},   // invalid_catalog_name
        {"22001", kTooBigText},            // string_data_right_truncation
    };
    static const std::pair<const char*, const char*> kClasses[] = {
        {"08", kConnectionLostText}, {"28", kAuthenticationText}, {"53", kServerResourcesText},
        {"54", kTooBigText},         {"22", kInvalidValueText},   {"42", kSyntaxErrorText},
        {"57", kServerStoppedText},  {"40", kDatabaseLockedText},
    };
    // An allocation beyond the server's limit (a text or array too big) is an
    // internal error of its own; a full stack of the parser is nesting too
    // deep, not a mistake of syntax.
    if (code == "XX000" && StartsWith(primary, "invalid memory alloc request size")) return kTooBigText;
    if (code == "42601" && StartsWith(primary, "memory exhausted")) return kTooComplexText;
    for (const auto& [c, sentence] : kCodes)
        if (code == c) return sentence;
    for (const auto& [c, sentence] : kClasses)
        if (code.compare(0, 2, c) == 0) return sentence;
    return nullptr;
}

}  // namespace

std::string PostgresWords(const char* state, const char* primary, const std::string& text, bool connectionBad)
{
    if (state) {
        const char* sentence = PostgresSentence(state, primary ? primary : "");
        return WithDetail(sentence ? sentence : kServerRefusedText, text);
    }
    // No SQLSTATE: the client library speaks, about the connection.
    return WithDetail(connectionBad ? kConnectionLostText : kServerRefusedText, text);
}

// Names the accepted parameters, so that a mistyped one can be put right.
std::string UnknownParameterText(const std::string& name)
{
    return "Param\xC3\xA8tre de connexion inconnu : " + name +
           "\nParam\xC3\xA8tres accept\xC3\xA9s (un par ligne, NOM=valeur) : " + kConnectionParametersText;
}
