#include "players/PlayerController.h"

#include "persist/CalendarDate.h"
#include "persist/FileExistence.h"
#include "persist/TextConversions.h"
#include "players/Clock.h"
#include "players/MessageSink.h"
#include "players/PlayerView.h"
#include "players/Poster.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::string_view timerStatusText = "Timer already started";

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
    IMessageSink& messages, IPoster& poster, const IClock& clock)
    : m_players(players)
    , m_control(control)
    , m_view(view)
    , m_messages(messages)
    , m_poster(poster)
    , m_clock(clock)
{
}

bool PlayerController::PlayFile(int player, const std::string& path)
{
    if (!Players::IsPlayer(player))
        return false;
    const PlayerSetting setting = m_players.Slot(player).Setting;
    m_lastOpened[static_cast<std::size_t>(player)] = path;
    ++m_playSerial[static_cast<std::size_t>(player)];
    const bool opened = m_control.OpenStream(StreamOf(player), path.c_str(), setting.Device.c_str(), 0);
    // The control refuses a named device that is not there (it never falls back to another one);
    // the user must learn that the zone is silent because its device is missing.
    m_deviceAbsent[static_cast<std::size_t>(player)]
        = !opened && !setting.Device.empty() && !m_control.IsAudioDeviceExist(setting.Device.c_str());
    ApplySettings(player);
    (void)m_control.Play(StreamOf(player));
    SetState(player, PLAYER_RUNNING);
    return opened;
}

void PlayerController::PlayRow(int player, int row)
{
    PlayList& list = m_players.Slot(player).List;
    const std::string path = list.Row(row).Path;
    if (PlayFile(player, path))
        list.SetMissingReason(row, {});
    else if (!ListedFileExists(path))
        list.SetMissingReason(row, MISSING_FILE_NOT_FOUND);
}

void PlayerController::ApplySettings(int player)
{
    if (!Players::IsPlayer(player))
        return;
    const PlayerSetting setting = m_players.Slot(player).Setting;
    (void)m_control.SetVolume(StreamOf(player), ToShort(setting.Volume));
    (void)m_control.SetBalance(StreamOf(player), ToShort(setting.Balance));
    (void)m_control.SetAudioAmplify(StreamOf(player), setting.Amplify);
}

void PlayerController::StopPlayer(int player)
{
    if (!Players::IsPlayer(player))
        return;
    m_control.CloseStream(StreamOf(player));
    ++m_playSerial[static_cast<std::size_t>(player)];
    SetState(player, PLAYER_STOPPED);
    if (player == m_current) {
        m_view.ShowPosition(0);
        static const std::string noElapsed = DurationText(0);
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
    PlayRow(player, row);
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

void PlayerController::PlayScheduledRow(int player, int row)
{
    if (!Players::IsPlayer(player) || !m_players.Slot(player).List.IsRow(row))
        return;
    m_players.Slot(player).List.ClearSelection();
    SelectRowAndPlay(player, row);
}

void PlayerController::SelectRowAndPlay(int player, int row)
{
    PlayList& list = m_players.Slot(player).List;
    m_view.FocusList(player);
    list.SetSelected(row, true);
    m_view.ScrollToRow(player, row);
    PlayRow(player, row);
}

bool PlayerController::CurrentIsManual() const
{
    return !m_players.Slot(m_current).TimerOn();
}

void PlayerController::PlayPauseCurrent()
{
    if (!CurrentIsManual() || m_players.Slot(m_current).List.Empty())
        return;
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
    if (CurrentIsManual())
        StopPlayer(m_current);
}

void PlayerController::PreviousCurrent()
{
    if (!CurrentIsManual())
        return;
    StopPlayer(m_current);
    PlayPreviousRow(m_current);
}

void PlayerController::NextCurrent()
{
    if (!CurrentIsManual())
        return;
    StopPlayer(m_current);
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
    StopPlayer(player);
    PlayRow(player, row);
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
    m_view.ShowElapsed(DurationText(m_control.GetElapsed(StreamOf(player))));
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
        bool& absent = m_deviceAbsent[static_cast<std::size_t>(player)];
        if (onlyAbsent && !absent)
            continue;
        const std::string& device = m_players.Slot(player).Setting.Device;
        const bool nowAbsent = !device.empty() && !m_control.IsAudioDeviceExist(device.c_str());
        if (nowAbsent != absent) {
            absent = nowAbsent;
            UpdateStatus(player);
        }
    }
}

bool PlayerController::DeviceAbsent(int player) const
{
    return Players::IsPlayer(player) && m_deviceAbsent[static_cast<std::size_t>(player)];
}

void PlayerController::RecheckMissingFiles()
{
    for (PlayerSlot& slot : m_players) {
        PlayList& list = slot.List;
        for (int row = 0; row < list.RowCount(); ++row) {
            if (list.Row(row).MissingReason == MISSING_FILE_NOT_FOUND && ListedFileExists(list.Row(row).Path))
                list.SetMissingReason(row, {});
        }
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
    if (m_deviceAbsent[static_cast<std::size_t>(player)])
        tip += "\nDevice not connected: " + slot.Setting.Device;
    const CalendarDate today = CalendarDate::AtTime(m_clock.Now());
    if (slot.Policy.Type != POLICY_WEEKLY && slot.Policy.EndDate.Valid() && slot.Policy.EndDate < today)
        tip += "\nDate range ended: " + slot.Policy.EndDate.Text();
    if (slot.Policy.IsDayOff(today))
        tip += "\nDay off";
    return tip;
}

void PlayerController::OnComplete(short hStreamId)
{
    const int player = hStreamId;
    if (!Players::IsPlayer(player))
        return;
    const std::uint64_t serial = m_playSerial[static_cast<std::size_t>(player)];
    m_poster.Post([this, player, serial] { HandleCompletion(player, serial); });
}

void PlayerController::HandleCompletion(int player, std::uint64_t playSerial)
{
    if (playSerial != m_playSerial[static_cast<std::size_t>(player)])
        return;
    StopPlayer(player);
    if (!m_players.Slot(player).TimerOn())
        PlayNextRow(player);
}

void PlayerController::OnPosChanged(short hStreamId, short /*nOldPos*/, short nNewPos)
{
    if (hStreamId == m_current)
        m_view.ShowPosition(nNewPos);
}

void PlayerController::OnElapsedChanged(short hStreamId, std::int32_t lElapsed)
{
    if (hStreamId == m_current)
        m_view.ShowElapsed(DurationText(lElapsed));
}

void PlayerController::SetState(int player, PlayerState state)
{
    m_players.Slot(player).State = state;
    UpdateStatus(player);
}

void PlayerController::UpdateStatus(int player)
{
    const PlayerSlot& slot = m_players.Slot(player);
    m_view.ShowPlayerStatus(player, slot.TimerOn() ? IMAGE_TIMER : StateImage(slot.State), StatusTip(player));
    if (player == m_current)
        m_view.ShowPlayButton(slot.State == PLAYER_RUNNING ? IMAGE_PAUSE : IMAGE_PLAY);
}
