#include "RecordStream.h"

#include <cstring>

namespace galaxy {

namespace {
constexpr std::size_t kBufferSize = RecordStream::kRecordsPerBlock * kRecordSize;
}

RecordStream::RecordStream(const GalaxyFile& file, std::uint64_t startOffset)
    : m_file(file),
      m_records(new SystemRecord[kRecordsPerBlock]),
      m_buffer(reinterpret_cast<unsigned char*>(m_records.get())),
      m_offset(startOffset)
{
}

GalaxyResult RecordStream::next(const SystemRecord*& record)
{
    record = nullptr;
    while (m_end - m_begin < kRecordSize) {
        if (m_atEnd) {
            return GalaxyResult::Success();
        }
        // Keep the partial record that is left and fill the rest of the buffer.
        const std::size_t kept = m_end - m_begin;
        if (kept > 0 && m_begin > 0) {
            std::memmove(m_buffer, m_buffer + m_begin, kept);
        }
        m_begin = 0;
        m_end = kept;
        std::size_t got = 0;
        GalaxyResult result = m_file.readAt(m_offset + kept, m_buffer + kept, kBufferSize - kept, got);
        if (!result.ok()) {
            return result;
        }
        if (got == 0) {
            m_atEnd = true;
        }
        m_end += got;
    }
    record = &m_records[m_begin / kRecordSize];
    m_begin += kRecordSize;
    m_offset += kRecordSize;
    return GalaxyResult::Success();
}

} // namespace galaxy
