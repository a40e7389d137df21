#include "PlanetLine.h"

#include "TypedNumbers.h"

#include <algorithm>
#include <charconv>
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

} // namespace

std::size_t FormatReportNumber(float value, char decimalSeparator, char* out)
{
    if (value == 0.0F) {
        out[0] = '0'; // a negative zero too
        return 1;
    }
    // %.7g as the C library writes it in the "C" locale, but the same on every
    // system: "1.234568e+07", "1e-05", "inf", "-inf", "nan".
    char* const end = std::to_chars(out, out + kMaxNumberText, value, std::chars_format::general, 7).ptr;
    for (char* p = out; p != end; ++p) {
        if (*p == '.') {
            *p = decimalSeparator;
        } else if (*p >= 'a' && *p <= 'z') {
            *p = static_cast<char>(*p - 'a' + 'A');
        }
    }
    return static_cast<std::size_t>(end - out);
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
