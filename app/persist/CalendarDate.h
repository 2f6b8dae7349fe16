#pragma once

#include <compare>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace persist {

// A calendar date that carries its own "%04d-%02d-%02d" text.
class CalendarDate {
public:
    // "0000-00-00", not valid: a date that has not been set yet.
    CalendarDate() = default;
    // Valid when 2000 <= year <= 2099, month <= 12 and day <= 31.
    CalendarDate(std::uint32_t year, std::uint32_t month, std::uint32_t day);
    // "y-m-d" with white space allowed around each number; valid within the ranges of the
    // three-number constructor. A text that is not three dash-separated numbers gives today's date,
    // not valid.
    explicit CalendarDate(std::string_view text);

    // As the text constructor, taking "today" from the given calendar time instead of the clock.
    [[nodiscard]] static CalendarDate Parse(std::string_view text, std::time_t now);
    // The local date now, from the system clock.
    [[nodiscard]] static CalendarDate Today();
    // The local date at the given calendar time; invalid, with every field 0, when the conversion to
    // local time fails.
    [[nodiscard]] static CalendarDate AtTime(std::time_t time);
    // The date of a broken-down local time; valid.
    [[nodiscard]] static CalendarDate FromLocalTime(const std::tm& local);

    [[nodiscard]] const std::string& Text() const { return m_text; }
    [[nodiscard]] bool Valid() const { return m_valid; }
    [[nodiscard]] std::uint32_t Year() const { return m_year; }
    [[nodiscard]] std::uint32_t Month() const { return m_month; }
    [[nodiscard]] std::uint32_t Day() const { return m_day; }

    // Dates compare by year, month and day only; the text and the flag take no part.
    friend bool operator==(const CalendarDate& a, const CalendarDate& b)
    {
        return a.m_year == b.m_year && a.m_month == b.m_month && a.m_day == b.m_day;
    }
    friend std::strong_ordering operator<=>(const CalendarDate& a, const CalendarDate& b)
    {
        if (auto order = a.m_year <=> b.m_year; order != 0)
            return order;
        if (auto order = a.m_month <=> b.m_month; order != 0)
            return order;
        return a.m_day <=> b.m_day;
    }

private:
    void RebuildText();

    std::string m_text { "0000-00-00" };
    bool m_valid { false };
    std::uint32_t m_year { 0 };
    std::uint32_t m_month { 0 };
    std::uint32_t m_day { 0 };
};

} // namespace persist
