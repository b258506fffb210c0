// TO_CHAR of a number on the embedded database, written as PostgreSQL writes
// a double precision or a bigint, so that a sql.ini written for the server
// gives the same texts on SQLite.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/database.h"

namespace {

// The number format of TO_CHAR for what sql.ini writes: digits 9 and 0, the
// decimal point ("." or D), the group separator ("," or G), FM, and any other
// sign that is not a letter, copied. The server's other letters (S, MI, PL,
// V, EEEE, RN, TH...) are refused rather than guessed.
struct NumberFormat {
    std::vector<char> items;  // '9', '0', '.', ',' or 'L' (literal, text in literals)
    std::vector<std::string> literals;
    bool fill = false;
    int pre = 0, post = 0;
    int zeroStart = -1;  // the first 0 before the point, counted in digits
    int zeroEnd = 0;     // the digits up to the last 0
};

// A letter that begins none of the server's number keywords is copied as it
// is (a unit after the digits: "999.9 m").
bool LiteralLetter(const std::string& format, std::size_t i)
{
    const char u = static_cast<char>(format[i] & ~0x20);
    if (u == 'M') return i + 1 >= format.size() || (format[i + 1] & ~0x20) != 'I';
    return std::string_view("AHIJKNOQUWXYZ").find(u) != std::string_view::npos;
}

bool ParseNumberFormat(const std::string& format, NumberFormat& n, std::string& problem)
{
    bool decimal = false;
    for (std::size_t i = 0; i < format.size();) {
        const char c = format[i];
        const char u = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        if (u == 'F' && i + 1 < format.size() && (format[i + 1] == 'M' || format[i + 1] == 'm')) {
            n.fill = true;
            i += 2;
            continue;
        }
        if (c == '9' || c == '0') {
            if (c == '0' && !decimal && n.zeroStart < 0) n.zeroStart = n.pre;
            (decimal ? n.post : n.pre) += 1;
            if (c == '0') n.zeroEnd = n.pre + n.post;
            n.items.push_back(c);
        } else if (c == '.' || u == 'D') {
            if (decimal) {
                problem = "le format \xC2\xAB " + format + " \xC2\xBB a plusieurs virgules d\xC3\xA9" "cimales.";
                return false;
            }
            decimal = true;
            n.items.push_back('.');
        } else if (c == ',' || u == 'G') {
            n.items.push_back(',');
        } else if (((u >= 'A' && u <= 'Z') && !LiteralLetter(format, i)) || c == '"' || c == '\\') {
            problem = "le format \xC2\xAB " + format +
                      " \xC2\xBB ne s'applique pas \xC3\xA0 un nombre ici (seuls 9, 0, le point, la virgule, D, G et "
                      "FM le sont).";
            return false;
        } else {
            std::size_t len = 1;
            while (i + len < format.size() && (static_cast<unsigned char>(format[i + len]) & 0xC0) == 0x80) ++len;
            n.items.push_back('L');
            n.literals.push_back(format.substr(i, len));
            i += len;
            continue;
        }
        ++i;
    }
    if (n.pre + n.post == 0) {
        problem = "le format \xC2\xAB " + format + " \xC2\xBB n'a aucun chiffre (9 ou 0) pour un nombre.";
        return false;
    }
    if (decimal && n.post == 0) {
        problem = "le format \xC2\xAB " + format + " \xC2\xBB n'a aucun chiffre apr\xC3\xA8s la virgule d\xC3\xA9" "cimale.";
        return false;
    }
    return true;
}

// The server's writing of a number whose digits (with "." before the
// decimals, or "#" everywhere when it has too many) are `number`.
std::string WriteNumber(const NumberFormat& n, const std::string& number, bool negative)
{
    const std::size_t point = number.find('.');
    const int preLen = static_cast<int>(point == std::string::npos ? number.size() : point);
    const int preSpaces = n.pre - preLen;
    const bool zero = n.zeroStart >= 0;
    std::size_t lastRelevant = std::string::npos;
    if (n.fill && n.post > 0 && point != std::string::npos) {
        lastRelevant = point;
        for (std::size_t i = point + 1; i < number.size(); ++i)
            if (number[i] != '0') lastRelevant = i;
        if (n.zeroEnd > preSpaces)
            lastRelevant = std::max(lastRelevant, std::min(number.size() - 1, static_cast<std::size_t>(n.zeroEnd - preSpaces)));
    }
    const bool relevantIsPoint = lastRelevant != std::string::npos && number[lastRelevant] == '.';
    std::size_t at = 0;
    int current = 0;
    bool signWritten = false, digitWritten = false;
    std::size_t literal = 0;
    std::string out;
    const auto predecSpace = [&] { return !zero && at == 0 && !number.empty() && number[0] == '0' && n.post != 0; };
    for (char item : n.items) {
        if (item == 'L') {
            out += n.literals[literal++];
            continue;
        }
        if (item == ',') {
            if (digitWritten) out += ',';
            else if (!n.fill) out += ' ';
            continue;
        }
        if (!signWritten && (current >= preSpaces || (zero && n.zeroStart == current)) && (!predecSpace() || relevantIsPoint)) {
            if (negative) out += '-';
            else if (!n.fill) out += ' ';
            signWritten = true;
        }
        if (current < preSpaces && (!zero || n.zeroStart > current)) {
            if (!n.fill) out += ' ';
        } else if (zero && current < preSpaces && n.zeroStart <= current) {
            out += '0';
            digitWritten = true;
        } else {
            if (at < number.size() && number[at] == '.') {
                out += '.';
            } else if (lastRelevant != std::string::npos && at > lastRelevant && item != '0') {
            } else if (predecSpace()) {
                if (!n.fill) out += ' ';
                else if (relevantIsPoint) out += '0';
            } else if (at < number.size()) {
                out += number[at];
                digitWritten = true;
            } else {
                // Past the digits the server kept (a double keeps 15 of
                // them), a digit of the format writes nothing; what follows
                // it (a unit) is still written.
            }
            if (at < number.size()) ++at;
        }
        ++current;
    }
    return out;
}

std::string Overflowed(const NumberFormat& n)
{
    return std::string(static_cast<std::size_t>(n.pre), '#') + "." + std::string(static_cast<std::size_t>(n.post), '#');
}

}  // namespace

bool SqliteNumberToChar(double value, const std::string& format, std::string& result, std::string& problem)
{
    NumberFormat n;
    if (!ParseNumberFormat(format, n, problem)) return false;
    if (!std::isfinite(value)) {
        problem = "nombre infini ou ind\xC3\xA9" "fini.";
        return false;
    }
    // As the server does for a double: at most 15 significant digits, the
    // decimals rounded by the C library.
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.0f", std::fabs(value));
    const int preLen = static_cast<int>(std::strlen(buffer));
    // The decimals the format asks for are cut to what is left of the 15,
    // and the writing then goes by that count, as the server's does: with 15
    // integer digits or more, an overflow is "###." whatever the decimals.
    if (preLen >= 15) n.post = 0;
    else if (preLen + n.post > 15) n.post = 15 - preLen;
    std::snprintf(buffer, sizeof buffer, "%.*f", n.post, value);
    std::string number = buffer;
    const bool negative = !number.empty() && number[0] == '-';
    if (negative) number.erase(0, 1);
    const std::size_t point = number.find('.');
    if (static_cast<int>(point == std::string::npos ? number.size() : point) > n.pre) number = Overflowed(n);
    result = WriteNumber(n, number, negative);
    return true;
}

bool SqliteNumberToChar(std::int64_t value, const std::string& format, std::string& result, std::string& problem)
{
    NumberFormat n;
    if (!ParseNumberFormat(format, n, problem)) return false;
    std::string number = std::to_string(value);
    const bool negative = number[0] == '-';
    if (negative) number.erase(0, 1);
    if (static_cast<int>(number.size()) > n.pre) number = Overflowed(n);
    else if (n.post > 0) number += "." + std::string(static_cast<std::size_t>(n.post), '0');
    result = WriteNumber(n, number, negative);
    return true;
}
