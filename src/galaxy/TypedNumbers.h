// Numbers typed by the user (thresholds, the monitor's delay) and counts
// derived from file lengths: the leading number of a text, rounding to a whole
// number with halves to the even neighbour, and range-checked conversions.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace galaxy {

// The number that the text begins with: leading blanks (spaces and tabs) are
// skipped, then an optional sign, digits with an optional decimal point, and
// an optional exponent (E or e, optional sign, digits). 0 when the text does
// not begin with a number. The value is the double nearest to that number,
// halves to the even neighbour, as the C library's strtod gives it in the "C"
// locale: infinite beyond the double range. The decimal point is always ".",
// whatever the user's regional settings or the process's locale, so stored
// values read back the same everywhere. Never reads outside the given text.
double LeadingNumber(std::string_view text);

// Nearest whole number, halves going to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// Rounded as above, then converted; empty when the result lies outside the
// target type (also for infinities and NaN).
std::optional<std::int16_t> ToInt16(double value);
std::optional<std::int32_t> ToInt32(double value);

// The leading number of a text as a 16-bit or 32-bit whole number.
std::optional<std::int16_t> TextToInt16(std::string_view text);
std::optional<std::int32_t> TextToInt32(std::string_view text);

} // namespace galaxy
