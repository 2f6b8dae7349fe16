#pragma once

// One connection of the process to the sound server (PulseAudio, or PipeWire's PulseAudio service),
// shared by every stream's renderer: one threaded main loop and one context, as a desktop expects of
// one application. Made on first use and kept for the life of the process; a connection that failed
// (the server went away or was restarted) is replaced by the next Acquire.
//
// Threading: Acquire may be called from any thread. The loop's own thread runs every libpulse
// callback; everything else that touches the context or a stream of it holds the loop's lock
// (PulseLock).

#include <pulse/pulseaudio.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace sonarel::gst {

// One output device of the server.
struct PulseSinkInfo {
    std::string name; // the server's identifier, e.g. "zone1"
    std::string description; // what a desktop shows, e.g. "Zone 1"
};

class PulseConnection {
public:
    // The ready connection to the server that PULSE_SERVER (or the desktop's default) names;
    // nullptr, with the reason in *error, when no server answers.
    [[nodiscard]] static std::shared_ptr<PulseConnection> Acquire(std::string* error);

    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // The server's sinks in its own order (a sink added later comes last); false when the server
    // does not answer within the timeout. Any thread but the loop's own.
    [[nodiscard]] bool ListSinks(std::vector<PulseSinkInfo>* sinks, std::chrono::milliseconds timeout);

    [[nodiscard]] pa_threaded_mainloop* Loop() const { return m_loop; }
    [[nodiscard]] pa_context* Context() const { return m_context; }

private:
    PulseConnection() = default;
    [[nodiscard]] bool Connect(std::string* error);
    [[nodiscard]] bool IsReady();

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    std::string m_server; // the PULSE_SERVER value it was made for
};

// Holds the loop's lock for its lifetime.
class PulseLock {
public:
    explicit PulseLock(pa_threaded_mainloop* loop)
        : m_loop(loop)
    {
        pa_threaded_mainloop_lock(m_loop);
    }
    ~PulseLock() { pa_threaded_mainloop_unlock(m_loop); }
    PulseLock(const PulseLock&) = delete;
    PulseLock& operator=(const PulseLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
};

} // namespace sonarel::gst
