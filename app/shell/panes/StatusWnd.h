#pragma once

#include "skin/BaseWnd.h"

// The status bar at the bottom of the main window: the date and the clock at its right end. The
// main window writes both every second.
class CStatusWnd : public CBaseWnd {
    Q_OBJECT

public:
    static constexpr int ITEM_CLOCK = 1;
    static constexpr int ITEM_DATE = 2;

    explicit CStatusWnd(CBaseSkin* skin, QWidget* parent = nullptr);

protected:
    bool OnCreate() override;
};
