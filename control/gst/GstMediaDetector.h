#pragma once

// Measures a file without playing it: duration and the format of its first audio stream.
//
// GStreamer's discoverer answers for every file it can decode, within a bounded time. Files that
// TagLibProbe measures exactly (wav, flac, mp3/mp2/mpa, wma) skip it: the fast path gives the same
// duration, channels and rate from the headers in a fraction of the time.
//
// Bits per sample means the depth of the audio as it comes out of the decoder, which is what reaches
// the device: the file's own depth for PCM and lossless files (16, 24, ...), and for lossy formats the
// decoder's output depth (16 for an integer decoder, 32 for a floating-point one). The fast path
// learns that depth per kind of file from the discoverer (DecodedDepthCache), so both ways always
// report the same value.

#include "control/gst/DecodedDepthCache.h"
#include "control/gst/TagLibProbe.h"
#include "control/platform/Platform.h"

#include <memory>

namespace sonarel::gst {

class GstMediaDetector final : public IMediaDetector {
public:
    explicit GstMediaDetector(std::shared_ptr<DecodedDepthCache> depths)
        : m_depths(std::move(depths))
    {
    }

    [[nodiscard]] MediaDetection Detect(const std::string& path) override;

    // The two ways on their own, for tests and measurements.
    [[nodiscard]] static MediaDetection DetectWithDiscoverer(const std::string& path);
    // nullopt when the fast path does not apply or the depth of the file's kind is not known yet.
    [[nodiscard]] std::optional<MediaDetection> DetectFast(const std::string& path) const;

private:
    std::shared_ptr<DecodedDepthCache> m_depths;
};

} // namespace sonarel::gst
