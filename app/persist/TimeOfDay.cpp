#include "persist/TimeOfDay.h"

#include "persist/TextConversions.h"

#include <array>
#include <cstdio>

namespace persist {

TimeOfDay::TimeOfDay(std::uint32_t hour, std::uint32_t minute, std::uint32_t second)
    : m_valid(hour <= 24 && minute <= 60 && second <= 60)
    , m_hour(hour)
    , m_minute(minute)
    , m_second(second)
{
    RebuildText();
}

TimeOfDay::TimeOfDay(std::string_view text)
{
    std::array<std::uint32_t, 3> numbers {};
    if (SplitNumberTriple(text, ':', numbers)) {
        m_hour = numbers[0];
        m_minute = numbers[1];
        m_second = numbers[2];
        m_valid = m_hour < 24 && m_minute < 60 && m_second < 60;
    } else {
        m_valid = false;
    }
    RebuildText();
}

TimeOfDay TimeOfDay::Now()
{
    return AtTime(std::time(nullptr));
}

TimeOfDay TimeOfDay::AtTime(std::time_t time)
{
    std::tm local {};
    if (localtime_r(&time, &local) == nullptr) {
        TimeOfDay failed(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu);
        failed.m_valid = false;
        return failed;
    }
    TimeOfDay now = FromLocalTime(local);
    // A leap second (tm_sec 60) is still a valid reading of the clock.
    now.m_valid = true;
    return now;
}

TimeOfDay TimeOfDay::FromLocalTime(const std::tm& local)
{
    return TimeOfDay(static_cast<std::uint32_t>(local.tm_hour), static_cast<std::uint32_t>(local.tm_min),
        static_cast<std::uint32_t>(local.tm_sec));
}

void TimeOfDay::AddSeconds(std::uint32_t seconds)
{
    m_second += seconds;
    Carry();
}

void TimeOfDay::AddTime(std::string_view text)
{
    AddTime(TimeOfDay(text));
}

void TimeOfDay::AddTime(const TimeOfDay& time)
{
    if (!time.m_valid)
        return;
    m_second += time.m_second;
    m_minute += time.m_minute;
    m_hour += time.m_hour;
    Carry();
}

TimeOfDay TimeOfDay::PlusSeconds(std::uint32_t seconds) const
{
    TimeOfDay result = *this;
    result.AddSeconds(seconds);
    return result;
}

void TimeOfDay::Carry()
{
    m_minute += m_second / 60;
    m_second %= 60;
    m_hour += m_minute / 60;
    m_minute %= 60;
    if (m_hour >= 24)
        m_nextDay = true;
    m_hour %= 24;
    RebuildText();
}

void TimeOfDay::RebuildText()
{
    // The fields print as signed numbers, so a negative input shows as such, e.g. "-1:00:00".
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", static_cast<int>(m_hour),
        static_cast<int>(m_minute), static_cast<int>(m_second));
    m_text = buffer;
}

} // namespace persist
