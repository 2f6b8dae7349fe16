#pragma once

#include "control/Sonarel.h"
#include "players/Players.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class IClock;
class IMessageSink;
class IPlayerTimers;
class PlayerController;

// The players' timers. While a player's timer runs, every tick works out which row of its list should
// sound now and starts, keeps or stops playback to match; the manual play controls do nothing for
// that player meanwhile.
//
// A tick remembers nothing from the ticks before: it reads the clock, the schedule policy and the
// rows' times afresh. Times are wall-clock times of the local zone, so a row sounds while the clock
// reads a time inside [BeginTime, EndTime): when the clock skips an hour, rows inside the skipped
// hour do not play that day; when it repeats an hour, rows inside it play in both passes.
//
// Threading: the user-interface thread, interleaved with the commands and the control's events.
class TimerScheduler {
public:
    // None of the references is owned; all must outlive the scheduler.
    TimerScheduler(Players& players, PlayerController& controller, sonarel::ISonarel& control,
        IPlayerTimers& timers, const IClock& clock, IMessageSink& messages);
    TimerScheduler(const TimerScheduler&) = delete;
    TimerScheduler& operator=(const TimerScheduler&) = delete;

    // Stops the player and starts its timer, unless the timer runs already. Nothing plays before
    // the first tick, a second later. The timer is to run again after a restart.
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

    // One tick of the player's timer.
    void Tick(int player);
    // The player whose timer runs under this id, or -1.
    [[nodiscard]] static int PlayerOfTimer(std::uint32_t timerId);

    // The row that should sound now: the first whose window [BeginTime, EndTime) holds the local time
    // of day, on a day the player's policy allows; -1 when there is none.
    [[nodiscard]] int ScheduledItemAt(int player) const;

private:
    // A time of day as TimeOfDay compares it: by hour, then minute, then second.
    struct Clock3 {
        std::uint32_t hour = 0;
        std::uint32_t minute = 0;
        std::uint32_t second = 0;

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

    // Stops the timer and the player, if the timer runs.
    void HaltTimer(int player);
    [[nodiscard]] const std::vector<Window>& WindowsOf(int player) const;
    // Whether the player's stream holds the file of the row.
    [[nodiscard]] bool StreamHasFile(int player, const std::string& path) const;
    [[nodiscard]] bool StreamIsPlaying(int player) const;

    Players& m_players;
    PlayerController& m_controller;
    sonarel::ISonarel& m_control;
    IPlayerTimers& m_timers;
    const IClock& m_clock;
    IMessageSink& m_messages;
    mutable std::array<ParsedList, PLAYER_COUNT> m_parsed;
};
