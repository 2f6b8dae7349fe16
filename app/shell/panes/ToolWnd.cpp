#include "shell/panes/ToolWnd.h"

#include "skin/KVSkin.h"

CToolWnd::CToolWnd(CBaseSkin* skin, QWidget* parent)
    : CBaseWnd(skin, parent)
{
}

bool CToolWnd::OnCreate()
{
    struct Button {
        int id;
        int imageId;
        const char* tip;
    };
    // Import stands before Export on the bar although its item id is the higher one.
    static constexpr Button BUTTONS[] = {
        { ITEM_SCHEDULE_POLICY, CKVSkin::IMAGE_SCHEDULE_POLICY, "Scheduling Policy" },
        { ITEM_IMPORT_LIST, CKVSkin::IMAGE_IMPORT_LIST, "Import List" },
        { ITEM_EXPORT_LIST, CKVSkin::IMAGE_EXPORT_LIST, "Export List" },
        { ITEM_PLAYER_SETTING, CKVSkin::IMAGE_PLAYER_SETTING, "Player Setting" },
        { ITEM_START_ALL_TIMERS, CKVSkin::IMAGE_START_ALL_TIMERS, "Start All Timer" },
        { ITEM_STOP_ALL_TIMERS, CKVSkin::IMAGE_STOP_ALL_TIMERS, "Stop All Timer" },
    };
    for (const Button& button : BUTTONS) {
        SkinItem item;
        item.id = button.id;
        item.imageId = button.imageId;
        item.tip = QString::fromLatin1(button.tip);
        // As wide as the picture, 30 high, lined up from the left.
        item.layout = LAYOUT_LEFT | LAYOUT_FIXED_HEIGHT | LAYOUT_AUTOSIZE;
        item.rect = { 0, 0, 0, 30 };
        item.marginLeft = 2;
        item.marginTop = 4;
        item.padding = 2;
        item.textAlign = TEXTALIGN_CENTER | TEXTALIGN_VCENTER;
        if (!AddItem(item))
            return false;
    }
    return true;
}
