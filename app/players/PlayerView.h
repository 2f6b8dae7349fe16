#pragma once

#include <string_view>

namespace players {

// Skin images that show playback state (ids of the skin package).
inline constexpr int IMAGE_PLAY = 13;
inline constexpr int IMAGE_PAUSE = 14;
inline constexpr int IMAGE_STOP = 15;
inline constexpr int IMAGE_TIMER = 16;

// What the playback binding changes on the screen. The main window implements it over its panes and
// list views; nothing here reads back from the screen. Row selection is not part of it: it lives in
// each PlayList, whose observer keeps the list view in step.
class IPlayerView {
public:
    virtual ~IPlayerView() = default;

    // The player panel's item for the player: its state image and its tip, which is the status text.
    virtual void ShowPlayerStatus(int player, int imageId, std::string_view text) = 0;
    // The selected mark on the player panel's item, which tells the current player.
    virtual void MarkPlayerButton(int player, bool selected) = 0;

    // Play control bar: the play/pause button's image, the position slider (0 to 100) and the
    // elapsed time text. They always show the current player.
    virtual void ShowPlayButton(int imageId) = 0;
    virtual void ShowPosition(int percent) = 0;
    virtual void ShowElapsed(std::string_view text) = 0;

    // The player's list view: shown in the file list pane, or hidden.
    virtual void ShowList(int player) = 0;
    virtual void HideList(int player) = 0;
    virtual void FocusList(int player) = 0;
    virtual void ScrollToRow(int player, int row) = 0;
};

} // namespace players
