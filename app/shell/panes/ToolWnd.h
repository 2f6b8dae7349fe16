#pragma once

#include "skin/BaseWnd.h"

// The tool bar under the caption: image buttons for the player's schedule, its list file, its
// settings and all players' timers. Clicks go to the main window, which runs the matching command.
class CToolWnd : public CBaseWnd {
    Q_OBJECT

public:
    static constexpr int ITEM_SCHEDULE_POLICY = 1;
    static constexpr int ITEM_EXPORT_LIST = 2;
    static constexpr int ITEM_IMPORT_LIST = 3;
    static constexpr int ITEM_PLAYER_SETTING = 4;
    static constexpr int ITEM_START_ALL_TIMERS = 5;
    static constexpr int ITEM_STOP_ALL_TIMERS = 6;

    explicit CToolWnd(CBaseSkin* skin, QWidget* parent = nullptr);

protected:
    bool OnCreate() override;
};
