#include "control/gst/GstFilterGraphShared.h"

#include "control/gst/GstRuntime.h"

#define GST_CAT_DEFAULT sonarel::gst::DebugCategory()

namespace sonarel::gst {

namespace {

    constexpr auto SEEK_TIMEOUT = std::chrono::seconds(5);

    bool IsRawAudio(GstPad* pad)
    {
        GRef<GstCaps> caps = GRef<GstCaps>::Adopt(gst_pad_get_current_caps(pad));
        if (!caps) {
            caps = GRef<GstCaps>::Adopt(gst_pad_query_caps(pad, nullptr));
        }
        if (!caps || gst_caps_is_empty(caps.get())) {
            return false;
        }
        const GstStructure* structure = gst_caps_get_structure(caps.get(), 0);
        return gst_structure_has_name(structure, "audio/x-raw");
    }

} // namespace

GQuark GenerationQuark()
{
    static const GQuark quark = g_quark_from_static_string("sonarel-graph-generation");
    return quark;
}

GRef<GstPad> FirstSinkPad(GstElement* element)
{
    GRef<GstPad> pad;
    gst_element_foreach_sink_pad(
        element,
        +[](GstElement* /*element*/, GstPad* found, gpointer data) -> gboolean {
            *static_cast<GRef<GstPad>*>(data) = GRef<GstPad>::Ref(found);
            return FALSE;
        },
        &pad);
    return pad;
}

GstBusSyncReply GstFilterGraph::Shared::OnBusSync(GstBus* /*bus*/, GstMessage* message, gpointer data)
{
    Shared& shared = Held<Shared>(data);
    const std::uint64_t generation = shared.Generation.load();
    gst_mini_object_set_qdata(
        GST_MINI_OBJECT_CAST(message), GenerationQuark(), reinterpret_cast<gpointer>(generation), nullptr);

    const bool asyncDone = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE
        && GST_MESSAGE_SRC(message) == GST_OBJECT(shared.Pipeline);
    const bool error = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
    if (asyncDone || error) {
        {
            const std::lock_guard lock(shared.Mutex);
            shared.AsyncDone += asyncDone ? 1 : 0;
            shared.Errors += error ? 1 : 0;
        }
        shared.Changed.notify_all();
    }
    return GST_BUS_PASS;
}

void GstFilterGraph::Shared::OnPadAdded(GstElement* /*decoder*/, GstPad* pad, gpointer data)
{
    Shared& shared = Held<Shared>(data);
    if (!IsRawAudio(pad)) {
        return;
    }
    const std::lock_guard lock(shared.Mutex);
    if (shared.AudioLinked || !shared.Converter) {
        return;
    }
    GRef<GstPad> sink = GRef<GstPad>::Adopt(gst_element_get_static_pad(shared.Converter.get(), "sink"));
    if (sink && GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, sink.get()))) {
        shared.AudioLinked = true;
    }
}

void GstFilterGraph::Shared::OnNoMorePads(GstElement* decoder, gpointer data)
{
    Shared& shared = Held<Shared>(data);
    bool linked = false;
    {
        const std::lock_guard lock(shared.Mutex);
        linked = shared.AudioLinked;
    }
    if (!linked) {
        // Otherwise the renderer would wait for audio that never comes until the preroll times out.
        GST_ELEMENT_ERROR(
            decoder, STREAM, WRONG_TYPE, ("The file has no audio that can be played"), (nullptr));
    }
}

HResult GstFilterGraph::Shared::Preroll(GstElement* pipeline, Shared& shared, GstElement* renderer)
{
    {
        // The decoder makes its pads afresh after every stop.
        const std::lock_guard lock(shared.Mutex);
        shared.AudioLinked = false;
    }
    const Counters before = shared.Snapshot();
    const GstStateChangeReturn change = gst_element_set_state(pipeline, GST_STATE_PAUSED);
    if (change == GST_STATE_CHANGE_FAILURE) {
        return E_UNSUPPORTED_STATUS;
    }
    if (change == GST_STATE_CHANGE_ASYNC) {
        switch (shared.WaitAsyncDone(before, PREROLL_TIMEOUT)) {
        case WaitResult::Done:
            break;
        case WaitResult::Failed:
            return E_UNSUPPORTED_STATUS;
        case WaitResult::TimedOut:
            return E_TIMEOUT_STATUS;
        }
    }
    if (shared.Snapshot().Errors != before.Errors) {
        return E_UNSUPPORTED_STATUS;
    }
    // A file whose audio never reached the renderer (nothing decodable before its end) does not play.
    GRef<GstPad> pad = renderer != nullptr ? FirstSinkPad(renderer) : GRef<GstPad>();
    GRef<GstCaps> caps = pad ? GRef<GstCaps>::Adopt(gst_pad_get_current_caps(pad.get())) : GRef<GstCaps>();
    if (!caps) {
        return E_UNSUPPORTED_STATUS;
    }
    const std::lock_guard lock(shared.Mutex);
    shared.RendererCaps = std::move(caps);
    return S_OK_STATUS;
}

bool GstFilterGraph::Shared::SettleStateChange(GstElement* pipeline, Shared& shared)
{
    // A state change still under way would end during a wait that follows and be taken for its end.
    const auto deadline = std::chrono::steady_clock::now() + SEEK_TIMEOUT;
    while (gst_element_get_state(pipeline, nullptr, nullptr, 50 * GST_MSECOND) == GST_STATE_CHANGE_ASYNC) {
        if (shared.IsRetired() || std::chrono::steady_clock::now() > deadline) {
            return false;
        }
    }
    return true;
}

HResult GstFilterGraph::Shared::Seek(
    GstElement* pipeline, Shared& shared, std::int64_t positionNs, double rate)
{
    if (!SettleStateChange(pipeline, shared)) {
        return E_FAIL_STATUS;
    }
    shared.Generation.fetch_add(1);
    const Counters before = shared.Snapshot();
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    if (!gst_element_seek(pipeline, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, positionNs,
            GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE)) {
        return E_FAIL_STATUS;
    }
    // Settled before the next job: that one finds the pipeline at the new place.
    return shared.WaitAsyncDone(before, SEEK_TIMEOUT) == WaitResult::Done ? S_OK_STATUS : E_FAIL_STATUS;
}

void GstFilterGraph::Shared::PostCommandFailed(GstElement* pipeline, HResult status)
{
    gst_element_post_message(pipeline,
        gst_message_new_application(GST_OBJECT(pipeline),
            gst_structure_new(
                COMMAND_FAILED_MESSAGE, "status", G_TYPE_INT, static_cast<gint>(status), nullptr)));
}

} // namespace sonarel::gst
