#include "players/LoudnessWorker.h"

#include "persist/AtomicFile.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace players {

namespace {

    // What the engine's loudness gain accepts.
    constexpr double GAIN_MIN_DB = -40.0;
    constexpr double GAIN_MAX_DB = 30.0;
    // The cache is written after this many new measurements, and when the queue runs dry.
    constexpr int SAVE_EVERY = 50;

} // namespace

double NormalisationGainDb(double integratedLufs, double truePeakDbtp)
{
    if (!std::isfinite(integratedLufs))
        return 0.0;
    double gain = LOUDNESS_TARGET_LUFS - integratedLufs;
    if (std::isfinite(truePeakDbtp) && truePeakDbtp + gain > LOUDNESS_CEILING_DBTP)
        gain = LOUDNESS_CEILING_DBTP - truePeakDbtp;
    return std::clamp(gain, GAIN_MIN_DB, GAIN_MAX_DB);
}

LoudnessWorker::LoudnessWorker(Meter meter, std::string cacheFile, ProgressListener progress)
    : m_meter(std::move(meter))
    , m_cacheFile(std::move(cacheFile))
    , m_progress(std::move(progress))
{
    if (!m_cacheFile.empty())
        (void)m_cache.Load(m_cacheFile);
    m_thread = std::thread([this] { Run(); });
}

LoudnessWorker::~LoudnessWorker()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    SaveCache();
}

void LoudnessWorker::Request(const std::vector<std::string>& paths)
{
    int added = 0;
    {
        const std::lock_guard lock(m_mutex);
        for (const std::string& path : paths) {
            if (m_queued.insert(path).second) {
                m_queue.push_back(path);
                ++added;
            }
        }
        m_total += added;
    }
    if (added > 0)
        m_wake.notify_one();
}

std::optional<double> LoudnessWorker::GainDb(const std::string& path) const
{
    const std::optional<persist::FileStamp> stamp = persist::StampOf(path);
    if (!stamp)
        return std::nullopt;
    const std::lock_guard lock(m_mutex);
    const std::optional<persist::LoudnessEntry> entry = m_cache.Find(path, *stamp);
    if (!entry)
        return std::nullopt;
    return NormalisationGainDb(entry->IntegratedLufs, entry->TruePeakDbtp);
}

void LoudnessWorker::Run()
{
    // This thread only waits for the meter, whose own threads run at the lowest priority too.
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 19);
    for (;;) {
        std::string path;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop)
                return;
            path = std::move(m_queue.front());
            m_queue.pop_front();
        }
        if (!Look(path))
            return;
        int done = 0;
        int total = 0;
        bool idle = false;
        {
            const std::lock_guard lock(m_mutex);
            m_queued.erase(path);
            done = ++m_done;
            total = m_total;
            idle = m_queue.empty();
            if (idle)
                m_done = m_total = 0;
        }
        if (idle || m_unsaved >= SAVE_EVERY)
            SaveCache();
        if (m_progress)
            m_progress(done, total);
    }
}

bool LoudnessWorker::Look(const std::string& path)
{
    const std::optional<persist::FileStamp> stamp = persist::StampOf(path);
    if (!stamp)
        return true;
    {
        const std::lock_guard lock(m_mutex);
        if (m_cache.Find(path, *stamp))
            return true;
    }
    if (const auto failed = m_failed.find(path); failed != m_failed.end() && failed->second == *stamp)
        return true;
    sonarel::LoudnessMeasurement measurement;
    const sonarel::LoudnessResult result = m_meter(path, &measurement, &m_stop);
    if (result == sonarel::LoudnessResult::Cancelled)
        return false;
    // A file that cannot be decoded is tried again only once it has changed.
    if (result == sonarel::LoudnessResult::Failed) {
        m_failed[path] = *stamp;
        return true;
    }
    // The file may have changed while it was read: only the content that was measured counts.
    if (persist::StampOf(path) != stamp)
        return true;
    const std::lock_guard lock(m_mutex);
    m_cache.Put(
        path, persist::LoudnessEntry { *stamp, measurement.IntegratedLufs, measurement.TruePeakDbtp });
    ++m_unsaved;
    return true;
}

void LoudnessWorker::SaveCache()
{
    if (m_unsaved == 0 || m_cacheFile.empty())
        return;
    m_unsaved = 0;
    std::string text;
    {
        const std::lock_guard lock(m_mutex);
        text = m_cache.Text();
    }
    (void)persist::WriteFileAtomically(m_cacheFile, text);
}

} // namespace players
