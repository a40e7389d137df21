#include "SystemFile.h"

#include <optional>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace galaxy {

namespace {

GalaxyResult NotAPlainFile()
{
    return GalaxyResult::Failure(kErrorNotAPlainFile, "Not a plain file (a device or a pipe)");
}

} // namespace

SystemFile::~SystemFile()
{
    (void)close();
}

#ifdef _WIN32

namespace {

// UTF-8 form of a text of the system, for the messages of the windows.
std::string Utf8(const wchar_t* text, int length)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

HANDLE Handle(void* handle)
{
    return static_cast<HANDLE>(handle);
}

bool IsDigitOfDevice(wchar_t c)
{
    // Windows reserves COM and LPT followed by a digit, the superscripts 1 to 3 included.
    return (c >= L'0' && c <= L'9') || c == L'\u00B9' || c == L'\u00B2' || c == L'\u00B3';
}

// Whether the last component of the path names one of the devices that
// Windows finds in every folder (CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to
// LPT9, CONIN$, CONOUT$), in any letter case and with any extension: NUL,
// nul.gxy and dir\Con.txt all name a device, not a file.
bool NamesADevice(const std::filesystem::path& path)
{
    std::wstring name = path.filename().wstring();
    const std::size_t end = name.find_first_of(L".:");
    if (end != std::wstring::npos) {
        name.resize(end);
    }
    while (!name.empty() && name.back() == L' ') {
        name.pop_back();
    }
    for (wchar_t& c : name) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    if (name == L"CON" || name == L"PRN" || name == L"AUX" || name == L"NUL" || name == L"CONIN$"
        || name == L"CONOUT$") {
        return true;
    }
    return name.size() == 4 && (name.compare(0, 3, L"COM") == 0 || name.compare(0, 3, L"LPT") == 0)
           && IsDigitOfDevice(name[3]);
}

GalaxyResult LastError()
{
    return GalaxyResult::FromSystemError(GetLastError());
}

OVERLAPPED At(std::uint64_t offset)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFU);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

// Largest piece handed to one ReadFile or WriteFile.
constexpr std::size_t kMaxPiece = std::size_t{1} << 30;

DWORD Piece(std::size_t size)
{
    return static_cast<DWORD>(size < kMaxPiece ? size : kMaxPiece);
}

// Writes all bytes at offset, or where the file ends at each piece when there
// is no offset (a file opened to append only); written is how many reached
// the file before a failure.
GalaxyResult WriteAll(HANDLE file, const std::optional<std::uint64_t>& offset, const void* buffer, std::size_t size,
                      std::size_t& written)
{
    written = 0;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (written < size) {
        OVERLAPPED at = offset ? At(*offset + written) : OVERLAPPED{};
        DWORD n = 0;
        if (!WriteFile(file, bytes + written, Piece(size - written), &n, offset ? &at : nullptr)) {
            return LastError();
        }
        if (n == 0) {
            return GalaxyResult::FromSystemError(ERROR_DISK_FULL);
        }
        written += n;
    }
    return GalaxyResult::Success();
}

} // namespace

std::filesystem::path SystemPath(const std::filesystem::path& path)
{
    const std::wstring& given = path.native();
    if (given.empty() || given.rfind(L"\\\\?\\", 0) == 0 || given.rfind(L"\\\\.\\", 0) == 0) {
        return path;
    }
    // GetFullPathNameW is the rule Windows applies to every name it is
    // given, so the name means here what it means to any other program.
    std::wstring full(MAX_PATH + 1, L'\0');
    DWORD length = GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length + 1);
        length = GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) {
        return path;
    }
    full.resize(length);
    // Without the prefix the system takes up to MAX_PATH - 1 characters and the
    // terminating zero. A device name (NUL becomes \\.\NUL) and a path that
    // already has the long form stay as they are.
    if (full.size() < MAX_PATH || full.rfind(L"\\\\.\\", 0) == 0 || full.rfind(L"\\\\?\\", 0) == 0) {
        return std::filesystem::path(full);
    }
    if (full.rfind(L"\\\\", 0) == 0) {
        // \\server\share\... becomes \\?\UNC\server\share\...
        return std::filesystem::path(L"\\\\?\\UNC\\" + full.substr(2));
    }
    return std::filesystem::path(L"\\\\?\\" + full);
}

bool IsExistingPlainFile(const std::filesystem::path& path)
{
    if (path.empty() || NamesADevice(path)) {
        return false;
    }
    // Opened for its attributes only, shared every way, so the check never
    // stands in the way of the game. A file whose delete is pending refuses
    // every open; should a system still open it, its standard information
    // says so.
    const HANDLE handle = CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    FILE_STANDARD_INFO info{};
    const bool plain = GetFileType(handle) == FILE_TYPE_DISK
                       && GetFileInformationByHandleEx(handle, FileStandardInfo, &info, sizeof info) && !info.Directory
                       && !info.DeletePending;
    CloseHandle(handle);
    return plain;
}

GalaxyResult GalaxyResult::FromSystemError(unsigned long code)
{
    if (code == 0) {
        code = ERROR_GEN_FAILURE;
    }
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::string description;
    if (length > 0 && text != nullptr) {
        description = Utf8(text, static_cast<int>(length));
    }
    if (text != nullptr) {
        LocalFree(text);
    }
    // The system's texts end with a line break.
    while (!description.empty()
           && (description.back() == '\n' || description.back() == '\r' || description.back() == ' ')) {
        description.pop_back();
    }
    if (description.empty()) {
        description = "System error " + std::to_string(code);
    }
    return Failure(static_cast<int>(code), std::move(description));
}

SystemFile::SystemFile(SystemFile&& other) noexcept : m_handle(other.m_handle)
{
    other.m_handle = nullptr;
}

SystemFile& SystemFile::operator=(SystemFile&& other) noexcept
{
    if (this != &other) {
        (void)close();
        m_handle = other.m_handle;
        other.m_handle = nullptr;
    }
    return *this;
}

bool SystemFile::isOpen() const
{
    return m_handle != nullptr;
}

GalaxyResult SystemFile::open(const std::filesystem::path& path, Mode mode)
{
    (void)close();
    // A device is never opened at all: opening some (a serial port) does
    // something, and reading others (the console) waits for the user.
    if (NamesADevice(path)) {
        return NotAPlainFile();
    }
    DWORD access = 0;
    DWORD creation = 0;
    switch (mode) {
    case Mode::ReadShared:
        access = GENERIC_READ;
        creation = OPEN_EXISTING;
        break;
    case Mode::ReadWriteCreate:
        access = GENERIC_READ | GENERIC_WRITE;
        creation = OPEN_ALWAYS;
        break;
    case Mode::AppendOnly:
        // Append access without write access: the system puts every write at
        // the end of the file in one step, whatever others append meanwhile.
        access = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
        creation = OPEN_EXISTING;
        break;
    case Mode::CreateNew:
        // Fails on any name that is taken, by a link too: nothing is
        // written through it.
        access = GENERIC_WRITE;
        creation = CREATE_NEW;
        break;
    }
    // Shared for reading, writing and deleting: the game may write the file,
    // delete it or replace it by a rename while it is open here.
    const HANDLE handle =
        CreateFileW(SystemPath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return LastError();
    }
    // Any other path to a device or a pipe (\\.\NUL, \\.\pipe\name).
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return NotAPlainFile();
    }
    m_handle = handle;
    return GalaxyResult::Success();
}

GalaxyResult SystemFile::close()
{
    if (m_handle == nullptr) {
        return GalaxyResult::Success();
    }
    const BOOL closed = CloseHandle(Handle(m_handle));
    m_handle = nullptr;
    return closed ? GalaxyResult::Success() : LastError();
}

GalaxyResult SystemFile::length(std::uint64_t& out) const
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(Handle(m_handle), &size)) {
        return LastError();
    }
    out = static_cast<std::uint64_t>(size.QuadPart);
    return GalaxyResult::Success();
}

GalaxyResult SystemFile::readAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& got) const
{
    got = 0;
    OVERLAPPED at = At(offset);
    DWORD n = 0;
    if (!ReadFile(Handle(m_handle), buffer, Piece(size), &n, &at)) {
        const DWORD error = GetLastError();
        return error == ERROR_HANDLE_EOF ? GalaxyResult::Success() : GalaxyResult::FromSystemError(error);
    }
    got = n;
    return GalaxyResult::Success();
}

GalaxyResult SystemFile::writeAt(std::uint64_t offset, const void* buffer, std::size_t size, std::size_t& written)
{
    return WriteAll(Handle(m_handle), offset, buffer, size, written);
}

GalaxyResult SystemFile::append(const void* buffer, std::size_t size, std::size_t& written)
{
    return WriteAll(Handle(m_handle), std::nullopt, buffer, size, written);
}

GalaxyResult SystemFile::truncate(std::uint64_t length)
{
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(length);
    return SetFileInformationByHandle(Handle(m_handle), FileEndOfFileInfo, &end, sizeof end) ? GalaxyResult::Success()
                                                                                             : LastError();
}

namespace {

// Whether two handles are open on one file: the same volume and file index.
bool SameFile(HANDLE one, HANDLE other)
{
    BY_HANDLE_FILE_INFORMATION mine{};
    BY_HANDLE_FILE_INFORMATION theirs{};
    return GetFileInformationByHandle(one, &mine) && GetFileInformationByHandle(other, &theirs)
           && mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber && mine.nFileIndexHigh == theirs.nFileIndexHigh
           && mine.nFileIndexLow == theirs.nFileIndexLow;
}

} // namespace

bool SystemFile::isSameFileAs(const SystemFile& other) const
{
    return isOpen() && other.isOpen() && SameFile(Handle(m_handle), Handle(other.m_handle));
}

bool SystemFile::isFileAt(const std::filesystem::path& path) const
{
    if (!isOpen() || NamesADevice(path)) {
        return false;
    }
    // Opened for its attributes only and shared every way, as the check of
    // a name is, so that it never stands in the game's way.
    const HANDLE named = CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool same = SameFile(Handle(m_handle), named);
    CloseHandle(named);
    return same;
}

#else

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

SystemFile::SystemFile(SystemFile&& other) noexcept : m_fd(other.m_fd)
{
    other.m_fd = -1;
}

SystemFile& SystemFile::operator=(SystemFile&& other) noexcept
{
    if (this != &other) {
        (void)close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

bool SystemFile::isOpen() const
{
    return m_fd >= 0;
}

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
    m_fd = fd;
    return GalaxyResult::Success();
}

GalaxyResult SystemFile::close()
{
    if (m_fd < 0) {
        return GalaxyResult::Success();
    }
    const int rc = ::close(m_fd);
    m_fd = -1;
    return rc == 0 || errno == EINTR ? GalaxyResult::Success() : LastError();
}

GalaxyResult SystemFile::length(std::uint64_t& out) const
{
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) {
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
        n = ::pread(m_fd, buffer, size, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return LastError();
    }
    got = static_cast<std::size_t>(n);
    return GalaxyResult::Success();
}

GalaxyResult SystemFile::writeAt(std::uint64_t offset, const void* buffer, std::size_t size, std::size_t& written)
{
    return WriteAll(m_fd, offset, buffer, size, written);
}

GalaxyResult SystemFile::append(const void* buffer, std::size_t size, std::size_t& written)
{
    return WriteAll(m_fd, std::nullopt, buffer, size, written);
}

GalaxyResult SystemFile::truncate(std::uint64_t length)
{
    int rc;
    do {
        rc = ::ftruncate(m_fd, static_cast<off_t>(length));
    } while (rc < 0 && errno == EINTR);
    return rc == 0 ? GalaxyResult::Success() : LastError();
}

bool SystemFile::isSameFileAs(const SystemFile& other) const
{
    struct stat mine {};
    struct stat theirs {};
    return isOpen() && other.isOpen() && ::fstat(m_fd, &mine) == 0 && ::fstat(other.m_fd, &theirs) == 0
           && mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

bool SystemFile::isFileAt(const std::filesystem::path& path) const
{
    struct stat mine {};
    struct stat named {};
    return isOpen() && ::fstat(m_fd, &mine) == 0 && ::stat(path.c_str(), &named) == 0 && mine.st_dev == named.st_dev
           && mine.st_ino == named.st_ino;
}

#endif

} // namespace galaxy
