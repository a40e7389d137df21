// A galaxy file opened by this program: read while the game may write it, or
// written by the merge. A galaxy file is never opened to be emptied.
#pragma once

#include "SystemFile.h"

namespace galaxy {

class GalaxyFile : public SystemFile {
public:
    enum class Mode {
        ReadShared,      // read only; others may read, write, delete and rename meanwhile
        ReadWriteCreate, // read and write at offsets, created empty when missing, never truncated
        AppendOnly,      // write only, every write at the file's end as it is then; the file must exist
    };

    GalaxyResult open(const std::filesystem::path& path, Mode mode)
    {
        switch (mode) {
        case Mode::ReadWriteCreate: return SystemFile::open(path, SystemFile::Mode::ReadWriteCreate);
        case Mode::AppendOnly: return SystemFile::open(path, SystemFile::Mode::AppendOnly);
        case Mode::ReadShared: break;
        }
        return SystemFile::open(path, SystemFile::Mode::ReadShared);
    }
};

} // namespace galaxy
