#pragma once

#include "control/LoudnessMeter.h"
#include "persist/LoudnessCache.h"
#include "players/LoudnessGains.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace players {

// Every file of a player with even loudness plays at this integrated loudness, lowered further where
// its true peak would pass the ceiling.
inline constexpr double LOUDNESS_TARGET_LUFS = -18.0;
inline constexpr double LOUDNESS_CEILING_DBTP = -1.0;

// The gain in dB that brings a file measured so to the target without its true peak passing the
// ceiling; 0 for a silent file. Kept within what the engine can apply.
[[nodiscard]] double NormalisationGainDb(double integratedLufs, double truePeakDbtp);

// Measures files' loudness in the background, once per file content, and remembers the results in a
// cache file across runs.
//
// Threading: the public methods are for the user-interface thread (any one thread). The worker
// thread measures one file at a time at the lowest priority and reports its progress through the
// listener, on the worker thread: the listener must hand it over to its own thread. The destructor
// cancels the file in work, waits for the worker and writes the cache.
class LoudnessWorker final : public ILoudnessGains {
public:
    using Meter = std::function<sonarel::LoudnessResult(
        const std::string& path, sonarel::LoudnessMeasurement* measurement, const std::atomic<bool>* cancel)>;
    // Files looked at and files asked for since the worker was last idle; (n, n) once it is.
    using ProgressListener = std::function<void(int done, int total)>;

    LoudnessWorker(Meter meter, std::string cacheFile, ProgressListener progress);
    ~LoudnessWorker() override;
    LoudnessWorker(const LoudnessWorker&) = delete;
    LoudnessWorker& operator=(const LoudnessWorker&) = delete;

    // Queues the files for a look: those measured at their current content are only counted.
    void Request(const std::vector<std::string>& paths);
    // The gain for the file as it is now; nothing while it is not measured (or cannot be).
    [[nodiscard]] std::optional<double> GainDb(const std::string& path) const override;

private:
    void Run();
    // Measures one file unless the cache knows it; false when the worker is stopping.
    bool Look(const std::string& path);
    void SaveCache();

    Meter m_meter;
    const std::string m_cacheFile;
    ProgressListener m_progress;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::string> m_queue;
    std::set<std::string> m_queued;
    persist::LoudnessCache m_cache;
    int m_done = 0;
    int m_total = 0;
    // The worker's own: measurements not written yet, and files that could not be decoded as they are.
    int m_unsaved = 0;
    std::map<std::string, persist::FileStamp> m_failed;
    std::atomic<bool> m_stop { false };
    // Last: the thread starts once everything it uses exists.
    std::thread m_thread;
};

} // namespace players
