// The program's version record.
#pragma once

#include <QString>

namespace platform {

struct VersionRecord {
    QString productName;
    int major = 0;
    int minor = 0;
};

VersionRecord Version();

} // namespace platform
