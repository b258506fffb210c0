// Rounding rules of the drawing code, shared by every layout formula.
//
// Pixel positions and sizes round to the nearest integer with halves going to
// the even neighbour ("[x]" in our layout notes). Layout formulas that take a
// fraction of a size are computed as exact fractions in integers, never in
// doubles: [0.07 x 150] is [21/2] = 10, while 0.07 * 150 in doubles is
// 10.500000000000002 and would give 11. Integer halving truncates toward zero
// (C++ "/" already does).
//
// Every conversion from double to an integer is checked: NaN, infinities and
// values outside the target range throw std::range_error.
#pragma once

#include <cstdint>

// [num / den], halves to even, computed exactly. den must not be 0 (throws
// std::domain_error). Works for any sign of num and den.
std::int64_t RoundHalfEvenDiv(std::int64_t num, std::int64_t den);

// [a * b / c] with the product in 64 bits, halves to even; the result must
// fit in 32 bits (std::range_error otherwise). The exact twin of the
// platform's MulDiv, but with our rounding.
std::int32_t MulDivRound(std::int64_t a, std::int64_t b, std::int64_t c);

// a * b / c with the product in 64 bits, truncated toward zero (the "div" of
// formulas such as Size * BaseFontHeight div 10). Range-checked like MulDivRound.
std::int32_t MulDivTrunc(std::int64_t a, std::int64_t b, std::int64_t c);

// [value * num / den] for a size `value` and an exact decimal fraction num/den:
// RoundFraction(W, 7, 100) is [0.07 x W]. Same as MulDivRound, named for
// readability of layout code.
inline std::int32_t RoundFraction(std::int64_t value, std::int64_t num, std::int64_t den)
{
    return MulDivRound(value, num, den);
}

// [x] of a double, halves to even (for values that really are doubles, such as
// depths mapped to rows). Checked.
std::int32_t RoundHalfEven(double x);
std::int64_t RoundHalfEven64(double x);

// trunc(x) of a double, checked (Delphi's Trunc).
std::int32_t TruncChecked(double x);

// Clamps a 64-bit value into the 32-bit range (for coordinates computed in
// 64 bits that are about to be drawn: the canvas clips them anyway).
std::int32_t ClampToInt32(std::int64_t v);
