#include "PlanetLine.h"

#include <charconv>

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
        out[0] = '0';
        return 1;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
    std::size_t length = 0;
    for (const char* p = buffer; p != result.ptr; ++p) {
        char c = *p;
        if (c == '.') {
            c = decimalSeparator;
        } else if (c == 'e') {
            c = 'E';
        }
        out[length++] = c;
    }
    return length;
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

std::string PlanetLineText(SystemNumber system, int slot, float habPercent, float metPercent, const float* rating,
                           char decimalSeparator)
{
    char buffer[kMaxPlanetLine];
    return std::string(buffer, FormatPlanetLine(buffer, system, slot, habPercent, metPercent, rating, decimalSeparator));
}

} // namespace galaxy
