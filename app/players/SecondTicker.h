#pragma once

#include "base/UniqueFd.h"

#include <cstdint>
#include <ctime>

namespace players {

// The expiry of the tick that follows `now` on the real-time clock: the next whole second plus the
// offset (0 to 999,999,999 ns). A time exactly on a tick is followed by the next one.
[[nodiscard]] timespec NextTickAfter(const timespec& now, long offsetNs);

// A timer descriptor that becomes readable just after every second of the wall clock, for the one
// tick that serves every player's timer. It runs on the real-time clock with absolute expiries, so
// the ticks stay on the clock's seconds however late each one is handled, and it is cancelled when
// the clock is set (by hand, by a time service, or on resume after a suspend), so that the owner
// hears of the change at once and looks at the time anew.
//
// Linux only (timerfd). Not thread-safe; the owner watches Fd() for reading in its event loop and
// calls Acknowledge() whenever it is readable.
class SecondTicker {
public:
    // How long after each second the tick comes: the clock must read the new second by then.
    static constexpr long OFFSET_NS = 1'000'000;

    enum class Event {
        // Nothing to do (a spurious wake-up).
        None,
        // One or more seconds began since the last acknowledgement.
        Seconds,
        // The clock was set; the ticks are armed again on its new seconds.
        ClockSet,
    };

    // Invalid (Valid() false) when the descriptor cannot be made or armed.
    SecondTicker();
    SecondTicker(const SecondTicker&) = delete;
    SecondTicker& operator=(const SecondTicker&) = delete;

    [[nodiscard]] bool Valid() const { return m_fd.Valid(); }
    [[nodiscard]] int Fd() const { return m_fd.Get(); }

    // Takes what made the descriptor readable. expired, when not null, receives the number of
    // seconds that began since the last acknowledgement (more than one when the owner was held up).
    Event Acknowledge(std::uint64_t* expired = nullptr);

private:
    [[nodiscard]] bool Arm();

    base::UniqueFd m_fd;
};

} // namespace players
