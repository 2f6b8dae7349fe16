#pragma once

// The thread that runs one pipeline's blocking operations (state changes, prerolls, seeks), one
// after the other in the order they were posted, so that the control's thread never waits for a
// file or a device. Jobs report back through the pipeline's bus, which the graph watches on the
// control's thread.
//
// Retire() lets the pipeline go without waiting: jobs not yet started are dropped, and the thread
// takes the pipeline to NULL and drops it, however long a stalled read holds it there. The thread
// is taken with the first job from the process's idle worker threads (or made), and goes back to
// them once its pipeline is gone; one idle for half a minute ends. A worker that never got a job
// takes its pipeline down at once.

#include "control/gst/GRef.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace sonarel::gst {

class PipelineWorker {
public:
    using Job = std::function<void(GstElement* pipeline)>;

    explicit PipelineWorker(GRef<GstElement> pipeline);
    // Retires the pipeline if that has not been done.
    ~PipelineWorker();
    PipelineWorker(const PipelineWorker&) = delete;
    PipelineWorker& operator=(const PipelineWorker&) = delete;

    void Post(Job job);
    void Retire();

    // Jobs posted and not finished yet; any thread.
    [[nodiscard]] bool Busy() const;

private:
    struct Queue;
    // Hands the queue to an idle thread, or to a new one.
    static void Start(std::shared_ptr<Queue> queue);
    // A worker thread: serves queues until none comes for a while.
    static void Serve(std::shared_ptr<Queue> queue);
    // Runs one queue's jobs until it is retired, then takes its pipeline down.
    static void Run(const std::shared_ptr<Queue>& queue);

    std::shared_ptr<Queue> m_queue;
    bool m_started = false;
};

} // namespace sonarel::gst
