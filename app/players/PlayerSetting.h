#pragma once

#include <cstdint>
#include <string>

namespace players {

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
    // While this player sounds, every other player on the same device is lowered by this many dB:
    // announcements over music. 0 is off; otherwise DUCK_MIN_DB to DUCK_MAX_DB.
    std::int32_t DuckDb = 0;
    // Every file plays at one loudness (see LoudnessWorker.h), the volume on top.
    bool EvenLoudness = false;

    friend bool operator==(const PlayerSetting&, const PlayerSetting&) = default;
};

inline constexpr std::int32_t DUCK_MIN_DB = 6;
inline constexpr std::int32_t DUCK_MAX_DB = 30;

// Whether a reduction is one a player may have: 0 (off) or DUCK_MIN_DB to DUCK_MAX_DB.
[[nodiscard]] constexpr bool IsDuckDb(std::int32_t db)
{
    return db == 0 || (db >= DUCK_MIN_DB && db <= DUCK_MAX_DB);
}

// "Player One" .. "Player Eight" for players 0 to 7; empty for any other index.
[[nodiscard]] std::string DefaultPlayerName(int player);

// The setting a player has before the configuration is read.
[[nodiscard]] PlayerSetting DefaultPlayerSetting(int player);

} // namespace players
