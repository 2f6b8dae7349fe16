#include "players/TimerScheduler.h"

#include "persist/CalendarDate.h"
#include "persist/TimeOfDay.h"
#include "players/Clock.h"
#include "players/MessageSink.h"
#include "players/PlayerController.h"
#include "players/PlayerTimers.h"
#include "players/WideText.h"

#include <array>
#include <ctime>

namespace {

// Characters of the buffer that receives a stream's file name.
constexpr short streamFileBufferLength = 260;

} // namespace

TimerScheduler::TimerScheduler(Players& players, PlayerController& controller, sonarel::ISonarel& control,
    IPlayerTimers& timers, const IClock& clock, IMessageSink& messages)
    : m_players(players)
    , m_controller(controller)
    , m_control(control)
    , m_timers(timers)
    , m_clock(clock)
    , m_messages(messages)
{
}

void TimerScheduler::StartPlayerTimer(int player)
{
    if (!Players::IsPlayer(player))
        return;
    PlayerSlot& slot = m_players.Slot(player);
    slot.TimerWanted = true;
    if (slot.TimerOn())
        return;
    m_controller.StopPlayer(player);
    slot.Timer = m_timers.Start(player);
}

void TimerScheduler::StopPlayerTimer(int player)
{
    if (!Players::IsPlayer(player))
        return;
    m_players.Slot(player).TimerWanted = false;
    HaltTimer(player);
}

void TimerScheduler::HaltAllTimers()
{
    for (int player = 0; player < PLAYER_COUNT; ++player)
        HaltTimer(player);
}

void TimerScheduler::HaltTimer(int player)
{
    if (!m_players.Slot(player).TimerOn())
        return;
    m_timers.Stop(player);
    m_players.Slot(player).Timer = 0;
    m_controller.StopPlayer(player);
}

void TimerScheduler::StartCurrentPlayerTimer()
{
    const int current = m_controller.CurrentPlayer();
    const PlayerSlot& slot = m_players.Slot(current);
    if (slot.TimerOn()) {
        m_messages.ShowMessage("Timer already started", MESSAGE_CAPTION, MessageIcon::Information);
        return;
    }
    if (slot.List.Empty()) {
        m_messages.ShowMessage("No list item", MESSAGE_CAPTION, MessageIcon::Information);
        return;
    }
    StartPlayerTimer(current);
}

void TimerScheduler::StopCurrentPlayerTimer()
{
    StopPlayerTimer(m_controller.CurrentPlayer());
}

void TimerScheduler::StartAllTimers()
{
    for (int player = 0; player < PLAYER_COUNT; ++player)
        StartPlayerTimer(player);
}

void TimerScheduler::StopAllTimers()
{
    for (int player = 0; player < PLAYER_COUNT; ++player)
        StopPlayerTimer(player);
}

int TimerScheduler::PlayerOfTimer(std::uint32_t timerId)
{
    if (timerId < PLAYER_TIMER_ID_BASE || timerId >= PLAYER_TIMER_ID_BASE + PLAYER_COUNT)
        return -1;
    return static_cast<int>(timerId - PLAYER_TIMER_ID_BASE);
}

void TimerScheduler::Tick(int player)
{
    // A tick that was already due when the timer stopped must not start anything.
    if (!Players::IsPlayer(player) || !m_players.Slot(player).TimerOn())
        return;
    const PlayList& list = m_players.Slot(player).List;
    const int row = ScheduledItemAt(player);
    if (row < 0 || row >= list.RowCount()) {
        m_controller.StopPlayer(player);
        return;
    }
    const std::string& path = list.Row(row).Path;
    // The control keeps the name of the last file it opened even when a later open of the stream
    // failed, so the name alone would leave a file that can no longer be opened silent for the rest
    // of its window while the player reads "Running". A stream that is not playing is opened again.
    if (!StreamHasFile(player, path) || !StreamIsPlaying(player))
        m_controller.StopPlayer(player);
    if (m_players.Slot(player).State != PLAYER_RUNNING)
        m_controller.PlayScheduledRow(player, row);
}

bool TimerScheduler::StreamHasFile(int player, const std::string& path) const
{
    std::array<char16_t, streamFileBufferLength> buffer {};
    (void)m_control.GetStreamFile(static_cast<short>(player), buffer.data(), streamFileBufferLength);
    const std::string streamFile = WideBufferToUtf8(std::u16string_view(buffer.data(), buffer.size()));
    if (streamFile == path)
        return true;
    // The control keeps a bounded name, so a long path comes back cut short and would never match:
    // the file would be restarted every second. A cut-off beginning of the path counts when the path
    // is the one this program last opened on the stream.
    return !streamFile.empty() && streamFile.size() < path.size() && path.starts_with(streamFile)
        && m_controller.LastOpenedPath(player) == path;
}

bool TimerScheduler::StreamIsPlaying(int player) const
{
    short state = sonarel::STATE_CLOSED;
    return m_control.GetStreamState(static_cast<short>(player), &state) && state == sonarel::STATE_PLAYING;
}

int TimerScheduler::ScheduledItemAt(int player) const
{
    if (!Players::IsPlayer(player))
        return -1;
    const SchedulePolicy& policy = m_players.Slot(player).Policy;
    const std::time_t now = m_clock.Now();
    std::tm local {};
    const bool known = localtime_r(&now, &local) != nullptr;

    // Without a local time a weekly policy lets the day pass, while a date range has no date to
    // allow; either way there is no time of day to match a row against.
    static const CalendarDate noDate;
    const bool allowed
        = policy.AllowsDay(known ? local.tm_wday : -1, known ? CalendarDate::FromLocalTime(local) : noDate);
    if (!allowed || !known)
        return -1;

    const Clock3 time { static_cast<std::uint32_t>(local.tm_hour), static_cast<std::uint32_t>(local.tm_min),
        static_cast<std::uint32_t>(local.tm_sec) };
    const std::vector<Window>& windows = WindowsOf(player);
    if (windows.empty() || time < windows.front().begin || windows.back().end < time)
        return -1;
    // Rows are in ascending order and do not overlap, so the only row that can hold the time, and
    // therefore the first, is the last one that begins at or before it.
    std::size_t low = 0;
    std::size_t high = windows.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (time < windows[middle].begin)
            high = middle;
        else
            low = middle + 1;
    }
    if (low == 0 || !(time < windows[low - 1].end))
        return -1;
    return static_cast<int>(low - 1);
}

const std::vector<TimerScheduler::Window>& TimerScheduler::WindowsOf(int player) const
{
    const PlayList& list = m_players.Slot(player).List;
    ParsedList& parsed = m_parsed[static_cast<std::size_t>(player)];
    if (parsed.valid && parsed.revision == list.Revision())
        return parsed.windows;
    const auto fields = [](const TimeOfDay& time) {
        return Clock3 { time.Hour(), time.Minute(), time.Second() };
    };
    parsed.windows.clear();
    for (int row = 0; row < list.RowCount(); ++row)
        parsed.windows.push_back(Window { fields(list.BeginTimeOf(row)), fields(list.EndTimeOf(row)) });
    parsed.revision = list.Revision();
    parsed.valid = true;
    return parsed.windows;
}
