#pragma once

// Where a skinned window puts its items: each item flows from one of six anchors (the left or right
// edge, along the top or the bottom), in list order, through the space the items before it left
// free. Plain C++: the window measures an item's natural size and hands it in.

#include <cstddef>
#include <span>

// LayoutFlags. Anchors: 0x01 starts a new line at the left edge and 0x02 flows left to right along
// the top; 0x08 and 0x10 mirror them at the right edge; 0x04 and 0x20 flow along the bottom.
inline constexpr int LAYOUT_LEFT_NEWLINE = 0x01;
inline constexpr int LAYOUT_LEFT = 0x02;
inline constexpr int LAYOUT_LEFT_BOTTOM = 0x04;
inline constexpr int LAYOUT_RIGHT_NEWLINE = 0x08;
inline constexpr int LAYOUT_RIGHT = 0x10;
inline constexpr int LAYOUT_RIGHT_BOTTOM = 0x20;
inline constexpr int LAYOUT_FIXED_WIDTH = 0x40;
inline constexpr int LAYOUT_FIXED_HEIGHT = 0x80;
// Size from the content: the image, or the measured text.
inline constexpr int LAYOUT_AUTOSIZE = 0x100;
// The item keeps its rect exactly as given.
inline constexpr int LAYOUT_KEEP_RECT = 0x200;
inline constexpr int LAYOUT_ANCHOR_MASK = 0x3F;

// A rectangle as the layout computes it: right and bottom are one past the last pixel, so the
// width is right - left.
struct SkinRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    [[nodiscard]] int Width() const { return right - left; }
    [[nodiscard]] int Height() const { return bottom - top; }
    [[nodiscard]] bool IsEmpty() const { return right <= left || bottom <= top; }
    [[nodiscard]] bool Contains(int x, int y) const
    {
        return x >= left && x < right && y >= top && y < bottom;
    }

    friend bool operator==(const SkinRect&, const SkinRect&) = default;
};

// What the layout reads of an item, and the rect it writes back.
struct ItemPlacement {
    int Layout = LAYOUT_RIGHT;
    // In the window's client coordinates; for an earlier item, where it was placed.
    SkinRect Rect;
    int MarginLeft = 0;
    int MarginRight = 0;
    int MarginTop = 0;
    int MarginBottom = 0;
    // Size as a percentage of the free space when the size is not fixed.
    float WidthPercent = 100.0F;
    float HeightPercent = 100.0F;
};

// False for an item that keeps its rect as given: one with LAYOUT_KEEP_RECT or without an anchor.
[[nodiscard]] bool IsPlacedByLayout(int layout);

// The rect of `item`, placed after the items `earlier` (in list order, each at its placed rect) in
// a client area of the given size; `naturalWidth` and `naturalHeight` are its size from its content.
// Only for an item that IsPlacedByLayout.
[[nodiscard]] SkinRect PlaceItem(const ItemPlacement& item, std::span<const ItemPlacement> earlier,
    int naturalWidth, int naturalHeight, int clientWidth, int clientHeight);
