#include "players/SchedulePolicy.h"

bool SchedulePolicy::AllowsDay(int weekday, const CalendarDate& today) const
{
    if (Type == POLICY_WEEKLY) {
        if (weekday < 0 || weekday >= static_cast<int>(Week.size()))
            return true;
        return Week[static_cast<std::size_t>(weekday)];
    }
    return !(today < BeginDate) && !(today > EndDate);
}
