// The planets of a system record as the player sees them: percent values,
// which planets reach the thresholds, and the fixed-layout planet line shared
// by the report and the monitor's announcements.
#pragma once

#include "GalaxyFormat.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace galaxy {

// Longest text of the report's number form ("-1.234568E-05").
inline constexpr std::size_t kMaxNumberText = 13;
// Room for the longest planet line with its rating column and CR LF.
inline constexpr std::size_t kMaxPlanetLine = 96;

inline constexpr const char* kReportHeader = "Planet.Sys    Hab          Met";
inline constexpr const char* kReportHeaderWithRating = "Planet.Sys    Hab          Met      Murl's Rating";

// Writes a single in the report's number form: rounded to at most seven
// significant digits (exactly, halves to the even neighbour), as short as
// possible, the exponent form as in 1.234568E+07 from ten million on and as
// in 1E-05 below 0.0001, the given decimal separator, and 0 for a negative
// zero: the C library's %.7G in the "C" locale, with the separator put in,
// but the same on every system and whatever the locale. Infinities and NaN
// give INF, -INF and NAN. Returns the length written; out must hold
// kMaxNumberText characters.
std::size_t FormatReportNumber(float value, char decimalSeparator, char* out);

// The percent value of a stored fraction: the product by 100, rounded to single.
inline float ToPercent(float fraction)
{
    return fraction * 100.0F;
}

// True when a finite stored value's product by 100 left the single range.
inline bool PercentOverflows(float fraction, float percent)
{
    return std::isfinite(fraction) && !std::isfinite(percent);
}

// The rating Hab x 5 + Met of two percent values, each step rounded to single.
// overflow is set when both are finite and the result is not.
inline float RatingOf(float habPercent, float metPercent, bool& overflow)
{
    const float habTimesFive = habPercent * 5.0F;
    const float rating = habTimesFive + metPercent;
    overflow = std::isfinite(habPercent) && std::isfinite(metPercent) && !std::isfinite(rating);
    return rating;
}

struct Thresholds {
    std::int16_t minHab = 0;
    std::int16_t minMet = 0;
};

// What a threshold text whose number lies outside the 16-bit range comes to.
enum class OutOfRange {
    Refused, // the report: no thresholds, and the dump fails
    Clamped, // the monitor: the nearer end of the range
};

// The thresholds that two typed texts stand for, Hab first: the number each
// text begins with, rounded to a whole number with halves to the even
// neighbour (the typed-number rule of TypedNumbers.h), each held to the
// 16-bit range by the given rule. Empty only when a text is refused.
std::optional<Thresholds> ThresholdsOf(std::string_view habText, std::string_view metText, OutOfRange rule);

// A planet is listed when its slot counts and both percent values are finite
// and reach the thresholds. Values that are not numbers or infinite are never
// listed: they cannot be a planet's real habitability or metal.
inline bool PlanetQualifies(int slot, PlanetCount count, float habPercent, float metPercent, Thresholds thresholds)
{
    return SlotIsPlanet(slot, count) && std::isfinite(habPercent) && std::isfinite(metPercent)
           && habPercent >= static_cast<float>(thresholds.minHab)
           && metPercent >= static_cast<float>(thresholds.minMet);
}

// One planet line without its line end: designation, fill, Hab, fill, Met
// and, when withRating, fill and rating. Returns the length written; out must
// hold kMaxPlanetLine characters.
std::size_t FormatPlanetLine(char* out, SystemNumber system, int slot, float habPercent, float metPercent,
                             const float* rating, char decimalSeparator);
std::string PlanetLineText(SystemNumber system, int slot, float habPercent, float metPercent, const float* rating,
                           char decimalSeparator);

// What a finite stored Hab or Met whose hundredfold leaves the single range
// means: it is no planet's real value.
enum class Overflow {
    Fails,      // the report fails at it, in any of the six slots
    NotAPlanet, // the monitor does not announce that planet
};

// Goes through the six slots of a record in order, turning Hab and Met into
// percent values (Met first, then Hab), and calls onPlanet(slot, hab, met) for
// each planet that qualifies. Stops and returns false when onPlanet returns
// false, or with Overflow::Fails when a product overflows.
template <typename OnPlanet>
bool ForEachQualifyingPlanet(const SystemRecord& record, Thresholds thresholds, Overflow overflow, OnPlanet&& onPlanet)
{
    const PlanetCount count = record.planetCount();
    for (int j = 1; j <= kPlanetSlots; ++j) {
        const PlanetSlot slot = record.slot(j);
        const Met metFraction = slot.met();
        const Hab habFraction = slot.hab();
        const float met = ToPercent(metFraction.fraction);
        const float hab = ToPercent(habFraction.fraction);
        if (overflow == Overflow::Fails
            && (PercentOverflows(metFraction.fraction, met) || PercentOverflows(habFraction.fraction, hab))) {
            return false;
        }
        // An overflowed value is infinite and so never qualifies.
        if (PlanetQualifies(j, count, hab, met, thresholds) && !onPlanet(j, hab, met)) {
            return false;
        }
    }
    return true;
}

} // namespace galaxy
