#include "players/Ducking.h"

#include <algorithm>

namespace players {

std::array<std::int32_t, PLAYER_COUNT> DuckTargets(
    const Players& players, const std::array<bool, PLAYER_COUNT>& aboutToSound)
{
    std::array<std::int32_t, PLAYER_COUNT> targets {};
    for (int announcer = 0; announcer < PLAYER_COUNT; ++announcer) {
        const PlayerSlot& slot = players.Slot(announcer);
        const bool sounds = slot.State == PLAYER_RUNNING || aboutToSound[static_cast<std::size_t>(announcer)];
        if (!sounds || slot.Setting.DuckDb <= 0)
            continue;
        for (int player = 0; player < PLAYER_COUNT; ++player) {
            if (player != announcer && players.Slot(player).Setting.Device == slot.Setting.Device) {
                auto& target = targets[static_cast<std::size_t>(player)];
                target = std::max(target, slot.Setting.DuckDb);
            }
        }
    }
    return targets;
}

} // namespace players
