#include "skin/ItemLayout.h"

#include <algorithm>

namespace {

// The anchor that decides how an item flows: the lowest anchor bit of its layout flags.
int AnchorOf(int layout)
{
    const int anchors = layout & LAYOUT_ANCHOR_MASK;
    return anchors & -anchors;
}

bool IsLeftAnchor(int anchor)
{
    return (anchor & (LAYOUT_LEFT_NEWLINE | LAYOUT_LEFT | LAYOUT_LEFT_BOTTOM)) != 0;
}

bool IsTopAnchor(int anchor)
{
    return (anchor & (LAYOUT_LEFT_NEWLINE | LAYOUT_LEFT | LAYOUT_RIGHT_NEWLINE | LAYOUT_RIGHT)) != 0;
}

int Percent(float percent, int space)
{
    return static_cast<int>(static_cast<float>(std::max(space, 0)) * percent / 100.0F);
}

} // namespace

bool IsPlacedByLayout(int layout)
{
    return (layout & LAYOUT_KEEP_RECT) == 0 && AnchorOf(layout) != 0;
}

SkinRect PlaceItem(const ItemPlacement& item, std::span<const ItemPlacement> earlierItems, int naturalWidth,
    int naturalHeight, int clientWidth, int clientHeight)
{
    const int anchor = AnchorOf(item.Layout);
    const SkinRect client { 0, 0, clientWidth, clientHeight };

    // The free area: each earlier item moves the edges it bears on; the last move of an edge wins.
    SkinRect free = client;
    for (const ItemPlacement& earlier : earlierItems) {
        if ((earlier.Layout & LAYOUT_KEEP_RECT) != 0)
            continue;
        const int earlierAnchor = AnchorOf(earlier.Layout);
        const SkinRect& r = earlier.Rect;
        const bool noRoomRight = client.Width() < r.right + naturalWidth;
        const bool noRoomLeft = r.left - naturalWidth < client.left;
        switch (anchor) {
        case LAYOUT_LEFT:
            if (earlierAnchor == LAYOUT_LEFT || earlierAnchor == LAYOUT_LEFT_NEWLINE) {
                if (noRoomRight) {
                    free.left = client.left;
                    free.top = r.bottom;
                } else {
                    free.left = r.right;
                    if (earlierAnchor == LAYOUT_LEFT_NEWLINE)
                        free.top = r.top - earlier.MarginTop;
                }
            }
            break;
        case LAYOUT_LEFT_NEWLINE:
            if (earlierAnchor == LAYOUT_LEFT_NEWLINE || earlierAnchor == LAYOUT_LEFT)
                free.top = r.bottom;
            else if (earlierAnchor == LAYOUT_LEFT_BOTTOM)
                free.bottom = r.top;
            break;
        case LAYOUT_RIGHT:
            if (earlierAnchor == LAYOUT_RIGHT || earlierAnchor == LAYOUT_RIGHT_NEWLINE) {
                if (noRoomLeft) {
                    free.right = client.right;
                    free.top = r.bottom;
                } else {
                    free.right = r.left;
                    if (earlierAnchor == LAYOUT_RIGHT_NEWLINE)
                        free.top = r.top - earlier.MarginTop;
                }
            }
            break;
        case LAYOUT_RIGHT_NEWLINE:
            if (earlierAnchor == LAYOUT_RIGHT_NEWLINE || earlierAnchor == LAYOUT_RIGHT
                || earlierAnchor == LAYOUT_RIGHT_BOTTOM)
                free.top = r.bottom;
            break;
        case LAYOUT_LEFT_BOTTOM:
            if (earlierAnchor == LAYOUT_LEFT_BOTTOM) {
                if (noRoomRight) {
                    free.left = client.left;
                    free.bottom = r.top;
                } else {
                    free.left = r.right;
                }
            }
            break;
        case LAYOUT_RIGHT_BOTTOM:
            if (earlierAnchor == LAYOUT_RIGHT_BOTTOM) {
                if (noRoomLeft) {
                    free.right = client.right;
                    free.bottom = r.top;
                } else {
                    free.right = r.left;
                }
            }
            break;
        default:
            break;
        }
    }

    // Percentages share the free space between the item's margins, so a row of items whose last
    // one takes 100 % ends exactly at the free area's edge.
    const bool widthFromContent = (item.Layout & (LAYOUT_FIXED_WIDTH | LAYOUT_AUTOSIZE)) != 0;
    const bool heightFromContent = (item.Layout & (LAYOUT_FIXED_HEIGHT | LAYOUT_AUTOSIZE)) != 0;
    const int itemWidth = widthFromContent
        ? naturalWidth
        : Percent(item.WidthPercent, free.Width() - item.MarginLeft - item.MarginRight);
    const int itemHeight = heightFromContent
        ? naturalHeight
        : Percent(item.HeightPercent, free.Height() - item.MarginTop - item.MarginBottom);
    SkinRect rect;
    if (IsLeftAnchor(anchor)) {
        rect.left = free.left + item.MarginLeft;
        rect.right = rect.left + itemWidth;
    } else {
        rect.right = free.right - item.MarginRight;
        rect.left = rect.right - itemWidth;
    }
    if (IsTopAnchor(anchor)) {
        rect.top = free.top + item.MarginTop;
        rect.bottom = rect.top + itemHeight;
    } else {
        rect.bottom = free.bottom - item.MarginBottom;
        rect.top = rect.bottom - itemHeight;
    }
    return rect;
}
