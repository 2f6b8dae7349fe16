#include "SoundLevel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

constexpr double kFullScale = 32768.0;

double ToDbfs(double amplitude)
{
    if (amplitude <= 0.0)
        return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(amplitude / kFullScale);
}

// The largest magnitude that still counts as silence.
int SilentMagnitude(double thresholdDbfs)
{
    const double magnitude = kFullScale * std::pow(10.0, thresholdDbfs / 20.0);
    if (magnitude >= kFullScale)
        return static_cast<int>(kFullScale);
    return static_cast<int>(std::floor(magnitude));
}

} // namespace

SoundLevels MeasureRms(std::span<const std::int16_t> interleaved, int channels, double thresholdDbfs)
{
    SoundLevels levels;
    if (channels < 1)
        return levels;
    const auto width = static_cast<std::size_t>(channels);
    const std::size_t frameCount = interleaved.size() / width;
    const int silent = SilentMagnitude(thresholdDbfs);

    auto sounding = [&](std::size_t frame) {
        for (std::size_t c = 0; c < width; ++c) {
            if (std::abs(static_cast<int>(interleaved[frame * width + c])) > silent)
                return true;
        }
        return false;
    };
    std::size_t first = 0;
    while (first < frameCount && !sounding(first))
        ++first;
    std::size_t end = frameCount;
    while (end > first && !sounding(end - 1))
        --end;
    levels.firstFrame = first;
    levels.frames = end - first;

    std::vector<double> sumSquares(width, 0.0);
    std::vector<int> peak(width, 0);
    for (std::size_t frame = first; frame < end; ++frame) {
        for (std::size_t c = 0; c < width; ++c) {
            const int v = interleaved[frame * width + c];
            sumSquares[c] += static_cast<double>(v) * v;
            peak[c] = std::max(peak[c], std::abs(v));
        }
    }
    for (std::size_t c = 0; c < width; ++c) {
        const double rms
            = levels.frames ? std::sqrt(sumSquares[c] / static_cast<double>(levels.frames)) : 0.0;
        levels.rmsDbfs.push_back(ToDbfs(rms));
        levels.peakDbfs.push_back(ToDbfs(peak[c]));
    }
    return levels;
}

bool IsSilent(std::span<const std::int16_t> samples, double thresholdDbfs)
{
    const int silent = SilentMagnitude(thresholdDbfs);
    for (const std::int16_t s : samples) {
        if (std::abs(static_cast<int>(s)) > silent)
            return false;
    }
    return true;
}

std::vector<std::int16_t> ChannelSamples(std::span<const std::int16_t> interleaved, int channels, int channel)
{
    std::vector<std::int16_t> out;
    if (channels < 1 || channel < 0 || channel >= channels)
        return out;
    const auto width = static_cast<std::size_t>(channels);
    const std::size_t frameCount = interleaved.size() / width;
    out.reserve(frameCount);
    for (std::size_t frame = 0; frame < frameCount; ++frame)
        out.push_back(interleaved[frame * width + static_cast<std::size_t>(channel)]);
    return out;
}
