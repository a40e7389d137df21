// Caps the size of the files this process writes for as long as it lives: a
// write beyond the cap fails (EFBIG) instead of stopping the process, as on
// a disk that is full or a file system with a size limit.
//
// Windows has no such cap for a process: there a case that needs one starts
// with QUARRIMAX_NEEDS_FILE_SIZE_CAP(), which skips it and says why.
#pragma once

#include <cstdint>

#ifdef _WIN32

namespace testsupport {

inline constexpr bool kFileSizeCapExists = false;

class FileSizeCap {
public:
    explicit FileSizeCap(std::int64_t) {}
    FileSizeCap(const FileSizeCap&) = delete;
    FileSizeCap& operator=(const FileSizeCap&) = delete;
    bool ok() const { return false; }
};

} // namespace testsupport

#else

#include <csignal>
#include <sys/resource.h>

namespace testsupport {

inline constexpr bool kFileSizeCapExists = true;

class FileSizeCap {
public:
    explicit FileSizeCap(std::int64_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        m_ok = ::getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        rlimit capped = m_old;
        capped.rlim_cur = static_cast<rlim_t>(bytes);
        m_ok = m_ok && ::setrlimit(RLIMIT_FSIZE, &capped) == 0;
    }
    ~FileSizeCap()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeCap(const FileSizeCap&) = delete;
    FileSizeCap& operator=(const FileSizeCap&) = delete;

    // Whether the cap is in place.
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};

} // namespace testsupport

#endif

#define QUARRIMAX_NEEDS_FILE_SIZE_CAP()                                                                                \
    do {                                                                                                               \
        if (!testsupport::kFileSizeCapExists) {                                                                        \
            QSKIP("Windows cannot cap the size of the files one process writes: a full disk is not made "              \
                  "here");                                                                                             \
        }                                                                                                              \
    } while (false)
