#include "players/Players.h"

namespace players {

Players::Players()
{
    for (int player = 0; player < PLAYER_COUNT; ++player)
        Slot(player).Setting = DefaultPlayerSetting(player);
}

} // namespace players
