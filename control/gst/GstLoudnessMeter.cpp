// The loudness of a file: decoded by GStreamer to 32-bit float frames and measured by libebur128.
//
// Threading: MeasureLoudness runs on its caller's thread, which builds the pipeline, waits for its
// end on the bus and reads the result. The frames arrive on the pipeline's streaming threads, which
// are our own (see IdleTaskPool) and the only ones that touch the meter until the pipeline has
// stopped.

#include "control/LoudnessMeter.h"

#include "control/gst/GRef.h"
#include "control/gst/GstRuntime.h"

#include <ebur128.h>
#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <memory>
#include <thread>

// A task pool that runs every task of a pipeline on a thread of its own at the lowest priority.
// GStreamer's default pool shares its threads with every other pipeline of the process, and a thread
// that has once been lowered cannot be raised again by an ordinary user: a playing stream could then
// inherit it. These threads end with their tasks.
struct SonarelIdleTaskPool {
    GstTaskPool parent;
};
struct SonarelIdleTaskPoolClass {
    GstTaskPoolClass parent_class;
};

G_DEFINE_TYPE(SonarelIdleTaskPool, sonarel_idle_task_pool, GST_TYPE_TASK_POOL)

namespace {

constexpr int LOWEST_PRIORITY = 19;
constexpr GstClockTime BUS_POLL = 20 * GST_MSECOND;

void PrepareIdlePool(GstTaskPool*, GError**)
{
}
void CleanupIdlePool(GstTaskPool*)
{
}

gpointer PushIdleTask(GstTaskPool*, GstTaskPoolFunction function, gpointer data, GError**)
{
    auto thread = std::make_unique<std::thread>([function, data] {
        // The nice value of a Linux thread is its own: this lowers only the decoding thread.
        (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), LOWEST_PRIORITY);
        function(data);
    });
    // The pool hands the id back to JoinIdleTask, which takes the thread over again.
    return thread.release();
}

void JoinIdleTask(GstTaskPool*, gpointer id)
{
    const std::unique_ptr<std::thread> thread(static_cast<std::thread*>(id));
    if (thread && thread->joinable())
        thread->join();
}

} // namespace

static void sonarel_idle_task_pool_class_init(SonarelIdleTaskPoolClass* klass)
{
    GstTaskPoolClass* pool = GST_TASK_POOL_CLASS(klass);
    pool->prepare = PrepareIdlePool;
    pool->cleanup = CleanupIdlePool;
    pool->push = PushIdleTask;
    pool->join = JoinIdleTask;
}

static void sonarel_idle_task_pool_init(SonarelIdleTaskPool*)
{
}

namespace sonarel {

namespace {

    using gst::GRef;
    using gst::MakeElement;

    struct MeterDeleter {
        void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
    };
    using Meter = std::unique_ptr<ebur128_state, MeterDeleter>;

    // Where each channel counts in the loudness, by its position; low frequency effects do not.
    int ChannelRole(GstAudioChannelPosition position, int channels)
    {
        switch (position) {
        case GST_AUDIO_CHANNEL_POSITION_MONO:
            return EBUR128_DUAL_MONO;
        case GST_AUDIO_CHANNEL_POSITION_FRONT_LEFT:
            return EBUR128_LEFT;
        case GST_AUDIO_CHANNEL_POSITION_FRONT_RIGHT:
            return EBUR128_RIGHT;
        case GST_AUDIO_CHANNEL_POSITION_FRONT_CENTER:
            return EBUR128_CENTER;
        case GST_AUDIO_CHANNEL_POSITION_REAR_LEFT:
        case GST_AUDIO_CHANNEL_POSITION_SIDE_LEFT:
            return EBUR128_LEFT_SURROUND;
        case GST_AUDIO_CHANNEL_POSITION_REAR_RIGHT:
        case GST_AUDIO_CHANNEL_POSITION_SIDE_RIGHT:
            return EBUR128_RIGHT_SURROUND;
        case GST_AUDIO_CHANNEL_POSITION_LFE1:
        case GST_AUDIO_CHANNEL_POSITION_LFE2:
            return EBUR128_UNUSED;
        default:
            // A file without positions (or with others) counts each channel at full weight.
            return channels == 1 ? EBUR128_DUAL_MONO : EBUR128_LEFT;
        }
    }

    // The meter and what feeds it; touched by the streaming thread while the pipeline runs.
    struct Measuring {
        Meter meter;
        int channels = 0;
        std::uint64_t frames = 0;
        int rate = 0;
        bool failed = false;
        const std::atomic<bool>* cancel = nullptr;
    };

    void OnFrames(GstElement*, GstBuffer* buffer, GstPad* pad, gpointer data)
    {
        auto* measuring = static_cast<Measuring*>(data);
        if (measuring->failed || (measuring->cancel != nullptr && measuring->cancel->load()))
            return;
        if (!measuring->meter) {
            GRef<GstCaps> caps = GRef<GstCaps>::Adopt(gst_pad_get_current_caps(pad));
            GstAudioInfo info;
            if (!caps || !gst_audio_info_from_caps(&info, caps.get())
                || GST_AUDIO_INFO_CHANNELS(&info) <= 0) {
                measuring->failed = true;
                return;
            }
            const int channels = GST_AUDIO_INFO_CHANNELS(&info);
            measuring->meter.reset(ebur128_init(static_cast<unsigned>(channels),
                static_cast<unsigned long>(GST_AUDIO_INFO_RATE(&info)),
                EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK | EBUR128_MODE_HISTOGRAM));
            if (!measuring->meter) {
                measuring->failed = true;
                return;
            }
            for (int channel = 0; channel < channels; ++channel) {
                (void)ebur128_set_channel(measuring->meter.get(), static_cast<unsigned>(channel),
                    ChannelRole(GST_AUDIO_INFO_POSITION(&info, channel), channels));
            }
            measuring->channels = channels;
            measuring->rate = GST_AUDIO_INFO_RATE(&info);
        }
        GstMapInfo map;
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            measuring->failed = true;
            return;
        }
        const std::size_t frames = map.size / (sizeof(float) * static_cast<std::size_t>(measuring->channels));
        if (ebur128_add_frames_float(measuring->meter.get(), reinterpret_cast<const float*>(map.data), frames)
            != EBUR128_SUCCESS)
            measuring->failed = true;
        measuring->frames += frames;
        gst_buffer_unmap(buffer, &map);
    }

    // The decoder's first audio pad goes to the converter; any other pad stays unlinked.
    void OnDecodedPad(GstElement*, GstPad* pad, gpointer data)
    {
        auto* converter = static_cast<GstElement*>(data);
        GRef<GstPad> sink = GRef<GstPad>::Adopt(gst_element_get_static_pad(converter, "sink"));
        if (!sink || gst_pad_is_linked(sink.get()))
            return;
        GRef<GstCaps> caps = GRef<GstCaps>::Adopt(gst_pad_query_caps(pad, nullptr));
        if (!caps || gst_caps_is_empty(caps.get()))
            return;
        const GstStructure* structure = gst_caps_get_structure(caps.get(), 0);
        if (g_str_has_prefix(gst_structure_get_name(structure), "audio/"))
            (void)gst_pad_link(pad, sink.get());
    }

    // Puts every task of the pipeline on the idle pool as it is created, before it starts.
    GstBusSyncReply OnBusSync(GstBus*, GstMessage* message, gpointer pool)
    {
        if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_STREAM_STATUS)
            return GST_BUS_PASS;
        GstStreamStatusType type;
        GstElement* owner = nullptr;
        gst_message_parse_stream_status(message, &type, &owner);
        const GValue* object = gst_message_get_stream_status_object(message);
        if (type == GST_STREAM_STATUS_TYPE_CREATE && object != nullptr
            && G_VALUE_TYPE(object) == GST_TYPE_TASK)
            gst_task_set_pool(GST_TASK(g_value_get_object(object)), static_cast<GstTaskPool*>(pool));
        return GST_BUS_PASS;
    }

    double Decibels(double linear)
    {
        return linear > 0.0 ? 20.0 * std::log10(linear) : -std::numeric_limits<double>::infinity();
    }

} // namespace

LoudnessResult MeasureLoudness(
    const char* path, LoudnessMeasurement* measurement, const std::atomic<bool>* cancel)
{
    if (path == nullptr || measurement == nullptr || !gst::EnsureInitialized())
        return LoudnessResult::Failed;
    GRef<GstElement> pipeline = GRef<GstElement>::Adopt(gst_pipeline_new(nullptr));
    GRef<GstElement> source = MakeElement("filesrc", nullptr);
    GRef<GstElement> decoder = MakeElement("decodebin", nullptr);
    GRef<GstElement> converter = MakeElement("audioconvert", nullptr);
    GRef<GstElement> format = MakeElement("capsfilter", nullptr);
    GRef<GstElement> sink = MakeElement("fakesink", nullptr);
    if (!pipeline || !source || !decoder || !converter || !format || !sink)
        return LoudnessResult::Failed;
    g_object_set(source.get(), "location", path, nullptr);
    GRef<GstCaps> caps = GRef<GstCaps>::Adopt(gst_caps_new_simple(
        "audio/x-raw", "format", G_TYPE_STRING, "F32LE", "layout", G_TYPE_STRING, "interleaved", nullptr));
    g_object_set(format.get(), "caps", caps.get(), nullptr);
    g_object_set(sink.get(), "sync", FALSE, "signal-handoffs", TRUE, nullptr);
    // The bin takes references of its own; ours are already sunk.
    gst_bin_add_many(GST_BIN(pipeline.get()), source.get(), decoder.get(), converter.get(), format.get(),
        sink.get(), nullptr);
    if (!gst_element_link(source.get(), decoder.get())
        || !gst_element_link_many(converter.get(), format.get(), sink.get(), nullptr))
        return LoudnessResult::Failed;

    Measuring measuring;
    measuring.cancel = cancel;
    const gst::SignalConnection padAdded(decoder.get(),
        g_signal_connect(decoder.get(), "pad-added", G_CALLBACK(OnDecodedPad), converter.get()));
    const gst::SignalConnection handoff(
        sink.get(), g_signal_connect(sink.get(), "handoff", G_CALLBACK(OnFrames), &measuring));
    GRef<GstTaskPool> pool = GRef<GstTaskPool>::Adopt(
        static_cast<GstTaskPool*>(g_object_new(sonarel_idle_task_pool_get_type(), nullptr)));
    GRef<GstBus> bus = GRef<GstBus>::Adopt(gst_element_get_bus(pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), OnBusSync, pool.get(), nullptr);

    LoudnessResult result = LoudnessResult::Failed;
    if (gst_element_set_state(pipeline.get(), GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE) {
        for (;;) {
            if (cancel != nullptr && cancel->load()) {
                result = LoudnessResult::Cancelled;
                break;
            }
            GRef<GstMessage> message = GRef<GstMessage>::Adopt(gst_bus_timed_pop_filtered(
                bus.get(), BUS_POLL, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
            if (!message)
                continue;
            if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS)
                result = LoudnessResult::Measured;
            break;
        }
    }
    // Stopping joins the streaming threads: the meter is ours alone from here on.
    (void)gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
    if (result != LoudnessResult::Measured)
        return result;
    if (measuring.failed || !measuring.meter)
        return LoudnessResult::Failed;

    double loudness = 0.0;
    if (ebur128_loudness_global(measuring.meter.get(), &loudness) != EBUR128_SUCCESS)
        return LoudnessResult::Failed;
    double peak = 0.0;
    for (int channel = 0; channel < measuring.channels; ++channel) {
        double channelPeak = 0.0;
        if (ebur128_true_peak(measuring.meter.get(), static_cast<unsigned>(channel), &channelPeak)
            != EBUR128_SUCCESS)
            return LoudnessResult::Failed;
        peak = std::max(peak, channelPeak);
    }
    measurement->IntegratedLufs = loudness;
    measurement->TruePeakDbtp = Decibels(peak);
    measurement->Seconds = static_cast<double>(measuring.frames) / measuring.rate;
    return LoudnessResult::Measured;
}

} // namespace sonarel
