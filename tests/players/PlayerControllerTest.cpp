#include "PlaybackHarness.h"

#include "players/SonarelEventRelay.h"
#include "players/WideText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class PlayerControllerTest : public ::testing::Test {
protected:
    // Three contiguous rows on the current player 0.
    void FillList(int player = 0)
    {
        h.Append(player, "/music/a.mp3");
        h.Append(player, "/music/b.mp3");
        h.Append(player, "/music/c.mp3");
    }
    // Plays a row by double click, then forgets the calls so far.
    void PlayRow(int row, int player = 0)
    {
        h.players.Slot(player).List.SetSelected(row, true);
        h.controller.PlayRowOnDoubleClick(player, row);
        h.control.calls.clear();
        h.view.calls.clear();
    }
    players::PlayList& List(int player = 0) { return h.players.Slot(player).List; }

    PlaybackHarness h;
};

TEST_F(PlayerControllerTest, PlayFileOpensAppliesTheSettingsAndPlaysInThisOrder)
{
    players::PlayerSetting& setting = h.players.Slot(3).Setting;
    setting.Device = "Zone 2 (sink-2)";
    setting.Volume = 70;
    setting.Balance = -10000;
    setting.Amplify = 2.5f;

    h.controller.PlayFile(3, "/music/a.mp3");

    EXPECT_THAT(h.control.calls,
        ElementsAre("OpenStream 3 /music/a.mp3 'Zone 2 (sink-2)' 0", "SetVolume 3 70", "SetBalance 3 -10000",
            "SetAudioAmplify 3 2.5", "Play 3"));
    EXPECT_EQ(h.State(3), players::PLAYER_RUNNING);
    EXPECT_EQ(h.view.status[3].image, players::IMAGE_PLAY);
    EXPECT_EQ(h.view.status[3].text, "Running");
    // Player 3 is not the current one: the play control bar keeps showing player 0.
    EXPECT_EQ(h.view.playButton, players::IMAGE_PLAY);
}

// Played by hand, a file the control cannot play shows the failure in the player's tip and the list
// goes on with the next row, as after a completion; without its device no row can play, so the list
// stops there. The user's next play command takes the failure away.
TEST_F(PlayerControllerTest, AFileThatCannotPlayIsShownAsFailedAndTheListGoesOn)
{
    // Files that are there, so that the failures are the control's.
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "player-failure-test";
    std::filesystem::create_directories(folder);
    std::vector<std::string> files;
    for (const char* name : { "a.mp3", "b.mp3", "c.mp3" }) {
        files.push_back((folder / name).string());
        std::ofstream(files.back()).put('x');
    }
    struct Case {
        const char* name;
        bool failsHalfWay;
        bool deviceGone;
        // The tip's lines after the state, and what the log says of the file.
        const char* notice;
        const char* logged;
        bool goesOn;
    };
    const Case cases[] = {
        { "cannot be opened", false, false, "\nFailed: Render file failed", "failed: Render file failed",
            true },
        { "fails half way", true, false, "\nFailed: Audio device lost", "failed: Audio device lost", true },
        { "its device is gone", false, true, "\nDevice not connected: Zone 2 (sink-2)",
            "failed: device not connected", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlaybackHarness p;
        p.players.Slot(0).Setting.Device = "Zone 2 (sink-2)";
        for (const std::string& file : files)
            p.Append(0, file);
        p.players.Slot(0).List.SetSelected(1, true);
        if (c.deviceGone)
            p.control.absentDevices.insert("Zone 2 (sink-2)");
        else if (!c.failsHalfWay)
            p.control.unopenable.insert(files[1]);

        p.controller.PlayPauseCurrent();
        // Until the failure is handled the player shows what it was told to do.
        EXPECT_TRUE(p.view.status[0].text.starts_with("Running")) << p.view.status[0].text;
        if (c.failsHalfWay)
            p.control.Fail(0, "Audio device lost");
        p.poster.Drain();

        EXPECT_THAT(p.log.Of(0), ::testing::Contains(files[1] + " | " + c.logged));
        if (c.goesOn) {
            EXPECT_EQ(p.State(0), players::PLAYER_RUNNING);
            EXPECT_THAT(p.players.Slot(0).List.SelectedRows(), ElementsAre(2));
            EXPECT_EQ(p.control.spans.back().file, files[2]);
            EXPECT_EQ(p.view.status[0].text, "Running" + std::string(c.notice));
        } else {
            EXPECT_EQ(p.State(0), players::PLAYER_STOPPED);
            EXPECT_THAT(p.players.Slot(0).List.SelectedRows(), ElementsAre(1));
            EXPECT_EQ(p.view.status[0].text, "Stopped" + std::string(c.notice));
        }
        // The user's own command starts afresh.
        p.controller.StopCurrent();
        EXPECT_EQ(p.view.status[0].text.find("Failed"), std::string::npos);
    }
    std::filesystem::remove_all(folder);
}

TEST_F(PlayerControllerTest, PlayPauseOnAnEmptyListDoesNothing)
{
    h.controller.PlayPauseCurrent();
    EXPECT_THAT(h.control.calls, IsEmpty());
    EXPECT_EQ(h.State(0), players::PLAYER_IDLE);
}

TEST_F(PlayerControllerTest, PlayPauseWithoutSelectionSelectsAndPlaysRowZero)
{
    FillList();
    h.controller.PlayPauseCurrent();

    EXPECT_THAT(List().SelectedRows(), ElementsAre(0));
    EXPECT_THAT(h.view.calls, ElementsAre("FocusList 0", "ScrollToRow 0 0"));
    ASSERT_FALSE(h.control.calls.empty());
    EXPECT_EQ(h.control.calls.front(), "OpenStream 0 /music/a.mp3 '' 0");
    EXPECT_EQ(h.State(0), players::PLAYER_RUNNING);
    EXPECT_EQ(h.view.playButton, players::IMAGE_PAUSE);
}

TEST_F(PlayerControllerTest, PlayPauseCyclesThroughPauseAndResume)
{
    FillList();
    List().SetSelected(1, true);
    h.controller.PlayPauseCurrent();
    EXPECT_EQ(h.control.calls.front(), "OpenStream 0 /music/b.mp3 '' 0");

    h.control.calls.clear();
    h.controller.PlayPauseCurrent();
    EXPECT_THAT(h.control.calls, ElementsAre("Pause 0"));
    EXPECT_EQ(h.State(0), players::PLAYER_PAUSED);
    EXPECT_EQ(h.view.status[0].image, players::IMAGE_PAUSE);
    EXPECT_EQ(h.view.status[0].text, "Paused");
    EXPECT_EQ(h.view.playButton, players::IMAGE_PLAY);

    h.control.calls.clear();
    h.controller.PlayPauseCurrent();
    EXPECT_THAT(h.control.calls, ElementsAre("Play 0"));
    EXPECT_EQ(h.State(0), players::PLAYER_RUNNING);
    EXPECT_EQ(h.view.playButton, players::IMAGE_PAUSE);

    // From stopped it plays the selection again from its beginning.
    h.controller.StopCurrent();
    h.control.calls.clear();
    h.controller.PlayPauseCurrent();
    EXPECT_EQ(h.control.calls.front(), "OpenStream 0 /music/b.mp3 '' 0");
}

TEST_F(PlayerControllerTest, StopClosesTheStreamAndResetsPositionAndElapsed)
{
    FillList();
    PlayRow(0);
    h.view.position = 37;
    h.view.elapsed = "00:00:42";

    h.controller.StopCurrent();
    EXPECT_THAT(h.control.calls, ElementsAre("CloseStream 0"));
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    EXPECT_EQ(h.view.status[0].image, players::IMAGE_STOP);
    EXPECT_EQ(h.view.status[0].text, "Stopped");
    EXPECT_EQ(h.view.playButton, players::IMAGE_PLAY);
    EXPECT_EQ(h.view.position, 0);
    EXPECT_EQ(h.view.elapsed, "00:00:00");
}

TEST_F(PlayerControllerTest, StoppingAnotherPlayerLeavesTheCurrentPlayersDisplaysAlone)
{
    h.view.position = 37;
    h.view.elapsed = "00:00:42";
    h.controller.StopPlayer(4);
    EXPECT_EQ(h.view.position, 37);
    EXPECT_EQ(h.view.elapsed, "00:00:42");
    EXPECT_EQ(h.view.status[4].text, "Stopped");
}

TEST_F(PlayerControllerTest, NextAndPreviousMoveTheSelectionAndPlay)
{
    FillList();
    PlayRow(0);
    h.controller.NextCurrent();
    EXPECT_THAT(h.control.calls.front(), "CloseStream 0");
    EXPECT_EQ(h.control.CallsOf("OpenStream"), std::vector<std::string> { "OpenStream 0 /music/b.mp3 '' 0" });
    EXPECT_THAT(List().SelectedRows(), ElementsAre(1));
    EXPECT_THAT(h.view.calls, ElementsAre("FocusList 0", "ScrollToRow 0 1"));

    h.control.calls.clear();
    h.controller.PreviousCurrent();
    EXPECT_EQ(h.control.CallsOf("OpenStream"), std::vector<std::string> { "OpenStream 0 /music/a.mp3 '' 0" });
    EXPECT_THAT(List().SelectedRows(), ElementsAre(0));
}

TEST_F(PlayerControllerTest, NextOnTheLastRowStopsAndPlaysNothing)
{
    FillList();
    PlayRow(2);
    h.controller.NextCurrent();
    EXPECT_THAT(h.control.calls, ElementsAre("CloseStream 0"));
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    EXPECT_THAT(List().SelectedRows(), ElementsAre(2));
}

TEST_F(PlayerControllerTest, PreviousOnRowZeroStopsAndPlaysNothing)
{
    FillList();
    PlayRow(0);
    h.controller.PreviousCurrent();
    EXPECT_THAT(h.control.calls, ElementsAre("CloseStream 0"));
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    EXPECT_THAT(List().SelectedRows(), ElementsAre(0));
}

TEST_F(PlayerControllerTest, NextAndPreviousWithoutSelectionOnlyStop)
{
    FillList();
    h.controller.NextCurrent();
    h.controller.PreviousCurrent();
    EXPECT_THAT(h.control.calls, ElementsAre("CloseStream 0", "CloseStream 0"));
}

TEST_F(PlayerControllerTest, CompletionPlaysTheNextRowOnlyOnceThePostedCallRuns)
{
    FillList();
    PlayRow(0);
    h.control.Complete(0);

    // Inside the control's event nothing touches the stream.
    EXPECT_THAT(h.control.calls, IsEmpty());
    EXPECT_EQ(h.State(0), players::PLAYER_RUNNING);
    ASSERT_EQ(h.poster.Pending(), 1u);

    h.poster.Drain();
    ASSERT_GE(h.control.calls.size(), 2u);
    EXPECT_EQ(h.control.calls[0], "CloseStream 0");
    EXPECT_EQ(h.control.calls[1], "OpenStream 0 /music/b.mp3 '' 0");
    EXPECT_THAT(List().SelectedRows(), ElementsAre(1));
    EXPECT_EQ(h.State(0), players::PLAYER_RUNNING);
}

TEST_F(PlayerControllerTest, CompletionOfTheLastRowLeavesThePlayerStopped)
{
    FillList();
    PlayRow(2);
    h.control.Complete(0);
    h.poster.Drain();
    EXPECT_THAT(h.control.calls, ElementsAre("CloseStream 0"));
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    EXPECT_EQ(h.view.status[0].text, "Stopped");
}

TEST_F(PlayerControllerTest, CompletionWithTheTimerOnOnlyStops)
{
    FillList();
    PlayRow(0);
    h.players.Slot(0).Timer = 200;
    h.control.Complete(0);
    h.poster.Drain();
    EXPECT_THAT(h.control.calls, ElementsAre("CloseStream 0"));
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    EXPECT_EQ(h.view.status[0].image, players::IMAGE_TIMER);
    EXPECT_EQ(h.view.status[0].text, "Timer already started");
}

TEST_F(PlayerControllerTest, ACompletionOvertakenByTheUserIsDropped)
{
    FillList();
    PlayRow(0);

    // The user stops between the end of the file and the posted completion: nothing starts.
    h.control.Complete(0);
    h.controller.StopCurrent();
    h.poster.Drain();
    EXPECT_THAT(h.control.CallsOf("OpenStream"), IsEmpty());
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);

    // The user starts another row meanwhile: that file is not stopped by the old file's end.
    PlayRow(0);
    h.control.Complete(0);
    List().ClearSelection();
    h.controller.PlayRowOnDoubleClick(0, 2);
    h.control.calls.clear();
    h.poster.Drain();
    EXPECT_THAT(h.control.calls, IsEmpty());
    EXPECT_EQ(h.State(0), players::PLAYER_RUNNING);
    EXPECT_TRUE(h.control.streams[0].open);
}

TEST_F(PlayerControllerTest, ManualControlsDoNothingWhileTheTimerIsOn)
{
    FillList();
    PlayRow(1);
    h.players.Slot(0).Timer = 200;

    h.controller.PlayPauseCurrent();
    h.controller.StopCurrent();
    h.controller.PreviousCurrent();
    h.controller.NextCurrent();
    h.controller.SeekCurrent(50);
    h.controller.PlayRowOnDoubleClick(0, 2);

    EXPECT_THAT(h.control.calls, IsEmpty());
    EXPECT_EQ(h.State(0), players::PLAYER_RUNNING);
    EXPECT_THAT(List().SelectedRows(), ElementsAre(1));
}

TEST_F(PlayerControllerTest, SeekSetsTheCurrentStreamsPosition)
{
    FillList();
    PlayRow(0);
    h.controller.SeekCurrent(63);
    EXPECT_THAT(h.control.calls, ElementsAre("SetStreamPosition 0 63"));
}

TEST_F(PlayerControllerTest, DoubleClickStopsAndPlaysTheRow)
{
    FillList();
    h.controller.PlayRowOnDoubleClick(0, 2);
    ASSERT_GE(h.control.calls.size(), 2u);
    EXPECT_EQ(h.control.calls[0], "CloseStream 0");
    EXPECT_EQ(h.control.calls[1], "OpenStream 0 /music/c.mp3 '' 0");

    h.control.calls.clear();
    h.controller.PlayRowOnDoubleClick(0, -1);
    // Below the last row there is no file to play.
    h.controller.PlayRowOnDoubleClick(0, 3);
    EXPECT_THAT(h.control.calls, IsEmpty());
}

TEST_F(PlayerControllerTest, SelectPlayerShowsItsListPositionAndElapsedAtOnce)
{
    FillList(2);
    PlayRow(0, 2);
    h.control.streams[2].position = 42;
    h.control.streams[2].elapsedMs = 75'400;

    h.controller.SelectPlayer(2);
    EXPECT_EQ(h.controller.CurrentPlayer(), 2);
    EXPECT_THAT(
        h.view.calls, ElementsAre("HideList 0", "ShowList 2", "FocusList 2", "Mark 0 off", "Mark 2 on"));
    EXPECT_EQ(h.view.playButton, players::IMAGE_PAUSE);
    EXPECT_EQ(h.view.position, 42);
    EXPECT_EQ(h.view.elapsed, "00:01:15");

    // Back to the idle player 0: its stream reports nothing.
    h.controller.SelectPlayer(0);
    EXPECT_EQ(h.view.playButton, players::IMAGE_PLAY);
    EXPECT_EQ(h.view.position, 0);
    EXPECT_EQ(h.view.elapsed, "00:00:00");

    h.view.calls.clear();
    h.control.calls.clear();
    h.controller.SelectPlayer(0);
    h.controller.SelectPlayer(8);
    h.controller.SelectPlayer(-1);
    EXPECT_THAT(h.view.calls, IsEmpty());
    EXPECT_THAT(h.control.calls, IsEmpty());
}

TEST_F(PlayerControllerTest, PositionAndElapsedEventsShowOnlyForTheCurrentPlayer)
{
    h.controller.OnPosChanged(0, 0, 17);
    h.controller.OnElapsedChanged(0, 3'723'999);
    EXPECT_EQ(h.view.position, 17);
    EXPECT_EQ(h.view.elapsed, "01:02:03");

    h.controller.OnPosChanged(1, 0, 90);
    h.controller.OnElapsedChanged(1, 9'000);
    EXPECT_EQ(h.view.position, 17);
    EXPECT_EQ(h.view.elapsed, "01:02:03");

    // State changes of the control change nothing of the player, nor do errors while it plays
    // nothing.
    h.controller.OnStateChanged(0, sonarel::STATE_CLOSED, sonarel::STATE_PLAYING);
    h.controller.OnError(0, -1, "Render file failed");
    h.poster.Drain();
    EXPECT_EQ(h.State(0), players::PLAYER_IDLE);
    EXPECT_EQ(h.view.statusUpdates, 0);
}

TEST_F(PlayerControllerTest, AddFileMeasuresAndAppendsToTheCurrentPlayer)
{
    h.control.durations["/music/short.mp3"] = 400;
    h.control.durations["/music/long.mp3"] = 61'999;
    h.controller.SelectPlayer(1);

    EXPECT_TRUE(h.controller.AddFile("/music/short.mp3"));
    EXPECT_TRUE(h.controller.AddFile("/music/long.mp3"));
    ASSERT_EQ(List(1).RowCount(), 2);
    EXPECT_EQ(List(1).Row(0).Duration, "00:00:01");
    EXPECT_EQ(List(1).Row(1).Duration, "00:01:01");
    EXPECT_EQ(List(1).Row(1).Path, "/music/long.mp3");
    EXPECT_TRUE(List(0).Empty());
    EXPECT_THAT(h.messages.shown, IsEmpty());
}

TEST_F(PlayerControllerTest, AFileThatCannotBeMeasuredIsReportedAndSkipped)
{
    EXPECT_FALSE(h.controller.AddFile("/music/broken.mp3"));
    EXPECT_TRUE(List().Empty());
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].text, "Failed to load file :\n/music/broken.mp3");
    EXPECT_EQ(h.messages.shown[0].caption, "Tessaly");
    EXPECT_EQ(h.messages.shown[0].icon, players::MessageIcon::Exclamation);
}

TEST_F(PlayerControllerTest, AFileThatWouldPassMidnightIsLeftOutSilently)
{
    h.Place(0, "/music/late.mp3", 60'000, "23:58:30");
    h.control.durations["/music/next.mp3"] = 60'000;
    EXPECT_FALSE(h.controller.AddFile("/music/next.mp3"));
    EXPECT_EQ(List().RowCount(), 1);
    EXPECT_THAT(h.messages.shown, IsEmpty());
}

TEST(SonarelEventRelayTest, PassesEventsOnOnceItHasATarget)
{
    PlaybackHarness h;
    players::SonarelEventRelay relay;
    relay.OnPosChanged(0, 0, 55);
    relay.OnComplete(0);
    EXPECT_EQ(h.view.position, 0);

    relay.SetTarget(&h.controller);
    relay.OnPosChanged(0, 0, 55);
    relay.OnElapsedChanged(0, 2'000);
    relay.OnComplete(0);
    EXPECT_EQ(h.view.position, 55);
    EXPECT_EQ(h.view.elapsed, "00:00:02");
    EXPECT_EQ(h.poster.Pending(), 1u);
}

TEST(WideTextTest, StopsAtTheFirstZeroAndJoinsSurrogatePairs)
{
    const char16_t full[] = { u'/', u'a', u'\u00FC', 0xD83C, 0xDFB5, u'\0', u'x' };
    EXPECT_EQ(players::WideBufferToUtf8(std::u16string_view(full, 7)), "/a\u00FC\U0001F3B5");
    // A buffer filled to its end has no terminator.
    EXPECT_EQ(players::WideBufferToUtf8(std::u16string_view(full, 2)), "/a");
    const char16_t broken[] = { u'a', 0xD83C, u'b', 0xDFB5 };
    EXPECT_EQ(players::WideBufferToUtf8(std::u16string_view(broken, 4)), "a\uFFFDb\uFFFD");
    EXPECT_EQ(players::WideBufferToUtf8(std::u16string_view()), "");
}

} // namespace
