#pragma once

#include <ctime>
#include <string>

class CXmlparse;
class ILoadProgress;
class Players;
struct SchedulePolicy;

namespace sonarel {
class ISonarel;
}

// The configuration file keeps the eight players between runs: each player's settings, schedule
// policy and play list (paths and begin times). It is read once at start-up, after the players have
// their defaults, and written at shutdown and shortly after the players change.
//
//   <KVConfig Version="1.0.0">
//     <Player ID="0" Name=".." Device=".." Volume="100" Balance="0" Amplify="1.000000">
//       <Program Type="1" Week="124"/>            or  <Program Type="0" BeginDate="2030-1-5" EndDate="..."/>
//       <File Path="/music/a.mp3" BeginTime="08:00:00"/>
//     </Player>
//     ...
//   </KVConfig>
//
// Reading is forgiving and silent: a missing or malformed file leaves every default, a Player with
// an ID outside 0..7 is ignored, each value out of its range is skipped on its own, unknown devices
// and missing or unreadable files are dropped, and a row that would end after midnight ends that
// player's list. Every listed file is measured again through the control.

// Fills the players from the file. False, with nothing changed, when the file cannot be read or has
// no KVConfig root. Date ranges are raised to start no earlier than today.
bool ReadConfiguration(
    const std::string& path, Players& players, sonarel::ISonarel& control, ILoadProgress& progress);
// As above, with "today" taken from the given calendar time.
bool ReadConfiguration(const std::string& path, Players& players, sonarel::ISonarel& control,
    ILoadProgress& progress, std::time_t now);

// Writes the eight players. The file is replaced only once the new content is safely on disk, so a
// failed write (false) leaves the previous file as it was.
[[nodiscard]] bool WriteConfiguration(const std::string& path, const Players& players);
