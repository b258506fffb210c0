// Number texts as the program has always read and written them.
//
// Every number that a user types or sees, and every number written into a
// settings or exchange file, goes through these functions, so that Carotix reads
// and writes numbers exactly the same way everywhere:
//
//  * one process-wide decimal separator, taken once at start-up from the user's
//    locale (InitDecimalSeparatorFromLocale) and set explicitly by tests;
//  * the tolerant readers (ValInt, ValFloat) that report the position of the
//    first character they could not read, and never raise;
//  * the strict readers (StrToInt, StrToFloat) that raise EConvertError with
//    the messages users know: "'abc' n'est pas une valeur entière correcte",
//    "'abc' n'est pas une valeur en virgule flottante correcte";
//  * float to text in 15 significant digits with the general format: 0.1+0.2
//    gives "0,3" (with ","), 1e15 gives "1E15", 1e-5 gives "1E-5": no "+" and no
//    padding in the exponent; it is NOT the shortest round-trip text;
//  * checked double-to-integer conversions (NaN, infinities and values out of
//    range never reach an undefined cast).
//
// None of this depends on the C library's locale: Qt changes it when the
// application starts, so the conversions are built on std::from_chars and
// std::to_chars under our own grammar. Never use strtod, stod, printf,
// to_string or streams for number texts.
//
// Texts are UTF-8; numbers themselves are ASCII, so a non-ASCII character is
// simply a bad character. Error positions are 1-based and count characters.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// The error raised by the strict conversions. Its what() is the message shown
// to the user, e.g. "'12a' n'est pas une valeur entière correcte"; callers that
// word their own message (the importers) go by Kind, never by the text, which
// is the person's language and may change.
class EConvertError : public std::runtime_error {
public:
    enum class Kind { Other, Integer, Float };
    explicit EConvertError(const std::string& message, Kind kind = Kind::Other)
        : std::runtime_error(message), kind_(kind)
    {
    }
    Kind ValueKind() const noexcept { return kind_; }

private:
    Kind kind_;
};

// ---------------------------------------------------------------------------
// The decimal separator
// ---------------------------------------------------------------------------

// The process-wide decimal separator ("." until set). An ASCII character.
char GetDecimalSeparator();
// Sets it. Only ASCII punctuation other than "+", "-" and "$" is accepted
// (in practice "," or "."); anything else throws std::invalid_argument.
void SetDecimalSeparator(char separator);
// The decimal separator of the user's locale (LC_ALL / LC_NUMERIC / LANG of the
// environment), read without touching the process's C locale. Falls back to "."
// when the locale is unknown or its separator is not a single ASCII character.
char DecimalSeparatorFromLocale();
// Start-up: SetDecimalSeparator(DecimalSeparatorFromLocale()).
void InitDecimalSeparatorFromLocale();

// Sets the separator for the lifetime of the object and restores the previous
// one afterwards (tests).
class ScopedDecimalSeparator {
public:
    explicit ScopedDecimalSeparator(char separator);
    ~ScopedDecimalSeparator();
    ScopedDecimalSeparator(const ScopedDecimalSeparator&) = delete;
    ScopedDecimalSeparator& operator=(const ScopedDecimalSeparator&) = delete;

private:
    char previous_;
};

// ---------------------------------------------------------------------------
// Tolerant readers (the runtime's Val). They never raise.
// ---------------------------------------------------------------------------

// Reads a 32-bit integer: leading spaces, an optional "+" or "-", then decimal
// digits, or "$" followed by hexadecimal digits ("$FFFFFFFF" is -1). Nothing
// may follow (trailing spaces are bad characters).
// errorPos receives 0 when the whole text was read, otherwise the 1-based
// position of the first character that could not be read (for an empty text or
// a text of spaces, the position just past its end; for a value out of range,
// the digit that made it overflow).
// On failure the result is the value of the digits read before the bad
// character, WITHOUT the minus sign ("12abc" -> 12, errorPos 3; "-7x" -> 7;
// "" -> 0, errorPos 1). "0x" is not read here: callers that accept it (the
// settings files) turn it into "$" first.
std::int32_t ValInt(std::string_view text, int& errorPos);

// Reads a double with "." as the separator, whatever the process separator:
// leading spaces, optional sign, digits with an optional "." and fraction (at
// least one digit in all: "5", "5.", ".5"), then an optional exponent "E" or "e"
// with an optional sign and at least one digit. Nothing may follow.
// errorPos as for ValInt (0 when complete). On failure the result is 0.
// A value too large for a double fails with errorPos just past the text; a value
// too small reads as 0 (or a denormal).
double ValFloat(std::string_view text, int& errorPos);

// ---------------------------------------------------------------------------
// Strict readers (the runtime's StrToInt / StrToFloat)
// ---------------------------------------------------------------------------

// ValInt that must read the whole text; otherwise throws EConvertError
// "'<text>' n'est pas une valeur entière correcte".
std::int32_t StrToInt(std::string_view text);
std::optional<std::int32_t> TryStrToInt(std::string_view text);
std::int32_t StrToIntDef(std::string_view text, std::int32_t defaultValue);

// Reads a double with the PROCESS decimal separator only (with "," set, "2.5"
// is not a number): leading and trailing spaces allowed, optional sign, digits
// with an optional separator and fraction, optional exponent "E"/"e" with an
// optional sign and digits. Overflow is an error. Throws EConvertError
// "'<text>' n'est pas une valeur en virgule flottante correcte".
double StrToFloat(std::string_view text);
std::optional<double> TryStrToFloat(std::string_view text);

// ---------------------------------------------------------------------------
// Numbers to text
// ---------------------------------------------------------------------------

std::string IntToStr(std::int64_t value);

// The runtime's FloatToStr: general format, 15 significant digits, the process
// separator. Fixed notation unless the decimal exponent is above 15 or the
// value is below 1e-4: 0.1+0.2 -> "0,3", 1e14 -> "100000000000000",
// 1e15 -> "1E15", 1.5e20 -> "1,5E20", 0.0001 -> "0,0001", 1e-5 -> "1E-5",
// -2.5 -> "-2,5". NaN -> "NAN", infinities -> "INF" / "-INF", -0.0 -> "0".
// Rounding follows the runtime: the value is taken to 18 significant digits,
// then rounded half away from zero to the precision.
std::string FloatToStr(double value);

// The general format with the given number of significant digits (1..18;
// values outside are clamped). FloatToStrGeneral(v, 15) == FloatToStr(v).
// Scientific notation when the decimal exponent exceeds the precision or the
// value is below 1e-4: FloatToStrGeneral(3.14159, 4) -> "3,142",
// FloatToStrGeneral(123456, 2) -> "1,2E5".
std::string FloatToStrGeneral(double value, int precision);

// The fixed format with exactly `decimals` digits after the separator (0..18;
// no separator when 0), at most 15 significant digits (the rest are zeros),
// halves rounded away from zero: FloatToStrFixed(30, 3) -> "30,000",
// FloatToStrFixed(2.5, 0) -> "3". A value of 1e15 or more in magnitude is
// written as FloatToStr writes it. A value that rounds to zero has no minus sign.
std::string FloatToStrFixed(double value, int decimals);

// ---------------------------------------------------------------------------
// Checked double -> integer conversions. Never undefined behaviour.
// ---------------------------------------------------------------------------

// Truncation toward zero; nullopt for NaN, infinities and results outside the
// 32-bit (resp. 64-bit) signed range.
std::optional<std::int32_t> TryTruncToInt32(double value);
std::optional<std::int64_t> TryTruncToInt64(double value);
// Truncation toward zero that throws EConvertError
// "'<FloatToStr(value)>' n'est pas une valeur entière correcte" when it cannot be done.
std::int32_t TruncToInt32Checked(double value);
// Truncation toward zero, INT32_MIN (the store's missing integer) when it
// cannot be done.
std::int32_t TruncToInt32OrMin(double value);

// Rounding to the nearest integer, halves to the even neighbour (the pixel
// rounding of the program). nullopt as above.
std::optional<std::int32_t> TryRoundHalfEvenToInt32(double value);
std::optional<std::int64_t> TryRoundHalfEvenToInt64(double value);
// Throws EConvertError as TruncToInt32Checked.
std::int32_t RoundHalfEvenToInt32Checked(double value);
// Clamps into the 32-bit range first (NaN gives 0): for drawing coordinates,
// where a huge value must simply land far outside the page.
std::int32_t RoundHalfEvenToInt32Clamped(double value);
