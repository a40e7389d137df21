// The services of the desktop that the windows use: message boxes, the input
// box, the file-open dialog and the external editor. (The program folder is
// one of the system services below the windows, in SystemServices.h.)
// A window is given them when it is made and hands them on to the windows it
// opens; the program starts its main window with the desktop's own. Tests give
// a scripted stand-in instead and answer for the user.
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

    // Whether the external text editor is there to be started.
    virtual bool externalEditorExists() const = 0;
    // Starts the external editor on one file, detached, never through a shell.
    virtual bool startExternalEditor(const QString& filePath) = 0;
};

// The desktop's own services: the toolkit's message boxes and input box, the
// system's file-open dialog, and an external editor. The program's editor is
// the system's own (DefaultEditor()): on Windows Notepad,
// "c:\windows\notepad.exe", started with the command line of that path, a
// blank and the file's path, neither of them quoted, since Notepad takes the
// rest of its command line as the file name, blanks included; elsewhere the
// desktop's opener of files, given the file's path as its one argument.
// Another program may be given in its place; it is started the same way.
class DesktopPlatform : public Platform {
public:
    explicit DesktopPlatform(QString editor = DefaultEditor());

    MessageAnswer messageBox(QWidget* parent, MessageIcon icon, MessageButtons buttons, const QString& title,
                             const QString& text) override;
    std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    std::optional<QString> openFileDialog(QWidget* parent, const QString& title, const QString& initialFolder) override;
    bool externalEditorExists() const override;
    bool startExternalEditor(const QString& filePath) override;

    static QString DefaultEditor();

private:
    QString m_editor;
};

// Services that pass every request on to others; a stand-in derived from it
// answers only what it overrides.
class ForwardingPlatform : public Platform {
public:
    explicit ForwardingPlatform(Platform& inner) : m_inner(inner) {}

    MessageAnswer messageBox(QWidget* parent, MessageIcon icon, MessageButtons buttons, const QString& title,
                             const QString& text) override
    {
        return m_inner.messageBox(parent, icon, buttons, title, text);
    }
    std::optional<QString> inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                    const QString& defaultText) override
    {
        return m_inner.inputBox(parent, prompt, title, defaultText);
    }
    std::optional<QString> openFileDialog(QWidget* parent, const QString& title, const QString& initialFolder) override
    {
        return m_inner.openFileDialog(parent, title, initialFolder);
    }
    bool externalEditorExists() const override { return m_inner.externalEditorExists(); }
    bool startExternalEditor(const QString& filePath) override { return m_inner.startExternalEditor(filePath); }

private:
    Platform& m_inner;
};

} // namespace platform
