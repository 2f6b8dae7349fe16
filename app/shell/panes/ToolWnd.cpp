#include "shell/panes/ToolWnd.h"

#include "shell/panes/PaneButtons.h"
#include "skin/KVSkin.h"

CToolWnd::CToolWnd(CBaseSkin* skin, QWidget* parent)
    : CBaseWnd(skin, parent)
{
}

bool CToolWnd::OnCreate()
{
    // Import stands before Export on the bar although its item id is the higher one.
    static constexpr PaneButton BUTTONS[] = {
        { ITEM_SCHEDULE_POLICY, CKVSkin::IMAGE_SCHEDULE_POLICY, "Scheduling Policy" },
        { ITEM_IMPORT_LIST, CKVSkin::IMAGE_IMPORT_LIST, "Import List" },
        { ITEM_EXPORT_LIST, CKVSkin::IMAGE_EXPORT_LIST, "Export List" },
        { ITEM_PLAYER_SETTING, CKVSkin::IMAGE_PLAYER_SETTING, "Player Setting" },
        { ITEM_START_ALL_TIMERS, CKVSkin::IMAGE_START_ALL_TIMERS, "Start All Timer" },
        { ITEM_STOP_ALL_TIMERS, CKVSkin::IMAGE_STOP_ALL_TIMERS, "Stop All Timer" },
    };
    // As wide as the picture, 30 high, lined up from the left.
    SkinItem shape;
    shape.layout = LAYOUT_LEFT | LAYOUT_FIXED_HEIGHT | LAYOUT_AUTOSIZE;
    shape.rect = { 0, 0, 0, 30 };
    shape.marginLeft = 2;
    shape.marginTop = 4;
    shape.padding = 2;
    return AddPaneButtons(*this, BUTTONS, shape);
}
