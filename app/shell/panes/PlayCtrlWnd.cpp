#include "shell/panes/PlayCtrlWnd.h"

#include "shell/panes/PaneButtons.h"
#include "skin/KVSkin.h"

CPlayCtrlWnd::CPlayCtrlWnd(CBaseSkin* skin, QWidget* parent)
    : CSliderWnd(skin, parent)
{
}

bool CPlayCtrlWnd::OnCreate()
{
    static constexpr PaneButton BUTTONS[] = {
        { ITEM_PLAY, CKVSkin::IMAGE_PLAY, "Play" },
        { ITEM_STOP, CKVSkin::IMAGE_STOP, "Stop" },
        { ITEM_PREVIOUS, CKVSkin::IMAGE_PREVIOUS_FILE, "Previous File" },
        { ITEM_NEXT, CKVSkin::IMAGE_NEXT_FILE, "Next File" },
    };
    // Centred in the bar's 28-pixel window, a little apart from each other.
    SkinItem shape;
    shape.layout = LAYOUT_LEFT | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT;
    shape.rect = { 0, 0, 24, 24 };
    shape.marginLeft = 2;
    shape.marginTop = 2;
    if (!AddPaneButtons(*this, BUTTONS, shape))
        return false;

    SkinItem elapsed;
    elapsed.id = ITEM_ELAPSED;
    elapsed.text = QStringLiteral("00:00:00");
    elapsed.tip = QStringLiteral("Elapsed Time");
    elapsed.layout = LAYOUT_RIGHT | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT;
    elapsed.rect = { 0, 0, 60, 20 };
    elapsed.marginTop = 4;
    // Off the bar's right edge; the slider's right margin leaves room for the text and this.
    elapsed.marginRight = 4;
    elapsed.textAlign = TEXTALIGN_RIGHT | TEXTALIGN_VCENTER;
    if (!AddItem(elapsed))
        return false;

    // The slider takes the rest of the bar; its right margin leaves room for the elapsed time.
    SkinItem position;
    position.id = ITEM_POSITION;
    position.style = ITEMSTYLE_SLIDER;
    position.layout = LAYOUT_LEFT | LAYOUT_FIXED_HEIGHT;
    position.rect = { 0, 0, 0, 20 };
    position.marginLeft = 10;
    position.marginRight = 66;
    position.marginTop = 5;
    SliderInfo slider;
    slider.pos = 0;
    slider.min = 0;
    slider.max = 100;
    slider.notifyWhileDragging = 1;
    slider.trackHeight = 10;
    slider.thumbWidth = 8;
    slider.thumbShape = 0;
    position.extra = slider;
    return AddItem(position);
}
