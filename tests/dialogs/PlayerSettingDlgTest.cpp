#include "DialogTestSupport.h"
#include "EditingDialogSupport.h"

#include "dialogs/AudioDeviceList.h"
#include "dialogs/PlayerSettingDlg.h"
#include "skin/KVComboBox.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include <algorithm>
#include <string>
#include <vector>

using namespace dlgtest;

namespace {

class FakeDevices final : public IAudioDeviceList {
public:
    explicit FakeDevices(std::vector<std::u16string> names)
        : m_names(std::move(names))
    {
    }

    [[nodiscard]] short GetAudioDeviceNums() override { return static_cast<short>(m_names.size()); }
    bool GetAudioDevice(short index, char16_t* name, short nameLength) override
    {
        const std::u16string& text = m_names[static_cast<std::size_t>(index)];
        if (text == u"<fail>")
            return false;
        std::copy_n(
            text.begin(), std::min<std::size_t>(text.size(), static_cast<std::size_t>(nameLength)), name);
        return true;
    }

private:
    std::vector<std::u16string> m_names;
};

CPlayerSettingDlg::Settings Defaults()
{
    CPlayerSettingDlg::Settings settings;
    for (int player = 0; player < CPlayerSettingDlg::PLAYER_COUNT; ++player)
        settings[static_cast<std::size_t>(player)] = players::DefaultPlayerSetting(player);
    return settings;
}

class PlayerSettingDlgTest : public ::testing::Test {
protected:
    void SetUp() override { App(); }

    FakeDevices devices { { u"Speakers (hda)", u"<fail>", u"USB Headset" } };
};

TEST_F(PlayerSettingDlgTest, OpensWithListsAndTheCurrentPlayerShown)
{
    CPlayerSettingDlg::Settings settings = Defaults();
    settings[2].Device = "usb headset";
    CPlayerSettingDlg dialog(nullptr, &DefaultSkin(), settings, &devices, 2);
    Open(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Player Setting"));
    EXPECT_EQ(dialog.PlayerIdList()->count(), 8);
    EXPECT_EQ(dialog.PlayerIdList()->itemText(7), QStringLiteral("8"));
    EXPECT_EQ(dialog.PlayerIdList()->currentIndex(), 2);
    EXPECT_EQ(dialog.NameEdit()->text(), QStringLiteral("Player Three"));
    EXPECT_EQ(dialog.NameEdit()->maxLength(), 259);
    // A device the control could not name is left out.
    ASSERT_EQ(dialog.DeviceList()->count(), 3);
    EXPECT_EQ(dialog.DeviceList()->itemText(0), QStringLiteral("Default"));
    EXPECT_EQ(dialog.DeviceList()->itemText(1), QStringLiteral("Speakers (hda)"));
    // Matched ignoring case.
    EXPECT_EQ(dialog.DeviceList()->currentIndex(), 2);
    EXPECT_EQ(dialog.ChannelList()->itemText(1), QStringLiteral("Left Channel"));
    EXPECT_EQ(dialog.Panel()->GetSliderPos(CPlayerSettingDlg::ITEM_VOLUME), 100);
    EXPECT_EQ(dialog.Panel()->GetSliderPos(CPlayerSettingDlg::ITEM_AMPLIFY), 10);
    EXPECT_TRUE(SaveScreenshot(&dialog, QStringLiteral("player-setting")));
}

TEST_F(PlayerSettingDlgTest, WithoutDevicesOnlyDefaultIsListed)
{
    FakeDevices none { {} };
    CPlayerSettingDlg dialog(nullptr, &DefaultSkin(), Defaults(), &none, 0);
    Open(dialog);
    ASSERT_EQ(dialog.DeviceList()->count(), 1);
    EXPECT_EQ(dialog.DeviceList()->itemText(0), QStringLiteral("Default"));
}

TEST_F(PlayerSettingDlgTest, ValuesRoundTripThroughTheControls)
{
    CPlayerSettingDlg::Settings settings = Defaults();
    settings[0].Device = "Vanished Device";
    settings[0].Amplify = 2.55F;
    settings[0].Balance = 5000;
    settings[0].Volume = 42;
    CPlayerSettingDlg dialog(nullptr, &DefaultSkin(), settings, &devices, 0);
    Open(dialog);
    EXPECT_EQ(dialog.DeviceList()->currentText(), QStringLiteral("Vanished Device (not connected)"));
    EXPECT_EQ(dialog.Panel()->GetSliderPos(CPlayerSettingDlg::ITEM_AMPLIFY), 25);
    EXPECT_EQ(dialog.ChannelList()->currentText(), QStringLiteral("Right Channel"));

    ClickItem(dialog.Bar(), CPlayerSettingDlg::ITEM_OK);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const players::PlayerSetting& stored = dialog.Working()[0];
    EXPECT_EQ(stored.Device, "Vanished Device");
    EXPECT_FLOAT_EQ(stored.Amplify, 2.5F);
    EXPECT_EQ(stored.Balance, 10000);
    EXPECT_EQ(stored.Volume, 42);
}

TEST_F(PlayerSettingDlgTest, EditsToSeveralPlayersAreKeptAcrossSwitchingAndApplied)
{
    const CPlayerSettingDlg::Settings settings = Defaults();
    CPlayerSettingDlg dialog(nullptr, &DefaultSkin(), settings, &devices, 0);
    Open(dialog);
    dialog.NameEdit()->setText(QStringLiteral("Lobby"));
    dialog.ChannelList()->setCurrentIndex(1);
    dialog.PlayerIdList()->setCurrentIndex(2);
    EXPECT_EQ(dialog.NameEdit()->text(), QStringLiteral("Player Three"));
    dialog.NameEdit()->setText(QStringLiteral("Garden"));
    dialog.DeviceList()->setCurrentIndex(1);
    (void)dialog.Panel()->SetSliderPos(CPlayerSettingDlg::ITEM_VOLUME, 30);
    dialog.PlayerIdList()->setCurrentIndex(0);
    EXPECT_EQ(dialog.NameEdit()->text(), QStringLiteral("Lobby"));
    EXPECT_EQ(dialog.ChannelList()->currentIndex(), 1);

    ClickItem(dialog.Bar(), CPlayerSettingDlg::ITEM_OK);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Working()[0].Name, "Lobby");
    EXPECT_EQ(dialog.Working()[0].Balance, -10000);
    EXPECT_EQ(dialog.Working()[2].Name, "Garden");
    EXPECT_EQ(dialog.Working()[2].Device, "Speakers (hda)");
    EXPECT_EQ(dialog.Working()[2].Volume, 30);
    EXPECT_EQ(dialog.Working()[1], settings[1]);
}

TEST_F(PlayerSettingDlgTest, AnAbsentDeviceStaysThePlayersUnlessAnotherIsPicked)
{
    CPlayerSettingDlg::Settings settings = Defaults();
    settings[1].Device = "USB Adapter (usb1)";
    settings[3].Device = "Garden (bt)";
    CPlayerSettingDlg dialog(nullptr, &DefaultSkin(), settings, &devices, 1);
    Open(dialog);
    ASSERT_EQ(dialog.DeviceList()->count(), 4);
    EXPECT_EQ(dialog.DeviceList()->currentText(), QStringLiteral("USB Adapter (usb1) (not connected)"));

    // Only renamed, and switched through: the entry comes and goes with its player.
    dialog.NameEdit()->setText(QStringLiteral("Hall"));
    dialog.PlayerIdList()->setCurrentIndex(2);
    EXPECT_EQ(dialog.DeviceList()->count(), 3);
    EXPECT_EQ(dialog.DeviceList()->currentIndex(), 0);
    dialog.PlayerIdList()->setCurrentIndex(3);
    EXPECT_EQ(dialog.DeviceList()->currentText(), QStringLiteral("Garden (bt) (not connected)"));
    // Picking another device is the one way to change it.
    dialog.DeviceList()->setCurrentIndex(0);
    dialog.PlayerIdList()->setCurrentIndex(1);
    EXPECT_EQ(dialog.DeviceList()->currentText(), QStringLiteral("USB Adapter (usb1) (not connected)"));

    ClickItem(dialog.Bar(), CPlayerSettingDlg::ITEM_OK);
    EXPECT_EQ(dialog.Working()[1].Name, "Hall");
    EXPECT_EQ(dialog.Working()[1].Device, "USB Adapter (usb1)");
    EXPECT_EQ(dialog.Working()[2], settings[2]);
    EXPECT_EQ(dialog.Working()[3].Device, "");
}

TEST_F(PlayerSettingDlgTest, AnnouncementReductionAndEvenLoudnessRoundTrip)
{
    CPlayerSettingDlg::Settings settings = Defaults();
    settings[0].DuckDb = 13;
    settings[1].DuckDb = 12;
    settings[1].EvenLoudness = true;
    CPlayerSettingDlg dialog(nullptr, &DefaultSkin(), settings, &devices, 0);
    Open(dialog);
    // A stored value between the steps shows as the step below it and stays unless changed.
    EXPECT_EQ(dialog.DuckList()->currentText(), QStringLiteral("12"));
    dialog.PlayerIdList()->setCurrentIndex(1);
    EXPECT_TRUE(dialog.Panel()->FindItem(CPlayerSettingDlg::ITEM_EVEN_LOUDNESS)->state & ITEMSTATE_CHECKED);
    dialog.DuckList()->setCurrentIndex(dialog.DuckList()->findText(QStringLiteral("24")));
    ClickItem(dialog.Panel(), CPlayerSettingDlg::ITEM_EVEN_LOUDNESS);
    EXPECT_TRUE(SaveScreenshot(&dialog, QStringLiteral("player-setting-announce")));
    ClickItem(dialog.Bar(), CPlayerSettingDlg::ITEM_OK);
    EXPECT_EQ(dialog.Working()[0].DuckDb, 13);
    EXPECT_EQ(dialog.Working()[1].DuckDb, 24);
    EXPECT_FALSE(dialog.Working()[1].EvenLoudness);
}

TEST_F(PlayerSettingDlgTest, CancelEndsWithoutAcceptance)
{
    CPlayerSettingDlg dialog(nullptr, &DefaultSkin(), Defaults(), &devices, 0);
    Open(dialog);
    dialog.NameEdit()->setText(QStringLiteral("Lobby"));
    ClickItem(dialog.Bar(), CPlayerSettingDlg::ITEM_CANCEL);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(PlayerSettingDlgTest, ResetRestoresEveryPlayerAsOpened)
{
    CPlayerSettingDlg::Settings settings = Defaults();
    settings[1].Name = "Hall";
    settings[1].Volume = 55;
    CPlayerSettingDlg dialog(nullptr, &DefaultSkin(), settings, &devices, 1);
    Open(dialog);
    dialog.NameEdit()->setText(QStringLiteral("Changed"));
    dialog.PlayerIdList()->setCurrentIndex(4);
    dialog.NameEdit()->setText(QStringLiteral("Also changed"));
    ClickItem(dialog.Bar(), CPlayerSettingDlg::ITEM_RESET);
    EXPECT_EQ(dialog.PlayerIdList()->currentIndex(), 4);
    EXPECT_EQ(dialog.NameEdit()->text(), QStringLiteral("Player Five"));
    ClickItem(dialog.Bar(), CPlayerSettingDlg::ITEM_OK);
    EXPECT_EQ(dialog.Working(), settings);
}

} // namespace
