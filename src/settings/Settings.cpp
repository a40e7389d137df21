#include "Settings.h"

#include "platform/VersionRecord.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <memory>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <sys/stat.h>
#define QUARRIMAX_STORE_IS_A_FILE 1
#endif

namespace settings {

namespace {

enum class Use { Read, Write };

#ifdef QUARRIMAX_STORE_IS_A_FILE

// The folder in which the platform keeps per-user settings files, as
// QSettings finds it (XDG_CONFIG_HOME, or a folder set with setPath). Asked
// of an organization that has no file, so that nothing is opened.
QString UserSettingsFolder()
{
    const QSettings probe(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral(".Quarrimax2 store folder"));
    return QFileInfo(probe.fileName()).path();
}

// False only for a file that is there and is no plain file once every link
// is followed: a pipe would hold the program in its first open until some
// other program writes to it, and a device would be replaced by a plain file
// when the store is saved. What is absent (a link to nothing included) or
// out of reach, QSettings finds out itself without waiting.
bool AbsentOrPlainFile(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISREG(info.st_mode);
}

#endif

// The store itself: organization and application both carry the product
// name. Only this program's own entry is read: the organization-wide and
// system-wide stores that QSettings falls back on by default hold nothing
// this program wrote. Empty when the store's file is no plain file: then
// reads find nothing and writes fail, and the file is never opened.
std::unique_ptr<QSettings> OpenStore(Use use)
{
    const QString product = platform::Version().productName;
#ifdef QUARRIMAX_STORE_IS_A_FILE
    // By its file name, so that no fallback file is even opened.
    const QString file = UserSettingsFolder() + QLatin1Char('/') + product + QLatin1Char('/') + product
                         + QStringLiteral(".conf");
    // Saving takes a lock file beside the store, which is read when it exists.
    if (!AbsentOrPlainFile(file) || (use == Use::Write && !AbsentOrPlainFile(file + QStringLiteral(".lock")))) {
        return nullptr;
    }
    auto store = std::make_unique<QSettings>(file, QSettings::NativeFormat);
#else
    (void)use;
    auto store = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, product, product);
#endif
    store->setFallbacksEnabled(false);
    return store;
}

// The name among existing ones that matches wanted without regard to case; an
// exact match wins. wanted itself when none matches.
QString MatchName(const QStringList& existing, const QString& wanted)
{
    if (existing.contains(wanted)) {
        return wanted;
    }
    for (const QString& name : existing) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
            return name;
        }
    }
    return wanted;
}

// Enters the section, by the case it already has in the store.
void EnterSection(QSettings& store, const QString& section)
{
    store.beginGroup(MatchName(store.childGroups(), section));
}

// A value as text. A value edited by hand into a list (a=b, c) reads back as
// the text it was.
QString AsText(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", "));
    }
    return value.toString();
}

} // namespace

QString ReadSetting(const QString& section, const QString& key)
{
    auto store = OpenStore(Use::Read);
    if (!store) {
        return {};
    }
    EnterSection(*store, section);
    const QString stored = MatchName(store->childKeys(), key);
    return AsText(store->value(stored));
}

bool WriteSetting(const QString& section, const QString& key, const QString& text)
{
    auto store = OpenStore(Use::Write);
    if (!store) {
        return false;
    }
    EnterSection(*store, section);
    store->setValue(MatchName(store->childKeys(), key), text);
    store->endGroup();
    store->sync();
    const QSettings::Status status = store->status();
    store.reset();
    // A store holding text that could not be read says so even after its file
    // was written anew with what could be read and the new value; the write
    // counts when the value reads back.
    return status == QSettings::NoError
           || (status == QSettings::FormatError && ReadSetting(section, key) == text);
}

} // namespace settings
