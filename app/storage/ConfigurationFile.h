#pragma once

#include <ctime>
#include <string>

namespace persist {
class CXmlparse;
class ILoadProgress;
} // namespace persist

namespace players {
class Players;
struct SchedulePolicy;
} // namespace players

namespace sonarel {
class ISonarel;
}

namespace storage {

// The configuration file keeps the eight players between runs: each player's settings, schedule
// policy and play list (paths and begin times). It is read once at start-up, after the players have
// their defaults, and written at shutdown and shortly after the players change.
//
//   <KVConfig Version="1.0.0">
//     <Player ID="0" Name=".." Device=".." Volume="100" Balance="0" Amplify="1.000000" Timer="1" Duck="0"
//             Loudness="0">
//       <Program Type="1" Week="124"/>            or  <Program Type="0" BeginDate="2030-1-5" EndDate="..."/>
//         (with days off as children: <Off Date="2026-12-25" Yearly="1"/>)
//       <File Path="/music/a.mp3" BeginTime="08:00:00" Duration="00:03:12"/>
//     </Player>
//     ...
//   </KVConfig>
//
// Timer (whether the player's timer runs after a start), Duck (dB by which this player lowers the
// others on its device), Loudness (even loudness on), the Off days of a Program and Duration (see
// FileElements.h) are read and written here; readers that do not know them step over them.
//
// Reading is forgiving and silent: a missing or malformed file leaves every default, a Player with
// an ID outside 0..7 is ignored, each value out of its range is skipped on its own, and a row that
// would end after midnight ends that player's list. Every listed file is measured again through the
// control. What a machine that starts before its devices and shares are up would otherwise lose is
// kept as stored: the device name whether or not the device is there now, the rows whose files
// cannot be measured now (with their stored begin and length), and date ranges, also those that
// have ended.

// What a read found that the caller must know before the file is written again.
struct ConfigurationReadReport {
    // Rows whose files could not be measured and that had no stored length to keep them by: the
    // next write loses them.
    int DroppedRows = 0;
};

// Fills the players from the file. False, with nothing changed, when the file cannot be read or has
// no KVConfig root.
bool ReadConfiguration(const std::string& path, players::Players& players, sonarel::ISonarel& control,
    persist::ILoadProgress& progress, ConfigurationReadReport* report = nullptr);
// As above, with "today" (for a date text that cannot be read) taken from the given calendar time.
bool ReadConfiguration(const std::string& path, players::Players& players, sonarel::ISonarel& control,
    persist::ILoadProgress& progress, std::time_t now, ConfigurationReadReport* report = nullptr);

// Writes the eight players. The file is replaced only once the new content is safely on disk, so a
// failed write (false) leaves the previous file as it was.
[[nodiscard]] bool WriteConfiguration(const std::string& path, const players::Players& players);

} // namespace storage
