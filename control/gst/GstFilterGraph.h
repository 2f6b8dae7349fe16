#pragma once

// One stream's graph on GStreamer: a pipeline that is created once and reused across opens.
//
// Threading: every method runs on the control's thread, the one whose thread-default main context
// the platform captured. GStreamer's streaming threads and PulseAudio's thread run only the static
// callbacks in the .cpp (bus sync handler, decoder pad callbacks, the renderer's probe); they share
// nothing with the control's thread but `Shared` (atomics and a mutex). Graph events reach the
// control's thread through a bus watch on the captured context, which is where the notification
// set by SetNotify is called; never from a streaming thread.
//
// Generations: every message is stamped, when it is posted, with the generation the graph is in;
// a stop, a seek, a new file or a failure starts a new generation, and the bus watch drops messages
// of an older one, so that the end of a file that was stopped, seeked away from or replaced never
// completes the stream's next file.
//
// Pipeline states: PulseAudio starts a stream late by as long as it was held PAUSED before its first
// PLAYING, so a graph that is not playing is parked in READY: RenderFile prerolls (to check that the
// file plays and learn its duration and format) and then parks; a stopped graph parks at its
// position; Run prerolls, seeks to the parked position and plays at once. Only a graph that has
// played sits in PAUSED. While parked, position, duration, seeking and the rate are answered and
// remembered without touching the pipeline.
//
// Seeks are flushing and accurate, and wait until the pipeline has settled, so that they never
// overlap and the next query sees the new place. The pipeline runs on the system clock: the
// renderer's own clock (PulseAudio's stream time) freezes after a flushing seek about half the time
// while the sound goes on, which would freeze every position.
//
// A named device: PulseAudio moves a stream whose device went away to the default device without an
// error, before any client hears of it. The renderer's probe sees that move on PulseAudio's thread and
// mutes the stream at once; the bus watch then stops the graph and queues EC_ERRORABORT. What the
// server had already mixed into the default device in between (a few milliseconds at most) cannot be
// called back.

#include "control/gst/GRef.h"
#include "control/gst/GstElementFilter.h"
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
    [[nodiscard]] HResult GetVolume(long* level) override;
    [[nodiscard]] HResult PutBalance(long balance) override;
    [[nodiscard]] HResult GetBalance(long* balance) override;

    [[nodiscard]] HResult SetNotify(std::function<void()> notify) override;
    [[nodiscard]] bool GetEvent(long* code) override;

    [[nodiscard]] HResult GetInputPinFormat(const std::shared_ptr<IFilter>& filter, bool* hasPin,
        WaveFormat* format, bool* exactWaveFormat) override;

    // State shared with GStreamer's threads; defined in the .cpp.
    struct Shared;

private:
    enum class Mode {
        Empty, // nothing rendered (or the rendering was taken apart)
        Parked, // rendered, READY, at parkedPosition_ (stopped, or not played yet)
        Paused, // PAUSED after having played
        Playing,
        Failed, // stopped by an error, READY, at parkedPosition_
    };
    struct Entry {
        std::shared_ptr<GstElementFilter> filter;
        std::string name;
        bool chain = false; // made by RenderFile rather than added by the caller
    };

    explicit GstFilterGraph(GMainContext* context);
    [[nodiscard]] bool Initialize();

    [[nodiscard]] HResult AddEntry(
        std::shared_ptr<GstElementFilter> filter, const std::string& name, bool chain);
    void RemoveEntry(std::size_t index);
    [[nodiscard]] std::size_t IndexOf(const IFilter* filter) const;
    [[nodiscard]] HResult BuildChain(const std::string& path);
    void InstallDeviceWatch(GstElement* renderer);

    [[nodiscard]] HResult Preroll();
    [[nodiscard]] HResult SeekTo(std::int64_t positionNs, double rate);
    void Park(Mode mode);
    void ApplyLevels();
    [[nodiscard]] bool IsActive() const { return mode_ == Mode::Paused || mode_ == Mode::Playing; }
    [[nodiscard]] std::int64_t QueryPositionNs();
    void NextGeneration();

    static gboolean OnBusMessage(GstBus* bus, GstMessage* message, gpointer data);
    void HandleMessage(GstMessage* message);
    void Fail();
    void QueueEvent(long code);
    void ScheduleNotify();
    static gboolean OnScheduledNotify(gpointer data);

    GRef<GMainContext> context_;
    GRef<GstElement> pipeline_;
    GRef<GstBus> bus_;
    std::shared_ptr<Shared> shared_;
    AttachedSource busWatch_;
    AttachedSource scheduledNotify_;

    std::vector<Entry> entries_;
    GRef<GstElement> renderer_; // of the current rendering
    GRef<GstElement> decoder_;
    GRef<GstElement> gainStage_;
    GRef<GstCaps> rendererCaps_; // negotiated at the renderer while the graph last ran
    std::string rendererDevice_; // the named device the renderer must stay on; empty for the default
    PadProbe deviceWatch_;
    SignalConnection padAdded_;
    SignalConnection noMorePads_;

    Mode mode_ = Mode::Empty;
    std::int64_t parkedPositionNs_ = 0;
    std::int64_t lastPositionNs_ = 0;
    std::int64_t durationNs_ = -1; // -1: unknown
    double rate_ = 1.0;
    long level_ = 0;
    long balance_ = 0;

    std::deque<long> events_;
    std::function<void()> notify_;
};

} // namespace sonarel::gst
