#include "players/PlayerSetting.h"

#include <gtest/gtest.h>

namespace {

TEST(PlayerSettingTest, DefaultsNameEachPlayerByItsNumberWord)
{
    EXPECT_EQ(players::DefaultPlayerName(0), "Player One");
    EXPECT_EQ(players::DefaultPlayerName(2), "Player Three");
    EXPECT_EQ(players::DefaultPlayerName(7), "Player Eight");
    EXPECT_EQ(players::DefaultPlayerName(8), "");
    EXPECT_EQ(players::DefaultPlayerName(-1), "");

    const players::PlayerSetting setting = players::DefaultPlayerSetting(4);
    EXPECT_EQ(setting.Name, "Player Five");
    EXPECT_EQ(setting.Device, "");
    EXPECT_EQ(setting.Amplify, 1.0f);
    EXPECT_EQ(setting.Volume, 100);
    EXPECT_EQ(setting.Balance, 0);
}

} // namespace