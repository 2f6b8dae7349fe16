#include "update/UpdateHistory.h"

#include "persist/TextConversions.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace {

// A piece of one to five decimal digits and nothing else.
bool ReadNumber(std::string_view piece, int& value)
{
    if (piece.empty() || piece.size() > 5)
        return false;
    for (const char c : piece) {
        if (c < '0' || c > '9')
            return false;
    }
    return std::from_chars(piece.data(), piece.data() + piece.size(), value).ec == std::errc();
}

} // namespace

std::chrono::sys_days TodayUtc()
{
    return std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
}

std::string HistoryDateText(std::chrono::sys_days day)
{
    const std::chrono::year_month_day date { day };
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(date.year()),
        static_cast<int>(static_cast<unsigned>(date.month())),
        static_cast<int>(static_cast<unsigned>(date.day())));
    return text;
}

std::optional<std::chrono::sys_days> HistoryDateFromText(std::string_view text)
{
    text = persist::TrimWhiteSpace(text);
    std::array<int, 3> numbers {};
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::size_t dash = i + 1 < numbers.size() ? text.find('-') : text.size();
        if (dash == std::string_view::npos || !ReadNumber(text.substr(0, dash), numbers[i]))
            return std::nullopt;
        text.remove_prefix(dash == text.size() ? dash : dash + 1);
    }
    // Out-of-range numbers would give the chrono types unspecified values.
    if (numbers[0] < 1 || numbers[0] > 9999 || numbers[1] > 12 || numbers[2] > 31)
        return std::nullopt;
    const std::chrono::year_month_day date { std::chrono::year(numbers[0]),
        std::chrono::month(static_cast<unsigned>(numbers[1])),
        std::chrono::day(static_cast<unsigned>(numbers[2])) };
    if (!date.ok())
        return std::nullopt;
    return std::chrono::sys_days(date);
}

bool IsCheckDueOn(std::string_view storedText, std::chrono::sys_days today, int checkDays)
{
    const std::optional<std::chrono::sys_days> stored = HistoryDateFromText(storedText);
    if (!stored || *stored > today)
        return true;
    return *stored <= today - std::chrono::days(checkDays);
}
