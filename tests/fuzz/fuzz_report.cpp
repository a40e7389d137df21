// Fuzzes the galaxy reader with the planet report. The galaxy file is the
// input; its 4-byte header, which the report never interprets, chooses the
// thresholds, the rating column and the decimal separator. The report must
// equal one built independently with the C library's %.7G, every line must
// end with CR LF, and no fill may be negative.
#include "FuzzFiles.h"
#include "galaxy/GalaxyFile.h"
#include "galaxy/PlanetReport.h"

#include <cmath>
#include <cstring>
#include <string>

using namespace fuzzsupport;

namespace {

float FloatAt(const unsigned char* p)
{
    const std::uint32_t bits = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
                               | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string Number(float value, char separator)
{
    if (value == 0.0F) {
        return "0";
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.7G", static_cast<double>(value));
    std::string result(text);
    for (char& c : result) {
        if (c == '.') {
            c = separator;
        }
    }
    return result;
}

std::string Fill(const std::string& text, int column)
{
    const int width = static_cast<int>(text.size()) + (text[0] == '-' ? 0 : 1);
    if (width > column) {
        Fail("a fill would be negative");
    }
    return std::string(static_cast<std::size_t>(column - width), ' ');
}

// The report as it must be, or false where it must fail (an overflow).
bool ExpectedReport(const unsigned char* data, std::size_t size, int minHab, int minMet, bool rating, char separator,
                    std::string& out)
{
    out =
        rating ? "Planet.Sys    Hab          Met      Murl's Rating\r\n\r\n" : "Planet.Sys    Hab          Met\r\n\r\n";
    // The thresholds are small whole numbers, each exactly a float.
    const auto habFloor = static_cast<float>(minHab);
    const auto metFloor = static_cast<float>(minMet);
    for (std::size_t at = 4; size >= 4 && at + 492 <= size; at += 492) {
        const unsigned char* record = data + at;
        const int system = Int16At(record);
        const int count = Int16At(record + 8);
        for (int j = 1; j <= 6; ++j) {
            const float habStored = FloatAt(record + 12 + 80 * (j - 1) + 32);
            const float metStored = FloatAt(record + 12 + 80 * (j - 1) + 36);
            const volatile float met = metStored * 100.0F;
            const volatile float hab = habStored * 100.0F;
            if ((std::isfinite(metStored) && !std::isfinite(met))
                || (std::isfinite(habStored) && !std::isfinite(hab))) {
                return false;
            }
            if (j > count || !std::isfinite(hab) || !std::isfinite(met) || hab < habFloor || met < metFloor) {
                continue;
            }
            const std::string systemText = std::to_string(system);
            const std::string habText = Number(hab, separator);
            const std::string metText = Number(met, separator);
            out += systemText + "." + static_cast<char>(64 + j) + Fill(systemText, 13) + habText + Fill(habText, 14)
                   + metText;
            if (rating) {
                const volatile float habTimesFive = hab * 5.0F;
                const volatile float value = habTimesFive + met;
                if (!std::isfinite(value)) {
                    return false;
                }
                const std::string ratingText = Number(value, separator);
                out += Fill(metText, 14) + ratingText;
            }
            out += "\r\n";
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string galaxyPath = ScratchPath("galaxy.gxy");
    const std::string reportPath = ScratchPath("dump.txt");
    WriteFile(galaxyPath, data, size);

    const int minHab = size >= 1 ? static_cast<std::int8_t>(data[0]) : 0;
    const int minMet = size >= 2 ? static_cast<std::int8_t>(data[1]) : 0;
    const bool rating = size >= 3 && (data[2] & 1) != 0;
    const char separator = size >= 3 && (data[2] & 2) != 0 ? ',' : '.';

    galaxy::GalaxyFile file;
    if (!file.open(galaxyPath, galaxy::GalaxyFile::Mode::ReadShared).ok()) {
        Fail("the galaxy file did not open");
    }
    // A new report each run, as the dump writes one after deleting the old.
    std::remove(reportPath.c_str());
    const galaxy::GalaxyResult result = galaxy::WritePlanetReport(&file, reportPath, static_cast<std::int16_t>(minHab),
                                                                  static_cast<std::int16_t>(minMet), rating, separator);
    const Bytes written = ReadFile(reportPath);
    const std::string report(written.begin(), written.end());

    std::string expected;
    const bool succeeds = ExpectedReport(data, size, minHab, minMet, rating, separator, expected);
    if (succeeds != result.ok()) {
        Fail("the report succeeded where it must fail, or failed where it must succeed");
    }
    if (succeeds ? report != expected : expected.compare(0, report.size(), report) != 0) {
        Fail("the report differs from the independent one (a failed report must be its beginning)");
    }
    // Every line ends with CR LF, also the last; a failed report keeps whole lines only.
    if (report.size() < 4 || report.compare(report.size() - 2, 2, "\r\n") != 0) {
        Fail("the report does not end with CR LF");
    }
    for (std::size_t i = 0; i < report.size(); ++i) {
        if (report[i] == '\n' && (i == 0 || report[i - 1] != '\r')) {
            Fail("a line ends without CR LF");
        }
    }
    return 0;
}
