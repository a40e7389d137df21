#include "Settings.h"

#include "StoreBackend.h"

#include <utility>

namespace settings {

namespace {

QString& Place()
{
    static QString place;
    return place;
}

} // namespace

Store::Store(Use use) : m_backend(OpenStore(use))
{
}

Store::~Store() = default;

QString Store::text(const QString& section, const QString& key)
{
    for (auto change = m_changes.crbegin(); change != m_changes.crend(); ++change) {
        if (change->section.compare(section, Qt::CaseInsensitive) == 0
            && change->key.compare(key, Qt::CaseInsensitive) == 0) {
            return change->text;
        }
    }
    return m_backend->text(section, key);
}

void Store::setText(const QString& section, const QString& key, const QString& text)
{
    m_changes.append(Change{section, key, text});
}

bool Store::save()
{
    return m_backend->save(m_changes);
}

ScopedStorePlace::ScopedStorePlace(QString place) : m_previous(std::exchange(Place(), std::move(place)))
{
}

ScopedStorePlace::~ScopedStorePlace()
{
    Place() = m_previous;
}

QString ScopedStorePlace::Current()
{
    return Place();
}

} // namespace settings
