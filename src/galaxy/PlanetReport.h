// The planet report: every planet of a galaxy file that reaches both
// thresholds, one fixed-layout line each, written to a text file.
#pragma once

#include "GalaxyError.h"
#include "GalaxyFile.h"

#include <cstdint>
#include <filesystem>

namespace galaxy {

// Writes the whole report for the open galaxy file (nullptr when none is
// open) to reportPath, a new file, and closes it. Nothing may stand at that
// name: the caller removes an old report first, and a file or a link that
// another program puts there meanwhile fails the report, so that it is never
// written into another file. The file is
// read from its start to its last whole record, in large blocks and with fixed
// memory. Lines end with CR LF, one byte per character.
//
// On a failure the report is closed holding the lines written so far and the
// failure is returned: no galaxy file open (after the header), a read or
// write error, or a finite Hab, Met or rating whose product leaves the
// single-precision range. Hab or Met values that are not numbers or infinite
// are never listed and the report goes on.
GalaxyResult WritePlanetReport(const GalaxyFile* galaxy, const std::filesystem::path& reportPath, std::int16_t minHab,
                               std::int16_t minMet, bool withRating, char decimalSeparator);

} // namespace galaxy
