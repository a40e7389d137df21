#include "GalaxyMerge.h"

#include "GalaxyFile.h"
#include "GalaxyFormat.h"
#include "RecordStream.h"
#include "TypedNumbers.h"

#include <array>
#include <cstring>
#include <memory>

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
                                 "The file to merge in changed during the merge (the game wrote to it); "
                                 "the systems appended before stay, merge again for the rest.");
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

// Collects the records to append and writes them in blocks at the end of the
// target through its append-only handle. Before and after each block the
// target must end exactly where this merge expects it: anything else means
// that another program wrote to it, and nothing more is written.
class Appender {
public:
    Appender(GalaxyFile& target, GalaxyFile& end, std::uint64_t at, const MergeTuning& tuning)
        : m_target(target),
          m_end(end),
          m_capacity(tuning.recordsPerWrite > 0 ? tuning.recordsPerWrite : 1),
          m_buffer(new unsigned char[m_capacity * kRecordSize]),
          m_length(at),
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

    GalaxyResult flush()
    {
        if (m_count == 0) {
            return GalaxyResult::Success();
        }
        const std::size_t size = m_count * kRecordSize;
        m_count = 0;
        // Checked right before the write: a record the game has begun since
        // the last block must not get this block in its middle.
        std::uint64_t now = 0;
        GalaxyResult result = m_target.length(now);
        if (!result.ok()) {
            return result;
        }
        if (now != m_length) {
            return TargetChanged();
        }
        std::size_t written = 0;
        result = m_end.append(m_buffer.get(), size, written);
        if (!result.ok()) {
            cutBack(written);
            return result;
        }
        result = m_target.length(now);
        if (!result.ok()) {
            return result;
        }
        m_length += size;
        m_appended += size / kRecordSize;
        if (now != m_length) {
            return TargetChanged();
        }
        if (m_afterWrite) {
            m_afterWrite(m_appended);
        }
        return GalaxyResult::Success();
    }

private:
    // After a write that failed part-way: cuts off the incomplete record at
    // the end, but only when the file still ends with exactly the bytes of
    // this write. Had anyone else written meanwhile, where this write landed
    // is not known, and nothing is cut. The cut cannot fail for lack of
    // space; if it fails anyway, the write's own failure is the one to report.
    void cutBack(std::size_t written)
    {
        const std::size_t whole = written - written % kRecordSize;
        std::uint64_t now = 0;
        if (whole != written && m_target.length(now).ok() && now == m_length + written) {
            (void)m_target.truncate(m_length + whole);
        }
        m_length += whole;
        m_appended += whole / kRecordSize;
    }

    GalaxyFile& m_target;
    GalaxyFile& m_end;
    std::size_t m_capacity;
    std::unique_ptr<unsigned char[]> m_buffer;
    std::size_t m_count = 0;
    std::uint64_t m_length; // where the target ends after this merge's last block
    std::size_t m_appended = 0;
    const std::function<void(std::size_t)>& m_afterWrite;
};

GalaxyResult Merge(GalaxyFile& target, const std::filesystem::path& targetPath, GalaxyFile& source,
                   const std::filesystem::path& sourcePath, const MergeTuning& tuning)
{
    std::uint64_t targetLength = 0;
    std::int16_t targetCount = 0;
    GalaxyResult result = CountRecords(target, targetLength, targetCount);
    if (!result.ok()) {
        return result;
    }
    // Anything but whole records: the game may be writing the last one. A
    // file of 1 to 3 bytes is a header it has not finished. Writing a header
    // or records behind such a tail would put them off the record grid.
    if (!EndsOnRecordBoundary(targetLength)) {
        return IncompleteTarget();
    }
    if (targetCount == 0) {
        // An empty target or a bare header: its header becomes four zero
        // bytes, written in place (the append-only handle could not).
        static constexpr unsigned char kZeroHeader[kHeaderSize] = {0, 0, 0, 0};
        std::size_t written = 0;
        result = target.writeAt(0, kZeroHeader, kHeaderSize, written);
        if (!result.ok()) {
            // A header begun in an empty file and cut short would leave a
            // target that no later merge takes: the bytes written go again,
            // when nobody has written after them.
            std::uint64_t now = 0;
            if (targetLength == 0 && written > 0 && target.length(now).ok() && now == written) {
                (void)target.truncate(0);
            }
            return result;
        }
    }

    // Which system numbers the target holds: the 1-based position of the
    // record that last carried each number, 0 where none does.
    std::array<std::int16_t, kMaxMergeSystemNumber + 1> keys{};
    {
        RecordStream records(target);
        for (int k = 1; k <= targetCount; ++k) {
            const SystemRecord* record = nullptr;
            result = records.next(record);
            if (!result.ok()) {
                return result;
            }
            if (record == nullptr) {
                break;
            }
            const SystemNumber n = record->systemNumber();
            if (!InKeyRange(n)) {
                return SubscriptOutOfRange();
            }
            keys[static_cast<std::size_t>(n)] = static_cast<std::int16_t>(k);
        }
    }

    result = source.open(sourcePath, GalaxyFile::Mode::ReadShared);
    if (!result.ok()) {
        return result;
    }
    std::uint64_t sourceLength = 0;
    std::int16_t sourceCount = 0;
    result = CountRecords(source, sourceLength, sourceCount);
    if (!result.ok()) {
        return result;
    }

    // The records go through a second handle that can only append. Opened by
    // the same path, it must reach the same file: one renamed into the
    // target's place meanwhile is no longer the target that was read.
    GalaxyFile end;
    result = end.open(targetPath, GalaxyFile::Mode::AppendOnly);
    if (!result.ok()) {
        return result;
    }
    if (!end.isSameFileAs(target)) {
        return TargetChanged();
    }
    Appender appender(target, end, RecordOffset(static_cast<std::uint64_t>(targetCount) + 1), tuning);
    int records = targetCount;
    RecordStream stream(source);
    for (int k = 1; k <= sourceCount; ++k) {
        const SystemRecord* record = nullptr;
        result = stream.next(record);
        if (!result.ok() || record == nullptr) {
            break;
        }
        const SystemNumber n = record->systemNumber();
        if (!InKeyRange(n)) {
            result = SubscriptOutOfRange();
            break;
        }
        if (keys[static_cast<std::size_t>(n)] == 0) {
            if (records == kMaxMergeRecordCount) {
                result = TargetFull();
                break;
            }
            ++records;
            result = appender.add(*record);
            if (!result.ok()) {
                return result;
            }
        }
    }
    // Records found before a failure are appended all the same.
    GalaxyResult flushed = appender.flush();
    GalaxyResult closed = end.close();
    return FirstFailure({flushed, result, closed});
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
