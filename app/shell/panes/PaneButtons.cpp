#include "shell/panes/PaneButtons.h"

#include "skin/BaseWnd.h"

bool AddPaneButtons(CBaseWnd& window, std::span<const PaneButton> buttons, const SkinItem& shape)
{
    for (const PaneButton& button : buttons) {
        SkinItem item = shape;
        item.id = button.Id;
        item.imageId = button.ImageId;
        item.tip = QString::fromLatin1(button.Tip);
        item.textAlign = TEXTALIGN_CENTER | TEXTALIGN_VCENTER;
        if (!window.AddItem(item))
            return false;
    }
    return true;
}
