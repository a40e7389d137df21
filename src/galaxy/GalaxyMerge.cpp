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

GalaxyResult IncompleteTarget()
{
    return GalaxyResult::Failure(kErrorIncompleteTarget,
                                 "The file to merge in ends in an incomplete record (the game may still be "
                                 "writing it); nothing was written to it.");
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

// Collects the records to append and writes them in large blocks at the end
// of the target. A block that fails part-way is cut back to its last whole
// record, so the target never holds a torn record.
class Appender {
public:
    static constexpr std::size_t kRecordsPerWrite = 256;

    Appender(GalaxyFile& target, std::uint64_t at)
        : m_target(target), m_buffer(new unsigned char[kRecordsPerWrite * kRecordSize]), m_offset(at)
    {
    }

    GalaxyResult add(const unsigned char* record)
    {
        std::memcpy(m_buffer.get() + m_count * kRecordSize, record, kRecordSize);
        if (++m_count == kRecordsPerWrite) {
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
        std::size_t written = 0;
        GalaxyResult result = m_target.writeAt(m_offset, m_buffer.get(), size, written);
        const std::size_t whole = written - written % kRecordSize;
        m_offset += whole;
        if (!result.ok() && whole != written) {
            // The cut cannot fail for lack of space; if it fails anyway, the
            // write's own failure is still the one to report.
            (void)m_target.truncate(m_offset);
        }
        return result;
    }

private:
    GalaxyFile& m_target;
    std::unique_ptr<unsigned char[]> m_buffer;
    std::size_t m_count = 0;
    std::uint64_t m_offset;
};

GalaxyResult Merge(GalaxyFile& target, GalaxyFile& source, const std::filesystem::path& sourcePath)
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
            const unsigned char* record = nullptr;
            result = records.next(record);
            if (!result.ok()) {
                return result;
            }
            if (record == nullptr) {
                break;
            }
            const SystemNumber n = LoadInt16(record + kSystemNumberOffset);
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

    std::uint64_t end = 0;
    result = target.length(end);
    if (!result.ok()) {
        return result;
    }
    Appender appender(target, end);
    RecordStream records(source);
    for (int k = 1; k <= sourceCount; ++k) {
        const unsigned char* record = nullptr;
        result = records.next(record);
        if (!result.ok() || record == nullptr) {
            break;
        }
        const SystemNumber n = LoadInt16(record + kSystemNumberOffset);
        if (!InKeyRange(n)) {
            result = SubscriptOutOfRange();
            break;
        }
        if (keys[static_cast<std::size_t>(n)] == 0) {
            result = appender.add(record);
            if (!result.ok()) {
                return result;
            }
        }
    }
    // Records found before a failure are appended all the same.
    GalaxyResult flushed = appender.flush();
    if (!flushed.ok()) {
        return flushed;
    }
    return result;
}

} // namespace

std::optional<std::int16_t> MergeRecordCount(std::uint64_t fileLength)
{
    return ToInt16((static_cast<double>(fileLength) - 2.0) / static_cast<double>(kRecordSize));
}

GalaxyResult MergeGalaxyFiles(const std::filesystem::path& targetPath, const std::filesystem::path& sourcePath)
{
    GalaxyFile target;
    GalaxyResult result = target.open(targetPath, GalaxyFile::Mode::ReadWriteCreate);
    if (!result.ok()) {
        return result;
    }
    GalaxyFile source;
    result = Merge(target, source, sourcePath);
    GalaxyResult sourceClosed = source.close();
    GalaxyResult targetClosed = target.close();
    if (!result.ok()) {
        return result;
    }
    return targetClosed.ok() ? sourceClosed : targetClosed;
}

} // namespace galaxy
