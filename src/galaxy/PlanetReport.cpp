#include "PlanetReport.h"

#include "PlanetLine.h"
#include "RecordStream.h"

#include <cstring>
#include <memory>

namespace galaxy {

namespace {

// Collects report text and hands it to the file in large writes.
class ReportBuffer {
public:
    static constexpr std::size_t kCapacity = std::size_t{64} * 1024;

    explicit ReportBuffer(SystemFile& file) : m_file(file), m_data(new char[kCapacity]) {}

    // Room for one more planet line, flushing first when the buffer is nearly
    // full; nullptr with the failure when that flush fails.
    char* reserveLine(GalaxyResult& failure)
    {
        if (kCapacity - m_used < kMaxPlanetLine + 2) {
            failure = flush();
            if (!failure.ok()) {
                return nullptr;
            }
        }
        return m_data.get() + m_used;
    }

    void commit(std::size_t length) { m_used += length; }

    void append(const char* text)
    {
        const std::size_t length = std::strlen(text);
        std::memcpy(m_data.get() + m_used, text, length);
        m_used += length;
    }

    // Hands the collected text to the file. When a write stops part-way the
    // report is cut back to the end of its last whole line.
    GalaxyResult flush()
    {
        std::size_t written = 0;
        GalaxyResult result = m_file.writeAt(m_offset, m_data.get(), m_used, written);
        if (!result.ok() && written > 0) {
            std::size_t whole = written;
            while (whole > 0 && m_data[whole - 1] != '\n') {
                --whole;
            }
            if (whole != written) {
                (void)m_file.truncate(m_offset + whole);
            }
            written = whole;
        }
        m_offset += written;
        m_used = 0;
        return result;
    }

private:
    SystemFile& m_file;
    std::unique_ptr<char[]> m_data;
    std::size_t m_used = 0;
    std::uint64_t m_offset = 0;
};

const GalaxyResult kOverflow = GalaxyResult::Failure(kErrorArithmeticOverflow, "Overflow");

GalaxyResult WriteLines(const GalaxyFile* galaxy, ReportBuffer& out, Thresholds thresholds, bool withRating,
                        char separator)
{
    out.append(withRating ? kReportHeaderWithRating : kReportHeader);
    out.append("\r\n\r\n");
    if (galaxy == nullptr || !galaxy->isOpen()) {
        return GalaxyResult::Failure(kErrorNoGalaxyFile, "No galaxy file is open");
    }

    RecordStream records(*galaxy);
    GalaxyResult failure;
    for (;;) {
        const SystemRecord* record = nullptr;
        GalaxyResult result = records.next(record);
        if (!result.ok()) {
            return result;
        }
        if (record == nullptr) {
            return GalaxyResult::Success();
        }
        const SystemNumber system = record->systemNumber();
        const auto writeLine = [&](int slot, float hab, float met) {
            char* line = out.reserveLine(failure);
            if (line == nullptr) {
                return false;
            }
            float rating = 0.0F;
            if (withRating) {
                bool overflow = false;
                rating = RatingOf(hab, met, overflow);
                if (overflow) {
                    failure = kOverflow;
                    return false;
                }
            }
            std::size_t length =
                FormatPlanetLine(line, system, slot, hab, met, withRating ? &rating : nullptr, separator);
            line[length++] = '\r';
            line[length++] = '\n';
            out.commit(length);
            return true;
        };
        if (!ForEachQualifyingPlanet(*record, thresholds, Overflow::Fails, writeLine)) {
            return failure.ok() ? kOverflow : failure;
        }
    }
}

} // namespace

GalaxyResult WritePlanetReport(const GalaxyFile* galaxy, const std::filesystem::path& reportPath, std::int16_t minHab,
                               std::int16_t minMet, bool withRating, char decimalSeparator)
{
    SystemFile report;
    GalaxyResult result = report.open(reportPath, SystemFile::Mode::CreateNew);
    if (!result.ok()) {
        return result;
    }
    ReportBuffer out(report);
    result = WriteLines(galaxy, out, Thresholds{minHab, minMet}, withRating, decimalSeparator);
    // The lines written before a failure stay in the report.
    GalaxyResult flushed = out.flush();
    GalaxyResult closed = report.close();
    return FirstFailure({result, flushed, closed});
}

} // namespace galaxy
