#include "PlaybackHarness.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::Contains;
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
    // Ticks once a second over [from, to], both included.
    void TickEverySecond(std::time_t from, std::time_t to)
    {
        for (std::time_t when = from; when <= to; ++when)
            h.TickAt(when);
    }

    ScopedTimeZone zone { "UTC0" };
    PlaybackHarness h;
};

TEST_F(TimerSchedulerTest, StartingInsideAWindowPlaysTheFileFromItsBeginningAtTheFirstTickAndFadesItOut)
{
    h.Place(0, "/music/news.mp3", 150'000, "10:00:00");
    StartTimerAt(0, June3(10, 1, 0));

    EXPECT_THAT(h.timers.calls, ElementsAre("Start 0"));
    EXPECT_EQ(h.players.Slot(0).Timer, 200u);
    // Stopped before the timer existed, and nothing plays until the first tick.
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    EXPECT_EQ(h.view.status[0].text, "Stopped");
    EXPECT_FALSE(h.control.streams[0].open);

    h.TickAt(June3(10, 1, 1));
    EXPECT_THAT(h.control.calls,
        ElementsAre("GetStreamState 0", "OpenStream 0 /music/news.mp3 '' 0", "SetVolume 0 100",
            "SetBalance 0 0", "SetAudioAmplify 0 1.0", "Play 0"));
    EXPECT_EQ(h.State(0), players::PLAYER_RUNNING);
    EXPECT_EQ(h.view.status[0].image, players::IMAGE_TIMER);
    EXPECT_EQ(h.view.status[0].text, "Timer already started");
    EXPECT_THAT(h.players.Slot(0).List.SelectedRows(), ElementsAre(0));

    h.control.calls.clear();
    TickEverySecond(June3(10, 1, 2), June3(10, 2, 29));
    EXPECT_EQ(h.control.openCount, 1);
    EXPECT_THAT(h.control.CallsOf("CloseStream"), IsEmpty());
    EXPECT_THAT(h.control.CallsOf("SetStreamPosition"), IsEmpty());

    // Started late, it does not stop dead at its window's end: it fades out first.
    h.control.calls.clear();
    h.TickAt(June3(10, 2, 30));
    EXPECT_THAT(h.control.CallsOf("SetVolume"),
        ElementsAre("SetVolume 0 90", "SetVolume 0 80", "SetVolume 0 70", "SetVolume 0 60", "SetVolume 0 50",
            "SetVolume 0 40", "SetVolume 0 30", "SetVolume 0 20", "SetVolume 0 10"));
    EXPECT_THAT(h.control.CallsOf("CloseStream"), ElementsAre("CloseStream 0"));
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    ASSERT_EQ(h.control.spans.size(), 1u);
    EXPECT_EQ(h.control.spans[0].played, June3(10, 1, 1));
    EXPECT_EQ(h.control.spans[0].closed, June3(10, 2, 30));
    EXPECT_THAT(h.log.Of(0),
        ElementsAre(" | timer started", "/music/news.mp3 | started 61 s after its begin time",
            "/music/news.mp3 | faded out at its window's end"));
}

TEST_F(TimerSchedulerTest, ContiguousRowsLeaveOneSilentSecondBetweenThem)
{
    h.Place(0, "/music/first.mp3", 59'000, "10:00:00");
    h.Place(0, "/music/second.mp3", 120'000, "10:01:00");
    ASSERT_EQ(h.players.Slot(0).List.Row(0).EndTime, "10:00:59");
    StartTimerAt(0, June3(9, 59, 0));

    TickEverySecond(June3(9, 59, 1), June3(10, 3, 30));
    // Each file is opened paused a second ahead and only started on its second.
    ASSERT_EQ(h.control.spans.size(), 2u);
    EXPECT_EQ(h.control.spans[0].file, "/music/first.mp3");
    EXPECT_EQ(h.control.spans[0].opened, June3(9, 59, 59));
    EXPECT_EQ(h.control.spans[0].played, June3(10, 0, 0));
    EXPECT_EQ(h.control.spans[0].closed, June3(10, 0, 59));
    EXPECT_EQ(h.control.spans[1].file, "/music/second.mp3");
    EXPECT_EQ(h.control.spans[1].opened, June3(10, 0, 59));
    EXPECT_EQ(h.control.spans[1].played, June3(10, 1, 0));
    EXPECT_EQ(h.control.spans[1].closed, June3(10, 3, 0));
    EXPECT_EQ(h.control.opensOverOpenStream, 0);
    // A file opened ahead is not running before its second.
    EXPECT_THAT(h.log.Of(0),
        ElementsAre(" | timer started", "/music/first.mp3 | started",
            "/music/first.mp3 | cut at its window's end", "/music/second.mp3 | started",
            "/music/second.mp3 | cut at its window's end"));
}

TEST_F(TimerSchedulerTest, AWeeklyPolicyWithTodayOffKeepsThePlayerStoppedAllDay)
{
    h.Place(0, "/music/a.mp3", 3'600'000, "08:00:00");
    h.Place(0, "/music/b.mp3", 3'600'000, "15:00:00");
    h.players.Slot(0).Policy.Week[3] = false; // Wednesday
    h.control.logCalls = false;
    StartTimerAt(0, June3(0, 0, 0));

    TickEverySecond(June3(0, 0, 1), June3(23, 59, 59));
    EXPECT_EQ(h.control.openCount, 0);
    EXPECT_TRUE(h.players.Slot(0).TimerOn());
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    EXPECT_EQ(h.view.status[0].text, "Timer already started");

    // Thursday is on again.
    h.TickAt(LocalTime(2026, 6, 4, 8, 0, 0));
    EXPECT_EQ(h.control.openCount, 1);
}

TEST_F(TimerSchedulerTest, ADateRangeEndingYesterdayPlaysNothingOneStartingTodayPlays)
{
    h.Place(0, "/music/a.mp3", 60'000, "12:00:00");
    players::SchedulePolicy& policy = h.players.Slot(0).Policy;
    policy.Type = players::POLICY_DATE_RANGE;
    policy.BeginDate = persist::CalendarDate(2026, 5, 1);
    policy.EndDate = persist::CalendarDate(2026, 6, 2);
    StartTimerAt(0, June3(11, 0, 0));

    h.TickAt(June3(12, 0, 10));
    EXPECT_EQ(h.control.openCount, 0);
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);

    policy.BeginDate = persist::CalendarDate(2026, 6, 3);
    policy.EndDate = persist::CalendarDate(2026, 12, 31);
    h.TickAt(June3(12, 0, 11));
    EXPECT_EQ(h.control.openCount, 1);
    EXPECT_EQ(h.State(0), players::PLAYER_RUNNING);

    // A range whose end is before its begin never plays.
    policy.BeginDate = persist::CalendarDate(2026, 6, 4);
    policy.EndDate = persist::CalendarDate(2026, 6, 2);
    h.TickAt(June3(12, 0, 12));
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
}

TEST_F(TimerSchedulerTest, ADayOffSilencesEitherPolicyFromMidnightToMidnight)
{
    // 3 June 2026 off, as one date or every year, under a weekly policy of every day or a June range.
    struct Case {
        const char* what;
        std::int32_t type;
        players::DayOff off;
    };
    const Case cases[] = {
        { "weekly, one date", players::POLICY_WEEKLY, { persist::CalendarDate(2026, 6, 3), false } },
        { "weekly, every year", players::POLICY_WEEKLY, { persist::CalendarDate(2019, 6, 3), true } },
        { "date range, one date", players::POLICY_DATE_RANGE, { persist::CalendarDate(2026, 6, 3), false } },
    };
    for (const Case& c : cases) {
        PlaybackHarness run;
        players::SchedulePolicy& policy = run.players.Slot(0).Policy;
        policy.Type = c.type;
        policy.Week.fill(true);
        policy.BeginDate = persist::CalendarDate(2026, 6, 1);
        policy.EndDate = persist::CalendarDate(2026, 6, 30);
        policy.DaysOff = { c.off, { persist::CalendarDate(2026, 6, 10), false } };
        run.Place(0, "/music/early.mp3", 60'000, "00:00:01");
        run.Place(0, "/music/late.mp3", 30'000, "23:59:00");
        run.clock.now = LocalTime(2026, 6, 2, 23, 0, 0);
        run.scheduler.StartPlayerTimer(0);

        run.TickAt(LocalTime(2026, 6, 2, 23, 59, 10));
        EXPECT_EQ(run.State(0), players::PLAYER_RUNNING) << c.what << ": the evening before";
        run.TickAt(LocalTime(2026, 6, 3, 0, 0, 30));
        EXPECT_EQ(run.State(0), players::PLAYER_STOPPED) << c.what << ": the day off";
        EXPECT_EQ(run.view.status[0].text, "Timer already started\nDay off") << c.what;
        run.TickAt(LocalTime(2026, 6, 3, 23, 59, 10));
        EXPECT_EQ(run.State(0), players::PLAYER_STOPPED) << c.what << ": the day off's evening";
        run.TickAt(LocalTime(2026, 6, 4, 0, 0, 30));
        EXPECT_EQ(run.State(0), players::PLAYER_RUNNING) << c.what << ": the day after";
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
    h.TickAt(June3(10, 0, 30));
    ASSERT_EQ(h.control.spans.back().file, "/music/a.mp3");

    // Moving b up puts it at 10:00:00, so the clock is now in b's window.
    players::PlayList& list = h.players.Slot(0).List;
    list.ClearSelection();
    list.SetSelected(1, true);
    list.MoveSelectedUp();
    h.TickAt(June3(10, 0, 31));
    EXPECT_EQ(h.control.spans.back().file, "/music/b.mp3");
    EXPECT_EQ(h.control.spans.back().opened, June3(10, 0, 31));

    // b moved on to 10:05:00: nothing is due at 10:00:32 any more.
    ASSERT_TRUE(list.SetBeginTime(0, persist::TimeOfDay(10, 5, 0)));
    h.TickAt(June3(10, 0, 32));
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);

    // A row placed around the time plays at the next tick; removed, it stops.
    list.ClearAll();
    h.Place(0, "/music/c.mp3", 60'000, "10:00:00");
    h.TickAt(June3(10, 0, 33));
    EXPECT_EQ(h.control.spans.back().file, "/music/c.mp3");
    list.SetSelected(0, true);
    list.RemoveSelected();
    h.TickAt(June3(10, 0, 34));
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    EXPECT_EQ(h.control.spans.back().closed, June3(10, 0, 34));

    // So do policy edits.
    h.Place(0, "/music/d.mp3", 60'000, "10:00:00");
    h.players.Slot(0).Policy.Week[3] = false;
    h.TickAt(June3(10, 0, 35));
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    h.players.Slot(0).Policy.Week[3] = true;
    h.TickAt(June3(10, 0, 36));
    EXPECT_EQ(h.State(0), players::PLAYER_RUNNING);
    EXPECT_EQ(h.control.opensOverOpenStream, 0);
}

TEST_F(TimerSchedulerTest, StartAllTimersLeavesRunningTimersAloneAndStartsTheRest)
{
    h.Append(1, "/music/a.mp3");
    h.Append(4, "/music/b.mp3");
    h.Append(6, "/music/c.mp3");
    h.scheduler.StartPlayerTimer(1);
    h.scheduler.StartPlayerTimer(4);
    h.TickAt(June3(0, 1, 0));
    h.TickAt(June3(0, 1, 0));
    ASSERT_EQ(h.State(1), players::PLAYER_RUNNING);
    h.timers.calls.clear();
    h.control.calls.clear();

    h.scheduler.StartAllTimers();
    EXPECT_THAT(
        h.timers.calls, ElementsAre("Start 0", "Start 2", "Start 3", "Start 5", "Start 6", "Start 7"));
    EXPECT_THAT(h.control.calls,
        ElementsAre("CloseStream 0", "CloseStream 2", "CloseStream 3", "CloseStream 5", "CloseStream 6",
            "CloseStream 7"));
    for (const players::PlayerSlot& slot : h.players)
        EXPECT_TRUE(slot.TimerOn());
    EXPECT_EQ(h.State(1), players::PLAYER_RUNNING);
    EXPECT_EQ(h.State(4), players::PLAYER_RUNNING);
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
    EXPECT_EQ(h.State(0), players::PLAYER_RUNNING);
}

TEST_F(TimerSchedulerTest, StartCurrentTimerRefusesARunningTimerAndAnEmptyList)
{
    h.scheduler.StartCurrentPlayerTimer();
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].text, "No list item");
    EXPECT_EQ(h.messages.shown[0].caption, "Tessaly");
    EXPECT_EQ(h.messages.shown[0].icon, players::MessageIcon::Information);
    EXPECT_FALSE(h.players.Slot(0).TimerOn());
    EXPECT_THAT(h.control.calls, IsEmpty());

    h.Append(0, "/music/a.mp3");
    h.scheduler.StartCurrentPlayerTimer();
    EXPECT_TRUE(h.players.Slot(0).TimerOn());
    EXPECT_EQ(h.messages.shown.size(), 1u);

    h.scheduler.StartCurrentPlayerTimer();
    ASSERT_EQ(h.messages.shown.size(), 2u);
    EXPECT_EQ(h.messages.shown[1].text, "Timer already started");
    EXPECT_EQ(h.messages.shown[1].icon, players::MessageIcon::Information);
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
    EXPECT_EQ(h.State(0), players::PLAYER_RUNNING);

    // With the timer on it stops the timer and the player.
    h.scheduler.StartCurrentPlayerTimer();
    h.TickAt(June3(0, 0, 30));
    h.scheduler.StopCurrentPlayerTimer();
    EXPECT_THAT(h.timers.calls, ElementsAre("Start 0", "Stop 0"));
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    EXPECT_EQ(h.view.status[0].text, "Stopped");
}

// A failing file is tried again after 1, 2, 4 ... 30 s while its window lasts. The row is selected
// when the timer first takes it up; the tries after that leave the operator's selection and focus
// alone, and the player's tip tells the failure until the file plays.
TEST_F(TimerSchedulerTest, AFailingFileIsTriedAgainAfterGrowingPausesAndTheSelectionStays)
{
    h.Append(0, "/music/earlier.mp3");
    h.Place(0, "/music/gone.mp3", 180'000, "10:00:00");
    h.control.unopenable.insert("/music/gone.mp3");
    StartTimerAt(0, June3(9, 59, 58));
    h.TickAt(June3(9, 59, 59));
    h.view.calls.clear();

    std::vector<int> tries;
    players::PlayList& list = h.players.Slot(0).List;
    for (int second = 0; second < 100; ++second) {
        const int opens = h.control.openCount;
        h.TickAt(June3(10, 0, 0) + second);
        if (h.control.openCount != opens)
            tries.push_back(second);
        if (second == 0) {
            EXPECT_THAT(list.SelectedRows(), ElementsAre(1));
            EXPECT_THAT(h.view.calls, ElementsAre("FocusList 0", "ScrollToRow 0 1"));
            // The operator picks another row meanwhile.
            list.ClearSelection();
            list.SetSelected(0, true);
            h.view.calls.clear();
        }
    }
    EXPECT_THAT(tries, ElementsAre(0, 1, 3, 7, 15, 31, 61, 91));
    EXPECT_THAT(list.SelectedRows(), ElementsAre(0));
    EXPECT_THAT(h.view.calls, IsEmpty());
    EXPECT_EQ(h.view.status[0].text, "Timer already started\nFailed: Render file failed");
    const std::vector<std::string> logged = h.log.Of(0);
    EXPECT_THAT(logged, Contains("/music/gone.mp3 | failed: file not found; next try in 1 s"));
    EXPECT_THAT(logged, Contains("/music/gone.mp3 | failed: file not found; next try in 16 s"));
    EXPECT_THAT(logged, Contains("/music/gone.mp3 | failed: file not found; next try in 30 s"));

    // The file can be read again: the next try plays it and the failure goes from the tip.
    h.control.unopenable.clear();
    TickEverySecond(June3(10, 1, 40), June3(10, 2, 1));
    EXPECT_EQ(h.control.spans.size(), 1u);
    EXPECT_EQ(h.control.spans[0].played, June3(10, 2, 1));
    EXPECT_EQ(h.view.status[0].text, "Timer already started");
    EXPECT_EQ(h.log.Of(0).back(), "/music/gone.mp3 | started 121 s after its begin time (try 9)");
    EXPECT_THAT(list.SelectedRows(), ElementsAre(0));
    EXPECT_EQ(h.control.opensOverOpenStream, 0);
}

TEST_F(TimerSchedulerTest, AFileShorterThanItsWindowIsStartedAgainFromItsBeginning)
{
    h.Place(0, "/music/jingle.mp3", 10'000, "10:00:00");
    h.control.durations["/music/jingle.mp3"] = 4'000;
    StartTimerAt(0, June3(9, 59, 59));

    for (std::time_t when = June3(10, 0, 0); when <= June3(10, 0, 11); ++when)
        h.PlaySecondAt(when);
    // Each run completes after four seconds of play and is stopped by the completion; the next
    // tick, still inside the window, starts the file from its beginning again, until the window's
    // end fades the last run out.
    ASSERT_EQ(h.control.spans.size(), 3u);
    EXPECT_EQ(h.control.spans[0].played, June3(10, 0, 0));
    EXPECT_EQ(h.control.spans[0].closed, June3(10, 0, 3));
    EXPECT_EQ(h.control.spans[1].played, June3(10, 0, 4));
    EXPECT_EQ(h.control.spans[1].closed, June3(10, 0, 7));
    EXPECT_EQ(h.control.spans[2].played, June3(10, 0, 8));
    EXPECT_EQ(h.control.spans[2].closed, June3(10, 0, 10));
    EXPECT_FALSE(h.control.spans[2].completed);
    EXPECT_EQ(h.log.Of(0).back(), "/music/jingle.mp3 | faded out at its window's end");
    // Restarts leave the selection as the first start made it.
    EXPECT_EQ(std::count(h.view.calls.begin(), h.view.calls.end(), "ScrollToRow 0 0"), 1);
    EXPECT_THAT(h.control.CallsOf("SetStreamPosition"), IsEmpty());
    EXPECT_EQ(h.control.opensOverOpenStream, 0);
}

TEST_F(TimerSchedulerTest, APlayingFileIsKeptOnlyWhileTheStreamReportsIt)
{
    const std::string path = "/music/Gr\u00FC\u00DFe \u266A.mp3";
    h.Place(0, path, 60'000, "10:00:00");
    StartTimerAt(0, June3(9, 59, 59));
    TickEverySecond(June3(10, 0, 0), June3(10, 0, 5));
    EXPECT_EQ(h.control.openCount, 1);

    // Something else closed the stream: the next tick opens the row's file again.
    h.control.CloseStream(0);
    h.TickAt(June3(10, 0, 6));
    EXPECT_EQ(h.control.openCount, 2);

    // The names compare exactly: another case is another file.
    h.control.streams[0].reported = u"/music/gr\u00FC\u00DFe \u266A.mp3";
    h.TickAt(June3(10, 0, 7));
    EXPECT_EQ(h.control.openCount, 3);
}

TEST_F(TimerSchedulerTest, ALongPathThatTheControlReportsCutShortIsNotRestartedEverySecond)
{
    const std::string path = "/music/" + std::string(300, 'x') + "/\u266A.mp3";
    h.control.storedNameLimit = 259;
    h.Place(0, path, 60'000, "10:00:00");
    StartTimerAt(0, June3(9, 59, 59));

    TickEverySecond(June3(10, 0, 0), June3(10, 0, 30));
    EXPECT_EQ(h.control.openCount, 1);

    // A row whose path merely begins like the playing one is another file.
    h.players.Slot(0).List.ClearAll();
    h.Place(0, path + ".flac", 60'000, "10:00:00");
    h.TickAt(June3(10, 0, 31));
    EXPECT_EQ(h.control.openCount, 2);
    EXPECT_EQ(h.control.spans.back().file, path + ".flac");
}

TEST_F(TimerSchedulerTest, ATickThatArrivesAfterTheTimerStoppedDoesNothing)
{
    h.Place(0, "/music/a.mp3", 60'000, "10:00:00");
    StartTimerAt(0, June3(9, 0, 0));
    h.scheduler.StopPlayerTimer(0);
    h.control.calls.clear();
    h.TickAt(June3(10, 0, 30));
    EXPECT_THAT(h.control.calls, IsEmpty());
}

TEST_F(TimerSchedulerTest, ATimerThatCannotStartStaysOff)
{
    h.Append(0, "/music/a.mp3");
    h.timers.startFails = true;
    h.scheduler.StartCurrentPlayerTimer();
    EXPECT_FALSE(h.players.Slot(0).TimerOn());
    h.controller.PlayPauseCurrent();
    EXPECT_EQ(h.State(0), players::PLAYER_RUNNING);
}

TEST_F(TimerSchedulerTest, TimerIdsMapToPlayers)
{
    EXPECT_EQ(players::TimerScheduler::PlayerOfTimer(200), 0);
    EXPECT_EQ(players::TimerScheduler::PlayerOfTimer(207), 7);
    EXPECT_EQ(players::TimerScheduler::PlayerOfTimer(199), -1);
    EXPECT_EQ(players::TimerScheduler::PlayerOfTimer(208), -1);
    EXPECT_EQ(players::TimerScheduler::PlayerOfTimer(1), -1);
}

} // namespace

TEST_F(TimerSchedulerTest, AFileThatPlayedOnceAndThenFailsToOpenIsTriedAgainAfterPauses)
{
    // The control still names the file after a failed open of it, so only the stream's state shows
    // that nothing plays.
    h.Place(0, "/music/removed.mp3", 6'000, "10:00:00");
    h.control.durations["/music/removed.mp3"] = 1'000;
    StartTimerAt(0, June3(9, 59, 59));

    h.TickAt(June3(10, 0, 0));
    h.control.Advance(1000);
    h.poster.Drain();
    EXPECT_EQ(h.control.openCount, 1);

    // Its restart fails at 10:00:01; it is tried at 10:00:02 and then at 10:00:04.
    h.control.unopenable.insert("/music/removed.mp3");
    TickEverySecond(June3(10, 0, 1), June3(10, 0, 6));
    EXPECT_EQ(h.control.openCount, 4);
    short state = -1;
    ASSERT_TRUE(h.control.GetStreamState(0, &state));
    EXPECT_NE(state, sonarel::STATE_PLAYING);
    EXPECT_THAT(h.log.Of(0),
        ElementsAre(" | timer started", "/music/removed.mp3 | started", "/music/removed.mp3 | ended",
            "/music/removed.mp3 | failed: file not found; next try in 1 s",
            "/music/removed.mp3 | failed: file not found; next try in 2 s",
            "/music/removed.mp3 | failed: file not found; its window closes before the next try"));
}

TEST_F(TimerSchedulerTest, RowsOfOneSecondOnEveryPlayerAreOpenedAheadAndStartedTogetherFirst)
{
    for (int player = 0; player < players::PLAYER_COUNT; ++player)
        h.Place(player, "/zone" + std::to_string(player) + "/bell.mp3", 5'000, "10:00:00");
    h.clock.now = June3(9, 59, 58);
    h.scheduler.StartAllTimers();
    h.TickAt(June3(9, 59, 59));
    // Opened paused a second ahead, and not running before their second.
    EXPECT_EQ(h.control.CallsOf("OpenStream").size(), 8u);
    for (int player = 0; player < players::PLAYER_COUNT; ++player) {
        EXPECT_EQ(h.State(player), players::PLAYER_STOPPED);
        EXPECT_FALSE(h.control.streams[static_cast<std::size_t>(player)].playing);
    }

    h.control.calls.clear();
    h.TickAt(June3(10, 0, 0));
    // The eight starts come before anything else the tick does, with only the questions that find
    // the streams ready in between.
    const auto lastStart = std::find(h.control.calls.begin(), h.control.calls.end(), "Play 7");
    ASSERT_NE(lastStart, h.control.calls.end());
    int starts = 0;
    for (auto call = h.control.calls.begin(); call <= lastStart; ++call) {
        if (call->starts_with("Play "))
            ++starts;
        else
            EXPECT_TRUE(call->starts_with("GetStream")) << *call;
    }
    EXPECT_EQ(starts, 8);
    EXPECT_THAT(h.control.CallsOf("OpenStream"), IsEmpty());
    for (int player = 0; player < players::PLAYER_COUNT; ++player) {
        EXPECT_EQ(h.State(player), players::PLAYER_RUNNING);
        EXPECT_EQ(h.control.spans[static_cast<std::size_t>(player)].played, June3(10, 0, 0));
        EXPECT_EQ(h.log.Of(player).back(), "/zone" + std::to_string(player) + "/bell.mp3 | started");
    }
}

// The seconds that no tick saw (a machine suspended for hours, a tick held up for two seconds) are
// looked at afterwards: a row whose whole window passed meanwhile is logged as missed, a row whose
// window is still open starts late.
TEST_F(TimerSchedulerTest, SecondsNoTickSawAreLookedAtAfterwards)
{
    h.Place(0, "/music/one-second.mp3", 1'000, "10:00:01");
    h.Place(1, "/music/news.mp3", 60'000, "10:00:01");
    h.Place(2, "/music/morning.mp3", 60'000, "06:00:00");
    h.Place(2, "/music/noon.mp3", 3'600'000, "09:30:00");
    h.clock.now = June3(5, 0, 0);
    h.scheduler.StartAllTimers();
    h.TickAt(June3(5, 0, 1));

    // Suspended until 10:00:00.
    h.TickAt(June3(10, 0, 0));
    EXPECT_THAT(h.log.Of(2),
        ElementsAre(" | timer started",
            "/music/morning.mp3 | missed: its window 06:00:00-06:01:00 passed unseen",
            "/music/noon.mp3 | started 1800 s after its begin time: its begin second passed unseen"));

    // The tick of 10:00:01 comes two seconds late.
    h.TickAt(June3(10, 0, 2));
    EXPECT_EQ(
        h.log.Of(0).back(), "/music/one-second.mp3 | missed: its window 10:00:01-10:00:02 passed unseen");
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    EXPECT_FALSE(h.control.streams[0].open);
    EXPECT_EQ(h.log.Of(1).back(),
        "/music/news.mp3 | started 1 s after its begin time: its begin second passed unseen");
    EXPECT_EQ(h.State(1), players::PLAYER_RUNNING);
    // A second tick in the same second (the clock was set by less than a second) changes nothing.
    const std::size_t lines = h.log.lines.size();
    h.TickAt(June3(10, 0, 2));
    EXPECT_EQ(h.log.lines.size(), lines);
    EXPECT_EQ(h.State(1), players::PLAYER_RUNNING);
}

// What happens when a row's window closes while its file still plays: a file whose end is less than
// a second away (and the moment its start came late within its second) plays to its end, one started
// late fades out, any other is cut. A file that claimed to be near its end but is still playing a
// second later is cut then.
TEST_F(TimerSchedulerTest, AtItsWindowsEndAFileNearItsEndPlaysOnALateOneFadesAndAnyOtherIsCut)
{
    struct Case {
        const char* name;
        bool late;
        std::int32_t lengthMs;
        bool neverEnds;
        // How far into its begin second the file was started.
        int startMs;
        const char* ending;
        bool completed;
    };
    const Case cases[] = {
        { "on time, 0.9 s over", false, 3'900, false, 0, "ended", true },
        { "on time, started 0.3 s into its second, 1.2 s to go", false, 4'200, false, 300, "ended", true },
        { "started late, 0.5 s over", true, 2'500, false, 0, "ended", true },
        { "on time, 5 s over", false, 8'000, false, 0, "cut at its window's end", false },
        { "started late, 5 s over", true, 8'000, false, 0, "faded out at its window's end", false },
        { "on time, said to be near its end", false, 3'900, true, 0,
            "cut: still playing a second after its window closed", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlaybackHarness p;
        p.Place(0, "/music/bell.mp3", 3'000, "10:00:00");
        p.control.durations["/music/bell.mp3"] = c.lengthMs;
        p.clock.now = c.late ? June3(10, 0, 0) : June3(9, 59, 58);
        p.scheduler.StartPlayerTimer(0);
        for (std::time_t when = p.clock.now + 1; when <= June3(10, 0, 5); ++when) {
            p.clock.millisecond = when == June3(10, 0, 0) ? c.startMs : 0;
            p.TickAt(when);
            if (c.neverEnds && when == June3(10, 0, 3))
                p.control.streams[0].lengthMs = 60'000;
            p.control.Advance(1000);
            p.poster.Drain();
        }
        ASSERT_EQ(p.control.spans.size(), 1u);
        EXPECT_EQ(p.control.spans[0].completed, c.completed);
        EXPECT_EQ(p.log.Of(0).back(), std::string("/music/bell.mp3 | ") + c.ending);
        EXPECT_EQ(p.State(0), players::PLAYER_STOPPED);
        EXPECT_FALSE(p.control.streams[0].open);
    }
}
