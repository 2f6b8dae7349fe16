#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Levels are in dBFS relative to a full-scale square wave: 20 * log10(rms / 32768). A full-scale
// sine measures -3.01 dBFS; the tones of scripts/make-test-media peak at -12.04 dBFS and
// measure kToneRmsDbfs. Digital silence is minus infinity.

// A sample whose magnitude is at or below this level counts as silence in most tests: far below
// any tone the tests play, far above the rounding noise of a volume or resampling stage.
inline constexpr double kSilenceDbfs = -60.0;
// RMS of the generated tones: a sine of peak 8192.
inline constexpr double kToneRmsDbfs = -15.05;

struct SoundLevels {
    // Per channel, over the sounding span (see frames); empty when channels < 1.
    std::vector<double> rmsDbfs;
    std::vector<double> peakDbfs;
    // The span from the first to the last frame in which any channel is above the threshold:
    // its first frame and its length. Quiet stretches inside the span count towards it.
    std::size_t firstFrame = 0;
    std::size_t frames = 0;

    [[nodiscard]] double Seconds(int rate) const { return static_cast<double>(frames) / rate; }
    [[nodiscard]] double StartSeconds(int rate) const { return static_cast<double>(firstFrame) / rate; }
};

// Measures interleaved samples of the given channel count over their sounding span, ignoring
// silence (at or below thresholdDbfs) before and after it. An incomplete last frame is ignored.
[[nodiscard]] SoundLevels MeasureRms(
    std::span<const std::int16_t> interleaved, int channels, double thresholdDbfs);

// No sample is above thresholdDbfs.
[[nodiscard]] bool IsSilent(std::span<const std::int16_t> samples, double thresholdDbfs);

// Only the samples of one channel, to check that a side is silent.
[[nodiscard]] std::vector<std::int16_t> ChannelSamples(
    std::span<const std::int16_t> interleaved, int channels, int channel);
