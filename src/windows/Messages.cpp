#include "Messages.h"

#include "platform/Platform.h"

namespace messages {

namespace {

void ShowCritical(QWidget* parent, const QString& title, const QString& text)
{
    platform::Platform::services().messageBox(parent, platform::MessageIcon::Critical, platform::MessageButtons::Ok,
                                              title, text);
}

} // namespace

void ShowGenericError(QWidget* parent)
{
    ShowCritical(parent, kGenericErrorTitle, kGenericErrorText);
}

void ShowEditorMissing(QWidget* parent)
{
    ShowCritical(parent, kEditorMissingTitle, kEditorMissingText);
}

QString MissingGalaxyFileText(const QString& galaxyName)
{
    return QStringLiteral("The file associated with the galaxy ") + galaxyName
           + QStringLiteral(" doesn't exist, please modify the Galaxy List!");
}

void ShowMissingGalaxyFile(QWidget* parent, const QString& galaxyName)
{
    ShowCritical(parent, kMissingGalaxyFileTitle, MissingGalaxyFileText(galaxyName));
}

} // namespace messages
