// The outcome of a galaxy file operation: success, or an error number with the
// description that the user is shown.
#pragma once

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
    // Failure from the current value of errno, with the system's wording.
    static GalaxyResult FromErrno(int errorNumber);

    bool ok() const { return m_number == 0; }
    int number() const { return m_number; }
    const std::string& description() const { return m_description; }

private:
    int m_number = 0;
    std::string m_description;
};

} // namespace galaxy
