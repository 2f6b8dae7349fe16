#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

// The dates of the update history file, which holds the UTC calendar date of the last successful
// check as "%04d-%02d-%02d" and nothing else.

// Today's date in UTC.
[[nodiscard]] std::chrono::sys_days TodayUtc();

// "%04d-%02d-%02d" of the date.
[[nodiscard]] std::string HistoryDateText(std::chrono::sys_days day);

// The date of a history text: year-month-day in decimal digits, white space allowed around the
// whole, and a real calendar date. Nothing for any other text.
[[nodiscard]] std::optional<std::chrono::sys_days> HistoryDateFromText(std::string_view text);

// Whether a check is due today, given the history file's text. With checkDays 7, a check made on
// the 10th is not repeated before the 17th: the check is due once the stored date is checkDays or
// more days before today.
//
// A text that is not a date makes the check due, and so does a date after today (written while the
// clock was wrong): either would otherwise hold the check back until the clock reaches that text.
[[nodiscard]] bool IsCheckDueOn(std::string_view storedText, std::chrono::sys_days today, int checkDays);
