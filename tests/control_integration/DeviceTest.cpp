// The output devices that the control lists: the sound server's sinks, named "Description (sink)",
// in the server's order, from a fresh walk every time.

#include "IntegrationSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace itest;

std::vector<std::string> DeviceNames(sonarel::ISonarel& control)
{
    std::vector<std::string> names;
    const short count = control.GetAudioDeviceNums();
    for (short i = 0; i < count; ++i) {
        char16_t buffer[128] = {};
        EXPECT_TRUE(control.GetAudioDevice(i, buffer, 128));
        std::string name;
        for (char16_t c : buffer) {
            if (c == 0) {
                break;
            }
            name += static_cast<char>(c);
        }
        names.push_back(name);
    }
    return names;
}

// Points the process at a server that does not exist while it lives.
class NoSoundServer {
public:
    NoSoundServer()
    {
        const char* server = std::getenv("PULSE_SERVER");
        saved_ = server != nullptr ? server : "";
        setenv("PULSE_SERVER", "unix:/nonexistent/sonarel-test/native", 1);
    }
    ~NoSoundServer() { setenv("PULSE_SERVER", saved_.c_str(), 1); }
    NoSoundServer(const NoSoundServer&) = delete;
    NoSoundServer& operator=(const NoSoundServer&) = delete;

private:
    std::string saved_;
};

TEST(DeviceTest, ListsTheThreeZonesByStableNamesInServerOrder)
{
    ASSERT_TRUE(SoundServerReady());
    EventLog log;
    std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(&log);
    ASSERT_TRUE(control);
    const std::vector<std::string> expected = { ZONE1, ZONE2, ZONE3 };
    EXPECT_EQ(DeviceNames(*control), expected);
    // Another control, as after a restart of the program, sees the same names.
    std::unique_ptr<sonarel::ISonarel> again = sonarel::CreateSonarel(&log);
    EXPECT_EQ(DeviceNames(*again), expected);

    EXPECT_TRUE(control->IsAudioDeviceExist(ZONE2));
    EXPECT_FALSE(control->IsAudioDeviceExist("zone 2 (zone2)")) << "names compare case-sensitively";
    EXPECT_FALSE(control->IsAudioDeviceExist("Zone 2"));
    EXPECT_FALSE(control->IsAudioDeviceExist("zone2"));
    EXPECT_TRUE(log.Errors().empty());
}

TEST(DeviceTest, ASinkAddedOrRemovedIsSeenAtTheNextCall)
{
    ASSERT_TRUE(SoundServerReady());
    EventLog log;
    std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(&log);
    int status = 0;
    std::string module
        = Shell("pactl load-module module-null-sink sink_name=lobby sink_properties=device.description=Lobby",
            &status);
    ASSERT_EQ(status, 0);
    module.erase(module.find_last_not_of(" \n") + 1);

    const std::vector<std::string> withLobby = { ZONE1, ZONE2, ZONE3, "Lobby (lobby)" };
    EXPECT_EQ(DeviceNames(*control), withLobby);
    EXPECT_TRUE(control->IsAudioDeviceExist("Lobby (lobby)"));

    Shell("pactl unload-module " + module, &status);
    ASSERT_EQ(status, 0);
    const std::vector<std::string> withoutLobby = { ZONE1, ZONE2, ZONE3 };
    EXPECT_EQ(DeviceNames(*control), withoutLobby);
    EXPECT_FALSE(control->IsAudioDeviceExist("Lobby (lobby)"));
}

TEST(DeviceTest, TwoSinksWithOneDescriptionKeepDistinctNames)
{
    ASSERT_TRUE(SoundServerReady());
    EventLog log;
    std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(&log);
    int status = 0;
    std::string module = Shell("pactl load-module module-null-sink sink_name=zone2b "
                               "\"sink_properties=\\\"device.description='Zone 2'\\\"\"",
        &status);
    ASSERT_EQ(status, 0);
    module.erase(module.find_last_not_of(" \n") + 1);

    const std::vector<std::string> names = DeviceNames(*control);
    Shell("pactl unload-module " + module);
    const std::vector<std::string> expected = { ZONE1, ZONE2, ZONE3, "Zone 2 (zone2b)" };
    EXPECT_EQ(names, expected);
}

TEST(DeviceTest, WithoutASoundServerTheListIsEmptyAndNothingHangs)
{
    const std::string file = Media("tone.wav");
    EventLog log;
    std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(&log);
    const NoSoundServer noServer;
    const double start = NowMs();
    EXPECT_EQ(control->GetAudioDeviceNums(), 0);
    EXPECT_FALSE(control->IsAudioDeviceExist(ZONE1));
    char16_t buffer[16] = {};
    EXPECT_FALSE(control->GetAudioDevice(0, buffer, 16));
    EXPECT_FALSE(control->OpenStream(0, file.c_str(), ZONE1, 1));
    EXPECT_LT(NowMs() - start, 3000);
    EXPECT_EQ(log.Errors(), std::vector<std::string> { "Add audio render filter failed" });
}

} // namespace
