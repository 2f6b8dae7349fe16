#include "skin/ItemLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int CLIENT_WIDTH = 100;
constexpr int CLIENT_HEIGHT = 50;

struct Step {
    ItemPlacement Item;
    int NaturalWidth = 0;
    int NaturalHeight = 0;
    SkinRect Expected;
};

ItemPlacement Flow(int layout, SkinRect rect = {})
{
    ItemPlacement item;
    item.Layout = layout;
    item.Rect = rect;
    return item;
}

ItemPlacement WithMargins(ItemPlacement item, int left, int top, int right, int bottom)
{
    item.MarginLeft = left;
    item.MarginTop = top;
    item.MarginRight = right;
    item.MarginBottom = bottom;
    return item;
}

ItemPlacement WithPercent(ItemPlacement item, float width, float height)
{
    item.WidthPercent = width;
    item.HeightPercent = height;
    return item;
}

// Lays the steps' items out in order, as the window does on a size change.
std::vector<SkinRect> LayOut(const std::vector<Step>& steps)
{
    std::vector<ItemPlacement> placed;
    std::vector<SkinRect> rects;
    for (const Step& step : steps) {
        ItemPlacement item = step.Item;
        if (IsPlacedByLayout(item.Layout)) {
            item.Rect
                = PlaceItem(item, placed, step.NaturalWidth, step.NaturalHeight, CLIENT_WIDTH, CLIENT_HEIGHT);
        }
        placed.push_back(item);
        rects.push_back(item.Rect);
    }
    return rects;
}

TEST(ItemLayout, PlacesItemsInListOrder)
{
    constexpr int LEFT = LAYOUT_LEFT | LAYOUT_AUTOSIZE;
    constexpr int RIGHT = LAYOUT_RIGHT | LAYOUT_AUTOSIZE;
    constexpr int NEWLINE = LAYOUT_LEFT_NEWLINE | LAYOUT_AUTOSIZE;
    struct Case {
        const char* Name;
        std::vector<Step> Steps;
    };
    const Case cases[] = {
        { "a row wraps under itself when the next item does not fit",
            { { Flow(LEFT), 40, 10, { 0, 0, 40, 10 } }, { Flow(LEFT), 40, 10, { 40, 0, 80, 10 } },
                { Flow(LEFT), 40, 10, { 0, 10, 40, 20 } } } },
        { "margins offset the item and the next one flows from its edge",
            { { WithMargins(Flow(LEFT), 2, 3, 0, 0), 10, 10, { 2, 3, 12, 13 } },
                { WithMargins(Flow(LEFT), 1, 0, 0, 0), 10, 10, { 13, 0, 23, 10 } } } },
        { "right anchors mirror the left ones",
            { { Flow(RIGHT), 30, 10, { 70, 0, 100, 10 } }, { Flow(RIGHT), 30, 10, { 40, 0, 70, 10 } } } },
        { "a new line goes under the row, and the row continues beside it",
            { { Flow(LEFT), 40, 10, { 0, 0, 40, 10 } }, { Flow(NEWLINE), 20, 5, { 0, 10, 20, 15 } },
                { Flow(LEFT), 20, 5, { 20, 10, 40, 15 } } } },
        { "bottom anchors flow along the bottom edge",
            { { Flow(LAYOUT_LEFT_BOTTOM | LAYOUT_AUTOSIZE), 30, 10, { 0, 40, 30, 50 } },
                { Flow(LAYOUT_LEFT_BOTTOM | LAYOUT_AUTOSIZE), 30, 10, { 30, 40, 60, 50 } },
                { Flow(LAYOUT_RIGHT_BOTTOM | LAYOUT_AUTOSIZE), 30, 10, { 70, 40, 100, 50 } } } },
        { "percentages share the free space between the margins",
            { { Flow(LEFT), 40, 10, { 0, 0, 40, 10 } },
                { WithMargins(WithPercent(Flow(LAYOUT_LEFT_NEWLINE), 50, 100), 10, 0, 10, 0), 0, 0,
                    { 10, 10, 50, 50 } } } },
        { "a fixed width keeps its size, the height takes the free space",
            { { Flow(LAYOUT_LEFT | LAYOUT_FIXED_WIDTH), 25, 99, { 0, 0, 25, 50 } } } },
        { "margins wider than the window leave an empty item, not a negative one",
            { { WithMargins(Flow(LAYOUT_LEFT_NEWLINE), 60, 0, 60, 0), 0, 0, { 60, 0, 60, 50 } } } },
        { "an item that keeps its rect neither moves nor pushes the others",
            { { Flow(LAYOUT_KEEP_RECT | LAYOUT_LEFT, { 5, 5, 90, 45 }), 0, 0, { 5, 5, 90, 45 } },
                { Flow(LEFT), 10, 10, { 0, 0, 10, 10 } } } },
        { "the lowest anchor bit decides",
            { { Flow(LAYOUT_LEFT | LAYOUT_RIGHT | LAYOUT_AUTOSIZE), 10, 10, { 0, 0, 10, 10 } } } },
    };
    for (const Case& c : cases) {
        const std::vector<SkinRect> rects = LayOut(c.Steps);
        for (std::size_t i = 0; i < rects.size(); ++i) {
            const SkinRect& expected = c.Steps[i].Expected;
            const SkinRect& actual = rects[i];
            EXPECT_EQ(actual, expected) << c.Name << ": item " << i << " at " << actual.left << ","
                                        << actual.top << "-" << actual.right << "," << actual.bottom;
        }
    }
}

TEST(ItemLayout, OnlyAnchoredItemsAreMoved)
{
    struct Case {
        int Layout;
        bool Placed;
    };
    const Case cases[] = {
        { LAYOUT_LEFT, true },
        { LAYOUT_RIGHT_BOTTOM | LAYOUT_AUTOSIZE, true },
        { 0, false },
        { LAYOUT_FIXED_WIDTH | LAYOUT_AUTOSIZE, false },
        { LAYOUT_KEEP_RECT | LAYOUT_LEFT, false },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsPlacedByLayout(c.Layout), c.Placed) << c.Layout;
    }
}

} // namespace
