#include "control/BoundedDetection.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace sonarel {

namespace {
    constexpr auto KEEP_RESULT_FOR = std::chrono::minutes(1);
}

struct BoundedDetection::Job {
    std::string path;
    std::mutex mutex;
    std::condition_variable finished;
    std::optional<MediaDetection> result; // set once, by the job's thread
    std::chrono::steady_clock::time_point finishedAt;
};

std::optional<MediaDetection> BoundedDetection::Detect(
    std::unique_ptr<IMediaDetector> detector, const std::string& path, std::chrono::milliseconds budget)
{
    DropStale();
    // A detection of this file that did not finish for an earlier call is waited for again, not repeated.
    auto it = std::find_if(m_unfinished.begin(), m_unfinished.end(),
        [&path](const std::shared_ptr<Job>& job) { return job->path == path; });
    std::shared_ptr<Job> job;
    if (it != m_unfinished.end()) {
        job = *it;
        m_unfinished.erase(it);
    } else {
        job = std::make_shared<Job>();
        job->path = path;
        // Detached: nobody may have to wait for a file that never answers.
        std::thread([job, detector = std::move(detector)] {
            MediaDetection detection = detector->Detect(job->path);
            {
                const std::lock_guard lock(job->mutex);
                job->result = detection;
                job->finishedAt = std::chrono::steady_clock::now();
            }
            job->finished.notify_all();
        }).detach();
    }
    std::unique_lock lock(job->mutex);
    if (job->finished.wait_for(lock, budget, [&job] { return job->result.has_value(); })) {
        return job->result;
    }
    lock.unlock();
    m_unfinished.push_back(std::move(job));
    return std::nullopt;
}

void BoundedDetection::DropStale()
{
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(m_unfinished, [now](const std::shared_ptr<Job>& job) {
        const std::lock_guard lock(job->mutex);
        return job->result.has_value() && now - job->finishedAt > KEEP_RESULT_FOR;
    });
}

} // namespace sonarel
