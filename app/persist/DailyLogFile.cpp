#include "persist/DailyLogFile.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace persist {

namespace {

    constexpr std::string_view EXTENSION = ".log";

    bool ParseNumber(std::string_view text, int& value)
    {
        value = 0;
        for (const char c : text) {
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        }
        return !text.empty();
    }

    struct DirectoryCloser {
        void operator()(DIR* directory) const { ::closedir(directory); }
    };

} // namespace

DailyLogFile::DailyLogFile(std::string folder, std::string prefix, int keptDays)
    : m_folder(std::move(folder))
    , m_prefix(std::move(prefix))
    , m_keptDays(keptDays < 1 ? 1 : keptDays)
{
    if (!m_folder.empty() && m_folder.back() != '/')
        m_folder += '/';
}

std::string DailyLogFile::PathOf(const LogDay& day) const
{
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", day.Year, day.Month, day.Day);
    return m_folder + m_prefix + date + std::string(EXTENSION);
}

LogDay DailyLogFile::DayOfName(std::string_view name) const
{
    // "<prefix>YYYY-MM-DD.log"
    constexpr std::size_t dateLength = 10;
    if (name.size() != m_prefix.size() + dateLength + EXTENSION.size() || !name.starts_with(m_prefix)
        || !name.ends_with(EXTENSION))
        return {};
    const std::string_view date = name.substr(m_prefix.size(), dateLength);
    LogDay day;
    if (date[4] != '-' || date[7] != '-' || !ParseNumber(date.substr(0, 4), day.Year)
        || !ParseNumber(date.substr(5, 2), day.Month) || !ParseNumber(date.substr(8, 2), day.Day)
        || day.Month < 1 || day.Month > 12 || day.Day < 1 || day.Day > 31)
        return {};
    return day;
}

LogDay DailyLogFile::FirstKeptDay(const LogDay& today) const
{
    // Noon, so that a change of summer time cannot move the date.
    std::tm noon {};
    noon.tm_year = today.Year - 1900;
    noon.tm_mon = today.Month - 1;
    noon.tm_mday = today.Day - (m_keptDays - 1);
    noon.tm_hour = 12;
    noon.tm_isdst = -1;
    if (std::mktime(&noon) == static_cast<std::time_t>(-1))
        return {};
    return LogDay { noon.tm_year + 1900, noon.tm_mon + 1, noon.tm_mday };
}

bool DailyLogFile::Append(const LogDay& day, std::string_view line)
{
    if (m_folder.empty())
        return false;
    // A file removed while open (the folder cleaned up by hand) would swallow every later line.
    struct stat status { };
    if (m_fd.Valid() && (::fstat(m_fd.Get(), &status) != 0 || status.st_nlink == 0))
        m_fd.Reset();
    if ((!m_fd.Valid() || day != m_openDay) && !OpenDay(day))
        return false;
    std::string text;
    text.reserve(line.size() + 1);
    text.append(line);
    text += '\n';
    for (;;) {
        const ssize_t written = ::write(m_fd.Get(), text.data(), text.size());
        if (written == static_cast<ssize_t>(text.size()))
            return true;
        if (written < 0 && errno == EINTR)
            continue;
        // A short or failed write: the file is opened afresh for the next line.
        m_fd.Reset();
        return false;
    }
}

bool DailyLogFile::OpenDay(const LogDay& day)
{
    m_fd.Reset(::open(PathOf(day).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!m_fd.Valid())
        return false;
    if (day != m_openDay) {
        m_openDay = day;
        DeleteOldFiles(day);
    }
    return true;
}

void DailyLogFile::DeleteOldFiles(const LogDay& today) const
{
    const LogDay firstKept = FirstKeptDay(today);
    if (firstKept == LogDay {})
        return;
    const std::unique_ptr<DIR, DirectoryCloser> directory(::opendir(m_folder.c_str()));
    if (!directory)
        return;
    std::vector<std::string> old;
    while (const dirent* entry = ::readdir(directory.get())) {
        const LogDay day = DayOfName(entry->d_name);
        if (day != LogDay {} && day < firstKept)
            old.emplace_back(entry->d_name);
    }
    for (const std::string& name : old)
        (void)::unlink((m_folder + name).c_str());
}

} // namespace persist
