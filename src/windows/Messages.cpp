#include "Messages.h"

#include "platform/Platform.h"

namespace messages {

namespace {

void ShowCritical(platform::Platform& desktop, QWidget* parent, const QString& title, const QString& text)
{
    desktop.messageBox(parent, platform::MessageIcon::Critical, platform::MessageButtons::Ok, title, text);
}

} // namespace

void ShowGenericError(platform::Platform& desktop, QWidget* parent)
{
    ShowCritical(desktop, parent, kGenericErrorTitle, kGenericErrorText);
}

void ShowEditorMissing(platform::Platform& desktop, QWidget* parent)
{
    ShowCritical(desktop, parent, kEditorMissingTitle, kEditorMissingText);
}

QString MissingGalaxyFileText(const QString& galaxyName)
{
    return QStringLiteral("The file associated with the galaxy ") + galaxyName
           + QStringLiteral(" doesn't exist, please modify the Galaxy List!");
}

void ShowMissingGalaxyFile(platform::Platform& desktop, QWidget* parent, const QString& galaxyName)
{
    ShowCritical(desktop, parent, kMissingGalaxyFileTitle, MissingGalaxyFileText(galaxyName));
}

} // namespace messages
