// Runs a check as an ordinary user. Permission checks do not hold for root,
// so when the tests run as root the check runs in a child process that has
// given up root for the "nobody" user; elsewhere it runs as it is. Windows
// has no root whom permission checks let through: there it always runs as it
// is.
#pragma once

#include <functional>

#ifdef _WIN32
#include <cstdio>
#include <io.h>
#include <string>
#include <sys/stat.h>
#include <windows.h>
#else
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace testsupport {

#ifdef _WIN32

inline bool RunningAsRoot()
{
    return false;
}

inline int RunUnprivileged(const std::function<int()>& check)
{
    return check();
}

// Whether a file marked read-only (chmod without the owner's write bit, the
// read-only attribute) refuses to be written here. On Windows it does; under
// Wine run by root it does not, since root writes any file.
inline bool ReadOnlyIsKept()
{
    char folder[MAX_PATH + 1] = {};
    if (::GetTempPathA(sizeof folder, folder) == 0) {
        return false;
    }
    const std::string probe = std::string(folder) + "quarrimax-read-only-" + std::to_string(::GetCurrentProcessId());
    std::FILE* file = std::fopen(probe.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    ::_chmod(probe.c_str(), _S_IREAD);
    std::FILE* again = std::fopen(probe.c_str(), "wb");
    const bool kept = again == nullptr;
    if (again != nullptr) {
        std::fclose(again);
    }
    ::_chmod(probe.c_str(), _S_IREAD | _S_IWRITE);
    std::remove(probe.c_str());
    return kept;
}

#define QUARRIMAX_NEEDS_READ_ONLY_KEPT()                                                                               \
    do {                                                                                                               \
        if (!testsupport::ReadOnlyIsKept()) {                                                                          \
            QSKIP("a file marked read-only is written all the same here (Wine run by root writes any "                 \
                  "file): Windows keeps it");                                                                          \
        }                                                                                                              \
    } while (false)

#else

inline constexpr uid_t kNobody = 65534;

inline bool RunningAsRoot()
{
    return ::geteuid() == 0;
}

// Elsewhere root is run as nobody for such checks.
#define QUARRIMAX_NEEDS_READ_ONLY_KEPT()                                                                               \
    do {                                                                                                               \
    } while (false)

// Returns what check returned, or -1 when the child could not drop root.
inline int RunUnprivileged(const std::function<int()>& check)
{
    if (::geteuid() != 0) {
        return check();
    }
    const pid_t child = ::fork();
    if (child < 0) {
        return -1;
    }
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            _exit(255);
        }
        _exit(check());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 255) {
        return -1;
    }
    return WEXITSTATUS(status);
}

#endif

} // namespace testsupport
