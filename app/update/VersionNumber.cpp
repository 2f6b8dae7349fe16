#include "update/VersionNumber.h"

#include <cstdio>

std::string VersionText(std::int32_t major, std::int32_t minor)
{
    // Through unsigned, so that a negative number shows its low bits rather than shifting a sign.
    const auto high = static_cast<std::uint32_t>(major);
    const auto low = static_cast<std::uint32_t>(minor);
    char text[48];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>((high >> 8) & 0xFF),
        static_cast<int>(high & 0xFF), static_cast<int>((low >> 8) & 0xFF), static_cast<int>(low & 0xFF));
    return text;
}
