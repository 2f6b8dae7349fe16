#include "players/TimerScheduler.h"

#include "persist/FileExistence.h"
#include "persist/TimeOfDay.h"
#include "players/AsRunLog.h"
#include "players/Clock.h"
#include "players/MessageSink.h"
#include "players/PlayerController.h"
#include "players/PlayerTimers.h"
#include "players/WideText.h"

#include <algorithm>
#include <array>
#include <utility>

namespace players {

namespace {

    // Characters of the buffer that receives a stream's file name.
    constexpr short streamFileBufferLength = 260;
    // A tick that comes after a longer gap looks through the last day of it only.
    constexpr std::time_t lookBackLimitSeconds = std::time_t { 24 } * 60 * 60;

} // namespace

TimerScheduler::TimerScheduler(Players& players, PlayerController& controller, sonarel::ISonarel& control,
    IPlayerTimers& timers, const IClock& clock, IMessageSink& messages, IAsRunLog& log)
    : m_players(players)
    , m_controller(controller)
    , m_control(control)
    , m_timers(timers)
    , m_clock(clock)
    , m_messages(messages)
    , m_log(log)
{
    m_controller.SetTimedPlayback(this);
}

TimerScheduler::~TimerScheduler()
{
    m_controller.SetTimedPlayback(nullptr);
}

void TimerScheduler::StartPlayerTimer(int player)
{
    if (!Players::IsPlayer(player))
        return;
    PlayerSlot& slot = m_players.Slot(player);
    slot.TimerWanted = true;
    if (slot.TimerOn())
        return;
    m_controller.ShowFailure(player, {});
    m_controller.StopPlayer(player);
    slot.Timer = m_timers.Start(player);
    if (!slot.TimerOn())
        return;
    Track& track = m_tracks[static_cast<std::size_t>(player)];
    track = Track {};
    track.since = m_clock.Now();
    m_timerShown[static_cast<std::size_t>(player)] = false;
    Log(player, {}, "timer started");
}

void TimerScheduler::StopPlayerTimer(int player)
{
    if (!Players::IsPlayer(player))
        return;
    m_players.Slot(player).TimerWanted = false;
    HaltTimer(player, "timer stopped");
}

void TimerScheduler::HaltAllTimers()
{
    for (int player = 0; player < PLAYER_COUNT; ++player)
        HaltTimer(player, "timer stopped: the program ends");
}

void TimerScheduler::HaltTimer(int player, std::string_view why)
{
    PlayerSlot& slot = m_players.Slot(player);
    if (!slot.TimerOn())
        return;
    m_timers.Stop(player);
    slot.Timer = 0;
    Track& track = m_tracks[static_cast<std::size_t>(player)];
    if (track.active && slot.State == PLAYER_RUNNING)
        Log(player, track.active->path, "stopped with its timer");
    track = Track {};
    m_controller.ShowFailure(player, {});
    m_controller.StopPlayer(player);
    Log(player, {}, why);
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

int TimerScheduler::RetryPauseSeconds(int failures)
{
    int pause = 1;
    for (int failure = 1; failure < failures && pause < RETRY_PAUSE_LIMIT_SECONDS; ++failure)
        pause *= 2;
    return std::min(pause, RETRY_PAUSE_LIMIT_SECONDS);
}

void TimerScheduler::Tick()
{
    const std::time_t now = m_clock.Now();
    const LocalSecond second = ReadSecond(now);
    m_inTick = true;

    // What the last tick opened for this second starts first, every player's at once: rows of the
    // same second then start together, before anything slower is done.
    std::array<int, PLAYER_COUNT> due {};
    std::array<std::int64_t, PLAYER_COUNT> startedAtMs {};
    startedAtMs.fill(-1);
    for (int player = 0; player < PLAYER_COUNT; ++player) {
        const auto index = static_cast<std::size_t>(player);
        due[index] = m_players.Slot(player).TimerOn() ? DueAt(player, second) : -1;
        if (due[index] < 0 || !IsPrepared(player, KeyOf(player, due[index])))
            continue;
        const std::int64_t at = m_clock.NowMs();
        if (m_controller.StartPrepared(player))
            startedAtMs[index] = at;
    }
    if (m_lastTick != 0 && now > m_lastTick + 1)
        LogMissedRows(now, due);
    for (int player = 0; player < PLAYER_COUNT; ++player) {
        const auto index = static_cast<std::size_t>(player);
        if (!m_players.Slot(player).TimerOn())
            continue;
        Follow(player, due[index], now, second, startedAtMs[index]);
        if (!std::exchange(m_timerShown[index], true))
            m_controller.RefreshStatus(player);
    }
    const LocalSecond next = ReadSecond(now + 1);
    for (int player = 0; player < PLAYER_COUNT; ++player) {
        if (m_players.Slot(player).TimerOn())
            PrepareNext(player, next);
    }
    m_lastTick = now;
    m_inTick = false;
}

void TimerScheduler::LogMissedRows(std::time_t now, const std::array<int, PLAYER_COUNT>& due)
{
    std::array<std::vector<RowKey>, PLAYER_COUNT> told;
    for (std::time_t when = std::max(m_lastTick + 1, now - lookBackLimitSeconds); when < now; ++when) {
        const LocalSecond second = ReadSecond(when);
        for (int player = 0; player < PLAYER_COUNT; ++player) {
            const auto index = static_cast<std::size_t>(player);
            const Track& track = m_tracks[index];
            if (!m_players.Slot(player).TimerOn() || when <= track.since)
                continue;
            const int row = DueAt(player, second);
            if (row < 0 || row == due[index])
                continue;
            RowKey key = KeyOf(player, row);
            std::vector<RowKey>& rows = told[index];
            if (track.active == key || std::find(rows.begin(), rows.end(), key) != rows.end())
                continue;
            const PlayListEntry& entry = m_players.Slot(player).List.Row(row);
            Log(player, key.path,
                "missed: its window " + entry.BeginTime + "-" + entry.EndTime + " passed unseen");
            rows.push_back(std::move(key));
        }
    }
}

void TimerScheduler::Follow(
    int player, int row, std::time_t now, const LocalSecond& second, std::int64_t startedAtMs)
{
    Track& track = m_tracks[static_cast<std::size_t>(player)];
    if (startedAtMs >= 0) {
        const std::time_t since = track.since;
        track = Track {};
        track.since = since;
        track.active = KeyOf(player, row);
        m_controller.SelectScheduledRow(player, row);
        Started(player, *track.active, second, StartKind::NewRow, startedAtMs);
        return;
    }
    // A completion or a failure that is still queued is taken into account first.
    m_controller.Settle(player);
    if (row < 0) {
        EndRow(player);
        return;
    }
    const RowKey key = KeyOf(player, row);
    if (track.active && *track.active != key) {
        if (track.active->path == key.path && StreamPlaysFile(player, key.path)) {
            // The same file, its row moved by an edit: it plays on.
            track.active = key;
            track.tail = false;
            return;
        }
        // Another row's file, playing on past its window or not yet ended: this row's second has come.
        if (StreamPlaysFile(player, track.active->path))
            Log(player, track.active->path, "cut: the next row begins");
        EndTrack(player);
    }
    if (!track.active) {
        const std::time_t since = track.since;
        track = Track {};
        track.since = since;
        track.active = key;
        track.late = second.time != key.begin;
        StartRow(player, row, now, second, StartKind::NewRow);
        return;
    }
    if (track.fading)
        return;
    track.tail = false;
    if (StreamPlaysFile(player, key.path))
        return;
    if (track.completed) {
        track.completed = false;
        track.late = true;
        StartRow(player, row, now, second, StartKind::Restart);
        return;
    }
    // The file stopped and nobody said why (something else closed the stream): it failed some time
    // since the last tick.
    if (!track.failed)
        Failed(player, now - 1, m_controller.FailureReason(player));
    if (now < track.retryAt) {
        // A device that comes back is told by the controller, which calls OnPlayableAgain.
        if (track.waiting == Track::Waiting::Device)
            m_controller.RecheckDevice(player);
        else if (track.waiting == Track::Waiting::File && persist::ListedFileExists(key.path))
            track.retryAt = now;
    }
    if (now >= track.retryAt)
        StartRow(player, row, now, second, StartKind::Retry);
}

void TimerScheduler::EndRow(int player)
{
    Track& track = m_tracks[static_cast<std::size_t>(player)];
    if (!track.active) {
        // A stream opened for a row that is no longer due, or left over: nothing is to sound.
        if (m_players.Slot(player).State != PLAYER_STOPPED || StreamState(player) != sonarel::STATE_CLOSED)
            m_controller.StopPlayer(player);
        return;
    }
    if (track.fading)
        return;
    const std::string path = track.active->path;
    if (!StreamPlaysFile(player, path)) {
        EndTrack(player);
        return;
    }
    const std::int32_t remaining = m_controller.RemainingMs(player);
    if (track.tail) {
        // A tail is given the second it asked for, and the moment its start came late.
        if (++track.tailTicks < 2 && remaining >= 0 && remaining < TAIL_LIMIT_MS)
            return;
        Log(player, path, "cut: still playing a second after its window closed");
        EndTrack(player);
        return;
    }
    if (remaining >= 0 && remaining - track.startOffsetMs < TAIL_LIMIT_MS) {
        // Its end is near: the whole file is heard, and its completion ends the row.
        track.tail = true;
        track.tailTicks = 0;
        return;
    }
    if (track.late) {
        Log(player, path, "faded out at its window's end");
        track.fading = true;
        m_controller.FadeOut(player);
        return;
    }
    Log(player, path, "cut at its window's end");
    EndTrack(player);
}

void TimerScheduler::StartRow(int player, int row, std::time_t now, const LocalSecond& second, StartKind kind)
{
    Track& track = m_tracks[static_cast<std::size_t>(player)];
    track.prepared.reset();
    // The stream may hold a file opened for another row, or a failed one.
    if (StreamState(player) != sonarel::STATE_CLOSED)
        m_controller.StopPlayer(player);
    const std::int64_t startedAtMs = m_clock.NowMs();
    const bool opened = m_controller.StartRow(player, row);
    if (kind == StartKind::NewRow)
        m_controller.SelectScheduledRow(player, row);
    if (!opened) {
        Failed(player, now, m_controller.FailureReason(player));
        return;
    }
    Started(player, *track.active, second, kind, startedAtMs);
}

void TimerScheduler::Started(
    int player, const RowKey& key, const LocalSecond& second, StartKind kind, std::int64_t startedAtMs)
{
    Track& track = m_tracks[static_cast<std::size_t>(player)];
    std::string what;
    if (kind == StartKind::Restart) {
        what = "started again";
    } else if (second.time == key.begin) {
        what = "started";
    } else {
        const std::int64_t lateBy = second.time.Seconds() - key.begin.Seconds();
        what = "started " + std::to_string(lateBy) + " s after its begin time";
        const std::time_t begun = second.when - static_cast<std::time_t>(lateBy);
        if (track.failures > 0)
            what += " (try " + std::to_string(track.failures + 1) + ")";
        else if (m_lastTick != 0 && begun > m_lastTick && begun > track.since)
            what += ": its begin second passed unseen";
    }
    // A file that starts after its row's begin second fades out if its window closes first.
    track.late = kind == StartKind::Restart || second.time != key.begin;
    track.startOffsetMs = std::clamp<std::int64_t>(
        startedAtMs - static_cast<std::int64_t>(second.when) * 1000, 0, TAIL_LIMIT_MS - 1);
    track.failed = false;
    track.failures = 0;
    track.waiting = Track::Waiting::Nothing;
    track.prepared.reset();
    m_controller.ShowFailure(player, {});
    Log(player, key.path, what, startedAtMs);
}

void TimerScheduler::Failed(int player, std::time_t at, std::string_view reason)
{
    Track& track = m_tracks[static_cast<std::size_t>(player)];
    if (!track.active)
        return;
    ++track.failures;
    const int pause = RetryPauseSeconds(track.failures);
    track.failed = true;
    track.completed = false;
    track.retryAt = at + pause;
    track.waiting = m_controller.DeviceAbsent(player)    ? Track::Waiting::Device
        : !persist::ListedFileExists(track.active->path) ? Track::Waiting::File
                                                         : Track::Waiting::Nothing;
    // An absent device has its own line in the player's tip.
    const std::string& error = m_controller.LastError(player);
    m_controller.ShowFailure(player,
        m_controller.DeviceAbsent(player) ? std::string_view()
            : error.empty()               ? reason
                                          : std::string_view(error));
    m_controller.StopPlayer(player);
    const LocalSecond second = ReadSecond(at);
    const std::int64_t windowLeft = track.active->end.Seconds() - second.time.Seconds();
    Log(player, track.active->path,
        "failed: " + std::string(reason)
            + (pause < windowLeft ? "; next try in " + std::to_string(pause) + " s"
                                  : std::string("; its window closes before the next try")));
}

void TimerScheduler::EndTrack(int player)
{
    Track& track = m_tracks[static_cast<std::size_t>(player)];
    const std::time_t since = track.since;
    track = Track {};
    track.since = since;
    if (m_players.Slot(player).State != PLAYER_STOPPED || StreamState(player) != sonarel::STATE_CLOSED)
        m_controller.StopPlayer(player);
}

void TimerScheduler::PrepareNext(int player, const LocalSecond& next)
{
    Track& track = m_tracks[static_cast<std::size_t>(player)];
    // While a row is in hand the stream is busy with it; the next row is opened once it is free.
    if (track.active || !m_players.Slot(player).TimerOn())
        return;
    const int row = DueAt(player, next);
    if (row < 0)
        return;
    RowKey key = KeyOf(player, row);
    if (IsPrepared(player, key))
        return;
    if (m_controller.PrepareRow(player, row, static_cast<std::int64_t>(next.when) * 1000))
        track.prepared = std::move(key);
    else
        track.prepared.reset();
}

void TimerScheduler::OnStreamStopped(int player, bool completed)
{
    Track& track = m_tracks[static_cast<std::size_t>(player)];
    if (!track.active)
        return;
    if (completed && !track.tail && !track.fading) {
        track.completed = true;
        return;
    }
    EndTrack(player);
    // A file that played on past its window, or faded out, has left the stream free for the row of
    // the next second.
    if (!m_inTick)
        PrepareNext(player, ReadSecond(m_clock.Now() + 1));
}

void TimerScheduler::OnStreamFailed(int player, std::string_view reason)
{
    Track& track = m_tracks[static_cast<std::size_t>(player)];
    if (track.active && !track.failed)
        Failed(player, m_clock.Now(), reason);
    else if (!track.active)
        track.prepared.reset();
}

void TimerScheduler::OnPlayableAgain(int player)
{
    // Its device or its file is back: no need to wait out the pause.
    Track& track = m_tracks[static_cast<std::size_t>(player)];
    if (track.failed)
        track.retryAt = 0;
}

void TimerScheduler::Log(int player, std::string_view file, std::string_view what, std::int64_t atMs)
{
    m_log.Write(player, file, what, atMs);
}

bool TimerScheduler::IsPrepared(int player, const RowKey& key) const
{
    const Track& track = m_tracks[static_cast<std::size_t>(player)];
    return track.prepared == key && StreamState(player) == sonarel::STATE_PAUSED
        && StreamHasFile(player, key.path);
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

short TimerScheduler::StreamState(int player) const
{
    short state = sonarel::STATE_CLOSED;
    if (!m_control.GetStreamState(static_cast<short>(player), &state))
        return sonarel::STATE_CLOSED;
    return state;
}

bool TimerScheduler::StreamPlaysFile(int player, const std::string& path) const
{
    // The control keeps the name of the last file it opened even when a later open of the stream
    // failed, so the name alone would take a file that can no longer be opened for a playing one.
    return StreamState(player) == sonarel::STATE_PLAYING && StreamHasFile(player, path);
}

TimerScheduler::LocalSecond TimerScheduler::ReadSecond(std::time_t when)
{
    LocalSecond second;
    second.when = when;
    std::tm local {};
    if (localtime_r(&when, &local) == nullptr)
        return second;
    second.known = true;
    second.weekday = local.tm_wday;
    second.date = persist::CalendarDate::FromLocalTime(local);
    second.time = Clock3 { static_cast<std::uint32_t>(local.tm_hour),
        static_cast<std::uint32_t>(local.tm_min), static_cast<std::uint32_t>(local.tm_sec) };
    return second;
}

int TimerScheduler::ScheduledItemAt(int player) const
{
    return ScheduledItemAt(player, m_clock.Now());
}

int TimerScheduler::ScheduledItemAt(int player, std::time_t when) const
{
    if (!Players::IsPlayer(player))
        return -1;
    return DueAt(player, ReadSecond(when));
}

int TimerScheduler::DueAt(int player, const LocalSecond& second) const
{
    const SchedulePolicy& policy = m_players.Slot(player).Policy;
    // Without a local time a weekly policy lets the day pass, while a date range has no date to
    // allow; either way there is no time of day to match a row against.
    static const persist::CalendarDate noDate;
    const bool allowed
        = policy.AllowsDay(second.known ? second.weekday : -1, second.known ? second.date : noDate);
    if (!allowed || !second.known)
        return -1;

    const Clock3& time = second.time;
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
    const auto fields = [](const persist::TimeOfDay& time) {
        return Clock3 { time.Hour(), time.Minute(), time.Second() };
    };
    parsed.windows.clear();
    for (int row = 0; row < list.RowCount(); ++row)
        parsed.windows.push_back(Window { fields(list.BeginTimeOf(row)), fields(list.EndTimeOf(row)) });
    parsed.revision = list.Revision();
    parsed.valid = true;
    return parsed.windows;
}

TimerScheduler::RowKey TimerScheduler::KeyOf(int player, int row) const
{
    const Window& window = WindowsOf(player)[static_cast<std::size_t>(row)];
    return RowKey { m_players.Slot(player).List.Row(row).Path, window.begin, window.end };
}

} // namespace players
