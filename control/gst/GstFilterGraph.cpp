#include "control/gst/GstFilterGraph.h"

#include "control/gst/DurationProbe.h"
#include "control/gst/GainStage.h"
#include "control/gst/GstFilterGraphShared.h"
#include "control/gst/GstRuntime.h"
#include "control/gst/PulseSink.h"

#include <gst/audio/audio.h>

#define GST_CAT_DEFAULT sonarel::gst::DebugCategory()

namespace sonarel::gst {

namespace {

    constexpr auto DURATION_PROBE_TIMEOUT = std::chrono::seconds(2);
    // How long a query that needs the duration waits on the control's thread for a preroll under way.
    constexpr auto PREROLL_QUERY_BUDGET = std::chrono::milliseconds(40);

    constexpr long MIN_LEVEL = -10000;
    constexpr double MIN_TRIM_DB = -40.0;
    constexpr double MAX_TRIM_DB = 30.0;
    constexpr double MAX_DUCK_DB = 60.0;
    constexpr unsigned MAX_GLIDE_MS = 10000;
    constexpr long NO_PARAM = 0;
    constexpr long MAX_BALANCE = 10000;
    constexpr std::int64_t NS_PER_REFTIME = 100;

} // namespace

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
    : m_context(GRef<GMainContext>::Ref(context))
{
}

bool GstFilterGraph::NewPipeline()
{
    m_pipeline = GRef<GstElement>::Adopt(gst_pipeline_new(nullptr));
    if (!m_pipeline) {
        return false;
    }
    m_shared = std::make_shared<Shared>();
    m_shared->Pipeline = m_pipeline.get();
    // The renderer's own clock may stop advancing after a flushing seek although the sound goes on:
    // positions would freeze. The system clock, to which the renderer then slaves, always runs.
    GRef<GstClock> clock = GRef<GstClock>::Adopt(gst_system_clock_obtain());
    gst_pipeline_use_clock(GST_PIPELINE(m_pipeline.get()), clock.get());
    GRef<GstBus> bus = GRef<GstBus>::Adopt(gst_element_get_bus(m_pipeline.get()));
    gst_bus_set_sync_handler(bus.get(), Shared::OnBusSync, HoldShared(m_shared), ReleaseShared<Shared>);

    // Owned from its creation: destroying a source that was never attached is harmless.
    m_busWatch = AttachedSource(gst_bus_create_watch(bus.get()));
    g_source_set_callback(m_busWatch.get(), G_SOURCE_FUNC(OnBusMessage), this, nullptr);
    g_source_attach(m_busWatch.get(), m_context.get());
    m_worker = std::make_unique<PipelineWorker>(m_pipeline);
    m_started = false;
    return true;
}

void GstFilterGraph::RetirePipeline()
{
    // Nothing of the old pipeline reaches this graph any more; its worker ends what it waits for and
    // takes it down.
    m_shared->Retire();
    m_busWatch.reset();
    m_padAdded.reset();
    m_noMorePads.reset();
    m_worker->Retire();
    m_worker.reset();
    for (Entry& entry : m_entries) {
        entry.Retired = true;
    }
    m_renderer.reset();
    m_gainStage.reset();
    if (m_mode != Mode::Empty) {
        m_mode = Mode::Empty;
    }
    if (!NewPipeline()) {
        GST_ERROR("cannot make a new pipeline");
    }
}

GstFilterGraph::~GstFilterGraph()
{
    if (m_shared) {
        m_shared->Retire();
    }
    m_busWatch.reset();
    m_scheduledNotify.reset();
    m_padAdded.reset();
    m_noMorePads.reset();
    if (m_worker) {
        m_worker->Retire();
    }
}

// ---- The worker's jobs -------------------------------------------------------------------------

void GstFilterGraph::Post(PipelineWorker::Job job)
{
    m_started = true;
    m_worker->Post(std::move(job));
}

void GstFilterGraph::PostPreroll(const std::string& path)
{
    // The worker holds its own references: the graph may retire the pipeline meanwhile.
    Post([shared = m_shared, renderer = m_renderer, path](GstElement* pipeline) {
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
            const std::lock_guard lock(shared->Mutex);
            shared->Prerolled = true;
            shared->PrerollStatus = status;
            shared->DurationNs = duration;
        }
        shared->Changed.notify_all();
        gst_element_post_message(pipeline,
            gst_message_new_application(GST_OBJECT(pipeline), gst_structure_new_empty(PREROLLED_MESSAGE)));
        if (Failed(status)) {
            shared->Generation.fetch_add(1);
            gst_element_set_state(pipeline, GST_STATE_READY);
        }
    });
}

void GstFilterGraph::PostPlay(bool seek)
{
    Post([shared = m_shared, renderer = m_renderer, seek, position = m_parkedPositionNs, rate = m_rate](
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
    m_shared->Generation.fetch_add(1);
    Post([shared = m_shared, position = m_lastPositionNs, rate = m_rate](GstElement* pipeline) {
        if (Failed(Shared::Seek(pipeline, *shared, position, rate))) {
            GST_WARNING("cannot seek to %" G_GINT64_FORMAT " ns", position);
        }
    });
}

void GstFilterGraph::Park(Mode mode)
{
    if (IsActive()) {
        m_parkedPositionNs = m_mode == Mode::Playing ? QueryPositionNs() : m_lastPositionNs;
    }
    m_shared->Generation.fetch_add(1);
    Post([shared = m_shared](GstElement* pipeline) {
        shared->Generation.fetch_add(1);
        gst_element_set_state(pipeline, GST_STATE_READY);
    });
    m_mode = mode;
}

bool GstFilterGraph::Settling() const
{
    return m_worker->Busy();
}

bool GstFilterGraph::WaitPrerolled()
{
    if (!m_prerolled) {
        // Only the first query of a rendering waits: the tick of a stream whose file hangs must not
        // hold the caller again and again.
        const auto budget = m_prerollWaited ? std::chrono::milliseconds(0) : PREROLL_QUERY_BUDGET;
        m_prerollWaited = true;
        std::unique_lock lock(m_shared->Mutex);
        m_shared->Changed.wait_for(lock, budget, [&] { return m_shared->Prerolled; });
        if (!m_shared->Prerolled) {
            return false;
        }
        // The bus message will say so too; taking it now answers the query that waits for it.
        m_prerolled = true;
        m_durationNs = m_shared->DurationNs;
        m_rendererCaps = m_shared->RendererCaps;
    }
    return true;
}

void GstFilterGraph::ApplyLevels()
{
    if (m_gainStage) {
        SetGainStageLevels(m_gainStage.get(), m_level, m_balance);
    }
}

std::int64_t GstFilterGraph::QueryPositionNs()
{
    gint64 position = 0;
    if (!Settling() && gst_element_query_position(m_pipeline.get(), GST_FORMAT_TIME, &position)
        && position >= 0) {
        m_lastPositionNs = position;
    }
    return m_lastPositionNs;
}

// ---- Transport ---------------------------------------------------------------------------------

HResult GstFilterGraph::Run()
{
    switch (m_mode) {
    case Mode::Empty:
        return E_FAIL_STATUS;
    case Mode::Playing:
        return S_OK_STATUS;
    case Mode::Paused:
        PostPlay(false);
        m_mode = Mode::Playing;
        return S_OK_STATUS;
    case Mode::Parked:
    case Mode::Failed:
        break;
    }
    if (Failed(m_renderStatus)) {
        return m_renderStatus;
    }
    m_failureReported = false;
    m_lastPositionNs = m_parkedPositionNs;
    PostPlay(m_parkedPositionNs != 0 || m_rate != 1.0);
    m_mode = Mode::Playing;
    return S_OK_STATUS;
}

HResult GstFilterGraph::Pause()
{
    if (m_mode == Mode::Playing) {
        m_lastPositionNs = QueryPositionNs();
        Post([shared = m_shared](GstElement* pipeline) {
            const Shared::Counters before = shared->Snapshot();
            if (gst_element_set_state(pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_ASYNC) {
                // Settled before the next job: a seek must not take the end of this change for its own.
                (void)shared->WaitAsyncDone(before, PREROLL_TIMEOUT);
            }
        });
        m_mode = Mode::Paused;
    }
    // A parked graph stays parked: it is cued at its position and starts from there.
    return S_OK_STATUS;
}

HResult GstFilterGraph::Stop()
{
    if (IsActive() || m_mode == Mode::Failed) {
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
    if (m_mode == Mode::Empty) {
        return E_FAIL_STATUS;
    }
    if (!WaitPrerolled() || (Failed(m_shared->PrerollStatus) && !m_failureReported)) {
        // Not known yet: the file is still being opened, or found not to play and about to be
        // reported so (as the open's failure, not as this query's).
        *duration = 0;
        return S_OK_STATUS;
    }
    gint64 queried = 0;
    if (IsActive() && !Settling() && gst_element_query_duration(m_pipeline.get(), GST_FORMAT_TIME, &queried)
        && queried > 0) {
        m_durationNs = queried;
    }
    if (m_durationNs < 0) {
        return E_FAIL_STATUS;
    }
    *duration = m_durationNs / NS_PER_REFTIME;
    return S_OK_STATUS;
}

HResult GstFilterGraph::GetCurrentPosition(RefTime* position)
{
    if (position == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (m_mode == Mode::Empty) {
        return E_FAIL_STATUS;
    }
    // A paused graph stays where it was paused (or sought to), whenever its pipeline gets there.
    const std::int64_t positionNs = m_mode == Mode::Playing ? QueryPositionNs()
        : m_mode == Mode::Paused                            ? m_lastPositionNs
                                                            : m_parkedPositionNs;
    *position = positionNs / NS_PER_REFTIME;
    return S_OK_STATUS;
}

HResult GstFilterGraph::SetPositions(RefTime absolute)
{
    if (absolute < 0 || absolute > G_MAXINT64 / NS_PER_REFTIME) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (m_mode == Mode::Empty) {
        return E_FAIL_STATUS;
    }
    const std::int64_t target = absolute * NS_PER_REFTIME;
    m_lastPositionNs = target;
    if (!IsActive()) {
        m_parkedPositionNs = target;
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
    if (m_mode == Mode::Empty) {
        return E_FAIL_STATUS;
    }
    if (IsActive()) {
        if (m_mode == Mode::Playing) {
            m_lastPositionNs = QueryPositionNs();
        }
        m_rate = rate;
        PostSeek();
        return S_OK_STATUS;
    }
    m_rate = rate;
    return S_OK_STATUS;
}

HResult GstFilterGraph::GetRate(double* rate)
{
    if (rate == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    *rate = m_rate;
    return S_OK_STATUS;
}

// ---- Volume and balance ------------------------------------------------------------------------

HResult GstFilterGraph::PutVolume(long level)
{
    if (level < MIN_LEVEL || level > 0) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (!m_gainStage) {
        return E_FAIL_STATUS;
    }
    m_level = level;
    ApplyLevels();
    return S_OK_STATUS;
}

HResult GstFilterGraph::PutTrim(double gainDb)
{
    if (!(gainDb >= MIN_TRIM_DB && gainDb <= MAX_TRIM_DB)) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (!m_gainStage) {
        return E_FAIL_STATUS;
    }
    SetGainStageTrim(m_gainStage.get(), gainDb);
    return S_OK_STATUS;
}

HResult GstFilterGraph::PutDuck(double attenuationDb, unsigned glideMs)
{
    if (!(attenuationDb >= 0.0 && attenuationDb <= MAX_DUCK_DB) || glideMs > MAX_GLIDE_MS) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (!m_gainStage) {
        return E_FAIL_STATUS;
    }
    SetGainStageDuck(m_gainStage.get(), attenuationDb, glideMs);
    return S_OK_STATUS;
}

HResult GstFilterGraph::GetVolume(long* level)
{
    if (level == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (!m_gainStage) {
        return E_FAIL_STATUS;
    }
    *level = m_level;
    return S_OK_STATUS;
}

HResult GstFilterGraph::PutBalance(long balance)
{
    if (balance < -MAX_BALANCE || balance > MAX_BALANCE) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (!m_gainStage) {
        return E_FAIL_STATUS;
    }
    m_balance = balance;
    ApplyLevels();
    return S_OK_STATUS;
}

HResult GstFilterGraph::GetBalance(long* balance)
{
    if (balance == nullptr) {
        return dsp::E_INVALIDARG_STATUS;
    }
    if (!m_gainStage) {
        return E_FAIL_STATUS;
    }
    *balance = m_balance;
    return S_OK_STATUS;
}

// ---- Events ------------------------------------------------------------------------------------

HResult GstFilterGraph::SetNotify(std::function<void()> notify)
{
    m_notify = std::move(notify);
    if (!m_notify) {
        m_scheduledNotify.reset();
    } else if (!m_events.empty()) {
        // Events queued while nobody listened are announced from the main loop, not from inside this call.
        ScheduleNotify();
    }
    return S_OK_STATUS;
}

bool GstFilterGraph::GetEvent(long* code, long* param)
{
    if (code == nullptr || m_events.empty()) {
        return false;
    }
    *code = m_events.front().Code;
    if (param != nullptr) {
        *param = m_events.front().Param;
    }
    m_events.pop_front();
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
            if (m_mode == Mode::Empty) {
                return;
            }
            (void)WaitPrerolled();
            if (Failed(m_shared->PrerollStatus)) {
                GST_WARNING(
                    "the file does not play (0x%08x)", static_cast<unsigned>(m_shared->PrerollStatus));
                Fail(EC_RENDER_FAILED, m_shared->PrerollStatus);
                m_renderStatus = m_shared->PrerollStatus;
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
    if (stamp != m_shared->Generation.load()) {
        return;
    }
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        if (m_mode == Mode::Playing) {
            QueueEvent(EC_COMPLETE, NO_PARAM);
        }
        return;
    case GST_MESSAGE_ERROR: {
        GErrorOut error;
        gchar* details = nullptr;
        gst_message_parse_error(message, error.out(), &details);
        const GCharPtr debug(details);
        GST_WARNING_OBJECT(
            GST_MESSAGE_SRC(message), "stream failed: %s (%s)", error.message(), debug ? debug.get() : "");
        if (IsDeviceLostError(message)) {
            Fail(EC_DEVICE_LOST, NO_PARAM);
        } else if (!m_prerolled || Failed(m_shared->PrerollStatus)) {
            // The file's failure to preroll, whether or not a query has already taken the worker's
            // verdict before this message came through.
            Fail(EC_RENDER_FAILED, m_prerolled ? m_shared->PrerollStatus : E_UNSUPPORTED_STATUS);
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
    if (m_mode == Mode::Empty || m_failureReported) {
        return;
    }
    m_failureReported = true;
    if (code == EC_RENDER_FAILED) {
        m_renderStatus = param;
    }
    Park(Mode::Failed);
    QueueEvent(code, param);
}

void GstFilterGraph::QueueEvent(long code, long param)
{
    m_events.push_back({ code, param });
    if (m_notify) {
        // A copy: the listener may replace the notification, or release the graph, while it runs.
        const std::function<void()> notify = m_notify;
        notify();
    }
}

void GstFilterGraph::ScheduleNotify()
{
    if (m_scheduledNotify) {
        return;
    }
    m_scheduledNotify = AttachedSource(g_idle_source_new());
    g_source_set_callback(m_scheduledNotify.get(), OnScheduledNotify, this, nullptr);
    g_source_attach(m_scheduledNotify.get(), m_context.get());
}

gboolean GstFilterGraph::OnScheduledNotify(gpointer data)
{
    auto* graph = static_cast<GstFilterGraph*>(data);
    graph->m_scheduledNotify.reset();
    if (graph->m_notify && !graph->m_events.empty()) {
        const std::function<void()> notify = graph->m_notify;
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
    if (index == m_entries.size()) {
        return E_NOT_FOUND_STATUS;
    }
    GstElement* element = m_entries[index].Filter->Element();
    GRef<GstPad> pad = FirstSinkPad(element);
    if (!pad) {
        return E_NOT_FOUND_STATUS;
    }
    *hasPin = true;
    GRef<GstCaps> caps = GRef<GstCaps>::Adopt(gst_pad_get_current_caps(pad.get()));
    if (!caps && element == m_renderer.get() && m_mode != Mode::Empty) {
        if (!WaitPrerolled()) {
            // Still being opened: no format yet, which is no failure either.
            return S_OK_STATUS;
        }
        // A graph that is not running keeps the format that it negotiated, as a stopped connection does.
        caps = m_rendererCaps;
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
