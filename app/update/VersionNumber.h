#pragma once

#include <cstdint>
#include <string>

// A version a.b.c.d travels as two numbers, MajorId = a * 256 + b and MinorId = c * 256 + d, each of
// a, b, c and d one byte.

// The program's own version, 2.0.1.1.
inline constexpr std::int32_t CURRENT_MAJOR_ID = 2 * 256 + 0;
inline constexpr std::int32_t CURRENT_MINOR_ID = 1 * 256 + 1;

// Whether major.minor is later than the given version (by default the program's own).
[[nodiscard]] constexpr bool IsNewerVersion(std::int32_t major, std::int32_t minor,
    std::int32_t currentMajor = CURRENT_MAJOR_ID, std::int32_t currentMinor = CURRENT_MINOR_ID)
{
    return major > currentMajor || (major == currentMajor && minor > currentMinor);
}

// "a.b.c.d": bits 15-8 and 7-0 of major, then of minor.
[[nodiscard]] std::string VersionText(std::int32_t major, std::int32_t minor);
