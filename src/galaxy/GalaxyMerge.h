// Merging galaxy files: every system of the source whose number the target
// does not hold yet is appended to the target, byte for byte.
#pragma once

#include "GalaxyError.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace galaxy {

// Highest system number the merge accepts; numbers run from 0 to this.
inline constexpr int kMaxMergeSystemNumber = 4096;

// Record count of a file of the given length, as the merge takes it:
// (length - 2) / 492 rounded to the nearest whole number, halves to even.
// Empty when it does not fit a signed 16-bit value.
std::optional<std::int16_t> MergeRecordCount(std::uint64_t fileLength);

// Opens the target for reading and writing (creating it empty when missing)
// and the source for reading only, and appends to the target, in source order,
// every source record whose system number no target record carries. Two new
// source records with the same number are both appended. A target without
// records first gets a header of four zero bytes.
//
// Records are appended at the end of the target as it is when the appending
// starts, so nothing already in the target is ever overwritten. The target
// only ever grows by whole records: when a write fails part-way the target is
// cut back to the end of the last whole record written, and the records
// appended before the failure stay.
//
// Failures: 9 for a system number outside 0 to 4096 in either file, 6 for a
// record count above 32767, and the system's error number and wording when a
// file cannot be opened, read or written. Both files are closed on every path.
GalaxyResult MergeGalaxyFiles(const std::filesystem::path& targetPath, const std::filesystem::path& sourcePath);

} // namespace galaxy
