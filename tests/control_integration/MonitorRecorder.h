#pragma once

// Records what reaches a zone of the test sound server: its monitor source, as 16-bit stereo at
// 44.1 kHz, through parec. Levels are measured over the part between the first and the last sample
// that is not silence, so that the time before and after the sound does not dilute them.

#include <cmath>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace itest {

struct Levels {
    std::size_t frames = 0; // all recorded
    std::size_t activeFrames = 0; // from the first to the last sound
    int peak = 0; // largest magnitude, over everything
    double rmsLeft = 0; // over the active part
    double rmsRight = 0;

    [[nodiscard]] static double Db(double rms) { return rms > 0 ? 20 * std::log10(rms / 32768.0) : -200.0; }
    [[nodiscard]] double LeftDb() const { return Db(rmsLeft); }
    [[nodiscard]] double RightDb() const { return Db(rmsRight); }
    [[nodiscard]] double ActiveSeconds() const { return static_cast<double>(activeFrames) / 44100.0; }
};

class MonitorRecorder {
public:
    // `sink` is the sink name, e.g. "zone2". Recording starts at once.
    explicit MonitorRecorder(const std::string& sink);
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    // Stops recording (idempotent) and measures what was recorded.
    Levels Stop();
    // The samples, interleaved left and right, after Stop.
    [[nodiscard]] const std::vector<std::int16_t>& Samples() const { return samples_; }

private:
    std::string path_;
    pid_t pid_ = -1;
    std::vector<std::int16_t> samples_;
    Levels levels_;
};

} // namespace itest
