#pragma once

#include "skin/BaseWnd.h"

// The client panel of the schedule policy dialog: the two schedule kinds, the day boxes and the
// date pickers with their labels.
class CProgramWnd : public CBaseWnd {
public:
    using CBaseWnd::CBaseWnd;
};
