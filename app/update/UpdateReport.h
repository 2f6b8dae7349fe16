#pragma once

#include <cstdint>
#include <stop_token>
#include <string>

// The result of one update check.
struct UpdateResult {
    // 1 when a version document was read and understood, else 0 (and the rest is 0 / empty).
    std::int32_t Ok = 0;
    std::int32_t LatestMajor = 0;
    std::int32_t LatestMinor = 0;
    std::string Description;
};

// Receives the result of an update check; the window that started the check implements it.
//
// OnUpdateResult is called on the checker's worker thread, once per check. The receiver must
// hand the result to its own thread and block until it has been handled there: the result lives
// only during the call, and the worker waits meanwhile (handling it may take as long as a modal
// dialog stays open). HandOffAndWait (UpdateHandoff.h) does
// this for any thread with a task queue; for a window, post with a queued (not a blocking queued)
// call, since a blocking queued call cannot be abandoned.
//
// The receiver must stop waiting and return promptly once `abandon` is triggered: that happens
// when the checker is being destroyed or the receiver is detached from it, typically on the very
// thread the receiver waits for, which would otherwise never come round to handling the result.
class IUpdateReport {
public:
    virtual void OnUpdateResult(const UpdateResult& result, std::stop_token abandon) = 0;

protected:
    ~IUpdateReport() = default;
};
