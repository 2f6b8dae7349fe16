#include "control/UnitConversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

using namespace sonarel;

constexpr std::int64_t TWO_TO_62 = std::int64_t { 1 } << 62;
constexpr std::int64_t INT64_MAX_VALUE = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t INT64_MIN_VALUE = std::numeric_limits<std::int64_t>::min();

TEST(UnitConversion, MulDivTruncatesAndSurvivesOverflow)
{
    struct Case {
        std::int64_t A, B, C, Expected;
    };
    const Case cases[] = {
        { 7, 3, 2, 10 },
        { -7, 3, 2, -10 }, // toward zero, not down
        { 0, INT64_MAX_VALUE, 1, 0 },
        // The product needs more than 64 bits, the result does not.
        { TWO_TO_62, 4, 8, TWO_TO_62 / 2 },
        { -TWO_TO_62, 4, 8, -TWO_TO_62 / 2 },
        // Neither fits: the result saturates instead of wrapping.
        { TWO_TO_62, 4, 1, INT64_MAX_VALUE },
        { -TWO_TO_62, 4, 1, INT64_MIN_VALUE },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MulDiv(c.A, c.B, c.C), c.Expected) << c.A << " x " << c.B << " / " << c.C;
    }
}

TEST(UnitConversion, VolumeAndLevel)
{
    struct Case {
        short Volume;
        long Level;
    };
    const Case cases[] = { { 100, 0 }, { 0, -4000 }, { 50, -2000 }, { 1, -3960 }, { 99, -40 } };
    for (const Case& c : cases) {
        EXPECT_EQ(VolumeToLevel(c.Volume), c.Level) << c.Volume;
        EXPECT_EQ(LevelToVolume(c.Level), c.Volume) << c.Level;
    }
    for (short volume = 0; volume <= 100; ++volume) {
        EXPECT_EQ(LevelToVolume(VolumeToLevel(volume)), volume);
    }
}

TEST(UnitConversion, LevelsBetweenStepsAndBelowTheRange)
{
    struct Case {
        long Level;
        short Volume;
    };
    const Case cases[] = {
        { -39, 100 }, // truncated toward zero: just below 0 dB still reads full
        { -41, 99 },
        { -3999, 1 },
        // The graph's floor, set by other means.
        { -10000, -150 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LevelToVolume(c.Level), c.Volume) << c.Level;
    }
}

TEST(UnitConversion, PositionPercent)
{
    struct Case {
        RefTime Position, Duration;
        short Percent;
    };
    const RefTime tenHours = 10LL * 3600 * 1000 * REF_PER_MS;
    const Case cases[] = {
        { 0, 0, 0 },
        { 5, 0, 0 }, // nothing known about the length yet
        { 50, 100, 50 },
        { 1, 3, 33 },
        { 2, 3, 66 },
        { tenHours, tenHours, 100 },
        { tenHours - 1, tenHours, 99 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PositionPercent(c.Position, c.Duration), c.Percent) << c.Position << " of " << c.Duration;
    }
}

TEST(UnitConversion, RefTimeToMilliseconds)
{
    struct Case {
        RefTime Time;
        std::int32_t Ms;
    };
    const Case cases[] = {
        { 0, 0 },
        { REF_PER_MS - 1, 0 },
        { REF_PER_MS, 1 },
        { -(REF_PER_MS - 1), 0 },
        { 3600LL * 1000 * REF_PER_MS, 3600000 },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RefTimeToMs(c.Time), c.Ms) << c.Time;
    }
}

} // namespace
