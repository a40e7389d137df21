#include "Declare.h"

#include "platform/SystemServices.h"

#include <QDir>

namespace Declare {

QString GalaxyPath(const QString& fileName)
{
    // Galaxy List names are written as on Windows, where "\" parts folders,
    // and mean the same on every system: sub\alpha.gxy is alpha.gxy in the
    // folder sub. "/" parts folders too.
    QString name = fileName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::toNativeSeparators(platform::SystemServices::current().programFolder() + QLatin1Char('/') + name);
}

QString ReportPath()
{
    return GalaxyPath(QStringLiteral("dump.txt"));
}

bool GalaxyFileExists(const QString& fileName)
{
    // Asked of the galaxy core, which opens the file afterwards, so that both
    // take the name by the same rule and a file on its way out counts as gone.
    return !fileName.isEmpty() && galaxy::IsExistingPlainFile(FsPath(GalaxyPath(fileName)));
}

Selection SelectGalaxy(int index)
{
    (void)openGalaxyFile.close();
    pstrCurrentGalaxyFile = pstrGalaxyFile.at(static_cast<std::size_t>(index));
    if (!GalaxyFileExists(pstrCurrentGalaxyFile)) {
        return Selection::Missing;
    }
    const galaxy::GalaxyResult opened =
        openGalaxyFile.open(FsPath(GalaxyPath(pstrCurrentGalaxyFile)), galaxy::GalaxyFile::Mode::ReadShared);
    return opened.ok() ? Selection::Opened : Selection::Unreadable;
}

bool ReopenReplacedGalaxyFile()
{
    const std::filesystem::path path = FsPath(GalaxyPath(pstrCurrentGalaxyFile));
    if (!openGalaxyFile.isOpen() || openGalaxyFile.isFileAt(path)) {
        return true;
    }
    return openGalaxyFile.open(path, galaxy::GalaxyFile::Mode::ReadShared).ok();
}

} // namespace Declare
