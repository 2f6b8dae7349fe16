#include "shell/panes/StatusWnd.h"

#include <algorithm>

CStatusWnd::CStatusWnd(CBaseSkin* skin, QWidget* parent)
    : CBaseWnd(skin, parent)
{
}

bool CStatusWnd::OnCreate()
{
    struct Field {
        int id;
        int width;
        const char* text;
    };
    // The clock at the right end, the date to its left; the texts stand until the first tick.
    static constexpr Field FIELDS[] = {
        { ITEM_CLOCK, 140, "00:00:00" },
        { ITEM_DATE, 160, "2011-07-01" },
    };
    for (const Field& field : FIELDS) {
        SkinItem item;
        item.id = field.id;
        item.text = QString::fromLatin1(field.text);
        // As high as the bar, whose window is its place in the dialog less the insets.
        item.layout = LAYOUT_RIGHT_BOTTOM | LAYOUT_FIXED_WIDTH;
        item.rect = { 0, 0, field.width, 0 };
        item.heightPercent = 100.0F;
        item.marginRight = 4;
        item.textAlign = TEXTALIGN_LEFT;
        if (!AddItem(item))
            return false;
    }
    SkinItem message;
    message.id = ITEM_MESSAGE;
    message.layout = LAYOUT_LEFT_BOTTOM;
    message.heightPercent = 100.0F;
    message.marginLeft = 6;
    message.textAlign = TEXTALIGN_LEFT;
    return AddItem(message);
}

int CStatusWnd::OnLayoutItem(SkinItem* item)
{
    if (item == nullptr || item->id != ITEM_MESSAGE)
        return 0;
    const SkinItem* date = FindItem(ITEM_DATE);
    item->rect.left = item->marginLeft;
    item->rect.right = std::max(item->rect.left, (date != nullptr ? date->rect.left : width()) - 4);
    item->rect.top = 0;
    item->rect.bottom = height();
    return 1;
}
