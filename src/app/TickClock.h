#pragma once

#include "core/Clock.h"

#include <optional>
#include <utility>

// The clock the tick's steps read: the desktop's clock, read once for a whole tick, so that the
// steps see one time and the tick looks at the time zone once (each look stats the zone file).
// Outside a tick it reads the desktop's clock at every call.
class TickClock : public Clock {
public:
    explicit TickClock(const Clock& desktop) : m_desktop(desktop) {}
    QDateTime now() const override { return m_held ? *m_held : m_desktop.now(); }

    // The time of one tick, from its start until it goes.
    class Tick {
    public:
        explicit Tick(TickClock& clock) : m_clock(clock), m_outer(std::exchange(clock.m_held, clock.m_desktop.now())) {}
        ~Tick() { m_clock.m_held = std::move(m_outer); }
        Tick(const Tick&) = delete;
        Tick& operator=(const Tick&) = delete;

    private:
        TickClock& m_clock;
        std::optional<QDateTime> m_outer;
    };

private:
    const Clock& m_desktop;
    std::optional<QDateTime> m_held;
};
