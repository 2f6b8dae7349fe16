#pragma once

#include <cstdint>

// A player's timer has the id PLAYER_TIMER_ID_BASE + player and ticks every PLAYER_TIMER_PERIOD_MS.
inline constexpr std::uint32_t PLAYER_TIMER_ID_BASE = 200;
inline constexpr int PLAYER_TIMER_PERIOD_MS = 1000;

// The eight players' one-second timers. The main window runs them on its event loop and hands each
// tick to TimerScheduler::Tick for the timer's player.
class IPlayerTimers {
public:
    virtual ~IPlayerTimers() = default;

    // Starts the player's timer; the id it runs under, or 0 when it could not be started.
    [[nodiscard]] virtual std::uint32_t Start(int player) = 0;
    virtual void Stop(int player) = 0;
};
