// The services of the system that the galaxy state and the settings use,
// below any window: the folder that holds the program. They reach it only
// through SystemServices::current(), so tests can put a stand-in in its
// place. Qt Core only.
#pragma once

#include "StandIn.h"

#include <QString>

namespace platform {

class SystemServices {
public:
    virtual ~SystemServices() = default;

    // The folder that holds the program's executable, without a trailing
    // separator, in the platform's own separators.
    virtual QString programFolder() const;

    // The services in use: the system's own unless a stand-in is in place.
    static SystemServices& current();

private:
    friend class ScopedStandIn<SystemServices>;
    static SystemServices*& standIn();
};

using ScopedSystemServices = ScopedStandIn<SystemServices>;

} // namespace platform
