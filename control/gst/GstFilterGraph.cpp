#include "control/gst/GstFilterGraph.h"

#include "control/gst/DurationProbe.h"
#include "control/gst/GainStage.h"
#include "control/gst/GstRuntime.h"
#include "control/gst/PulseSink.h"

#include <gst/audio/audio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#define GST_CAT_DEFAULT sonarel::gst::DebugCategory()

namespace sonarel::gst {

namespace {

    constexpr auto PREROLL_TIMEOUT = std::chrono::seconds(5);
    constexpr auto SEEK_TIMEOUT = std::chrono::seconds(5);
    constexpr auto DURATION_PROBE_TIMEOUT = std::chrono::seconds(2);
    // How long a query that needs the duration waits on the control's thread for a preroll under way.
    constexpr auto PREROLL_QUERY_BUDGET = std::chrono::milliseconds(40);

    // The renderer's buffer: 200 ms in the sound server, written in 50 ms segments. Longer segments
    // than the default 10 ms save most of the wake-ups of eight streams; the buffer, and so the
    // delay before a volume change is heard, stays PulseAudio's default.
    constexpr gint64 RENDERER_BUFFER_US = 200000;
    constexpr gint64 RENDERER_SEGMENT_US = 50000;

    constexpr const char* DEFAULT_RENDERER_NAME = "Default DirectSound Device";
    // What the worker reports through the bus.
    constexpr const char* PREROLLED_MESSAGE = "sonarel-prerolled";
    constexpr const char* COMMAND_FAILED_MESSAGE = "sonarel-command-failed";

    constexpr long MIN_LEVEL = -10000;
    constexpr double MIN_TRIM_DB = -40.0;
    constexpr double MAX_TRIM_DB = 30.0;
    constexpr double MAX_DUCK_DB = 60.0;
    constexpr unsigned MAX_GLIDE_MS = 10000;
    constexpr long NO_PARAM = 0;
    constexpr long MAX_BALANCE = 10000;
    constexpr std::int64_t NS_PER_REFTIME = 100;

    GQuark GenerationQuark()
    {
        static const GQuark quark = g_quark_from_static_string("sonarel-graph-generation");
        return quark;
    }

    GRef<GstElement> MakeElement(const char* factory, const char* name)
    {
        GRef<GstElement> element = GRef<GstElement>::Adopt(gst_element_factory_make(factory, name));
        if (!element) {
            GST_ERROR("cannot create the GStreamer element \"%s\": its plugin is not installed", factory);
        }
        return element;
    }

    GRef<GstPad> FirstSinkPad(GstElement* element)
    {
        GRef<GstPad> pad;
        GstIterator* iterator = gst_element_iterate_sink_pads(element);
        GValue item = G_VALUE_INIT;
        if (gst_iterator_next(iterator, &item) == GST_ITERATOR_OK) {
            pad = GRef<GstPad>::Ref(GST_PAD(g_value_get_object(&item)));
            g_value_unset(&item);
        }
        gst_iterator_free(iterator);
        return pad;
    }

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

    // A copy of a shared_ptr handed to a C callback as its user data, freed by the callback's
    // destroy notify, so that the state lives as long as any callback that may still run.
    template <typename T> gpointer HoldShared(const std::shared_ptr<T>& shared)
    {
        return std::make_unique<std::shared_ptr<T>>(shared).release();
    }
    template <typename T> void ReleaseShared(gpointer data)
    {
        std::unique_ptr<std::shared_ptr<T>>(static_cast<std::shared_ptr<T>*>(data)).reset();
    }
    template <typename T> T& Held(gpointer data)
    {
        return **static_cast<std::shared_ptr<T>*>(data);
    }

} // namespace

struct GstFilterGraph::Shared {
    enum class WaitResult { Done, Failed, TimedOut };

    GstElement* pipeline = nullptr; // compared with message sources only
    std::atomic<std::uint64_t> generation { 1 };

    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t asyncDone = 0; // the pipeline's ASYNC_DONE messages so far
    std::uint64_t errors = 0; // ERROR messages so far
    GRef<GstElement> converter; // where the decoder's audio goes
    bool audioLinked = false;
    bool retired = false; // the graph let the pipeline go: waits end at once
    // The outcome of the rendering's preroll, written by the worker.
    bool prerolled = false;
    HResult prerollStatus = S_OK_STATUS;
    std::int64_t durationNs = -1;
    GRef<GstCaps> rendererCaps;

    struct Counters {
        std::uint64_t asyncDone = 0;
        std::uint64_t errors = 0;
    };

    Counters Snapshot()
    {
        const std::lock_guard lock(mutex);
        return { asyncDone, errors };
    }

    // Waits until the pipeline has finished an asynchronous state change begun after `before`.
    WaitResult WaitAsyncDone(Counters before, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex);
        WaitResult result = WaitResult::TimedOut;
        changed.wait_for(lock, timeout, [&] {
            if (retired) {
                return true;
            }
            if (errors != before.errors) {
                result = WaitResult::Failed;
                return true;
            }
            if (asyncDone != before.asyncDone) {
                result = WaitResult::Done;
                return true;
            }
            return false;
        });
        return result;
    }

    // Streaming threads, libpulse's thread and the worker.
    static GstBusSyncReply OnBusSync(GstBus* bus, GstMessage* message, gpointer data);
    static void OnPadAdded(GstElement* decoder, GstPad* pad, gpointer data);
    static void OnNoMorePads(GstElement* decoder, gpointer data);

    // The worker's jobs.
    static HResult Preroll(GstElement* pipeline, Shared& shared, GstElement* renderer);
    static bool SettleStateChange(GstElement* pipeline, Shared& shared);
    [[nodiscard]] bool Retired()
    {
        const std::lock_guard lock(mutex);
        return retired;
    }
    static HResult Seek(GstElement* pipeline, Shared& shared, std::int64_t positionNs, double rate);
    static void PostCommandFailed(GstElement* pipeline, HResult status);
};

GstBusSyncReply GstFilterGraph::Shared::OnBusSync(GstBus* /*bus*/, GstMessage* message, gpointer data)
{
    Shared& shared = Held<Shared>(data);
    const std::uint64_t generation = shared.generation.load();
    gst_mini_object_set_qdata(
        GST_MINI_OBJECT_CAST(message), GenerationQuark(), reinterpret_cast<gpointer>(generation), nullptr);

    const bool asyncDone = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE
        && GST_MESSAGE_SRC(message) == GST_OBJECT(shared.pipeline);
    const bool error = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
    if (asyncDone || error) {
        {
            const std::lock_guard lock(shared.mutex);
            shared.asyncDone += asyncDone ? 1 : 0;
            shared.errors += error ? 1 : 0;
        }
        shared.changed.notify_all();
    }
    return GST_BUS_PASS;
}

void GstFilterGraph::Shared::OnPadAdded(GstElement* /*decoder*/, GstPad* pad, gpointer data)
{
    Shared& shared = Held<Shared>(data);
    if (!IsRawAudio(pad)) {
        return;
    }
    const std::lock_guard lock(shared.mutex);
    if (shared.audioLinked || !shared.converter) {
        return;
    }
    GRef<GstPad> sink = GRef<GstPad>::Adopt(gst_element_get_static_pad(shared.converter.get(), "sink"));
    if (sink && GST_PAD_LINK_SUCCESSFUL(gst_pad_link(pad, sink.get()))) {
        shared.audioLinked = true;
    }
}

void GstFilterGraph::Shared::OnNoMorePads(GstElement* decoder, gpointer data)
{
    Shared& shared = Held<Shared>(data);
    bool linked = false;
    {
        const std::lock_guard lock(shared.mutex);
        linked = shared.audioLinked;
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
        const std::lock_guard lock(shared.mutex);
        shared.audioLinked = false;
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
    if (shared.Snapshot().errors != before.errors) {
        return E_UNSUPPORTED_STATUS;
    }
    // A file whose audio never reached the renderer (nothing decodable before its end) does not play.
    GRef<GstPad> pad = renderer != nullptr ? FirstSinkPad(renderer) : GRef<GstPad>();
    GRef<GstCaps> caps = pad ? GRef<GstCaps>::Adopt(gst_pad_get_current_caps(pad.get())) : GRef<GstCaps>();
    if (!caps) {
        return E_UNSUPPORTED_STATUS;
    }
    const std::lock_guard lock(shared.mutex);
    shared.rendererCaps = std::move(caps);
    return S_OK_STATUS;
}

bool GstFilterGraph::Shared::SettleStateChange(GstElement* pipeline, Shared& shared)
{
    // A state change still under way would end during a wait that follows and be taken for its end.
    const auto deadline = std::chrono::steady_clock::now() + SEEK_TIMEOUT;
    while (gst_element_get_state(pipeline, nullptr, nullptr, 50 * GST_MSECOND) == GST_STATE_CHANGE_ASYNC) {
        if (shared.Retired() || std::chrono::steady_clock::now() > deadline) {
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
    shared.generation.fetch_add(1);
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

// ---- Creation ----------------------------------------------------------------------------------

std::unique_ptr<GstFilterGraph> GstFilterGraph::Create(GMainContext* context)
{
    if (!EnsureInitialized()) {
        return nullptr;
    }
    std::unique_ptr<GstFilterGraph> graph(new GstFilterGraph(context));
    if (!graph->NewPipeline()) {
        return nullptr;
    }
    return graph;
}

GstFilterGraph::GstFilterGraph(GMainContext* context)
    : context_(GRef<GMainContext>::Ref(context))
{
}

bool GstFilterGraph::NewPipeline()
{
    pipeline_ = GRef<GstElement>::Adopt(gst_pipeline_new(nullptr));
    if (!pipeline_) {
        return false;
    }
    shared_ = std::make_shared<Shared>();
    shared_->pipeline = pipeline_.get();
    // The renderer's own clock may stop advancing after a flushing seek although the sound goes on:
    // positions would freeze. The system clock, to which the renderer then slaves, always runs.
    GRef<GstClock> clock = GRef<GstClock>::Adopt(gst_system_clock_obtain());
    gst_pipeline_use_clock(GST_PIPELINE(pipeline_.get()), clock.get());
    GRef<GstBus> bus = GRef<GstBus>::Adopt(gst_element_get_bus(pipeline_.get()));
    gst_bus_set_sync_handler(bus.get(), Shared::OnBusSync, HoldShared(shared_), ReleaseShared<Shared>);

    GSource* watch = gst_bus_create_watch(bus.get());
    g_source_set_callback(watch, G_SOURCE_FUNC(OnBusMessage), this, nullptr);
    g_source_attach(watch, context_.get());
    busWatch_ = AttachedSource(watch);
    worker_ = std::make_unique<PipelineWorker>(pipeline_);
    started_ = false;
    return true;
}

void GstFilterGraph::RetirePipeline()
{
    // Nothing of the old pipeline reaches this graph any more; its worker ends what it waits for and
    // takes it down.
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->retired = true;
    }
    shared_->changed.notify_all();
    busWatch_.reset();
    padAdded_.reset();
    noMorePads_.reset();
    worker_->Retire();
    worker_.reset();
    for (Entry& entry : entries_) {
        entry.retired = true;
    }
    renderer_.reset();
    gainStage_.reset();
    if (mode_ != Mode::Empty) {
        mode_ = Mode::Empty;
    }
    if (!NewPipeline()) {
        GST_ERROR("cannot make a new pipeline");
    }
}

GstFilterGraph::~GstFilterGraph()
{
    if (shared_) {
        {
            const std::lock_guard lock(shared_->mutex);
            shared_->retired = true;
        }
        shared_->changed.notify_all();
    }
    busWatch_.reset();
    scheduledNotify_.reset();
    padAdded_.reset();
    noMorePads_.reset();
    if (worker_) {
        worker_->Retire();
    }
}

// ---- Filters -----------------------------------------------------------------------------------

HResult GstFilterGraph::AddFilter(std::shared_ptr<IFilter> filter, const std::string& name)
{
    auto element = std::dynamic_pointer_cast<GstElementFilter>(filter);
    if (!element || element->Element() == nullptr || IndexOf(element.get()) != entries_.size()) {
        return dsp::E_INVALIDARG_STATUS;
    }
    return AddEntry(std::move(element), name, false);
}

HResult GstFilterGraph::AddEntry(
    std::shared_ptr<GstElementFilter> filter, const std::string& name, bool chain)
{
    GstElement* element = filter->Element();
    if (GST_OBJECT_PARENT(element) != nullptr) {
        return E_FAIL_STATUS;
    }
    // A name already in the graph gets a number, as names must be unique within a pipeline.
    std::string unique = name;
    for (int suffix = 1; FindFilterByName(unique); ++suffix) {
        unique = name + " " + std::to_string(10000 + suffix).substr(1);
    }
    if (!gst_object_set_name(GST_OBJECT(element), unique.c_str())
        || !gst_bin_add(GST_BIN(pipeline_.get()), element)) {
        return E_FAIL_STATUS;
    }
    entries_.push_back(Entry { std::move(filter), unique, chain, false });
    return S_OK_STATUS;
}

std::shared_ptr<IFilter> GstFilterGraph::FirstFilter()
{
    return entries_.empty() ? nullptr : entries_.front().filter;
}

HResult GstFilterGraph::RemoveFilter(const std::shared_ptr<IFilter>& filter)
{
    const std::size_t index = IndexOf(filter.get());
    if (index == entries_.size()) {
        return E_NOT_FOUND_STATUS;
    }
    if (started_) {
        // The rendering is taken apart: its pipeline may be streaming, or stuck in a read.
        RetirePipeline();
    }
    if (!entries_[index].retired) {
        GstElement* element = entries_[index].filter->Element();
        if (element == renderer_.get()) {
            renderer_.reset();
            rendererCaps_.reset();
        }
        if (element == gainStage_.get()) {
            gainStage_.reset();
        }
        {
            const std::lock_guard lock(shared_->mutex);
            if (element == shared_->converter.get()) {
                shared_->converter.reset();
            }
        }
        gst_bin_remove(GST_BIN(pipeline_.get()), element);
        mode_ = Mode::Empty;
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    return S_OK_STATUS;
}

std::size_t GstFilterGraph::IndexOf(const IFilter* filter) const
{
    const auto it = std::find_if(entries_.begin(), entries_.end(),
        [filter](const Entry& entry) { return entry.filter.get() == filter; });
    return static_cast<std::size_t>(it - entries_.begin());
}

std::shared_ptr<IFilter> GstFilterGraph::FindFilterByName(const std::string& name)
{
    const auto it = std::find_if(
        entries_.begin(), entries_.end(), [&name](const Entry& entry) { return entry.name == name; });
    return it == entries_.end() ? nullptr : it->filter;
}

// ---- Rendering ---------------------------------------------------------------------------------

HResult GstFilterGraph::RenderFile(const std::string& path)
{
    if (started_) {
        // Rendered before: the filters the caller added go with the old pipeline.
        RetirePipeline();
    }
    events_.clear();
    mode_ = Mode::Empty;
    // A chain left by an earlier rendering that never ran goes first; what the caller added stays.
    for (std::size_t index = entries_.size(); index-- > 0;) {
        if (entries_[index].chain || entries_[index].retired) {
            (void)RemoveFilter(entries_[index].filter);
        }
    }
    parkedPositionNs_ = 0;
    lastPositionNs_ = 0;
    durationNs_ = -1;
    rate_ = 1.0;
    level_ = 0;
    balance_ = 0;
    trimDb_ = 0.0;
    duckDb_ = 0.0;
    prerolled_ = false;
    prerollWaited_ = false;
    failureReported_ = false;
    renderStatus_ = S_OK_STATUS;
    rendererCaps_.reset();

    const HResult status = BuildChain(path);
    if (Failed(status)) {
        return status;
    }
    mode_ = Mode::Parked;
    PostPreroll(path);
    return S_OK_STATUS;
}

HResult GstFilterGraph::BuildChain(const std::string& path)
{
    // The caller's filters: the renderer (the one sink) and the filters to pass through, in order.
    GstElement* renderer = nullptr;
    std::vector<GstElement*> transforms;
    for (const Entry& entry : entries_) {
        GstElement* element = entry.filter->Element();
        if (GST_OBJECT_FLAG_IS_SET(element, GST_ELEMENT_FLAG_SINK)) {
            renderer = renderer != nullptr ? renderer : element;
        } else {
            transforms.push_back(element);
        }
    }
    if (renderer == nullptr) {
        // The default device: the server may move this stream wherever its default goes.
        GRef<GstElement> fallback = CreatePulseSink(nullptr, true);
        if (!fallback) {
            return E_UNSUPPORTED_STATUS;
        }
        renderer = fallback.get();
        if (Failed(AddEntry(
                std::make_shared<GstElementFilter>(std::move(fallback)), DEFAULT_RENDERER_NAME, true))) {
            return E_FAIL_STATUS;
        }
    }
    if (GST_IS_AUDIO_BASE_SINK(renderer)) {
        g_object_set(
            renderer, "buffer-time", RENDERER_BUFFER_US, "latency-time", RENDERER_SEGMENT_US, nullptr);
    }

    GRef<GstElement> source = MakeElement("filesrc", nullptr);
    GRef<GstElement> decoder = MakeElement("decodebin", nullptr);
    GRef<GstElement> converter = MakeElement("audioconvert", nullptr);
    GRef<GstElement> resampler = MakeElement("audioresample", nullptr);
    GRef<GstElement> gainStage = CreateGainStage();
    if (!source || !decoder || !converter || !resampler || !gainStage) {
        return E_UNSUPPORTED_STATUS;
    }
    g_object_set(source.get(), "location", path.c_str(), nullptr);

    const std::pair<GRef<GstElement>*, const char*> chain[] = {
        { &source, "File Source" },
        { &decoder, "Decoder" },
        { &converter, "Audio Converter" },
        { &resampler, "Audio Resampler" },
        { &gainStage, "Volume and Balance" },
    };
    for (const auto& [element, name] : chain) {
        if (Failed(AddEntry(std::make_shared<GstElementFilter>(*element), name, true))) {
            return E_FAIL_STATUS;
        }
    }

    std::vector<GstElement*> links = { converter.get(), resampler.get() };
    links.insert(links.end(), transforms.begin(), transforms.end());
    links.push_back(gainStage.get());
    links.push_back(renderer);
    bool linked = gst_element_link(source.get(), decoder.get()) != FALSE;
    for (std::size_t i = 0; linked && i + 1 < links.size(); ++i) {
        linked = gst_element_link(links[i], links[i + 1]) != FALSE;
    }
    if (!linked) {
        return E_UNSUPPORTED_STATUS;
    }

    {
        const std::lock_guard lock(shared_->mutex);
        shared_->converter = converter;
        shared_->audioLinked = false;
    }
    padAdded_ = SignalConnection(decoder.get(),
        g_signal_connect_data(
            decoder.get(), "pad-added", G_CALLBACK(Shared::OnPadAdded), HoldShared(shared_),
            +[](gpointer data, GClosure*) { ReleaseShared<Shared>(data); }, static_cast<GConnectFlags>(0)));
    noMorePads_ = SignalConnection(decoder.get(),
        g_signal_connect_data(
            decoder.get(), "no-more-pads", G_CALLBACK(Shared::OnNoMorePads), HoldShared(shared_),
            +[](gpointer data, GClosure*) { ReleaseShared<Shared>(data); }, static_cast<GConnectFlags>(0)));

    renderer_ = GRef<GstElement>::Ref(renderer);
    gainStage_ = std::move(gainStage);
    ApplyLevels();
    return S_OK_STATUS;
}

// ---- The worker's jobs -------------------------------------------------------------------------

void GstFilterGraph::Post(PipelineWorker::Job job)
{
    started_ = true;
    worker_->Post(std::move(job));
}

void GstFilterGraph::PostPreroll(const std::string& path)
{
    // The worker holds its own references: the graph may retire the pipeline meanwhile.
    Post([shared = shared_, renderer = renderer_, path](GstElement* pipeline) {
        HResult status = Shared::Preroll(pipeline, *shared, renderer.get());
        std::int64_t duration = -1;
        if (!Failed(status)) {
            gint64 queried = 0;
            if (gst_element_query_duration(pipeline, GST_FORMAT_TIME, &queried) && queried > 0) {
                duration = queried;
            } else if (const std::optional<std::int64_t> measured
                = DurationProbe::Measure(path, DURATION_PROBE_TIMEOUT)) {
                // The parser only estimates this file's length and had not yet when the preroll ended.
                duration = *measured;
            }
        }
        {
            const std::lock_guard lock(shared->mutex);
            shared->prerolled = true;
            shared->prerollStatus = status;
            shared->durationNs = duration;
        }
        shared->changed.notify_all();
        gst_element_post_message(pipeline,
            gst_message_new_application(GST_OBJECT(pipeline), gst_structure_new_empty(PREROLLED_MESSAGE)));
        if (Failed(status)) {
            shared->generation.fetch_add(1);
            gst_element_set_state(pipeline, GST_STATE_READY);
        }
    });
}

void GstFilterGraph::PostPlay(bool seek)
{
    Post([shared = shared_, renderer = renderer_, seek, position = parkedPositionNs_, rate = rate_](
             GstElement* pipeline) {
        GstState state = GST_STATE_NULL;
        if (!Shared::SettleStateChange(pipeline, *shared)) {
            Shared::PostCommandFailed(pipeline, E_TIMEOUT_STATUS);
            return;
        }
        gst_element_get_state(pipeline, &state, nullptr, 0);
        if (state < GST_STATE_PAUSED) {
            const HResult prerolled = Shared::Preroll(pipeline, *shared, renderer.get());
            if (Failed(prerolled)) {
                Shared::PostCommandFailed(pipeline, prerolled);
                return;
            }
        }
        // A file that cannot seek plays from where it is.
        if (seek && Failed(Shared::Seek(pipeline, *shared, position, rate))) {
            GST_WARNING("cannot resume at %" G_GINT64_FORMAT " ns", position);
        }
        if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            Shared::PostCommandFailed(pipeline, E_FAIL_STATUS);
        }
    });
}

void GstFilterGraph::PostSeek()
{
    shared_->generation.fetch_add(1);
    Post([shared = shared_, position = lastPositionNs_, rate = rate_](GstElement* pipeline) {
        if (Failed(Shared::Seek(pipeline, *shared, position, rate))) {
            GST_WARNING("cannot seek to %" G_GINT64_FORMAT " ns", position);
        }
    });
}

void GstFilterGraph::Park(Mode mode)
{
    if (IsActive()) {
        parkedPositionNs_ = mode_ == Mode::Playing ? QueryPositionNs() : lastPositionNs_;
    }
    shared_->generation.fetch_add(1);
    Post([shared = shared_](GstElement* pipeline) {
        shared->generation.fetch_add(1);
        gst_element_set_state(pipeline, GST_STATE_READY);
    });
    mode_ = mode;
}

bool GstFilterGraph::Settling() const
{
    return worker_->Busy();
}

bool GstFilterGraph::WaitPrerolled()
{
    if (!prerolled_) {
        // Only the first query of a rendering waits: the tick of a stream whose file hangs must not
        // hold the caller again and again.
        const auto budget = prerollWaited_ ? std::chrono::milliseconds(0) : PREROLL_QUERY_BUDGET;
        prerollWaited_ = true;
        std::unique_lock lock(shared_->mutex);
        shared_->changed.wait_for(lock, budget, [&] { return shared_->prerolled; });
        if (!shared_->prerolled) {
            return false;
        }
        // The bus message will say so too; taking it now answers the query that waits for it.
        prerolled_ = true;
        durationNs_ = shared_->durationNs;
        rendererCaps_ = shared_->rendererCaps;
    }
    return true;
}

void GstFilterGraph::ApplyLevels()
{
    if (gainStage_) {
        SetGainStageLevels(gainStage_.get(), level_, balance_);
        SetGainStageTrim(gainStage_.get(), trimDb_);
        SetGainStageDuck(gainStage_.get(), duckDb_, 0);
    }
}

std::int64_t GstFilterGraph::QueryPositionNs()
{
    gint64 position = 0;
    if (!Settling() && gst_element_query_position(pipeline_.get(), GST_FORMAT_TIME, &position)
        && position >= 0) {
        lastPositionNs_ = position;
    }
    return lastPositionNs_;
}

// ---- Transport ---------------------------------------------------------------------------------

HResult GstFilterGraph::Run()
{
    switch (mode_) {
    case Mode::Empty:
        return E_FAIL_STATUS;
    case Mode::Playing:
        return S_OK_STATUS;
    case Mode::Paused:
        PostPlay(false);
        mode_ = Mode::Playing;
        return S_OK_STATUS;
    case Mode::Parked:
    case Mode::Failed:
        break;
    }
    if (Failed(renderStatus_)) {
        return renderStatus_;
    }
    failureReported_ = false;
    lastPositionNs_ = parkedPositionNs_;
    PostPlay(parkedPositionNs_ != 0 || rate_ != 1.0);
    mode_ = Mode::Playing;
    return S_OK_STATUS;
}

HResult GstFilterGraph::Pause()
{
    if (mode_ == Mode::Playing) {
        lastPositionNs_ = QueryPositionNs();
        Post([shared = shared_](GstElement* pipeline) {
            const Shared::Counters before = shared->Snapshot();
            if (gst_element_set_state(pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_ASYNC) {
                // Settled before the next job: a seek must not take the end of this change for its own.
                (void)shared->WaitAsyncDone(before, PREROLL_TIMEOUT);
            }
        });
        mode_ = Mode::Paused;
    }
    // A parked graph stays parked: it is cued at its position and starts from there.
    return S_OK_STATUS;
}

HResult GstFilterGraph::Stop()
{
    if (IsActive() || mode_ == Mode::Failed) {
        Park(Mode::Parked);
    }
    return S_OK_STATUS;
}

// ---- Seeking -----------------------------------------------------------------------------------

HResult GstFilterGraph::GetDuration(RefTime* duration)
{
    if (duration == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (mode_ == Mode::Empty) {
        return E_FAIL_STATUS;
    }
    if (!WaitPrerolled() || (Failed(shared_->prerollStatus) && !failureReported_)) {
        // Not known yet: the file is still being opened, or found not to play and about to be
        // reported so (as the open's failure, not as this query's).
        *duration = 0;
        return S_OK_STATUS;
    }
    gint64 queried = 0;
    if (IsActive() && !Settling() && gst_element_query_duration(pipeline_.get(), GST_FORMAT_TIME, &queried)
        && queried > 0) {
        durationNs_ = queried;
    }
    if (durationNs_ < 0) {
        return E_FAIL_STATUS;
    }
    *duration = durationNs_ / NS_PER_REFTIME;
    return S_OK_STATUS;
}

HResult GstFilterGraph::GetCurrentPosition(RefTime* position)
{
    if (position == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (mode_ == Mode::Empty) {
        return E_FAIL_STATUS;
    }
    // A paused graph stays where it was paused (or sought to), whenever its pipeline gets there.
    const std::int64_t positionNs = mode_ == Mode::Playing ? QueryPositionNs()
        : mode_ == Mode::Paused                            ? lastPositionNs_
                                                           : parkedPositionNs_;
    *position = positionNs / NS_PER_REFTIME;
    return S_OK_STATUS;
}

HResult GstFilterGraph::SetPositions(RefTime absolute)
{
    if (absolute < 0 || absolute > G_MAXINT64 / NS_PER_REFTIME) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (mode_ == Mode::Empty) {
        return E_FAIL_STATUS;
    }
    const std::int64_t target = absolute * NS_PER_REFTIME;
    lastPositionNs_ = target;
    if (!IsActive()) {
        parkedPositionNs_ = target;
        return S_OK_STATUS;
    }
    PostSeek();
    return S_OK_STATUS;
}

HResult GstFilterGraph::SetRate(double rate)
{
    if (!(rate > 0)) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (mode_ == Mode::Empty) {
        return E_FAIL_STATUS;
    }
    if (IsActive()) {
        if (mode_ == Mode::Playing) {
            lastPositionNs_ = QueryPositionNs();
        }
        rate_ = rate;
        PostSeek();
        return S_OK_STATUS;
    }
    rate_ = rate;
    return S_OK_STATUS;
}

HResult GstFilterGraph::GetRate(double* rate)
{
    if (rate == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    *rate = rate_;
    return S_OK_STATUS;
}

// ---- Volume and balance ------------------------------------------------------------------------

HResult GstFilterGraph::PutVolume(long level)
{
    if (level < MIN_LEVEL || level > 0) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (!gainStage_) {
        return E_FAIL_STATUS;
    }
    level_ = level;
    ApplyLevels();
    return S_OK_STATUS;
}

HResult GstFilterGraph::PutTrim(double gainDb)
{
    if (!(gainDb >= MIN_TRIM_DB && gainDb <= MAX_TRIM_DB)) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (!gainStage_) {
        return E_FAIL_STATUS;
    }
    trimDb_ = gainDb;
    SetGainStageTrim(gainStage_.get(), trimDb_);
    return S_OK_STATUS;
}

HResult GstFilterGraph::PutDuck(double attenuationDb, unsigned glideMs)
{
    if (!(attenuationDb >= 0.0 && attenuationDb <= MAX_DUCK_DB) || glideMs > MAX_GLIDE_MS) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (!gainStage_) {
        return E_FAIL_STATUS;
    }
    duckDb_ = attenuationDb;
    SetGainStageDuck(gainStage_.get(), duckDb_, glideMs);
    return S_OK_STATUS;
}

HResult GstFilterGraph::GetVolume(long* level)
{
    if (level == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (!gainStage_) {
        return E_FAIL_STATUS;
    }
    *level = level_;
    return S_OK_STATUS;
}

HResult GstFilterGraph::PutBalance(long balance)
{
    if (balance < -MAX_BALANCE || balance > MAX_BALANCE) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (!gainStage_) {
        return E_FAIL_STATUS;
    }
    balance_ = balance;
    ApplyLevels();
    return S_OK_STATUS;
}

HResult GstFilterGraph::GetBalance(long* balance)
{
    if (balance == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (!gainStage_) {
        return E_FAIL_STATUS;
    }
    *balance = balance_;
    return S_OK_STATUS;
}

// ---- Events ------------------------------------------------------------------------------------

HResult GstFilterGraph::SetNotify(std::function<void()> notify)
{
    notify_ = std::move(notify);
    if (!notify_) {
        scheduledNotify_.reset();
    } else if (!events_.empty()) {
        // Events queued while nobody listened are announced from the main loop, not from inside this call.
        ScheduleNotify();
    }
    return S_OK_STATUS;
}

bool GstFilterGraph::GetEvent(long* code, long* param)
{
    if (code == nullptr || events_.empty()) {
        return false;
    }
    *code = events_.front().code;
    if (param != nullptr) {
        *param = events_.front().param;
    }
    events_.pop_front();
    return true;
}

gboolean GstFilterGraph::OnBusMessage(GstBus* /*bus*/, GstMessage* message, gpointer data)
{
    static_cast<GstFilterGraph*>(data)->HandleMessage(message);
    // The graph may be gone by now (a listener may close the stream): nothing may touch it here.
    return G_SOURCE_CONTINUE;
}

void GstFilterGraph::HandleMessage(GstMessage* message)
{
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_APPLICATION) {
        // The worker's reports of the current pipeline hold whatever the generation.
        if (gst_message_has_name(message, PREROLLED_MESSAGE)) {
            if (mode_ == Mode::Empty) {
                return;
            }
            (void)WaitPrerolled();
            if (Failed(shared_->prerollStatus)) {
                GST_WARNING("the file does not play (0x%08x)", static_cast<unsigned>(shared_->prerollStatus));
                Fail(EC_RENDER_FAILED, shared_->prerollStatus);
                renderStatus_ = shared_->prerollStatus;
            }
        } else if (gst_message_has_name(message, COMMAND_FAILED_MESSAGE)) {
            gint status = E_FAIL_STATUS;
            gst_structure_get_int(gst_message_get_structure(message), "status", &status);
            Fail(EC_COMMAND_FAILED, status);
        }
        return;
    }
    const auto stamp = reinterpret_cast<std::uintptr_t>(
        gst_mini_object_get_qdata(GST_MINI_OBJECT_CAST(message), GenerationQuark()));
    if (stamp != shared_->generation.load()) {
        return;
    }
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        if (mode_ == Mode::Playing) {
            QueueEvent(EC_COMPLETE, NO_PARAM);
        }
        return;
    case GST_MESSAGE_ERROR: {
        GErrorOut error;
        GCharPtr debug;
        gchar* details = nullptr;
        gst_message_parse_error(message, error.out(), &details);
        debug.reset(details);
        GST_WARNING_OBJECT(
            GST_MESSAGE_SRC(message), "stream failed: %s (%s)", error.message(), debug ? debug.get() : "");
        if (IsDeviceLostError(message)) {
            Fail(EC_DEVICE_LOST, NO_PARAM);
        } else if (!prerolled_) {
            Fail(EC_RENDER_FAILED, E_UNSUPPORTED_STATUS);
        } else {
            Fail(EC_ERRORABORT, NO_PARAM);
        }
        return;
    }
    default:
        return;
    }
}

void GstFilterGraph::Fail(long code, long param)
{
    if (mode_ == Mode::Empty || failureReported_) {
        return;
    }
    failureReported_ = true;
    if (code == EC_RENDER_FAILED) {
        renderStatus_ = param;
    }
    Park(Mode::Failed);
    QueueEvent(code, param);
}

void GstFilterGraph::QueueEvent(long code, long param)
{
    events_.push_back({ code, param });
    if (notify_) {
        // A copy: the listener may replace the notification, or release the graph, while it runs.
        const std::function<void()> notify = notify_;
        notify();
    }
}

void GstFilterGraph::ScheduleNotify()
{
    if (scheduledNotify_) {
        return;
    }
    GSource* idle = g_idle_source_new();
    g_source_set_callback(idle, OnScheduledNotify, this, nullptr);
    g_source_attach(idle, context_.get());
    scheduledNotify_ = AttachedSource(idle);
}

gboolean GstFilterGraph::OnScheduledNotify(gpointer data)
{
    auto* graph = static_cast<GstFilterGraph*>(data);
    graph->scheduledNotify_.reset();
    if (graph->notify_ && !graph->events_.empty()) {
        const std::function<void()> notify = graph->notify_;
        notify();
    }
    return G_SOURCE_REMOVE;
}

// ---- Format at a filter's input ----------------------------------------------------------------

HResult GstFilterGraph::GetInputPinFormat(
    const std::shared_ptr<IFilter>& filter, bool* hasPin, WaveFormat* format, bool* exactWaveFormat)
{
    if (hasPin == nullptr || format == nullptr || exactWaveFormat == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    *hasPin = false;
    *exactWaveFormat = false;
    const std::size_t index = IndexOf(filter.get());
    if (index == entries_.size()) {
        return E_NOT_FOUND_STATUS;
    }
    GstElement* element = entries_[index].filter->Element();
    GRef<GstPad> pad = FirstSinkPad(element);
    if (!pad) {
        return E_NOT_FOUND_STATUS;
    }
    *hasPin = true;
    GRef<GstCaps> caps = GRef<GstCaps>::Adopt(gst_pad_get_current_caps(pad.get()));
    if (!caps && element == renderer_.get() && mode_ != Mode::Empty) {
        if (!WaitPrerolled()) {
            // Still being opened: no format yet, which is no failure either.
            return S_OK_STATUS;
        }
        // A graph that is not running keeps the format that it negotiated, as a stopped connection does.
        caps = rendererCaps_;
    }
    GstAudioInfo info;
    if (!caps || !gst_audio_info_from_caps(&info, caps.get())) {
        return E_FAIL_STATUS;
    }
    const GstAudioFormatInfo* formatInfo = info.finfo;
    format->channels = static_cast<std::uint16_t>(GST_AUDIO_INFO_CHANNELS(&info));
    format->samplesPerSec = static_cast<std::uint32_t>(GST_AUDIO_INFO_RATE(&info));
    format->bitsPerSample = static_cast<std::uint16_t>(GST_AUDIO_FORMAT_INFO_WIDTH(formatInfo));
    format->blockAlign = static_cast<std::uint16_t>(GST_AUDIO_INFO_BPF(&info));
    format->avgBytesPerSec = format->samplesPerSec * format->blockAlign;

    // What the plain wave format describes: little-endian integer PCM with every bit of its container
    // used (8-bit unsigned, wider signed), mono or stereo.
    const int width = GST_AUDIO_FORMAT_INFO_WIDTH(formatInfo);
    const bool integer = GST_AUDIO_FORMAT_INFO_IS_INTEGER(formatInfo);
    const bool packed = GST_AUDIO_FORMAT_INFO_DEPTH(formatInfo) == width;
    const bool signedness = GST_AUDIO_FORMAT_INFO_IS_SIGNED(formatInfo) == (width > 8);
    const bool littleEndian = width == 8 || GST_AUDIO_FORMAT_INFO_IS_LITTLE_ENDIAN(formatInfo);
    *exactWaveFormat = integer && packed && signedness && littleEndian && GST_AUDIO_INFO_CHANNELS(&info) <= 2
        && GST_AUDIO_INFO_LAYOUT(&info) == GST_AUDIO_LAYOUT_INTERLEAVED;
    return S_OK_STATUS;
}

} // namespace sonarel::gst
