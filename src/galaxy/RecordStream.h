// Reads the whole system records of a galaxy file in sequence, in large
// blocks, from a given offset on. Bytes after the last whole record are never
// taken for a record: a record the game is still writing is left for later.
#pragma once

#include "GalaxyError.h"
#include "GalaxyFile.h"
#include "GalaxyFormat.h"

#include <cstdint>
#include <memory>

namespace galaxy {

class RecordStream {
public:
    static constexpr std::size_t kRecordsPerBlock = 256;

    // Starts at the first record (just past the header) unless told otherwise.
    explicit RecordStream(const GalaxyFile& file, std::uint64_t startOffset = kHeaderSize);

    // Points record at the next whole record, or at nullptr when no whole
    // record follows. The record stays valid until the next call.
    GalaxyResult next(const SystemRecord*& record);

    // Offset just past the last record handed out.
    std::uint64_t offset() const { return m_offset; }

private:
    const GalaxyFile& m_file;
    // A block of records, read as bytes; a record always begins at the
    // start of one of them, since a partial record left at the end of a
    // block is moved to the front before the next read.
    std::unique_ptr<SystemRecord[]> m_records;
    unsigned char* m_buffer; // the bytes of m_records
    std::size_t m_begin = 0; // first unconsumed byte in the buffer
    std::size_t m_end = 0;   // one past the last valid byte in the buffer
    std::uint64_t m_offset;  // file offset of m_buffer[m_begin]
    bool m_atEnd = false;
};

} // namespace galaxy
