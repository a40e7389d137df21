#include "SystemFile.h"

#include <utility>

namespace galaxy {

SystemFile::~SystemFile()
{
    (void)close();
}

SystemFile::SystemFile(SystemFile&& other) noexcept : m_native(std::exchange(other.m_native, kClosed))
{
}

SystemFile& SystemFile::operator=(SystemFile&& other) noexcept
{
    if (this != &other) {
        (void)close();
        m_native = std::exchange(other.m_native, kClosed);
    }
    return *this;
}

bool SystemFile::isOpen() const
{
    return m_native != kClosed;
}

} // namespace galaxy
