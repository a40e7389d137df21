// The desktop's own services.
#include "Platform.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>

#if defined(Q_OS_WIN)
#include <windows.h>

#include <string>
#endif

namespace platform {

namespace {

#if defined(Q_OS_WIN)
const QString kEditorProgram = QStringLiteral("c:\\windows\\notepad.exe");
const QStringList kEditorArguments;
#elif defined(Q_OS_MACOS)
const QString kEditorProgram = QStringLiteral("open");
const QStringList kEditorArguments{QStringLiteral("-t")};
#else
const QString kEditorProgram = QStringLiteral("xdg-open");
const QStringList kEditorArguments;
#endif

QString& EditorInUse()
{
    static QString program = kEditorProgram;
    return program;
}

#if defined(Q_OS_WIN)
// Starts the program with exactly this command line, in a normal window that
// may take the focus, and does not wait for it. The program is named apart
// from the command line, so that a blank in its folder cannot make the
// system look for another program.
bool StartWithCommandLine(const QString& program, const QString& commandLine)
{
    const std::wstring application = QDir::toNativeSeparators(program).toStdWString();
    std::wstring line = commandLine.toStdWString();
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
#endif

class DesktopPlatform final : public Platform {
public:
    MessageAnswer messageBox(QWidget* parent, MessageIcon icon, MessageButtons buttons, const QString& title,
                             const QString& text) override
    {
        QMessageBox box(parent);
        switch (icon) {
        case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
        case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
        }
        box.setWindowTitle(title);
        box.setText(text);
        if (buttons == MessageButtons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        const int chosen = box.exec();
        if (buttons == MessageButtons::YesNo) {
            return chosen == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
        }
        return MessageAnswer::Ok;
    }

    std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                    const QString& defaultText) override
    {
        bool accepted = false;
        const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &accepted);
        if (!accepted) {
            return std::nullopt;
        }
        return text;
    }

    std::optional<QString> openFileDialog(QWidget* parent, const QString& title, const QString& initialFolder) override
    {
        const QString path = QFileDialog::getOpenFileName(parent, title, initialFolder);
        if (path.isEmpty()) {
            return std::nullopt;
        }
        return QDir::toNativeSeparators(path);
    }

    bool externalEditorExists() const override
    {
#if defined(Q_OS_WIN)
        return QFileInfo(EditorInUse()).isFile();
#else
        return !QStandardPaths::findExecutable(EditorInUse()).isEmpty();
#endif
    }

    bool startExternalEditor(const QString& filePath) override
    {
#if defined(Q_OS_WIN)
        return StartWithCommandLine(EditorInUse(), EditorInUse() + QLatin1Char(' ') + filePath);
#else
        return QProcess::startDetached(EditorInUse(), kEditorArguments + QStringList{filePath});
#endif
    }
};

DesktopPlatform& Desktop()
{
    static DesktopPlatform desktop;
    return desktop;
}

} // namespace

Platform& Platform::desktop()
{
    return Desktop();
}

ScopedExternalEditor::ScopedExternalEditor(const QString& program) : m_previous(EditorInUse())
{
    EditorInUse() = program;
}

ScopedExternalEditor::~ScopedExternalEditor()
{
    EditorInUse() = m_previous;
}

} // namespace platform
