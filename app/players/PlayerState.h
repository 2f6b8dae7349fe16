#pragma once

#include <cstdint>

namespace players {

// The main window's view of a player's playback, set only by the playback operations.
enum PlayerState : std::int16_t {
    PLAYER_IDLE = 0,
    PLAYER_STOPPED = 1,
    PLAYER_RUNNING = 2,
    PLAYER_PAUSED = 3,
};

// "Stopped", "Running" or "Paused"; empty for an idle player, which shows no status yet.
[[nodiscard]] const char* PlayerStateText(PlayerState state);

} // namespace players
