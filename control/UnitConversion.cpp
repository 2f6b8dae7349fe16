#include "control/UnitConversion.h"

#include <algorithm>
#include <limits>

namespace sonarel {

std::int64_t MulDiv(std::int64_t a, std::int64_t b, std::int64_t c)
{
    std::int64_t product = 0;
    if (!__builtin_mul_overflow(a, b, &product)) {
        return product / c;
    }
    const long double exact
        = static_cast<long double>(a) * static_cast<long double>(b) / static_cast<long double>(c);
    if (exact >= 0x1p63L) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (exact < -0x1p63L) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(exact);
}

long VolumeToLevel(short volume)
{
    return -40L * (100L - volume);
}

short LevelToVolume(long level)
{
    const auto clamped = std::clamp<std::int64_t>(
        level, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    return static_cast<short>(100 + clamped * 100 / 4000);
}

short PositionPercent(RefTime position, RefTime duration)
{
    if (duration == 0) {
        return 0;
    }
    return static_cast<short>(MulDiv(position, 100, duration));
}

std::int32_t RefTimeToMs(RefTime time)
{
    return static_cast<std::int32_t>(time / REF_PER_MS);
}

} // namespace sonarel
