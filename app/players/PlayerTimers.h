#pragma once

#include <cstdint>

namespace players {

// A player's timer has the id PLAYER_TIMER_ID_BASE + player.
inline constexpr std::uint32_t PLAYER_TIMER_ID_BASE = 200;

// The players' timers. One tick just after every second of the wall clock serves them all: the main
// window runs it on its event loop and hands it to TimerScheduler::Tick; a player's timer is on while
// its id is stored.
class IPlayerTimers {
public:
    virtual ~IPlayerTimers() = default;

    // Starts the player's timer; the id it runs under, or 0 when it could not be started.
    [[nodiscard]] virtual std::uint32_t Start(int player) = 0;
    virtual void Stop(int player) = 0;
};

} // namespace players
