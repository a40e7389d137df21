// The program-wide galaxy state, shared by the windows: the in-memory Galaxy
// List, the file name of the selected galaxy and the open galaxy file.
#pragma once

#include "galaxy/GalaxyFile.h"

#include <QString>

#include <array>
#include <filesystem>

namespace Declare {

inline constexpr int kGalaxyEntries = 4;

// Display names and galaxy file names of Galaxy List entries 1 to 4; index 0
// is never written and stays empty.
inline std::array<QString, kGalaxyEntries + 1> pstrGalaxyName;
inline std::array<QString, kGalaxyEntries + 1> pstrGalaxyFile;

// The galaxy file name of the entry selected last; empty until a selection.
inline QString pstrCurrentGalaxyFile;

// The galaxy file the main window holds open, read-only and shared, from a
// selection whose file exists until the next selection or until the main
// window closes. Closed (isOpen() false) otherwise.
inline galaxy::GalaxyFile openGalaxyFile;

// A galaxy file name resolved against the program folder: the folder, a
// separator and the name, joined as texts, with "\" and "/" in the name taken
// as folder separators on every system; in the platform's own separators.
QString GalaxyPath(const QString& fileName);

// The report file: dump.txt in the program folder.
QString ReportPath();

// A path text as the galaxy core takes it.
inline std::filesystem::path FsPath(const QString& path)
{
    return std::filesystem::path(path.toStdU16String());
}

// Whether a galaxy file name names a plain file that exists in the program
// folder, by the system's own rule for names (on Windows blanks and dots at the
// end of the name do not count) and not counting a file deleted while another
// program still holds it open; false for the empty name.
bool GalaxyFileExists(const QString& fileName);

// What happened when a galaxy was selected.
enum class Selection {
    Opened,     // its file is now the open galaxy file
    Missing,    // its file name is empty or names no file
    Unreadable, // its file exists but could not be opened
};

// Selects Galaxy List entry index: closes the open galaxy file, makes the
// entry's file name current and opens that file read-only and shared.
Selection SelectGalaxy(int index);

// Keeps the open galaxy file the file that pstrCurrentGalaxyFile names now:
// when another program has renamed another file into its place, or deleted it
// and made a new one under its name, since it was opened, that name is opened
// anew, read-only and shared, as a selection opens it. Nothing changes while
// no galaxy file is open. False when the new file cannot be opened; no galaxy
// file is open then.
bool ReopenReplacedGalaxyFile();

} // namespace Declare
