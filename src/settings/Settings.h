// The per-user settings store: texts by section and key under the
// application "Quarrimax2". What the program keeps there is in Schema.h. Keys
// and sections match without regard to letter case, whatever case a value
// was first stored with.
//
// On Linux the store is the file $XDG_CONFIG_HOME/Quarrimax2/Quarrimax2.conf
// (normally ~/.config/Quarrimax2/Quarrimax2.conf), in the INI form that
// QSettings reads and writes. It is read once for each use and written whole
// at once: a new file beside it, renamed over it (over the file a link points
// to, when the store is a link). Writers take the lock file
// Quarrimax2.conf.lock beside it, as QSettings does, and give up after
// LockPatience(): the windows never wait long on another program's lock or on
// one left behind that this user cannot remove. A store file that is no
// plain file (a pipe, a device, a link to one) is never opened: the store
// then reads as empty and refuses every write. Nor is such a lock file: the
// store still reads, and refuses every write.
//
// On Windows the store is the registry key
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Quarrimax2, one
// subkey per section, every value a string (REG_SZ). The registry matches
// names without regard to case itself and has no lock file.
//
// Nothing else is read: not the organization-wide or system-wide stores
// (/etc/xdg, HKEY_LOCAL_MACHINE).
#pragma once

#include <QString>

#include <chrono>
#include <memory>

namespace settings {

// One use of the store: it is opened and read once, and every value is then
// looked up in what was read.
class Store {
public:
    enum class Use {
        Read,  // reads only; a store that cannot be read reads as empty
        Write, // takes the store's lock first; every save fails when it cannot be taken
    };
    explicit Store(Use use);
    ~Store(); // lets go of the lock
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // The stored text, or the empty text when the key, its section or the
    // whole store does not exist. Texts set here and not yet saved count.
    QString text(const QString& section, const QString& key);
    // Replaces the key's whole value, creating the section as needed, once saved.
    void setText(const QString& section, const QString& key, const QString& text);
    // Stores what was set. On Linux all of it or none of it; in the registry
    // value by value in the order set, stopping at the first refused. False
    // when the store refused.
    bool save();

    class Backend;

private:
    std::unique_ptr<Backend> m_backend;
};

// The stored text, or the empty text when there is none. Never fails.
QString ReadSetting(const QString& section, const QString& key);

// Stores the text, replacing the key's whole value; creates the store and the
// section as needed. Returns false when the store refused the write.
bool WriteSetting(const QString& section, const QString& key, const QString& text);

// Where the store is: the path of its file, or the full name of its
// registry key.
QString StoreLocation();

// How long a write waits for the lock of the store's file before it fails.
inline constexpr std::chrono::milliseconds kLockPatience{1000};
std::chrono::milliseconds LockPatience();

// For the tests: the store somewhere of their own, and a lock patience of
// their choice, while the object lives. The place stands for
// $XDG_CONFIG_HOME on Linux (the store is <place>/Quarrimax2/Quarrimax2.conf)
// and for the registry path "Software\VB and VBA Program Settings" below
// HKEY_CURRENT_USER on Windows.
class ScopedStorePlace {
public:
    explicit ScopedStorePlace(QString place);
    ~ScopedStorePlace();
    ScopedStorePlace(const ScopedStorePlace&) = delete;
    ScopedStorePlace& operator=(const ScopedStorePlace&) = delete;

private:
    QString m_previous;
};

class ScopedLockPatience {
public:
    explicit ScopedLockPatience(std::chrono::milliseconds patience);
    ~ScopedLockPatience();
    ScopedLockPatience(const ScopedLockPatience&) = delete;
    ScopedLockPatience& operator=(const ScopedLockPatience&) = delete;

private:
    std::chrono::milliseconds m_previous;
};

} // namespace settings
