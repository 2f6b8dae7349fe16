#include "control/gst/GLibEventLoop.h"

#include <memory>
#include <utility>

namespace sonarel::gst {

namespace {

    using Tick = std::shared_ptr<std::function<void()>>;

    gboolean OnTimeout(gpointer data)
    {
        // A copy keeps the function alive while it runs, even if it kills its own timer.
        const Tick tick = *static_cast<Tick*>(data);
        (*tick)();
        return G_SOURCE_CONTINUE;
    }

    void ReleaseTick(gpointer data)
    {
        std::unique_ptr<Tick>(static_cast<Tick*>(data)).reset();
    }

} // namespace

GLibEventLoop::GLibEventLoop(GMainContext* context)
    : m_context(GRef<GMainContext>::Ref(context))
{
}

GLibEventLoop::~GLibEventLoop() = default;

TimerId GLibEventLoop::StartTimer(unsigned int periodMs, std::function<void()> tick)
{
    if (!tick) {
        return 0;
    }
    GSource* source = g_timeout_source_new(periodMs);
    auto held = std::make_unique<Tick>(std::make_shared<std::function<void()>>(std::move(tick)));
    g_source_set_callback(source, OnTimeout, held.release(), ReleaseTick);
    const TimerId id = g_source_attach(source, m_context.get());
    m_timers[id] = AttachedSource(source);
    return id;
}

void GLibEventLoop::KillTimer(TimerId id)
{
    // Erasing destroys the source; GLib keeps a running tick's function until it returns.
    m_timers.erase(id);
}

} // namespace sonarel::gst
