#pragma once

// What a GstFilterGraph shares with GStreamer's streaming threads, libpulse's thread and its pipeline's
// worker: counters of the pipeline's state changes and errors, the outcome of a preroll, and the
// converter that the decoder's audio pad links to. Everything in it is atomic or under its mutex.

#include "control/gst/GstFilterGraph.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace sonarel::gst {

constexpr auto PREROLL_TIMEOUT = std::chrono::seconds(5);
// What the worker reports through the bus.
constexpr const char* PREROLLED_MESSAGE = "sonarel-prerolled";
constexpr const char* COMMAND_FAILED_MESSAGE = "sonarel-command-failed";

// The qdata key under which every bus message carries the generation it was posted in.
[[nodiscard]] GQuark GenerationQuark();
[[nodiscard]] GRef<GstPad> FirstSinkPad(GstElement* element);

// A copy of a shared_ptr handed to a C callback as its user data, freed by the callback's
// destroy notify, so that the state lives as long as any callback that may still run.
template <typename T> gpointer HoldShared(const std::shared_ptr<T>& shared)
{
    return std::make_unique<std::shared_ptr<T>>(shared).release();
}
template <typename T> void ReleaseShared(gpointer data)
{
    std::unique_ptr<std::shared_ptr<T>>(static_cast<std::shared_ptr<T>*>(data)).reset();
}
template <typename T> T& Held(gpointer data)
{
    return **static_cast<std::shared_ptr<T>*>(data);
}

struct GstFilterGraph::Shared {
    enum class WaitResult { Done, Failed, TimedOut };

    GstElement* Pipeline = nullptr; // compared with message sources only
    std::atomic<std::uint64_t> Generation { 1 };

    std::mutex Mutex;
    std::condition_variable Changed;
    std::uint64_t AsyncDone = 0; // the pipeline's ASYNC_DONE messages so far
    std::uint64_t Errors = 0; // ERROR messages so far
    GRef<GstElement> Converter; // where the decoder's audio goes
    bool AudioLinked = false;
    bool Retired = false; // the graph let the pipeline go: waits end at once
    // The outcome of the rendering's preroll, written by the worker.
    bool Prerolled = false;
    HResult PrerollStatus = S_OK_STATUS;
    std::int64_t DurationNs = -1;
    GRef<GstCaps> RendererCaps;

    struct Counters {
        std::uint64_t AsyncDone = 0;
        std::uint64_t Errors = 0;
    };

    Counters Snapshot()
    {
        const std::lock_guard lock(Mutex);
        return { AsyncDone, Errors };
    }

    // Waits until the pipeline has finished an asynchronous state change begun after `before`.
    WaitResult WaitAsyncDone(Counters before, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(Mutex);
        WaitResult result = WaitResult::TimedOut;
        Changed.wait_for(lock, timeout, [&] {
            if (Retired) {
                return true;
            }
            if (Errors != before.Errors) {
                result = WaitResult::Failed;
                return true;
            }
            if (AsyncDone != before.AsyncDone) {
                result = WaitResult::Done;
                return true;
            }
            return false;
        });
        return result;
    }

    // Streaming threads, libpulse's thread and the worker.
    static GstBusSyncReply OnBusSync(GstBus* bus, GstMessage* message, gpointer data);
    static void OnPadAdded(GstElement* decoder, GstPad* pad, gpointer data);
    static void OnNoMorePads(GstElement* decoder, gpointer data);

    // The worker's jobs.
    static HResult Preroll(GstElement* pipeline, Shared& shared, GstElement* renderer);
    static bool SettleStateChange(GstElement* pipeline, Shared& shared);
    // The graph lets the pipeline go: every wait under way ends at once.
    void Retire()
    {
        {
            const std::lock_guard lock(Mutex);
            Retired = true;
        }
        Changed.notify_all();
    }
    [[nodiscard]] bool IsRetired()
    {
        const std::lock_guard lock(Mutex);
        return Retired;
    }
    static HResult Seek(GstElement* pipeline, Shared& shared, std::int64_t positionNs, double rate);
    static void PostCommandFailed(GstElement* pipeline, HResult status);
};

} // namespace sonarel::gst
