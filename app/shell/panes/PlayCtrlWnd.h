#pragma once

#include "skin/SliderWnd.h"

// The play control bar under the file list: play or pause, stop, previous and next file for the
// current player, its position slider and its elapsed time. Clicks and slider changes go to the
// main window, which plays, stops or seeks.
class CPlayCtrlWnd : public CSliderWnd {
    Q_OBJECT

public:
    static constexpr int ITEM_PLAY = 1;
    static constexpr int ITEM_STOP = 2;
    static constexpr int ITEM_PREVIOUS = 3;
    static constexpr int ITEM_NEXT = 4;
    static constexpr int ITEM_ELAPSED = 5;
    static constexpr int ITEM_POSITION = 6;

    explicit CPlayCtrlWnd(CBaseSkin* skin, QWidget* parent = nullptr);

protected:
    bool OnCreate() override;
};
