#include "players/PlayerController.h"

#include "persist/CalendarDate.h"
#include "persist/FileExistence.h"
#include "persist/TextConversions.h"
#include "players/AsRunLog.h"
#include "players/Clock.h"
#include "players/Ducking.h"
#include "players/LoudnessGains.h"
#include "players/MessageSink.h"
#include "players/PlayerView.h"
#include "players/Poster.h"
#include "players/TimedPlayback.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace players {

namespace {

    constexpr std::string_view timerStatusText = "Timer already started";
    constexpr std::uint64_t noSerial = ~std::uint64_t { 0 };
    // A fade out lowers the volume in this many equal steps; the last one stops the player.
    constexpr int fadeSteps = 10;

    // Stream ids are the player numbers, as the control's 16-bit ids.
    short StreamOf(int player)
    {
        return static_cast<short>(player);
    }

    short ToShort(std::int32_t value)
    {
        return static_cast<short>(std::clamp<std::int32_t>(
            value, std::numeric_limits<short>::min(), std::numeric_limits<short>::max()));
    }

    int StateImage(PlayerState state)
    {
        switch (state) {
        case PLAYER_RUNNING:
            return IMAGE_PLAY;
        case PLAYER_PAUSED:
            return IMAGE_PAUSE;
        case PLAYER_IDLE:
        case PLAYER_STOPPED:
            break;
        }
        return IMAGE_STOP;
    }

} // namespace

PlayerController::PlayerController(Players& players, sonarel::ISonarel& control, IPlayerView& view,
    IMessageSink& messages, IPoster& poster, const IClock& clock, IAsRunLog& log)
    : m_players(players)
    , m_control(control)
    , m_view(view)
    , m_messages(messages)
    , m_poster(poster)
    , m_clock(clock)
    , m_log(log)
{
    // No serial is posted yet; 0 is the serial before the first play.
    m_failurePosted.fill(noSerial);
    m_completionPosted.fill(noSerial);
}

void PlayerController::BeginPlay(int player, const std::string& path)
{
    const auto index = static_cast<std::size_t>(player);
    m_aboutToSound[index] = false;
    m_lastOpened[index] = path;
    m_lastError[index].clear();
    ++m_playSerial[index];
}

bool PlayerController::OpenFile(int player, const std::string& path)
{
    const PlayerSetting setting = m_players.Slot(player).Setting;
    BeginPlay(player, path);
    const bool opened = m_control.OpenStream(StreamOf(player), path.c_str(), setting.Device.c_str(), 0);
    // The control refuses a named device that is not there (it never falls back to another one);
    // the user must learn that the zone is silent because its device is missing.
    NoteDevice(
        player, !opened && !setting.Device.empty() && !m_control.IsAudioDeviceExist(setting.Device.c_str()));
    m_streamOpen[static_cast<std::size_t>(player)] = false;
    if (opened) {
        ApplySettings(player);
        m_streamOpen[static_cast<std::size_t>(player)] = true;
        ApplyLevels(player, true);
    }
    return opened;
}

bool PlayerController::PlayFile(int player, const std::string& path)
{
    if (!Players::IsPlayer(player))
        return false;
    const bool opened = OpenFile(player, path);
    if (opened)
        (void)m_control.Play(StreamOf(player));
    SetState(player, PLAYER_RUNNING);
    if (!opened)
        PostFailureCheck(player);
    return opened;
}

bool PlayerController::PlayRow(int player, int row)
{
    const std::string path = m_players.Slot(player).List.Row(row).Path;
    const bool opened = PlayFile(player, path);
    MarkRowFile(player, row, opened);
    if (opened && !m_players.Slot(player).TimerOn())
        m_log.Write(player, path, "started by hand");
    return opened;
}

void PlayerController::MarkRowFile(int player, int row, bool opened)
{
    PlayList& list = m_players.Slot(player).List;
    if (!list.IsRow(row))
        return;
    if (opened)
        list.SetMissingReason(row, {});
    else if (!persist::ListedFileExists(list.Row(row).Path))
        list.SetMissingReason(row, MISSING_FILE_NOT_FOUND);
}

bool PlayerController::StartRow(int player, int row)
{
    if (!Players::IsPlayer(player) || !m_players.Slot(player).List.IsRow(row))
        return false;
    return PlayRow(player, row);
}

bool PlayerController::PrepareRow(int player, int row, std::int64_t startsAtMs)
{
    if (!Players::IsPlayer(player) || !m_players.Slot(player).List.IsRow(row))
        return false;
    const bool opened = OpenFile(player, m_players.Slot(player).List.Row(row).Path);
    MarkRowFile(player, row, opened);
    if (opened && startsAtMs >= 0 && m_players.Slot(player).Setting.DuckDb > 0) {
        const std::uint64_t serial = m_playSerial[static_cast<std::size_t>(player)];
        const auto delay = std::max<std::int64_t>(0, startsAtMs - DUCK_LEAD_MS - m_clock.NowMs());
        m_poster.PostAfter(static_cast<int>(std::min<std::int64_t>(delay, 60'000)), [this, player, serial] {
            if (serial != m_playSerial[static_cast<std::size_t>(player)])
                return;
            m_aboutToSound[static_cast<std::size_t>(player)] = true;
            UpdateDucking();
        });
    }
    return opened;
}

bool PlayerController::StartPrepared(int player)
{
    if (!Players::IsPlayer(player) || !m_control.Play(StreamOf(player)))
        return false;
    SetState(player, PLAYER_RUNNING);
    return true;
}

void PlayerController::SelectScheduledRow(int player, int row)
{
    if (!Players::IsPlayer(player) || !m_players.Slot(player).List.IsRow(row))
        return;
    PlayList& list = m_players.Slot(player).List;
    list.ClearSelection();
    m_view.FocusList(player);
    list.SetSelected(row, true);
    m_view.ScrollToRow(player, row);
}

void PlayerController::Settle(int player)
{
    if (!Players::IsPlayer(player))
        return;
    const auto index = static_cast<std::size_t>(player);
    const std::uint64_t serial = m_playSerial[index];
    // The queued call then finds its serial overtaken, or decides the same again.
    if (m_completionPosted[index] == serial)
        HandleCompletion(player, serial);
    else if (m_failurePosted[index] == serial)
        HandleFailure(player, serial);
}

std::int32_t PlayerController::RemainingMs(int player)
{
    if (!Players::IsPlayer(player))
        return -1;
    std::int32_t duration = 0;
    if (!m_control.GetStreamDuration(StreamOf(player), &duration) || duration <= 0)
        return -1;
    return std::max<std::int32_t>(0, duration - m_control.GetElapsed(StreamOf(player)));
}

void PlayerController::FadeOut(int player)
{
    if (!Players::IsPlayer(player))
        return;
    const std::uint64_t serial = m_playSerial[static_cast<std::size_t>(player)];
    for (int step = 1; step <= fadeSteps; ++step)
        m_poster.PostAfter(
            FADE_OUT_MS * step / fadeSteps, [this, player, serial, step] { FadeStep(player, serial, step); });
}

void PlayerController::FadeStep(int player, std::uint64_t playSerial, int step)
{
    if (playSerial != m_playSerial[static_cast<std::size_t>(player)])
        return;
    if (step < fadeSteps) {
        // Volume steps are even steps of decibels, so the fade falls evenly to the ear.
        const std::int32_t volume = std::clamp<std::int32_t>(m_players.Slot(player).Setting.Volume, 0, 100);
        (void)m_control.SetVolume(StreamOf(player), ToShort(volume * (fadeSteps - step) / fadeSteps));
        return;
    }
    StopPlayer(player);
    if (m_players.Slot(player).TimerOn() && m_timed != nullptr)
        m_timed->OnStreamStopped(player, false);
}

void PlayerController::ApplySettings(int player)
{
    if (!Players::IsPlayer(player))
        return;
    const PlayerSetting setting = m_players.Slot(player).Setting;
    (void)m_control.SetVolume(StreamOf(player), ToShort(setting.Volume));
    (void)m_control.SetBalance(StreamOf(player), ToShort(setting.Balance));
    (void)m_control.SetAudioAmplify(StreamOf(player), setting.Amplify);
    if (m_streamOpen[static_cast<std::size_t>(player)])
        ApplyLevels(player, false);
    UpdateDucking();
}

void PlayerController::ApplyLevels(int player, bool opened)
{
    const auto index = static_cast<std::size_t>(player);
    const PlayerSetting& setting = m_players.Slot(player).Setting;
    const std::string& file = m_lastOpened[index];
    double gain = 0.0;
    if (setting.EvenLoudness) {
        const std::optional<double> measured
            = m_loudness != nullptr ? m_loudness->GainDb(file) : std::optional<double>();
        if (measured)
            gain = *measured;
        else if (opened)
            m_log.Write(player, file, "loudness not measured yet: plays unchanged");
    }
    if (gain != 0.0 || !opened)
        (void)m_control.SetLoudnessGain(StreamOf(player), gain);
    // An open starts without a reduction; one that applies already is taken at once.
    const std::int32_t duck = DuckTargets(m_players, m_aboutToSound)[index];
    if (duck != 0 || !opened)
        (void)m_control.SetDuck(StreamOf(player), duck, 0);
    m_duckApplied[index] = duck;
}

void PlayerController::UpdateDucking()
{
    const std::array<std::int32_t, PLAYER_COUNT> targets = DuckTargets(m_players, m_aboutToSound);
    for (int player = 0; player < PLAYER_COUNT; ++player) {
        const auto index = static_cast<std::size_t>(player);
        const std::int32_t target = targets[index];
        if (target == m_duckApplied[index])
            continue;
        // A stream that holds no file takes its reduction when its next file opens.
        if (m_streamOpen[index])
            (void)m_control.SetDuck(
                StreamOf(player), target, target > m_duckApplied[index] ? DUCK_DOWN_MS : DUCK_UP_MS);
        m_duckApplied[index] = target;
    }
}

void PlayerController::StopPlayer(int player)
{
    if (!Players::IsPlayer(player))
        return;
    m_control.CloseStream(StreamOf(player));
    m_streamOpen[static_cast<std::size_t>(player)] = false;
    m_aboutToSound[static_cast<std::size_t>(player)] = false;
    ++m_playSerial[static_cast<std::size_t>(player)];
    SetState(player, PLAYER_STOPPED);
    // An announcer that was only about to sound changes no state, but lets the music back up.
    UpdateDucking();
    if (player == m_current) {
        m_view.ShowPosition(0);
        static const std::string noElapsed = persist::DurationText(0);
        m_view.ShowElapsed(noElapsed);
    }
}

void PlayerController::PausePlayer(int player)
{
    if (!Players::IsPlayer(player))
        return;
    (void)m_control.Pause(StreamOf(player));
    SetState(player, PLAYER_PAUSED);
}

void PlayerController::ResumePlayer(int player)
{
    if (!Players::IsPlayer(player))
        return;
    (void)m_control.Play(StreamOf(player));
    SetState(player, PLAYER_RUNNING);
}

void PlayerController::PlaySelected(int player)
{
    if (!Players::IsPlayer(player))
        return;
    PlayList& list = m_players.Slot(player).List;
    if (list.Empty())
        return;
    int row = list.FirstSelectedRow();
    if (row < 0) {
        row = 0;
        m_view.FocusList(player);
        list.SetSelected(row, true);
        m_view.ScrollToRow(player, row);
    }
    (void)PlayRow(player, row);
}

void PlayerController::PlayNextRow(int player)
{
    if (!Players::IsPlayer(player))
        return;
    PlayList& list = m_players.Slot(player).List;
    const int row = list.FirstSelectedRow();
    if (row < 0 || row + 1 > list.RowCount() - 1)
        return;
    list.SetSelected(row, false);
    SelectRowAndPlay(player, row + 1);
}

void PlayerController::PlayPreviousRow(int player)
{
    if (!Players::IsPlayer(player))
        return;
    PlayList& list = m_players.Slot(player).List;
    const int row = list.FirstSelectedRow();
    if (row < 0 || row - 1 < 0 || list.RowCount() < 2)
        return;
    list.SetSelected(row, false);
    SelectRowAndPlay(player, row - 1);
}

void PlayerController::SelectRowAndPlay(int player, int row)
{
    PlayList& list = m_players.Slot(player).List;
    m_view.FocusList(player);
    list.SetSelected(row, true);
    m_view.ScrollToRow(player, row);
    (void)PlayRow(player, row);
}

bool PlayerController::CurrentIsManual() const
{
    return !m_players.Slot(m_current).TimerOn();
}

void PlayerController::StopByHand(int player)
{
    const PlayerState state = m_players.Slot(player).State;
    if (state == PLAYER_RUNNING || state == PLAYER_PAUSED)
        m_log.Write(player, m_lastOpened[static_cast<std::size_t>(player)], "stopped by hand");
    StopPlayer(player);
}

void PlayerController::PlayPauseCurrent()
{
    if (!CurrentIsManual() || m_players.Slot(m_current).List.Empty())
        return;
    m_failure[static_cast<std::size_t>(m_current)].clear();
    switch (m_players.Slot(m_current).State) {
    case PLAYER_RUNNING:
        PausePlayer(m_current);
        break;
    case PLAYER_PAUSED:
        ResumePlayer(m_current);
        break;
    case PLAYER_IDLE:
    case PLAYER_STOPPED:
        PlaySelected(m_current);
        break;
    }
}

void PlayerController::StopCurrent()
{
    if (!CurrentIsManual())
        return;
    m_failure[static_cast<std::size_t>(m_current)].clear();
    StopByHand(m_current);
}

void PlayerController::PreviousCurrent()
{
    if (!CurrentIsManual())
        return;
    m_failure[static_cast<std::size_t>(m_current)].clear();
    StopByHand(m_current);
    PlayPreviousRow(m_current);
}

void PlayerController::NextCurrent()
{
    if (!CurrentIsManual())
        return;
    m_failure[static_cast<std::size_t>(m_current)].clear();
    StopByHand(m_current);
    PlayNextRow(m_current);
}

void PlayerController::SeekCurrent(int value)
{
    if (!CurrentIsManual())
        return;
    (void)m_control.SetStreamPosition(StreamOf(m_current), static_cast<short>(std::clamp(value, 0, 100)));
}

void PlayerController::PlayRowOnDoubleClick(int player, int row)
{
    // A double click below the last row reports a row that does not exist.
    if (!Players::IsPlayer(player) || row < 0 || m_players.Slot(player).TimerOn()
        || !m_players.Slot(player).List.IsRow(row))
        return;
    m_failure[static_cast<std::size_t>(player)].clear();
    StopByHand(player);
    (void)PlayRow(player, row);
}

void PlayerController::SelectPlayer(int player)
{
    if (!Players::IsPlayer(player) || player == m_current)
        return;
    const int previous = m_current;
    m_view.HideList(previous);
    m_view.ShowList(player);
    m_view.FocusList(player);
    m_view.MarkPlayerButton(previous, false);
    m_view.MarkPlayerButton(player, true);
    m_current = player;
    m_view.ShowPlayButton(m_players.Slot(player).State == PLAYER_RUNNING ? IMAGE_PAUSE : IMAGE_PLAY);

    short position = 0;
    if (!m_control.GetStreamPosition(StreamOf(player), &position))
        position = 0;
    m_view.ShowPosition(position);
    m_view.ShowElapsed(persist::DurationText(m_control.GetElapsed(StreamOf(player))));
}

bool PlayerController::AddFile(const std::string& path)
{
    std::int32_t durationMs = 0;
    if (!m_control.MediaDetect(path.c_str(), &durationMs, nullptr, nullptr, nullptr, nullptr, nullptr)) {
        m_messages.ShowMessage("Failed to load file :\n" + path, MESSAGE_CAPTION, MessageIcon::Exclamation);
        return false;
    }
    return m_players.Slot(m_current).List.AppendFile(path, std::max<std::int32_t>(durationMs, 1000));
}

const std::string& PlayerController::LastOpenedPath(int player) const
{
    static const std::string none;
    return Players::IsPlayer(player) ? m_lastOpened[static_cast<std::size_t>(player)] : none;
}

void PlayerController::CheckDevices(bool onlyAbsent)
{
    for (int player = 0; player < PLAYER_COUNT; ++player) {
        if (!onlyAbsent || m_deviceAbsent[static_cast<std::size_t>(player)])
            RecheckDevice(player);
    }
}

void PlayerController::RecheckDevice(int player)
{
    if (!Players::IsPlayer(player))
        return;
    const bool absent = m_deviceAbsent[static_cast<std::size_t>(player)];
    const std::string& device = m_players.Slot(player).Setting.Device;
    const bool nowAbsent = !device.empty() && !m_control.IsAudioDeviceExist(device.c_str());
    NoteDevice(player, nowAbsent);
    if (nowAbsent != absent)
        UpdateStatus(player);
}

void PlayerController::NoteDevice(int player, bool absent)
{
    const auto index = static_cast<std::size_t>(player);
    const bool known = std::exchange(m_deviceKnown[index], true);
    const bool was = std::exchange(m_deviceAbsent[index], absent);
    if (known && was == absent)
        return;
    if (!known) {
        if (absent)
            m_log.Write(player, {}, "device not connected");
        return;
    }
    m_log.Write(player, {}, absent ? "device lost" : "device back");
    if (!absent && m_players.Slot(player).TimerOn() && m_timed != nullptr)
        m_timed->OnPlayableAgain(player);
}

bool PlayerController::DeviceAbsent(int player) const
{
    return Players::IsPlayer(player) && m_deviceAbsent[static_cast<std::size_t>(player)];
}

void PlayerController::RecheckMissingFiles()
{
    for (int player = 0; player < PLAYER_COUNT; ++player) {
        PlayerSlot& slot = m_players.Slot(player);
        PlayList& list = slot.List;
        bool back = false;
        for (int row = 0; row < list.RowCount(); ++row) {
            if (list.Row(row).MissingReason == MISSING_FILE_NOT_FOUND
                && persist::ListedFileExists(list.Row(row).Path)) {
                list.SetMissingReason(row, {});
                back = true;
            }
        }
        if (back && slot.TimerOn() && m_timed != nullptr)
            m_timed->OnPlayableAgain(player);
    }
}

void PlayerController::RefreshStatus(int player)
{
    if (Players::IsPlayer(player))
        UpdateStatus(player);
}

std::string PlayerController::StatusTip(int player) const
{
    if (!Players::IsPlayer(player))
        return {};
    const PlayerSlot& slot = m_players.Slot(player);
    std::string tip;
    if (slot.TimerOn())
        tip = timerStatusText;
    else
        tip = slot.State == PLAYER_IDLE ? PlayerStateText(PLAYER_STOPPED) : PlayerStateText(slot.State);
    if (const std::string& failure = m_failure[static_cast<std::size_t>(player)]; !failure.empty())
        tip += "\nFailed: " + failure;
    if (m_deviceAbsent[static_cast<std::size_t>(player)])
        tip += "\nDevice not connected: " + slot.Setting.Device;
    const persist::CalendarDate today = persist::CalendarDate::AtTime(m_clock.Now());
    if (slot.Policy.Type != POLICY_WEEKLY && slot.Policy.EndDate.Valid() && slot.Policy.EndDate < today)
        tip += "\nDate range ended: " + slot.Policy.EndDate.Text();
    if (slot.Policy.IsDayOff(today))
        tip += "\nDay off";
    return tip;
}

void PlayerController::ShowFailure(int player, std::string_view error)
{
    if (!Players::IsPlayer(player) || m_failure[static_cast<std::size_t>(player)] == error)
        return;
    m_failure[static_cast<std::size_t>(player)] = error;
    UpdateStatus(player);
}

const std::string& PlayerController::LastError(int player) const
{
    static const std::string none;
    return Players::IsPlayer(player) ? m_lastError[static_cast<std::size_t>(player)] : none;
}

std::string PlayerController::FailureReason(int player) const
{
    if (!Players::IsPlayer(player))
        return {};
    const auto index = static_cast<std::size_t>(player);
    if (m_deviceAbsent[index])
        return "device not connected";
    if (!m_lastOpened[index].empty() && !persist::ListedFileExists(m_lastOpened[index]))
        return "file not found";
    return m_lastError[index].empty() ? std::string("the file could not be played") : m_lastError[index];
}

bool PlayerController::StreamPlays(int player)
{
    short state = sonarel::STATE_CLOSED;
    return m_control.GetStreamState(StreamOf(player), &state)
        && (state == sonarel::STATE_PLAYING || state == sonarel::STATE_PAUSED);
}

void PlayerController::OnError(short hStreamId, std::int32_t /*lRet*/, const char* pszErrInfo)
{
    const int player = hStreamId;
    if (!Players::IsPlayer(player))
        return;
    m_lastError[static_cast<std::size_t>(player)] = pszErrInfo != nullptr ? pszErrInfo : "";
    PostFailureCheck(player);
}

void PlayerController::PostFailureCheck(int player)
{
    const auto index = static_cast<std::size_t>(player);
    const std::uint64_t serial = m_playSerial[index];
    if (m_failurePosted[index] == serial)
        return;
    m_failurePosted[index] = serial;
    m_poster.Post([this, player, serial] { HandleFailure(player, serial); });
}

void PlayerController::HandleFailure(int player, std::uint64_t playSerial)
{
    const auto index = static_cast<std::size_t>(player);
    PlayerSlot& slot = m_players.Slot(player);
    // An error the stream plays on through (a setting that could not be applied) is no failure, nor
    // is one that comes while the player plays nothing.
    if (playSerial != m_playSerial[index] || StreamPlays(player)
        || (slot.State != PLAYER_RUNNING && slot.State != PLAYER_PAUSED))
        return;
    // A device that went away while its file played is told as soon as the file stops.
    if (const std::string& device = slot.Setting.Device; !device.empty())
        NoteDevice(player, !m_control.IsAudioDeviceExist(device.c_str()));
    const std::string reason = FailureReason(player);
    if (slot.TimerOn()) {
        if (m_timed != nullptr)
            m_timed->OnStreamFailed(player, reason);
        return;
    }
    m_log.Write(player, m_lastOpened[index], "failed: " + reason);
    // An absent device has its own line in the tip.
    if (m_deviceAbsent[index])
        m_failure[index].clear();
    else
        m_failure[index]
            = m_lastError[index].empty() ? std::string("the file could not be played") : m_lastError[index];
    StopPlayer(player);
    // Without its device every row would fail the same way; the player's tip says why.
    if (!m_deviceAbsent[index])
        PlayNextRow(player);
}

void PlayerController::OnComplete(short hStreamId)
{
    const int player = hStreamId;
    if (!Players::IsPlayer(player))
        return;
    const std::uint64_t serial = m_playSerial[static_cast<std::size_t>(player)];
    m_completionPosted[static_cast<std::size_t>(player)] = serial;
    m_poster.Post([this, player, serial] { HandleCompletion(player, serial); });
}

void PlayerController::HandleCompletion(int player, std::uint64_t playSerial)
{
    if (playSerial != m_playSerial[static_cast<std::size_t>(player)])
        return;
    m_log.Write(player, m_lastOpened[static_cast<std::size_t>(player)], "ended");
    StopPlayer(player);
    if (!m_players.Slot(player).TimerOn())
        PlayNextRow(player);
    else if (m_timed != nullptr)
        m_timed->OnStreamStopped(player, true);
}

void PlayerController::OnPosChanged(short hStreamId, short /*nOldPos*/, short nNewPos)
{
    if (hStreamId == m_current)
        m_view.ShowPosition(nNewPos);
}

void PlayerController::OnElapsedChanged(short hStreamId, std::int32_t lElapsed)
{
    if (hStreamId == m_current)
        m_view.ShowElapsed(persist::DurationText(lElapsed));
}

void PlayerController::SetState(int player, PlayerState state)
{
    const bool changed = m_players.Slot(player).State != state;
    m_players.Slot(player).State = state;
    UpdateStatus(player);
    if (changed)
        UpdateDucking();
}

void PlayerController::UpdateStatus(int player)
{
    const PlayerSlot& slot = m_players.Slot(player);
    m_view.ShowPlayerStatus(player, slot.TimerOn() ? IMAGE_TIMER : StateImage(slot.State), StatusTip(player));
    if (player == m_current)
        m_view.ShowPlayButton(slot.State == PLAYER_RUNNING ? IMAGE_PAUSE : IMAGE_PLAY);
}

} // namespace players
