#pragma once

#include "persist/CalendarDate.h"

#include <array>
#include <cstdint>
#include <vector>

namespace players {

// Values of SchedulePolicy::Type. Any value other than POLICY_WEEKLY counts as a date range, so the
// type stays a plain integer that can hold whatever a configuration file said.
inline constexpr std::int32_t POLICY_DATE_RANGE = 0;
inline constexpr std::int32_t POLICY_WEEKLY = 1;

// A day on which the timer plays nothing whatever the policy says: a holiday, a closing day. A
// yearly one recurs on its month and day.
struct DayOff {
    persist::CalendarDate Date;
    bool Yearly = false;

    [[nodiscard]] bool Covers(const persist::CalendarDate& day) const;
    friend bool operator==(const DayOff&, const DayOff&) = default;
};

// On which days a player's timer may play.
struct SchedulePolicy {
    std::int32_t Type = POLICY_WEEKLY;
    // Index 0 = Sunday .. 6 = Saturday, as tm_wday counts. Monday to Friday by default.
    std::array<bool, 7> Week { false, true, true, true, true, true, false };
    // First and last day of a date range, both inclusive; unset until a range is chosen.
    persist::CalendarDate BeginDate;
    persist::CalendarDate EndDate;
    // Under either type.
    std::vector<DayOff> DaysOff;

    // Whether the timer may play on the given day. weekday is tm_wday of the local time, or outside
    // 0..6 when the local time could not be found out, which lets a weekly policy play; today is
    // not valid then, and no day off applies.
    [[nodiscard]] bool AllowsDay(int weekday, const persist::CalendarDate& today) const;
    [[nodiscard]] bool IsDayOff(const persist::CalendarDate& day) const;

    friend bool operator==(const SchedulePolicy&, const SchedulePolicy&) = default;
};

} // namespace players
