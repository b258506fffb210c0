// Number texts as the program has always read and written them (see the header
// for the rules). Built on std::from_chars / std::to_chars only, so that the C
// library's locale, which Qt changes at start-up, never matters.
#include "platform/base/rtl_numbers.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <langinfo.h>
#include <locale.h>

namespace {

char g_decimalSeparator = '.';

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int Position(std::size_t index) { return static_cast<int>(index) + 1; }

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

[[noreturn]] void ThrowNotInteger(std::string_view text)
{
    throw EConvertError(Quoted(text) + " n'est pas une valeur enti\xC3\xA8re correcte",
                        EConvertError::Kind::Integer);
}

[[noreturn]] void ThrowNotFloat(std::string_view text)
{
    throw EConvertError(Quoted(text) + " n'est pas une valeur en virgule flottante correcte",
                        EConvertError::Kind::Float);
}

// The grammar shared by both float readers: optional sign, digits with an
// optional separator and fraction (at least one digit), optional exponent with
// optional sign and at least one digit. Scans from `i`; on success `i` is past
// the number and `normal` holds it with "." (no sign); `exp10` approximates
// the decimal exponent of the value's first significant digit, to tell an
// overflow from an underflow. On failure `i` is the bad character.
struct FloatScan {
    bool negative = false;
    std::string normal;
    long long exp10 = 0;
    bool allZero = true;
};

bool ScanFloat(std::string_view s, std::size_t& i, char separator, FloatScan& out)
{
    const std::size_t n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        out.negative = s[i] == '-';
        ++i;
    }
    std::size_t digits = 0;
    long long firstSignificant = 0;   // position of the first non-zero digit relative to the point
    bool seenSignificant = false;
    long long intDigits = 0;
    while (i < n && IsDecimalDigit(s[i])) {
        out.normal.push_back(s[i]);
        if (s[i] != '0' && !seenSignificant) {
            seenSignificant = true;
            firstSignificant = intDigits;   // counted below
        }
        ++intDigits;
        ++digits;
        ++i;
    }
    if (seenSignificant) firstSignificant = intDigits - firstSignificant;   // digits left of the point from it
    if (i < n && s[i] == separator) {
        out.normal.push_back('.');
        ++i;
        long long fracIndex = 0;
        while (i < n && IsDecimalDigit(s[i])) {
            out.normal.push_back(s[i]);
            ++fracIndex;
            if (s[i] != '0' && !seenSignificant) {
                seenSignificant = true;
                firstSignificant = -fracIndex + 1;
            }
            ++digits;
            ++i;
        }
    }
    if (digits == 0) return false;
    out.allZero = !seenSignificant;
    long long exponent = 0;
    if (i < n && (s[i] == 'E' || s[i] == 'e')) {
        out.normal.push_back('e');
        ++i;
        bool expNegative = false;
        if (i < n && (s[i] == '+' || s[i] == '-')) {
            expNegative = s[i] == '-';
            out.normal.push_back(s[i]);
            ++i;
        }
        std::size_t expDigits = 0;
        while (i < n && IsDecimalDigit(s[i])) {
            out.normal.push_back(s[i]);
            if (exponent < 100000000) exponent = exponent * 10 + (s[i] - '0');
            ++expDigits;
            ++i;
        }
        if (expDigits == 0) return false;
        if (expNegative) exponent = -exponent;
    }
    out.exp10 = firstSignificant + exponent;
    return true;
}

// Converts a scanned number. False on overflow; underflow gives zero.
bool ConvertScanned(const FloatScan& scan, double& value)
{
    if (scan.allZero) {
        value = scan.negative ? -0.0 : 0.0;
        return true;
    }
    double v = 0.0;
    const char* first = scan.normal.data();
    const char* last = first + scan.normal.size();
    auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        if (scan.exp10 > 0) return false;
        v = 0.0;
    } else if (ec != std::errc() || ptr != last) {
        return false;   // cannot happen with a scanned text; refuse rather than guess
    }
    if (std::isinf(v)) return false;
    value = scan.negative ? -v : v;
    return true;
}

// A finite value as the runtime's decimal record: value = 0.d1d2d3... x 10^exponent,
// the digits rounded first to 18 significant digits (to nearest, ties to even,
// as the floating-point unit did), then half away from zero to at most
// `precision` significant digits and, when decimals >= 0, to `decimals` digits
// after the point. Trailing zeros are removed; no digits means zero.
struct DecimalRecord {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

DecimalRecord ToDecimal(double value, int precision, int decimals)
{
    DecimalRecord r;
    r.negative = std::signbit(value);
    if (value == 0.0) return r;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 17);
    std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    // "d.ddddddddddddddddde[+-]xx"
    std::string digits18;
    digits18.push_back(text[0]);
    std::size_t k = 2;
    while (k < text.size() && text[k] != 'e') digits18.push_back(text[k++]);
    int e10 = 0;
    {
        std::size_t p = k + 1;
        if (p < text.size() && text[p] == '+') ++p;
        std::from_chars(text.data() + p, text.data() + text.size(), e10);
    }
    int exponent = e10 + 1;
    int n = precision;
    if (decimals >= 0 && exponent + decimals < n) n = exponent + decimals;
    if (n < 0) return r;
    if (n >= static_cast<int>(digits18.size())) {
        r.digits = digits18;
    } else {
        bool up = digits18[static_cast<std::size_t>(n)] >= '5';
        r.digits = digits18.substr(0, static_cast<std::size_t>(n));
        if (up) {
            int j = n - 1;
            while (j >= 0 && r.digits[static_cast<std::size_t>(j)] == '9') {
                r.digits[static_cast<std::size_t>(j)] = '0';
                --j;
            }
            if (j >= 0) {
                ++r.digits[static_cast<std::size_t>(j)];
            } else {
                r.digits.insert(r.digits.begin(), '1');
                ++exponent;
            }
        }
    }
    while (!r.digits.empty() && r.digits.back() == '0') r.digits.pop_back();
    r.exponent = exponent;
    return r;
}

std::string SpecialText(double value)
{
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::string GeneralText(const DecimalRecord& r, int precision)
{
    if (r.digits.empty()) return "0";
    const char sep = g_decimalSeparator;
    std::string out;
    if (r.negative) out.push_back('-');
    const int nd = static_cast<int>(r.digits.size());
    if (r.exponent > precision || r.exponent < -3) {
        out.push_back(r.digits[0]);
        if (nd > 1) {
            out.push_back(sep);
            out.append(r.digits, 1, std::string::npos);
        }
        out.push_back('E');
        int e = r.exponent - 1;
        if (e < 0) out.push_back('-');
        char buf[16];
        auto res = std::to_chars(buf, buf + sizeof buf, e < 0 ? -e : e);
        out.append(buf, res.ptr);
    } else if (r.exponent <= 0) {
        out.push_back('0');
        out.push_back(sep);
        out.append(static_cast<std::size_t>(-r.exponent), '0');
        out.append(r.digits);
    } else {
        if (nd <= r.exponent) {
            out.append(r.digits);
            out.append(static_cast<std::size_t>(r.exponent - nd), '0');
        } else {
            out.append(r.digits, 0, static_cast<std::size_t>(r.exponent));
            out.push_back(sep);
            out.append(r.digits, static_cast<std::size_t>(r.exponent), std::string::npos);
        }
    }
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------

char GetDecimalSeparator() { return g_decimalSeparator; }

namespace {
bool IsValidSeparator(char separator)
{
    const unsigned char c = static_cast<unsigned char>(separator);
    const bool punct = (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60)
                       || (c >= 0x7B && c <= 0x7E);
    return punct && separator != '+' && separator != '-' && separator != '$';
}
}  // namespace

void SetDecimalSeparator(char separator)
{
    if (!IsValidSeparator(separator)) throw std::invalid_argument("invalid decimal separator");
    g_decimalSeparator = separator;
}

char DecimalSeparatorFromLocale()
{
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) return '.';
    char result = '.';
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    if (radix != nullptr && radix[0] != '\0' && radix[1] == '\0' && IsValidSeparator(radix[0])) result = radix[0];
    freelocale(loc);
    return result;
}

void InitDecimalSeparatorFromLocale() { SetDecimalSeparator(DecimalSeparatorFromLocale()); }

ScopedDecimalSeparator::ScopedDecimalSeparator(char separator) : previous_(g_decimalSeparator)
{
    SetDecimalSeparator(separator);
}

ScopedDecimalSeparator::~ScopedDecimalSeparator() { g_decimalSeparator = previous_; }

// ---------------------------------------------------------------------------

std::int32_t ValInt(std::string_view s, int& errorPos)
{
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n && s[i] == ' ') ++i;
    if (i == n) {
        errorPos = Position(n);
        return 0;
    }
    bool negative = false;
    if (s[i] == '-') {
        negative = true;
        ++i;
    } else if (s[i] == '+') {
        ++i;
    }
    bool hex = false;
    if (i < n && s[i] == '$') {
        hex = true;
        ++i;
    }
    if (i == n) {
        errorPos = Position(n);
        return 0;
    }
    std::uint32_t v = 0;
    std::size_t lastDigit = i;
    for (; i < n; ++i) {
        const int d = hex ? HexValue(s[i]) : (IsDecimalDigit(s[i]) ? s[i] - '0' : -1);
        if (d < 0) {
            errorPos = Position(i);
            return static_cast<std::int32_t>(v);
        }
        if (hex ? v > 0x0FFFFFFFu : v > 214748364u) {
            errorPos = Position(i);
            return static_cast<std::int32_t>(v);
        }
        const std::uint32_t before = v;
        v = hex ? (v << 4) | static_cast<std::uint32_t>(d) : v * 10u + static_cast<std::uint32_t>(d);
        lastDigit = i;
        if (!hex && v > (negative ? 2147483648u : 2147483647u)) {
            errorPos = Position(lastDigit);
            return static_cast<std::int32_t>(before);
        }
    }
    errorPos = 0;
    return static_cast<std::int32_t>(negative ? 0u - v : v);
}

double ValFloat(std::string_view s, int& errorPos)
{
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n && s[i] == ' ') ++i;
    if (i == n) {
        errorPos = Position(n);
        return 0.0;
    }
    FloatScan scan;
    if (!ScanFloat(s, i, '.', scan)) {
        errorPos = Position(i);
        return 0.0;
    }
    if (i < n) {
        errorPos = Position(i);
        return 0.0;
    }
    double v = 0.0;
    if (!ConvertScanned(scan, v)) {
        errorPos = Position(n);
        return 0.0;
    }
    errorPos = 0;
    return v;
}

std::optional<std::int32_t> TryStrToInt(std::string_view text)
{
    int err = 0;
    const std::int32_t v = ValInt(text, err);
    if (err != 0) return std::nullopt;
    return v;
}

std::int32_t StrToInt(std::string_view text)
{
    auto v = TryStrToInt(text);
    if (!v) ThrowNotInteger(text);
    return *v;
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t defaultValue)
{
    auto v = TryStrToInt(text);
    return v ? *v : defaultValue;
}

std::optional<double> TryStrToFloat(std::string_view s)
{
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n && s[i] == ' ') ++i;
    FloatScan scan;
    if (!ScanFloat(s, i, g_decimalSeparator, scan)) return std::nullopt;
    while (i < n && s[i] == ' ') ++i;
    if (i != n) return std::nullopt;
    double v = 0.0;
    if (!ConvertScanned(scan, v)) return std::nullopt;
    return v;
}

double StrToFloat(std::string_view text)
{
    auto v = TryStrToFloat(text);
    if (!v) ThrowNotFloat(text);
    return *v;
}

// ---------------------------------------------------------------------------

std::string IntToStr(std::int64_t value)
{
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

std::string FloatToStr(double value) { return FloatToStrGeneral(value, 15); }

std::string FloatToStrGeneral(double value, int precision)
{
    if (!std::isfinite(value)) return SpecialText(value);
    if (precision < 1) precision = 1;
    if (precision > 18) precision = 18;
    return GeneralText(ToDecimal(value, precision, -1), precision);
}

std::string FloatToStrFixed(double value, int decimals)
{
    if (!std::isfinite(value)) return SpecialText(value);
    if (decimals < 0) decimals = 0;
    if (decimals > 18) decimals = 18;
    if (std::fabs(value) >= 1e15) return FloatToStr(value);
    const DecimalRecord r = ToDecimal(value, 15, decimals);
    std::string out;
    if (r.negative && !r.digits.empty()) out.push_back('-');
    const int nd = static_cast<int>(r.digits.size());
    if (r.digits.empty() || r.exponent <= 0) {
        out.push_back('0');
    } else {
        for (int k = 0; k < r.exponent; ++k) out.push_back(k < nd ? r.digits[static_cast<std::size_t>(k)] : '0');
    }
    if (decimals > 0) {
        out.push_back(g_decimalSeparator);
        for (int k = 0; k < decimals; ++k) {
            const int idx = r.exponent + k;   // digit index of the k-th decimal
            out.push_back(!r.digits.empty() && idx >= 0 && idx < nd ? r.digits[static_cast<std::size_t>(idx)] : '0');
        }
    }
    return out;
}

// ---------------------------------------------------------------------------

std::optional<std::int32_t> TryTruncToInt32(double value)
{
    if (!(value > -2147483649.0 && value < 2147483648.0)) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<std::int64_t> TryTruncToInt64(double value)
{
    if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) return std::nullopt;
    return static_cast<std::int64_t>(value);
}

std::int32_t TruncToInt32Checked(double value)
{
    auto v = TryTruncToInt32(value);
    if (!v) ThrowNotInteger(FloatToStr(value));
    return *v;
}

std::int32_t TruncToInt32OrMin(double value)
{
    auto v = TryTruncToInt32(value);
    return v ? *v : std::numeric_limits<std::int32_t>::min();
}

namespace {
// Rounds half to even without depending on the floating-point rounding mode.
double RoundHalfEven(double value)
{
    const double t = std::trunc(value);
    const double diff = value - t;   // exact
    const double step = value < 0 ? -1.0 : 1.0;
    const double a = std::fabs(diff);
    if (a > 0.5) return t + step;
    if (a == 0.5) return std::fmod(t, 2.0) != 0.0 ? t + step : t;
    return t;
}
}  // namespace

std::optional<std::int32_t> TryRoundHalfEvenToInt32(double value)
{
    if (!std::isfinite(value)) return std::nullopt;
    return TryTruncToInt32(RoundHalfEven(value));
}

std::optional<std::int64_t> TryRoundHalfEvenToInt64(double value)
{
    if (!std::isfinite(value)) return std::nullopt;
    return TryTruncToInt64(RoundHalfEven(value));
}

std::int32_t RoundHalfEvenToInt32Checked(double value)
{
    auto v = TryRoundHalfEvenToInt32(value);
    if (!v) ThrowNotInteger(FloatToStr(value));
    return *v;
}

std::int32_t RoundHalfEvenToInt32Clamped(double value)
{
    if (std::isnan(value)) return 0;
    if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(RoundHalfEven(value));
}
