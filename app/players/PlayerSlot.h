#pragma once

#include "players/PlayList.h"
#include "players/PlayerSetting.h"
#include "players/PlayerState.h"
#include "players/SchedulePolicy.h"

#include <cstdint>

namespace players {

// Everything the main window keeps for one player.
struct PlayerSlot {
    PlayerSetting Setting;
    SchedulePolicy Policy;
    PlayList List;
    // As the main window last set it.
    PlayerState State = PLAYER_IDLE;
    // Id of the player's running timer; 0 means the timer is off.
    std::uint32_t Timer = 0;
    // Whether the timer runs again when the program starts: the last start or stop the user gave it.
    // Stored in the configuration, so that an unattended machine plays again after a power cut.
    bool TimerWanted = false;

    [[nodiscard]] bool TimerOn() const { return Timer != 0; }
};

} // namespace players
