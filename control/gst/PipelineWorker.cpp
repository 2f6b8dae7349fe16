#include "control/gst/PipelineWorker.h"

#include <chrono>
#include <thread>
#include <utility>

namespace sonarel::gst {

namespace {

    constexpr auto IDLE_THREAD_LIMIT = std::chrono::seconds(30);
    // Pipelines that may be on their way down at once before a retirement waits (a little) for one
    // of them: a caller that opens and closes streams in a tight loop must not outrun the machine.
    constexpr std::size_t MAX_RETIRING = 8;
    constexpr auto RETIRE_WAIT = std::chrono::milliseconds(40);

    struct Retiring {
        std::mutex mutex;
        std::condition_variable fewer;
        std::size_t count = 0;
    };

    // Never destroyed: detached threads may still use it while the process ends.
    Retiring& RetiringPipelines()
    {
        static auto* retiring = new Retiring();
        return *retiring;
    }

    // The process's worker threads that wait for a pipeline, and the queues waiting for one of them.
    template <typename Queue> struct IdleThreads {
        std::mutex mutex;
        std::condition_variable assigned;
        std::deque<std::shared_ptr<Queue>> waiting;
        std::size_t idle = 0;
    };

} // namespace

struct PipelineWorker::Queue {
    GRef<GstElement> pipeline;
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> jobs;
    int unfinished = 0; // queued or running
    bool retired = false;
};

PipelineWorker::PipelineWorker(GRef<GstElement> pipeline)
    : m_queue(std::make_shared<Queue>())
{
    m_queue->pipeline = std::move(pipeline);
}

PipelineWorker::~PipelineWorker()
{
    Retire();
}

void PipelineWorker::Post(Job job)
{
    {
        const std::lock_guard lock(m_queue->mutex);
        if (m_queue->retired) {
            return;
        }
        m_queue->jobs.push_back(std::move(job));
        ++m_queue->unfinished;
    }
    if (!m_started) {
        m_started = true;
        Start(m_queue);
    } else {
        m_queue->changed.notify_one();
    }
}

void PipelineWorker::Retire()
{
    {
        const std::lock_guard lock(m_queue->mutex);
        if (m_queue->retired) {
            return;
        }
    }
    if (m_started) {
        // Counted before the thread can see the retirement and finish.
        Retiring& retiring = RetiringPipelines();
        std::unique_lock lock(retiring.mutex);
        retiring.fewer.wait_for(lock, RETIRE_WAIT, [&] { return retiring.count < MAX_RETIRING; });
        ++retiring.count;
    }
    {
        const std::lock_guard lock(m_queue->mutex);
        m_queue->retired = true;
        m_queue->unfinished -= static_cast<int>(m_queue->jobs.size());
        m_queue->jobs.clear();
    }
    if (m_started) {
        m_queue->changed.notify_one();
        return;
    }
    // Never ran: nothing streams, so the pipeline goes at once.
    if (m_queue->pipeline) {
        gst_element_set_state(m_queue->pipeline.get(), GST_STATE_NULL);
        m_queue->pipeline.reset();
    }
}

bool PipelineWorker::Busy() const
{
    const std::lock_guard lock(m_queue->mutex);
    return m_queue->unfinished > 0;
}

namespace {
    // Never destroyed: detached threads may still use it while the process ends.
    template <typename Queue> IdleThreads<Queue>& Threads()
    {
        static auto* threads = new IdleThreads<Queue>();
        return *threads;
    }
}

void PipelineWorker::Start(std::shared_ptr<Queue> queue)
{
    IdleThreads<Queue>& threads = Threads<Queue>();
    {
        const std::lock_guard lock(threads.mutex);
        if (threads.idle > threads.waiting.size()) {
            threads.waiting.push_back(std::move(queue));
            threads.assigned.notify_one();
            return;
        }
    }
    // Detached: nobody may have to wait for a thread that a stalled pipeline holds.
    std::thread([queue = std::move(queue)]() mutable { Serve(std::move(queue)); }).detach();
}

void PipelineWorker::Serve(std::shared_ptr<Queue> queue)
{
    IdleThreads<Queue>& threads = Threads<Queue>();
    for (;;) {
        Run(queue);
        queue.reset();
        std::unique_lock lock(threads.mutex);
        ++threads.idle;
        const bool assigned
            = threads.assigned.wait_for(lock, IDLE_THREAD_LIMIT, [&] { return !threads.waiting.empty(); });
        --threads.idle;
        if (!assigned) {
            return;
        }
        queue = std::move(threads.waiting.front());
        threads.waiting.pop_front();
    }
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
    Retiring& retiring = RetiringPipelines();
    {
        const std::lock_guard lock(retiring.mutex);
        --retiring.count;
    }
    retiring.fewer.notify_all();
}

} // namespace sonarel::gst
