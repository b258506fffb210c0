// The number helpers of the store and the windows: tolerant reading that reports
// where it stopped, reading with "." whatever the locale, numbers in fixed widths.
//
// They build on the runtime conversions of platform/base/rtl_numbers.h (the
// process decimal separator, EConvertError, FloatToStr...).
#pragma once

#include "platform/base/rtl_numbers.h"

#include <cstdint>
#include <string>
#include <string_view>

// The 1-based position of the first character that the last tolerant
// conversion (StrToIntVal, StrToFloatVal, StrToIntDefault, StrToFloatDefault,
// IsFloatText) could not read; 0 after a complete conversion.
extern std::int32_t LastValError;

// The tolerant integer reading (optional sign, decimal digits, or "$" and
// hexadecimal digits). When the text does not read completely: the value of the
// digits read before the first bad character, without minus sign (0 for an empty
// text). "12abc" gives 12 with LastValError 3. Never raises.
std::int32_t StrToIntVal(std::string_view text);
// Every process decimal separator replaced by ".", then the tolerant float
// reading ("." as separator, optional exponent). 0 when it fails. Never raises.
// With "," as separator, "2,5" and "2.5" both read 2.5.
double StrToFloatVal(std::string_view text);
// StrToIntVal, or the default when the text was not read completely.
std::int32_t StrToIntDefault(std::string_view text, std::int32_t defaultValue);
// StrToFloatVal, or the default when the text was not read completely.
double StrToFloatDefault(std::string_view text, double defaultValue);
// Every "." replaced by the process separator, then the strict StrToFloat:
// raises EConvertError "'<text>' n'est pas une valeur en virgule flottante correcte".
double StrToFloatDot(std::string_view text);
// True when StrToFloatVal reads the whole text.
bool IsFloatText(std::string_view text);
// "" for ""; otherwise the strict StrToFloat of the text (process separator
// only; raises EConvertError) times 1000, as FloatToStr.
std::string TimesThousandText(std::string_view text);
// The general float format with precision w, w-1, ... until the text is at most
// w characters long or stops getting shorter; the result is exactly w
// characters: the text right-aligned after spaces, or w spaces when no text
// fits. FormatFloatWidth(5, 3.14159) gives "3,142" with ",".
std::string FormatFloatWidth(int width, double value);
