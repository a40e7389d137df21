#include "VersionRecord.h"

namespace platform {

namespace {

QString VersionText(const QString& suffix)
{
    const VersionRecord version = Version();
    return QStringLiteral("Quarrimax %1.%2").arg(version.major).arg(version.minor) + suffix;
}

} // namespace

VersionRecord Version()
{
    return VersionRecord{QStringLiteral(QUARRIMAX_PRODUCT_NAME), QUARRIMAX_VERSION_MAJOR, QUARRIMAX_VERSION_MINOR};
}

QString VersionByline()
{
    return VersionText(QStringLiteral(" by Marrowen"));
}

QString FinalVersionByline()
{
    return VersionText(QStringLiteral(" FINAL by Marrowen"));
}

} // namespace platform
