#include "players/PlayerSetting.h"

#include <gtest/gtest.h>

namespace {

TEST(PlayerSettingTest, DefaultsNameEachPlayerByItsNumberWord)
{
    EXPECT_EQ(DefaultPlayerName(0), "Player One");
    EXPECT_EQ(DefaultPlayerName(2), "Player Three");
    EXPECT_EQ(DefaultPlayerName(7), "Player Eight");
    EXPECT_EQ(DefaultPlayerName(8), "");
    EXPECT_EQ(DefaultPlayerName(-1), "");

    const PlayerSetting setting = DefaultPlayerSetting(4);
    EXPECT_EQ(setting.Name, "Player Five");
    EXPECT_EQ(setting.Device, "");
    EXPECT_EQ(setting.Amplify, 1.0f);
    EXPECT_EQ(setting.Volume, 100);
    EXPECT_EQ(setting.Balance, 0);
}

} // namespace