#include "TypedNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace galaxy {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether a number beyond the double range lies beyond it upwards. number is
// digits with an optional point and an optional exponent; its first digit
// other than 0 stands for a power of ten set by its place before or after
// the point, plus the exponent. Beyond the range that power is far from 0.
bool AboveOne(std::string_view number)
{
    const std::string_view digits = number.substr(0, number.find_first_of("eE"));
    const std::size_t point = std::min(digits.find('.'), digits.size());
    const std::size_t first = digits.find_first_of("123456789");
    long long power = static_cast<long long>(point) - static_cast<long long>(first) - (first < point ? 1 : 0);
    if (digits.size() < number.size()) {
        std::string_view exponent = number.substr(digits.size() + 1);
        if (exponent.front() == '+') {
            exponent.remove_prefix(1);
        }
        // Held far from the ends of the long long range, so that the sum
        // cannot overflow; from_chars leaves an exponent beyond it alone.
        constexpr long long kFar = 1LL << 62;
        long long written = exponent.front() == '-' ? -kFar : kFar;
        std::from_chars(exponent.data(), exponent.data() + exponent.size(), written);
        power += std::clamp(written, -kFar, kFar);
    }
    return power >= 0;
}

} // namespace

double LeadingNumber(std::string_view text)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && (*p == ' ' || *p == '\t')) {
        ++p;
    }
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '+' || *p == '-')) {
        ++p;
    }
    // Digits or a point must follow: from_chars would also take a sign, "inf"
    // and "nan", which are no typed numbers.
    if (p == end || !(IsDigit(*p) || *p == '.')) {
        return 0.0;
    }
    double value = 0.0;
    const std::from_chars_result read = std::from_chars(p, end, value, std::chars_format::general);
    if (read.ec == std::errc::invalid_argument) {
        return 0.0; // a point without digits
    }
    if (read.ec == std::errc::result_out_of_range) {
        value = AboveOne(std::string_view(p, static_cast<std::size_t>(read.ptr - p)))
                    ? std::numeric_limits<double>::infinity()
                    : 0.0;
    }
    return negative ? -value : value;
}

double RoundHalfEven(double value)
{
    // std::nearbyint rounds in the current rounding mode, which this program
    // never changes from round-to-nearest-even.
    return std::nearbyint(value);
}

std::optional<std::int16_t> ToInt16(double value)
{
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(rounded);
}

std::optional<std::int32_t> ToInt32(double value)
{
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

std::string SecondsText(std::int32_t milliseconds, char decimalSeparator)
{
    // A whole number of milliseconds has at most ten significant digits, so
    // the shortest text that reads back as the nearest double to its
    // thousandth part is that thousandth part exactly.
    char buffer[24];
    char* const end =
        std::to_chars(buffer, buffer + sizeof buffer, milliseconds / 1000.0, std::chars_format::fixed).ptr;
    std::string text(buffer, end);
    std::replace(text.begin(), text.end(), '.', decimalSeparator);
    return text;
}

} // namespace galaxy
