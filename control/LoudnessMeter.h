#pragma once

#include <atomic>

namespace sonarel {

// The loudness of a whole file by EBU R128: its integrated loudness and its true peak (the peak of
// the signal between the samples too, found by oversampling), so that a host can play every file
// of a player at one loudness without a peak above a ceiling.
struct LoudnessMeasurement {
    // LUFS; minus infinity for a file that is silent throughout.
    double IntegratedLufs = 0.0;
    // dB relative to full scale; minus infinity for digital silence.
    double TruePeakDbtp = 0.0;
    // Length of the audio that was measured, in seconds.
    double Seconds = 0.0;
};

enum class LoudnessResult {
    Measured,
    // The cancel flag was set before the end.
    Cancelled,
    // The file could not be decoded as audio.
    Failed,
};

// Decodes the whole file and measures it. Blocks the calling thread for as long as that takes (a
// small fraction of the file's length), so call it from a worker; any thread may, and several may
// at once. The decoding runs on threads of its own at the lowest priority, so that streams that play
// meanwhile never wait for it. cancel may be null; once another thread sets it, the measurement ends
// within a few milliseconds. A mono file counts as heard on both loudspeakers of a stereo zone.
[[nodiscard]] LoudnessResult MeasureLoudness(
    const char* path, LoudnessMeasurement* measurement, const std::atomic<bool>* cancel = nullptr);

} // namespace sonarel
