// A program folder and a settings store of a test's own in place of the
// player's, and an empty galaxy state at its start and end: what every test
// of the galaxy state, the settings and the windows starts from. Qt Core
// only, like the galaxy state and the settings. The store is also read and
// written here directly, by the exact key, as another program or a hand edit
// would see it.
//
// The store of a test is a folder of its own on Linux, and on Windows a
// registry key of its own, HKEY_CURRENT_USER\Software\Quarrimax2-tests\<unique>,
// removed with everything below it when the sandbox ends. The player's own
// settings are never read or written.
#pragma once

#include "platform/SystemServices.h"
#include "settings/Settings.h"
#include "state/Declare.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QUuid>

#include <optional>
#include <utility>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <string>
#endif

namespace testsupport {

// System services that name a folder of the test's own as the program folder.
class FolderServices final : public platform::SystemServices {
public:
    explicit FolderServices(QString folder) : m_folder(std::move(folder)) {}
    QString programFolder() const override { return m_folder; }

private:
    QString m_folder;
};

// Where the store of the sandbox in use lives: its folder on Linux, its
// registry path below HKEY_CURRENT_USER on Windows.
inline QString& StorePlace()
{
    static QString place;
    return place;
}

#ifdef Q_OS_WIN
inline const QString kTestKeys = QStringLiteral("Software\\Quarrimax2-tests");

// The sandbox's key of the application: where the program keeps its sections.
inline std::wstring ApplicationKey()
{
    return (StorePlace() + QStringLiteral("\\Quarrimax2")).toStdWString();
}
#endif

// The galaxy state as at the program's start: no Galaxy List, no selection,
// no open galaxy file.
inline void ResetGalaxyState()
{
    Declare::pstrGalaxyName = {};
    Declare::pstrGalaxyFile = {};
    Declare::pstrCurrentGalaxyFile.clear();
    (void)Declare::openGalaxyFile.close();
}

class Sandbox {
public:
    Sandbox()
    {
#ifdef Q_OS_WIN
        m_place = kTestKeys + QLatin1Char('\\') + QUuid::createUuid().toString(QUuid::WithoutBraces);
#else
        m_place = m_store.path();
        // QSettings as another program would use it, to read the store by hand.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_place);
#endif
        m_previousPlace = std::exchange(StorePlace(), m_place);
        m_placed.emplace(m_place);
        ResetGalaxyState();
    }
    ~Sandbox()
    {
        ResetGalaxyState();
        m_placed.reset();
        StorePlace() = m_previousPlace;
#ifdef Q_OS_WIN
        // The key of this sandbox, and the tests' key once no sandbox is left in it.
        RegDeleteTreeW(HKEY_CURRENT_USER, m_place.toStdWString().c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, kTestKeys.toStdWString().c_str());
#endif
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    QString folder() const
    {
        return m_program.path();
    }
    QString file(const QString& name) const
    {
        return m_program.filePath(name);
    }
    QString report() const
    {
        return file(QStringLiteral("dump.txt"));
    }
    // The store's file on Linux; on Windows the store is the registry key
    // storeKey() names.
    QString storeFile() const
    {
        return m_store.filePath(QStringLiteral("Quarrimax2/Quarrimax2.conf"));
    }
    QString storeKey() const
    {
        return QStringLiteral("HKEY_CURRENT_USER\\") + m_place + QStringLiteral("\\Quarrimax2");
    }

    // Makes the store refuse every write from now on, and empties it: on
    // Linux a folder stands where its file belongs; on Windows the
    // application's key is made anew volatile, and a volatile key takes no
    // lasting section key below it. False when that could not be arranged.
    bool refuseWrites() const
    {
#ifdef Q_OS_WIN
        RegDeleteTreeW(HKEY_CURRENT_USER, ApplicationKey().c_str());
        HKEY handle = nullptr;
        const bool made = RegCreateKeyExW(HKEY_CURRENT_USER, ApplicationKey().c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                          KEY_ALL_ACCESS, nullptr, &handle, nullptr)
                          == ERROR_SUCCESS;
        if (made) {
            RegCloseKey(handle);
        }
        return made;
#else
        (void)QFile::remove(storeFile());
        return QDir().mkpath(storeFile());
#endif
    }

private:
    QTemporaryDir m_program;
    QTemporaryDir m_store;
    QString m_place;
    QString m_previousPlace;
    std::optional<settings::ScopedStorePlace> m_placed;
    FolderServices m_folder{QDir::toNativeSeparators(m_program.path())};
    platform::ScopedSystemServices m_folderInstalled{m_folder};
};

// The sandbox's store as QSettings opens it: on Linux the file, as QSettings
// finds it for the application, on Windows the registry key.
inline QSettings RawStore()
{
#ifdef Q_OS_WIN
    return QSettings(QStringLiteral("HKEY_CURRENT_USER\\") + StorePlace() + QStringLiteral("\\Quarrimax2"),
                     QSettings::NativeFormat);
#else
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quarrimax2"),
                     QStringLiteral("Quarrimax2"));
#endif
}

#ifdef Q_OS_WIN
// The registry holds no parse of its own in the process: RawStore() reads
// what is stored now.
inline QSettings FreshRawStore()
{
    return RawStore();
}

// On Windows values are written and read as registry strings, exactly the
// text (QSettings would keep a text beginning with "@" in a form of its own).
inline void StoreRaw(const QString& section, const QString& key, const QString& value)
{
    const std::wstring path = ApplicationKey() + L"\\" + section.toStdWString();
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr)
        != ERROR_SUCCESS) {
        return;
    }
    const std::wstring text = value.toStdWString();
    RegSetValueExW(handle, key.toStdWString().c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
}

// The stored string; nothing when the value is absent or is no REG_SZ.
inline std::optional<QString> StoredRaw(const QString& section, const QString& key)
{
    const std::wstring path = ApplicationKey() + L"\\" + section.toStdWString();
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), key.toStdWString().c_str(), RRF_RT_REG_SZ, nullptr, nullptr,
                     &size)
        != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), key.toStdWString().c_str(), RRF_RT_REG_SZ, nullptr, text.data(),
                     &size)
        != ERROR_SUCCESS) {
        return std::nullopt;
    }
    text.resize(size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return QString::fromStdWString(text);
}
#else
// The sandbox's store file on Linux.
inline QString StoreFilePath()
{
    return StorePlace() + QStringLiteral("/Quarrimax2/Quarrimax2.conf");
}

// A copy of the store file under a name never used before (empty when there
// is no store file). QSettings keeps every file it parsed in a cache of the
// process and parses it again only when its size or time stamp changed; a
// write of the program's own may change neither within one step of the
// clock, and the cache would give the values from before it, or write them
// back. A copy of its own is always parsed afresh.
inline QString FreshCopyOfStore()
{
    static QTemporaryDir copies;
    const QString copy = copies.filePath(QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".conf"));
    (void)QFile::copy(StoreFilePath(), copy);
    return copy;
}

// The store as QSettings reads it, parsed afresh; reading only.
inline QSettings FreshRawStore()
{
    return QSettings(FreshCopyOfStore(), QSettings::IniFormat);
}

inline void StoreRaw(const QString& section, const QString& key, const QString& value)
{
    const QString copy = FreshCopyOfStore();
    {
        QSettings store(copy, QSettings::IniFormat);
        store.setValue(section + QLatin1Char('/') + key, value);
        store.sync();
    }
    QFile written(copy);
    QByteArray bytes;
    if (written.open(QIODevice::ReadOnly)) {
        bytes = written.readAll();
    }
    // Written into the store file as it is, a link to a file through the link.
    (void)QDir().mkpath(QFileInfo(StoreFilePath()).path());
    QFile store(StoreFilePath());
    if (store.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        (void)store.write(bytes);
    }
}

inline std::optional<QString> StoredRaw(const QString& section, const QString& key)
{
    QSettings store = FreshRawStore();
    const QString path = section + QLatin1Char('/') + key;
    if (!store.contains(path)) {
        return std::nullopt;
    }
    return store.value(path).toString();
}
#endif

// Galaxy List entries as the editor stores them.
inline void StoreGalaxy(int n, const QString& name, const QString& file)
{
    StoreRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxy%1").arg(n), name);
    StoreRaw(QStringLiteral("Galaxies"), QStringLiteral("Galaxyfile%1").arg(n), file);
}

} // namespace testsupport
