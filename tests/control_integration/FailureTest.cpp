// Input that cannot play, and a device that goes away while it plays: each fails with its error in
// bounded time, nothing ever sounds on another zone, and nothing the sound server remembers for the
// program silences it afterwards (both servers keep an application's stream mute and volume).

#include "IntegrationSupport.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

using namespace itest;

// A temporary zone of the test server with its own keep-awake reader, removable at will.
class TemporaryZone {
public:
    explicit TemporaryZone(const std::string& sink)
        : sink_(sink)
    {
        Load();
    }
    ~TemporaryZone() { Unload(); }
    TemporaryZone(const TemporaryZone&) = delete;
    TemporaryZone& operator=(const TemporaryZone&) = delete;

    void Load()
    {
        int status = 0;
        module_ = Shell("pactl load-module module-null-sink sink_name=" + sink_
                + " sink_properties=device.description=Temporary",
            &status);
        module_.erase(module_.find_last_not_of(" \n") + 1);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(PumpUntil([&] { return SinkExists(sink_); }, 2s)) << sink_ << " did not appear";
        reader_ = Record(sink_);
    }
    void Unload()
    {
        if (!module_.empty()) {
            Shell("pactl unload-module " + module_);
            module_.clear();
        }
        reader_.reset();
    }
    [[nodiscard]] std::string Name() const { return "Temporary (" + sink_ + ")"; }

private:
    std::string sink_;
    std::string module_;
    std::unique_ptr<MonitorRecorder> reader_;
};

class FailureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SoundServerReady());
        control = sonarel::CreateSonarel(&log);
        ASSERT_TRUE(control);
    }

    EventLog log;
    std::unique_ptr<sonarel::ISonarel> control;
};

TEST_F(FailureTest, FilesThatCannotPlayFailInBoundedTimeAndLeaveTheStreamStopped)
{
    // A missing file is refused by the open itself; whether a file plays is found out after the open
    // returned, and reported then with the same text.
    EXPECT_FALSE(control->OpenStream(0, MissingMedia().c_str(), ZONE2, 1));
    EXPECT_EQ(log.Errors(), std::vector<std::string> { "The file is not exist" });
    EXPECT_FALSE(control->Play(0));

    const std::unique_ptr<MonitorRecorder> zone2 = Record("zone2");
    for (const char* file : { "bad.mp3", "empty.wav", "text.flac" }) {
        log.Clear();
        const std::string path = Media(file);
        const double start = NowMs();
        EXPECT_TRUE(control->OpenStream(0, path.c_str(), ZONE2, 1)) << path;
        EXPECT_LT(NowMs() - start, 1000) << path;
        EXPECT_TRUE(PumpUntil([&] { return !log.Errors().empty(); }, 6s)) << path;
        EXPECT_EQ(log.Errors(), std::vector<std::string> { "Render file failed" }) << path;
        short state = -1;
        EXPECT_TRUE(control->GetStreamState(0, &state));
        EXPECT_EQ(state, sonarel::STATE_STOPPED) << path;
        EXPECT_FALSE(control->Play(0)) << path << " must not play";
        Pump(100ms);
    }
    EXPECT_TRUE(Silent(*zone2));
    // The stream's graph works for the next file.
    log.Clear();
    ASSERT_TRUE(control->OpenStream(0, Media("tone-1s.wav").c_str(), ZONE2, 1));
    ASSERT_TRUE(PumpUntil([&] { return log.Count(Event::Kind::Complete, 0) > 0; }, 5s));
    EXPECT_TRUE(log.Errors().empty());
}

TEST_F(FailureTest, ADeviceNameThatMatchesNoSinkFails)
{
    const std::unique_ptr<MonitorRecorder> zone1 = Record("zone1");
    EXPECT_FALSE(control->OpenStream(0, Media("tone.wav").c_str(), "Zone 9 (zone9)", 1));
    EXPECT_EQ(log.Errors(), std::vector<std::string> { "Add audio render filter failed" });
    Pump(500ms);
    EXPECT_TRUE(Silent(*zone1)) << "nothing may fall back to the default zone";
}

// Plays tone-1s.wav on Zone 2 to its end in this process; run by the test below as a new process of
// the same program, which the sound server knows by the same application name.
TEST(SecondProcess, DISABLED_PlaysOneTone)
{
    EventLog log;
    std::unique_ptr<sonarel::ISonarel> control = sonarel::CreateSonarel(&log);
    ASSERT_TRUE(control);
    ASSERT_TRUE(control->OpenStream(0, Media("tone-1s.wav").c_str(), ZONE2, 1));
    ASSERT_TRUE(PumpUntil([&] { return log.Count(Event::Kind::Complete, 0) > 0; }, 5s));
    EXPECT_TRUE(log.Errors().empty());
}

TEST_F(FailureTest, AZoneLostWhilePlayingIsHeardNowhereElseAndSilencesNothingLater)
{
    auto zone = std::make_unique<TemporaryZone>("zone_gone");
    const std::unique_ptr<MonitorRecorder> zone1 = Record("zone1");
    const std::unique_ptr<MonitorRecorder> zone3 = Record("zone3");
    ASSERT_TRUE(control->OpenStream(0, Media("tone-10s.wav").c_str(), zone->Name().c_str(), 1));
    ASSERT_TRUE(PumpUntil([&] { return control->GetElapsed(0) > 1000; }, 5s));

    zone->Unload();
    ASSERT_TRUE(PumpUntil([&] { return !log.Errors().empty(); }, 2s));
    EXPECT_EQ(log.Errors(), std::vector<std::string> { "Audio device lost" });
    short state = -1;
    EXPECT_TRUE(control->GetStreamState(0, &state));
    EXPECT_EQ(state, sonarel::STATE_STOPPED) << "a silent stream must not read as playing";
    const std::int32_t elapsed = control->GetElapsed(0);
    Pump(700ms);
    EXPECT_EQ(control->GetElapsed(0), elapsed) << "the stream went on playing";
    // The server ends the stream instead of moving it to the default zone: not one sample elsewhere.
    EXPECT_EQ(NonZeroSamples(*zone1), 0U);
    EXPECT_EQ(NonZeroSamples(*zone3), 0U);

    // Nothing was muted or turned down on the server for the program: the next stream on another zone,
    // and the next process of the program, sound at the file's level.
    log.Clear();
    const std::unique_ptr<MonitorRecorder> zone2 = Record("zone2");
    ASSERT_TRUE(control->OpenStream(1, Media("tone-1s.wav").c_str(), ZONE2, 1));
    ASSERT_TRUE(PumpUntil([&] { return log.Count(Event::Kind::Complete, 1) > 0; }, 5s));
    Pump(200ms);
    const SoundLevels next = StopAndMeasure(*zone2);
    ASSERT_EQ(next.rmsDbfs.size(), 2U);
    EXPECT_NEAR(next.rmsDbfs[0], kToneRmsDbfs, 1.0);
    EXPECT_GT(next.Seconds(MonitorRecorder::kRate), 0.9);

    const std::unique_ptr<MonitorRecorder> zone2Again = Record("zone2");
    ChildProcess second;
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    ASSERT_TRUE(second.Start(
        { self, "--gtest_also_run_disabled_tests", "--gtest_filter=SecondProcess.DISABLED_PlaysOneTone" }))
        << second.Error();
    ASSERT_TRUE(PumpUntil([&] { return second.Wait(0ms); }, 20s));
    EXPECT_TRUE(second.ExitedWith(0)) << second.Outcome() << "\n" << second.ErrorOutput();
    Pump(200ms);
    const SoundLevels nextProcess = StopAndMeasure(*zone2Again);
    ASSERT_EQ(nextProcess.rmsDbfs.size(), 2U);
    EXPECT_NEAR(nextProcess.rmsDbfs[0], kToneRmsDbfs, 1.0);

    // Once the zone is back, a new open plays on it again.
    zone = std::make_unique<TemporaryZone>("zone_gone");
    const std::unique_ptr<MonitorRecorder> restored = Record("zone_gone");
    log.Clear();
    ASSERT_TRUE(control->OpenStream(0, Media("tone-1s.wav").c_str(), zone->Name().c_str(), 1));
    ASSERT_TRUE(PumpUntil([&] { return log.Count(Event::Kind::Complete, 0) > 0; }, 5s));
    Pump(300ms);
    EXPECT_GT(StopAndMeasure(*restored).Seconds(MonitorRecorder::kRate), 0.9);
    EXPECT_TRUE(log.Errors().empty());
}

} // namespace
