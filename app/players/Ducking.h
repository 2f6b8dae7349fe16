#pragma once

#include "players/Players.h"

#include <array>
#include <cstdint>

namespace players {

// Announcements over music: while a player whose setting asks for it sounds, every other player
// on the same device is lowered by that many dB; under two announcing players, the larger reduction
// applies. A player's own volume setting stays as it is.

// How fast a lowered player goes down as an announcement starts, and back up after it ends.
inline constexpr std::int32_t DUCK_DOWN_MS = 300;
inline constexpr std::int32_t DUCK_UP_MS = 800;
// A stream holds about 250 ms of audio between its levels and the loudspeaker (the sound server's
// buffer and the last segment on its way), so a new level is heard that much later. For an
// announcement whose start is known ahead (a timed row), the music begins to glide down this much
// before it, so that the glide is heard as the announcement starts (a little ahead rather than late).
inline constexpr std::int32_t DUCK_LEAD_MS = 300;

// The reduction in dB each player should have now: the largest DuckDb among the other players that
// are running, or about to sound, on its device (the same device name; the default device is one
// device too); 0 when none is.
[[nodiscard]] std::array<std::int32_t, PLAYER_COUNT> DuckTargets(
    const Players& players, const std::array<bool, PLAYER_COUNT>& aboutToSound = {});

} // namespace players
