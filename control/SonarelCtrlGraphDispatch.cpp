// Graph notifications: draining a graph's events into the control's, and keeping a graph that is
// released from inside its own notification alive until that notification has returned.

#include "control/ControlErrors.h"
#include "control/DispatchGuard.h"
#include "control/SonarelCtrl.h"

#include <algorithm>

namespace sonarel {

namespace {

    // A released graph still delivering its notification is destroyed by this timer afterwards.
    constexpr unsigned int REAP_PERIOD_MS = 10;

} // namespace

HResult CSonarelCtrl::SetGraphNotify(short id)
{
    StreamRecord& stream = Stream(id);
    // Inside the graph's own notification the same notification is already set; replacing it there
    // would destroy the function that is running.
    if (IsDispatching(stream.graph.get())) {
        return S_OK_STATUS;
    }
    const std::uint64_t generation = stream.graphGeneration;
    return stream.graph->SetNotify([this, id, generation] { OnGraphNotify(id, generation); });
}

void CSonarelCtrl::OnGraphNotify(short id, std::uint64_t generation)
{
    StreamRecord& stream = Stream(id);
    IFilterGraph* const graph = stream.graph.get();
    // A notification of a graph that was released or replaced since is stale.
    if (graph == nullptr || stream.graphGeneration != generation) {
        return;
    }
    const DispatchGuard guard(m_dispatching, graph);
    long code = 0;
    long param = 0;
    while (stream.graph.get() == graph && stream.graphGeneration == generation
        && graph->GetEvent(&code, &param)) {
        // After a failure the graph has stopped itself; without the stop here the stream would read
        // "playing" while silent, and a host that checks the state would never open it again.
        switch (code) {
        case EC_COMPLETE:
            CompleteStream(id);
            break;
        case EC_ERRORABORT:
            (void)Stop(id);
            break;
        case EC_DEVICE_LOST:
            RaiseError(id, 0, ERR_DEVICE_LOST);
            (void)Stop(id);
            break;
        case EC_RENDER_FAILED:
            // The open returned before the file was found not to play: the host hears it now.
            RaiseError(id, static_cast<std::int32_t>(param), ERR_RENDER_FILE);
            (void)Stop(id);
            break;
        case EC_COMMAND_FAILED:
            RaiseError(id, static_cast<std::int32_t>(param), ERR_GRAPH_COMMAND);
            (void)Stop(id);
            break;
        default:
            break;
        }
    }
}

void CSonarelCtrl::CompleteStream(short id)
{
    (void)Stop(id);
    (void)SetStreamPosition(id, 0);
    StreamRecord& stream = Stream(id);
    const short old = stream.lastPosition;
    stream.lastPosition = 0;
    stream.lastElapsed = 0;
    RaisePosChanged(id, old, 0);
    if (m_events != nullptr) {
        m_events->OnComplete(id);
    }
}

bool CSonarelCtrl::IsDispatching(const IFilterGraph* graph) const
{
    return std::find(m_dispatching.begin(), m_dispatching.end(), graph) != m_dispatching.end();
}

void CSonarelCtrl::ReleaseGraph(StreamRecord& stream)
{
    std::unique_ptr<IFilterGraph> graph = std::move(stream.graph);
    if (!graph) {
        return;
    }
    if (IsDispatching(graph.get())) {
        // Destroying it now would pull the graph out from under its own running notification.
        m_retiredGraphs.push_back(std::move(graph));
        if (m_reapTimer == 0) {
            m_reapTimer = m_platform->EventLoop().StartTimer(REAP_PERIOD_MS, [this] { ReapRetiredGraphs(); });
        }
        return;
    }
    (void)graph->SetNotify({});
}

void CSonarelCtrl::ReapRetiredGraphs()
{
    std::vector<std::unique_ptr<IFilterGraph>> done;
    for (auto it = m_retiredGraphs.begin(); it != m_retiredGraphs.end();) {
        if (IsDispatching(it->get())) {
            ++it;
        } else {
            done.push_back(std::move(*it));
            it = m_retiredGraphs.erase(it);
        }
    }
    if (m_retiredGraphs.empty() && m_reapTimer != 0) {
        m_platform->EventLoop().KillTimer(m_reapTimer);
        m_reapTimer = 0;
    }
    for (const auto& graph : done) {
        (void)graph->SetNotify({});
    }
}

} // namespace sonarel
