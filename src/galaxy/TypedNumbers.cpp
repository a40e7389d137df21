#include "TypedNumbers.h"

#include <cmath>
#include <charconv>
#include <system_error>

namespace galaxy {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Rough power of ten of a number too large or too small for a double: positive
// for one that overflows, negative for one that underflows.
long long DecimalMagnitude(const char* first, const char* last)
{
    long long magnitude = 0;
    bool seenNonZero = false;
    bool inFraction = false;
    const char* p = first;
    // Digits before the point count up; zeros between the point and the first
    // significant digit count down.
    for (; p != last && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            inFraction = true;
        } else if (seenNonZero || *p != '0') {
            seenNonZero = true;
            if (!inFraction) {
                ++magnitude;
            }
        } else if (inFraction) {
            --magnitude;
        }
    }
    if (p != last) {
        ++p;
        const bool negative = *p == '-';
        if (*p == '+' || *p == '-') {
            ++p;
        }
        long long exponent = 0;
        for (; p != last && exponent < 1000000000LL; ++p) {
            exponent = exponent * 10 + (*p - '0');
        }
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude;
}

} // namespace

double LeadingNumber(std::string_view text)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    const std::size_t start = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < n && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    std::size_t end = i;
    // An exponent counts only when at least one digit follows it.
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        std::size_t j = i + 1;
        if (j < n && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < n && IsDigit(text[j])) {
            while (j < n && IsDigit(text[j])) {
                ++j;
            }
            end = j;
        }
    }
    // from_chars reads the digits checked above in the "C" form, whatever the
    // process locale says; it takes no leading "+".
    const char* first = text.data() + start;
    const char* last = text.data() + end;
    const bool negative = *first == '-';
    if (*first == '+' || *first == '-') {
        ++first;
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        value = DecimalMagnitude(first, last) > 0 ? HUGE_VAL : 0.0;
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

std::optional<std::int16_t> TextToInt16(std::string_view text)
{
    return ToInt16(LeadingNumber(text));
}

std::optional<std::int32_t> TextToInt32(std::string_view text)
{
    return ToInt32(LeadingNumber(text));
}

} // namespace galaxy
