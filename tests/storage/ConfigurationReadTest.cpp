#include "StorageFakes.h"

#include "players/Players.h"
#include "storage/ConfigurationFile.h"

#include <gmock/gmock.h>

#include <ctime>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::vector<std::string> Rows(const players::PlayList& list)
{
    std::vector<std::string> rows;
    for (const players::PlayListEntry& row : list.Rows())
        rows.push_back(
            row.File + " " + row.Duration + " " + row.BeginTime + "-" + row.EndTime + " " + row.Segment);
    return rows;
}

class ConfigurationRead : public StorageTest {
protected:
    // Reads a KVConfig document with the given players.
    bool Read(const std::string& body)
    {
        const std::string path = WriteText("Tessaly.cfg",
            "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<KVConfig Version=\"1.0.0\">\n" + body
                + "</KVConfig>\n");
        return storage::ReadConfiguration(path, players, control, progress, June15());
    }

    // A File element for a file of the folder.
    std::string FileElement(const std::string& name, const std::string& beginTime) const
    {
        return "<File Path=\"" + PathOf(name) + "\" BeginTime=\"" + beginTime + "\"/>\n";
    }

    void ExpectDefaults(int player) const
    {
        const players::PlayerSlot& slot = players.Slot(player);
        EXPECT_EQ(slot.Setting, players::DefaultPlayerSetting(player)) << "player " << player;
        EXPECT_EQ(slot.Policy, players::SchedulePolicy {}) << "player " << player;
        EXPECT_TRUE(slot.List.Empty()) << "player " << player;
    }

    players::Players players;
};

TEST_F(ConfigurationRead, AFileThatCannotBeReadLeavesEveryDefault)
{
    const std::string documents[] = {
        "",
        "this is not XML at all",
        "<KVProgram Version=\"1.0.0\"><File Path=\"/x.mp3\"/></KVProgram>",
        "<kvconfig><Player ID=\"0\" Name=\"Lower case root\"/></kvconfig>",
        "<KVConfig><Player ID=\"0\" Name=\"Unclosed\"></KVConfig>",
    };
    for (const std::string& document : documents) {
        const std::string path = WriteText("Tessaly.cfg", document);
        EXPECT_FALSE(storage::ReadConfiguration(path, players, control, progress, June15())) << document;
    }
    EXPECT_FALSE(storage::ReadConfiguration(PathOf("missing.cfg"), players, control, progress, June15()));

    for (int player = 0; player < players::PLAYER_COUNT; ++player)
        ExpectDefaults(player);
    EXPECT_THAT(progress.calls, IsEmpty());
    EXPECT_THAT(control.detected, IsEmpty());
}

TEST_F(ConfigurationRead, TheIdChoosesThePlayerAndBadIdsAreIgnoredEntirely)
{
    AudioFile("ignored.mp3", 5000);
    ASSERT_TRUE(Read("<Player ID=\"9\" Name=\"Nine\" Volume=\"5\">" + FileElement("ignored.mp3", "")
        + "</Player>\n"
          "<Player ID=\"-1\" Name=\"Minus one\" Volume=\"5\"/>\n"
          "<Player ID=\"2.7\" Name=\"Two point seven\"/>\n"
          "<Player Name=\"No id\"/>\n"
          "<player ID=\"5\" Name=\"lower case\"/>\n"
          "<Player ID=\"6\" name=\"lower case attribute\" VOLUME=\"50\"/>\n"));

    EXPECT_EQ(players.Slot(2).Setting.Name, "Two point seven");
    EXPECT_EQ(players.Slot(0).Setting.Name, "No id");
    ExpectDefaults(5);
    // Names compare byte for byte: "name" and "VOLUME" are not Name and Volume, so Volume is missing.
    EXPECT_EQ(players.Slot(6).Setting.Name, "Player Seven");
    EXPECT_EQ(players.Slot(6).Setting.Volume, 0);
    for (const int untouched : { 1, 3, 4, 7 })
        ExpectDefaults(untouched);
    // The ignored players' files are not even measured.
    EXPECT_THAT(control.detected, IsEmpty());
}

TEST_F(ConfigurationRead, ValuesOutOfRangeAreSkippedOneByOne)
{
    ASSERT_TRUE(Read("<Player ID=\"0\" Name=\"\" Volume=\"150\" Balance=\"-10001\" Amplify=\"0.5\"/>\n"
                     "<Player ID=\"1\" Balance=\"-10000\" Amplify=\"11\"/>\n"
                     "<Player ID=\"2\" Volume=\"42.9\" Balance=\"10000\" Amplify=\"2.5\"/>\n"
                     "<Player ID=\"3\" Volume=\"-1\" Balance=\"10001\" Amplify=\"10\"/>\n"
                     "<Player ID=\"4\" Volume=\"1e12\" Balance=\"-1e12\" Amplify=\"nan\"/>\n"
                     "<Player ID=\"5\" Volume=\"auto\" Balance=\"original\" Amplify=\"original\"/>\n"));

    const players::PlayerSetting& kept = players.Slot(0).Setting;
    EXPECT_EQ(kept, players::DefaultPlayerSetting(0))
        << "an empty name and every out-of-range value are skipped";

    // A missing Volume or Balance reads as 0 and is taken; a missing Amplify (0) is out of range.
    const players::PlayerSetting& one = players.Slot(1).Setting;
    EXPECT_EQ(one.Volume, 0);
    EXPECT_EQ(one.Balance, -10000);
    EXPECT_FLOAT_EQ(one.Amplify, 1.0f);

    const players::PlayerSetting& two = players.Slot(2).Setting;
    EXPECT_EQ(two.Volume, 42);
    EXPECT_EQ(two.Balance, 10000);
    EXPECT_FLOAT_EQ(two.Amplify, 2.5f);

    const players::PlayerSetting& three = players.Slot(3).Setting;
    EXPECT_EQ(three.Volume, 100);
    EXPECT_EQ(three.Balance, 0);
    EXPECT_FLOAT_EQ(three.Amplify, 10.0f);

    // Huge numbers stay out of range instead of wrapping into it; "nan" is not a number.
    const players::PlayerSetting& four = players.Slot(4).Setting;
    EXPECT_EQ(four.Volume, 100);
    EXPECT_EQ(four.Balance, 0);
    EXPECT_FLOAT_EQ(four.Amplify, 1.0f);

    const players::PlayerSetting& five = players.Slot(5).Setting;
    EXPECT_EQ(five.Volume, 0);
    EXPECT_EQ(five.Balance, 1);
    EXPECT_FLOAT_EQ(five.Amplify, 1.0f);
}

TEST_F(ConfigurationRead, ADeviceIsKeptWhetherOrNotItIsConnectedNow)
{
    control.devices = { "Zone 2 (zone2)" };
    ASSERT_TRUE(Read("<Player ID=\"0\" Device=\"Zone 2 (zone2)\"/>\n"
                     "<Player ID=\"1\" Device=\"Unplugged (usb)\"/>\n"
                     "<Player ID=\"2\" Device=\"\"/>\n"));

    EXPECT_EQ(players.Slot(0).Setting.Device, "Zone 2 (zone2)");
    // A USB adapter that comes up after the program stays the player's device.
    EXPECT_EQ(players.Slot(1).Setting.Device, "Unplugged (usb)");
    EXPECT_EQ(players.Slot(2).Setting.Device, "");
}

TEST_F(ConfigurationRead, WeeklyPolicySetsTheDayFlagsFromTheMask)
{
    players.Slot(1).Policy.Week = { true, true, true, true, true, true, true };
    ASSERT_TRUE(Read("<Player ID=\"0\"><Program Type=\"1\" Week=\"130\"/></Player>\n"
                     "<Player ID=\"1\"><Program Type=\"1\"/></Player>\n"
                     "<Player ID=\"2\"><Program Type=\"1\" Week=\"1\"/></Player>\n"
                     "<Player ID=\"3\"><Program Type=\"1.9\" Week=\"766\"/></Player>\n"));

    using Week = std::array<bool, 7>;
    EXPECT_EQ(players.Slot(0).Policy.Type, players::POLICY_WEEKLY);
    EXPECT_EQ(players.Slot(0).Policy.Week, (Week { true, false, false, false, false, false, true }));
    // Without Week the previous flags stay.
    EXPECT_EQ(players.Slot(1).Policy.Week, (Week { true, true, true, true, true, true, true }));
    // Bit 0 and the bits above Saturday mean nothing.
    EXPECT_EQ(players.Slot(2).Policy.Week, (Week {}));
    EXPECT_EQ(players.Slot(3).Policy.Type, players::POLICY_WEEKLY);
    EXPECT_EQ(players.Slot(3).Policy.Week, (Week { true, true, true, true, true, true, true }));
}

TEST_F(ConfigurationRead, DateRangesAreKeptAsStoredAndEndNoEarlierThanTheyBegin)
{
    ASSERT_TRUE(
        Read("<Player ID=\"0\"><Program Type=\"0\" BeginDate=\"2031-7-1\" EndDate=\"2031-8-31\"/></Player>\n"
             "<Player ID=\"1\"><Program Type=\"0\" BeginDate=\"2020-1-1\" EndDate=\"2031-6-20\"/></Player>\n"
             "<Player ID=\"2\"><Program Type=\"0\" BeginDate=\"2031-9-1\" EndDate=\"2031-8-1\"/></Player>\n"
             "<Player ID=\"3\"><Program/></Player>\n"
             "<Player ID=\"4\"><Program Type=\"7\" BeginDate=\"2031/7/1\" EndDate=\"2032-01-02\"/></Player>\n"
             "<Player ID=\"5\" Name=\"No program\"/>\n"));

    auto range = [this](int player) {
        const players::SchedulePolicy& policy = players.Slot(player).Policy;
        return std::to_string(policy.Type) + " " + policy.BeginDate.Text() + " " + policy.EndDate.Text();
    };
    EXPECT_EQ(range(0), "0 2031-07-01 2031-08-31");
    // A campaign that has begun keeps its first day.
    EXPECT_EQ(range(1), "0 2020-01-01 2031-06-20");
    EXPECT_EQ(range(2), "0 2031-09-01 2031-09-01");
    EXPECT_EQ(range(3), "0 2031-06-15 2031-06-15");
    // Any type but 1 is a date range; a date that is not three numbers reads as today.
    EXPECT_EQ(range(4), "0 2031-06-15 2032-01-02");
    EXPECT_EQ(players.Slot(5).Policy, players::SchedulePolicy {});
}

TEST_F(ConfigurationRead, RowsAreMeasuredAgainAndPlacedAtTheirStoredBeginTimes)
{
    AudioFile("a.mp3", 60000);
    AudioFile("invalid.mp3", 5000);
    AudioFile("same.mp3", 30000);
    AudioFile("short.mp3", 400);
    AudioFile("later.mp3", 61999);
    // The stored Duration is stale and is not used.
    ASSERT_TRUE(Read("<Player ID=\"4\"><Program Type=\"1\" Week=\"124\"/>\n" + FileElement("a.mp3", "8:5:0")
        + FileElement("invalid.mp3", "25:00:00") + FileElement("same.mp3", "8:5:0")
        + FileElement("short.mp3", "") + "<File Path=\"" + PathOf("later.mp3")
        + "\" Duration=\"00:00:07\" BeginTime=\"12:00:00\"/>\n</Player>\n"));

    EXPECT_THAT(Rows(players.Slot(4).List),
        ElementsAre("a.mp3 00:01:00 8:5:0-08:06:00 Segment 1",
            "same.mp3 00:00:30 08:06:01-08:06:31 Segment 1", "short.mp3 00:00:01 08:06:32-08:06:33 Segment 1",
            "later.mp3 00:01:01 12:00:00-12:01:01 Segment 2"));
    EXPECT_EQ(players.Slot(4).List.Row(0).Path, PathOf("a.mp3"));
    EXPECT_EQ(control.detected.size(), 5U);
}

TEST_F(ConfigurationRead, FilesThatAreMissingOrUnreadableAreDroppedSilently)
{
    AudioFile("before-program.mp3", 5000);
    AudioFile("good.mp3", 5000);
    const std::string unreadable = WriteText("unreadable.mp3", "not audio");
    ASSERT_TRUE(Read("<Player ID=\"0\">\n" + FileElement("before-program.mp3", "")
        + "<Program Type=\"1\" Week=\"124\"/>\n<File Path=\"\" BeginTime=\"01:00:00\"/>\n<File "
          "BeginTime=\"01:00:00\"/>\n"
        + FileElement("missing.mp3", "02:00:00") + FileElement("unreadable.mp3", "03:00:00")
        + FileElement("good.mp3", "04:00:00") + "</Player>\n"));

    EXPECT_THAT(Rows(players.Slot(0).List), ElementsAre("good.mp3 00:00:05 04:00:00-04:00:05 Segment 1"));
    // Elements before Program are not seen; missing files are not shown nor measured.
    EXPECT_THAT(control.detected, ElementsAre(unreadable, PathOf("good.mp3")));
    EXPECT_THAT(progress.calls,
        ElementsAre(
            "show", persist::LoadingText(unreadable), persist::LoadingText(PathOf("good.mp3")), "hide"));
}

TEST_F(ConfigurationRead, ARowThatWouldEndAfterMidnightEndsThatPlayersList)
{
    AudioFile("last.mp3", 59000);
    AudioFile("too-late.mp3", 1000);
    AudioFile("early.mp3", 1000);
    AudioFile("other.mp3", 1000);
    ASSERT_TRUE(
        Read("<Player ID=\"0\"><Program Type=\"1\" Week=\"124\"/>\n" + FileElement("last.mp3", "23:59:00")
            + FileElement("too-late.mp3", "") + FileElement("early.mp3", "01:00:00") + "</Player>\n"
            + "<Player ID=\"1\"><Program Type=\"1\" Week=\"124\"/>\n" + FileElement("other.mp3", "")
            + "</Player>\n"));

    // Ending at 23:59:59 still fits; the row after it and every later row of the player are dropped.
    EXPECT_THAT(Rows(players.Slot(0).List), ElementsAre("last.mp3 00:00:59 23:59:00-23:59:59 Segment 1"));
    EXPECT_THAT(Rows(players.Slot(1).List), ElementsAre("other.mp3 00:00:01 00:00:01-00:00:02 Segment 1"));
    EXPECT_THAT(
        control.detected, ElementsAre(PathOf("last.mp3"), PathOf("too-late.mp3"), PathOf("other.mp3")));
}

TEST_F(ConfigurationRead, PlayersWithTheSameIdMergeTheLaterSettingsWinAndTheRowsAddUp)
{
    AudioFile("first.mp3", 10000);
    AudioFile("second.mp3", 10000);
    ASSERT_TRUE(Read(
        "<Player ID=\"3\" Name=\"First\" Volume=\"10\" Amplify=\"3\"><Program Type=\"1\" Week=\"2\"/>"
        + FileElement("first.mp3", "10:00:00") + "</Player>\n<Player ID=\"3\" Name=\"Second\" Balance=\"-5\">"
        + FileElement("second.mp3", "09:00:00") + "</Player>\n"));

    const players::PlayerSlot& slot = players.Slot(3);
    EXPECT_EQ(slot.Setting.Name, "Second");
    EXPECT_EQ(slot.Setting.Volume, 0);
    EXPECT_EQ(slot.Setting.Balance, -5);
    EXPECT_FLOAT_EQ(slot.Setting.Amplify, 3.0f);
    EXPECT_EQ(slot.Policy.Week, (std::array<bool, 7> { true, false, false, false, false, false, false }));
    // The second list continues the first: its earlier begin is raised.
    EXPECT_THAT(Rows(slot.List),
        ElementsAre("first.mp3 00:00:10 10:00:00-10:00:10 Segment 1",
            "second.mp3 00:00:10 10:00:11-10:00:21 Segment 1"));
}

TEST_F(ConfigurationRead, TheProgressWindowIsShownOncePerPlayerReadEvenWithoutFiles)
{
    const std::string song = AudioFile("song.mp3", 3000);
    ASSERT_TRUE(Read("<Player ID=\"0\"/>\n<Player ID=\"8\">" + FileElement("song.mp3", "")
        + "</Player>\n<Player ID=\"1\"><Program Type=\"1\"/>" + FileElement("song.mp3", "") + "</Player>\n"));

    EXPECT_THAT(progress.calls, ElementsAre("show", "hide", "show", "Loading " + song, "hide"));
}

} // namespace
