#pragma once

// The duration of a file whose parser only estimates it (constant bit rate MPEG audio without a
// header, ADTS AAC, AC-3): the discoverer, and a pipeline just prerolled, may ask before the parser
// has seen enough frames and hear nothing. This decodes the file as fast as it goes, without
// sound, until the parser answers or the file ends, within a bounded time.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace sonarel::gst {

class DurationProbe {
public:
    // Nanoseconds; nullopt when the file does not decode or no duration is known in time.
    [[nodiscard]] static std::optional<std::int64_t> Measure(
        const std::string& path, std::chrono::milliseconds timeout);
};

} // namespace sonarel::gst
