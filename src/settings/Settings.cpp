#include "Settings.h"

#include "platform/VersionRecord.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>

#include <utility>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <cstring>
#include <string>
#else
#include "IniFile.h"

#include <QDir>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace settings {

namespace {

QString& PlaceStandIn()
{
    static QString place;
    return place;
}

std::chrono::milliseconds& Patience()
{
    static std::chrono::milliseconds patience = kLockPatience;
    return patience;
}

} // namespace

class Store::Backend {
public:
    virtual ~Backend() = default;
    virtual QString text(const QString& section, const QString& key) = 0;
    virtual void setText(const QString& section, const QString& key, const QString& text) = 0;
    virtual bool save() = 0;
};

namespace {

#ifdef Q_OS_WIN
// The application's key below HKEY_CURRENT_USER.
QString ApplicationKey()
{
    const QString place =
        PlaceStandIn().isEmpty() ? QStringLiteral("Software\\VB and VBA Program Settings") : PlaceStandIn();
    return place + QLatin1Char('\\') + platform::Version().productName;
}

// The registry below HKEY_CURRENT_USER, one subkey per section under the
// application's key. Values are read and written through the Windows
// functions directly, so that a value is exactly the text: QSettings would
// store a text that begins with "@" in a form of its own.
class RegistryStore final : public Store::Backend {
public:
    RegistryStore() : m_application(ApplicationKey()) {}

    QString text(const QString& section, const QString& key) override
    {
        for (auto pending = m_pending.crbegin(); pending != m_pending.crend(); ++pending) {
            if (pending->section.compare(section, Qt::CaseInsensitive) == 0
                && pending->key.compare(key, Qt::CaseInsensitive) == 0) {
                return pending->text;
            }
        }
        HKEY handle = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(SectionPath(section)), 0, KEY_QUERY_VALUE, &handle)
            != ERROR_SUCCESS) {
            return {};
        }
        QString stored;
        DWORD type = 0;
        DWORD size = 0;
        const std::wstring name = key.toStdWString();
        if (RegQueryValueExW(handle, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            QByteArray data(static_cast<qsizetype>(size) + 2, '\0');
            if (RegQueryValueExW(handle, name.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(data.data()), &size)
                == ERROR_SUCCESS) {
                if (type == REG_SZ || type == REG_EXPAND_SZ) {
                    stored = QString::fromWCharArray(reinterpret_cast<const wchar_t*>(data.constData()),
                                                     static_cast<qsizetype>(size / sizeof(wchar_t)));
                    while (stored.endsWith(QChar::Null)) {
                        stored.chop(1);
                    }
                } else if (type == REG_DWORD && size == sizeof(DWORD)) {
                    DWORD number = 0;
                    std::memcpy(&number, data.constData(), sizeof number);
                    stored = QString::number(number);
                }
            }
        }
        RegCloseKey(handle);
        return stored;
    }

    void setText(const QString& section, const QString& key, const QString& text) override
    {
        m_pending.append(Pending{section, key, text});
    }

    bool save() override
    {
        const QList<Pending> pending = std::exchange(m_pending, {});
        for (const Pending& value : pending) {
            HKEY handle = nullptr;
            if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(SectionPath(value.section)), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &handle, nullptr)
                != ERROR_SUCCESS) {
                return false;
            }
            const std::wstring name = value.key.toStdWString();
            const std::wstring text = value.text.toStdWString();
            const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
            const LSTATUS status =
                RegSetValueExW(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
            RegCloseKey(handle);
            if (status != ERROR_SUCCESS) {
                return false;
            }
        }
        return true;
    }

private:
    struct Pending {
        QString section;
        QString key;
        QString text;
    };

    QString SectionPath(const QString& section) const { return m_application + QLatin1Char('\\') + section; }

    static const wchar_t* Wide(const QString& text)
    {
        static thread_local std::wstring wide;
        wide = text.toStdWString();
        return wide.c_str();
    }

    QString m_application;
    QList<Pending> m_pending;
};

#else

// The folder in which per-user settings files are kept: XDG_CONFIG_HOME, or
// the folder QSettings was given with setPath. Asked of an organization that
// has no file, so that nothing is opened.
QString UserSettingsFolder()
{
    if (!PlaceStandIn().isEmpty()) {
        return PlaceStandIn();
    }
    const QSettings probe(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral(".Quarrimax2 store folder"));
    return QFileInfo(probe.fileName()).path();
}

// False only for a file that is there and is no plain file once every link
// is followed: a pipe would hold the program in its first open until some
// other program writes to it, and a device would be replaced by a plain file
// when the store is saved. What is absent (a link to nothing included) or
// out of reach is found out by the open itself, without waiting.
bool AbsentOrPlainFile(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISREG(info.st_mode);
}

// Whether everything written through the file descriptor is on the disk.
bool Synced(int fd)
{
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

QString StoreFile()
{
    const QString product = platform::Version().productName;
    return UserSettingsFolder() + QLatin1Char('/') + product + QLatin1Char('/') + product + QStringLiteral(".conf");
}

// The store's file. A writer holds the lock file beside it from before it
// reads the file until the new file has taken its place, so that two writers
// never lose each other's values.
class FileStore final : public Store::Backend {
public:
    explicit FileStore(Store::Use use)
    {
        m_path = StoreFile();
        if (!AbsentOrPlainFile(m_path)) {
            return;
        }
        if (use == Store::Use::Write) {
            // Read under the lock, so that no other writer's values are lost.
            m_writable = lock() && read();
        } else {
            (void)read();
        }
    }

    QString text(const QString& section, const QString& key) override { return m_file.text(section, key); }

    void setText(const QString& section, const QString& key, const QString& text) override
    {
        m_file.setText(section, key, text);
    }

    bool save() override
    {
        if (!m_writable) {
            return false;
        }
        // A new file beside the store takes its place whole, or nothing
        // changes; a link keeps pointing where it did and its target is
        // replaced.
        QSaveFile out(m_path);
        out.setDirectWriteFallback(false);
        const QByteArray bytes = m_file.bytes();
        // Every byte must be on the disk before the new file takes the old
        // one's place: commit() itself overlooks a failed last write of its
        // buffer and a failed sync (QTBUG-75077), and a full disk would then
        // put a short or empty file in the store's place. On any failure the
        // new file goes (the destructor removes it) and the old one stays.
        if (out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.flush() && Synced(out.handle())) {
            return out.commit();
        }
        out.cancelWriting();
        return false;
    }

private:
    // Reads the whole file. False when it is there and cannot be read, or
    // cannot be replaced: what it holds would be lost by a write.
    bool read()
    {
        QFile in(m_path);
        if (!in.exists()) {
            m_file = IniFile();
            return true;
        }
        if (!in.open(QIODevice::ReadOnly)) {
            m_file = IniFile();
            return false;
        }
        m_file = IniFile(in.readAll());
        return in.error() == QFileDevice::NoError && QFileInfo(m_path).isWritable();
    }

    bool lock()
    {
        const QString lockPath = m_path + QStringLiteral(".lock");
        if (!AbsentOrPlainFile(lockPath) || !QDir().mkpath(QFileInfo(m_path).path())) {
            return false;
        }
        m_lock.emplace(lockPath);
        return m_lock->tryLock(static_cast<int>(Patience().count()));
    }

    QString m_path;
    IniFile m_file;
    std::optional<QLockFile> m_lock;
    bool m_writable = false;
};

#endif

} // namespace

Store::Store(Use use)
#ifdef Q_OS_WIN
    : m_backend(std::make_unique<RegistryStore>())
#else
    : m_backend(std::make_unique<FileStore>(use))
#endif
{
#ifdef Q_OS_WIN
    (void)use;
#endif
}

Store::~Store() = default;

QString Store::text(const QString& section, const QString& key)
{
    return m_backend->text(section, key);
}

void Store::setText(const QString& section, const QString& key, const QString& text)
{
    m_backend->setText(section, key, text);
}

bool Store::save()
{
    return m_backend->save();
}

QString ReadSetting(const QString& section, const QString& key)
{
    return Store(Store::Use::Read).text(section, key);
}

bool WriteSetting(const QString& section, const QString& key, const QString& text)
{
    Store store(Store::Use::Write);
    store.setText(section, key, text);
    return store.save();
}

QString StoreLocation()
{
#ifdef Q_OS_WIN
    return QStringLiteral("HKEY_CURRENT_USER\\") + ApplicationKey();
#else
    return StoreFile();
#endif
}

std::chrono::milliseconds LockPatience()
{
    return Patience();
}

ScopedStorePlace::ScopedStorePlace(QString place) : m_previous(std::exchange(PlaceStandIn(), std::move(place)))
{
}

ScopedStorePlace::~ScopedStorePlace()
{
    PlaceStandIn() = m_previous;
}

ScopedLockPatience::ScopedLockPatience(std::chrono::milliseconds patience)
    : m_previous(std::exchange(Patience(), patience))
{
}

ScopedLockPatience::~ScopedLockPatience()
{
    Patience() = m_previous;
}

} // namespace settings
