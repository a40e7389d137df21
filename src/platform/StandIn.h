// Stand-ins for a set of services, put in place for a scope: tests answer for
// the user with them, and no stand-in outlives its test.
#pragma once

namespace platform {

// Puts a stand-in in place of the services in use for as long as it lives;
// then the services in use before come back, so stand-ins nest. Services
// keeps the stand-in in use in a slot of its own, standIn(), that only this
// may change.
template <typename Services>
class ScopedStandIn {
public:
    explicit ScopedStandIn(Services& standIn) : m_previous(Services::standIn()) { Services::standIn() = &standIn; }
    ~ScopedStandIn() { Services::standIn() = m_previous; }
    ScopedStandIn(const ScopedStandIn&) = delete;
    ScopedStandIn& operator=(const ScopedStandIn&) = delete;

private:
    Services* m_previous;
};

} // namespace platform
