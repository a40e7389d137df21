// A galaxy file deleted while the program's selection holds it open. Windows
// either takes the name away at once (deletes with POSIX semantics, Windows
// 10 and later on NTFS) or keeps it with the delete pending, refusing every
// open; some systems (Wine 8) keep the name and give no sign of the pending
// delete at all, so nothing there tells the file from one that is there.
#pragma once

#include <QDir>
#include <QString>

#ifdef _WIN32
#include <windows.h>
#endif

namespace testsupport {

// Whether the name of a file deleted while it is open still opens as a file
// with no pending delete. Always false outside Windows.
inline bool PendingDeleteUnseen(const QString& path)
{
#ifdef _WIN32
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE handle =
        CreateFileW(reinterpret_cast<const wchar_t*>(native.utf16()), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    FILE_STANDARD_INFO info{};
    const bool seen = GetFileInformationByHandleEx(handle, FileStandardInfo, &info, sizeof info) && info.DeletePending;
    CloseHandle(handle);
    return !seen;
#else
    (void)path;
    return false;
#endif
}

} // namespace testsupport

// Skips the rest of a test about a file deleted while it is open where the
// system hides the delete.
#define QUARRIMAX_SKIP_WHERE_THE_DELETE_IS_UNSEEN(path)                                                                \
    do {                                                                                                               \
        if (testsupport::PendingDeleteUnseen(path)) {                                                                  \
            QSKIP("this system keeps the name of a file deleted while it is open and gives no sign of the "            \
                  "pending delete (Wine 8: FileStandardInfo.DeletePending is always false and the name still "         \
                  "opens), so nothing tells the file from one that is there");                                         \
        }                                                                                                              \
    } while (false)
