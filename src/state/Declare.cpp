#include "Declare.h"

#include "platform/Platform.h"

#include <QDir>

namespace Declare {

QString GalaxyPath(const QString& fileName)
{
    return platform::Platform::services().programFolder() + QDir::separator() + fileName;
}

QString ReportPath()
{
    return GalaxyPath(QStringLiteral("dump.txt"));
}

void Reset()
{
    for (int i = 0; i <= kGalaxyEntries; ++i) {
        pstrGalaxyName[static_cast<std::size_t>(i)].clear();
        pstrGalaxyFile[static_cast<std::size_t>(i)].clear();
    }
    pstrCurrentGalaxyFile.clear();
    (void)openGalaxyFile.close();
}

} // namespace Declare
