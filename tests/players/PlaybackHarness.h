#pragma once

#include "FakeSonarel.h"
#include "PlayerFakes.h"

#include "players/PlayerController.h"
#include "players/TimerScheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The players with the controller and the scheduler over fakes, wired as the main window wires them.
struct PlaybackHarness {
    PlaybackHarness() { control.events = &controller; }

    // Appends a row at a stored begin time and fails the test when it is not placed.
    void Place(int player, const std::string& path, std::int64_t durationMs, const char* begin)
    {
        ASSERT_EQ(
            players.Slot(player).List.AppendFileAt(path, durationMs, begin), players::AppendResult::Appended)
            << path << " at " << begin;
    }
    void Append(int player, const std::string& path, std::int64_t durationMs = 60'000)
    {
        ASSERT_TRUE(players.Slot(player).List.AppendFile(path, durationMs)) << path;
    }

    // Ticks the timers at the given time, then lets the event loop run what was posted.
    void TickAt(std::time_t when)
    {
        clock.now = when;
        control.now = when;
        scheduler.Tick();
        poster.Drain();
    }

    // Ticks at the given time, then lets the streams play a second and the event loop run again.
    void PlaySecondAt(std::time_t when)
    {
        TickAt(when);
        control.Advance(1000);
        poster.Drain();
    }

    [[nodiscard]] players::PlayerState State(int player) const { return players.Slot(player).State; }

    players::Players players;
    FakeSonarel control;
    FakeView view;
    FakeMessages messages;
    FakePoster poster;
    FakeTimers timers;
    FakeClock clock;
    FakeAsRunLog log;
    players::PlayerController controller { players, control, view, messages, poster, clock, log };
    players::TimerScheduler scheduler { players, controller, control, timers, clock, messages, log };
};
