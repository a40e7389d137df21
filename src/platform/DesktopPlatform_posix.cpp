// The desktop's file dialog and external editor on Linux and the other
// desktops of X11 and Wayland: Qt's file dialog, and the desktop's opener of
// files.
#include "Platform.h"

#include <QDir>
#include <QFileDialog>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

QString DesktopPlatform::DefaultEditor()
{
    return QStringLiteral("xdg-open");
}

std::optional<QString> DesktopPlatform::openFileDialog(QWidget* parent, const QString& title,
                                                       const QString& initialFolder)
{
    const QString path = QFileDialog::getOpenFileName(parent, title, initialFolder);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(path);
}

bool DesktopPlatform::externalEditorExists() const
{
    return !QStandardPaths::findExecutable(m_editor).isEmpty();
}

bool DesktopPlatform::startExternalEditor(const QString& filePath)
{
    return QProcess::startDetached(m_editor, {filePath});
}

} // namespace platform
