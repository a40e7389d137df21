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
// A target whose length is neither 0 nor 4 + 492 x n ends in a record that
// is not complete (the game may be writing it); it is left exactly as it is
// and the merge fails at once. So is a target of 1 to 3 bytes, a header that
// was never finished.
//
// Records are appended at the end of the target as it is when the appending
// starts, so nothing already in the target is ever overwritten. The target
// only ever grows by whole records: when a write fails part-way the target is
// cut back to the end of the last whole record written (and a zero header
// begun in an empty target is taken away), and the records appended before
// the failure stay.
//
// Failures (GalaxyError.h): kErrorSubscriptOutOfRange for a system number
// outside 0 to 4096 in either file, kErrorOverflow for a record count above
// 32767, kErrorIncompleteTarget, kErrorNotAPlainFile for a device or a pipe,
// and the system's error number and wording when a file cannot be opened,
// read or written. Both files are closed on every path.
GalaxyResult MergeGalaxyFiles(const std::filesystem::path& targetPath, const std::filesystem::path& sourcePath);

} // namespace galaxy
