#pragma once

#include "skin/BaseWnd.h"

// The bar under the file list: text buttons that edit the current player's list and start or stop
// its timer. Clicks go to the main window, which runs the matching command.
class CListEditWnd : public CBaseWnd {
    Q_OBJECT

public:
    static constexpr int ITEM_ADD_FILES = 1;
    static constexpr int ITEM_REMOVE = 2;
    static constexpr int ITEM_MOVE_UP = 3;
    static constexpr int ITEM_MOVE_DOWN = 4;
    static constexpr int ITEM_CLEAR = 5;
    static constexpr int ITEM_START_TIMER = 6;
    static constexpr int ITEM_STOP_TIMER = 7;
    static constexpr int ITEM_BEGIN_TIME = 8;

    // Space between a button's text and its border: the comfortable one, and the least the buttons
    // shrink to so that all of them stay on a bar as narrow as the smallest main window.
    static constexpr int BUTTON_PADDING = 8;
    static constexpr int MIN_BUTTON_PADDING = 1;

    explicit CListEditWnd(CBaseSkin* skin, QWidget* parent = nullptr);

protected:
    bool OnCreate() override;
    // Before the first button is placed, picks the largest padding (within the two above) with
    // which every button fits on one line.
    int OnLayoutItem(SkinItem* item) override;

private:
    void FitPadding();
};
