#pragma once

// The control's units against the graph's: volume 0..100 against hundredths of a decibel, percent
// of the duration and milliseconds against reference time (100 ns).

#include "control/platform/Platform.h"

#include <cstdint>

namespace sonarel {

// Reference time per millisecond.
inline constexpr RefTime REF_PER_MS = 10000;

// a × b / c in 64-bit integer arithmetic, truncated; the rare product that does not fit is computed
// in extended floating point instead of overflowing, and a result beyond 64 bits saturates.
[[nodiscard]] std::int64_t MulDiv(std::int64_t a, std::int64_t b, std::int64_t c);

// Volume 0..100 to hundredths of a decibel: linear in decibels over 40 dB, so 0 is -40 dB.
[[nodiscard]] long VolumeToLevel(short volume);

// The inverse, truncated toward zero; levels below -4000 set by other means read below 0
// (-10000 reads -150).
[[nodiscard]] short LevelToVolume(long level);

// Percent of the duration, truncated; a duration of 0 (nothing known yet) reports 0 percent.
[[nodiscard]] short PositionPercent(RefTime position, RefTime duration);

// Whole milliseconds, truncated toward zero.
[[nodiscard]] std::int32_t RefTimeToMs(RefTime time);

} // namespace sonarel
