#include "support/SoundLevel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr int kRate = 44100;

// Appends frames of a 440 Hz sine of the given peak to the chosen channels of stereo samples.
void AppendSine(std::vector<std::int16_t>& out, std::size_t frames, double peak, bool left, bool right)
{
    const std::size_t start = out.size() / 2;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(start + i) / kRate;
        const auto v
            = static_cast<std::int16_t>(std::lround(peak * std::sin(2 * std::numbers::pi * 440 * t)));
        out.push_back(left ? v : std::int16_t { 0 });
        out.push_back(right ? v : std::int16_t { 0 });
    }
}

void AppendSilence(std::vector<std::int16_t>& out, std::size_t frames)
{
    out.insert(out.end(), frames * 2, 0);
}

double SineRmsDbfs(double peak)
{
    return 20 * std::log10(peak / std::numbers::sqrt2 / 32768);
}

TEST(SoundLevel, SineMeasuresItsRmsOnBothChannels)
{
    std::vector<std::int16_t> s;
    AppendSine(s, kRate, 8192, true, true);
    const SoundLevels levels = MeasureRms(s, 2, kSilenceDbfs);
    ASSERT_EQ(levels.rmsDbfs.size(), 2u);
    EXPECT_NEAR(levels.rmsDbfs[0], kToneRmsDbfs, 0.01);
    EXPECT_NEAR(levels.rmsDbfs[1], kToneRmsDbfs, 0.01);
    EXPECT_NEAR(levels.peakDbfs[0], -12.04, 0.01);
    EXPECT_NEAR(levels.Seconds(kRate), 1.0, 0.001);
}

TEST(SoundLevel, ReferenceLevels)
{
    // A full-scale square wave is the 0 dBFS reference, a full-scale sine -3.01 dBFS, and
    // doubling the amplitude adds 6.02 dB.
    std::vector<std::int16_t> square;
    for (int i = 0; i < 1000; ++i) {
        const std::int16_t v = (i / 50) % 2 ? std::int16_t { -32768 } : std::int16_t { 32767 };
        square.push_back(v);
    }
    EXPECT_NEAR(MeasureRms(square, 1, kSilenceDbfs).rmsDbfs[0], 0.0, 0.01);

    std::vector<std::int16_t> quiet;
    std::vector<std::int16_t> loud;
    AppendSine(quiet, kRate, 4096, true, true);
    AppendSine(loud, kRate, 8192, true, true);
    EXPECT_NEAR(MeasureRms(loud, 2, kSilenceDbfs).rmsDbfs[0] - MeasureRms(quiet, 2, kSilenceDbfs).rmsDbfs[0],
        6.02, 0.01);

    std::vector<std::int16_t> full;
    AppendSine(full, kRate, 32767, true, true);
    EXPECT_NEAR(MeasureRms(full, 2, kSilenceDbfs).rmsDbfs[0], SineRmsDbfs(32767), 0.01);
    EXPECT_NEAR(SineRmsDbfs(32768), -3.01, 0.01);
}

TEST(SoundLevel, SilenceAroundTheSoundIsLeftOut)
{
    std::vector<std::int16_t> s;
    AppendSilence(s, 22050);
    AppendSine(s, 3 * kRate, 8192, true, true);
    AppendSilence(s, 10000);
    const SoundLevels levels = MeasureRms(s, 2, kSilenceDbfs);
    EXPECT_NEAR(levels.rmsDbfs[0], kToneRmsDbfs, 0.01);
    // The sine starts at phase 0: its first frame is silent, its second is not.
    EXPECT_EQ(levels.firstFrame, 22051u);
    EXPECT_NEAR(levels.StartSeconds(kRate), 0.5, 0.001);
    EXPECT_NEAR(levels.Seconds(kRate), 3.0, 0.001);
}

TEST(SoundLevel, QuietStretchInsideTheSpanCounts)
{
    // A gap in playback lowers the level: tests see that something went wrong.
    std::vector<std::int16_t> s;
    AppendSine(s, kRate, 8192, true, true);
    AppendSilence(s, kRate);
    AppendSine(s, kRate, 8192, true, true);
    const SoundLevels levels = MeasureRms(s, 2, kSilenceDbfs);
    EXPECT_NEAR(levels.Seconds(kRate), 3.0, 0.001);
    EXPECT_NEAR(levels.rmsDbfs[0], kToneRmsDbfs + 10 * std::log10(2.0 / 3.0), 0.01);
}

TEST(SoundLevel, OneSilentChannel)
{
    std::vector<std::int16_t> s;
    AppendSine(s, kRate, 8192, true, false);
    const SoundLevels levels = MeasureRms(s, 2, kSilenceDbfs);
    EXPECT_NEAR(levels.rmsDbfs[0], kToneRmsDbfs, 0.01);
    EXPECT_TRUE(std::isinf(levels.rmsDbfs[1]) && levels.rmsDbfs[1] < 0);
    EXPECT_TRUE(std::isinf(levels.peakDbfs[1]) && levels.peakDbfs[1] < 0);
    EXPECT_TRUE(IsSilent(ChannelSamples(s, 2, 1), kSilenceDbfs));
    EXPECT_FALSE(IsSilent(ChannelSamples(s, 2, 0), kSilenceDbfs));
    EXPECT_FALSE(IsSilent(s, kSilenceDbfs));
}

TEST(SoundLevel, ThresholdDecidesWhatIsSilent)
{
    // Peak 10 is -70.3 dBFS: silence at -60, sound at -80.
    std::vector<std::int16_t> s;
    AppendSilence(s, 1000);
    AppendSine(s, kRate, 10, true, true);
    EXPECT_TRUE(IsSilent(s, -60.0));
    EXPECT_FALSE(IsSilent(s, -80.0));
    EXPECT_EQ(MeasureRms(s, 2, -60.0).frames, 0u);
    EXPECT_NEAR(MeasureRms(s, 2, -80.0).Seconds(kRate), 1.0, 0.001);

    // The extreme negative sample is the loudest there is.
    const std::vector<std::int16_t> extreme { 0, -32768, 0 };
    EXPECT_FALSE(IsSilent(extreme, -0.01));
    EXPECT_NEAR(MeasureRms(extreme, 1, -0.01).peakDbfs[0], 0.0, 1e-9);
}

TEST(SoundLevel, NothingToMeasure)
{
    const std::vector<std::int16_t> none;
    const SoundLevels empty = MeasureRms(none, 2, kSilenceDbfs);
    EXPECT_EQ(empty.frames, 0u);
    ASSERT_EQ(empty.rmsDbfs.size(), 2u);
    EXPECT_TRUE(std::isinf(empty.rmsDbfs[0]));
    EXPECT_TRUE(IsSilent(none, kSilenceDbfs));

    std::vector<std::int16_t> zeros(1000, 0);
    EXPECT_EQ(MeasureRms(zeros, 2, kSilenceDbfs).frames, 0u);
    EXPECT_TRUE(MeasureRms(zeros, 0, kSilenceDbfs).rmsDbfs.empty());
    EXPECT_TRUE(ChannelSamples(zeros, 2, 2).empty());
}

TEST(SoundLevel, IncompleteLastFrameIsIgnored)
{
    // A recording cut mid-frame: the stray left sample must not be read as a frame of its own.
    std::vector<std::int16_t> s;
    AppendSine(s, 100, 8192, true, false);
    s.push_back(20000);
    const SoundLevels levels = MeasureRms(s, 2, kSilenceDbfs);
    EXPECT_LT(levels.firstFrame + levels.frames, 101u);
    EXPECT_NEAR(levels.peakDbfs[0], 20 * std::log10(8192.0 / 32768), 0.1);
    EXPECT_EQ(ChannelSamples(s, 2, 0).size(), 100u);
}

} // namespace
