// The graph's filters and the chain that RenderFile builds from them: file source, decoder, converter,
// resampler, the caller's filters, the gain stage and the renderer.

#include "control/gst/GstFilterGraphShared.h"

#include "control/gst/GainStage.h"
#include "control/gst/GstRuntime.h"
#include "control/gst/PulseSink.h"

#include <gst/audio/audio.h>

#include <algorithm>

#define GST_CAT_DEFAULT sonarel::gst::DebugCategory()

namespace sonarel::gst {

namespace {

    // The renderer's buffer: 200 ms in the sound server, written in 50 ms segments. Longer segments
    // than the default 10 ms save most of the wake-ups of eight streams; the buffer, and so the
    // delay before a volume change is heard, stays PulseAudio's default.
    constexpr gint64 RENDERER_BUFFER_US = 200000;
    constexpr gint64 RENDERER_SEGMENT_US = 50000;

    constexpr const char* DEFAULT_RENDERER_NAME = "Default DirectSound Device";

} // namespace

// ---- Filters -----------------------------------------------------------------------------------

HResult GstFilterGraph::AddFilter(std::shared_ptr<IFilter> filter, const std::string& name)
{
    auto element = std::dynamic_pointer_cast<GstElementFilter>(filter);
    if (!element || element->Element() == nullptr || IndexOf(element.get()) != m_entries.size()) {
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
        || !gst_bin_add(GST_BIN(m_pipeline.get()), element)) {
        return E_FAIL_STATUS;
    }
    m_entries.push_back(Entry { std::move(filter), unique, chain, false });
    return S_OK_STATUS;
}

std::shared_ptr<IFilter> GstFilterGraph::FirstFilter()
{
    return m_entries.empty() ? nullptr : m_entries.front().Filter;
}

HResult GstFilterGraph::RemoveFilter(const std::shared_ptr<IFilter>& filter)
{
    const std::size_t index = IndexOf(filter.get());
    if (index == m_entries.size()) {
        return E_NOT_FOUND_STATUS;
    }
    if (m_started) {
        // The rendering is taken apart: its pipeline may be streaming, or stuck in a read.
        RetirePipeline();
    }
    if (!m_entries[index].Retired) {
        GstElement* element = m_entries[index].Filter->Element();
        if (element == m_renderer.get()) {
            m_renderer.reset();
            m_rendererCaps.reset();
        }
        if (element == m_gainStage.get()) {
            m_gainStage.reset();
        }
        {
            const std::lock_guard lock(m_shared->Mutex);
            if (element == m_shared->Converter.get()) {
                m_shared->Converter.reset();
            }
        }
        gst_bin_remove(GST_BIN(m_pipeline.get()), element);
        m_mode = Mode::Empty;
    }
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
    return S_OK_STATUS;
}

std::size_t GstFilterGraph::IndexOf(const IFilter* filter) const
{
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
        [filter](const Entry& entry) { return entry.Filter.get() == filter; });
    return static_cast<std::size_t>(it - m_entries.begin());
}

std::shared_ptr<IFilter> GstFilterGraph::FindFilterByName(const std::string& name)
{
    const auto it = std::find_if(
        m_entries.begin(), m_entries.end(), [&name](const Entry& entry) { return entry.Name == name; });
    return it == m_entries.end() ? nullptr : it->Filter;
}

// ---- Rendering ---------------------------------------------------------------------------------

HResult GstFilterGraph::RenderFile(const std::string& path)
{
    if (m_started) {
        // Rendered before: the filters the caller added go with the old pipeline.
        RetirePipeline();
    }
    m_events.clear();
    m_mode = Mode::Empty;
    // A chain left by an earlier rendering that never ran goes first; what the caller added stays.
    for (std::size_t index = m_entries.size(); index-- > 0;) {
        if (m_entries[index].Chain || m_entries[index].Retired) {
            (void)RemoveFilter(m_entries[index].Filter);
        }
    }
    m_parkedPositionNs = 0;
    m_lastPositionNs = 0;
    m_durationNs = -1;
    m_rate = 1.0;
    m_level = 0;
    m_balance = 0;
    m_prerolled = false;
    m_prerollWaited = false;
    m_failureReported = false;
    m_renderStatus = S_OK_STATUS;
    m_rendererCaps.reset();

    const HResult status = BuildChain(path);
    if (Failed(status)) {
        return status;
    }
    m_mode = Mode::Parked;
    PostPreroll(path);
    return S_OK_STATUS;
}

HResult GstFilterGraph::BuildChain(const std::string& path)
{
    // The caller's filters: the renderer (the one sink) and the filters to pass through, in order.
    GstElement* renderer = nullptr;
    std::vector<GstElement*> transforms;
    for (const Entry& entry : m_entries) {
        GstElement* element = entry.Filter->Element();
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
        const std::lock_guard lock(m_shared->Mutex);
        m_shared->Converter = converter;
        m_shared->AudioLinked = false;
    }
    m_padAdded = SignalConnection(decoder.get(),
        g_signal_connect_data(
            decoder.get(), "pad-added", G_CALLBACK(Shared::OnPadAdded), HoldShared(m_shared),
            +[](gpointer data, GClosure*) { ReleaseShared<Shared>(data); }, static_cast<GConnectFlags>(0)));
    m_noMorePads = SignalConnection(decoder.get(),
        g_signal_connect_data(
            decoder.get(), "no-more-pads", G_CALLBACK(Shared::OnNoMorePads), HoldShared(m_shared),
            +[](gpointer data, GClosure*) { ReleaseShared<Shared>(data); }, static_cast<GConnectFlags>(0)));

    m_renderer = GRef<GstElement>::Ref(renderer);
    m_gainStage = std::move(gainStage);
    ApplyLevels();
    return S_OK_STATUS;
}

} // namespace sonarel::gst
