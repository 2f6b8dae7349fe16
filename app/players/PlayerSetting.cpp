#include "players/PlayerSetting.h"

#include <array>
#include <string_view>

namespace players {

std::string DefaultPlayerName(int player)
{
    static constexpr std::array<std::string_view, 8> numberWords { "One", "Two", "Three", "Four", "Five",
        "Six", "Seven", "Eight" };
    if (player < 0 || player >= static_cast<int>(numberWords.size()))
        return {};
    return "Player " + std::string(numberWords[static_cast<std::size_t>(player)]);
}

PlayerSetting DefaultPlayerSetting(int player)
{
    PlayerSetting setting;
    setting.Name = DefaultPlayerName(player);
    return setting;
}

} // namespace players
