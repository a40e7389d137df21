// Merging galaxy files: every system of the source whose number the target
// does not hold yet is appended to the target, byte for byte.
#pragma once

#include "GalaxyError.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace galaxy {

// Highest system number the merge accepts; numbers run from 0 to this.
inline constexpr int kMaxMergeSystemNumber = 4096;
// Most records a galaxy file may hold: its count must fit a signed 16-bit value.
inline constexpr int kMaxMergeRecordCount = 32767;

// Record count of a file of the given length, as the merge takes it:
// (length - 2) / 492 rounded to the nearest whole number, halves to even.
// Empty when it does not fit a signed 16-bit value.
std::optional<std::int16_t> MergeRecordCount(std::uint64_t fileLength);

// How the merge writes to the target. The defaults are the program's own.
struct MergeTuning {
    // Records gathered before each write to the target (about 1 MB). Large
    // blocks keep a merge close to the speed of copying a file, and few
    // writes leave another program few moments to write between them. Tests
    // take small blocks so that another process surely writes between two.
    std::size_t recordsPerWrite = 2048;
    // How long the merge waits after its last write before it reads back
    // everything it wrote. A program that appends by taking the file's end
    // and then writing there, and took the end before the merge's last write
    // was through, writes into what the merge wrote; the longer the wait,
    // the longer such a writer must have stalled between the two steps to
    // write only after the last look, the one moment no check can see.
    std::chrono::milliseconds settle{5};
    // Called right before each block is written, after the checks that come
    // before it, with the number of records appended so far; lets a test have
    // another process write in the moment that no check before a write sees.
    std::function<void(std::size_t appended)> beforeWrite;
    // Called after each block has been written and read back in its place,
    // with the number of records appended so far; lets a test have another
    // process write to the target at a known moment.
    std::function<void(std::size_t appended)> afterWrite;
};

// Opens the target for reading and writing (creating it empty when missing)
// and the source for reading only, and appends to the target, in source order,
// every source record whose system number no target record carries. Two new
// source records with the same number are both appended. A target without
// records first gets a header of four zero bytes.
//
// The game may be writing the target meanwhile, so nothing is ever written
// over what the target holds:
// - a target whose length is neither 0 nor 4 + 492 x n ends in a record that
//   is not complete (the game may be writing it); it is left exactly as it is
//   and the merge fails at once. So is a target of 1 to 3 bytes, a header
//   that was never finished.
// - records are appended in blocks, each written at the file's end as it is
//   at that moment (append-only writes). The target's length is checked
//   before and after each block, and each block is read back right after
//   its write; at the end everything the merge wrote is read back once more
//   and the length taken again. When the length is not where this merge left
//   it or a byte does not read back as written, another program has written,
//   and the merge stops at once with kErrorTargetChanged. What the other
//   program wrote and every block appended before stay. Success means that
//   every byte the merge wrote read back as written and that the target
//   ended after the merge's last record when last looked at. A program that
//   took the file's end before the merge's last write was through and writes
//   only after that last look is the one writer no check sees.
// - a source that gets shorter while it is read (its records run out before
//   its count, and its length is below the length counted) ends the merge
//   with kErrorSourceShrank once the records read before are appended. A
//   source that ends in an incomplete record from the start is merged up to
//   its last whole record.
// - the target only ever grows by whole records: when a write fails part-way
//   the incomplete record is cut off again (and a zero header begun in an
//   empty target is taken away), provided the file still ends with the bytes
//   this merge wrote; nothing is cut that it did not write.
// - the target never grows past 32767 records: the records that fit are
//   appended, and the merge fails with the overflow error.
//
// Failures (GalaxyError.h): kErrorSubscriptOutOfRange for a system number
// outside 0 to 4096 in either file, kErrorOverflow for a record count above
// 32767 (either file, or the target once full), kErrorIncompleteTarget,
// kErrorTargetChanged, kErrorSourceShrank, kErrorNotAPlainFile for a device or a pipe, and the
// system's error number and wording when a file cannot be opened, read or
// written. Both files are closed on every path.
GalaxyResult MergeGalaxyFiles(const std::filesystem::path& targetPath, const std::filesystem::path& sourcePath,
                              const MergeTuning& tuning = {});

} // namespace galaxy
