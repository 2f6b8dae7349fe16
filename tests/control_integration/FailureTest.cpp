// Input that cannot play, and a device that goes away while it plays: each fails with its error in
// bounded time, and nothing ever sounds on another zone.

#include "IntegrationSupport.h"

#include <gtest/gtest.h>

#include <memory>

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

TEST_F(FailureTest, FilesThatCannotPlayFailToOpenInBoundedTime)
{
    const std::pair<const char*, const char*> cases[] = {
        { nullptr, "The file is not exist" },
        { "bad.mp3", "Render file failed" },
        { "empty.wav", "Render file failed" },
        { "text.flac", "Render file failed" },
    };
    for (const auto& [file, error] : cases) {
        log.Clear();
        const std::string path = file != nullptr ? Media(file) : MissingMedia();
        const double start = NowMs();
        EXPECT_FALSE(control->OpenStream(0, path.c_str(), ZONE2, 1)) << path;
        EXPECT_LT(NowMs() - start, 6000) << path;
        EXPECT_EQ(log.Errors(), std::vector<std::string> { error }) << path;
        EXPECT_FALSE(control->Play(0)) << path << " must not play";
        Pump(100ms);
    }
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

TEST_F(FailureTest, AZoneRemovedWhilePlayingStopsItsStreamAndNothingMovesToTheDefaultZone)
{
    auto zone = std::make_unique<TemporaryZone>("zone_gone");
    const std::unique_ptr<MonitorRecorder> zone1 = Record("zone1");
    ASSERT_TRUE(control->OpenStream(0, Media("tone-10s.wav").c_str(), zone->Name().c_str(), 1));
    ASSERT_TRUE(PumpUntil([&] { return control->GetElapsed(0) > 1000; }, 5s));

    zone->Unload();
    Pump(1500ms);
    const std::int32_t elapsed = control->GetElapsed(0);
    Pump(500ms);
    const SoundLevels moved = StopAndMeasure(*zone1);
    EXPECT_EQ(control->GetElapsed(0), elapsed) << "the stream went on playing";
    short state = -1;
    EXPECT_TRUE(control->GetStreamState(0, &state));
    EXPECT_EQ(state, sonarel::STATE_STOPPED) << "a silent stream must not read as playing";
    // PulseAudio moves the stream to the default zone before it tells anyone; the stream is muted
    // from the server's notification at once, within a few milliseconds at most.
    EXPECT_LT(moved.Seconds(MonitorRecorder::kRate), 0.025);

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
