#include "players/PlayerState.h"

namespace players {

const char* PlayerStateText(PlayerState state)
{
    switch (state) {
    case PLAYER_STOPPED:
        return "Stopped";
    case PLAYER_RUNNING:
        return "Running";
    case PLAYER_PAUSED:
        return "Paused";
    case PLAYER_IDLE:
        break;
    }
    return "";
}

} // namespace players
