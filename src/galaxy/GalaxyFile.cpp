#include "GalaxyFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

namespace galaxy {

GalaxyResult GalaxyResult::FromErrno(int errorNumber)
{
    if (errorNumber == 0) {
        errorNumber = EIO;
    }
    return Failure(errorNumber, std::strerror(errorNumber));
}

GalaxyFile::~GalaxyFile()
{
    (void)close();
}

GalaxyFile::GalaxyFile(GalaxyFile&& other) noexcept : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

GalaxyFile& GalaxyFile::operator=(GalaxyFile&& other) noexcept
{
    if (this != &other) {
        (void)close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

#ifdef _WIN32

GalaxyResult GalaxyFile::open(const std::filesystem::path& path, Mode mode)
{
    (void)close();
    int flags = _O_BINARY | _O_NOINHERIT;
    switch (mode) {
    case Mode::ReadShared: flags |= _O_RDONLY; break;
    case Mode::ReadWriteCreate: flags |= _O_RDWR | _O_CREAT; break;
    case Mode::WriteTruncate: flags |= _O_WRONLY | _O_CREAT | _O_TRUNC; break;
    }
    const errno_t err = _wsopen_s(&m_fd, path.c_str(), flags, _SH_DENYNO, _S_IREAD | _S_IWRITE);
    if (err != 0) {
        m_fd = -1;
        return GalaxyResult::FromErrno(err);
    }
    return GalaxyResult::Success();
}

GalaxyResult GalaxyFile::close()
{
    if (m_fd < 0) {
        return GalaxyResult::Success();
    }
    const int rc = _close(m_fd);
    m_fd = -1;
    return rc == 0 ? GalaxyResult::Success() : GalaxyResult::FromErrno(errno);
}

GalaxyResult GalaxyFile::length(std::uint64_t& out) const
{
    const __int64 len = _filelengthi64(m_fd);
    if (len < 0) {
        return GalaxyResult::FromErrno(errno);
    }
    out = static_cast<std::uint64_t>(len);
    return GalaxyResult::Success();
}

GalaxyResult GalaxyFile::readAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& got) const
{
    got = 0;
    if (_lseeki64(m_fd, static_cast<__int64>(offset), SEEK_SET) < 0) {
        return GalaxyResult::FromErrno(errno);
    }
    const int n = _read(m_fd, buffer, static_cast<unsigned>(size));
    if (n < 0) {
        return GalaxyResult::FromErrno(errno);
    }
    got = static_cast<std::size_t>(n);
    return GalaxyResult::Success();
}

GalaxyResult GalaxyFile::writeAt(std::uint64_t offset, const void* buffer, std::size_t size, std::size_t& written)
{
    written = 0;
    if (_lseeki64(m_fd, static_cast<__int64>(offset), SEEK_SET) < 0) {
        return GalaxyResult::FromErrno(errno);
    }
    const auto* bytes = static_cast<const char*>(buffer);
    while (written < size) {
        const int n = _write(m_fd, bytes + written, static_cast<unsigned>(size - written));
        if (n <= 0) {
            return GalaxyResult::FromErrno(n < 0 ? errno : ENOSPC);
        }
        written += static_cast<std::size_t>(n);
    }
    return GalaxyResult::Success();
}

GalaxyResult GalaxyFile::truncate(std::uint64_t length)
{
    return _chsize_s(m_fd, static_cast<__int64>(length)) == 0 ? GalaxyResult::Success()
                                                               : GalaxyResult::FromErrno(errno);
}

#else

GalaxyResult GalaxyFile::open(const std::filesystem::path& path, Mode mode)
{
    (void)close();
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::ReadShared: flags |= O_RDONLY; break;
    case Mode::ReadWriteCreate: flags |= O_RDWR | O_CREAT; break;
    case Mode::WriteTruncate: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    }
    // Opened without waiting, so that a named pipe in a file's place cannot
    // hold the program until some other program opens it too.
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return GalaxyResult::FromErrno(errno);
    }
    // Only a plain file is a galaxy file or a report: a folder opens read-only
    // on POSIX systems, and a pipe or a device would never end or keep nothing.
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return GalaxyResult::FromErrno(error);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return S_ISDIR(info.st_mode) ? GalaxyResult::FromErrno(EISDIR)
                                     : GalaxyResult::Failure(EINVAL, "Not a plain file");
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) < 0) {
        const int error = errno;
        ::close(fd);
        return GalaxyResult::FromErrno(error);
    }
    m_fd = fd;
    return GalaxyResult::Success();
}

GalaxyResult GalaxyFile::close()
{
    if (m_fd < 0) {
        return GalaxyResult::Success();
    }
    const int rc = ::close(m_fd);
    m_fd = -1;
    return rc == 0 || errno == EINTR ? GalaxyResult::Success() : GalaxyResult::FromErrno(errno);
}

GalaxyResult GalaxyFile::length(std::uint64_t& out) const
{
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) {
        return GalaxyResult::FromErrno(errno);
    }
    out = static_cast<std::uint64_t>(info.st_size);
    return GalaxyResult::Success();
}

GalaxyResult GalaxyFile::readAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& got) const
{
    got = 0;
    ssize_t n;
    do {
        n = ::pread(m_fd, buffer, size, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return GalaxyResult::FromErrno(errno);
    }
    got = static_cast<std::size_t>(n);
    return GalaxyResult::Success();
}

GalaxyResult GalaxyFile::writeAt(std::uint64_t offset, const void* buffer, std::size_t size, std::size_t& written)
{
    written = 0;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (written < size) {
        const ssize_t n = ::pwrite(m_fd, bytes + written, size - written, static_cast<off_t>(offset + written));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return GalaxyResult::FromErrno(n < 0 ? errno : ENOSPC);
        }
        written += static_cast<std::size_t>(n);
    }
    return GalaxyResult::Success();
}

GalaxyResult GalaxyFile::truncate(std::uint64_t length)
{
    int rc;
    do {
        rc = ::ftruncate(m_fd, static_cast<off_t>(length));
    } while (rc < 0 && errno == EINTR);
    return rc == 0 ? GalaxyResult::Success() : GalaxyResult::FromErrno(errno);
}

#endif

GalaxyResult GalaxyFile::readFullyAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& got) const
{
    got = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (got < size) {
        std::size_t n = 0;
        GalaxyResult result = readAt(offset + got, bytes + got, size - got, n);
        if (!result.ok()) {
            return result;
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    return GalaxyResult::Success();
}

} // namespace galaxy
