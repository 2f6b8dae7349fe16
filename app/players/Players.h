#pragma once

#include "players/PlayerSlot.h"

#include <array>

namespace players {

// Players are numbered 0 to 7; the same number is the player's stream id in the audio control.
inline constexpr int PLAYER_COUNT = 8;

// The eight players, with their defaults from construction on. None is ever added or removed.
class Players {
public:
    Players();
    Players(const Players&) = delete;
    Players& operator=(const Players&) = delete;

    [[nodiscard]] static bool IsPlayer(int player) { return player >= 0 && player < PLAYER_COUNT; }

    // Precondition: IsPlayer(player).
    [[nodiscard]] PlayerSlot& Slot(int player) { return m_slots[static_cast<std::size_t>(player)]; }
    [[nodiscard]] const PlayerSlot& Slot(int player) const
    {
        return m_slots[static_cast<std::size_t>(player)];
    }
    // nullptr for a number that is not a player.
    [[nodiscard]] PlayerSlot* Find(int player) { return IsPlayer(player) ? &Slot(player) : nullptr; }
    [[nodiscard]] const PlayerSlot* Find(int player) const
    {
        return IsPlayer(player) ? &Slot(player) : nullptr;
    }

    [[nodiscard]] auto begin() { return m_slots.begin(); }
    [[nodiscard]] auto end() { return m_slots.end(); }
    [[nodiscard]] auto begin() const { return m_slots.begin(); }
    [[nodiscard]] auto end() const { return m_slots.end(); }

private:
    std::array<PlayerSlot, PLAYER_COUNT> m_slots;
};

} // namespace players
