#pragma once

#include <functional>
#include <stop_token>

// Runs a task on another thread and waits for it, the way a receiver of an update result hands it
// to its window's thread.
//
// `post` must queue the task it is given on the target thread (for a window, a queued call into
// its event loop). HandOffAndWait then waits until the task has run there, and returns true. When
// `abandon` is triggered first, it returns false at once and the task, if it still runs later,
// does nothing; a task that has already begun is waited for. When the queue destroys the task
// without running it (its target went away), the wait ends too, with false.
//
// `handler` and whatever it refers to need only live until HandOffAndWait returns.
[[nodiscard]] bool HandOffAndWait(const std::function<void(std::function<void()>)>& post,
    const std::function<void()>& handler, std::stop_token abandon);
