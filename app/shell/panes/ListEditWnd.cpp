#include "shell/panes/ListEditWnd.h"

#include <algorithm>

CListEditWnd::CListEditWnd(CBaseSkin* skin, QWidget* parent)
    : CBaseWnd(skin, parent)
{
}

bool CListEditWnd::OnCreate()
{
    struct Button {
        int id;
        const char* text;
        const char* tip;
    };
    // "Begin Time" stands sixth but is item 8: the main window maps item ids, not positions.
    static constexpr Button BUTTONS[] = {
        { ITEM_ADD_FILES, "Add File", "Add New Files" },
        { ITEM_REMOVE, "Remove", "Remove The Selected Items" },
        { ITEM_MOVE_UP, "Move Up", "Move Up The Selected Items" },
        { ITEM_MOVE_DOWN, "Move Down", "Move Down The Selected Items" },
        { ITEM_CLEAR, "Clear", "Clear All Items" },
        { ITEM_BEGIN_TIME, "Begin Time", "Set The Selected Item's Begin Time" },
        { ITEM_START_TIMER, "Start Timer", "Start Current Player's Timer" },
        { ITEM_STOP_TIMER, "Stop Timer", "Stop Current Player's Timer" },
    };
    for (const Button& button : BUTTONS) {
        SkinItem item;
        item.id = button.id;
        item.text = QString::fromLatin1(button.text);
        item.tip = QString::fromLatin1(button.tip);
        item.style = ITEMSTYLE_BORDER | ITEMSTYLE_BACKGROUND;
        // As wide as the text, 30 high, lined up from the left.
        item.layout = LAYOUT_LEFT | LAYOUT_FIXED_HEIGHT | LAYOUT_AUTOSIZE;
        item.rect = { 0, 0, 0, 30 };
        item.marginLeft = 2;
        item.marginTop = 4;
        item.padding = BUTTON_PADDING;
        item.textAlign = TEXTALIGN_CENTER | TEXTALIGN_VCENTER;
        if (!AddItem(item))
            return false;
    }
    return true;
}

int CListEditWnd::OnLayoutItem(SkinItem* item)
{
    if (item != nullptr && item == ItemAt(0))
        FitPadding();
    return 0;
}

void CListEditWnd::FitPadding()
{
    // The buttons' widths without padding, and how many paddings the row holds.
    int fixed = 0;
    int paddings = 0;
    for (int index = 0; index < ItemCount(); ++index) {
        const SkinItem& item = *ItemAt(index);
        fixed += NaturalSize(item).width() - 2 * item.padding + item.marginLeft;
        paddings += 2;
    }
    if (paddings == 0)
        return;
    const int padding = std::clamp((width() - fixed) / paddings, MIN_BUTTON_PADDING, BUTTON_PADDING);
    for (int index = 0; index < ItemCount(); ++index)
        ItemAt(index)->padding = padding;
}
