// Exact conversions between decimal digits and binary floating point, done
// with integer arithmetic only: no C library conversion, no locale and no
// standard library routine that some systems lack. The typed-number rule and
// the report's number form are built on them, so a text reads as the same
// number and a value prints as the same text on every system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace galaxy {

// Significant digits that decide the rounding of any decimal to a double: a
// value halfway between two doubles has at most 767 of them. A longer digit
// string is cut to this many digits, followed by a digit 1 when any of the
// digits cut away was not 0 (the exponent counting that extra digit); the
// result is then the same as for the whole string.
inline constexpr std::size_t kDecisiveDigits = 800;

// The double nearest to digits x 10^exponent, halves to the even neighbour,
// as the C library's strtod gives it: infinity beyond the largest double,
// subnormal numbers and 0 below the smallest normal one. digits holds decimal
// digits only, at most kDecisiveDigits + 1 of them; leading zeros are allowed.
double DecimalToDouble(std::string_view digits, long long exponent);

// A positive value rounded to seven significant digits, halves to the even
// neighbour: digits x 10^(exponent - 6), with digits from 1000000 to 9999999
// and exponent the power of ten of the first digit after the rounding.
struct SevenDigits {
    std::uint32_t digits = 0;
    int exponent = 0;
};

// The seven significant digits of a finite single greater than 0, exact.
SevenDigits RoundToSevenDigits(float value);

} // namespace galaxy
