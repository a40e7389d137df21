// The messages that more than one window shows, with their titles and texts
// as the program has always worded them, misspellings included. Each shows
// a modal box with a critical icon and an OK button over the given window,
// through the desktop's services the window was made with.
#pragma once

#include <QString>

class QWidget;

namespace platform {
class Platform;
}

namespace messages {

// "Critical Error": a command failed in a way it does not tell apart (the
// dump, the Galaxy List editor's Save, a galaxy file that cannot be opened).
inline const QString kGenericErrorTitle = QStringLiteral("Critical Error");
inline const QString kGenericErrorText = QStringLiteral("An Error Unknow Occured");
void ShowGenericError(platform::Platform& desktop, QWidget* parent);

// "Error Opening notepad": the external editor is not there (the dump, the
// report viewer's offer of the editor).
inline const QString kEditorMissingTitle = QStringLiteral("Error Opening notepad");
inline const QString kEditorMissingText =
    QStringLiteral("Notepad.exe not Found in dir C:\\windows\\ please use the built in text displayer");
void ShowEditorMissing(platform::Platform& desktop, QWidget* parent);

// "Files dosent exist": the galaxy file of the Galaxy List entry with this
// name is missing (a selection, the dump).
inline const QString kMissingGalaxyFileTitle = QStringLiteral("Files dosent exist");
QString MissingGalaxyFileText(const QString& galaxyName);
void ShowMissingGalaxyFile(platform::Platform& desktop, QWidget* parent, const QString& galaxyName);

} // namespace messages
