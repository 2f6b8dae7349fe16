#include "MonitorRecorder.h"

#include "base/UniqueFd.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::size_t kFrameBytes = sizeof(std::int16_t) * MonitorRecorder::kChannels;

// Whole frames only, so that left and right never swap places.
std::vector<std::int16_t> ToSamples(const std::vector<char>& bytes)
{
    std::vector<std::int16_t> samples(bytes.size() / kFrameBytes * MonitorRecorder::kChannels);
    if (!samples.empty())
        std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(std::int16_t));
    return samples;
}

} // namespace

MonitorRecorder::MonitorRecorder(std::string sink, std::string server)
    : m_sink(std::move(sink))
    , m_server(std::move(server))
{
}

MonitorRecorder::~MonitorRecorder()
{
    StopChild();
}

namespace {

// Whether `pactl list short sources` names the source; true when the server cannot be asked (parec
// then says why it cannot record).
bool SourceExists(const std::string& source, const std::string& server)
{
    const std::string command = "pactl" + (server.empty() ? std::string() : " '--server=" + server + "'")
        + " list short sources 2>/dev/null";
    int status = -1;
    const std::string listing = Shell(command, &status);
    return status != 0 || listing.find("\t" + source + "\t") != std::string::npos;
}

} // namespace

bool MonitorRecorder::Start(std::chrono::milliseconds timeout)
{
    m_error.clear();
    if (m_parec.Running() || m_reader.joinable()) {
        m_error = "already recording";
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_bytes.clear();
        m_gotData = false;
        m_eof = false;
    }

    // PipeWire records silence from a missing monitor instead of failing: ask the server first.
    if (!SourceExists(m_sink + ".monitor", m_server)) {
        m_error = "the sound server has no source " + m_sink + ".monitor";
        return false;
    }

    int ends[2];
    if (!OpenPipe(ends, m_error))
        return false;
    base::UniqueFd readEnd(ends[0]);
    base::UniqueFd writeEnd(ends[1]);
    // A short latency makes samples arrive promptly and loses little at SIGINT.
    std::vector<std::string> command { "parec", "-d", m_sink + ".monitor", "--raw", "--format=s16le",
        "--rate=" + std::to_string(kRate), "--channels=" + std::to_string(kChannels), "--latency-msec=20" };
    if (!m_server.empty())
        command.push_back("--server=" + m_server);
    if (!m_parec.Start(command, writeEnd.Get())) {
        m_error = m_parec.Error();
        return false;
    }
    // Only parec may hold the write end, so that its exit ends the reader.
    writeEnd.Reset();
    m_reader = std::thread(&MonitorRecorder::ReadLoop, this, readEnd.Release());

    std::unique_lock lock(m_mutex);
    const bool ready = m_changed.wait_for(lock, timeout, [this] { return m_gotData || m_eof; });
    if (ready && m_gotData)
        return true;
    lock.unlock();
    StopChild();
    const std::string output = m_parec.ErrorOutput();
    m_error = "parec recorded nothing from " + m_sink + ".monitor ("
        + (ready ? "it ended: " + m_parec.Outcome() : std::string("timed out"))
        + (output.empty() ? std::string(")") : "): " + output);
    while (!m_error.empty() && m_error.back() == '\n')
        m_error.pop_back();
    return false;
}

bool MonitorRecorder::Stop()
{
    if (!m_parec.Running() && !m_reader.joinable()) {
        m_error = "not recording";
        return false;
    }
    StopChild();
    // parec quits cleanly on SIGINT; anything else means it failed on its own.
    if (m_parec.ExitedWith(0) || m_parec.Outcome() == "signal " + std::to_string(SIGINT))
        return true;
    m_error = "parec ended with " + m_parec.Outcome() + ": " + m_parec.ErrorOutput();
    return false;
}

void MonitorRecorder::StopChild()
{
    m_parec.Stop(SIGINT);
    if (m_reader.joinable())
        m_reader.join();
}

void MonitorRecorder::ReadLoop(int fd)
{
    base::UniqueFd readEnd(fd);
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t n = read(readEnd.Get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        std::lock_guard lock(m_mutex);
        if (n <= 0) {
            m_eof = true;
            m_changed.notify_all();
            return;
        }
        m_bytes.insert(m_bytes.end(), buffer.begin(), buffer.begin() + n);
        if (!m_gotData) {
            m_gotData = true;
            m_changed.notify_all();
        }
    }
}

std::vector<std::int16_t> MonitorRecorder::Samples() const
{
    std::lock_guard lock(m_mutex);
    return ToSamples(m_bytes);
}

std::vector<std::int16_t> MonitorRecorder::TakeSamples()
{
    std::lock_guard lock(m_mutex);
    std::vector<std::int16_t> samples = ToSamples(m_bytes);
    // The bytes of an incomplete last frame stay for the next stretch.
    m_bytes.erase(m_bytes.begin(),
        m_bytes.begin() + static_cast<std::ptrdiff_t>(samples.size() * sizeof(std::int16_t)));
    return samples;
}

double MonitorRecorder::RecordedSeconds() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<double>(m_bytes.size() / kFrameBytes) / kRate;
}
