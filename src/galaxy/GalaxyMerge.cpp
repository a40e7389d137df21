#include "GalaxyMerge.h"

#include "GalaxyFile.h"
#include "GalaxyFormat.h"
#include "RecordStream.h"
#include "TypedNumbers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace galaxy {

namespace {

GalaxyResult SubscriptOutOfRange()
{
    return GalaxyResult::Failure(kErrorSubscriptOutOfRange, "Subscript out of range");
}

GalaxyResult Overflow()
{
    return GalaxyResult::Failure(kErrorOverflow, "Overflow");
}

GalaxyResult TargetFull()
{
    return GalaxyResult::Failure(kErrorOverflow, "Overflow: a galaxy file holds at most 32767 systems");
}

GalaxyResult IncompleteTarget()
{
    return GalaxyResult::Failure(kErrorIncompleteTarget,
                                 "The file to merge in ends in an incomplete record (the game may still be "
                                 "writing it); nothing was written to it.");
}

GalaxyResult TargetChanged()
{
    return GalaxyResult::Failure(kErrorTargetChanged,
                                 "The file to merge in changed during the merge (the game wrote to it at the same "
                                 "time), and its records may be damaged: check the galaxy file (a dump to file shows "
                                 "its systems). The systems appended before stay.");
}

GalaxyResult SourceShrank()
{
    return GalaxyResult::Failure(kErrorSourceShrank,
                                 "The file to merge from got shorter during the merge; the systems read from it "
                                 "before were appended, the rest were not.");
}

bool InKeyRange(SystemNumber n)
{
    return n >= 0 && n <= kMaxMergeSystemNumber;
}

// A header followed by whole records, or nothing at all.
bool EndsOnRecordBoundary(std::uint64_t length)
{
    return length == 0 || (length >= kHeaderSize && (length - kHeaderSize) % kRecordSize == 0);
}

GalaxyResult CountRecords(const GalaxyFile& file, std::uint64_t& length, std::int16_t& count)
{
    GalaxyResult result = file.length(length);
    if (!result.ok()) {
        return result;
    }
    const auto rounded = MergeRecordCount(length);
    if (!rounded) {
        return Overflow();
    }
    count = *rounded;
    return GalaxyResult::Success();
}

// A digest of a run of bytes, to tell whether bytes read back later are the
// ones written: eight independent 64-bit lanes, each taking every eighth
// 8-byte word (independent, so that they are worked on side by side). Each
// step is a one-to-one map of the lane for a given word, so a run that
// differs in a single word (or in the words of a single lane only once)
// never gives the same digest, and other differences do so only by a chance
// of about one in 2^64.
class Digest {
public:
    static Digest Of(const unsigned char* bytes, std::size_t size)
    {
        Digest digest;
        (void)digest.take<false>(bytes, nullptr, size);
        return digest;
    }

    // The digest of `bytes` when `readBack` holds the same bytes, empty
    // otherwise: both in one pass.
    static std::optional<Digest> OfSame(const unsigned char* bytes, const unsigned char* readBack, std::size_t size)
    {
        Digest digest;
        if (!digest.take<true>(bytes, readBack, size)) {
            return std::nullopt;
        }
        return digest;
    }

    bool operator==(const Digest& other) const { return m_lanes == other.m_lanes; }

private:
    static constexpr std::size_t kLanes = 8;

    static std::uint64_t Step(std::uint64_t lane, std::uint64_t word)
    {
        lane ^= word;
        lane = (lane << 29) | (lane >> 35);
        return lane * 0x9FB21C651E98DF25ULL;
    }

    // Takes the bytes into the lanes; with Compare, also whether `other`
    // holds the same bytes.
    template <bool Compare>
    bool take(const unsigned char* bytes, const unsigned char* other, std::size_t size)
    {
        // The lanes live in locals while they work: the bytes, seen as
        // unsigned char, could alias a member, which would keep them in memory.
        std::uint64_t differ = 0;
        std::uint64_t lanes[kLanes];
        for (std::size_t i = 0; i < kLanes; ++i) {
            lanes[i] = 0x9E3779B97F4A7C15ULL * (i + 1) ^ size;
        }
        std::size_t at = 0;
        for (; at + 8 * kLanes <= size; at += 8 * kLanes) {
            std::uint64_t words[kLanes];
            std::memcpy(words, bytes + at, sizeof words);
            if constexpr (Compare) {
                std::uint64_t others[kLanes];
                std::memcpy(others, other + at, sizeof others);
                for (std::size_t i = 0; i < kLanes; ++i) {
                    differ |= words[i] ^ others[i];
                }
            }
            for (std::size_t i = 0; i < kLanes; ++i) {
                lanes[i] = Step(lanes[i], words[i]);
            }
        }
        for (std::size_t i = 0; at < size; ++i, at += 8) {
            const std::size_t n = std::min<std::size_t>(8, size - at);
            std::uint64_t word = 0;
            std::memcpy(&word, bytes + at, n);
            if constexpr (Compare) {
                std::uint64_t otherWord = 0;
                std::memcpy(&otherWord, other + at, n);
                differ |= word ^ otherWord;
            }
            lanes[i] = Step(lanes[i], word);
        }
        std::copy(std::begin(lanes), std::end(lanes), m_lanes.begin());
        return differ == 0;
    }

    std::array<std::uint64_t, kLanes> m_lanes{};
};

// Collects the records to append and writes them in blocks at the end of the
// target through its append-only handle, and makes sure that they stand in
// the target as written. Another program (the game) may write to the target
// meanwhile, and none takes a lock: one that appends in one step cannot be
// written over, but it may begin a record right before a block, and one that
// takes the end and then writes there (as plain programs append) may write
// into a block after it was written, since the length of a file grows page by
// page during a large write. So:
// - right before each block the target must end where this merge left it;
// - right after it, the block must read back byte for byte as written, where
//   it was meant to go, and the target must end just after it;
// - at the end, every block must read back once more with the digest of what
//   was written (and the zero header, when the merge wrote one, as four zero
//   bytes), and then the target must still end exactly after the merge's
//   last record.
// Anything else means that another program wrote, and nothing more is
// written: the merge fails with kErrorTargetChanged. Nothing is ever cut that
// this merge did not write.
class Appender {
public:
    // at: where the first record goes, on the record grid; headerWritten: the
    // merge wrote a zero header over the first four bytes.
    Appender(GalaxyFile& target, GalaxyFile& end, std::uint64_t at, bool headerWritten, const MergeTuning& tuning)
        : m_target(target),
          m_end(end),
          m_capacity(tuning.recordsPerWrite > 0 ? tuning.recordsPerWrite : 1),
          m_buffer(new unsigned char[m_capacity * kRecordSize]),
          m_check(new unsigned char[m_capacity * kRecordSize]),
          m_start(at),
          m_length(at),
          m_headerWritten(headerWritten),
          m_settle(tuning.settle),
          m_beforeWrite(tuning.beforeWrite),
          m_afterWrite(tuning.afterWrite)
    {
    }

    GalaxyResult add(const SystemRecord& record)
    {
        std::memcpy(m_buffer.get() + m_count * kRecordSize, record.bytes.data(), kRecordSize);
        if (++m_count == m_capacity) {
            return flush();
        }
        return GalaxyResult::Success();
    }

    // Writes the records still gathered, then, after a short wait, reads
    // back everything this merge wrote and takes the target's length once
    // more.
    GalaxyResult finish()
    {
        GalaxyResult result = flush();
        if (!result.ok()) {
            return result;
        }
        if (!m_headerWritten && m_blocks.empty()) {
            return GalaxyResult::Success(); // nothing written
        }
        if (m_settle.count() > 0) {
            std::this_thread::sleep_for(m_settle);
        }
        if (m_headerWritten) {
            static constexpr unsigned char kZeroHeader[kHeaderSize] = {0, 0, 0, 0};
            result = readsBack(0, kZeroHeader, kHeaderSize);
            if (!result.ok()) {
                return result;
            }
        }
        // In order, so that the last block, the one a late writer hits when
        // it took the end during the last write, is read last.
        std::uint64_t at = m_start;
        for (const Block& block : m_blocks) {
            std::size_t got = 0;
            result = m_target.readAt(at, m_check.get(), block.size, got);
            if (!result.ok()) {
                return result;
            }
            if (got != block.size || !(Digest::Of(m_check.get(), got) == block.digest)) {
                return TargetChanged();
            }
            at += block.size;
        }
        return endsAt(m_length);
    }

private:
    struct Block {
        std::size_t size;
        Digest digest;
    };

    GalaxyResult flush()
    {
        if (m_count == 0) {
            return GalaxyResult::Success();
        }
        const std::size_t size = m_count * kRecordSize;
        m_count = 0;
        // Checked right before the write: a record the game has begun since
        // the last block must not get this block in its middle.
        GalaxyResult result = endsAt(m_length);
        if (!result.ok()) {
            return result;
        }
        if (m_beforeWrite) {
            m_beforeWrite(m_appended);
        }
        std::size_t written = 0;
        result = m_end.append(m_buffer.get(), size, written);
        if (!result.ok()) {
            cutBack(written);
            return result;
        }
        // The block must stand where it was meant to go, byte for byte: an
        // append of the game that came first pushed it off its place, and a
        // writer that took the end during the write wrote into it.
        std::size_t got = 0;
        result = m_target.readAt(m_length, m_check.get(), size, got);
        if (!result.ok()) {
            return result;
        }
        const std::optional<Digest> digest =
            got == size ? Digest::OfSame(m_buffer.get(), m_check.get(), size) : std::nullopt;
        if (!digest) {
            return TargetChanged();
        }
        m_blocks.push_back({size, *digest});
        m_length += size;
        m_appended += size / kRecordSize;
        result = endsAt(m_length);
        if (!result.ok()) {
            return result;
        }
        if (m_afterWrite) {
            m_afterWrite(m_appended);
        }
        return GalaxyResult::Success();
    }

    // Success when the target is exactly `length` bytes long.
    GalaxyResult endsAt(std::uint64_t length) const
    {
        std::uint64_t now = 0;
        GalaxyResult result = m_target.length(now);
        if (!result.ok()) {
            return result;
        }
        return now == length ? GalaxyResult::Success() : TargetChanged();
    }

    // Success when the target holds exactly these bytes at this offset (at
    // most one block of them).
    GalaxyResult readsBack(std::uint64_t offset, const unsigned char* bytes, std::size_t size) const
    {
        std::size_t got = 0;
        GalaxyResult result = m_target.readAt(offset, m_check.get(), size, got);
        if (!result.ok()) {
            return result;
        }
        return got == size && std::memcmp(m_check.get(), bytes, size) == 0 ? GalaxyResult::Success() : TargetChanged();
    }

    // After a write that failed part-way: cuts off the incomplete record at
    // the end, but only when the file still ends with exactly the bytes of
    // this write and they read back as written. Had anyone else written
    // meanwhile, where this write landed is not known, and nothing is cut.
    // The cut cannot fail for lack of space; if it fails anyway, the write's
    // own failure is the one to report.
    void cutBack(std::size_t written)
    {
        const std::size_t whole = written - written % kRecordSize;
        if (whole != written && endsAt(m_length + written).ok()
            && readsBack(m_length + whole, m_buffer.get() + whole, written - whole).ok()
            && endsAt(m_length + written).ok()) {
            (void)m_target.truncate(m_length + whole);
        }
        m_length += whole;
        m_appended += whole / kRecordSize;
    }

    GalaxyFile& m_target;
    GalaxyFile& m_end;
    std::size_t m_capacity;                    // records per block
    std::unique_ptr<unsigned char[]> m_buffer; // the block being gathered
    std::unique_ptr<unsigned char[]> m_check;  // a block read back
    std::size_t m_count = 0;                   // records in m_buffer
    std::vector<Block> m_blocks;               // every block written and read back, in order
    std::uint64_t m_start;                     // where the first record went
    std::uint64_t m_length;                    // where the target ends after this merge's last block
    std::size_t m_appended = 0;
    bool m_headerWritten;
    std::chrono::milliseconds m_settle;
    const std::function<void(std::size_t)>& m_beforeWrite;
    const std::function<void(std::size_t)>& m_afterWrite;
};

// The target's record count, once its length has been found to end on the
// record grid. A target without records gets its header of four zero bytes
// now, written in place (the append-only handle could not).
GalaxyResult PrepareTarget(GalaxyFile& target, std::int16_t& count)
{
    std::uint64_t length = 0;
    GalaxyResult result = CountRecords(target, length, count);
    if (!result.ok()) {
        return result;
    }
    // Anything but whole records: the game may be writing the last one. A
    // file of 1 to 3 bytes is a header it has not finished. Writing a header
    // or records behind such a tail would put them off the record grid.
    if (!EndsOnRecordBoundary(length)) {
        return IncompleteTarget();
    }
    if (count > 0) {
        return GalaxyResult::Success();
    }
    static constexpr unsigned char kZeroHeader[kHeaderSize] = {0, 0, 0, 0};
    std::size_t written = 0;
    result = target.writeAt(0, kZeroHeader, kHeaderSize, written);
    if (!result.ok()) {
        // A header begun in an empty file and cut short would leave a
        // target that no later merge takes: the bytes written go again,
        // when nobody has written after them.
        std::uint64_t now = 0;
        if (length == 0 && written > 0 && target.length(now).ok() && now == written) {
            (void)target.truncate(0);
        }
    }
    return result;
}

// Which system numbers the target's first `count` records hold: the 1-based
// position of the record that last carried each number, 0 where none does.
using KeyTable = std::array<std::int16_t, kMaxMergeSystemNumber + 1>;

GalaxyResult ReadKeys(const GalaxyFile& target, std::int16_t count, KeyTable& keys)
{
    keys.fill(0);
    RecordStream records(target);
    for (int k = 1; k <= count; ++k) {
        const SystemRecord* record = nullptr;
        GalaxyResult result = records.next(record);
        if (!result.ok() || record == nullptr) {
            return result;
        }
        const SystemNumber n = record->systemNumber();
        if (!InKeyRange(n)) {
            return SubscriptOutOfRange();
        }
        keys[static_cast<std::size_t>(n)] = static_cast<std::int16_t>(k);
    }
    return GalaxyResult::Success();
}

// Hands the appender every one of the source's `count` records whose number
// the target lacks, in source order, as long as the target has room. The
// first failure ends it; writeFailed tells a failed write to the target.
GalaxyResult AppendNewSystems(const GalaxyFile& source, std::uint64_t sourceLength, std::int16_t count,
                              const KeyTable& keys, int records, Appender& appender, bool& writeFailed)
{
    GalaxyResult result = GalaxyResult::Success();
    RecordStream stream(source);
    for (int k = 1; k <= count; ++k) {
        const SystemRecord* record = nullptr;
        result = stream.next(record);
        if (result.ok() && record == nullptr) {
            // The records ran out before the count. A source that ends in an
            // incomplete record counts it (the count is rounded) and ends
            // here as it always did; one that is shorter than when it was
            // counted was cut while it was read.
            std::uint64_t now = 0;
            result = source.length(now);
            return result.ok() && now < sourceLength ? SourceShrank() : result;
        }
        if (!result.ok()) {
            break;
        }
        const SystemNumber n = record->systemNumber();
        if (!InKeyRange(n)) {
            return SubscriptOutOfRange();
        }
        if (keys[static_cast<std::size_t>(n)] == 0) {
            if (records == kMaxMergeRecordCount) {
                return TargetFull();
            }
            ++records;
            result = appender.add(*record);
            if (!result.ok()) {
                writeFailed = true;
                return result;
            }
        }
    }
    return result;
}

GalaxyResult Merge(GalaxyFile& target, const std::filesystem::path& targetPath, GalaxyFile& source,
                   const std::filesystem::path& sourcePath, const MergeTuning& tuning)
{
    std::int16_t targetCount = 0;
    GalaxyResult result = PrepareTarget(target, targetCount);
    KeyTable keys{};
    if (result.ok()) {
        result = ReadKeys(target, targetCount, keys);
    }
    if (result.ok()) {
        result = source.open(sourcePath, GalaxyFile::Mode::ReadShared);
    }
    std::uint64_t sourceLength = 0;
    std::int16_t sourceCount = 0;
    if (result.ok()) {
        result = CountRecords(source, sourceLength, sourceCount);
    }
    // The records go through a second handle that can only append. Opened by
    // the same path, it must reach the same file: one renamed into the
    // target's place meanwhile is no longer the target that was read.
    GalaxyFile end;
    if (result.ok()) {
        result = end.open(targetPath, GalaxyFile::Mode::AppendOnly);
    }
    if (result.ok() && !end.isSameFileAs(target)) {
        result = TargetChanged();
    }
    if (!result.ok()) {
        return result;
    }
    Appender appender(target, end, RecordOffset(static_cast<std::uint64_t>(targetCount) + 1), targetCount == 0, tuning);
    bool writeFailed = false;
    result = AppendNewSystems(source, sourceLength, sourceCount, keys, targetCount, appender, writeFailed);
    if (writeFailed) {
        return result;
    }
    // Records found before any other failure are appended all the same, and
    // what the merge wrote is checked in either case.
    GalaxyResult finished = appender.finish();
    GalaxyResult closed = end.close();
    return FirstFailure({finished, result, closed});
}

} // namespace

std::optional<std::int16_t> MergeRecordCount(std::uint64_t fileLength)
{
    return ToInt16((static_cast<double>(fileLength) - 2.0) / static_cast<double>(kRecordSize));
}

GalaxyResult MergeGalaxyFiles(const std::filesystem::path& targetPath, const std::filesystem::path& sourcePath,
                              const MergeTuning& tuning)
{
    GalaxyFile target;
    GalaxyResult result = target.open(targetPath, GalaxyFile::Mode::ReadWriteCreate);
    if (!result.ok()) {
        return result;
    }
    GalaxyFile source;
    result = Merge(target, targetPath, source, sourcePath, tuning);
    GalaxyResult sourceClosed = source.close();
    GalaxyResult targetClosed = target.close();
    return FirstFailure({result, targetClosed, sourceClosed});
}

} // namespace galaxy
