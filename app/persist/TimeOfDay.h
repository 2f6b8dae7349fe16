#pragma once

#include <compare>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace persist {

// A time of day that carries its own "%02d:%02d:%02d" text. Lists and files hold times as text;
// they are parsed into this value whenever a time must be compared or computed with.
class TimeOfDay {
public:
    // 00:00:00, valid.
    TimeOfDay() = default;
    // Valid when hour <= 24, minute <= 60 and second <= 60: looser than parsing, so that a computed
    // limit such as 24:00:00 can be expressed.
    TimeOfDay(std::uint32_t hour, std::uint32_t minute, std::uint32_t second);
    // "h:m:s" with white space allowed around each number; valid when it has exactly three numbers
    // and hour < 24, minute < 60 and second < 60. A negative number is never valid.
    explicit TimeOfDay(std::string_view text);

    // The local time of day now, from the system clock.
    [[nodiscard]] static TimeOfDay Now();
    // The local time of day at the given calendar time; invalid, with every field 0xFFFFFFFF, when
    // the conversion to local time fails.
    [[nodiscard]] static TimeOfDay AtTime(std::time_t time);
    // The time fields of a broken-down local time, with the validity of the three-number constructor.
    [[nodiscard]] static TimeOfDay FromLocalTime(const std::tm& local);

    [[nodiscard]] const std::string& Text() const { return m_text; }
    // Set once arithmetic has carried the hour to 24 or beyond; it stays set.
    [[nodiscard]] bool NextDay() const { return m_nextDay; }
    [[nodiscard]] bool Valid() const { return m_valid; }
    [[nodiscard]] std::uint32_t Hour() const { return m_hour; }
    [[nodiscard]] std::uint32_t Minute() const { return m_minute; }
    [[nodiscard]] std::uint32_t Second() const { return m_second; }

    void AddSecond() { AddSeconds(1); }
    void AddSeconds(std::uint32_t seconds);
    // Adds the hours, minutes and seconds of a time text (a duration, as list rows show it).
    // A text that does not parse as a valid time adds nothing.
    void AddTime(std::string_view text);
    void AddTime(const TimeOfDay& time);

    // Copies with the seconds added, for expressions such as "the previous end plus one second".
    [[nodiscard]] TimeOfDay PlusSeconds(std::uint32_t seconds) const;

    // Times compare by hour, minute and second only; the text and the flags take no part.
    friend bool operator==(const TimeOfDay& a, const TimeOfDay& b)
    {
        return a.m_hour == b.m_hour && a.m_minute == b.m_minute && a.m_second == b.m_second;
    }
    friend std::strong_ordering operator<=>(const TimeOfDay& a, const TimeOfDay& b)
    {
        if (auto order = a.m_hour <=> b.m_hour; order != 0)
            return order;
        if (auto order = a.m_minute <=> b.m_minute; order != 0)
            return order;
        return a.m_second <=> b.m_second;
    }

private:
    void Carry();
    void RebuildText();

    std::string m_text { "00:00:00" };
    bool m_nextDay { false };
    bool m_valid { true };
    std::uint32_t m_hour { 0 };
    std::uint32_t m_minute { 0 };
    std::uint32_t m_second { 0 };
};

} // namespace persist
