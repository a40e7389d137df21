// A file as this program opens it, a galaxy file or the report: a thin owner
// of an operating system file handle. Files are opened shared, so the game can
// go on writing a galaxy file while it is read, and on Windows also delete or
// replace it while it is open here.
//
// Only plain files are opened: a folder, a pipe or a device (on Windows also
// a device name such as NUL, CON or COM1, with or without an extension) is
// refused before anything is read or written.
#pragma once

#include "GalaxyError.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace galaxy {

// A path as the system opens it. On Windows: the full path of the file that
// Windows itself means by the name, as Explorer and every other program open
// it (folders resolved, "/" made "\\", blanks and dots at the end of the name
// dropped), and only then, when it is longer than the old 260-character limit,
// the "\\?\\" form that reaches that same file past the limit. A path already
// in that form, or naming a device (\\.\\), stays as it is. Elsewhere the path
// as given.
std::filesystem::path SystemPath(const std::filesystem::path& path);

// Whether the path names a plain file that exists and is not on its way out:
// a file deleted on Windows while another program still holds it open keeps
// its name until the last handle closes, but it is gone for this program.
// False for a folder, a device or a pipe.
bool IsExistingPlainFile(const std::filesystem::path& path);

class SystemFile {
public:
    enum class Mode {
        ReadShared,      // read only; others may read, write, delete and rename meanwhile
        ReadWriteCreate, // read and write at offsets, created empty when missing, never truncated
        AppendOnly,      // write only, every write at the file's end as it is then; the file must exist
        CreateNew,       // write only, a file made anew: fails when anything stands at the name, a link included
    };

    SystemFile() = default;
    ~SystemFile();
    SystemFile(SystemFile&& other) noexcept;
    SystemFile& operator=(SystemFile&& other) noexcept;
    SystemFile(const SystemFile&) = delete;
    SystemFile& operator=(const SystemFile&) = delete;

    GalaxyResult open(const std::filesystem::path& path, Mode mode);
    bool isOpen() const;
    // Closes the file; reports a failure of the close itself (a late write error).
    GalaxyResult close();

    // Current length of the file in bytes.
    GalaxyResult length(std::uint64_t& out) const;
    // Reads up to size bytes at offset; got is what was read (less at the end).
    GalaxyResult readAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t& got) const;
    // Writes all bytes at offset; written is how many reached the file before a failure.
    // Not for a file opened AppendOnly.
    GalaxyResult writeAt(std::uint64_t offset, const void* buffer, std::size_t size, std::size_t& written);
    // Writes all bytes at the end of a file opened AppendOnly. Each piece goes
    // where the file ends at that moment, in one step, so bytes that another
    // program appends meanwhile are never written over; written is how many
    // reached the file before a failure.
    GalaxyResult append(const void* buffer, std::size_t size, std::size_t& written);
    GalaxyResult truncate(std::uint64_t length);
    // Whether both are open on one and the same file (not just one path).
    bool isSameFileAs(const SystemFile& other) const;
    // Whether the path names the file open here now: false once another
    // program has renamed another file into its place, or deleted it and made
    // a new one under its name.
    bool isFileAt(const std::filesystem::path& path) const;

private:
    // The system's own handle of the open file: a HANDLE on Windows, a file
    // descriptor elsewhere (SystemFile_win.cpp, SystemFile_posix.cpp).
    static constexpr std::intptr_t kClosed = -1;
    int fd() const { return static_cast<int>(m_native); }
    std::intptr_t m_native = kClosed;
};

} // namespace galaxy
