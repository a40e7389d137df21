// Builds galaxy files for tests: a header and system records with the
// planets a test asks for, every other byte set to a recognisable pattern so
// that copies can be checked byte for byte; and reads them back.
#pragma once

#include "galaxy/GalaxyFormat.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

namespace testsupport {

struct PlanetValues {
    float hab;
    float met;
};

// A record of the system with its planet count and the planets' stored
// values in slots 1, 2, ...; the slots after them hold zeros, and every byte
// the program does not interpret holds a pattern that starts with fill.
inline galaxy::SystemRecord MakeRecord(galaxy::SystemNumber system, galaxy::PlanetCount count,
                                       std::initializer_list<PlanetValues> planets = {}, unsigned char fill = 0xA5)
{
    galaxy::SystemRecord record;
    for (std::size_t i = 0; i < record.bytes.size(); ++i) {
        record.bytes[i] = static_cast<unsigned char>(fill + i * 7);
    }
    record.setSystemNumber(system);
    record.setPlanetCount(count);
    int j = 1;
    for (const PlanetValues& planet : planets) {
        record.setPlanet(j++, galaxy::Hab{planet.hab}, galaxy::Met{planet.met});
    }
    for (; j <= galaxy::kPlanetSlots; ++j) {
        record.setPlanet(j, galaxy::Hab{0.0F}, galaxy::Met{0.0F});
    }
    return record;
}

inline QByteArray RecordBytes(const galaxy::SystemRecord& record)
{
    return QByteArray(reinterpret_cast<const char*>(record.bytes.data()), static_cast<int>(record.bytes.size()));
}

// The bytes of a record as MakeRecord makes it.
inline QByteArray RecordBytes(galaxy::SystemNumber system, galaxy::PlanetCount count,
                              std::initializer_list<PlanetValues> planets = {}, unsigned char fill = 0xA5)
{
    return RecordBytes(MakeRecord(system, count, planets, fill));
}

// The whole records of a galaxy file's bytes, after its header; a shorter
// tail is no record.
inline std::vector<galaxy::SystemRecord> RecordsOf(const QByteArray& galaxy)
{
    const std::uint64_t count = galaxy::WholeRecordCount(static_cast<std::uint64_t>(galaxy.size()));
    std::vector<galaxy::SystemRecord> records(count);
    for (std::uint64_t k = 0; k < count; ++k) {
        std::memcpy(records[k].bytes.data(), galaxy.constData() + galaxy::RecordOffset(k + 1), galaxy::kRecordSize);
    }
    return records;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool AppendTo(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(bytes) == bytes.size();
}

class GalaxyBuilder {
public:
    explicit GalaxyBuilder(QByteArray header = QByteArray("GXY1", 4)) : m_bytes(std::move(header)) {}

    GalaxyBuilder& add(const galaxy::SystemRecord& record)
    {
        m_bytes += RecordBytes(record);
        return *this;
    }
    GalaxyBuilder& add(galaxy::SystemNumber system, galaxy::PlanetCount count,
                       std::initializer_list<PlanetValues> planets = {})
    {
        return add(MakeRecord(system, count, planets));
    }
    GalaxyBuilder& addRaw(const QByteArray& bytes)
    {
        m_bytes += bytes;
        return *this;
    }

    const QByteArray& bytes() const { return m_bytes; }

    bool writeTo(const QString& path) const { return WriteFile(path, m_bytes); }

private:
    QByteArray m_bytes;
};

} // namespace testsupport
