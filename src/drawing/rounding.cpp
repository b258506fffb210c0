#include "drawing/rounding.h"

#include <cmath>
#include <limits>
#include <stdexcept>

std::int64_t RoundHalfEvenDiv(std::int64_t num, std::int64_t den)
{
    if (den == 0)
        throw std::domain_error("RoundHalfEvenDiv: division by zero");
    if (den < 0) {
        // Negate both in 128 bits' worth of care: INT64_MIN cannot be negated.
        if (num == std::numeric_limits<std::int64_t>::min() || den == std::numeric_limits<std::int64_t>::min())
            throw std::range_error("RoundHalfEvenDiv: out of range");
        num = -num;
        den = -den;
    }
    std::int64_t q = num / den;  // truncated toward zero
    std::int64_t r = num % den;  // same sign as num
    if (r == 0)
        return q;
    // Compare 2|r| with den without overflow: |r| < den <= INT64_MAX.
    std::uint64_t twice = 2 * static_cast<std::uint64_t>(r < 0 ? -r : r);
    std::uint64_t d = static_cast<std::uint64_t>(den);
    int step = r < 0 ? -1 : 1;
    if (twice > d || (twice == d && (q % 2 != 0)))
        q += step;
    return q;
}

static std::int32_t CheckedInt32(__int128 v)
{
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        throw std::range_error("integer result out of range");
    return static_cast<std::int32_t>(v);
}

std::int32_t MulDivRound(std::int64_t a, std::int64_t b, std::int64_t c)
{
    if (c == 0)
        throw std::domain_error("MulDivRound: division by zero");
    __int128 p = static_cast<__int128>(a) * b;
    __int128 den = c;
    if (den < 0) {
        p = -p;
        den = -den;
    }
    __int128 q = p / den;
    __int128 r = p % den;
    if (r != 0) {
        __int128 twice = 2 * (r < 0 ? -r : r);
        if (twice > den || (twice == den && (q % 2 != 0)))
            q += (r < 0 ? -1 : 1);
    }
    return CheckedInt32(q);
}

std::int32_t MulDivTrunc(std::int64_t a, std::int64_t b, std::int64_t c)
{
    if (c == 0)
        throw std::domain_error("MulDivTrunc: division by zero");
    __int128 p = static_cast<__int128>(a) * b;
    return CheckedInt32(p / c);
}

std::int64_t RoundHalfEven64(double x)
{
    if (!std::isfinite(x))
        throw std::range_error("cannot round a value that is not a finite number");
    // nearbyint rounds halves to even in the default rounding mode.
    double r = std::nearbyint(x);
    if (r < -9223372036854775808.0 || r >= 9223372036854775808.0)
        throw std::range_error("rounded value out of range");
    return static_cast<std::int64_t>(r);
}

std::int32_t RoundHalfEven(double x)
{
    std::int64_t v = RoundHalfEven64(x);
    return CheckedInt32(v);
}

std::int32_t TruncChecked(double x)
{
    if (!std::isfinite(x))
        throw std::range_error("cannot truncate a value that is not a finite number");
    double t = std::trunc(x);
    if (t < -2147483648.0 || t > 2147483647.0)
        throw std::range_error("truncated value out of range");
    return static_cast<std::int32_t>(t);
}

std::int32_t ClampToInt32(std::int64_t v)
{
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}
