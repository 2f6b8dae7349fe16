#pragma once

#include "skin/SkinItem.h"

#include <span>

class CBaseWnd;

// One image button of a bar: its item id, its picture in the skin and its tip.
struct PaneButton {
    int Id;
    int ImageId;
    const char* Tip;
};

// Adds one item per button, in order, each a copy of shape with the button's id, image and tip,
// centred.
// False as soon as one cannot be added.
[[nodiscard]] bool AddPaneButtons(
    CBaseWnd& window, std::span<const PaneButton> buttons, const SkinItem& shape);
