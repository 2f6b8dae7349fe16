#include "update/UpdateHandoff.h"

#include "UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

namespace {

using namespace std::chrono;

TEST(UpdateHandoff, RunsOnTheTargetThreadAndWaitsForIt)
{
    TestEventLoop loop;
    std::atomic<bool> finished { false };
    std::thread::id ranOn;
    const bool handled = HandOffAndWait(
        loop.Poster(),
        [&] {
            ranOn = std::this_thread::get_id();
            std::this_thread::sleep_for(milliseconds(50));
            finished = true;
        },
        std::stop_token());
    EXPECT_TRUE(handled);
    EXPECT_TRUE(finished);
    EXPECT_EQ(ranOn, loop.Id());
}

TEST(UpdateHandoff, AbandonedWhilePendingReturnsAtOnceAndNeverRuns)
{
    TestEventLoop loop;
    loop.Hold(true);
    std::stop_source abandon;
    std::atomic<int> runs { 0 };
    auto waiting = std::async(std::launch::async, [&] {
        return HandOffAndWait(
            loop.Poster(), [&] { ++runs; }, abandon.get_token());
    });
    while (loop.Queued() == 0)
        std::this_thread::sleep_for(milliseconds(1));
    EXPECT_EQ(waiting.wait_for(milliseconds(100)), std::future_status::timeout) << "must wait for the target";

    const auto start = steady_clock::now();
    abandon.request_stop();
    ASSERT_EQ(waiting.wait_for(seconds(5)), std::future_status::ready);
    EXPECT_LT(steady_clock::now() - start, milliseconds(200));
    EXPECT_FALSE(waiting.get());

    // The task still runs on the loop later, but the handler (whose captures are gone) does not.
    loop.Hold(false);
    while (loop.Queued() != 0)
        std::this_thread::sleep_for(milliseconds(1));
    EXPECT_EQ(runs, 0);
}

TEST(UpdateHandoff, AbandonedWhileRunningWaitsForTheHandler)
{
    TestEventLoop loop;
    std::stop_source abandon;
    std::promise<void> started;
    std::atomic<bool> finished { false };
    auto waiting = std::async(std::launch::async, [&] {
        return HandOffAndWait(
            loop.Poster(),
            [&] {
                started.set_value();
                std::this_thread::sleep_for(milliseconds(100));
                finished = true;
            },
            abandon.get_token());
    });
    started.get_future().wait();
    abandon.request_stop();
    EXPECT_TRUE(waiting.get());
    EXPECT_TRUE(finished) << "returned while the handler still used its captures";
}

TEST(UpdateHandoff, DroppedTaskEndsTheWait)
{
    std::stop_source never;
    // A target that went away: the queue destroys the task without running it.
    EXPECT_FALSE(HandOffAndWait(
        [](std::function<void()>) {}, [] { FAIL() << "ran a dropped task"; }, never.get_token()));

    auto loop = std::make_unique<TestEventLoop>();
    loop->Hold(true);
    auto waiting = std::async(std::launch::async, [&] {
        return HandOffAndWait(
            loop->Poster(), [] {}, never.get_token());
    });
    while (loop->Queued() == 0)
        std::this_thread::sleep_for(milliseconds(1));
    loop.reset();
    ASSERT_EQ(waiting.wait_for(seconds(5)), std::future_status::ready);
    EXPECT_FALSE(waiting.get());
}

} // namespace
