#pragma once

// One stream of the control: its graph, its DSP filter, its state and what it last reported.

#include "control/Sonarel.h"
#include "control/platform/Platform.h"

#include <cstdint>
#include <memory>
#include <string>

namespace sonarel {

// Lengths of the stored names in bytes, terminator excluded.
inline constexpr std::size_t STREAM_FILE_NAME_MAX = 259;
inline constexpr std::size_t STREAM_DEVICE_NAME_MAX = 127;

struct StreamRecord {
    // The stream's graph; it carries the volume, seeking, transport and event interfaces, so an
    // operation that needs any of them needs the graph. Null until first opened and after close.
    std::unique_ptr<IFilterGraph> graph;
    // Identifies the graph that a notification came from; a new graph gets a new number.
    std::uint64_t graphGeneration = 0;
    // The loaded DSP module and the control interface of its filter (declared after the module so
    // that the interface goes first).
    std::unique_ptr<IDspModule> dspModule;
    std::shared_ptr<dsp::IDspFilterControl> dspControl;
    std::int32_t state = STATE_CLOSED;
    // The names of the last successful open, UTF-8, cut on a whole character to the field lengths.
    std::string fileName;
    std::string deviceName;
    // The running 200 ms tick; 0 when none.
    TimerId tick = 0;
    // What OnElapsedChanged and OnPosChanged last reported.
    std::int32_t lastElapsed = 0;
    short lastPosition = 0;
};

} // namespace sonarel
