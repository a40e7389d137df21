// The services of the desktop that the windows use: message boxes, the input
// box, the file-open dialog, the program folder and the external editor.
// Windows reach them only through Platform::services(), so tests can put a
// scripted stand-in in their place and answer for the user.
#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace platform {

enum class MessageIcon { None, Critical, Information, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

class Platform {
public:
    virtual ~Platform() = default;

    // A modal message box; returns the button the user chose.
    virtual MessageAnswer messageBox(QWidget* parent, MessageIcon icon, MessageButtons buttons, const QString& title,
                                     const QString& text) = 0;

    // A modal input box with OK and Cancel; empty when cancelled.
    virtual std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                            const QString& defaultText) = 0;

    // The file-open dialog starting in initialFolder; empty when cancelled.
    virtual std::optional<QString> openFileDialog(QWidget* parent, const QString& title,
                                                  const QString& initialFolder) = 0;

    // The folder that holds the program's executable, without a trailing separator.
    virtual QString programFolder() const = 0;

    // Whether the external text editor is there to be started.
    virtual bool externalEditorExists() const = 0;
    // Starts the external editor on one file, detached, never through a shell.
    virtual bool startExternalEditor(const QString& filePath) = 0;

    // The services in use: the desktop's own unless a test installed others.
    static Platform& services();
    // Installs other services (nullptr goes back to the desktop's own); the
    // caller keeps ownership.
    static void install(Platform* replacement);
};

} // namespace platform
