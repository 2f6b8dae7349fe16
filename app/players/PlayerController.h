#pragma once

#include "control/Sonarel.h"
#include "players/Players.h"

#include <array>
#include <cstdint>
#include <string>

class IClock;
class IMessageSink;
class IPlayerView;
class IPoster;

// The main window's side of the audio control: plays, pauses, stops and steps through the players'
// lists, keeps each PlayerState and the screen in step, and reacts to the control's events. Each
// player owns the control's stream whose id is its index.
//
// The control's results are not examined for the state shown, which follows the operation that was
// performed (a file the control cannot open still shows "Running"). A failed open only tells what
// the user must know to set it right: a player whose device is not connected says so on its panel
// item, and a row whose file is not there is marked as missing; both marks go once an open works.
// The control's own state events never change a PlayerState.
//
// Threading: everything runs on the user-interface thread, the control's events included. OnComplete
// arrives from inside the control's own handler, so the stream is not stopped there: the completion
// is posted and handled once that handler has returned.
//
// The control wants its listener when it is created and this class wants the control, so the main
// window creates the control with a relay listener and points the relay here once both exist.
class PlayerController final : public sonarel::ISonarelEvents {
public:
    // None of the references is owned; all must outlive the controller, and the poster must drop
    // calls that are still queued when the controller goes.
    PlayerController(Players& players, sonarel::ISonarel& control, IPlayerView& view, IMessageSink& messages,
        IPoster& poster, const IClock& clock);
    PlayerController(const PlayerController&) = delete;
    PlayerController& operator=(const PlayerController&) = delete;

    // The player whose list is shown and to which the list and play commands apply; 0 at start.
    [[nodiscard]] int CurrentPlayer() const { return m_current; }

    // Opens the file on the player's device, applies its output settings and plays it. False when
    // the control could not open it.
    bool PlayFile(int player, const std::string& path);
    // Volume, balance and amplification of the player's setting to its stream.
    void ApplySettings(int player);
    void StopPlayer(int player);
    void PausePlayer(int player);
    void ResumePlayer(int player);

    // The first selected row, or row 0 (selected) when none is.
    void PlaySelected(int player);
    // The row after (before) the first selected one; nothing past either end of the list.
    void PlayNextRow(int player);
    void PlayPreviousRow(int player);
    // Selects just this row, shows it and plays it: how the timer starts a scheduled row.
    void PlayScheduledRow(int player, int row);

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

    // Events of the control.
    void OnComplete(short hStreamId) override;
    void OnPosChanged(short hStreamId, short nOldPos, short nNewPos) override;
    void OnElapsedChanged(short hStreamId, std::int32_t lElapsed) override;

private:
    // The posted half of OnComplete: stops the player and, without a timer, plays the next row.
    // playSerial is the player's serial when the file completed; a completion that a later start or
    // stop of the player has overtaken belongs to a file that is no longer playing and is dropped.
    void HandleCompletion(int player, std::uint64_t playSerial);
    void SetState(int player, PlayerState state);
    void UpdateStatus(int player);
    void SelectRowAndPlay(int player, int row);
    // Plays the row's file and marks the row missing, or not, by what the open found.
    void PlayRow(int player, int row);
    [[nodiscard]] bool CurrentIsManual() const;

    Players& m_players;
    sonarel::ISonarel& m_control;
    IPlayerView& m_view;
    IMessageSink& m_messages;
    IPoster& m_poster;
    const IClock& m_clock;
    int m_current = 0;
    std::array<bool, PLAYER_COUNT> m_deviceAbsent {};
    // Counts every start and stop of each player's stream.
    std::array<std::uint64_t, PLAYER_COUNT> m_playSerial {};
    std::array<std::string, PLAYER_COUNT> m_lastOpened;
};
