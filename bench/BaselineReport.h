// A straightforward report writer kept only as the yardstick for the real
// one: buffered stdio, one call per field, snprintf for every number.
#pragma once

#include <cstdint>

namespace bench {

// Returns 0 on success, 1 on failure.
int BaselineWritePlanetReport(const char* galaxyPath, const char* reportPath, std::int16_t minHab, std::int16_t minMet,
                              bool withRating, char decimalSeparator);

} // namespace bench
