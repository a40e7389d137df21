// A stand-in for the desktop's services in tests, and for the system services
// below them: it records every message box, input box, file dialog and editor
// launch, and answers as the test says. From its construction until its end
// it stands in for the system services (the services in use before it come
// back then), and it is the one InUse() gives, which the windows of the test
// are made with.
#pragma once

#include "platform/Platform.h"
#include "platform/SystemServices.h"

#include <QApplication>
#include <QList>
#include <QQueue>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

namespace testsupport {

class ScriptedPlatform final : public platform::Platform, public platform::SystemServices {
public:
    struct Box {
        platform::MessageIcon icon;
        platform::MessageButtons buttons;
        QString title;
        QString text;
        bool busyPointer; // the hourglass was showing while the box was up
    };
    struct Input {
        QString prompt;
        QString title;
        QString defaultText;
    };

    ScriptedPlatform() = default;
    ScriptedPlatform(const ScriptedPlatform&) = delete;
    ScriptedPlatform& operator=(const ScriptedPlatform&) = delete;

    // What the test arranges.
    QString folder; // the program folder
    bool editorPresent = true;
    bool editorStarts = true;
    QQueue<platform::MessageAnswer> answers;     // for Yes/No boxes; Yes when empty
    QQueue<std::optional<QString>> inputAnswers; // nullopt is Cancel; Cancel when empty
    QQueue<std::optional<QString>> fileAnswers;  // nullopt is Cancel; Cancel when empty
    std::function<void(const Box&)> onBox;       // runs while a box is "up"

    // What happened.
    QList<Box> boxes;
    QList<Input> inputs;
    QList<QString> fileDialogFolders;
    QList<QString> launches;

    platform::MessageAnswer messageBox(QWidget*, platform::MessageIcon icon, platform::MessageButtons buttons,
                                       const QString& title, const QString& text) override
    {
        const QCursor* cursor = QApplication::overrideCursor();
        Box box{icon, buttons, title, text, cursor != nullptr && cursor->shape() == Qt::WaitCursor};
        boxes.append(box);
        if (onBox) {
            onBox(box);
        }
        if (buttons == platform::MessageButtons::Ok) {
            return platform::MessageAnswer::Ok;
        }
        return answers.isEmpty() ? platform::MessageAnswer::Yes : answers.dequeue();
    }

    std::optional<QString> inputBox(QWidget*, const QString& prompt, const QString& title,
                                    const QString& defaultText) override
    {
        inputs.append(Input{prompt, title, defaultText});
        return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.dequeue();
    }

    std::optional<QString> openFileDialog(QWidget*, const QString&, const QString& initialFolder) override
    {
        fileDialogFolders.append(initialFolder);
        return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.dequeue();
    }

    QString programFolder() const override { return folder; }
    bool externalEditorExists() const override { return editorPresent; }
    bool startExternalEditor(const QString& filePath) override
    {
        launches.append(filePath);
        return editorStarts;
    }

    // The scripted services that the windows of the test under way are made
    // with: the innermost while several live.
    static ScriptedPlatform& InUse()
    {
        Q_ASSERT(Slot() != nullptr);
        return *Slot();
    }

    ~ScriptedPlatform() override { Slot() = m_previous; }

private:
    static ScriptedPlatform*& Slot()
    {
        static ScriptedPlatform* inUse = nullptr;
        return inUse;
    }

    // Last, so that the stand-in is whole while it is in use.
    ScriptedPlatform* m_previous = std::exchange(Slot(), this);
    platform::ScopedSystemServices m_systemInstalled{*this};
};

} // namespace testsupport
