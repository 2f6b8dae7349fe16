#pragma once

// Media detection that keeps its caller waiting no longer than a budget. Each detection runs on a
// thread of its own; the caller waits for it up to the budget. One that takes longer (a file on a
// share that answers slowly, or not at all) goes on by itself, and its result is kept for the next
// call on the same file, which gets it at once or waits for it again. A kept result that nobody
// asks for is dropped after a minute.
//
// Threading: one thread (the control's) calls Detect; the detections run on their own threads and
// touch nothing but their own job.

#include "control/platform/Platform.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sonarel {

class BoundedDetection {
public:
    BoundedDetection() = default;
    BoundedDetection(const BoundedDetection&) = delete;
    BoundedDetection& operator=(const BoundedDetection&) = delete;

    // What `detector` finds in the file, or nullopt when it has not finished within the budget.
    [[nodiscard]] std::optional<MediaDetection> Detect(
        std::unique_ptr<IMediaDetector> detector, const std::string& path, std::chrono::milliseconds budget);

private:
    struct Job;
    void DropStale();

    std::vector<std::shared_ptr<Job>> m_unfinished;
};

} // namespace sonarel
