// What the players do on a machine whose devices and shares come up late: a player whose device is
// absent plays nowhere and says so, a row whose file is missing is marked until it is back, an
// ended date range is told, and what a timer does after a restart follows the user's last choice.

#include "PlaybackHarness.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

class UnattendedPlayerTest : public ::testing::Test {
protected:
    void StartTimerAt(int player, std::time_t when)
    {
        h.clock.now = when;
        h.scheduler.StartPlayerTimer(player);
    }

    ScopedTimeZone zone { "UTC0" };
    PlaybackHarness h;
};

TEST_F(UnattendedPlayerTest, AnAbsentDeviceSilencesOnlyItsPlayerUntilItIsBack)
{
    h.players.Slot(1).Setting.Device = "USB Adapter (usb1)";
    h.control.absentDevices.insert("USB Adapter (usb1)");
    h.Place(1, "/music/a.mp3", 60'000, "10:00:00");
    StartTimerAt(1, June3(10, 0, 0));

    h.controller.CheckDevices(false);
    EXPECT_TRUE(h.controller.DeviceAbsent(1));
    EXPECT_EQ(h.view.status[1].text, "Timer already started\nDevice not connected: USB Adapter (usb1)");

    // The tries in the window, at 10:00:01 and after a pause at 10:00:03, go to its own device only.
    for (int second = 1; second <= 2; ++second)
        h.TickAt(June3(10, 0, second));
    for (const std::string& open : h.control.CallsOf("OpenStream"))
        EXPECT_EQ(open, "OpenStream 1 /music/a.mp3 'USB Adapter (usb1)' 0");
    EXPECT_EQ(h.control.openCount, 2);
    EXPECT_TRUE(h.control.spans.empty());
    EXPECT_EQ(h.view.status[1].text, "Timer already started\nDevice not connected: USB Adapter (usb1)");

    // Looking again only asks for devices found absent; once the device is back the next tick plays
    // on it without waiting out the pause.
    h.control.absentDevices.clear();
    h.control.calls.clear();
    h.controller.CheckDevices(true);
    EXPECT_EQ(h.control.CallsOf("IsAudioDeviceExist").size(), 1u);
    EXPECT_FALSE(h.controller.DeviceAbsent(1));
    EXPECT_EQ(h.view.status[1].text, "Timer already started");
    h.TickAt(June3(10, 0, 3));
    ASSERT_EQ(h.control.spans.size(), 1u);
    EXPECT_TRUE(h.control.streams[1].playing);
    EXPECT_THAT(h.log.Of(1),
        ::testing::ElementsAre(" | timer started", " | device not connected",
            "/music/a.mp3 | failed: device not connected; next try in 1 s",
            "/music/a.mp3 | failed: device not connected; next try in 2 s", " | device back",
            "/music/a.mp3 | started 3 s after its begin time (try 3)"));
}

TEST_F(UnattendedPlayerTest, AMissingFileIsMarkedWhileItIsGoneAndPlaysOnceItIsBack)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "unattended-player-test";
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "late.mp3").string();
    std::filesystem::remove(path);
    h.control.unopenable.insert(path);
    h.Place(0, path, 60'000, "10:00:00");
    StartTimerAt(0, June3(10, 0, 0));

    h.TickAt(June3(10, 0, 1));
    EXPECT_EQ(h.players.Slot(0).List.Row(0).MissingReason, players::MISSING_FILE_NOT_FOUND);
    // Still gone: the mark stays when looked at again.
    h.controller.RecheckMissingFiles();
    EXPECT_EQ(h.players.Slot(0).List.Row(0).MissingReason, players::MISSING_FILE_NOT_FOUND);

    // The share comes up: the mark goes at the next look, and the next tick plays the row.
    std::ofstream(path).put('x');
    h.controller.RecheckMissingFiles();
    EXPECT_EQ(h.players.Slot(0).List.Row(0).MissingReason, "");
    h.control.unopenable.clear();
    h.TickAt(June3(10, 0, 2));
    EXPECT_TRUE(h.control.streams[0].playing);
    std::filesystem::remove_all(folder);
}

TEST_F(UnattendedPlayerTest, AnEndedDateRangeIsToldAndPlaysNothing)
{
    players::SchedulePolicy& policy = h.players.Slot(2).Policy;
    policy.Type = players::POLICY_DATE_RANGE;
    policy.BeginDate = persist::CalendarDate(2026, 5, 1);
    policy.EndDate = persist::CalendarDate(2026, 6, 2);
    h.Place(2, "/music/a.mp3", 60'000, "10:00:00");
    StartTimerAt(2, June3(10, 0, 0));
    h.TickAt(June3(10, 0, 1));

    EXPECT_EQ(h.control.openCount, 0);
    EXPECT_EQ(h.view.status[2].text, "Timer already started\nDate range ended: 2026-06-02");
    // A range that ends today has not ended.
    policy.EndDate = persist::CalendarDate(2026, 6, 3);
    h.controller.RefreshStatus(2);
    EXPECT_EQ(h.view.status[2].text, "Timer already started");
}

TEST_F(UnattendedPlayerTest, WhatTheTimerDoesAfterARestartFollowsTheUsersLastChoice)
{
    h.scheduler.StartPlayerTimer(0);
    h.scheduler.StartPlayerTimer(1);
    h.scheduler.StartPlayerTimer(1);
    h.scheduler.StopPlayerTimer(1);
    // A timer that is off can still be told to stay off.
    h.scheduler.StopPlayerTimer(2);
    EXPECT_TRUE(h.players.Slot(0).TimerWanted);
    EXPECT_FALSE(h.players.Slot(1).TimerWanted);

    // The program's end stops the timers but not what the next start does.
    h.scheduler.HaltAllTimers();
    EXPECT_FALSE(h.players.Slot(0).TimerOn());
    EXPECT_TRUE(h.players.Slot(0).TimerWanted);
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);

    h.scheduler.StartAllTimers();
    h.scheduler.StopAllTimers();
    for (const players::PlayerSlot& slot : h.players)
        EXPECT_FALSE(slot.TimerWanted);
}

} // namespace
