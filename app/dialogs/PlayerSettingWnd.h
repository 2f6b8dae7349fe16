#pragma once

#include "skin/SliderWnd.h"

// The client panel of the player setting dialog: labels, embedded lists and the edit, and the
// volume and amplification sliders.
class CPlayerSettingWnd : public CSliderWnd {
public:
    using CSliderWnd::CSliderWnd;
};
