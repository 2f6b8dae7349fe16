#include "control/gst/GstMediaDetector.h"

#include "control/gst/DurationProbe.h"
#include "control/gst/GRef.h"
#include "control/gst/GstRuntime.h"

#include <gst/pbutils/pbutils.h>

#include <cmath>

namespace sonarel::gst {

namespace {

    struct StreamListDeleter {
        void operator()(GList* streams) const { gst_discoverer_stream_info_list_free(streams); }
    };
    using StreamListPtr = std::unique_ptr<GList, StreamListDeleter>;

    constexpr GstClockTime DISCOVERER_TIMEOUT = 5 * GST_SECOND;
    constexpr auto DURATION_PROBE_TIMEOUT = std::chrono::seconds(5);
    constexpr double NS_PER_SECOND = 1e9;

    MediaDetection Failure(MediaDetection::Failure failure)
    {
        MediaDetection detection;
        detection.failure = failure;
        return detection;
    }

    MediaDetection FromProbe(const TagLibProbeResult& probe, unsigned bitsPerSample)
    {
        MediaDetection detection;
        detection.firstStreamSeconds = static_cast<double>(probe.durationNs) / NS_PER_SECOND;
        detection.audio.channels = static_cast<std::uint16_t>(probe.channels);
        detection.audio.samplesPerSec = probe.samplesPerSec;
        detection.audio.bitsPerSample = static_cast<std::uint16_t>(bitsPerSample);
        return detection;
    }

    // Equal as the control reports them: whole milliseconds, channels and rate.
    bool SameMeasurement(const MediaDetection& a, const MediaDetection& b)
    {
        return a.failure == b.failure
            && std::trunc(a.firstStreamSeconds * 1000) == std::trunc(b.firstStreamSeconds * 1000)
            && a.audio.channels == b.audio.channels && a.audio.samplesPerSec == b.audio.samplesPerSec;
    }

} // namespace

MediaDetection GstMediaDetector::Detect(const std::string& path)
{
    const std::optional<TagLibProbeResult> probe = TagLibProbe::Probe(path);
    if (!probe) {
        return DetectWithDiscoverer(path);
    }
    if (const std::optional<DecodedDepthCache::Entry> known = m_depths->Find(probe->kind)) {
        return known->exact ? FromProbe(*probe, known->bitsPerSample) : DetectWithDiscoverer(path);
    }
    // The first file of its kind: the discoverer answers, and tells whether the fast path may from now on.
    const MediaDetection discovered = DetectWithDiscoverer(path);
    if (discovered.failure == MediaDetection::Failure::None) {
        const MediaDetection fast = FromProbe(*probe, discovered.audio.bitsPerSample);
        m_depths->Store(probe->kind, { SameMeasurement(fast, discovered), discovered.audio.bitsPerSample });
    }
    return discovered;
}

std::optional<MediaDetection> GstMediaDetector::DetectFast(const std::string& path) const
{
    const std::optional<TagLibProbeResult> probe = TagLibProbe::Probe(path);
    if (!probe) {
        return std::nullopt;
    }
    const std::optional<DecodedDepthCache::Entry> known = m_depths->Find(probe->kind);
    if (!known || !known->exact) {
        return std::nullopt;
    }
    return FromProbe(*probe, known->bitsPerSample);
}

MediaDetection GstMediaDetector::DetectWithDiscoverer(const std::string& path)
{
    if (!EnsureInitialized()) {
        return Failure(MediaDetection::Failure::Open);
    }
    GErrorOut error;
    GRef<GstDiscoverer> discoverer
        = GRef<GstDiscoverer>::Adopt(gst_discoverer_new(DISCOVERER_TIMEOUT, error.out()));
    if (!discoverer) {
        return Failure(MediaDetection::Failure::Open);
    }
    const GCharPtr uri(gst_filename_to_uri(path.c_str(), error.out()));
    if (!uri) {
        return Failure(MediaDetection::Failure::Open);
    }
    GRef<GstDiscovererInfo> info = GRef<GstDiscovererInfo>::Adopt(
        gst_discoverer_discover_uri(discoverer.get(), uri.get(), error.out()));
    if (!info || gst_discoverer_info_get_result(info.get()) != GST_DISCOVERER_OK) {
        return Failure(MediaDetection::Failure::Open);
    }
    const StreamListPtr streams(gst_discoverer_info_get_audio_streams(info.get()));
    GstClockTime duration = gst_discoverer_info_get_duration(info.get());
    if (streams != nullptr && (!GST_CLOCK_TIME_IS_VALID(duration) || duration == 0)) {
        // An estimating parser asked too early: decode until it knows.
        const std::optional<std::int64_t> measured = DurationProbe::Measure(path, DURATION_PROBE_TIMEOUT);
        duration = measured ? static_cast<GstClockTime>(*measured) : GST_CLOCK_TIME_NONE;
    }
    if (!GST_CLOCK_TIME_IS_VALID(duration)) {
        return Failure(MediaDetection::Failure::Length);
    }
    if (streams == nullptr) {
        return Failure(MediaDetection::Failure::NoAudio);
    }
    auto* audio = GST_DISCOVERER_AUDIO_INFO(streams.get()->data);
    MediaDetection detection;
    detection.firstStreamSeconds = static_cast<double>(duration) / NS_PER_SECOND;
    detection.audio.channels = static_cast<std::uint16_t>(gst_discoverer_audio_info_get_channels(audio));
    detection.audio.samplesPerSec = gst_discoverer_audio_info_get_sample_rate(audio);
    detection.audio.bitsPerSample = static_cast<std::uint16_t>(gst_discoverer_audio_info_get_depth(audio));
    return detection;
}

} // namespace sonarel::gst
