#pragma once

// One stream's graph on GStreamer: a pipeline that is created once and reused across opens.
//
// Threading: every method runs on the control's thread, the one whose thread-default main context
// the platform captured. GStreamer's streaming threads and PulseAudio's thread run only the static
// callbacks of `Shared` (GstFilterGraphShared.cpp: bus sync handler, decoder pad callbacks); they share
// with the control's thread only `Shared` (atomics and a mutex) and the gain stage's levels (under
// that element's object lock). Graph events reach the
// control's thread through a bus watch on the captured context, which is where the notification
// set by SetNotify is called; never from a streaming thread.
//
// Generations: every message is stamped, when it is posted, with the generation the graph is in;
// a stop, a seek, a new file or a failure starts a new generation, and the bus watch drops messages
// of an older one, so that the end of a file that was stopped, seeked away from or replaced never
// completes the stream's next file.
//
// Nothing here waits for a file or a device. Every operation that may block (a state change, a
// preroll, a seek) runs on the pipeline's own worker thread (PipelineWorker), in the order the
// methods asked for them; the methods return at once with what the graph will be, and answer queries
// from what they asked for until the pipeline has got there. RenderFile builds the chain and returns;
// the worker prerolls it (to check that the file plays and learn its duration and format) and leaves
// it PAUSED. A failure found later is queued as a graph event: EC_RENDER_FAILED when the file does not
// play, EC_DEVICE_LOST when the renderer's device (or the server) went away, EC_COMMAND_FAILED when a
// transport command failed, EC_ERRORABORT when a playing file broke off.
//
// A rendering's pipeline is used once: taking it apart (the first RemoveFilter, or a new RenderFile)
// retires it to its worker, which takes it down however long a stalled read holds it, and the graph
// goes on with a fresh pipeline. The filters still listed from the old one are forgotten as they are
// removed.
//
// Seeks are flushing and accurate and run one at a time. The pipeline runs on the system clock:
// the renderer's own clock may freeze after a flushing seek while the sound goes on.
//
// A named device: the renderer (PulseSink) is created unmovable, so the server ends its stream
// rather than move it to another device when the device goes away; the graph then stops, silent.

#include "control/gst/GRef.h"
#include "control/gst/GstElementFilter.h"
#include "control/gst/PipelineWorker.h"
#include "control/platform/Platform.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sonarel::gst {

class GstFilterGraph final : public IFilterGraph {
public:
    // nullptr when GStreamer cannot make a pipeline. Events are delivered on `context`.
    [[nodiscard]] static std::unique_ptr<GstFilterGraph> Create(GMainContext* context);
    ~GstFilterGraph() override;
    GstFilterGraph(const GstFilterGraph&) = delete;
    GstFilterGraph& operator=(const GstFilterGraph&) = delete;

    [[nodiscard]] HResult AddFilter(std::shared_ptr<IFilter> filter, const std::string& name) override;
    [[nodiscard]] std::shared_ptr<IFilter> FirstFilter() override;
    HResult RemoveFilter(const std::shared_ptr<IFilter>& filter) override;
    [[nodiscard]] std::shared_ptr<IFilter> FindFilterByName(const std::string& name) override;
    [[nodiscard]] HResult RenderFile(const std::string& path) override;

    [[nodiscard]] HResult Run() override;
    [[nodiscard]] HResult Pause() override;
    [[nodiscard]] HResult Stop() override;

    [[nodiscard]] HResult GetDuration(RefTime* duration) override;
    [[nodiscard]] HResult GetCurrentPosition(RefTime* position) override;
    [[nodiscard]] HResult SetPositions(RefTime absolute) override;
    [[nodiscard]] HResult SetRate(double rate) override;
    [[nodiscard]] HResult GetRate(double* rate) override;

    [[nodiscard]] HResult PutVolume(long level) override;
    [[nodiscard]] HResult PutTrim(double gainDb) override;
    [[nodiscard]] HResult PutDuck(double attenuationDb, unsigned glideMs) override;
    [[nodiscard]] HResult GetVolume(long* level) override;
    [[nodiscard]] HResult PutBalance(long balance) override;
    [[nodiscard]] HResult GetBalance(long* balance) override;

    [[nodiscard]] HResult SetNotify(std::function<void()> notify) override;
    [[nodiscard]] bool GetEvent(long* code, long* param) override;

    [[nodiscard]] HResult GetInputPinFormat(const std::shared_ptr<IFilter>& filter, bool* hasPin,
        WaveFormat* format, bool* exactWaveFormat) override;

    // State shared with GStreamer's threads; defined in GstFilterGraphShared.h.
    struct Shared;

private:
    enum class Mode {
        Empty, // nothing rendered (or the rendering was taken apart)
        Parked, // rendered, not playing, at m_parkedPositionNs (stopped, or not played yet)
        Paused, // paused after having played
        Playing,
        Failed, // stopped by an error, at m_parkedPositionNs
    };
    struct Entry {
        std::shared_ptr<GstElementFilter> Filter;
        std::string Name;
        bool Chain = false; // made by RenderFile rather than added by the caller
        bool Retired = false; // its pipeline was retired: only listed until it is removed
    };
    struct Event {
        long Code;
        long Param;
    };

    explicit GstFilterGraph(GMainContext* context);
    [[nodiscard]] bool NewPipeline();
    void RetirePipeline();

    [[nodiscard]] HResult AddEntry(
        std::shared_ptr<GstElementFilter> filter, const std::string& name, bool chain);
    [[nodiscard]] std::size_t IndexOf(const IFilter* filter) const;
    [[nodiscard]] HResult BuildChain(const std::string& path);

    void Post(PipelineWorker::Job job);
    void PostPreroll(const std::string& path);
    void PostPlay(bool seek);
    void PostSeek();
    void Park(Mode mode);
    [[nodiscard]] bool Settling() const;
    [[nodiscard]] bool WaitPrerolled();
    void ApplyLevels();
    [[nodiscard]] bool IsActive() const { return m_mode == Mode::Paused || m_mode == Mode::Playing; }
    [[nodiscard]] std::int64_t QueryPositionNs();

    static gboolean OnBusMessage(GstBus* bus, GstMessage* message, gpointer data);
    void HandleMessage(GstMessage* message);
    void Fail(long code, long param);
    void QueueEvent(long code, long param);
    void ScheduleNotify();
    static gboolean OnScheduledNotify(gpointer data);

    GRef<GMainContext> m_context;
    GRef<GstElement> m_pipeline;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<PipelineWorker> m_worker;
    AttachedSource m_busWatch;
    AttachedSource m_scheduledNotify;
    bool m_started = false; // the worker has been given the pipeline

    std::vector<Entry> m_entries;
    GRef<GstElement> m_renderer; // of the current rendering
    GRef<GstElement> m_gainStage;
    GRef<GstCaps> m_rendererCaps; // negotiated at the renderer by the preroll
    SignalConnection m_padAdded;
    SignalConnection m_noMorePads;

    Mode m_mode = Mode::Empty;
    bool m_prerolled = false; // the worker has reported the rendering's preroll
    bool m_prerollWaited = false; // a query has already waited for that report
    bool m_failureReported = false; // of the current rendering or run
    HResult m_renderStatus = S_OK_STATUS; // a failure: the rendered file does not play
    std::int64_t m_parkedPositionNs = 0;
    std::int64_t m_lastPositionNs = 0;
    std::int64_t m_durationNs = -1; // -1: unknown
    double m_rate = 1.0;
    long m_level = 0;
    long m_balance = 0;

    std::deque<Event> m_events;
    std::function<void()> m_notify;
};

} // namespace sonarel::gst
