// A system file on Windows: a handle of CreateFileW, shared for reading,
// writing and deleting.
#include "SystemFile.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <optional>
#include <string>

namespace galaxy {

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

HANDLE Handle(std::intptr_t native)
{
    return reinterpret_cast<HANDLE>(native);
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

namespace {

// The file or folder at the path, opened for its attributes only and shared
// every way, so that a look at a name never stands in the game's way.
HANDLE OpenToLookAt(const std::filesystem::path& path)
{
    return CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

bool IsExistingPlainFile(const std::filesystem::path& path)
{
    if (path.empty() || NamesADevice(path)) {
        return false;
    }
    // A file whose delete is pending refuses every open; should a system
    // still open it, its standard information says so.
    const HANDLE handle = OpenToLookAt(path);
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
    m_native = reinterpret_cast<std::intptr_t>(handle);
    return GalaxyResult::Success();
}

GalaxyResult SystemFile::close()
{
    if (!isOpen()) {
        return GalaxyResult::Success();
    }
    const BOOL closed = CloseHandle(Handle(m_native));
    m_native = kClosed;
    return closed ? GalaxyResult::Success() : LastError();
}

GalaxyResult SystemFile::length(std::uint64_t& out) const
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(Handle(m_native), &size)) {
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
    if (!ReadFile(Handle(m_native), buffer, Piece(size), &n, &at)) {
        const DWORD error = GetLastError();
        return error == ERROR_HANDLE_EOF ? GalaxyResult::Success() : GalaxyResult::FromSystemError(error);
    }
    got = n;
    return GalaxyResult::Success();
}

GalaxyResult SystemFile::writeAt(std::uint64_t offset, const void* buffer, std::size_t size, std::size_t& written)
{
    return WriteAll(Handle(m_native), offset, buffer, size, written);
}

GalaxyResult SystemFile::append(const void* buffer, std::size_t size, std::size_t& written)
{
    return WriteAll(Handle(m_native), std::nullopt, buffer, size, written);
}

GalaxyResult SystemFile::truncate(std::uint64_t length)
{
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(length);
    return SetFileInformationByHandle(Handle(m_native), FileEndOfFileInfo, &end, sizeof end) ? GalaxyResult::Success()
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
    return isOpen() && other.isOpen() && SameFile(Handle(m_native), Handle(other.m_native));
}

bool SystemFile::isFileAt(const std::filesystem::path& path) const
{
    if (!isOpen() || NamesADevice(path)) {
        return false;
    }
    const HANDLE named = OpenToLookAt(path);
    if (named == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool same = SameFile(Handle(m_native), named);
    CloseHandle(named);
    return same;
}

} // namespace galaxy
