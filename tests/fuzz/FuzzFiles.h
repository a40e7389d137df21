// Small helpers shared by the fuzz targets: a private scratch folder and
// whole-file reads and writes with plain C stdio.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace fuzzsupport {

using Bytes = std::vector<unsigned char>;

inline const std::string& ScratchFolder()
{
    static const std::string folder = [] {
        // A memory-backed folder where there is one: every run writes files.
        const char* base = std::getenv("TMPDIR");
        if (base == nullptr) {
            base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        }
        std::string pattern = std::string(base) + "/quarrimax-fuzz-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        return std::string(buffer.data());
    }();
    return folder;
}

// The files made in the scratch folder, removed with it when the run ends.
inline std::vector<std::string>& ScratchFiles()
{
    static std::vector<std::string> files;
    return files;
}

inline void RemoveScratch()
{
    for (const std::string& file : ScratchFiles()) {
        ::unlink(file.c_str());
    }
    ::rmdir(ScratchFolder().c_str());
}

inline std::string ScratchPath(const char* name)
{
    std::string path = ScratchFolder() + "/" + name;
    std::vector<std::string>& files = ScratchFiles();
    if (std::find(files.begin(), files.end(), path) == files.end()) {
        if (files.empty()) {
            std::atexit(RemoveScratch);
        }
        files.push_back(path);
    }
    return path;
}

inline void WriteFile(const std::string& path, const unsigned char* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}

inline Bytes ReadFile(const std::string& path)
{
    Bytes bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return bytes;
    }
    unsigned char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    std::fclose(file);
    return bytes;
}

inline std::int16_t Int16At(const unsigned char* p)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

[[noreturn]] inline void Fail(const char* what)
{
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

} // namespace fuzzsupport
