#include "control/gst/PulseSink.h"

#include "control/gst/GstRuntime.h"
#include "control/gst/PulseConnection.h"

#include <gst/audio/audio.h>
#include <gst/audio/gstaudiosink.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#define GST_CAT_DEFAULT sonarel::gst::DebugCategory()

namespace sonarel::gst {

namespace {

    constexpr const char* DEVICE_LOST_TEXT = "Audio device lost";
    // Longest sleep of one discarding write, so that a stop is not held up.
    constexpr guint MAX_DISCARD_US = 50000;
    // How long a write at the start of a stream waits for samples to arrive in its segment.
    constexpr gint64 PRIME_WAIT_US = 20000;
    constexpr gulong PRIME_POLL_US = 1000;

    enum Property { PROP_0, PROP_DEVICE, PROP_MOVABLE };

    // Written by the streaming thread (prepare, write, ...) and libpulse's thread, always under the
    // connection's loop lock, except `device` and `movable`, which only change while stopped.
    struct SinkState {
        std::string device;
        bool movable = true;
        std::shared_ptr<PulseConnection> connection;
        pa_stream* stream = nullptr;
        bool lost = false;
        bool interrupted = false; // a flush, pause or stop asked a waiting write to return
        guint bytesPerFrame = 0;
        guint rate = 0;
        // Written since the stream started or was flushed: the delay until the server's first timing
        // report, which the audio base sink needs exact to place the first samples.
        guint64 writtenBytes = 0;
        guint64 startBytes = 0; // the server's target length: the start of a stream
    };

    struct PulseSinkInstance {
        GstAudioSink parent;
        SinkState* state;
    };

    struct PulseSinkClass {
        GstAudioSinkClass parent;
    };

    GstAudioSinkClass* parentClass = nullptr;

    PulseSinkInstance* Self(gpointer object)
    {
        return reinterpret_cast<PulseSinkInstance*>(object);
    }

    GQuark DeviceLostQuark()
    {
        static const GQuark quark = g_quark_from_static_string("sonarel-device-lost");
        return quark;
    }

    // Reports once that the stream's device (or the server) is gone; with the loop locked.
    void ReportLost(PulseSinkInstance* self, const char* reason)
    {
        SinkState& state = *self->state;
        if (state.lost) {
            return;
        }
        state.lost = true;
        GST_WARNING_OBJECT(self, "the stream on \"%s\" ended: %s", state.device.c_str(), reason);
        const GErrorPtr error(
            g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND, DEVICE_LOST_TEXT));
        // The message takes the details; posting takes the message.
        GstStructure* details = gst_structure_new_id_empty(DeviceLostQuark());
        gst_element_post_message(GST_ELEMENT(self),
            gst_message_new_error_with_details(GST_OBJECT(self), error.get(), reason, details));
    }

    // libpulse's thread, with the loop locked.
    void OnStreamState(pa_stream* stream, void* data)
    {
        PulseSinkInstance* self = Self(data);
        SinkState& state = *self->state;
        if (stream == state.stream && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
            ReportLost(self, pa_strerror(pa_context_errno(pa_stream_get_context(stream))));
        }
        pa_threaded_mainloop_signal(state.connection->Loop(), 0);
    }

    void OnStreamWritable(pa_stream* /*stream*/, size_t /*bytes*/, void* data)
    {
        pa_threaded_mainloop_signal(Self(data)->state->connection->Loop(), 0);
    }

    bool SampleFormat(const GstAudioInfo& info, pa_sample_format_t* format)
    {
        switch (GST_AUDIO_INFO_FORMAT(&info)) {
        case GST_AUDIO_FORMAT_S16LE:
            *format = PA_SAMPLE_S16LE;
            return true;
        case GST_AUDIO_FORMAT_S32LE:
            *format = PA_SAMPLE_S32LE;
            return true;
        case GST_AUDIO_FORMAT_F32LE:
            *format = PA_SAMPLE_FLOAT32LE;
            return true;
        case GST_AUDIO_FORMAT_U8:
            *format = PA_SAMPLE_U8;
            return true;
        default:
            return false;
        }
    }

    void DropStream(SinkState& state)
    {
        if (state.stream == nullptr) {
            return;
        }
        pa_stream* stream = std::exchange(state.stream, nullptr);
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }

    // ---- GstAudioSink ------------------------------------------------------------------------

    gboolean Open(GstAudioSink* sink)
    {
        SinkState& state = *Self(sink)->state;
        std::string error;
        state.connection = PulseConnection::Acquire(&error);
        if (!state.connection) {
            GST_ELEMENT_ERROR(sink, RESOURCE, OPEN_WRITE, ("No sound server"), ("%s", error.c_str()));
            return FALSE;
        }
        return TRUE;
    }

    gboolean Close(GstAudioSink* sink)
    {
        Self(sink)->state->connection.reset();
        return TRUE;
    }

    gboolean Prepare(GstAudioSink* sink, GstAudioRingBufferSpec* spec)
    {
        SinkState& state = *Self(sink)->state;
        pa_sample_spec sampleSpec {};
        if (!SampleFormat(spec->info, &sampleSpec.format)) {
            GST_ELEMENT_ERROR(sink, STREAM, FORMAT, (nullptr), ("unsupported sample format"));
            return FALSE;
        }
        sampleSpec.rate = static_cast<uint32_t>(GST_AUDIO_INFO_RATE(&spec->info));
        sampleSpec.channels = static_cast<uint8_t>(GST_AUDIO_INFO_CHANNELS(&spec->info));
        pa_channel_map channelMap {};
        if (!pa_sample_spec_valid(&sampleSpec)
            || pa_channel_map_init_extend(&channelMap, sampleSpec.channels, PA_CHANNEL_MAP_DEFAULT)
                == nullptr) {
            GST_ELEMENT_ERROR(sink, STREAM, FORMAT, (nullptr), ("unsupported audio format"));
            return FALSE;
        }

        const guint bytesPerFrame = static_cast<guint>(GST_AUDIO_INFO_BPF(&spec->info));
        const auto segment = static_cast<uint32_t>(spec->segsize);
        pa_buffer_attr attributes {};
        attributes.maxlength = static_cast<uint32_t>(-1);
        attributes.tlength = segment * static_cast<uint32_t>(std::max(spec->segtotal, 2));
        attributes.prebuf = segment;
        attributes.minreq = segment;
        attributes.fragsize = static_cast<uint32_t>(-1);

        auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
        if (!state.movable) {
            flags = static_cast<pa_stream_flags_t>(flags | PA_STREAM_DONT_MOVE);
        }

        const PulseLock lock(state.connection->Loop());
        DropStream(state);
        state.lost = false;
        state.interrupted = false;
        state.writtenBytes = 0;
        state.startBytes = attributes.tlength;
        state.bytesPerFrame = bytesPerFrame;
        state.rate = sampleSpec.rate;
        pa_stream* stream = pa_stream_new(state.connection->Context(), "Sonarel", &sampleSpec, &channelMap);
        if (stream == nullptr) {
            GST_ELEMENT_ERROR(sink, RESOURCE, OPEN_WRITE, (nullptr), ("cannot create a stream"));
            return FALSE;
        }
        state.stream = stream;
        pa_stream_set_state_callback(stream, OnStreamState, sink);
        pa_stream_set_write_callback(stream, OnStreamWritable, sink);
        // No volume and no mute: the server keeps the stream at the level it is given.
        const char* device = state.device.empty() ? nullptr : state.device.c_str();
        if (pa_stream_connect_playback(stream, device, &attributes, flags, nullptr, nullptr) < 0) {
            ReportLost(Self(sink), pa_strerror(pa_context_errno(state.connection->Context())));
            DropStream(state);
            return FALSE;
        }
        for (;;) {
            const pa_stream_state_t streamState = pa_stream_get_state(stream);
            if (streamState == PA_STREAM_READY) {
                return TRUE;
            }
            if (!PA_STREAM_IS_GOOD(streamState)) {
                // The state callback has reported it.
                return FALSE;
            }
            pa_threaded_mainloop_wait(state.connection->Loop());
        }
    }

    gboolean Unprepare(GstAudioSink* sink)
    {
        SinkState& state = *Self(sink)->state;
        if (state.connection) {
            const PulseLock lock(state.connection->Loop());
            DropStream(state);
        }
        return TRUE;
    }

    // Whether the end of a segment is still empty: the samples have not all arrived.
    bool EndsEmpty(const gpointer data, guint length)
    {
        const auto* bytes = static_cast<const guint8*>(data);
        return std::all_of(
            bytes + length - length / 8, bytes + length, [](guint8 byte) { return byte == 0; });
    }

    // The audio base sink starts its ring buffer a moment before it puts the first samples into it,
    // and the server takes its whole target length at once: it would swallow the ring's empty
    // segments in that moment, and the samples due in them would be dropped as late. So while the
    // server's buffer is being filled for the first time, a write that was handed a segment whose
    // end is empty gives the samples a moment to arrive in it. (Only the ring's thread writes and changes the
    // counts read here.)
    void WaitForFirstSamples(const SinkState& state, gpointer data, guint length)
    {
        if (state.writtenBytes >= state.startBytes) {
            return;
        }
        const gint64 deadline = g_get_monotonic_time() + PRIME_WAIT_US;
        while (EndsEmpty(data, length) && g_get_monotonic_time() < deadline) {
            g_usleep(PRIME_POLL_US);
        }
    }

    gint Write(GstAudioSink* sink, gpointer data, guint length)
    {
        SinkState& state = *Self(sink)->state;
        pa_threaded_mainloop* loop = state.connection->Loop();
        WaitForFirstSamples(state, data, length);
        pa_threaded_mainloop_lock(loop);
        state.interrupted = false;
        for (;;) {
            if (state.stream == nullptr || state.lost) {
                const guint bytesPerSecond = std::max(1U, state.rate * state.bytesPerFrame);
                pa_threaded_mainloop_unlock(loop);
                // Gone: the audio is dropped at the pace it would have played.
                g_usleep(
                    std::min<guint64>(MAX_DISCARD_US, guint64 { length } * G_USEC_PER_SEC / bytesPerSecond));
                return static_cast<gint>(length);
            }
            if (state.interrupted) {
                GST_DEBUG_OBJECT(sink, "write of %u bytes interrupted", length);
                pa_threaded_mainloop_unlock(loop);
                return static_cast<gint>(length);
            }
            const size_t writable = pa_stream_writable_size(state.stream);
            if (writable == static_cast<size_t>(-1)) {
                state.lost = true;
                continue;
            }
            if (writable == 0) {
                pa_threaded_mainloop_wait(loop);
                continue;
            }
            size_t bytes = std::min<size_t>(writable, length);
            bytes -= bytes % std::max(1U, state.bytesPerFrame);
            if (bytes == 0) {
                bytes = std::min<size_t>(writable, length);
            }
            GST_LOG_OBJECT(sink, "writing %zu of %u bytes (%zu writable)", bytes, length, writable);
            const int written = pa_stream_write(state.stream, data, bytes, nullptr, 0, PA_SEEK_RELATIVE);
            state.writtenBytes += written < 0 ? 0 : bytes;
            pa_threaded_mainloop_unlock(loop);
            return written < 0 ? static_cast<gint>(length) : static_cast<gint>(bytes);
        }
    }

    guint Delay(GstAudioSink* sink)
    {
        SinkState& state = *Self(sink)->state;
        if (!state.connection) {
            return 0;
        }
        const PulseLock lock(state.connection->Loop());
        pa_usec_t latency = 0;
        int negative = 0;
        if (state.stream == nullptr || state.lost || state.bytesPerFrame == 0) {
            return 0;
        }
        if (pa_stream_get_latency(state.stream, &latency, &negative) < 0) {
            // No timing report yet: nothing written has been played.
            return static_cast<guint>(state.writtenBytes / state.bytesPerFrame);
        }
        return negative != 0 ? 0 : static_cast<guint>(latency * state.rate / G_USEC_PER_SEC);
    }

    // Flushes (drops what the server has not played yet), corks or uncorks the stream; a flush or a
    // cork also wakes a write that waits for room, which then lets its data go.
    void Interrupt(GstAudioSink* sink, bool flush, int cork)
    {
        SinkState& state = *Self(sink)->state;
        if (!state.connection) {
            return;
        }
        const PulseLock lock(state.connection->Loop());
        GST_DEBUG_OBJECT(sink, "flush %d cork %d", flush ? 1 : 0, cork);
        state.interrupted = flush || cork == 1;
        if (state.stream != nullptr && !state.lost) {
            if (flush) {
                state.writtenBytes = 0;
                if (pa_operation* operation = pa_stream_flush(state.stream, nullptr, nullptr)) {
                    pa_operation_unref(operation);
                }
            }
            if (cork >= 0) {
                if (pa_operation* operation = pa_stream_cork(state.stream, cork, nullptr, nullptr)) {
                    pa_operation_unref(operation);
                }
            }
        }
        pa_threaded_mainloop_signal(state.connection->Loop(), 0);
    }

    void Reset(GstAudioSink* sink)
    {
        Interrupt(sink, true, -1);
    }

    void Pause(GstAudioSink* sink)
    {
        Interrupt(sink, false, 1);
    }

    void Resume(GstAudioSink* sink)
    {
        Interrupt(sink, false, 0);
    }

    void Stop(GstAudioSink* sink)
    {
        Interrupt(sink, true, -1);
    }

    // ---- GObject -----------------------------------------------------------------------------

    void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* spec)
    {
        SinkState& state = *Self(object)->state;
        switch (id) {
        case PROP_DEVICE: {
            const gchar* device = g_value_get_string(value);
            state.device = device != nullptr ? device : "";
            break;
        }
        case PROP_MOVABLE:
            state.movable = g_value_get_boolean(value) != FALSE;
            break;
        default:
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
        }
    }

    void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* spec)
    {
        const SinkState& state = *Self(object)->state;
        switch (id) {
        case PROP_DEVICE:
            g_value_set_string(value, state.device.c_str());
            break;
        case PROP_MOVABLE:
            g_value_set_boolean(value, state.movable ? TRUE : FALSE);
            break;
        default:
            G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
        }
    }

    void Finalize(GObject* object)
    {
        PulseSinkInstance* self = Self(object);
        if (self->state->connection) {
            const PulseLock lock(self->state->connection->Loop());
            DropStream(*self->state);
        }
        delete self->state;
        self->state = nullptr;
        G_OBJECT_CLASS(parentClass)->finalize(object);
    }

    void ClassInit(gpointer klass, gpointer /*data*/)
    {
        parentClass = static_cast<GstAudioSinkClass*>(g_type_class_peek_parent(klass));
        auto* objectClass = G_OBJECT_CLASS(klass);
        objectClass->set_property = SetProperty;
        objectClass->get_property = GetProperty;
        objectClass->finalize = Finalize;
        g_object_class_install_property(objectClass, PROP_DEVICE,
            g_param_spec_string("device", "Device", "The sound server's sink; empty for its default sink",
                nullptr, static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
        g_object_class_install_property(objectClass, PROP_MOVABLE,
            g_param_spec_boolean("movable", "Movable",
                "Whether the server may move the stream to another sink when its own goes away", TRUE,
                static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));

        auto* elementClass = GST_ELEMENT_CLASS(klass);
        gst_element_class_set_static_metadata(elementClass, "Zone output", "Sink/Audio",
            "Plays to one sink of the sound server, never moved to another", "Sonarel");
        const GRef<GstCaps> caps = GRef<GstCaps>::Adopt(
            gst_caps_from_string("audio/x-raw, format=(string){ S16LE, F32LE, S32LE, U8 }, "
                                 "rate=(int)[ 1, 384000 ], channels=(int)[ 1, 32 ], "
                                 "layout=(string)interleaved"));
        gst_element_class_add_pad_template(
            elementClass, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, caps.get()));

        auto* sinkClass = static_cast<GstAudioSinkClass*>(klass);
        sinkClass->open = Open;
        sinkClass->close = Close;
        sinkClass->prepare = Prepare;
        sinkClass->unprepare = Unprepare;
        sinkClass->write = Write;
        sinkClass->delay = Delay;
        sinkClass->reset = Reset;
        sinkClass->pause = Pause;
        sinkClass->resume = Resume;
        sinkClass->stop = Stop;
    }

    void InstanceInit(GTypeInstance* instance, gpointer /*klass*/)
    {
        Self(instance)->state = new SinkState();
    }

    GType PulseSinkType()
    {
        static const GType type
            = g_type_register_static_simple(GST_TYPE_AUDIO_SINK, "SonarelPulseSink", sizeof(PulseSinkClass),
                ClassInit, sizeof(PulseSinkInstance), InstanceInit, static_cast<GTypeFlags>(0));
        return type;
    }

} // namespace

GRef<GstElement> CreatePulseSink(const char* device, bool movable)
{
    // The server paces the stream. Slaving its clock to the pipeline's would resample and skip
    // whenever the server's latency report moves, which it does at the start of every stream.
    return GRef<GstElement>::Adopt(GST_ELEMENT(g_object_new(PulseSinkType(), "device", device, "movable",
        movable ? TRUE : FALSE, "slave-method", GST_AUDIO_BASE_SINK_SLAVE_NONE, nullptr)));
}

bool IsDeviceLostError(GstMessage* message)
{
    if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_ERROR) {
        return false;
    }
    const GstStructure* details = nullptr;
    gst_message_parse_error_details(message, &details);
    return details != nullptr && gst_structure_get_name_id(details) == DeviceLostQuark();
}

} // namespace sonarel::gst
