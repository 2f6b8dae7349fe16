#pragma once

#include "control/Sonarel.h"
#include "persist/CalendarDate.h"
#include "players/Players.h"
#include "players/TimedPlayback.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace players {

class IAsRunLog;
class IClock;
class IMessageSink;
class IPlayerTimers;
class PlayerController;

// The players' timers. While a player's timer runs, the player plays each row of its list during the
// row's window of the day [BeginTime, EndTime), on the days its schedule policy allows; the manual
// play controls do nothing for it meanwhile.
//
// One tick serves every timer: the owner calls Tick() just after each second of the wall clock, and
// at once when the clock was set. Rows are chosen by the local time of day the clock reads, so when
// the clock skips an hour, rows inside the skipped hour do not play that day; when it repeats an hour,
// rows inside it play in both passes. For every timed player a tick
// - starts first, for all players together, the files that the tick before opened paused for this
//   second, so that rows of the same second start together, on the second;
// - looks at every second since the last tick: a row whose whole window fell into seconds no tick
//   saw (the machine was suspended or held up) is logged as missed, one whose window is still open
//   starts late;
// - lets a file that is still playing when its row's window closes play to its end when that end is
//   less than a second away; otherwise a file that started after its row's begin second fades out
//   and any other is cut;
// - tries a file that could not be played again after 1, 2, 4 ... up to 30 s while its window lasts,
//   and starts a file that ended inside its window again from its beginning;
// - moves the selection, scrolls and focuses the list only when a different row starts, never for
//   a retry or a restart, so that the operator's own selection stays;
// - opens, paused, the row whose window opens with the next second.
// Everything it does to a file goes to the as-run log.
//
// Threading: the user-interface thread, interleaved with the commands and the control's events.
class TimerScheduler final : private ITimedPlayback {
public:
    // A file that fails is tried again after this many seconds at most.
    static constexpr int RETRY_PAUSE_LIMIT_SECONDS = 30;
    // A file whose end is less than this far away when its window closes plays to its end.
    static constexpr std::int32_t TAIL_LIMIT_MS = 1000;

    // None of the references is owned; all must outlive the scheduler, which tells the controller
    // where to report the timed players' streams for its own life.
    TimerScheduler(Players& players, PlayerController& controller, sonarel::ISonarel& control,
        IPlayerTimers& timers, const IClock& clock, IMessageSink& messages, IAsRunLog& log);
    ~TimerScheduler() override;
    TimerScheduler(const TimerScheduler&) = delete;
    TimerScheduler& operator=(const TimerScheduler&) = delete;

    // Stops the player and starts its timer, unless the timer runs already. Nothing plays before
    // the next tick. The timer is to run again after a restart.
    void StartPlayerTimer(int player);
    // Stops the timer and the player; nothing when the timer is off. The timer is to stay off after
    // a restart.
    void StopPlayerTimer(int player);
    // Stops every running timer and its player, leaving what the next start does as it was: how the
    // program ends.
    void HaltAllTimers();

    // The commands. The first two act on the controller's current player.
    void StartCurrentPlayerTimer();
    void StopCurrentPlayerTimer();
    void StartAllTimers();
    void StopAllTimers();

    // The tick of every running timer.
    void Tick();
    // The player whose timer runs under this id, or -1.
    [[nodiscard]] static int PlayerOfTimer(std::uint32_t timerId);
    // The pause before the next try of a file that failed this many times in a row: 1, 2, 4 ... 30 s.
    [[nodiscard]] static int RetryPauseSeconds(int failures);

    // The row that should sound now (at the given time): the first whose window holds the local time
    // of day, on a day the player's policy allows; -1 when there is none.
    [[nodiscard]] int ScheduledItemAt(int player) const;
    [[nodiscard]] int ScheduledItemAt(int player, std::time_t when) const;

private:
    // A time of day as TimeOfDay compares it: by hour, then minute, then second.
    struct Clock3 {
        std::uint32_t hour = 0;
        std::uint32_t minute = 0;
        std::uint32_t second = 0;

        [[nodiscard]] std::int64_t Seconds() const
        {
            return static_cast<std::int64_t>(hour) * 3600 + static_cast<std::int64_t>(minute) * 60 + second;
        }
        friend bool operator==(const Clock3&, const Clock3&) = default;
        friend bool operator<(const Clock3& a, const Clock3& b)
        {
            if (a.hour != b.hour)
                return a.hour < b.hour;
            if (a.minute != b.minute)
                return a.minute < b.minute;
            return a.second < b.second;
        }
    };
    struct Window {
        Clock3 begin;
        Clock3 end;
    };
    // The rows' windows as parsed from their texts, kept until the list changes: parsing every row
    // of eight lists every second would cost more than everything else a tick does.
    struct ParsedList {
        std::uint64_t revision = 0;
        bool valid = false;
        std::vector<Window> windows;
    };
    // The local date and time of one second, read once for every player.
    struct LocalSecond {
        std::time_t when = 0;
        bool known = false;
        int weekday = -1;
        persist::CalendarDate date;
        Clock3 time;
    };
    // A row as the timer follows it from tick to tick. Edits may move rows within the list: a row
    // that keeps its file and its window is the same row.
    struct RowKey {
        std::string path;
        Clock3 begin;
        Clock3 end;

        friend bool operator==(const RowKey&, const RowKey&) = default;
    };
    // What the timer does with one player between ticks.
    struct Track {
        // The row it plays, or tries to play; none between rows.
        std::optional<RowKey> active;
        // The row's file started after the row's begin second.
        bool late = false;
        // The file played to its end inside its window: it starts again at the next tick.
        bool completed = false;
        // The last try failed; the next is due at retryAt.
        bool failed = false;
        int failures = 0;
        std::time_t retryAt = 0;
        // What the failure waits for, looked at every tick meanwhile: the player's device, or the
        // file itself. A file that is away is no broken file: it plays the second it is back.
        enum class Waiting { Nothing, Device, File } waiting = Waiting::Nothing;
        // How far into its second the file was started: it ends that much later than its length
        // alone would say, and its tail past the window may be that much longer.
        std::int64_t startOffsetMs = 0;
        // Playing on past its window's end, for less than a second; the ticks it has had so.
        bool tail = false;
        int tailTicks = 0;
        bool fading = false;
        // The row opened paused for the next second.
        std::optional<RowKey> prepared;
        // When the timer started: no earlier second is looked at.
        std::time_t since = 0;
    };
    enum class StartKind {
        NewRow,
        Retry,
        Restart,
    };

    // ITimedPlayback.
    void OnStreamStopped(int player, bool completed) override;
    void OnStreamFailed(int player, std::string_view reason) override;
    void OnPlayableAgain(int player) override;

    // Stops the timer and the player, if the timer runs; `why` goes to the log.
    void HaltTimer(int player, std::string_view why);
    [[nodiscard]] static LocalSecond ReadSecond(std::time_t when);
    [[nodiscard]] int DueAt(int player, const LocalSecond& second) const;
    [[nodiscard]] const std::vector<Window>& WindowsOf(int player) const;
    [[nodiscard]] RowKey KeyOf(int player, int row) const;

    void LogMissedRows(std::time_t now, const std::array<int, PLAYER_COUNT>& due);
    // startedAtMs: when the tick started the row's prepared file; -1 when it did not.
    void Follow(int player, int row, std::time_t now, const LocalSecond& second, std::int64_t startedAtMs);
    void EndRow(int player);
    void StartRow(int player, int row, std::time_t now, const LocalSecond& second, StartKind kind);
    void Started(
        int player, const RowKey& key, const LocalSecond& second, StartKind kind, std::int64_t startedAtMs);
    void Failed(int player, std::time_t at, std::string_view reason);
    // Stops what the player's stream holds and forgets the row.
    void EndTrack(int player);
    void PrepareNext(int player, const LocalSecond& next);
    void Log(int player, std::string_view file, std::string_view what, std::int64_t atMs = -1);

    [[nodiscard]] bool IsPrepared(int player, const RowKey& key) const;
    // Whether the player's stream holds the file of the row.
    [[nodiscard]] bool StreamHasFile(int player, const std::string& path) const;
    [[nodiscard]] short StreamState(int player) const;
    [[nodiscard]] bool StreamPlaysFile(int player, const std::string& path) const;

    Players& m_players;
    PlayerController& m_controller;
    sonarel::ISonarel& m_control;
    IPlayerTimers& m_timers;
    const IClock& m_clock;
    IMessageSink& m_messages;
    IAsRunLog& m_log;
    mutable std::array<ParsedList, PLAYER_COUNT> m_parsed;
    std::array<Track, PLAYER_COUNT> m_tracks;
    // Whether the player's panel shows its timer: from the first tick after the timer started, as
    // the start itself stopped the player while the timer was still off.
    std::array<bool, PLAYER_COUNT> m_timerShown {};
    // The second of the last tick; 0 before the first.
    std::time_t m_lastTick = 0;
    bool m_inTick = false;
};

} // namespace players
