// galaxy_bench: drives the galaxy core from the command line, for
// measurements and for checking it from outside.
//
//   galaxy_bench generate FILE RECORDS [--seed N] [--any-values]
//   galaxy_bench dump GALAXY REPORT MINHAB MINMET [--rating] [--separator C]
//   galaxy_bench merge TARGET SOURCE [--records-per-write N] [--settle MS]
//   galaxy_bench baseline-dump GALAXY REPORT MINHAB MINMET [--rating] [--separator C]
//   galaxy_bench hold GALAXY SECONDS
//   galaxy_bench append TARGET SOURCE [--piece BYTES] [--pause MS]
//   galaxy_bench numbers COUNT [--seed N] [--locale NAME]
#include "BaselineReport.h"
#include "galaxy/GalaxyFile.h"
#include "galaxy/GalaxyFormat.h"
#include "galaxy/GalaxyMerge.h"
#include "galaxy/PlanetLine.h"
#include "galaxy/PlanetReport.h"
#include "galaxy/TypedNumbers.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr int kBadArguments = 2;

const char* const kUsage =
    "usage:\n"
    "  galaxy_bench generate FILE RECORDS [--seed N] [--any-values]\n"
    "      write a synthetic galaxy file of RECORDS records (the same bytes for the same seed);\n"
    "      with --any-values Hab and Met are singles of every kind, not only fractions\n"
    "  galaxy_bench dump GALAXY REPORT MINHAB MINMET [--rating] [--separator C]\n"
    "      write the planet report of GALAXY to REPORT\n"
    "  galaxy_bench merge TARGET SOURCE [--records-per-write N] [--settle MS]\n"
    "      append the systems of SOURCE that TARGET lacks to TARGET, N records per write\n"
    "      (default 2048; small blocks give a writer racing the merge more chances), waiting\n"
    "      MS milliseconds (default 5) after the last write before everything is read back\n"
    "  galaxy_bench baseline-dump GALAXY REPORT MINHAB MINMET [--rating] [--separator C]\n"
    "      the same report by the plain stdio writer used as a yardstick\n"
    "  galaxy_bench hold GALAXY SECONDS\n"
    "      open GALAXY as the galaxy selection does and keep it open for SECONDS; prints\n"
    "      \"open\" once it is, and at the end the length the open file has then\n"
    "  galaxy_bench append TARGET SOURCE [--piece BYTES] [--pause MS]\n"
    "      append the records of SOURCE to TARGET as a game does, BYTES at a time (default 492)\n"
    "      with a pause of MS milliseconds (default 0) after each piece\n"
    "  galaxy_bench numbers COUNT [--seed N] [--locale NAME]\n"
    "      print COUNT singles in the report's number form and COUNT typed texts with the bits of\n"
    "      their values, the same on every system; NAME is a C library locale to run in\n";

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

// A stored Hab or Met of any kind: not a number, infinite, zero, subnormal,
// negative, huge or an ordinary fraction, but never one whose percent value
// or rating leaves the single range (2^116 x 100 x 6 stays below 2^128).
float AnyValue(Random& random)
{
    auto bits = static_cast<std::uint32_t>(random.next());
    const std::uint32_t sign = bits & 0x80000000U;
    switch (random.below(16)) {
    case 0: bits |= 0x7FC00000U; break;       // not a number
    case 1: bits = sign | 0x7F800000U; break; // infinite
    case 2: bits = sign; break;               // zero
    case 3: bits &= 0x807FFFFFU; break;       // subnormal
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9: // any exponent up to 2^116
        bits = sign | (random.below(0xF4) << 23) | (bits & 0x7FFFFFU);
        break;
    default: {
        const float value = random.fraction();
        return sign != 0 ? -value : value;
    }
    }
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int Generate(int argc, char** argv)
{
    if (argc < 4) {
        return BadArguments("generate takes FILE RECORDS [--seed N] [--any-values]");
    }
    std::uint64_t records = 0;
    std::uint64_t seed = 1;
    bool anyValues = false;
    if (!ParseUnsigned(argv[3], records)) {
        return BadArguments("RECORDS must be a whole number");
    }
    for (int i = 4; i < argc; ++i) {
        if (std::strcmp(argv[i], "--any-values") == 0) {
            anyValues = true;
        } else if (std::strcmp(argv[i], "--seed") != 0 || i + 1 >= argc || !ParseUnsigned(argv[++i], seed)) {
            return BadArguments("expected --seed N with a whole number N, or --any-values");
        }
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
            const float hab = anyValues ? AnyValue(random) : random.fraction();
            const float met = anyValues ? AnyValue(random) : random.fraction();
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
    // The thresholds of the dump command, refused beyond the 16-bit range.
    const auto thresholds = galaxy::ThresholdsOf(argv[4], argv[5], galaxy::OutOfRange::Refused);
    if (!thresholds) {
        return BadArguments("MINHAB and MINMET must lie between -32768 and 32767");
    }
    args.minHab = thresholds->minHab;
    args.minMet = thresholds->minMet;
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
        // The report is written as a new file, as the program writes it
        // after deleting the old one.
        std::error_code ignored;
        std::filesystem::remove(args.report, ignored);
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
    if (argc < 4) {
        return BadArguments("merge takes TARGET SOURCE [--records-per-write N] [--settle MS]");
    }
    for (int i = 4; i < argc; i += 2) {
        std::uint64_t value = 0;
        if (i + 1 >= argc || !ParseUnsigned(argv[i + 1], value)) {
            return BadArguments("expected --records-per-write N or --settle MS with a whole number");
        }
        if (std::strcmp(argv[i], "--records-per-write") == 0 && value > 0 && value <= 65536) {
            tuning.recordsPerWrite = static_cast<std::size_t>(value);
        } else if (std::strcmp(argv[i], "--settle") == 0 && value <= 1000) {
            tuning.settle = std::chrono::milliseconds(value);
        } else {
            return BadArguments("merge takes [--records-per-write N] with N from 1 to 65536 and [--settle MS] "
                                "with MS from 0 to 1000");
        }
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

// Appends like a second program, with the C library alone: the file opened
// for appending and each piece handed to the system before the pause.
int Append(int argc, char** argv)
{
    if (argc < 4) {
        return BadArguments("append takes TARGET SOURCE [--piece BYTES] [--pause MS]");
    }
    std::uint64_t piece = galaxy::kRecordSize;
    std::uint64_t pause = 0;
    for (int i = 4; i < argc; i += 2) {
        std::uint64_t* option = std::strcmp(argv[i], "--piece") == 0   ? &piece
                                : std::strcmp(argv[i], "--pause") == 0 ? &pause
                                                                       : nullptr;
        if (option == nullptr || i + 1 >= argc || !ParseUnsigned(argv[i + 1], *option)) {
            return BadArguments("expected --piece BYTES or --pause MS with a whole number");
        }
    }
    if (piece == 0) {
        return BadArguments("BYTES must be at least 1");
    }
    std::FILE* in = std::fopen(argv[3], "rb");
    if (in == nullptr) {
        std::fprintf(stderr, "galaxy_bench: cannot open %s: %s\n", argv[3], std::strerror(errno));
        return 1;
    }
    std::vector<unsigned char> records;
    unsigned char block[65536];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, in)) > 0;) {
        records.insert(records.end(), block, block + got);
    }
    const bool readFailed = std::ferror(in) != 0;
    std::fclose(in);
    if (readFailed) {
        std::fprintf(stderr, "galaxy_bench: reading %s failed\n", argv[3]);
        return 1;
    }
    std::size_t whole = galaxy::WholeRecordCount(records.size()) * galaxy::kRecordSize;
    std::FILE* out = std::fopen(argv[2], "ab");
    if (out == nullptr) {
        std::fprintf(stderr, "galaxy_bench: cannot open %s: %s\n", argv[2], std::strerror(errno));
        return 1;
    }
    bool ok = true;
    for (std::size_t at = galaxy::kHeaderSize; ok && at < galaxy::kHeaderSize + whole; at += piece) {
        const std::size_t size = std::min<std::size_t>(piece, galaxy::kHeaderSize + whole - at);
        ok = std::fwrite(records.data() + at, 1, size, out) == size && std::fflush(out) == 0;
        if (pause > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pause));
        }
    }
    if (std::fclose(out) != 0 || !ok) {
        std::fprintf(stderr, "galaxy_bench: writing %s failed\n", argv[2]);
        return 1;
    }
    return 0;
}

// Singles worth printing: any bit pattern, percent values, the neighbours of
// powers of ten and halves at the seventh digit.
float NumberCase(Random& random, std::uint64_t k)
{
    float value = 0.0F;
    switch (k % 4) {
    case 0: {
        const auto bits = static_cast<std::uint32_t>(random.next());
        std::memcpy(&value, &bits, sizeof value);
        break;
    }
    case 1: value = random.fraction() * 100.0F; break;
    case 2: {
        const float power = static_cast<float>(std::pow(10.0, static_cast<double>(random.below(84)) - 45.0));
        value = std::nextafter(power, random.below(2) == 0 ? 0.0F : 1e38F);
        break;
    }
    default: value = static_cast<float>(1000000U + random.below(7000000U)) + 0.5F; break;
    }
    return random.below(8) == 0 ? -value : value;
}

// Texts a player or a stored setting might hold, and some none would.
std::string TextCase(Random& random)
{
    static const char* const kPrefixes[] = {"", " ", "\t", "+", "-", "  -"};
    std::string text = kPrefixes[random.below(6)];
    const std::uint32_t digits = random.below(10) == 0 ? 1 + random.below(900) : random.below(25);
    const std::uint32_t point = random.below(digits + 2);
    for (std::uint32_t i = 0; i < digits; ++i) {
        if (i == point) {
            text += '.';
        }
        text += static_cast<char>('0' + random.below(10));
    }
    if (random.below(3) == 0) {
        text += random.below(2) == 0 ? 'e' : 'E';
        static const char* const kSigns[] = {"", "+", "-"};
        text += kSigns[random.below(3)];
        text += std::to_string(random.below(random.below(4) == 0 ? 400 : 40));
    }
    static const char* const kTails[] = {"", "", "x", ",5", " 7", "%"};
    text += kTails[random.below(6)];
    return text;
}

int Numbers(int argc, char** argv)
{
    std::uint64_t count = 0;
    std::uint64_t seed = 1;
    const char* locale = nullptr;
    if (argc < 3 || !ParseUnsigned(argv[2], count)) {
        return BadArguments("numbers takes COUNT [--seed N] [--locale NAME]");
    }
    for (int i = 3; i < argc; i += 2) {
        if (i + 1 < argc && std::strcmp(argv[i], "--seed") == 0 && ParseUnsigned(argv[i + 1], seed)) {
            continue;
        }
        if (i + 1 < argc && std::strcmp(argv[i], "--locale") == 0) {
            locale = argv[i + 1];
            continue;
        }
        return BadArguments("expected --seed N or --locale NAME");
    }
    if (locale != nullptr) {
        if (std::setlocale(LC_ALL, locale) == nullptr) {
            std::fprintf(stderr, "galaxy_bench: no locale %s\n", locale);
            return 1;
        }
        // For the caller to see that the locale is in force.
        std::fprintf(stderr, "decimal point of %s: %s\n", locale, std::localeconv()->decimal_point);
    }
    Random random(seed);
    char text[galaxy::kMaxNumberText + 8];
    for (std::uint64_t k = 0; k < count; ++k) {
        const float value = NumberCase(random, k);
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        const std::size_t length = galaxy::FormatReportNumber(value, '.', text);
        std::printf("%08lx %.*s\n", static_cast<unsigned long>(bits), static_cast<int>(length), text);
    }
    for (std::uint64_t k = 0; k < count; ++k) {
        const std::string typed = TextCase(random);
        const double value = galaxy::LeadingNumber(typed);
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        std::printf("%016llx [%s]\n", static_cast<unsigned long long>(bits), typed.c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // Lines end in \n on every system, so that what it prints compares as it is.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
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
    if (command == "append") {
        return Append(argc, argv);
    }
    if (command == "numbers") {
        return Numbers(argc, argv);
    }
    return BadArguments("unknown command");
}
