// A system file on Linux and the other POSIX systems: a file descriptor.
#include "SystemFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace galaxy {

std::filesystem::path SystemPath(const std::filesystem::path& path)
{
    return path;
}

bool IsExistingPlainFile(const std::filesystem::path& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

GalaxyResult GalaxyResult::FromSystemError(unsigned long code)
{
    int error = static_cast<int>(code);
    if (error == 0) {
        error = EIO;
    }
    return Failure(error, std::strerror(error));
}

namespace {

GalaxyResult LastError()
{
    return GalaxyResult::FromSystemError(static_cast<unsigned long>(errno));
}

// Writes all bytes at offset, or at the file's end as it is at each piece
// when there is no offset (a file opened O_APPEND, where the kernel takes the
// end and writes there in one step, under the same lock as every other
// writer's append); a call interrupted by a signal is made again. written is
// how many reached the file before a failure.
GalaxyResult WriteAll(int fd, const std::optional<std::uint64_t>& offset, const void* buffer, std::size_t size,
                      std::size_t& written)
{
    written = 0;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (written < size) {
        const ssize_t n = offset ? ::pwrite(fd, bytes + written, size - written, static_cast<off_t>(*offset + written))
                                 : ::write(fd, bytes + written, size - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? LastError() : GalaxyResult::FromSystemError(ENOSPC);
        }
        written += static_cast<std::size_t>(n);
    }
    return GalaxyResult::Success();
}

} // namespace

GalaxyResult SystemFile::open(const std::filesystem::path& path, Mode mode)
{
    (void)close();
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::ReadShared: flags |= O_RDONLY; break;
    case Mode::ReadWriteCreate: flags |= O_RDWR | O_CREAT; break;
    case Mode::AppendOnly: flags |= O_WRONLY | O_APPEND; break;
    case Mode::CreateNew: flags |= O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW; break;
    }
    // Opened without waiting, so that a named pipe in a file's place cannot
    // hold the program until some other program opens it too.
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return LastError();
    }
    // Only a plain file is a galaxy file or a report: a folder opens read-only
    // on POSIX systems, and a pipe or a device would never end or keep nothing.
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return GalaxyResult::FromSystemError(static_cast<unsigned long>(error));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return S_ISDIR(info.st_mode) ? GalaxyResult::FromSystemError(EISDIR) : NotAPlainFile();
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) < 0) {
        const int error = errno;
        ::close(fd);
        return GalaxyResult::FromSystemError(static_cast<unsigned long>(error));
    }
    m_native = fd;
    return GalaxyResult::Success();
}

GalaxyResult SystemFile::close()
{
    if (!isOpen()) {
        return GalaxyResult::Success();
    }
    const int rc = ::close(fd());
    m_native = kClosed;
    return rc == 0 || errno == EINTR ? GalaxyResult::Success() : LastError();
}

GalaxyResult SystemFile::length(std::uint64_t& out) const
{
    struct stat info {};
    if (::fstat(fd(), &info) != 0) {
        return LastError();
    }
    out = static_cast<std::uint64_t>(info.st_size);
    return GalaxyResult::Success();
}

GalaxyResult SystemFile::readAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& got) const
{
    got = 0;
    ssize_t n;
    do {
        n = ::pread(fd(), buffer, size, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return LastError();
    }
    got = static_cast<std::size_t>(n);
    return GalaxyResult::Success();
}

GalaxyResult SystemFile::writeAt(std::uint64_t offset, const void* buffer, std::size_t size, std::size_t& written)
{
    return WriteAll(fd(), offset, buffer, size, written);
}

GalaxyResult SystemFile::append(const void* buffer, std::size_t size, std::size_t& written)
{
    return WriteAll(fd(), std::nullopt, buffer, size, written);
}

GalaxyResult SystemFile::truncate(std::uint64_t length)
{
    int rc;
    do {
        rc = ::ftruncate(fd(), static_cast<off_t>(length));
    } while (rc < 0 && errno == EINTR);
    return rc == 0 ? GalaxyResult::Success() : LastError();
}

bool SystemFile::isSameFileAs(const SystemFile& other) const
{
    struct stat mine {};
    struct stat theirs {};
    return isOpen() && other.isOpen() && ::fstat(fd(), &mine) == 0 && ::fstat(other.fd(), &theirs) == 0
           && mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

bool SystemFile::isFileAt(const std::filesystem::path& path) const
{
    struct stat mine {};
    struct stat named {};
    return isOpen() && ::fstat(fd(), &mine) == 0 && ::stat(path.c_str(), &named) == 0 && mine.st_dev == named.st_dev
           && mine.st_ino == named.st_ino;
}

} // namespace galaxy
