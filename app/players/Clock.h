#pragma once

#include <cstdint>
#include <ctime>

namespace players {

// The current calendar time. Local time is always derived from it with localtime_r, so the process's
// time zone (TZ) decides the time of day and the date.
class IClock {
public:
    virtual ~IClock() = default;

    [[nodiscard]] virtual std::time_t Now() const = 0;
    // Milliseconds since the epoch, for records that tell when within a second something happened. A
    // clock that knows only whole seconds gives the start of the second.
    [[nodiscard]] virtual std::int64_t NowMs() const { return static_cast<std::int64_t>(Now()) * 1000; }
};

// The system clock. It reads the real-time clock itself rather than time(), which may still give the
// previous second for a few milliseconds after a second has begun: the timers' tick comes just after
// each second and must see the new one.
class SystemClock final : public IClock {
public:
    [[nodiscard]] std::time_t Now() const override { return Read().tv_sec; }
    [[nodiscard]] std::int64_t NowMs() const override
    {
        const timespec now = Read();
        return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
    }

private:
    static timespec Read()
    {
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        return now;
    }
};

} // namespace players
