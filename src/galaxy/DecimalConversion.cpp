#include "DecimalConversion.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace galaxy {

namespace {

static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<float>::is_iec559,
              "doubles and singles are IEEE 754 binary64 and binary32");

// A whole number of any size, not negative: 32-bit limbs, the least
// significant first, without zero limbs at the top.
class BigNumber {
public:
    explicit BigNumber(std::uint64_t value = 0)
    {
        while (value != 0) {
            m_limbs.push_back(static_cast<std::uint32_t>(value));
            value >>= 32;
        }
    }

    bool isZero() const { return m_limbs.empty(); }

    // this = this x factor + addend
    void multiplyAdd(std::uint32_t factor, std::uint32_t addend)
    {
        std::uint64_t carry = addend;
        for (std::uint32_t& limb : m_limbs) {
            const std::uint64_t product = static_cast<std::uint64_t>(limb) * factor + carry;
            limb = static_cast<std::uint32_t>(product);
            carry = product >> 32;
        }
        if (carry != 0) {
            m_limbs.push_back(static_cast<std::uint32_t>(carry));
        }
    }

    void multiplyByPowerOfTen(long long power)
    {
        static constexpr std::uint32_t kPowers[] = {1U,      10U,      100U,      1000U,      10000U,
                                                    100000U, 1000000U, 10000000U, 100000000U, 1000000000U};
        for (; power >= 9; power -= 9) {
            multiplyAdd(kPowers[9], 0);
        }
        if (power > 0) {
            multiplyAdd(kPowers[power], 0);
        }
    }

    void shiftLeft(long long bits)
    {
        if (isZero() || bits <= 0) {
            return;
        }
        const auto limbs = static_cast<std::size_t>(bits / 32);
        const auto rest = static_cast<unsigned>(bits % 32);
        if (rest != 0) {
            std::uint32_t carry = 0;
            for (std::uint32_t& limb : m_limbs) {
                const std::uint32_t next = limb >> (32 - rest);
                limb = (limb << rest) | carry;
                carry = next;
            }
            if (carry != 0) {
                m_limbs.push_back(carry);
            }
        }
        m_limbs.insert(m_limbs.begin(), limbs, 0U);
    }

    void shiftRightOne()
    {
        std::uint32_t carry = 0;
        for (std::size_t i = m_limbs.size(); i-- > 0;) {
            const std::uint32_t limb = m_limbs[i];
            m_limbs[i] = (limb >> 1) | (carry << 31);
            carry = limb & 1U;
        }
        trim();
    }

    long long bitLength() const
    {
        if (isZero()) {
            return 0;
        }
        long long bits = static_cast<long long>(m_limbs.size() - 1) * 32;
        for (std::uint32_t top = m_limbs.back(); top != 0; top >>= 1) {
            ++bits;
        }
        return bits;
    }

    int compare(const BigNumber& other) const
    {
        if (m_limbs.size() != other.m_limbs.size()) {
            return m_limbs.size() < other.m_limbs.size() ? -1 : 1;
        }
        for (std::size_t i = m_limbs.size(); i-- > 0;) {
            if (m_limbs[i] != other.m_limbs[i]) {
                return m_limbs[i] < other.m_limbs[i] ? -1 : 1;
            }
        }
        return 0;
    }

    // this = this - other, for other not above this.
    void subtract(const BigNumber& other)
    {
        std::uint64_t borrow = 0;
        for (std::size_t i = 0; i < m_limbs.size(); ++i) {
            const std::uint64_t take = (i < other.m_limbs.size() ? other.m_limbs[i] : 0U) + borrow;
            const std::uint64_t have = m_limbs[i];
            borrow = have < take ? 1 : 0;
            m_limbs[i] = static_cast<std::uint32_t>(have + (borrow << 32) - take);
        }
        trim();
    }

private:
    void trim()
    {
        while (!m_limbs.empty() && m_limbs.back() == 0) {
            m_limbs.pop_back();
        }
    }

    std::vector<std::uint32_t> m_limbs;
};

// floor(numerator / denominator) for a quotient below 2^bits, by binary long
// division; numerator is left holding the remainder.
std::uint64_t Divide(BigNumber& numerator, BigNumber denominator, int bits)
{
    denominator.shiftLeft(bits - 1);
    std::uint64_t quotient = 0;
    for (int bit = bits - 1; bit >= 0; --bit) {
        if (numerator.compare(denominator) >= 0) {
            numerator.subtract(denominator);
            quotient |= std::uint64_t{1} << bit;
        }
        denominator.shiftRightOne();
    }
    return quotient;
}

// How the part cut off by a division compares with one half: -1 below, 0
// exactly half, 1 above.
int CompareRemainderWithHalf(BigNumber remainder, const BigNumber& denominator)
{
    remainder.shiftLeft(1);
    return remainder.compare(denominator);
}

constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

} // namespace

double DecimalToDouble(std::string_view digits, long long exponent)
{
    while (!digits.empty() && digits.front() == '0') {
        digits.remove_prefix(1);
    }
    if (digits.empty()) {
        return 0.0;
    }
    // The value lies from 10^(lead - 1) up to below 10^lead.
    const long long lead = static_cast<long long>(digits.size()) + exponent;
    if (lead > 310) {
        return std::numeric_limits<double>::infinity(); // at least 10^309
    }
    if (lead < -323) {
        return 0.0; // below 10^-324, less than half the smallest subnormal
    }

    // Up to 2^53 with a power of ten up to 10^22 both are exact doubles, and
    // one multiplication or division rounds correctly.
    if (digits.size() <= 16 && exponent >= -22 && exponent <= 22) {
        std::uint64_t whole = 0;
        for (const char c : digits) {
            whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
        }
        if (whole <= (std::uint64_t{1} << 53)) {
            const auto value = static_cast<double>(whole);
            return exponent >= 0 ? value * kExactPowersOfTen[exponent] : value / kExactPowersOfTen[-exponent];
        }
    }

    // Otherwise the exact fraction numerator / denominator.
    BigNumber numerator;
    for (const char c : digits) {
        numerator.multiplyAdd(10, static_cast<std::uint32_t>(c - '0'));
    }
    BigNumber denominator(1);
    if (exponent >= 0) {
        numerator.multiplyByPowerOfTen(exponent);
    } else {
        denominator.multiplyByPowerOfTen(-exponent);
    }
    // Scaled by 2^-scale the quotient has 56 or 57 bits: more than the 53 of
    // a double, so the bits below decide the rounding, with the remainder.
    const long long scale = numerator.bitLength() - denominator.bitLength() - 56;
    if (scale >= 0) {
        denominator.shiftLeft(scale);
    } else {
        numerator.shiftLeft(-scale);
    }
    const std::uint64_t quotient = Divide(numerator, denominator, 57);
    const bool inexact = !numerator.isZero();

    int quotientBits = 0;
    for (std::uint64_t q = quotient; q != 0; q >>= 1) {
        ++quotientBits;
    }
    // Bits of the quotient below the last bit of the double: 53 bits are kept
    // for a normal number, fewer for a subnormal one, whose last bit is 2^-1074.
    long long dropped = quotientBits - 53;
    if (scale + dropped < -1074) {
        dropped = -1074 - scale;
    }
    if (dropped >= 64) {
        return 0.0; // far below half the smallest subnormal
    }
    const auto shift = static_cast<unsigned>(dropped);
    std::uint64_t kept = quotient >> shift;
    const std::uint64_t rest = quotient & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (inexact || (kept & 1U) != 0))) {
        ++kept; // may carry into 2^53, still an exact double
    }
    // Exact, or infinity when the rounded value is beyond the largest double.
    return std::ldexp(static_cast<double>(kept), static_cast<int>(scale + dropped));
}

SevenDigits RoundToSevenDigits(float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const std::uint32_t biased = (bits >> 23) & 0xFFU;
    const std::uint32_t fraction = bits & 0x7FFFFFU;
    // value = mantissa x 2^power exactly.
    const std::uint32_t mantissa = biased == 0 ? fraction : fraction | 0x800000U;
    const int power = biased == 0 ? -149 : static_cast<int>(biased) - 150;

    int mantissaBits = 0;
    for (std::uint32_t m = mantissa; m != 0; m >>= 1) {
        ++mantissaBits;
    }
    // value lies from 2^top up to below 2^(top + 1); the first digit's power
    // of ten is floor(top x log10 2) or one more.
    const int top = power + mantissaBits - 1;
    int exponent = (top * 78913) >> 18;
    for (;;) {
        // quotient = floor(value x 10^(6 - exponent)), below 10^8.
        BigNumber numerator(mantissa);
        BigNumber denominator(1);
        numerator.shiftLeft(power);
        denominator.shiftLeft(-power);
        if (6 - exponent >= 0) {
            numerator.multiplyByPowerOfTen(6 - exponent);
        } else {
            denominator.multiplyByPowerOfTen(exponent - 6);
        }
        auto quotient = static_cast<std::uint32_t>(Divide(numerator, denominator, 27));
        if (quotient >= 10000000U) {
            ++exponent;
            continue;
        }
        const int half = CompareRemainderWithHalf(numerator, denominator);
        if (half > 0 || (half == 0 && (quotient & 1U) != 0)) {
            ++quotient;
        }
        if (quotient == 10000000U) {
            return SevenDigits{1000000U, exponent + 1};
        }
        return SevenDigits{quotient, exponent};
    }
}

} // namespace galaxy
