#include "players/Players.h"

#include <gtest/gtest.h>

namespace {

TEST(PlayersTest, EightPlayersStartWithTheirDefaults)
{
    const players::Players players;
    int index = 0;
    for (const players::PlayerSlot& slot : players) {
        EXPECT_EQ(slot.Setting, players::DefaultPlayerSetting(index));
        EXPECT_EQ(slot.Policy, players::SchedulePolicy {});
        EXPECT_EQ(slot.State, players::PLAYER_IDLE);
        EXPECT_EQ(slot.Timer, 0u);
        EXPECT_FALSE(slot.TimerOn());
        EXPECT_TRUE(slot.List.Empty());
        ++index;
    }
    EXPECT_EQ(index, players::PLAYER_COUNT);
    EXPECT_EQ(players.Slot(7).Setting.Name, "Player Eight");
}

TEST(PlayersTest, OnlyZeroToSevenArePlayers)
{
    players::Players players;
    EXPECT_EQ(players.Find(-1), nullptr);
    EXPECT_EQ(players.Find(8), nullptr);
    ASSERT_NE(players.Find(3), nullptr);
    EXPECT_EQ(players.Find(3), &players.Slot(3));
    // Each player has a list of its own.
    ASSERT_TRUE(players.Slot(2).List.AppendFile("/a.mp3", 1000));
    EXPECT_TRUE(players.Slot(3).List.Empty());
}

TEST(PlayersTest, StateTexts)
{
    EXPECT_STREQ(players::PlayerStateText(players::PLAYER_IDLE), "");
    EXPECT_STREQ(players::PlayerStateText(players::PLAYER_STOPPED), "Stopped");
    EXPECT_STREQ(players::PlayerStateText(players::PLAYER_RUNNING), "Running");
    EXPECT_STREQ(players::PlayerStateText(players::PLAYER_PAUSED), "Paused");
}

TEST(SchedulePolicyTest, WeeklyDefaultPlaysMondayToFriday)
{
    const players::SchedulePolicy policy;
    EXPECT_EQ(policy.Type, players::POLICY_WEEKLY);
    const persist::CalendarDate anyDay(2024, 6, 3);
    EXPECT_FALSE(policy.AllowsDay(0, anyDay));
    for (int day = 1; day <= 5; ++day)
        EXPECT_TRUE(policy.AllowsDay(day, anyDay)) << day;
    EXPECT_FALSE(policy.AllowsDay(6, anyDay));
    // An unknown weekday does not hold a weekly player back.
    EXPECT_TRUE(policy.AllowsDay(-1, anyDay));
}

TEST(SchedulePolicyTest, WeeklyWithNoDaysNeverPlays)
{
    players::SchedulePolicy policy;
    policy.Week.fill(false);
    for (int day = 0; day < 7; ++day)
        EXPECT_FALSE(policy.AllowsDay(day, persist::CalendarDate(2024, 6, 3))) << day;
}

TEST(SchedulePolicyTest, DateRangeIncludesBothEnds)
{
    players::SchedulePolicy policy;
    policy.Type = players::POLICY_DATE_RANGE;
    policy.BeginDate = persist::CalendarDate(2024, 6, 3);
    policy.EndDate = persist::CalendarDate(2024, 6, 5);
    EXPECT_FALSE(policy.AllowsDay(1, persist::CalendarDate(2024, 6, 2)));
    EXPECT_TRUE(policy.AllowsDay(1, persist::CalendarDate(2024, 6, 3)));
    EXPECT_TRUE(policy.AllowsDay(0, persist::CalendarDate(2024, 6, 5)));
    EXPECT_FALSE(policy.AllowsDay(3, persist::CalendarDate(2024, 6, 6)));
    EXPECT_FALSE(policy.AllowsDay(3, persist::CalendarDate(2025, 1, 1)));

    // Any type other than weekly is a date range.
    policy.Type = 7;
    EXPECT_TRUE(policy.AllowsDay(0, persist::CalendarDate(2024, 6, 4)));

    // A range that ends before it begins never plays.
    policy.EndDate = persist::CalendarDate(2024, 6, 1);
    for (std::uint32_t day = 1; day <= 6; ++day)
        EXPECT_FALSE(policy.AllowsDay(1, persist::CalendarDate(2024, 6, day))) << day;
}

} // namespace
