#pragma once

// Shared helpers of the integration tests: the test media, the private sound server, the main loop
// that delivers the control's ticks and graph events, and a listener that records the events.

#include "control/Sonarel.h"
#include "support/MonitorRecorder.h"
#include "support/SoundLevel.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace itest {

using namespace std::chrono_literals;

// The zones of scripts/sound-server, by the names that the control lists.
inline constexpr const char* ZONE1 = "Zone 1 (zone1)";
inline constexpr const char* ZONE2 = "Zone 2 (zone2)";
inline constexpr const char* ZONE3 = "Zone 3 (zone3)";

// A file of the standard test media (TESSALY_TEST_MEDIA, made by scripts/make-test-media); a test
// whose file is missing fails with a hint.
[[nodiscard]] std::string Media(const std::string& name);
// A path in the media folder where no file is.
[[nodiscard]] std::string MissingMedia();

// Whether PULSE_SERVER names a reachable server; a test that needs one fails with a hint otherwise.
[[nodiscard]] bool SoundServerReady();

// Whether the server has a sink of that name. Servers differ where one is missing (PipeWire records
// silence from a missing monitor instead of failing), so the tests ask rather than assume.
[[nodiscard]] bool SinkExists(const std::string& sink);

// Recording a zone's monitor (the sink's name, e.g. "zone2"): started, and the test failed when the
// sink is missing or the recorder cannot start; stopped and measured over its sounding span.
[[nodiscard]] std::unique_ptr<MonitorRecorder> Record(const std::string& sink);
[[nodiscard]] SoundLevels StopAndMeasure(MonitorRecorder& recorder);
// Nothing above the silence threshold reached the zone.
[[nodiscard]] bool Silent(MonitorRecorder& recorder);
// How many samples that are not exactly zero reached the zone.
[[nodiscard]] std::size_t NonZeroSamples(MonitorRecorder& recorder);

// Runs the thread's main context (where the control delivers everything) for a while, or until
// `done` holds; true when it held in time.
void Pump(std::chrono::milliseconds duration);
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Milliseconds on a monotonic clock.
[[nodiscard]] double NowMs();

struct Event {
    enum class Kind { Error, Complete, StateChanged, PosChanged, ElapsedChanged };
    Kind kind;
    short stream = 0;
    std::int32_t a = 0; // lRet, old state, old position, elapsed
    std::int32_t b = 0; // new state, new position
    std::string text;
};

// Records every event of the control, in order.
class EventLog final : public sonarel::ISonarelEvents {
public:
    void OnError(short id, std::int32_t lRet, const char* text) override;
    void OnComplete(short id) override;
    void OnStateChanged(short id, short oldState, short newState) override;
    void OnPosChanged(short id, short oldPosition, short newPosition) override;
    void OnElapsedChanged(short id, std::int32_t elapsed) override;

    [[nodiscard]] int Count(Event::Kind kind, short stream) const;
    [[nodiscard]] std::vector<std::string> Errors() const;
    void Clear() { events.clear(); }

    std::vector<Event> events;
};

} // namespace itest
