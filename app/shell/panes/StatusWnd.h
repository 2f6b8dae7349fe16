#pragma once

#include "skin/BaseWnd.h"

// The status bar at the bottom of the main window: the date and the clock at its right end, which
// the main window writes every second, and a message at its left (empty while all is well).
class CStatusWnd : public CBaseWnd {
    Q_OBJECT

public:
    static constexpr int ITEM_CLOCK = 1;
    static constexpr int ITEM_DATE = 2;
    static constexpr int ITEM_MESSAGE = 3;

    explicit CStatusWnd(CBaseSkin* skin, QWidget* parent = nullptr);

protected:
    bool OnCreate() override;
    // The message takes what the date and the clock leave of the bar.
    int OnLayoutItem(SkinItem* item) override;
};
