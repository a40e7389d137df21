// The program's version record, and the version as the windows show it.
#pragma once

#include <QString>

namespace platform {

struct VersionRecord {
    QString productName; // also the settings store's name and the title of untitled messages
    int major = 0;
    int minor = 0;
};

VersionRecord Version();

// "Quarrimax ", the major number, ".", the minor number and " by Marrowen":
// the main window's title.
QString VersionByline();
// The same with " FINAL by Marrowen": the About window and the report viewer.
QString FinalVersionByline();

} // namespace platform
