#pragma once

#include "ChildProcess.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Records what a PulseAudio sink plays, from its monitor source, as 44.1 kHz interleaved stereo
// 16-bit samples, to measure what reached an output in a test.
//
// parec writes into a pipe that a reader thread drains. Start() returns once samples flow, so
// sound played after it is recorded from its first sample. Stop() ends parec with SIGINT; the
// destructor stops a recorder that is still running. parec is always reaped, and if the test
// process dies the pipe closes and parec ends on its own. Samples() and TakeSamples() may be
// called while recording, from the thread that owns the recorder.
class MonitorRecorder {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;

    // sink is the sink's name (e.g. "zone2"), not its description; server is the sound server to
    // record on (a PULSE_SERVER value), empty for the one the environment names.
    explicit MonitorRecorder(std::string sink, std::string server = {});
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    // False, with the reason in Error(), when parec does not start or delivers nothing within
    // timeout (no server, no such sink).
    [[nodiscard]] bool Start(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Ends the recording; false when it was not running or parec failed.
    [[nodiscard]] bool Stop();

    // What was recorded so far, interleaved left/right.
    [[nodiscard]] std::vector<std::int16_t> Samples() const;
    // The same, and starts collecting afresh: to measure successive stretches of one recording.
    [[nodiscard]] std::vector<std::int16_t> TakeSamples();
    [[nodiscard]] double RecordedSeconds() const;

    [[nodiscard]] const std::string& Sink() const { return m_sink; }
    [[nodiscard]] const std::string& Error() const { return m_error; }

private:
    void ReadLoop(int fd);
    void StopChild();

    std::string m_sink;
    std::string m_server;
    std::string m_error;
    ChildProcess m_parec;
    std::thread m_reader;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    // Guarded by m_mutex.
    std::vector<char> m_bytes;
    bool m_gotData = false;
    bool m_eof = false;
};

// When a recording's first sample sounded, on the wall clock, from many looks at how much of it has
// arrived: samples arrive after they sounded, never before, so the earliest of the looks' estimates
// is the closest. Recordings started one after another are set on one time line this way, within a
// few milliseconds, where the moment each recorder was started would leave them tens apart.
class RecordingStart {
public:
    // wallSeconds: now; recordedSeconds: how much of the recording has arrived by now.
    void Look(double wallSeconds, double recordedSeconds)
    {
        m_start = std::min(m_start, wallSeconds - recordedSeconds);
    }
    [[nodiscard]] bool Known() const { return m_start != std::numeric_limits<double>::infinity(); }
    [[nodiscard]] double Seconds() const { return m_start; }

private:
    double m_start = std::numeric_limits<double>::infinity();
};
