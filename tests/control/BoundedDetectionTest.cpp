// Media detection that holds its caller no longer than a budget, and keeps a late answer.

#include "control/BoundedDetection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

using namespace std::chrono_literals;
using sonarel::BoundedDetection;
using sonarel::IMediaDetector;
using sonarel::MediaDetection;

// Answers with the file name's length as seconds once the gate is open.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    std::atomic<int> detections { 0 };

    void Open()
    {
        {
            const std::lock_guard lock(mutex);
            open = true;
        }
        opened.notify_all();
    }
};

class GatedDetector : public IMediaDetector {
public:
    explicit GatedDetector(std::shared_ptr<Gate> gate)
        : gate_(std::move(gate))
    {
    }
    MediaDetection Detect(const std::string& path) override
    {
        ++gate_->detections;
        std::unique_lock lock(gate_->mutex);
        gate_->opened.wait(lock, [&] { return gate_->open; });
        MediaDetection detection;
        detection.firstStreamSeconds = static_cast<double>(path.size());
        return detection;
    }

private:
    std::shared_ptr<Gate> gate_;
};

TEST(BoundedDetection, ASlowFileReleasesTheCallerAndItsLateAnswerServesTheNextCall)
{
    auto gate = std::make_shared<Gate>();
    BoundedDetection detections;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(detections.Detect(std::make_unique<GatedDetector>(gate), "slow", 30ms));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    // Asked again while it still runs: the same detection is waited for, not a second one started.
    EXPECT_FALSE(detections.Detect(std::make_unique<GatedDetector>(gate), "slow", 10ms));
    EXPECT_EQ(gate->detections, 1);

    gate->Open();
    const std::optional<MediaDetection> late
        = detections.Detect(std::make_unique<GatedDetector>(gate), "slow", 5s);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->firstStreamSeconds, 4.0);
    EXPECT_EQ(gate->detections, 1);
    // A kept answer is used once; the next call measures the file afresh.
    const std::optional<MediaDetection> fresh
        = detections.Detect(std::make_unique<GatedDetector>(gate), "slow", 5s);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(gate->detections, 2);
}

} // namespace
