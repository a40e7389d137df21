// What a test's stand-in for the game, a second process that appends records
// to a galaxy file, writes through: a handle that only appends, in binary, so
// that every write lands whole at the end of the file whatever else writes
// there, and no byte is turned into another (on Windows a text-mode handle
// would write each 0x0A as 0x0D 0x0A). Its standard input and output, over
// which the test drives it, are binary too.
#pragma once

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <fcntl.h>
#include <thread>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace testsupport {

#ifdef _WIN32
// A binary file descriptor on a handle with these access rights to the
// existing file at path, shared every way; -1 when it does not open.
inline int OpenExistingForWriting(const char* path, DWORD access)
{
    const HANDLE handle = ::CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
    }
    return fd;
}
#endif

// A file descriptor open for appending to the existing file at path, -1 when
// it does not open. On Windows the handle has the right to append and no
// other write right: the system then puts each write at the end of the file.
inline int OpenGalaxyToAppend(const char* path)
{
#ifdef _WIN32
    return OpenExistingForWriting(path, FILE_APPEND_DATA);
#else
    return ::open(path, O_WRONLY | O_APPEND);
#endif
}

// A file descriptor open for writing to the existing file at path where the
// writer puts it, as plain programs append: they take the end of the file
// first (SeekToEnd) and write there, whatever came after meanwhile. -1 when
// it does not open.
inline int OpenGalaxyToWrite(const char* path)
{
#ifdef _WIN32
    return OpenExistingForWriting(path, GENERIC_WRITE);
#else
    return ::open(path, O_WRONLY);
#endif
}

// Puts the next write of fd at the end of the file as it is now.
inline bool SeekToEnd(int fd)
{
#ifdef _WIN32
    return ::_lseeki64(fd, 0, SEEK_END) >= 0;
#else
    return ::lseek(fd, 0, SEEK_END) >= 0;
#endif
}

// Cuts (or extends) the file of fd to length bytes.
inline bool CutFile(int fd, long long length)
{
#ifdef _WIN32
    return ::_chsize_s(fd, length) == 0;
#else
    return ::ftruncate(fd, static_cast<off_t>(length)) == 0;
#endif
}

// Standard input and output carry bytes as they are.
inline void BinaryStandardStreams()
{
#ifdef _WIN32
    ::_setmode(0, _O_BINARY);
    ::_setmode(1, _O_BINARY);
#endif
}

inline bool WriteAllTo(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
#ifdef _WIN32
        const int n = ::_write(fd, bytes, static_cast<unsigned int>(size));
#else
        const ssize_t n = ::write(fd, bytes, size);
#endif
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// One byte read from fd, '\0' at its end or on an error.
inline char ReadByteFrom(int fd)
{
    char c = 0;
    long n;
    do {
#ifdef _WIN32
        n = ::_read(fd, &c, 1);
#else
        n = static_cast<long>(::read(fd, &c, 1));
#endif
    } while (n < 0 && errno == EINTR);
    return n == 1 ? c : '\0';
}

// A pause between two writes. Windows sleeps a millisecond at the least (a
// shorter usleep there does not sleep at all), so the game is slower there.
inline void Pause(int microseconds)
{
    std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

inline void CloseFile(int fd)
{
#ifdef _WIN32
    ::_close(fd);
#else
    ::close(fd);
#endif
}

} // namespace testsupport
