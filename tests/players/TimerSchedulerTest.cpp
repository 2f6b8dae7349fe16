#include "PlaybackHarness.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class TimerSchedulerTest : public ::testing::Test {
protected:
    // Starts the player's timer at the given time and forgets the calls it made.
    void StartTimerAt(int player, std::time_t when)
    {
        h.clock.now = when;
        h.control.now = when;
        h.scheduler.StartPlayerTimer(player);
        h.control.calls.clear();
    }
    // Ticks the player once a second over [from, to], both included.
    void TickEverySecond(int player, std::time_t from, std::time_t to)
    {
        for (std::time_t when = from; when <= to; ++when)
            h.TickAt(player, when);
    }

    ScopedTimeZone zone { "UTC0" };
    PlaybackHarness h;
};

TEST_F(TimerSchedulerTest, StartingInsideAWindowPlaysTheFileFromItsBeginningAtTheFirstTick)
{
    h.Place(0, "/music/news.mp3", 150'000, "10:00:00");
    StartTimerAt(0, June3(10, 1, 0));

    EXPECT_THAT(h.timers.calls, ElementsAre("Start 0"));
    EXPECT_EQ(h.players.Slot(0).Timer, 200u);
    // Stopped before the timer existed, and nothing plays until the first tick.
    EXPECT_EQ(h.State(0), PLAYER_STOPPED);
    EXPECT_EQ(h.view.status[0].text, "Stopped");
    EXPECT_FALSE(h.control.streams[0].open);

    h.TickAt(0, June3(10, 1, 1));
    EXPECT_THAT(h.control.calls,
        ElementsAre("GetStreamFile 0 260", "CloseStream 0", "OpenStream 0 /music/news.mp3 '' 0",
            "SetVolume 0 100", "SetBalance 0 0", "SetAudioAmplify 0 1.0", "Play 0"));
    EXPECT_EQ(h.State(0), PLAYER_RUNNING);
    EXPECT_EQ(h.view.status[0].image, IMAGE_TIMER);
    EXPECT_EQ(h.view.status[0].text, "Timer already started");
    EXPECT_THAT(h.players.Slot(0).List.SelectedRows(), ElementsAre(0));

    h.control.calls.clear();
    TickEverySecond(0, June3(10, 1, 2), June3(10, 2, 29));
    EXPECT_EQ(h.control.openCount, 1);
    EXPECT_THAT(h.control.CallsOf("CloseStream"), IsEmpty());
    EXPECT_THAT(h.control.CallsOf("SetStreamPosition"), IsEmpty());

    h.TickAt(0, June3(10, 2, 30));
    EXPECT_EQ(h.control.calls.back(), "CloseStream 0");
    EXPECT_EQ(h.State(0), PLAYER_STOPPED);
    ASSERT_EQ(h.control.spans.size(), 1u);
    EXPECT_EQ(h.control.spans[0].opened, June3(10, 1, 1));
    EXPECT_EQ(h.control.spans[0].closed, June3(10, 2, 30));
}

TEST_F(TimerSchedulerTest, ContiguousRowsLeaveOneSilentSecondBetweenThem)
{
    h.Place(0, "/music/first.mp3", 59'000, "10:00:00");
    h.Place(0, "/music/second.mp3", 120'000, "10:01:00");
    ASSERT_EQ(h.players.Slot(0).List.Row(0).EndTime, "10:00:59");
    StartTimerAt(0, June3(9, 59, 0));

    TickEverySecond(0, June3(9, 59, 1), June3(10, 3, 30));
    ASSERT_EQ(h.control.spans.size(), 2u);
    EXPECT_EQ(h.control.spans[0].file, "/music/first.mp3");
    EXPECT_EQ(h.control.spans[0].opened, June3(10, 0, 0));
    EXPECT_EQ(h.control.spans[0].closed, June3(10, 0, 59));
    EXPECT_EQ(h.control.spans[1].file, "/music/second.mp3");
    EXPECT_EQ(h.control.spans[1].opened, June3(10, 1, 0));
    EXPECT_EQ(h.control.spans[1].closed, June3(10, 3, 0));
    EXPECT_EQ(h.control.opensOverOpenStream, 0);
}

TEST_F(TimerSchedulerTest, AWeeklyPolicyWithTodayOffKeepsThePlayerStoppedAllDay)
{
    h.Place(0, "/music/a.mp3", 3'600'000, "08:00:00");
    h.Place(0, "/music/b.mp3", 3'600'000, "15:00:00");
    h.players.Slot(0).Policy.Week[3] = false; // Wednesday
    h.control.logCalls = false;
    StartTimerAt(0, June3(0, 0, 0));

    TickEverySecond(0, June3(0, 0, 1), June3(23, 59, 59));
    EXPECT_EQ(h.control.openCount, 0);
    EXPECT_TRUE(h.players.Slot(0).TimerOn());
    EXPECT_EQ(h.State(0), PLAYER_STOPPED);
    EXPECT_EQ(h.view.status[0].text, "Timer already started");

    // Thursday is on again.
    h.TickAt(0, LocalTime(2026, 6, 4, 8, 0, 0));
    EXPECT_EQ(h.control.openCount, 1);
}

TEST_F(TimerSchedulerTest, ADateRangeEndingYesterdayPlaysNothingOneStartingTodayPlays)
{
    h.Place(0, "/music/a.mp3", 60'000, "12:00:00");
    SchedulePolicy& policy = h.players.Slot(0).Policy;
    policy.Type = POLICY_DATE_RANGE;
    policy.BeginDate = CalendarDate(2026, 5, 1);
    policy.EndDate = CalendarDate(2026, 6, 2);
    StartTimerAt(0, June3(11, 0, 0));

    h.TickAt(0, June3(12, 0, 10));
    EXPECT_EQ(h.control.openCount, 0);
    EXPECT_EQ(h.State(0), PLAYER_STOPPED);

    policy.BeginDate = CalendarDate(2026, 6, 3);
    policy.EndDate = CalendarDate(2026, 12, 31);
    h.TickAt(0, June3(12, 0, 11));
    EXPECT_EQ(h.control.openCount, 1);
    EXPECT_EQ(h.State(0), PLAYER_RUNNING);

    // A range whose end is before its begin never plays.
    policy.BeginDate = CalendarDate(2026, 6, 4);
    policy.EndDate = CalendarDate(2026, 6, 2);
    h.TickAt(0, June3(12, 0, 12));
    EXPECT_EQ(h.State(0), PLAYER_STOPPED);
}

TEST_F(TimerSchedulerTest, ADayOffSilencesEitherPolicyFromMidnightToMidnight)
{
    // 3 June 2026 off, as one date or every year, under a weekly policy of every day or a June range.
    struct Case {
        const char* what;
        std::int32_t type;
        DayOff off;
    };
    const Case cases[] = {
        { "weekly, one date", POLICY_WEEKLY, { CalendarDate(2026, 6, 3), false } },
        { "weekly, every year", POLICY_WEEKLY, { CalendarDate(2019, 6, 3), true } },
        { "date range, one date", POLICY_DATE_RANGE, { CalendarDate(2026, 6, 3), false } },
    };
    for (const Case& c : cases) {
        PlaybackHarness run;
        SchedulePolicy& policy = run.players.Slot(0).Policy;
        policy.Type = c.type;
        policy.Week.fill(true);
        policy.BeginDate = CalendarDate(2026, 6, 1);
        policy.EndDate = CalendarDate(2026, 6, 30);
        policy.DaysOff = { c.off, { CalendarDate(2026, 6, 10), false } };
        run.Place(0, "/music/early.mp3", 60'000, "00:00:01");
        run.Place(0, "/music/late.mp3", 30'000, "23:59:00");
        run.clock.now = LocalTime(2026, 6, 2, 23, 0, 0);
        run.scheduler.StartPlayerTimer(0);

        run.TickAt(0, LocalTime(2026, 6, 2, 23, 59, 10));
        EXPECT_EQ(run.State(0), PLAYER_RUNNING) << c.what << ": the evening before";
        run.TickAt(0, LocalTime(2026, 6, 3, 0, 0, 30));
        EXPECT_EQ(run.State(0), PLAYER_STOPPED) << c.what << ": the day off";
        EXPECT_EQ(run.view.status[0].text, "Timer already started\nDay off") << c.what;
        run.TickAt(0, LocalTime(2026, 6, 3, 23, 59, 10));
        EXPECT_EQ(run.State(0), PLAYER_STOPPED) << c.what << ": the day off's evening";
        run.TickAt(0, LocalTime(2026, 6, 4, 0, 0, 30));
        EXPECT_EQ(run.State(0), PLAYER_RUNNING) << c.what << ": the day after";
        EXPECT_EQ(run.control.openCount, 2) << c.what;
    }
}

TEST_F(TimerSchedulerTest, ScheduledItemFollowsTheHalfOpenWindowsInListOrder)
{
    h.Place(0, "/music/a.mp3", 10'000, "10:00:00");
    h.Place(0, "/music/b.mp3", 10'000, "10:00:20");
    const auto at = [&](int h_, int m, int s) {
        h.clock.now = June3(h_, m, s);
        return h.scheduler.ScheduledItemAt(0);
    };
    EXPECT_EQ(at(9, 59, 59), -1);
    EXPECT_EQ(at(10, 0, 0), 0);
    EXPECT_EQ(at(10, 0, 9), 0);
    EXPECT_EQ(at(10, 0, 10), -1);
    EXPECT_EQ(at(10, 0, 19), -1);
    EXPECT_EQ(at(10, 0, 20), 1);
    EXPECT_EQ(at(10, 0, 30), -1);
    EXPECT_EQ(at(10, 0, 31), -1);
    EXPECT_EQ(h.scheduler.ScheduledItemAt(5), -1);
    EXPECT_EQ(h.scheduler.ScheduledItemAt(8), -1);

    // A stored row may begin the very second the previous one ends.
    h.Place(0, "/music/c.mp3", 10'000, "10:00:30");
    EXPECT_EQ(at(10, 0, 29), 1);
    EXPECT_EQ(at(10, 0, 30), 2);
    EXPECT_EQ(at(10, 0, 39), 2);
    EXPECT_EQ(at(10, 0, 40), -1);
}

TEST_F(TimerSchedulerTest, ListEditsTakeEffectAtTheNextTick)
{
    h.Place(0, "/music/a.mp3", 60'000, "10:00:00");
    h.Place(0, "/music/b.mp3", 120'000, "10:01:01");
    StartTimerAt(0, June3(10, 0, 29));
    h.TickAt(0, June3(10, 0, 30));
    ASSERT_EQ(h.control.spans.back().file, "/music/a.mp3");

    // Moving b up puts it at 10:00:00, so the clock is now in b's window.
    PlayList& list = h.players.Slot(0).List;
    list.ClearSelection();
    list.SetSelected(1, true);
    list.MoveSelectedUp();
    h.TickAt(0, June3(10, 0, 31));
    EXPECT_EQ(h.control.spans.back().file, "/music/b.mp3");
    EXPECT_EQ(h.control.spans.back().opened, June3(10, 0, 31));

    // b moved on to 10:05:00: nothing is due at 10:00:32 any more.
    ASSERT_TRUE(list.SetBeginTime(0, TimeOfDay(10, 5, 0)));
    h.TickAt(0, June3(10, 0, 32));
    EXPECT_EQ(h.State(0), PLAYER_STOPPED);

    // A row placed around the time plays at the next tick; removed, it stops.
    list.ClearAll();
    h.Place(0, "/music/c.mp3", 60'000, "10:00:00");
    h.TickAt(0, June3(10, 0, 33));
    EXPECT_EQ(h.control.spans.back().file, "/music/c.mp3");
    list.SetSelected(0, true);
    list.RemoveSelected();
    h.TickAt(0, June3(10, 0, 34));
    EXPECT_EQ(h.State(0), PLAYER_STOPPED);
    EXPECT_EQ(h.control.spans.back().closed, June3(10, 0, 34));

    // So do policy edits.
    h.Place(0, "/music/d.mp3", 60'000, "10:00:00");
    h.players.Slot(0).Policy.Week[3] = false;
    h.TickAt(0, June3(10, 0, 35));
    EXPECT_EQ(h.State(0), PLAYER_STOPPED);
    h.players.Slot(0).Policy.Week[3] = true;
    h.TickAt(0, June3(10, 0, 36));
    EXPECT_EQ(h.State(0), PLAYER_RUNNING);
    EXPECT_EQ(h.control.opensOverOpenStream, 0);
}

TEST_F(TimerSchedulerTest, StartAllTimersLeavesRunningTimersAloneAndStartsTheRest)
{
    h.Append(1, "/music/a.mp3");
    h.Append(4, "/music/b.mp3");
    h.Append(6, "/music/c.mp3");
    h.scheduler.StartPlayerTimer(1);
    h.scheduler.StartPlayerTimer(4);
    h.TickAt(1, June3(0, 1, 0));
    h.TickAt(4, June3(0, 1, 0));
    ASSERT_EQ(h.State(1), PLAYER_RUNNING);
    h.timers.calls.clear();
    h.control.calls.clear();

    h.scheduler.StartAllTimers();
    EXPECT_THAT(
        h.timers.calls, ElementsAre("Start 0", "Start 2", "Start 3", "Start 5", "Start 6", "Start 7"));
    EXPECT_THAT(h.control.calls,
        ElementsAre("CloseStream 0", "CloseStream 2", "CloseStream 3", "CloseStream 5", "CloseStream 6",
            "CloseStream 7"));
    for (const PlayerSlot& slot : h.players)
        EXPECT_TRUE(slot.TimerOn());
    EXPECT_EQ(h.State(1), PLAYER_RUNNING);
    EXPECT_EQ(h.State(4), PLAYER_RUNNING);
}

TEST_F(TimerSchedulerTest, StopAllTimersStopsOnlyTimedPlayers)
{
    h.Append(0, "/music/a.mp3");
    h.Append(3, "/music/b.mp3");
    h.scheduler.StartPlayerTimer(3);
    h.controller.PlayFile(0, "/music/a.mp3");
    h.timers.calls.clear();
    h.control.calls.clear();

    h.scheduler.StopAllTimers();
    EXPECT_THAT(h.timers.calls, ElementsAre("Stop 3"));
    EXPECT_THAT(h.control.calls, ElementsAre("CloseStream 3"));
    EXPECT_FALSE(h.players.Slot(3).TimerOn());
    EXPECT_EQ(h.view.status[3].text, "Stopped");
    EXPECT_EQ(h.State(0), PLAYER_RUNNING);
}

TEST_F(TimerSchedulerTest, StartCurrentTimerRefusesARunningTimerAndAnEmptyList)
{
    h.scheduler.StartCurrentPlayerTimer();
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].text, "No list item");
    EXPECT_EQ(h.messages.shown[0].caption, "Tessaly");
    EXPECT_EQ(h.messages.shown[0].icon, MessageIcon::Information);
    EXPECT_FALSE(h.players.Slot(0).TimerOn());
    EXPECT_THAT(h.control.calls, IsEmpty());

    h.Append(0, "/music/a.mp3");
    h.scheduler.StartCurrentPlayerTimer();
    EXPECT_TRUE(h.players.Slot(0).TimerOn());
    EXPECT_EQ(h.messages.shown.size(), 1u);

    h.scheduler.StartCurrentPlayerTimer();
    ASSERT_EQ(h.messages.shown.size(), 2u);
    EXPECT_EQ(h.messages.shown[1].text, "Timer already started");
    EXPECT_EQ(h.messages.shown[1].icon, MessageIcon::Information);
    EXPECT_THAT(h.timers.calls, ElementsAre("Start 0"));
}

TEST_F(TimerSchedulerTest, StopCurrentTimerWithTheTimerOffLeavesAManualFilePlaying)
{
    h.Append(0, "/music/a.mp3");
    h.controller.PlayPauseCurrent();
    h.control.calls.clear();

    h.scheduler.StopCurrentPlayerTimer();
    EXPECT_THAT(h.control.calls, IsEmpty());
    EXPECT_THAT(h.timers.calls, IsEmpty());
    EXPECT_EQ(h.State(0), PLAYER_RUNNING);

    // With the timer on it stops the timer and the player.
    h.scheduler.StartCurrentPlayerTimer();
    h.TickAt(0, June3(0, 0, 30));
    h.scheduler.StopCurrentPlayerTimer();
    EXPECT_THAT(h.timers.calls, ElementsAre("Start 0", "Stop 0"));
    EXPECT_EQ(h.State(0), PLAYER_STOPPED);
    EXPECT_EQ(h.view.status[0].text, "Stopped");
}

TEST_F(TimerSchedulerTest, AFileTheControlCannotOpenIsOpenedAgainOnEveryTickOfItsWindow)
{
    h.Place(0, "/music/gone.mp3", 5'000, "10:00:00");
    h.control.unopenable.insert("/music/gone.mp3");
    StartTimerAt(0, June3(9, 59, 58));

    TickEverySecond(0, June3(9, 59, 59), June3(10, 0, 6));
    // 10:00:00 to 10:00:04: five ticks, five opens, each after a stop.
    EXPECT_EQ(h.control.openCount, 5);
    const std::vector<std::string> opens = h.control.CallsOf("OpenStream");
    ASSERT_EQ(opens.size(), 5u);
    EXPECT_EQ(h.State(0), PLAYER_STOPPED);
    // Meanwhile the player shows what it was told to do.
    EXPECT_EQ(h.view.status[0].text, "Timer already started");
}

TEST_F(TimerSchedulerTest, AFileShorterThanItsWindowIsStartedAgainFromItsBeginning)
{
    h.Place(0, "/music/jingle.mp3", 10'000, "10:00:00");
    h.control.durations["/music/jingle.mp3"] = 4'000;
    StartTimerAt(0, June3(9, 59, 59));

    for (std::time_t when = June3(10, 0, 0); when <= June3(10, 0, 11); ++when) {
        h.TickAt(0, when);
        h.control.Advance(1000);
        h.poster.Drain();
    }
    // Each run completes after four seconds of play and is stopped by the completion; the next
    // tick, still inside the window, starts the file from its beginning again, until the window's
    // end cuts the last run short.
    ASSERT_EQ(h.control.spans.size(), 3u);
    EXPECT_EQ(h.control.spans[0].opened, June3(10, 0, 0));
    EXPECT_EQ(h.control.spans[0].closed, June3(10, 0, 3));
    EXPECT_EQ(h.control.spans[1].opened, June3(10, 0, 4));
    EXPECT_EQ(h.control.spans[1].closed, June3(10, 0, 7));
    EXPECT_EQ(h.control.spans[2].opened, June3(10, 0, 8));
    EXPECT_EQ(h.control.spans[2].closed, June3(10, 0, 10));
    EXPECT_THAT(h.control.CallsOf("SetStreamPosition"), IsEmpty());
    EXPECT_EQ(h.control.opensOverOpenStream, 0);
}

TEST_F(TimerSchedulerTest, APlayingFileIsKeptOnlyWhileTheStreamReportsIt)
{
    const std::string path = "/music/Gr\u00FC\u00DFe \u266A.mp3";
    h.Place(0, path, 60'000, "10:00:00");
    StartTimerAt(0, June3(9, 59, 59));
    TickEverySecond(0, June3(10, 0, 0), June3(10, 0, 5));
    EXPECT_EQ(h.control.openCount, 1);

    // Something else closed the stream: the next tick opens the row's file again.
    h.control.CloseStream(0);
    h.TickAt(0, June3(10, 0, 6));
    EXPECT_EQ(h.control.openCount, 2);

    // The names compare exactly: another case is another file.
    h.control.streams[0].reported = u"/music/gr\u00FC\u00DFe \u266A.mp3";
    h.TickAt(0, June3(10, 0, 7));
    EXPECT_EQ(h.control.openCount, 3);
}

TEST_F(TimerSchedulerTest, ALongPathThatTheControlReportsCutShortIsNotRestartedEverySecond)
{
    const std::string path = "/music/" + std::string(300, 'x') + "/\u266A.mp3";
    h.control.storedNameLimit = 259;
    h.Place(0, path, 60'000, "10:00:00");
    StartTimerAt(0, June3(9, 59, 59));

    TickEverySecond(0, June3(10, 0, 0), June3(10, 0, 30));
    EXPECT_EQ(h.control.openCount, 1);

    // A row whose path merely begins like the playing one is another file.
    h.players.Slot(0).List.ClearAll();
    h.Place(0, path + ".flac", 60'000, "10:00:00");
    h.TickAt(0, June3(10, 0, 31));
    EXPECT_EQ(h.control.openCount, 2);
    EXPECT_EQ(h.control.spans.back().file, path + ".flac");
}

TEST_F(TimerSchedulerTest, ATickThatArrivesAfterTheTimerStoppedDoesNothing)
{
    h.Place(0, "/music/a.mp3", 60'000, "10:00:00");
    StartTimerAt(0, June3(9, 0, 0));
    h.scheduler.StopPlayerTimer(0);
    h.control.calls.clear();
    h.TickAt(0, June3(10, 0, 30));
    EXPECT_THAT(h.control.calls, IsEmpty());
}

TEST_F(TimerSchedulerTest, ATimerThatCannotStartStaysOff)
{
    h.Append(0, "/music/a.mp3");
    h.timers.startFails = true;
    h.scheduler.StartCurrentPlayerTimer();
    EXPECT_FALSE(h.players.Slot(0).TimerOn());
    h.controller.PlayPauseCurrent();
    EXPECT_EQ(h.State(0), PLAYER_RUNNING);
}

TEST_F(TimerSchedulerTest, TimerIdsMapToPlayers)
{
    EXPECT_EQ(TimerScheduler::PlayerOfTimer(200), 0);
    EXPECT_EQ(TimerScheduler::PlayerOfTimer(207), 7);
    EXPECT_EQ(TimerScheduler::PlayerOfTimer(199), -1);
    EXPECT_EQ(TimerScheduler::PlayerOfTimer(208), -1);
    EXPECT_EQ(TimerScheduler::PlayerOfTimer(1), -1);
}

} // namespace

TEST_F(TimerSchedulerTest, AFileThatPlayedOnceAndThenFailsToOpenIsOpenedAgainOnEveryTick)
{
    // The control still names the file after a failed open of it, so only the stream's state shows
    // that nothing plays.
    h.Place(0, "/music/removed.mp3", 5'000, "10:00:00");
    h.control.durations["/music/removed.mp3"] = 1'000;
    StartTimerAt(0, June3(9, 59, 59));

    h.TickAt(0, June3(10, 0, 0));
    h.control.Advance(1000);
    h.poster.Drain();
    EXPECT_EQ(h.control.openCount, 1);

    h.control.unopenable.insert("/music/removed.mp3");
    TickEverySecond(0, June3(10, 0, 1), June3(10, 0, 4));
    EXPECT_EQ(h.control.openCount, 5);
    short state = -1;
    ASSERT_TRUE(h.control.GetStreamState(0, &state));
    EXPECT_NE(state, sonarel::STATE_PLAYING);
}
