#pragma once

#include "skin/BaseWnd.h"

// The player panel: one button per player in two rows of four equal columns, each showing the
// player's name, a state icon and a state tip. The current player's button is highlighted; a click
// on a button asks the main window to select that player. Dragging an empty part of the panel
// moves the main window.
class CPlayerWnd : public CBaseWnd {
    Q_OBJECT

public:
    static constexpr int PLAYER_COUNT = 8;
    static constexpr int COLUMN_COUNT = 4;

    explicit CPlayerWnd(CBaseSkin* skin, QWidget* parent = nullptr);

    // Moves the highlight to the button of player (0 to 7); other values change nothing.
    void SetCurrentPlayer(int player);
    [[nodiscard]] int CurrentPlayer() const { return m_current; }

protected:
    bool OnCreate() override;
    // Places the buttons in exactly equal columns; the generic flow loses a pixel or more per
    // column to the margins and the rounding of the percentages.
    int OnLayoutItem(SkinItem* item) override;

private:
    int m_current = 0;
};
