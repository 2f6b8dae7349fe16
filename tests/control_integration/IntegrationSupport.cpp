#include "IntegrationSupport.h"

#include "support/TestEnvironment.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sys/wait.h>

namespace itest {

std::string Media(const std::string& name)
{
    std::string error;
    std::string path = TestMediaFile(name, error);
    if (path.empty()) {
        ADD_FAILURE() << error;
    }
    return path;
}

std::string MissingMedia()
{
    const std::string existing = Media("tone.wav");
    return existing.substr(0, existing.find_last_of('/') + 1) + "no-such-file.mp3";
}

bool SoundServerReady()
{
    static const bool reachable = [] {
        std::string error;
        if (!SoundServerConfigured(error)) {
            ADD_FAILURE() << error;
            return false;
        }
        int status = 0;
        Shell("pactl info >/dev/null 2>&1", &status);
        if (status != 0) {
            ADD_FAILURE() << "The sound server that PULSE_SERVER names does not answer";
        }
        return status == 0;
    }();
    return reachable;
}

bool SinkExists(const std::string& sink)
{
    const std::string sinks = Shell("pactl list short sinks 2>/dev/null");
    return sinks.find("\t" + sink + "\t") != std::string::npos;
}

std::unique_ptr<MonitorRecorder> Record(const std::string& sink)
{
    auto recorder = std::make_unique<MonitorRecorder>(sink);
    if (!SinkExists(sink)) {
        ADD_FAILURE() << "the sound server has no sink " << sink;
    } else if (!recorder->Start()) {
        ADD_FAILURE() << "cannot record " << sink << ": " << recorder->Error();
    }
    return recorder;
}

SoundLevels StopAndMeasure(MonitorRecorder& recorder)
{
    (void)recorder.Stop();
    return MeasureRms(recorder.Samples(), MonitorRecorder::kChannels, kSilenceDbfs);
}

bool Silent(MonitorRecorder& recorder)
{
    (void)recorder.Stop();
    return IsSilent(recorder.Samples(), kSilenceDbfs);
}

std::size_t NonZeroSamples(MonitorRecorder& recorder)
{
    (void)recorder.Stop();
    const std::vector<std::int16_t> samples = recorder.Samples();
    return static_cast<std::size_t>(
        std::count_if(samples.begin(), samples.end(), [](std::int16_t sample) { return sample != 0; }));
}

void Pump(std::chrono::milliseconds duration)
{
    PumpUntil([] { return false; }, duration);
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const double deadline = NowMs() + static_cast<double>(timeout.count());
    while (!done()) {
        if (NowMs() >= deadline) {
            return false;
        }
        // Wakes at least every 5 ms, so that a condition set outside the loop is seen.
        GSource* wake = g_timeout_source_new(5);
        g_source_set_callback(
            wake, [](gpointer) { return G_SOURCE_REMOVE; }, nullptr, nullptr);
        g_source_attach(wake, nullptr);
        g_main_context_iteration(nullptr, TRUE);
        g_source_destroy(wake);
        g_source_unref(wake);
    }
    return true;
}

double NowMs()
{
    return static_cast<double>(g_get_monotonic_time()) / 1000.0;
}

void EventLog::OnError(short id, std::int32_t lRet, const char* text)
{
    events.push_back({ Event::Kind::Error, id, lRet, 0, text != nullptr ? text : "" });
}

void EventLog::OnComplete(short id)
{
    events.push_back({ Event::Kind::Complete, id, 0, 0, {} });
}

void EventLog::OnStateChanged(short id, short oldState, short newState)
{
    events.push_back({ Event::Kind::StateChanged, id, oldState, newState, {} });
}

void EventLog::OnPosChanged(short id, short oldPosition, short newPosition)
{
    events.push_back({ Event::Kind::PosChanged, id, oldPosition, newPosition, {} });
}

void EventLog::OnElapsedChanged(short id, std::int32_t elapsed)
{
    events.push_back({ Event::Kind::ElapsedChanged, id, elapsed, 0, {} });
}

int EventLog::Count(Event::Kind kind, short stream) const
{
    int count = 0;
    for (const Event& event : events) {
        count += event.kind == kind && event.stream == stream ? 1 : 0;
    }
    return count;
}

std::vector<std::string> EventLog::Errors() const
{
    std::vector<std::string> errors;
    for (const Event& event : events) {
        if (event.kind == Event::Kind::Error) {
            errors.push_back(event.text);
        }
    }
    return errors;
}

} // namespace itest
