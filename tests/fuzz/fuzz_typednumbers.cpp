// Fuzzes the typed-number rule. The text is handed over in a buffer of its
// exact size, so reading past it is caught; the value must be that of the C
// library's strtod on the part the rule accepts, and the conversions must
// round halves to even and refuse what does not fit.
#include "FuzzFiles.h"
#include "galaxy/TypedNumbers.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

using namespace fuzzsupport;

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The accepted prefix by a plain scan: blanks, sign, digits, point, digits,
// and an exponent only when digits follow it.
std::string AcceptedNumber(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) {
            ++digits;
        }
    }
    if (digits == 0) {
        return "0";
    }
    std::size_t end = i;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                ++j;
            }
            end = j;
        }
    }
    return text.substr(start, end - start);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<char[]> exact(new char[size == 0 ? 1 : size]);
    std::memcpy(exact.get(), data, size);
    const double value = galaxy::LeadingNumber(std::string_view(exact.get(), size));

    const std::string accepted = AcceptedNumber(std::string(reinterpret_cast<const char*>(data), size));
    const double reference = std::strtod(accepted.c_str(), nullptr);
    // strtod gives the nearest double, or HUGE_VAL / a tiny value on overflow
    // and underflow; the rule gives infinity and zero there.
    const bool same = value == reference || (std::isinf(value) && std::fabs(reference) == HUGE_VAL)
                      || (value == 0.0 && std::fabs(reference) <= 2.3e-308);
    if (!same || std::isnan(value)) {
        Fail("the leading number differs from strtod of the accepted text");
    }

    const double rounded = galaxy::RoundHalfEven(value);
    if (std::isfinite(value)) {
        const double distance = std::fabs(rounded - value);
        if (rounded != std::floor(rounded) || distance > 0.5 || (distance == 0.5 && std::fmod(rounded, 2.0) != 0.0)) {
            Fail("rounding is not to the nearest, halves to even");
        }
    }
    const auto small = galaxy::ToInt16(value);
    if (small.has_value() != (rounded >= -32768.0 && rounded <= 32767.0)
        || (small && static_cast<double>(*small) != rounded)) {
        Fail("the 16-bit conversion accepts or refuses the wrong values");
    }
    const auto large = galaxy::ToInt32(value);
    if (large.has_value() != (rounded >= -2147483648.0 && rounded <= 2147483647.0)
        || (large && static_cast<double>(*large) != rounded)) {
        Fail("the 32-bit conversion accepts or refuses the wrong values");
    }
    return 0;
}
