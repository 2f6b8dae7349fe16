#include "update/UpdateHandoff.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

enum HandoffPhase { HANDOFF_PENDING, HANDOFF_RUNNING, HANDOFF_DONE, HANDOFF_DROPPED };

struct HandoffState {
    std::mutex mutex;
    std::condition_variable_any changed;
    HandoffPhase phase = HANDOFF_PENDING;

    void Finish(HandoffPhase from, HandoffPhase to)
    {
        {
            const std::lock_guard lock(mutex);
            if (phase != from)
                return;
            phase = to;
        }
        changed.notify_all();
    }
};

// Held by every copy of the posted task; when the last copy goes without the task having run,
// the waiting thread learns that it never will.
class DropNotice {
public:
    explicit DropNotice(std::shared_ptr<HandoffState> state)
        : m_state(std::move(state))
    {
    }
    ~DropNotice() { m_state->Finish(HANDOFF_PENDING, HANDOFF_DROPPED); }
    DropNotice(const DropNotice&) = delete;
    DropNotice& operator=(const DropNotice&) = delete;

    [[nodiscard]] HandoffState& State() const { return *m_state; }

private:
    const std::shared_ptr<HandoffState> m_state;
};

} // namespace

bool HandOffAndWait(const std::function<void(std::function<void()>)>& post,
    const std::function<void()>& handler, std::stop_token abandon)
{
    const auto state = std::make_shared<HandoffState>();
    {
        auto notice = std::make_shared<DropNotice>(state);
        // The handler is reached only while this function still waits for it (phase RUNNING).
        post([notice = std::move(notice), &handler] {
            HandoffState& shared = notice->State();
            {
                const std::lock_guard lock(shared.mutex);
                if (shared.phase != HANDOFF_PENDING)
                    return;
                shared.phase = HANDOFF_RUNNING;
            }
            handler();
            shared.Finish(HANDOFF_RUNNING, HANDOFF_DONE);
        });
    }

    std::unique_lock lock(state->mutex);
    state->changed.wait(
        lock, abandon, [&] { return state->phase == HANDOFF_DONE || state->phase == HANDOFF_DROPPED; });
    if (state->phase == HANDOFF_RUNNING)
        state->changed.wait(lock, [&] { return state->phase == HANDOFF_DONE; });
    if (state->phase == HANDOFF_PENDING)
        state->phase = HANDOFF_DROPPED;
    return state->phase == HANDOFF_DONE;
}
