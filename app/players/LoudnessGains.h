#pragma once

#include <optional>
#include <string>

namespace players {

// Where the players find each file's loudness gain.
class ILoudnessGains {
public:
    virtual ~ILoudnessGains() = default;
    // The gain for the file as it is now; nothing while it is not measured (or cannot be).
    [[nodiscard]] virtual std::optional<double> GainDb(const std::string& path) const = 0;
};

} // namespace players
