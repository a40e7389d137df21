// The per-user settings store: texts by section and key under the application
// "Quarrimax2". What the program keeps there is in Schema.h. Keys and
// sections match without regard to letter case, whatever case a value was
// first stored with.
//
// On Linux the store is the file $XDG_CONFIG_HOME/Quarrimax2/Quarrimax2.conf
// (normally ~/.config/Quarrimax2/Quarrimax2.conf), read and written by
// QSettings in its INI form. A write takes the lock file Quarrimax2.conf.lock
// beside it, as QSettings does, and gives up after kLockPatience, so that the
// windows never wait long on another program's lock; reads never wait. The
// file is written whole, as a new file beside it that is read back and synced
// before it replaces the old one (the file a link points to, when the store is
// a link): a full disk leaves the old file and the write fails. A store file
// or lock file that is no plain file (a pipe, a device) is never opened.
//
// On Windows the store is the registry key
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Quarrimax2, one
// subkey per section, every value a string (REG_SZ), written and read as the
// exact text. Nothing else is read: not /etc/xdg, not HKEY_LOCAL_MACHINE.
#pragma once

#include <QList>
#include <QString>

#include <chrono>
#include <memory>

namespace settings {

// How long a write waits for the lock of the store's file before it fails.
inline constexpr std::chrono::milliseconds kLockPatience{1000};

// One use of the store: it is opened and read once, and every value is then
// looked up in what was read.
class Store {
public:
    enum class Use {
        Read,  // reads only; a store that cannot be read reads as empty
        Write, // takes the store's lock first; save() fails when it cannot be taken
    };
    explicit Store(Use use);
    ~Store(); // lets go of the lock
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // The stored text, or the empty text when the key, its section or the
    // whole store does not exist. Texts set and not yet saved count.
    QString text(const QString& section, const QString& key);
    // Replaces the key's whole value, creating the section as needed, once saved.
    void setText(const QString& section, const QString& key, const QString& text);
    // Stores what was set. On Linux all of it or none of it; in the registry
    // value by value in the order set, stopping at the first refused. False
    // when the store refused.
    bool save();

    struct Change {
        QString section;
        QString key;
        QString text;
    };
    class Backend;

private:
    std::unique_ptr<Backend> m_backend;
    QList<Change> m_changes;
};

// The store somewhere else while it lives: tests keep theirs in a place of
// their own. The place stands for $XDG_CONFIG_HOME on Linux (the store is
// <place>/Quarrimax2/Quarrimax2.conf) and for the registry path
// "Software\VB and VBA Program Settings" below HKEY_CURRENT_USER on Windows.
class ScopedStorePlace {
public:
    explicit ScopedStorePlace(QString place);
    ~ScopedStorePlace();
    ScopedStorePlace(const ScopedStorePlace&) = delete;
    ScopedStorePlace& operator=(const ScopedStorePlace&) = delete;

    // The place in use; empty for the user's own.
    static QString Current();

private:
    QString m_previous;
};

} // namespace settings
