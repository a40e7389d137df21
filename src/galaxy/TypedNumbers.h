// Numbers typed by the user (thresholds, the monitor's delay) and counts
// derived from file lengths: the leading number of a text, rounding to a whole
// number with halves to the even neighbour, and range-checked conversions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace galaxy {

// The number that the text begins with: leading blanks (spaces and tabs) are
// skipped, then an optional sign, digits with an optional decimal point, and
// an optional exponent (E or e, optional sign, digits). 0 when the text does
// not begin with a number ("inf" and "nan" are none). The value is the double
// nearest to that number, halves to the even neighbour: infinite beyond the
// double range, 0 when too small for a double. The decimal point is always ".", whatever the
// user's regional settings or the process's locale, so stored values read
// back the same everywhere. Never reads outside the given text.
double LeadingNumber(std::string_view text);

// Nearest whole number, halves going to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// Rounded as above, then converted; empty when the result lies outside the
// target type (also for infinities and NaN).
std::optional<std::int16_t> ToInt16(double value);
std::optional<std::int32_t> ToInt32(double value);

// A whole number of milliseconds as seconds, exactly and in the shortest
// form, without an exponent and with the given decimal separator: 5000 is
// "5", 1500 "1.5", 1 "0.001", 0 "0", -250 "-0.25". Read back by the typed
// number rule and multiplied by 1000, it is the same number again.
std::string SecondsText(std::int32_t milliseconds, char decimalSeparator);

} // namespace galaxy
