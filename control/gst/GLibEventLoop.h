#pragma once

// The control's timers on a GLib main context (the thread-default one of the control's thread).
// Ticks run when that context is iterated, one at a time with everything else the control does:
// under Qt, inside QApplication::exec(); in tests, wherever they iterate the context.

#include "control/gst/GRef.h"
#include "control/platform/Platform.h"

#include <map>

namespace sonarel::gst {

class GLibEventLoop final : public IEventLoop {
public:
    explicit GLibEventLoop(GMainContext* context);
    ~GLibEventLoop() override;
    GLibEventLoop(const GLibEventLoop&) = delete;
    GLibEventLoop& operator=(const GLibEventLoop&) = delete;

    // 0 when the timer cannot be made (an empty function).
    [[nodiscard]] TimerId StartTimer(unsigned int periodMs, std::function<void()> tick) override;
    // A tick may kill its own timer, or start others; an unknown id is ignored.
    void KillTimer(TimerId id) override;

private:
    GRef<GMainContext> m_context;
    std::map<TimerId, AttachedSource> m_timers;
};

} // namespace sonarel::gst
