// The store as a file in QSettings' INI form. QSettings parses and writes it,
// but its own sync() waits for the lock without limit and overlooks a failed
// last write of its buffer (QTBUG-75077). So a write takes the lock itself,
// with patience, has QSettings write everything into a new file beside the
// store, reads that file back under another name (QSettings keeps what it
// wrote of a name in memory) and syncs it, and only then renames it into the
// store's place. For the same reason the store is read from a copy.
#include "StoreBackend.h"
#include "platform/VersionRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QTemporaryFile>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace settings {

namespace {

// The folder of per-user settings files: the place of the tests, or the
// folder QSettings itself uses (XDG_CONFIG_HOME), asked of an organization
// that has no file, so that nothing is opened.
QString StoreFile()
{
    QString folder = ScopedStorePlace::Current();
    if (folder.isEmpty()) {
        const QSettings probe(QSettings::IniFormat, QSettings::UserScope, QStringLiteral(".Quarrimax2 store folder"));
        folder = QFileInfo(probe.fileName()).path();
    }
    const QString product = platform::Version().productName;
    return folder + QLatin1Char('/') + product + QLatin1Char('/') + product + QStringLiteral(".conf");
}

// False only for a file that is there and is no plain file once every link is
// followed: a pipe would hold the program in its open until another program
// writes to it, and a device would be replaced by a plain file.
bool AbsentOrPlainFile(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISREG(info.st_mode);
}

// Among the names, the one that matches wanted without regard to case: the
// same spelling, otherwise the first in QSettings' sorted order.
QString Spelling(const QStringList& names, const QString& wanted)
{
    if (names.contains(wanted)) {
        return wanted;
    }
    for (const QString& name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
            return name;
        }
    }
    return wanted;
}

// The path of the key in QSettings' terms, "section/key", in the spellings
// that the settings already hold.
QString KeyPath(QSettings& settings, const QString& section, const QString& key)
{
    const QString group = Spelling(settings.childGroups(), section);
    settings.beginGroup(group);
    const QString name = Spelling(settings.childKeys(), key);
    settings.endGroup();
    return group + QLatin1Char('/') + name;
}

bool IsList(const QVariant& value)
{
    return value.metaType().id() == QMetaType::QStringList || value.metaType().id() == QMetaType::QVariantList;
}

// Whether a value read back is the one written: a list may come back as a
// list of texts or of variants.
bool Same(const QVariant& read, const QVariant& written)
{
    return read == written || (IsList(read) && IsList(written) && read.toStringList() == written.toStringList());
}

bool Synced(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int rc;
    do {
        rc = ::fsync(fd);
    } while (rc != 0 && errno == EINTR);
    return ::close(fd) == 0 && rc == 0;
}

class FileStore final : public Store::Backend {
public:
    explicit FileStore(Store::Use use) : m_path(StoreFile())
    {
        if (!AbsentOrPlainFile(m_path)) {
            return;
        }
        const QFileInfo file(m_path);
        if (use == Store::Use::Write) {
            // Read under the lock, so that no other writer's values are lost;
            // what cannot be read or replaced is not written over.
            const QString lock = m_path + QStringLiteral(".lock");
            m_lock.emplace(lock);
            m_writable = AbsentOrPlainFile(lock) && QDir().mkpath(file.path()) && m_lock->tryLock(kLockPatience)
                         && (!file.exists() || (file.isReadable() && file.isWritable()));
        }
        // QSettings keeps what it read of a file by name for as long as the
        // file's size and time (to the millisecond) stay the same, so after
        // two writes within a millisecond it would read the older one. The
        // store is read from a copy of its bytes under a name of its own.
        QFile in(m_path);
        const bool copied =
            m_copy.open() && (!in.exists() || (in.open(QIODevice::ReadOnly) && m_copy.write(in.readAll()) == in.size()))
            && m_copy.flush();
        m_writable = m_writable && copied;
        if (copied) {
            m_settings.emplace(m_copy.fileName(), QSettings::IniFormat);
        }
    }

    // A list reads as its items joined by ", ", as QSettings reads "a, b".
    QString text(const QString& section, const QString& key) override
    {
        if (!m_settings) {
            return {};
        }
        const QVariant value = m_settings->value(KeyPath(*m_settings, section, key));
        return IsList(value) ? value.toStringList().join(QStringLiteral(", ")) : value.toString();
    }

    bool save(const QList<Store::Change>& changes) override
    {
        // A file that QSettings could not open is not written over; one it
        // could not wholly make sense of is written as far as it could.
        if (!m_writable || m_settings->status() == QSettings::AccessError) {
            return false;
        }
        QVariantMap all;
        for (const QString& key : m_settings->allKeys()) {
            // A key with an empty name (a hand-made "=x") cannot be asked for
            // by its name, and goes.
            if (!key.isEmpty() && !key.endsWith(u'/') && !key.startsWith(u'/') && !key.contains(QStringLiteral("//"))) {
                all.insert(key, m_settings->value(key));
            }
        }
        for (const Store::Change& change : changes) {
            all.insert(KeyPath(*m_settings, change.section, change.key), change.text);
        }
        // The file a link points to is replaced; the link stays.
        const QFileInfo file(m_path);
        const QString target = file.isSymLink() ? file.symLinkTarget() : m_path;
        const QString unique = QUuid::createUuid().toString(QUuid::Id128);
        const QString written = target + QStringLiteral(".new-") + unique;
        const QString checked = target + QStringLiteral(".checked-") + unique;
        const bool replaced =
            Write(written, all) && QFile::rename(written, checked) && ReadsBack(checked, all)
            && (!QFile::exists(target) || QFile::setPermissions(checked, QFile::permissions(target))) && Synced(checked)
            && std::rename(QFile::encodeName(checked).constData(), QFile::encodeName(target).constData()) == 0;
        QFile::remove(written);
        QFile::remove(checked);
        return replaced;
    }

private:
    static bool Write(const QString& path, const QVariantMap& all)
    {
        QSettings out(path, QSettings::IniFormat);
        for (auto value = all.cbegin(); value != all.cend(); ++value) {
            out.setValue(value.key(), value.value());
        }
        out.sync();
        return out.status() == QSettings::NoError;
    }

    // Whether the file, read afresh, holds every value as written: a write
    // cut short by a full disk loses the last of them.
    static bool ReadsBack(const QString& path, const QVariantMap& all)
    {
        const QSettings in(path, QSettings::IniFormat);
        for (auto value = all.cbegin(); value != all.cend(); ++value) {
            if (!Same(in.value(value.key()), value.value())) {
                return false;
            }
        }
        return in.status() == QSettings::NoError && in.allKeys().size() == all.size();
    }

    QString m_path;
    std::optional<QLockFile> m_lock;
    QTemporaryFile m_copy{QDir::tempPath() + QStringLiteral("/Quarrimax2-XXXXXX.conf")};
    std::optional<QSettings> m_settings;
    bool m_writable = false;
};

} // namespace

std::unique_ptr<Store::Backend> OpenStore(Store::Use use)
{
    return std::make_unique<FileStore>(use);
}

} // namespace settings
