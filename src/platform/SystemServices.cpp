#include "SystemServices.h"

#include <QCoreApplication>
#include <QDir>

namespace platform {

QString SystemServices::programFolder() const
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
}

SystemServices*& SystemServices::standIn()
{
    static SystemServices* inUse = nullptr;
    return inUse;
}

SystemServices& SystemServices::current()
{
    static SystemServices system;
    return standIn() != nullptr ? *standIn() : system;
}

} // namespace platform
