// A stand-in for the external editor: writes how it was started into
// commandline.txt beside itself and ends. On Windows that is the command line
// exactly as the system handed it over; elsewhere each argument after the
// program's own name, on a line of its own. The record is written under
// another name first and then renamed, so that whoever waits for it never
// reads half of it.
#ifdef _WIN32
#include <windows.h>

#include <string>

int main()
{
    std::wstring self(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    if (length == 0 || length >= self.size()) {
        return 1;
    }
    self.resize(length);
    const std::wstring folder = self.substr(0, self.find_last_of(L"\\/") + 1);
    const wchar_t* line = GetCommandLineW();
    const int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return 1;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line, -1, text.data(), size, nullptr, nullptr);
    text.pop_back(); // the terminating zero
    const std::wstring partial = folder + L"commandline.part";
    const HANDLE file =
        CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != text.size()) {
        return 1;
    }
    return MoveFileExW(partial.c_str(), (folder + L"commandline.txt").c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

#else
#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    const std::string self = argv[0];
    const std::string folder = self.substr(0, self.rfind('/') + 1);
    const std::string partial = folder + "commandline.part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        for (int i = 1; i < argc; ++i) {
            out << argv[i] << '\n';
        }
        if (!out) {
            return 1;
        }
    }
    return std::rename(partial.c_str(), (folder + "commandline.txt").c_str()) == 0 ? 0 : 1;
}
#endif
