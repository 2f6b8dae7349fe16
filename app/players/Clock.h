#pragma once

#include <ctime>

// The current calendar time. Local time is always derived from it with localtime_r, so the process's
// time zone (TZ) decides the time of day and the date.
class IClock {
public:
    virtual ~IClock() = default;

    [[nodiscard]] virtual std::time_t Now() const = 0;
};

// The system clock.
class SystemClock final : public IClock {
public:
    [[nodiscard]] std::time_t Now() const override { return std::time(nullptr); }
};
