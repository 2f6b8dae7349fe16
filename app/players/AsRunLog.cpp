#include "players/AsRunLog.h"

#include "players/Clock.h"
#include "players/Players.h"

#include <ctime>

namespace players {

namespace {

    constexpr std::string_view SEPARATOR = " | ";

} // namespace

AsRunLog::AsRunLog(const Players& players, const IClock& clock, std::string folder, std::FILE* mirror)
    : m_players(players)
    , m_clock(clock)
    , m_folder(std::move(folder))
    , m_mirror(mirror)
    , m_file(m_folder, std::string(FILE_PREFIX), KEPT_DAYS)
{
}

std::string AsRunLog::FormatLine(std::int64_t epochMs, int player, std::string_view name,
    std::string_view device, std::string_view file, std::string_view what)
{
    const std::time_t seconds = static_cast<std::time_t>(epochMs / 1000);
    std::tm local {};
    char stamp[40] = "0000-00-00 00:00:00.000";
    if (localtime_r(&seconds, &local) != nullptr)
        std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
            local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
            static_cast<int>((epochMs % 1000 + 1000) % 1000));
    std::string line = stamp;
    line += SEPARATOR;
    line += std::to_string(player + 1);
    line += ' ';
    line += name;
    line += SEPARATOR;
    line += device.empty() ? std::string_view("default device") : device;
    line += SEPARATOR;
    line += file.empty() ? std::string_view("-") : file;
    line += SEPARATOR;
    line += what;
    return line;
}

void AsRunLog::Write(int player, std::string_view file, std::string_view what, std::int64_t atMs)
{
    const PlayerSlot* slot = m_players.Find(player);
    if (slot == nullptr)
        return;
    const std::int64_t now = atMs >= 0 ? atMs : m_clock.NowMs();
    const std::string line = FormatLine(now, player, slot->Setting.Name, slot->Setting.Device, file, what);
    if (m_mirror != nullptr) {
        std::fprintf(m_mirror, "%s\n", line.c_str());
        std::fflush(m_mirror);
    }
    if (m_folder.empty())
        return;
    const std::time_t seconds = static_cast<std::time_t>(now / 1000);
    std::tm local {};
    if (localtime_r(&seconds, &local) == nullptr)
        return;
    const bool written
        = m_file.Append(persist::LogDay { local.tm_year + 1900, local.tm_mon + 1, local.tm_mday }, line);
    if (written != m_fileWorks) {
        m_fileWorks = written;
        if (!written && m_mirror != nullptr)
            std::fprintf(m_mirror, "Tessaly: the as-run log cannot be written in %s\n", m_folder.c_str());
    }
}

} // namespace players
