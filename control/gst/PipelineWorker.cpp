#include "control/gst/PipelineWorker.h"

#include <thread>
#include <utility>

namespace sonarel::gst {

struct PipelineWorker::Queue {
    GRef<GstElement> pipeline;
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> jobs;
    int unfinished = 0; // queued or running
    bool retired = false;
};

PipelineWorker::PipelineWorker(GRef<GstElement> pipeline)
    : queue_(std::make_shared<Queue>())
{
    queue_->pipeline = std::move(pipeline);
}

PipelineWorker::~PipelineWorker()
{
    Retire();
}

void PipelineWorker::Post(Job job)
{
    {
        const std::lock_guard lock(queue_->mutex);
        if (queue_->retired) {
            return;
        }
        queue_->jobs.push_back(std::move(job));
        ++queue_->unfinished;
    }
    if (!started_) {
        started_ = true;
        // Detached: it holds the queue, and nobody may have to wait for a stalled pipeline.
        std::thread([queue = queue_] { Run(queue); }).detach();
    } else {
        queue_->changed.notify_one();
    }
}

void PipelineWorker::Retire()
{
    {
        const std::lock_guard lock(queue_->mutex);
        if (queue_->retired) {
            return;
        }
        queue_->retired = true;
        queue_->unfinished -= static_cast<int>(queue_->jobs.size());
        queue_->jobs.clear();
    }
    if (started_) {
        queue_->changed.notify_one();
        return;
    }
    // Never ran: nothing streams, so the pipeline goes at once.
    if (queue_->pipeline) {
        gst_element_set_state(queue_->pipeline.get(), GST_STATE_NULL);
        queue_->pipeline.reset();
    }
}

bool PipelineWorker::Busy() const
{
    const std::lock_guard lock(queue_->mutex);
    return queue_->unfinished > 0;
}

void PipelineWorker::Run(const std::shared_ptr<Queue>& queue)
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(queue->mutex);
            queue->changed.wait(lock, [&] { return queue->retired || !queue->jobs.empty(); });
            if (queue->jobs.empty()) {
                break;
            }
            job = std::move(queue->jobs.front());
            queue->jobs.pop_front();
        }
        job(queue->pipeline.get());
        const std::lock_guard lock(queue->mutex);
        --queue->unfinished;
    }
    gst_element_set_state(queue->pipeline.get(), GST_STATE_NULL);
    queue->pipeline.reset();
}

} // namespace sonarel::gst
