#include "persist/CalendarDate.h"

#include "persist/TextConversions.h"

#include <array>
#include <cstdio>

namespace persist {

CalendarDate::CalendarDate(std::uint32_t year, std::uint32_t month, std::uint32_t day)
    : m_valid(year >= 2000 && year <= 2099 && month <= 12 && day <= 31)
    , m_year(year)
    , m_month(month)
    , m_day(day)
{
    RebuildText();
}

CalendarDate::CalendarDate(std::string_view text)
    : CalendarDate(Parse(text, std::time(nullptr)))
{
}

CalendarDate CalendarDate::Parse(std::string_view text, std::time_t now)
{
    std::array<std::uint32_t, 3> numbers {};
    if (!SplitNumberTriple(text, '-', numbers)) {
        CalendarDate today = AtTime(now);
        today.m_valid = false;
        return today;
    }
    return CalendarDate(numbers[0], numbers[1], numbers[2]);
}

CalendarDate CalendarDate::Today()
{
    return AtTime(std::time(nullptr));
}

CalendarDate CalendarDate::AtTime(std::time_t time)
{
    std::tm local {};
    if (localtime_r(&time, &local) == nullptr)
        return CalendarDate(0, 0, 0);
    return FromLocalTime(local);
}

CalendarDate CalendarDate::FromLocalTime(const std::tm& local)
{
    CalendarDate date(static_cast<std::uint32_t>(local.tm_year + 1900),
        static_cast<std::uint32_t>(local.tm_mon + 1), static_cast<std::uint32_t>(local.tm_mday));
    // Today is today, even outside the years a stored date may name.
    date.m_valid = true;
    return date;
}

void CalendarDate::RebuildText()
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", static_cast<int>(m_year),
        static_cast<int>(m_month), static_cast<int>(m_day));
    m_text = buffer;
}

} // namespace persist
