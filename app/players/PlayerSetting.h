#pragma once

#include <cstdint>
#include <string>

// Output settings of one player, as the configuration stores them and the setting dialog edits them.
struct PlayerSetting {
    std::string Name;
    // Output device name as the audio control lists it; empty means the system's default device.
    std::string Device;
    // Amplification factor, 1.0 to 10.0.
    float Amplify = 1.0f;
    // 0 to 100.
    std::int32_t Volume = 100;
    // -10000 (left only) to +10000 (right only); 0 plays both channels.
    std::int32_t Balance = 0;

    friend bool operator==(const PlayerSetting&, const PlayerSetting&) = default;
};

// "Player One" .. "Player Eight" for players 0 to 7; empty for any other index.
[[nodiscard]] std::string DefaultPlayerName(int player);

// The setting a player has before the configuration is read.
[[nodiscard]] PlayerSetting DefaultPlayerSetting(int player);
