// Announcements over music and even loudness as the players ask the control for them: who is
// lowered by how much and how fast, and which gain each file gets.

#include "PlaybackHarness.h"

#include "players/Ducking.h"
#include "players/LoudnessWorker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace {

using ::testing::ElementsAre;

TEST(DuckTargets, TheLargestReductionOfTheRunningAnnouncersOnTheSameDevice)
{
    players::Players players;
    const auto set = [&](int player, const char* device, std::int32_t duck, players::PlayerState state) {
        players.Slot(player).Setting.Device = device;
        players.Slot(player).Setting.DuckDb = duck;
        players.Slot(player).State = state;
    };
    set(0, "Zone 1 (zone1)", 0, players::PLAYER_RUNNING); // music
    set(1, "Zone 1 (zone1)", 12, players::PLAYER_RUNNING); // an announcement
    set(2, "Zone 1 (zone1)", 18, players::PLAYER_RUNNING); // a louder one at the same time
    set(3, "Zone 1 (zone1)", 24, players::PLAYER_PAUSED); // paused: it does not sound
    set(4, "Zone 2 (zone2)", 0, players::PLAYER_RUNNING); // another zone
    set(5, "", 30, players::PLAYER_STOPPED);
    set(6, "", 0, players::PLAYER_RUNNING);
    EXPECT_THAT(players::DuckTargets(players), ElementsAre(18, 18, 12, 18, 0, 0, 0, 0));

    players.Slot(5).State = players::PLAYER_RUNNING; // the default device is one device too
    EXPECT_EQ(players::DuckTargets(players)[6], 30);
    EXPECT_EQ(players::DuckTargets(players)[7], 30);
}

class FixedGains final : public players::ILoudnessGains {
public:
    std::map<std::string, double> gains;
    [[nodiscard]] std::optional<double> GainDb(const std::string& path) const override
    {
        const auto found = gains.find(path);
        return found == gains.end() ? std::nullopt : std::optional<double>(found->second);
    }
};

TEST(AnnouncementsAndLoudness, MusicGlidesDownAndBackAndEachFileGetsItsGain)
{
    PlaybackHarness h;
    FixedGains gains;
    gains.gains["/music/loud.mp3"] = -7.5;
    h.controller.SetLoudnessGains(&gains);
    for (const int player : { 0, 1, 2 })
        h.players.Slot(player).Setting.Device = player == 2 ? "Zone 2 (zone2)" : "Zone 1 (zone1)";
    h.players.Slot(0).Setting.EvenLoudness = true;
    h.players.Slot(1).Setting.DuckDb = 12;

    h.controller.PlayFile(0, "/music/loud.mp3");
    h.controller.PlayFile(2, "/music/garden.mp3");
    EXPECT_THAT(h.control.CallsOf("SetLoudnessGain"), ElementsAre("SetLoudnessGain 0 -7.5"));
    h.control.calls.clear();

    // The announcement lowers the music of its zone, at once for a file it starts meanwhile.
    h.controller.PlayFile(1, "/news/noon.mp3");
    EXPECT_THAT(h.control.CallsOf("SetDuck"), ElementsAre("SetDuck 0 12 300"));
    h.control.calls.clear();
    h.controller.PlayFile(0, "/music/unmeasured.mp3");
    EXPECT_THAT(h.control.CallsOf("SetDuck"), ElementsAre("SetDuck 0 12 0"));
    EXPECT_THAT(h.control.CallsOf("SetLoudnessGain"), ::testing::IsEmpty());
    h.control.calls.clear();

    // Its end lets the music back up, slower; the other zone was never touched.
    h.controller.StopPlayer(1);
    EXPECT_THAT(h.control.CallsOf("SetDuck"), ElementsAre("SetDuck 0 0 800"));
}

} // namespace
