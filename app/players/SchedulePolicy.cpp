#include "players/SchedulePolicy.h"

#include <algorithm>

namespace players {

bool DayOff::Covers(const persist::CalendarDate& day) const
{
    if (!Yearly)
        return Date == day;
    return Date.Month() == day.Month() && Date.Day() == day.Day();
}

bool SchedulePolicy::IsDayOff(const persist::CalendarDate& day) const
{
    return day.Valid()
        && std::any_of(DaysOff.begin(), DaysOff.end(), [&](const DayOff& off) { return off.Covers(day); });
}

bool SchedulePolicy::AllowsDay(int weekday, const persist::CalendarDate& today) const
{
    if (IsDayOff(today))
        return false;
    if (Type == POLICY_WEEKLY) {
        if (weekday < 0 || weekday >= static_cast<int>(Week.size()))
            return true;
        return Week[static_cast<std::size_t>(weekday)];
    }
    return !(today < BeginDate) && !(today > EndDate);
}

} // namespace players
