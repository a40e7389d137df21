// galaxy_bench: drives the galaxy core from the command line, for
// measurements and for checking it from outside.
//
//   galaxy_bench generate FILE RECORDS [--seed N]
//   galaxy_bench dump GALAXY REPORT MINHAB MINMET [--rating] [--separator C]
//   galaxy_bench merge TARGET SOURCE [--records-per-write N]
//   galaxy_bench baseline-dump GALAXY REPORT MINHAB MINMET [--rating] [--separator C]
//   galaxy_bench hold GALAXY SECONDS
#include "BaselineReport.h"
#include "galaxy/GalaxyFile.h"
#include "galaxy/GalaxyFormat.h"
#include "galaxy/GalaxyMerge.h"
#include "galaxy/PlanetReport.h"
#include "galaxy/TypedNumbers.h"

#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr int kBadArguments = 2;

const char* const kUsage =
    "usage:\n"
    "  galaxy_bench generate FILE RECORDS [--seed N]\n"
    "      write a synthetic galaxy file of RECORDS records (the same bytes for the same seed)\n"
    "  galaxy_bench dump GALAXY REPORT MINHAB MINMET [--rating] [--separator C]\n"
    "      write the planet report of GALAXY to REPORT\n"
    "  galaxy_bench merge TARGET SOURCE [--records-per-write N]\n"
    "      append the systems of SOURCE that TARGET lacks to TARGET, N records per write\n"
    "      (default 2048; small blocks give a writer racing the merge more chances)\n"
    "  galaxy_bench baseline-dump GALAXY REPORT MINHAB MINMET [--rating] [--separator C]\n"
    "      the same report by the plain stdio writer used as a yardstick\n"
    "  galaxy_bench hold GALAXY SECONDS\n"
    "      open GALAXY as the galaxy selection does and keep it open for SECONDS; prints\n"
    "      \"open\" once it is, and at the end the length the open file has then\n";

int BadArguments(const char* message)
{
    std::fprintf(stderr, "galaxy_bench: %s\n%s", message, kUsage);
    return kBadArguments;
}

// splitmix64: a small generator whose output depends only on the seed.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    std::uint32_t below(std::uint32_t bound) { return static_cast<std::uint32_t>(next() % bound); }
    float fraction() { return static_cast<float>(next() >> 40) / 16777216.0F; }

private:
    std::uint64_t m_state;
};

bool ParseUnsigned(std::string_view text, std::uint64_t& value)
{
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && ptr == text.data() + text.size();
}

int Generate(int argc, char** argv)
{
    if (argc != 4 && argc != 6) {
        return BadArguments("generate takes FILE RECORDS [--seed N]");
    }
    std::uint64_t records = 0;
    std::uint64_t seed = 1;
    if (!ParseUnsigned(argv[3], records)) {
        return BadArguments("RECORDS must be a whole number");
    }
    if (argc == 6 && (std::strcmp(argv[4], "--seed") != 0 || !ParseUnsigned(argv[5], seed))) {
        return BadArguments("expected --seed N with a whole number N");
    }
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "galaxy_bench: cannot create %s: %s\n", argv[2], std::strerror(errno));
        return 1;
    }
    Random random(seed);
    unsigned char header[galaxy::kHeaderSize];
    for (auto& b : header) {
        b = static_cast<unsigned char>(random.next());
    }
    bool ok = std::fwrite(header, sizeof header, 1, out) == 1;
    galaxy::SystemRecord record;
    for (std::uint64_t k = 0; k < records && ok; ++k) {
        for (auto& b : record.bytes) {
            b = static_cast<unsigned char>(random.next());
        }
        record.setSystemNumber(static_cast<galaxy::SystemNumber>(random.below(4097)));
        record.setPlanetCount(static_cast<galaxy::PlanetCount>(random.below(7)));
        for (int j = 1; j <= galaxy::kPlanetSlots; ++j) {
            const float hab = random.fraction();
            const float met = random.fraction();
            record.setPlanet(j, galaxy::Hab{hab}, galaxy::Met{met});
        }
        ok = std::fwrite(record.bytes.data(), record.bytes.size(), 1, out) == 1;
    }
    if (std::fclose(out) != 0 || !ok) {
        std::fprintf(stderr, "galaxy_bench: writing %s failed\n", argv[2]);
        return 1;
    }
    return 0;
}

struct DumpArguments {
    const char* galaxy = nullptr;
    const char* report = nullptr;
    std::int16_t minHab = 0;
    std::int16_t minMet = 0;
    bool rating = false;
    char separator = '.';
};

int ParseDump(int argc, char** argv, DumpArguments& args)
{
    if (argc < 6) {
        return BadArguments("dump takes GALAXY REPORT MINHAB MINMET [--rating] [--separator C]");
    }
    args.galaxy = argv[2];
    args.report = argv[3];
    const auto minHab = galaxy::TextToInt16(argv[4]);
    const auto minMet = galaxy::TextToInt16(argv[5]);
    if (!minHab || !minMet) {
        return BadArguments("MINHAB and MINMET must lie between -32768 and 32767");
    }
    args.minHab = *minHab;
    args.minMet = *minMet;
    for (int i = 6; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rating") == 0) {
            args.rating = true;
        } else if (std::strcmp(argv[i], "--separator") == 0 && i + 1 < argc && std::strlen(argv[i + 1]) == 1) {
            args.separator = argv[++i][0];
        } else {
            return BadArguments("unknown option for dump");
        }
    }
    return 0;
}

int Dump(int argc, char** argv)
{
    DumpArguments args;
    if (const int status = ParseDump(argc, argv, args); status != 0) {
        return status;
    }
    galaxy::GalaxyFile file;
    galaxy::GalaxyResult result = file.open(args.galaxy, galaxy::GalaxyFile::Mode::ReadShared);
    if (result.ok()) {
        result = galaxy::WritePlanetReport(&file, args.report, args.minHab, args.minMet, args.rating, args.separator);
    }
    if (!result.ok()) {
        std::printf("dump failed: error %d: %s\n", result.number(), result.description().c_str());
        return 1;
    }
    return 0;
}

int BaselineDump(int argc, char** argv)
{
    DumpArguments args;
    if (const int status = ParseDump(argc, argv, args); status != 0) {
        return status;
    }
    if (bench::BaselineWritePlanetReport(args.galaxy, args.report, args.minHab, args.minMet, args.rating,
                                         args.separator)
        != 0) {
        std::printf("baseline dump failed\n");
        return 1;
    }
    return 0;
}

int Merge(int argc, char** argv)
{
    galaxy::MergeTuning tuning;
    std::uint64_t records = 0;
    if (argc == 6 && std::strcmp(argv[4], "--records-per-write") == 0 && ParseUnsigned(argv[5], records)
        && records > 0 && records <= 65536) {
        tuning.recordsPerWrite = static_cast<std::size_t>(records);
    } else if (argc != 4) {
        return BadArguments("merge takes TARGET SOURCE [--records-per-write N] with N from 1 to 65536");
    }
    const galaxy::GalaxyResult result = galaxy::MergeGalaxyFiles(argv[2], argv[3], tuning);
    if (!result.ok()) {
        std::printf("error %d: %s\n", result.number(), result.description().c_str());
        return 1;
    }
    return 0;
}

// Holds a galaxy file open the way the selection of a galaxy does, so that
// what another program can do to it meanwhile (write, delete, replace it)
// can be tried from outside.
int Hold(int argc, char** argv)
{
    std::uint64_t seconds = 0;
    if (argc != 4 || !ParseUnsigned(argv[3], seconds) || seconds > 3600) {
        return BadArguments("hold takes GALAXY SECONDS with SECONDS from 0 to 3600");
    }
    galaxy::GalaxyFile file;
    galaxy::GalaxyResult result = file.open(argv[2], galaxy::GalaxyFile::Mode::ReadShared);
    if (!result.ok()) {
        std::printf("open failed: error %d: %s\n", result.number(), result.description().c_str());
        return 1;
    }
    std::printf("open\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    std::uint64_t length = 0;
    result = file.length(length);
    if (!result.ok()) {
        std::printf("length failed: error %d: %s\n", result.number(), result.description().c_str());
        return 1;
    }
    std::printf("length %llu\n", static_cast<unsigned long long>(length));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(kUsage, stdout);
        return kBadArguments;
    }
    const std::string_view command = argv[1];
    if (command == "generate") {
        return Generate(argc, argv);
    }
    if (command == "dump") {
        return Dump(argc, argv);
    }
    if (command == "merge") {
        return Merge(argc, argv);
    }
    if (command == "baseline-dump") {
        return BaselineDump(argc, argv);
    }
    if (command == "hold") {
        return Hold(argc, argv);
    }
    return BadArguments("unknown command");
}
