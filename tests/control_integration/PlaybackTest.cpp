// Playing files through the control onto the test server's zones, and measuring what arrives there.

#include "IntegrationSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <vector>

namespace {

using namespace itest;

constexpr double TONE_DB = kToneRmsDbfs;
constexpr int RATE = MonitorRecorder::kRate;

class PlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SoundServerReady());
        control = sonarel::CreateSonarel(&log);
        ASSERT_TRUE(control);
    }

    // Plays a file on a zone to its end (or for `limit`) and returns what reached the zone.
    SoundLevels PlayAndRecord(
        const std::string& file, const char* zone, const char* sink,
        const std::function<void()>& adjust = [] {}, std::chrono::milliseconds limit = 10s)
    {
        const std::unique_ptr<MonitorRecorder> recorder = Record(sink);
        EXPECT_TRUE(control->OpenStream(0, Media(file).c_str(), zone, 0));
        adjust();
        EXPECT_TRUE(control->Play(0));
        PumpUntil([&] { return log.Count(Event::Kind::Complete, 0) > 0; }, limit);
        Pump(200ms);
        log.Clear();
        return StopAndMeasure(*recorder);
    }

    [[nodiscard]] short State(short id = 0)
    {
        short state = -1;
        EXPECT_TRUE(control->GetStreamState(id, &state));
        return state;
    }

    EventLog log;
    std::unique_ptr<sonarel::ISonarel> control;
};

TEST_F(PlaybackTest, ANamedZoneGetsTheSoundAndNoOtherZoneDoes)
{
    const std::unique_ptr<MonitorRecorder> zone1 = Record("zone1");
    const std::unique_ptr<MonitorRecorder> zone3 = Record("zone3");
    const SoundLevels zone2 = PlayAndRecord("tone.mp3", ZONE2, "zone2");
    ASSERT_EQ(zone2.rmsDbfs.size(), 2U);
    EXPECT_NEAR(zone2.rmsDbfs[0], TONE_DB, 1.0);
    EXPECT_NEAR(zone2.rmsDbfs[1], TONE_DB, 1.0);
    EXPECT_NEAR(zone2.Seconds(RATE), 3.5, 0.2);
    EXPECT_TRUE(Silent(*zone1));
    EXPECT_TRUE(Silent(*zone3));
}

TEST_F(PlaybackTest, NoDeviceNamePlaysOnTheDefaultZone)
{
    const std::unique_ptr<MonitorRecorder> zone2 = Record("zone2");
    const SoundLevels zone1 = PlayAndRecord("tone.wav", "", "zone1");
    ASSERT_EQ(zone1.rmsDbfs.size(), 2U);
    EXPECT_NEAR(zone1.rmsDbfs[0], TONE_DB, 1.0);
    EXPECT_TRUE(Silent(*zone2));

    // The default renderer is found under its own name for the format query.
    ASSERT_TRUE(control->OpenStream(0, Media("tone.wav").c_str(), "", 0));
    short channels = 0;
    short blockAlign = 0;
    std::int32_t rate = 0;
    short bits = 0;
    std::int32_t bytesPerSecond = 0;
    // Known once the stream has been opened in the background.
    ASSERT_TRUE(PumpUntil(
        [&] { return control->GetStreamInfo(0, &channels, &blockAlign, &rate, &bits, &bytesPerSecond); },
        5s));
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(bits, 16);
    EXPECT_EQ(blockAlign, 4);
    EXPECT_EQ(bytesPerSecond, 176400);
}

TEST_F(PlaybackTest, VolumeAmplificationBalanceAndEqualizerReachTheZone)
{
    const SoundLevels full = PlayAndRecord("tone-1s.wav", ZONE2, "zone2");
    const SoundLevels half
        = PlayAndRecord("tone-1s.wav", ZONE2, "zone2", [&] { EXPECT_TRUE(control->SetVolume(0, 50)); });
    const SoundLevels amplified = PlayAndRecord(
        "tone-1s.wav", ZONE2, "zone2", [&] { EXPECT_TRUE(control->SetAudioAmplify(0, 2.0F)); });
    const SoundLevels left
        = PlayAndRecord("tone-1s.wav", ZONE2, "zone2", [&] { EXPECT_TRUE(control->SetBalance(0, -10000)); });
    const SoundLevels right
        = PlayAndRecord("tone-1s.wav", ZONE2, "zone2", [&] { EXPECT_TRUE(control->SetBalance(0, 600)); });
    // Band 4 of the equaliser is centred on 475 Hz, next to the tone's 440 Hz.
    const SoundLevels boosted = PlayAndRecord(
        "tone-1s.wav", ZONE2, "zone2", [&] { EXPECT_TRUE(control->SetAudioBand(0, 4, 5, 12)); });

    for (const SoundLevels* levels : { &full, &half, &amplified, &left, &right, &boosted }) {
        ASSERT_EQ(levels->rmsDbfs.size(), 2U);
    }
    EXPECT_NEAR(full.rmsDbfs[0], TONE_DB, 1.0);
    EXPECT_NEAR(half.rmsDbfs[0] - full.rmsDbfs[0], -20.0, 1.0);
    EXPECT_NEAR(half.rmsDbfs[1] - full.rmsDbfs[1], -20.0, 1.0);
    EXPECT_NEAR(amplified.rmsDbfs[0] - full.rmsDbfs[0], 6.02, 1.0);
    EXPECT_NEAR(amplified.rmsDbfs[1] - full.rmsDbfs[1], 6.02, 1.0);
    // -10000 silences the right channel and leaves the left one as it was.
    EXPECT_NEAR(left.rmsDbfs[0], full.rmsDbfs[0], 0.5);
    EXPECT_LE(left.peakDbfs[1], kSilenceDbfs);
    // 600 attenuates the left channel by 6 dB.
    EXPECT_NEAR(right.rmsDbfs[0] - full.rmsDbfs[0], -6.0, 0.5);
    EXPECT_NEAR(right.rmsDbfs[1], full.rmsDbfs[1], 0.5);
    EXPECT_GT(boosted.rmsDbfs[0] - full.rmsDbfs[0], 9.0);
}

// A duck glides to its depth, also when the volume is set again before the glide has begun (the
// volume steps of a fade do that): the zone passes through the levels in between.
TEST_F(PlaybackTest, ADuckGlidesDownAlsoWhenTheVolumeIsSetRightAfterIt)
{
    const std::unique_ptr<MonitorRecorder> zone2 = Record("zone2");
    ASSERT_TRUE(control->OpenStream(0, Media("tone-10s.wav").c_str(), ZONE2, 1));
    ASSERT_TRUE(PumpUntil([&] { return control->GetElapsed(0) > 1000; }, 5s));
    ASSERT_TRUE(control->SetDuck(0, 12.0, 800));
    ASSERT_TRUE(control->SetVolume(0, 100));
    Pump(1500ms);
    const std::vector<std::int16_t> samples = zone2->Samples();
    EXPECT_TRUE(control->Stop(0));

    constexpr std::size_t WINDOW = RATE / 10 * MonitorRecorder::kChannels;
    int between = 0;
    double last = 0;
    for (std::size_t at = 0; at + WINDOW <= samples.size(); at += WINDOW) {
        const SoundLevels window
            = MeasureRms(std::span(samples).subspan(at, WINDOW), MonitorRecorder::kChannels, kSilenceDbfs);
        if (window.rmsDbfs.empty() || window.frames == 0) {
            continue;
        }
        last = window.rmsDbfs[0] - TONE_DB;
        between += last < -2.0 && last > -10.0 ? 1 : 0;
    }
    // 800 ms from 0 to -12 dB spends about half a second between -2 and -10 dB; a jump, one window.
    EXPECT_GE(between, 3);
    EXPECT_NEAR(last, -12.0, 1.0);
}

TEST_F(PlaybackTest, SettingsReadBackAsSet)
{
    ASSERT_TRUE(control->OpenStream(0, Media("tone.wav").c_str(), ZONE2, 0));
    for (short volume : { 100, 99, 50, 1, 0 }) {
        short read = -1;
        ASSERT_TRUE(control->SetVolume(0, volume));
        ASSERT_TRUE(control->GetVolume(0, &read));
        EXPECT_EQ(read, volume);
    }
    for (short balance : { -10000, -1, 0, 1, 4321, 10000 }) {
        short read = 1;
        ASSERT_TRUE(control->SetBalance(0, balance));
        ASSERT_TRUE(control->GetBalance(0, &read));
        EXPECT_EQ(read, balance);
    }
    float amplify = 0;
    ASSERT_TRUE(control->SetAudioAmplify(0, 3.5F));
    ASSERT_TRUE(control->GetAudioAmplify(0, &amplify));
    EXPECT_FLOAT_EQ(amplify, 3.5F);
    short band = 0;
    ASSERT_TRUE(control->SetAudioBand(0, 0, 1024, -30));
    ASSERT_TRUE(control->GetAudioBand(0, 9, &band));
    EXPECT_EQ(band, -24);
    ASSERT_TRUE(control->GetAudioBand(0, 10, &band));
    EXPECT_EQ(band, 0);
    double speed = 0;
    ASSERT_TRUE(control->SetPlaySpeed(0, 1.5));
    ASSERT_TRUE(control->GetPlaySpeed(0, &speed));
    EXPECT_EQ(speed, 1.5);
    EXPECT_TRUE(log.Errors().empty());

    // A new open starts from the defaults again.
    ASSERT_TRUE(control->OpenStream(0, Media("tone.wav").c_str(), ZONE2, 0));
    short volume = 0;
    ASSERT_TRUE(control->GetVolume(0, &volume));
    EXPECT_EQ(volume, 100);
    ASSERT_TRUE(control->GetPlaySpeed(0, &speed));
    EXPECT_EQ(speed, 1.0);
}

TEST_F(PlaybackTest, ASeekToHalfwayAgreesWithTheElapsedTime)
{
    ASSERT_TRUE(control->OpenStream(0, Media("tone-10s.wav").c_str(), ZONE2, 0));
    // The duration is known once the file has been opened in the background (0 until then).
    std::int32_t duration = 0;
    ASSERT_TRUE(PumpUntil([&] { return control->GetStreamDuration(0, &duration) && duration > 0; }, 5s));
    EXPECT_EQ(duration, 10000);
    // Before the first play: remembered, and played from there.
    ASSERT_TRUE(control->SetStreamPosition(0, 50));
    EXPECT_EQ(control->GetElapsed(0), 5000);
    short position = 0;
    ASSERT_TRUE(control->GetStreamPosition(0, &position));
    EXPECT_EQ(position, 50);

    ASSERT_TRUE(control->Play(0));
    // The stream starts in the background, from there, and moves on in time.
    ASSERT_TRUE(PumpUntil([&] { return control->GetElapsed(0) > 5000; }, 3s));
    EXPECT_LT(control->GetElapsed(0), 5500);
    // (A sound server starved of the processor may hold a new stream back for a moment.)
    EXPECT_TRUE(PumpUntil([&] { return control->GetElapsed(0) > 6000; }, 3s));
    // While playing: the stream goes on from the new place.
    ASSERT_TRUE(control->SetStreamPosition(0, 20));
    EXPECT_NEAR(control->GetElapsed(0), 2000, 100);
    EXPECT_EQ(State(), sonarel::STATE_PLAYING);
    Pump(500ms);
    EXPECT_NEAR(control->GetElapsed(0), 2500, 300);
    ASSERT_TRUE(control->GetStreamPosition(0, &position));
    EXPECT_NEAR(position, 25, 3);
    EXPECT_TRUE(log.Errors().empty());
}

TEST_F(PlaybackTest, AFilePlayedToItsEndCompletes)
{
    ASSERT_TRUE(control->OpenStream(0, Media("tone-1s.wav").c_str(), ZONE2, 1));
    const double start = NowMs();
    ASSERT_TRUE(PumpUntil([&] { return log.Count(Event::Kind::Complete, 0) > 0; }, 5s));
    EXPECT_NEAR(NowMs() - start, 1000, 400);
    // The end: stopped, back at the start, reported in this order.
    std::vector<Event::Kind> tail;
    for (const Event& event : log.events) {
        if (event.kind == Event::Kind::StateChanged && event.a == sonarel::STATE_PLAYING) {
            tail.clear();
        }
        if (event.kind != Event::Kind::ElapsedChanged) {
            tail.push_back(event.kind);
        }
    }
    const std::vector<Event::Kind> expected
        = { Event::Kind::StateChanged, Event::Kind::PosChanged, Event::Kind::Complete };
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(State(), sonarel::STATE_STOPPED);
    EXPECT_EQ(control->GetElapsed(0), 0);

    // And it plays again from the start.
    log.Clear();
    ASSERT_TRUE(control->Play(0));
    ASSERT_TRUE(PumpUntil([&] { return log.Count(Event::Kind::Complete, 0) > 0; }, 5s));
    EXPECT_TRUE(log.Errors().empty());
}

TEST_F(PlaybackTest, AStreamOpenedWithoutPlayingStartsAtOnceWhenPlayedLater)
{
    ASSERT_TRUE(control->OpenStream(0, Media("tone-1s.wav").c_str(), ZONE2, 0));
    EXPECT_EQ(State(), sonarel::STATE_PAUSED);
    Pump(2500ms);

    const std::unique_ptr<MonitorRecorder> zone2 = Record("zone2");
    const double recording = NowMs();
    ASSERT_TRUE(control->Play(0));
    const double played = NowMs();
    ASSERT_TRUE(PumpUntil([&] { return log.Count(Event::Kind::Complete, 0) > 0; }, 5s));
    // Held back for as long as it waited, it would complete 2.5 s late.
    EXPECT_LT(NowMs() - played, 1600);
    Pump(100ms);
    const SoundLevels levels = StopAndMeasure(*zone2);
    ASSERT_GT(levels.frames, 0U);
    const double soundAt = recording + levels.StartSeconds(RATE) * 1000.0;
    EXPECT_LT(soundAt - played, 400) << "the sound started late";
}

TEST_F(PlaybackTest, PauseStopAndSpeedKeepTheirPlace)
{
    ASSERT_TRUE(control->OpenStream(0, Media("tone-10s.wav").c_str(), ZONE2, 1));
    Pump(1000ms);
    ASSERT_TRUE(control->Pause(0));
    const std::int32_t paused = control->GetElapsed(0);
    EXPECT_NEAR(paused, 1000, 300);
    Pump(500ms);
    EXPECT_EQ(control->GetElapsed(0), paused);
    ASSERT_TRUE(control->Play(0));
    Pump(500ms);
    EXPECT_NEAR(control->GetElapsed(0), paused + 500, 250);

    // A stop does not rewind: playing again goes on from the same place.
    ASSERT_TRUE(control->Stop(0));
    const std::int32_t stopped = control->GetElapsed(0);
    Pump(300ms);
    EXPECT_EQ(control->GetElapsed(0), stopped);
    ASSERT_TRUE(control->Play(0));
    Pump(500ms);
    EXPECT_NEAR(control->GetElapsed(0), stopped + 500, 250);

    // Twice the speed, twice the progress (measured once the change has settled).
    ASSERT_TRUE(control->SetPlaySpeed(0, 2.0));
    Pump(200ms);
    const std::int32_t before = control->GetElapsed(0);
    const double start = NowMs();
    Pump(1000ms);
    const double rate = (control->GetElapsed(0) - before) / (NowMs() - start);
    EXPECT_NEAR(rate, 2.0, 0.3);
    EXPECT_TRUE(log.Errors().empty());
}

TEST_F(PlaybackTest, EightStreamsPlayAtOnceOnTheirOwnZones)
{
    const std::unique_ptr<MonitorRecorder> zone1 = Record("zone1");
    const std::unique_ptr<MonitorRecorder> zone2 = Record("zone2");
    const std::unique_ptr<MonitorRecorder> zone3 = Record("zone3");
    const double start = NowMs();
    for (short id = 0; id < 8; ++id) {
        ASSERT_TRUE(control->OpenStream(id, Media("tone.mp3").c_str(), id < 4 ? ZONE1 : ZONE3, 1)) << id;
    }
    ASSERT_TRUE(PumpUntil(
        [&] {
            int complete = 0;
            for (short id = 0; id < 8; ++id) {
                complete += log.Count(Event::Kind::Complete, id) > 0 ? 1 : 0;
            }
            return complete == 8;
        },
        10s));
    // Opened one after the other, they all end within a moment of 3.5 s.
    EXPECT_LT(NowMs() - start, 5000);
    Pump(200ms);
    EXPECT_NEAR(StopAndMeasure(*zone1).Seconds(RATE), 3.5, 0.5);
    EXPECT_NEAR(StopAndMeasure(*zone3).Seconds(RATE), 3.5, 0.5);
    EXPECT_TRUE(Silent(*zone2));
    EXPECT_TRUE(log.Errors().empty());
}

} // namespace
