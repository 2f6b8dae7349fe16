#pragma once

// Marks a graph as delivering its notification for the guard's lifetime: a graph released meanwhile
// is parked rather than destroyed under its own running notification.

#include "control/platform/Platform.h"

#include <vector>

namespace sonarel {

class DispatchGuard {
public:
    DispatchGuard(std::vector<const IFilterGraph*>& dispatching, const IFilterGraph* graph)
        : m_dispatching(dispatching)
    {
        m_dispatching.push_back(graph);
    }
    ~DispatchGuard() { m_dispatching.pop_back(); }
    DispatchGuard(const DispatchGuard&) = delete;
    DispatchGuard& operator=(const DispatchGuard&) = delete;

private:
    std::vector<const IFilterGraph*>& m_dispatching;
};

} // namespace sonarel
