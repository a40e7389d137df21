// The outcome of a galaxy file operation: success, or an error number with the
// description that the user is shown.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

namespace galaxy {

// Error numbers of the merge's own checks.
inline constexpr int kErrorSubscriptOutOfRange = 9;
inline constexpr int kErrorOverflow = 6;
// A percent value or rating that leaves the single-precision range.
inline constexpr int kErrorArithmeticOverflow = kErrorOverflow;
// No galaxy file is open.
inline constexpr int kErrorNoGalaxyFile = 52;

// This program's own refusals. They lie above every error number the
// systems use (errno values stay below 200, Windows system error codes below
// 16000), so a number in a message tells whose it is.
//
// A device, a pipe or anything else that is no plain file where a galaxy
// file or a report belongs.
inline constexpr int kErrorNotAPlainFile = 20001;
// A merge target whose length is neither 0 nor 4 + 492 x n.
inline constexpr int kErrorIncompleteTarget = 20002;
// A merge target that changed under the merge: another program wrote to it,
// so that the target grew beyond the merge's own bytes, or the bytes the
// merge wrote do not read back as written, or its length left the grid of
// whole records.
inline constexpr int kErrorTargetChanged = 20003;
// A merge source that got shorter while the merge read it.
inline constexpr int kErrorSourceShrank = 20004;

class [[nodiscard]] GalaxyResult {
public:
    GalaxyResult() = default;
    static GalaxyResult Success() { return {}; }
    static GalaxyResult Failure(int number, std::string description)
    {
        GalaxyResult result;
        result.m_number = number;
        result.m_description = std::move(description);
        return result;
    }
    // Failure from an error number of the operating system (errno on POSIX
    // systems, GetLastError on Windows), with the system's own wording.
    static GalaxyResult FromSystemError(unsigned long code);

    bool ok() const { return m_number == 0; }
    int number() const { return m_number; }
    const std::string& description() const { return m_description; }

private:
    int m_number = 0;
    std::string m_description;
};

// A device, a pipe or anything else that is no plain file was given.
inline GalaxyResult NotAPlainFile()
{
    return GalaxyResult::Failure(kErrorNotAPlainFile, "Not a plain file (a device or a pipe)");
}

// The first failure among results given in the order in which they count,
// success when there is none: the outcome of some work and of the steps that
// end it (a last write, closing the files), where a failure of the work
// itself is the one to tell.
inline GalaxyResult FirstFailure(std::initializer_list<GalaxyResult> results)
{
    for (const GalaxyResult& result : results) {
        if (!result.ok()) {
            return result;
        }
    }
    return GalaxyResult::Success();
}

} // namespace galaxy
