// Number helpers shared by the store and the windows (see numbers.h).
#include "store/numbers.h"

#include <cmath>

std::int32_t LastValError = 0;

namespace {
std::string WithSeparator(std::string_view text, char from, char to)
{
    std::string s(text);
    if (from != to)
        for (char& c : s)
            if (c == from) c = to;
    return s;
}
}  // namespace

std::int32_t StrToIntVal(std::string_view text)
{
    int err = 0;
    const std::int32_t v = ValInt(text, err);
    LastValError = err;
    return v;
}

double StrToFloatVal(std::string_view text)
{
    int err = 0;
    const double v = ValFloat(WithSeparator(text, GetDecimalSeparator(), '.'), err);
    LastValError = err;
    return v;
}

std::int32_t StrToIntDefault(std::string_view text, std::int32_t defaultValue)
{
    const std::int32_t v = StrToIntVal(text);
    return LastValError == 0 ? v : defaultValue;
}

double StrToFloatDefault(std::string_view text, double defaultValue)
{
    const double v = StrToFloatVal(text);
    return LastValError == 0 ? v : defaultValue;
}

double StrToFloatDot(std::string_view text)
{
    return StrToFloat(WithSeparator(text, '.', GetDecimalSeparator()));
}

bool IsFloatText(std::string_view text)
{
    StrToFloatVal(text);
    return LastValError == 0;
}

std::string TimesThousandText(std::string_view text)
{
    if (text.empty()) return {};
    const double value = StrToFloat(text) * 1000.0;
    // A text that reads but whose thousands do not fit is named as typed,
    // not as the "INF" the store would refuse afterwards.
    if (!std::isfinite(value))
        throw EConvertError("'" + std::string(text) + "' n'est pas une valeur en virgule flottante correcte",
                            EConvertError::Kind::Float);
    return FloatToStr(value);
}

std::string FormatFloatWidth(int width, double value)
{
    if (width <= 0) return {};
    const auto w = static_cast<std::size_t>(width);
    std::size_t previous = std::string::npos;
    for (int p = width; p >= 1; --p) {
        const std::string s = FloatToStrGeneral(value, p);
        if (s.size() <= w) return std::string(w - s.size(), ' ') + s;
        if (s.size() >= previous) break;
        previous = s.size();
    }
    return std::string(w, ' ');
}
