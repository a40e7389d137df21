#include "TypedNumbers.h"

#include "DecimalConversion.h"

#include <array>
#include <cmath>

namespace galaxy {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The significant digits of a number as DecimalToDouble takes them: leading
// zeros dropped, at most kDecisiveDigits kept, then a 1 standing for any
// digit other than 0 that was cut away.
class DigitCollector {
public:
    void add(char digit, bool inFraction)
    {
        if (m_length == 0 && digit == '0') {
            if (inFraction) {
                --m_exponent;
            }
            return;
        }
        if (m_length < kDecisiveDigits) {
            m_digits[m_length++] = digit;
            if (inFraction) {
                --m_exponent;
            }
            return;
        }
        // Cut away: a whole digit still counts for the magnitude.
        if (!inFraction) {
            ++m_exponent;
        }
        m_cutNonZero = m_cutNonZero || digit != '0';
    }

    double value(long long writtenExponent)
    {
        long long exponent = m_exponent + writtenExponent;
        std::size_t length = m_length;
        if (m_cutNonZero) {
            m_digits[length++] = '1';
            --exponent;
        }
        return DecimalToDouble(std::string_view(m_digits.data(), length), exponent);
    }

private:
    std::array<char, kDecisiveDigits + 1> m_digits{};
    std::size_t m_length = 0;
    long long m_exponent = 0; // the value is digits x 10^m_exponent
    bool m_cutNonZero = false;
};

} // namespace

double LeadingNumber(std::string_view text)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    DigitCollector collector;
    std::size_t digits = 0;
    for (; i < n && IsDigit(text[i]); ++i, ++digits) {
        collector.add(text[i], false);
    }
    if (i < n && text[i] == '.') {
        for (++i; i < n && IsDigit(text[i]); ++i, ++digits) {
            collector.add(text[i], true);
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    // An exponent counts only when at least one digit follows it. Past a
    // billion its size no longer matters: the value is infinite or 0 either way.
    long long written = 0;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        std::size_t j = i + 1;
        const bool negativeExponent = j < n && text[j] == '-';
        if (j < n && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        for (; j < n && IsDigit(text[j]); ++j) {
            if (written < 1000000000LL) {
                written = written * 10 + (text[j] - '0');
            }
        }
        if (negativeExponent) {
            written = -written;
        }
    }
    const double value = collector.value(written);
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

std::string SecondsText(std::int32_t milliseconds, char decimalSeparator)
{
    const std::int64_t signedValue = milliseconds;
    const std::uint64_t magnitude = static_cast<std::uint64_t>(signedValue < 0 ? -signedValue : signedValue);
    std::string text;
    if (signedValue < 0) {
        text += '-';
    }
    text += std::to_string(magnitude / 1000);
    std::uint64_t thousandths = magnitude % 1000;
    if (thousandths != 0) {
        text += decimalSeparator;
        char digits[3];
        std::size_t length = 3;
        for (std::size_t i = 3; i > 0; --i) {
            digits[i - 1] = static_cast<char>('0' + thousandths % 10);
            thousandths /= 10;
        }
        while (digits[length - 1] == '0') {
            --length;
        }
        text.append(digits, length);
    }
    return text;
}

} // namespace galaxy
