#include "control/gst/DurationProbe.h"

#include "control/gst/GRef.h"
#include "control/gst/GstRuntime.h"

namespace sonarel::gst {

namespace {
    constexpr GstClockTime POLL_INTERVAL = 5 * GST_MSECOND;
}

std::optional<std::int64_t> DurationProbe::Measure(const std::string& path, std::chrono::milliseconds timeout)
{
    if (!EnsureInitialized()) {
        return std::nullopt;
    }
    GErrorOut error;
    GRef<GstElement> pipeline = GRef<GstElement>::Adopt(
        gst_parse_launch("filesrc name=source ! decodebin ! fakesink sync=false", error.out()));
    if (!pipeline || error) {
        return std::nullopt;
    }
    GRef<GstElement> source = GRef<GstElement>::Adopt(gst_bin_get_by_name(GST_BIN(pipeline.get()), "source"));
    if (!source) {
        return std::nullopt;
    }
    g_object_set(source.get(), "location", path.c_str(), nullptr);
    GRef<GstBus> bus = GRef<GstBus>::Adopt(gst_element_get_bus(pipeline.get()));

    std::optional<std::int64_t> duration;
    if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
        const gint64 deadline = g_get_monotonic_time() + std::chrono::microseconds(timeout).count();
        while (!duration && g_get_monotonic_time() < deadline) {
            gint64 value = 0;
            if (gst_element_query_duration(pipeline.get(), GST_FORMAT_TIME, &value) && value > 0) {
                duration = value;
                break;
            }
            GRef<GstMessage> message = GRef<GstMessage>::Adopt(gst_bus_timed_pop_filtered(
                bus.get(), POLL_INTERVAL, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
            if (!message) {
                continue;
            }
            // At the end the position is the duration.
            if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS
                && gst_element_query_position(pipeline.get(), GST_FORMAT_TIME, &value) && value > 0) {
                duration = value;
            }
            break;
        }
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return duration;
}

} // namespace sonarel::gst
