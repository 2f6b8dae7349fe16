#pragma once

// The thread that runs one pipeline's blocking operations (state changes, prerolls, seeks), one
// after the other in the order they were posted, so that the control's thread never waits for a
// file or a device. Jobs report back through the pipeline's bus, which the graph watches on the
// control's thread.
//
// Retire() lets the pipeline go without waiting: jobs not yet started are dropped, and the thread
// takes the pipeline to NULL and drops it, however long a stalled read holds it there, then ends.
// The thread starts with the first job; a worker that never got one ends with its owner.

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
    static void Run(const std::shared_ptr<Queue>& queue);

    std::shared_ptr<Queue> queue_;
    bool started_ = false;
};

} // namespace sonarel::gst
