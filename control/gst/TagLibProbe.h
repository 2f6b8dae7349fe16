#pragma once

// The fast way to measure a file: read its headers with TagLib instead of starting a pipeline. Only
// where the headers give exactly what GStreamer's discoverer would report:
// - WAV (integer or float PCM that fits in the file): sample frames / rate;
// - FLAC with a known sample count: sample frames / rate;
// - MPEG audio (mp3, mp2, mpa) with a Xing or VBRI header: frames × samples per frame / rate, or a
//   constant bit rate without one: audio bytes × 8 / bit rate (the audio bytes being the file without
//   its ID3 tags, an APE tag sends the file to the discoverer);
// - WMA (ASF) that is not a broadcast: play duration - preroll, from the file properties header.
// Durations are computed in nanoseconds with GStreamer's integer arithmetic. Anything else, including
// a variable bit rate MPEG file without a header, is left to the discoverer.
//
// The bits per sample are not taken from the headers: they are the decoded depth, which depends on
// the decoder GStreamer picks. `kind` names the codec (and stored depth) so that the detector can
// learn that depth once per kind from the discoverer.

#include <cstdint>
#include <optional>
#include <string>

namespace sonarel::gst {

struct TagLibProbeResult {
    std::int64_t durationNs = 0;
    unsigned channels = 0;
    unsigned samplesPerSec = 0;
    std::string kind; // e.g. "mpeg:1:3", "wav:1:16"
};

class TagLibProbe {
public:
    // nullopt when the file is not of a kind the fast path measures exactly.
    [[nodiscard]] static std::optional<TagLibProbeResult> Probe(const std::string& path);
};

} // namespace sonarel::gst
