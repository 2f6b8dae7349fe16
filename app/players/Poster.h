#pragma once

#include <functional>

namespace players {

// Runs a call later on the calling thread, after the current handler has returned, in the order
// the calls were posted. The main window posts to its own event queue; a posted call must not run
// once the object that posted it is gone, so the poster ties its calls to the main window's life.
class IPoster {
public:
    virtual ~IPoster() = default;

    virtual void Post(std::function<void()> call) = 0;
    // Runs the call once the delay (milliseconds) has passed, to within a few milliseconds.
    virtual void PostAfter(int delayMs, std::function<void()> call) = 0;
};

} // namespace players
