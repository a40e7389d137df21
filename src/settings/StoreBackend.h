// What the store is on each system: Settings_posix.cpp (a file read and
// written by QSettings) and Settings_win.cpp (the registry).
#pragma once

#include "Settings.h"

namespace settings {

class Store::Backend {
public:
    virtual ~Backend() = default;
    // The stored text, the key and section matched without regard to case.
    virtual QString text(const QString& section, const QString& key) = 0;
    // Stores the changes, in order; false when the store refused them.
    virtual bool save(const QList<Store::Change>& changes) = 0;
};

// The store of this system, opened for one use.
std::unique_ptr<Store::Backend> OpenStore(Store::Use use);

} // namespace settings
