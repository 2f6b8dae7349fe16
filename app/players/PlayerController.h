#pragma once

#include "control/Sonarel.h"
#include "players/Players.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace players {

class IAsRunLog;
class IClock;
class ILoudnessGains;
class IMessageSink;
class IPlayerView;
class IPoster;
class ITimedPlayback;

// The main window's side of the audio control: plays, pauses, stops and steps through the players'
// lists, keeps each PlayerState and the screen in step, and reacts to the control's events. Each
// player owns the control's stream whose id is its index.
//
// The state shown follows the operation that was performed, until the control reports that the file
// could not be played (a failed open, or an OnError after which the stream no longer plays). Played
// by hand, the player is then stopped, its panel tip says "Failed: <the control's error text>" and
// the list goes on with the next row, as after a completion; under the timer the failure goes to the
// timer, which tries the file again later. A failed open also tells what the user must know to set
// it right: a player whose device is not connected says so on its panel item, and a row whose file
// is not there is marked as missing; both marks go once an open works. The control's own state
// events never change a PlayerState.
//
// Every start by hand, natural end, stop by hand and failure by hand, and every loss and return of a
// device, goes to the as-run log; what the timer does is logged by the timer.
//
// Threading: everything runs on the user-interface thread, the control's events included. OnComplete
// and OnError arrive from inside the control's own handlers, so the stream is not stopped there: the
// completion or the failure is posted and handled once that handler has returned.
//
// The control wants its listener when it is created and this class wants the control, so the main
// window creates the control with a relay listener and points the relay here once both exist.
class PlayerController final : public sonarel::ISonarelEvents {
public:
    // None of the references is owned; all must outlive the controller, and the poster must drop
    // calls that are still queued when the controller goes.
    PlayerController(Players& players, sonarel::ISonarel& control, IPlayerView& view, IMessageSink& messages,
        IPoster& poster, const IClock& clock, IAsRunLog& log);
    PlayerController(const PlayerController&) = delete;
    PlayerController& operator=(const PlayerController&) = delete;

    // The player whose list is shown and to which the list and play commands apply; 0 at start.
    [[nodiscard]] int CurrentPlayer() const { return m_current; }

    // Where completions, failures and returns of timed players are told; not owned, may be null.
    void SetTimedPlayback(ITimedPlayback* timed) { m_timed = timed; }
    // Where the gains of players with even loudness come from; not owned, may be null (no file is
    // measured then, and each plays unchanged).
    void SetLoudnessGains(const ILoudnessGains* gains) { m_loudness = gains; }

    // Opens the file on the player's device, applies its output settings and plays it. False, with
    // nothing played, when the control could not open it.
    bool PlayFile(int player, const std::string& path);
    // Volume, balance and amplification of the player's setting to its stream; the loudness gain and
    // the reductions under announcements follow the settings too.
    void ApplySettings(int player);
    void StopPlayer(int player);
    void PausePlayer(int player);
    void ResumePlayer(int player);

    // The first selected row, or row 0 (selected) when none is.
    void PlaySelected(int player);
    // The row after (before) the first selected one; nothing past either end of the list.
    void PlayNextRow(int player);
    void PlayPreviousRow(int player);
    // How the timer plays its rows. StartRow plays the row's file (false when it could not be opened)
    // and marks the row missing, or not, by what the open found. PrepareRow opens it paused with the
    // player's settings, so that StartPrepared only has to start it; the player's state does not
    // change until then. SelectScheduledRow selects just this row, shows it and focuses the list.
    bool StartRow(int player, int row);
    // startsAtMs: when the row will be started (milliseconds since the epoch), so that the music an
    // announcement lowers can glide down in time; -1 when not known.
    bool PrepareRow(int player, int row, std::int64_t startsAtMs = -1);
    bool StartPrepared(int player);
    void SelectScheduledRow(int player, int row);
    // Handles at once a completion or a failure of the player's stream that is still queued, so that
    // the timer sees the stream as it is.
    void Settle(int player);
    // Milliseconds until the playing file ends by itself; -1 when not known.
    [[nodiscard]] std::int32_t RemainingMs(int player);
    // Lowers the player's volume to the bottom of its range over FADE_OUT_MS, then stops the player.
    // Anything else that starts or stops the player meanwhile ends the fade.
    void FadeOut(int player);
    static constexpr int FADE_OUT_MS = 300;

    // The play controls of the current player. None of them does anything while its timer is on.
    void PlayPauseCurrent();
    void StopCurrent();
    void PreviousCurrent();
    void NextCurrent();
    // value: the position slider, 0 to 100 percent.
    void SeekCurrent(int value);
    // A double click on a row of the player's list.
    void PlayRowOnDoubleClick(int player, int row);

    // Makes the player current: its list, its play button, position and elapsed time are shown.
    void SelectPlayer(int player);

    // Measures a file and appends it to the current player's list. A file the control cannot measure
    // is reported and not added; one that would end after midnight is left out silently. True when
    // the file was added.
    bool AddFile(const std::string& path);

    // The file this controller last opened on the player's stream; empty before the first.
    [[nodiscard]] const std::string& LastOpenedPath(int player) const;

    // Asks the control which players' devices are connected and shows it; onlyAbsent asks only for
    // those last found missing, which costs nothing while every device is there.
    void CheckDevices(bool onlyAbsent);
    // Looks again whether the player's device is there, as CheckDevices does for every player.
    void RecheckDevice(int player);
    // Whether the player's named device was missing when last looked at.
    [[nodiscard]] bool DeviceAbsent(int player) const;
    // Takes the missing mark off rows whose files have come back (a share mounted late).
    void RecheckMissingFiles();
    // Shows the player's status again, with what keeps it from playing as set up (an absent device,
    // a date range that has ended), e.g. after its settings or policy changed.
    void RefreshStatus(int player);
    // The player's panel tip: its state, then one line for each thing that keeps it from playing as
    // set up.
    [[nodiscard]] std::string StatusTip(int player) const;
    // Shows "Failed: <error>" in the player's tip, or takes it away (empty). The user's own play and
    // timer commands take it away too.
    void ShowFailure(int player, std::string_view error);
    // The control's last error text since the player's current file was started; empty for none.
    [[nodiscard]] const std::string& LastError(int player) const;
    // Why the player's last file could not be played, as the as-run log says it: its device is not
    // connected, the file is not there, or the control's error text.
    [[nodiscard]] std::string FailureReason(int player) const;

    // Events of the control.
    void OnError(short hStreamId, std::int32_t lRet, const char* pszErrInfo) override;
    void OnComplete(short hStreamId) override;
    void OnPosChanged(short hStreamId, short nOldPos, short nNewPos) override;
    void OnElapsedChanged(short hStreamId, std::int32_t lElapsed) override;

private:
    // The posted half of OnComplete: stops the player and, without a timer, plays the next row.
    // playSerial is the player's serial when the file completed; a completion that a later start or
    // stop of the player has overtaken belongs to a file that is no longer playing and is dropped.
    void HandleCompletion(int player, std::uint64_t playSerial);
    // The posted half of OnError and of a failed open: a file that no longer plays is a failure.
    void HandleFailure(int player, std::uint64_t playSerial);
    void PostFailureCheck(int player);
    // The start of a new file on the player's stream: what was reported about the last one goes.
    void BeginPlay(int player, const std::string& path);
    bool OpenFile(int player, const std::string& path);
    void SetState(int player, PlayerState state);
    // The file's loudness gain, and the player's reduction under announcements, to a stream just
    // opened (whose levels start at 0 dB) or open already.
    void ApplyLevels(int player, bool opened);
    // Glides every open stream to the reduction that the running announcers give it.
    void UpdateDucking();
    void UpdateStatus(int player);
    void SelectRowAndPlay(int player, int row);
    // Plays the row's file and marks the row missing, or not, by what the open found.
    bool PlayRow(int player, int row);
    void MarkRowFile(int player, int row, bool opened);
    // A stop the user asked for, told in the as-run log when something played.
    void StopByHand(int player);
    void NoteDevice(int player, bool absent);
    void FadeStep(int player, std::uint64_t playSerial, int step);
    [[nodiscard]] bool CurrentIsManual() const;
    [[nodiscard]] bool StreamPlays(int player);

    Players& m_players;
    sonarel::ISonarel& m_control;
    IPlayerView& m_view;
    IMessageSink& m_messages;
    IPoster& m_poster;
    const IClock& m_clock;
    IAsRunLog& m_log;
    ITimedPlayback* m_timed = nullptr;
    const ILoudnessGains* m_loudness = nullptr;
    // The reduction each stream was last given, in dB, and whether it holds a file (opened, not yet
    // closed: playing, paused, or opened ahead of its second).
    std::array<std::int32_t, PLAYER_COUNT> m_duckApplied {};
    std::array<bool, PLAYER_COUNT> m_streamOpen {};
    // Announcers whose opened row starts within the lead of a level change.
    std::array<bool, PLAYER_COUNT> m_aboutToSound {};
    int m_current = 0;
    std::array<bool, PLAYER_COUNT> m_deviceAbsent {};
    // Whether the player's device has been looked at yet: the first look tells "not connected",
    // later ones "lost" and "back".
    std::array<bool, PLAYER_COUNT> m_deviceKnown {};
    // Counts every start and stop of each player's stream.
    std::array<std::uint64_t, PLAYER_COUNT> m_playSerial {};
    std::array<std::string, PLAYER_COUNT> m_lastOpened;
    std::array<std::string, PLAYER_COUNT> m_lastError;
    // The serials whose failure check and completion are posted, so that each is handled once.
    std::array<std::uint64_t, PLAYER_COUNT> m_failurePosted {};
    std::array<std::uint64_t, PLAYER_COUNT> m_completionPosted {};
    // What the tip says after "Failed: "; empty for nothing.
    std::array<std::string, PLAYER_COUNT> m_failure;
};

} // namespace players
