// The desktop's own services; the file dialog and the external editor, which
// differ by system, are in DesktopPlatform_win.cpp and DesktopPlatform_posix.cpp.
#include "Platform.h"

#include <QInputDialog>
#include <QMessageBox>

#include <utility>

namespace platform {

DesktopPlatform::DesktopPlatform(QString editor) : m_editor(std::move(editor))
{
}

MessageAnswer DesktopPlatform::messageBox(QWidget* parent, MessageIcon icon, MessageButtons buttons,
                                          const QString& title, const QString& text)
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
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

std::optional<QString> DesktopPlatform::inputBox(QWidget* parent, const QString& prompt, const QString& title,
                                                 const QString& defaultText)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &accepted);
    if (!accepted) {
        return std::nullopt;
    }
    return text;
}

} // namespace platform
