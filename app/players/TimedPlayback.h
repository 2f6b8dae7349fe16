#pragma once

#include <string_view>

namespace players {

// What the playback binding tells the players' timers about streams it saw stop or fail on their
// own, so that the timer can go on: play the next row, or try a failing file again later.
class ITimedPlayback {
public:
    virtual ~ITimedPlayback() = default;

    // A timed player's stream stopped on its own: its file played to its end (completed), or a fade
    // out came to its end. The player is stopped.
    virtual void OnStreamStopped(int player, bool completed) = 0;
    // A timed player's file could not be played: it was not opened, or it stopped with an error. The
    // player is stopped; reason says why, as the as-run log tells it.
    virtual void OnStreamFailed(int player, std::string_view reason) = 0;
    // What kept a timed player from playing is back: its device, or a file of its list.
    virtual void OnPlayableAgain(int player) = 0;
};

} // namespace players
