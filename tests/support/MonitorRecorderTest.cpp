#include "support/MonitorRecorder.h"
#include "support/ChildProcess.h"
#include "support/SoundLevel.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        setenv(name, value, 1);
    }
    ~ScopedEnv()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(MonitorRecorder, WithoutAServerStartFailsWithParecsReason)
{
    ScopedEnv server("PULSE_SERVER", "unix:/nonexistent/tessaly-test/native");
    MonitorRecorder recorder("zone1");
    EXPECT_FALSE(recorder.Start(5s));
    EXPECT_NE(recorder.Error().find("zone1.monitor"), std::string::npos) << recorder.Error();
    EXPECT_NE(recorder.Error().find("ended"), std::string::npos) << recorder.Error();
    EXPECT_FALSE(recorder.Stop());
    EXPECT_TRUE(recorder.Samples().empty());
}

// Plays a file to one sink with paplay and waits until it has finished.
void Play(const std::string& sink, const std::string& file)
{
    ChildProcess player;
    ASSERT_TRUE(player.Start({ "paplay", "--device=" + sink, file })) << player.Error();
    ASSERT_TRUE(player.Wait(20s)) << "paplay did not finish";
    ASSERT_TRUE(player.ExitedWith(0)) << "paplay: " << player.Outcome() << ": " << player.ErrorOutput();
    // The monitor delivers the end of the sound one latency later.
    std::this_thread::sleep_for(300ms);
}

class SoundZones : public testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(SoundServerConfigured(error)) << error;
        for (MonitorRecorder* zone : { &zone1, &zone2, &zone3 })
            ASSERT_TRUE(zone->Start()) << zone->Error();
    }

    void StopAll()
    {
        for (MonitorRecorder* zone : { &zone1, &zone2, &zone3 })
            ASSERT_TRUE(zone->Stop()) << zone->Error();
    }

    MonitorRecorder zone1 { "zone1" };
    MonitorRecorder zone2 { "zone2" };
    MonitorRecorder zone3 { "zone3" };
};

TEST_F(SoundZones, ToneOnZone2ReachesZone2AtItsLevelAndNoOtherZone)
{
    std::string error;
    const std::string tone = TestMediaFile("tone.wav", error);
    ASSERT_FALSE(tone.empty()) << error;

    // Nothing plays yet: the zones are silent, which the checks below rely on.
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(IsSilent(zone2.TakeSamples(), kSilenceDbfs));

    Play("zone2", tone);
    StopAll();

    const SoundLevels levels = MeasureRms(zone2.Samples(), MonitorRecorder::kChannels, kSilenceDbfs);
    ASSERT_EQ(levels.rmsDbfs.size(), 2u);
    // Unity gain all the way: the level is the file's, to a hundredth of a decibel.
    EXPECT_NEAR(levels.rmsDbfs[0], kToneRmsDbfs, 0.05);
    EXPECT_NEAR(levels.rmsDbfs[1], kToneRmsDbfs, 0.05);
    EXPECT_NEAR(levels.Seconds(MonitorRecorder::kRate), 3.5, 0.05);
    EXPECT_GT(zone2.RecordedSeconds(), 3.5);
    EXPECT_TRUE(IsSilent(zone1.Samples(), kSilenceDbfs));
    EXPECT_TRUE(IsSilent(zone3.Samples(), kSilenceDbfs));
}

TEST_F(SoundZones, LeftOnlyToneKeepsTheRightChannelSilent)
{
    std::string error;
    const std::string left = TestMediaFile("tone-left.wav", error);
    ASSERT_FALSE(left.empty()) << error;

    Play("zone3", left);
    StopAll();

    const std::vector<std::int16_t> samples = zone3.Samples();
    const SoundLevels levels = MeasureRms(samples, MonitorRecorder::kChannels, kSilenceDbfs);
    EXPECT_NEAR(levels.rmsDbfs[0], kToneRmsDbfs, 0.05);
    EXPECT_TRUE(IsSilent(ChannelSamples(samples, MonitorRecorder::kChannels, 1), kSilenceDbfs));
    EXPECT_TRUE(IsSilent(zone1.Samples(), kSilenceDbfs));
    EXPECT_TRUE(IsSilent(zone2.Samples(), kSilenceDbfs));
}

TEST_F(SoundZones, UnknownSinkFailsToRecord)
{
    MonitorRecorder nowhere("tessaly-no-such-zone");
    EXPECT_FALSE(nowhere.Start());
    EXPECT_NE(nowhere.Error().find("tessaly-no-such-zone.monitor"), std::string::npos) << nowhere.Error();
    StopAll();
}

} // namespace
