#include "PlanetLine.h"

#include "DecimalConversion.h"
#include "TypedNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace galaxy {

namespace {

// Blanks that bring a field to its column: the column's size minus the width
// of the text, where a text not starting with "-" counts one blank more.
char* Fill(char* out, std::size_t column, const char* text, std::size_t length)
{
    const std::size_t width = length + (length > 0 && text[0] == '-' ? 0 : 1);
    for (std::size_t i = width; i < column; ++i) {
        *out++ = ' ';
    }
    return out;
}

char* CopyText(char* out, const char* text, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        out[i] = text[i];
    }
    return out + length;
}

// The seven significant digits of the common case, values from 0.0001 to
// below ten million whose rounding double arithmetic decides beyond doubt.
// False leaves the value to the exact conversion.
bool QuickSevenDigits(double magnitude, SevenDigits& rounded)
{
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
    if (!(magnitude >= 1e-4 && magnitude < 1e7)) {
        return false;
    }
    int exponent = 6; // of the first significant digit
    while (exponent > -4 && magnitude < kPowersOfTen[exponent + 4] * 1e-4) {
        --exponent;
    }
    // The seven significant digits as a whole number. The product carries an
    // error far below 1e-7, so only values that close to a half are left to
    // the exact conversion.
    const double scaled = magnitude * kPowersOfTen[6 - exponent];
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) < 1e-7) {
        return false;
    }
    const auto digits = static_cast<std::uint32_t>(whole) + (fraction > 0.5 ? 1U : 0U);
    if (digits < 1000000U || digits >= 10000000U) {
        return false;
    }
    rounded = SevenDigits{digits, exponent};
    return true;
}

// Seven significant digits as short as possible: no trailing zeros after the
// separator, none at all for a whole number, the exponent form as in
// 1.234568E+07 from ten million on and below 0.0001.
char* WriteSevenDigits(char* p, SevenDigits rounded, char decimalSeparator)
{
    char text[7];
    std::uint32_t digits = rounded.digits;
    for (int i = 6; i >= 0; --i) {
        text[i] = static_cast<char>('0' + digits % 10U);
        digits /= 10U;
    }
    int significant = 7;
    while (significant > 1 && text[significant - 1] == '0') {
        --significant;
    }
    const int exponent = rounded.exponent;
    if (exponent >= 0 && exponent < 7) {
        const int before = exponent + 1;
        p = CopyText(p, text, static_cast<std::size_t>(before));
        if (significant > before) {
            *p++ = decimalSeparator;
            p = CopyText(p, text + before, static_cast<std::size_t>(significant - before));
        }
    } else if (exponent < 0 && exponent >= -4) {
        *p++ = '0';
        *p++ = decimalSeparator;
        for (int i = exponent; i < -1; ++i) {
            *p++ = '0';
        }
        p = CopyText(p, text, static_cast<std::size_t>(significant));
    } else {
        *p++ = text[0];
        if (significant > 1) {
            *p++ = decimalSeparator;
            p = CopyText(p, text + 1, static_cast<std::size_t>(significant - 1));
        }
        *p++ = 'E';
        *p++ = exponent < 0 ? '-' : '+';
        const int size = exponent < 0 ? -exponent : exponent;
        if (size >= 100) {
            *p++ = static_cast<char>('0' + size / 100);
        }
        *p++ = static_cast<char>('0' + size / 10 % 10);
        *p++ = static_cast<char>('0' + size % 10);
    }
    return p;
}

} // namespace

std::size_t FormatReportNumber(float value, char decimalSeparator, char* out)
{
    if (value == 0.0F) {
        out[0] = '0';
        return 1;
    }
    char* p = out;
    if (std::signbit(value)) {
        *p++ = '-';
    }
    if (!std::isfinite(value)) {
        p = CopyText(p, std::isnan(value) ? "NAN" : "INF", 3);
        return static_cast<std::size_t>(p - out);
    }
    const float magnitude = std::fabs(value);
    SevenDigits rounded;
    if (!QuickSevenDigits(static_cast<double>(magnitude), rounded)) {
        rounded = RoundToSevenDigits(magnitude);
    }
    p = WriteSevenDigits(p, rounded, decimalSeparator);
    return static_cast<std::size_t>(p - out);
}

std::string ReportNumberText(float value, char decimalSeparator)
{
    char buffer[kMaxNumberText + 8];
    return std::string(buffer, FormatReportNumber(value, decimalSeparator, buffer));
}

std::size_t FormatPlanetLine(char* out, SystemNumber system, int slot, float habPercent, float metPercent,
                             const float* rating, char decimalSeparator)
{
    char* p = out;
    char number[kMaxNumberText + 8];

    const auto systemText = std::to_chars(number, number + sizeof number, static_cast<int>(system));
    const auto systemLength = static_cast<std::size_t>(systemText.ptr - number);
    p = CopyText(p, number, systemLength);
    *p++ = '.';
    *p++ = SlotLetter(slot);
    p = Fill(p, 13, number, systemLength);

    std::size_t length = FormatReportNumber(habPercent, decimalSeparator, number);
    p = CopyText(p, number, length);
    p = Fill(p, 14, number, length);

    length = FormatReportNumber(metPercent, decimalSeparator, number);
    p = CopyText(p, number, length);
    if (rating != nullptr) {
        p = Fill(p, 14, number, length);
        length = FormatReportNumber(*rating, decimalSeparator, number);
        p = CopyText(p, number, length);
    }
    return static_cast<std::size_t>(p - out);
}

namespace {

std::optional<std::int16_t> ThresholdOf(std::string_view text, OutOfRange rule)
{
    const double rounded = RoundHalfEven(LeadingNumber(text));
    if (rule == OutOfRange::Clamped) {
        return static_cast<std::int16_t>(std::clamp(rounded, -32768.0, 32767.0));
    }
    return ToInt16(rounded);
}

} // namespace

std::optional<Thresholds> ThresholdsOf(std::string_view habText, std::string_view metText, OutOfRange rule)
{
    const std::optional<std::int16_t> hab = ThresholdOf(habText, rule);
    const std::optional<std::int16_t> met = ThresholdOf(metText, rule);
    if (!hab || !met) {
        return std::nullopt;
    }
    return Thresholds{*hab, *met};
}

std::string PlanetLineText(SystemNumber system, int slot, float habPercent, float metPercent, const float* rating,
                           char decimalSeparator)
{
    char buffer[kMaxPlanetLine];
    return std::string(buffer,
                       FormatPlanetLine(buffer, system, slot, habPercent, metPercent, rating, decimalSeparator));
}

} // namespace galaxy
