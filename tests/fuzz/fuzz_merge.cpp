// Fuzzes the merge. The input is split into a target and a source galaxy file
// (its first two bytes say where). Afterwards the target must be its old
// content (apart from the zero header of a target without records) followed
// by whole records of the source, exactly those a plain model of the merge
// appends, or unchanged when it ends in an incomplete record, and the source
// must be unchanged.
#include "FuzzFiles.h"
#include "galaxy/GalaxyMerge.h"

#include <array>
#include <cmath>

using namespace fuzzsupport;

namespace {

long RoundedCount(std::size_t length)
{
    return std::lrint((static_cast<double>(length) - 2.0) / 492.0);
}

// What the merge must leave in the target, and the error number it must report.
int ExpectedMerge(Bytes target, const Bytes& source, Bytes& out)
{
    // A target that does not end on a record boundary (1 to 3 bytes included)
    // is left exactly as it is.
    if (!target.empty() && (target.size() < 4 || (target.size() - 4) % 492 != 0)) {
        out = target;
        return galaxy::kErrorIncompleteTarget;
    }
    const long targetCount = RoundedCount(target.size());
    if (targetCount == 0) {
        if (target.size() < 4) {
            target.resize(4);
        }
        target[0] = target[1] = target[2] = target[3] = 0;
    }
    out = target;
    std::array<bool, 4097> known{};
    for (long k = 1; k <= targetCount && 4 + 492 * static_cast<std::size_t>(k) <= target.size(); ++k) {
        const int n = Int16At(target.data() + 4 + 492 * (k - 1));
        if (n < 0 || n > 4096) {
            return 9;
        }
        known[static_cast<std::size_t>(n)] = true;
    }
    const long sourceCount = RoundedCount(source.size());
    for (long k = 1; k <= sourceCount && 4 + 492 * static_cast<std::size_t>(k) <= source.size(); ++k) {
        const auto* record = source.data() + 4 + 492 * (k - 1);
        const int n = Int16At(record);
        if (n < 0 || n > 4096) {
            return 9;
        }
        if (!known[static_cast<std::size_t>(n)]) {
            out.insert(out.end(), record, record + 492);
        }
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    const std::size_t rest = size - 2;
    const std::size_t split =
        (static_cast<std::size_t>(data[0]) | (static_cast<std::size_t>(data[1]) << 8)) % (rest + 1);
    const Bytes target(data + 2, data + 2 + split);
    const Bytes source(data + 2 + split, data + size);
    const std::string targetPath = ScratchPath("target.gxy");
    const std::string sourcePath = ScratchPath("source.gxy");
    WriteFile(targetPath, target.data(), target.size());
    WriteFile(sourcePath, source.data(), source.size());

    // Blocks of a few records, so that several are written and read back;
    // nobody else writes here, so the merge need not wait before its last
    // read-back.
    galaxy::MergeTuning tuning;
    tuning.recordsPerWrite = 3;
    tuning.settle = std::chrono::milliseconds(0);
    const galaxy::GalaxyResult result = galaxy::MergeGalaxyFiles(targetPath, sourcePath, tuning);

    Bytes expected;
    const int expectedError = ExpectedMerge(target, source, expected);
    if (result.number() != expectedError) {
        Fail("the merge reported another outcome than the model");
    }
    if (ReadFile(targetPath) != expected) {
        Fail("the target is not its old content followed by the new whole source records");
    }
    if (ReadFile(sourcePath) != source) {
        Fail("the source changed");
    }
    return 0;
}
