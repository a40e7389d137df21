// Runs a check as an ordinary user. Permission checks do not hold for root,
// so when the tests run as root the check runs in a child process that has
// given up root for the "nobody" user; elsewhere it runs as it is.
#pragma once

#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

inline constexpr uid_t kNobody = 65534;

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

} // namespace testsupport
