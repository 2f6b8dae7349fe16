#pragma once

#include "persist/DailyLogFile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace players {

class IClock;
class Players;

// What played where: one line for every start, end, cut, fade and failure of a player's file, every
// row that was missed, every start and stop of a timer and every loss or return of a device.
class IAsRunLog {
public:
    virtual ~IAsRunLog() = default;

    // file: the file concerned, empty for a line about the player itself. atMs: when it happened, in
    // milliseconds since the epoch, when that was not just now.
    virtual void Write(int player, std::string_view file, std::string_view what, std::int64_t atMs = -1) = 0;
};

// The as-run log of the program: each line stamped with the local time to the millisecond, the
// player's number and name and its device, e.g.
//   2026-06-03 10:00:00.004 | 1 Lobby | Zone 1 (zone1) | /srv/audio/news.mp3 | started
// written to "Tessaly-YYYY-MM-DD.log" in the log folder (the last 31 days are kept) and to a mirror
// stream (standard error), so that a site can tell afterwards what played and what failed.
//
// User-interface thread only, like the players it reads the names and devices of.
class AsRunLog final : public IAsRunLog {
public:
    static constexpr int KEPT_DAYS = 31;
    static constexpr std::string_view FILE_PREFIX = "Tessaly-";

    // folder: where the daily files go; empty writes to the mirror only. mirror may be null. The
    // players and the clock are not owned and must outlive the log.
    AsRunLog(const Players& players, const IClock& clock, std::string folder, std::FILE* mirror);

    void Write(int player, std::string_view file, std::string_view what, std::int64_t atMs = -1) override;

    [[nodiscard]] const std::string& Folder() const { return m_folder; }

    // One line of the log, without its newline, at the given time (milliseconds since the epoch).
    [[nodiscard]] static std::string FormatLine(std::int64_t epochMs, int player, std::string_view name,
        std::string_view device, std::string_view file, std::string_view what);

private:
    const Players& m_players;
    const IClock& m_clock;
    std::string m_folder;
    std::FILE* m_mirror;
    persist::DailyLogFile m_file;
    // Whether the last line reached the file, so that a lost file is told once and not at every line.
    bool m_fileWorks = true;
};

} // namespace players
