// The desktop's file dialog and external editor on Windows: the system's own
// file-open dialog, and Notepad.
#include "Platform.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include <windows.h>

#include <commdlg.h>
#include <string>
#include <vector>

namespace platform {

QString DesktopPlatform::DefaultEditor()
{
    return QStringLiteral("c:\\windows\\notepad.exe");
}

// The system's dialog itself, for its own title ("Open" in the user's
// language) when none is given: Qt's native dialog always sets one, an empty
// one included. Like any modal dialog it keeps every window of the program
// from taking input while it is open.
std::optional<QString> DesktopPlatform::openFileDialog(QWidget* parent, const QString& title,
                                                       const QString& initialFolder)
{
    std::vector<HWND> disabled;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const auto handle = window->isVisible() ? reinterpret_cast<HWND>(window->winId()) : nullptr;
        if (handle != nullptr && IsWindowEnabled(handle)) {
            EnableWindow(handle, FALSE);
            disabled.push_back(handle);
        }
    }
    const std::wstring folder = QDir::toNativeSeparators(initialFolder).toStdWString();
    const std::wstring caption = title.toStdWString();
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = parent != nullptr ? reinterpret_cast<HWND>(parent->window()->winId()) : nullptr;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.c_str();
    dialog.lpstrTitle = title.isEmpty() ? nullptr : caption.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    const bool chosen = GetOpenFileNameW(&dialog) != 0;
    for (HWND handle : disabled) {
        EnableWindow(handle, TRUE);
    }
    if (dialog.hwndOwner != nullptr) {
        SetForegroundWindow(dialog.hwndOwner);
    }
    if (!chosen) {
        return std::nullopt;
    }
    return QString::fromWCharArray(file.data());
}

bool DesktopPlatform::externalEditorExists() const
{
    return QFileInfo(m_editor).isFile();
}

// Starts the editor with exactly the command line of its path, a blank and the
// file's path, in a normal window that may take the focus, and does not wait
// for it. The program is named apart from the command line, so that a blank
// in its folder cannot make the system look for another program.
bool DesktopPlatform::startExternalEditor(const QString& filePath)
{
    const std::wstring application = QDir::toNativeSeparators(m_editor).toStdWString();
    std::wstring line = (m_editor + QLatin1Char(' ') + filePath).toStdWString();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return false;
    }
    AllowSetForegroundWindow(process.dwProcessId);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

} // namespace platform
