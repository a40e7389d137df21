// Layout of a galaxy file: a 4-byte header followed by 492-byte system
// records, each holding a system number, a planet count and six planet slots.
// Everything this program does not interpret is carried along unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace galaxy {

inline constexpr std::size_t kHeaderSize = 4;
inline constexpr std::size_t kRecordSize = 492;
inline constexpr int kPlanetSlots = 6;
inline constexpr std::size_t kSlotSize = 80;

// Offsets inside a system record.
inline constexpr std::size_t kSystemNumberOffset = 0;
inline constexpr std::size_t kPlanetCountOffset = 8;
inline constexpr std::size_t kFirstSlotOffset = 12;

// Offsets inside a planet slot.
inline constexpr std::size_t kHabOffsetInSlot = 32;
inline constexpr std::size_t kMetOffsetInSlot = 36;

static_assert(kFirstSlotOffset + kPlanetSlots * kSlotSize == kRecordSize,
              "the six planet slots fill a record to its end");

using SystemNumber = std::int16_t;
using PlanetCount = std::int16_t;

// Stored habitability and metal: fractions, 1.0 standing for 100 percent.
// Kept as distinct types so the two are never swapped by accident.
struct Hab {
    float fraction = 0.0F;
};
struct Met {
    float fraction = 0.0F;
};

// Offset of record k (counting from 1) in the file.
constexpr std::uint64_t RecordOffset(std::uint64_t k)
{
    return kHeaderSize + kRecordSize * (k - 1);
}

// Offset of planet slot j (1 to 6) inside a record.
constexpr std::size_t SlotOffset(int j)
{
    return kFirstSlotOffset + kSlotSize * static_cast<std::size_t>(j - 1);
}

// Number of whole records in a file of the given length; a shorter tail after
// the last whole record is no record.
constexpr std::uint64_t WholeRecordCount(std::uint64_t fileLength)
{
    return fileLength < kHeaderSize ? 0 : (fileLength - kHeaderSize) / kRecordSize;
}

// Offset just past the last whole record in a file of the given length, the
// end of the header when there is none: where the next record the game
// writes begins.
constexpr std::uint64_t EndOfWholeRecords(std::uint64_t fileLength)
{
    return kHeaderSize + kRecordSize * WholeRecordCount(fileLength);
}

// Letter of planet slot j: "A" for slot 1 up to "F" for slot 6.
constexpr char SlotLetter(int j)
{
    return static_cast<char>(64 + j);
}

// Little-endian decoding, independent of the host's byte order.
inline std::int16_t LoadInt16(const unsigned char* p)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

inline float LoadFloat(const unsigned char* p)
{
    const std::uint32_t bits = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
                               | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void StoreInt16(unsigned char* p, std::int16_t value)
{
    const auto bits = static_cast<std::uint16_t>(value);
    p[0] = static_cast<unsigned char>(bits & 0xFF);
    p[1] = static_cast<unsigned char>(bits >> 8);
}

inline void StoreFloat(unsigned char* p, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>((bits >> (8 * i)) & 0xFF);
    }
}

// A read-only view of one planet slot inside a record's bytes.
class PlanetSlot {
public:
    explicit PlanetSlot(const unsigned char* bytes) : m_bytes(bytes) {}
    Hab hab() const { return Hab{LoadFloat(m_bytes + kHabOffsetInSlot)}; }
    Met met() const { return Met{LoadFloat(m_bytes + kMetOffsetInSlot)}; }

private:
    const unsigned char* m_bytes;
};

// One whole system record, kept as its raw bytes so that copying it carries
// every byte along unchanged. Records read in a block lie side by side as an
// array of them.
struct SystemRecord {
    std::array<unsigned char, kRecordSize> bytes{};

    SystemNumber systemNumber() const { return LoadInt16(bytes.data() + kSystemNumberOffset); }
    PlanetCount planetCount() const { return LoadInt16(bytes.data() + kPlanetCountOffset); }
    PlanetSlot slot(int j) const { return PlanetSlot(bytes.data() + SlotOffset(j)); }

    void setSystemNumber(SystemNumber n) { StoreInt16(bytes.data() + kSystemNumberOffset, n); }
    void setPlanetCount(PlanetCount n) { StoreInt16(bytes.data() + kPlanetCountOffset, n); }
    void setPlanet(int j, Hab hab, Met met)
    {
        StoreFloat(bytes.data() + SlotOffset(j) + kHabOffsetInSlot, hab.fraction);
        StoreFloat(bytes.data() + SlotOffset(j) + kMetOffsetInSlot, met.fraction);
    }
};

static_assert(sizeof(SystemRecord) == kRecordSize, "a record is its bytes and nothing else");

// Planet slot j of a record counts only when j is not above the planet count.
constexpr bool SlotIsPlanet(int j, PlanetCount count)
{
    return j <= count;
}

} // namespace galaxy
