#pragma once

#include "base/UniqueFd.h"

#include <compare>
#include <string>
#include <string_view>

namespace persist {

// A local calendar day, as the daily log files are named after it.
struct LogDay {
    int Year = 0;
    int Month = 0;
    int Day = 0;

    friend auto operator<=>(const LogDay&, const LogDay&) = default;
};

// A log kept as one file a day: "<prefix>YYYY-MM-DD.log" in one folder, lines appended as they come.
// When a day's file is opened (the first line, and the first line of every new day), the files of the
// prefix older than the days kept are deleted; other files in the folder are never touched.
//
// Every line is one write(2) to a file opened for appending, so a crash loses at most the line being
// written and two programs appending to the same file never mix their lines. A line that cannot be
// written (the folder is gone, the disk is full) is lost and the next one tries again; a file removed
// while open is made afresh.
class DailyLogFile {
public:
    DailyLogFile(std::string folder, std::string prefix, int keptDays);

    // Appends the line and a newline to the day's file. False when it could not be written.
    bool Append(const LogDay& day, std::string_view line);

    // The file of a day, in the folder.
    [[nodiscard]] std::string PathOf(const LogDay& day) const;
    // The day a file name names with this log's prefix; none (all zero) for any other name.
    [[nodiscard]] LogDay DayOfName(std::string_view name) const;
    // The first day that is kept when `today` is the newest.
    [[nodiscard]] LogDay FirstKeptDay(const LogDay& today) const;

private:
    bool OpenDay(const LogDay& day);
    void DeleteOldFiles(const LogDay& today) const;

    std::string m_folder;
    std::string m_prefix;
    int m_keptDays;
    LogDay m_openDay;
    base::UniqueFd m_fd;
};

} // namespace persist
