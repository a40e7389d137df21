// A program folder and a settings store of a test's own in place of the
// player's, and an empty galaxy state at its start and end: what every test
// of the galaxy state, the settings and the windows starts from. Qt Core
// only, like the galaxy state and the settings. The store is also read and
// written here directly, by the exact key, as another program or a hand edit
// would see it.
#pragma once

#include "platform/SystemServices.h"
#include "state/Declare.h"

#include <QDir>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

#include <optional>
#include <utility>

namespace testsupport {

// System services that name a folder of the test's own as the program folder.
class FolderServices final : public platform::SystemServices {
public:
    explicit FolderServices(QString folder) : m_folder(std::move(folder)) {}
    QString programFolder() const override { return m_folder; }

private:
    QString m_folder;
};

class Sandbox {
public:
    Sandbox()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_store.path());
        Declare::Reset();
    }
    ~Sandbox() { Declare::Reset(); }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    QString folder() const { return m_program.path(); }
    QString file(const QString& name) const { return m_program.filePath(name); }
    QString report() const { return file(QStringLiteral("dump.txt")); }
    QString storeFile() const { return m_store.filePath(QStringLiteral("Quarrimax2/Quarrimax2.conf")); }

private:
    QTemporaryDir m_program;
    QTemporaryDir m_store;
    FolderServices m_folder{QDir::toNativeSeparators(m_program.path())};
    platform::ScopedSystemServices m_folderInstalled{m_folder};
};

inline QSettings RawStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quarrimax2"),
                     QStringLiteral("Quarrimax2"));
}

inline void StoreRaw(const QString& section, const QString& key, const QString& value)
{
    QSettings store = RawStore();
    store.setValue(section + QLatin1Char('/') + key, value);
    store.sync();
}

inline std::optional<QString> StoredRaw(const QString& section, const QString& key)
{
    QSettings store = RawStore();
    const QString path = section + QLatin1Char('/') + key;
    if (!store.contains(path)) {
        return std::nullopt;
    }
    return store.value(path).toString();
}

// Galaxy List entries as the editor stores them.
inline void StoreGalaxy(int n, const QString& name, const QString& file)
{
    StoreRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxy%1").arg(n), name);
    StoreRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxyfile%1").arg(n), file);
}

} // namespace testsupport
