#include "dialogs/DialogPanes.h"

#include "skin/BaseDialog.h"
#include "skin/BaseWnd.h"

namespace dialogpanes {

namespace {
    constexpr int ROW_HEIGHT = 22;
}

bool AddPaneWindow(CBaseDialog& dialog, CBaseWnd& window, int id, const QString& name, int anchor, int height)
{
    if (!window.Create(name, 0, &dialog, id))
        return false;
    PaneRecord pane;
    pane.pane = &window;
    pane.id = id;
    pane.anchor = anchor | PANE_LEFT | (height > 0 ? PANE_FIXED_HEIGHT : 0);
    pane.rect = { 0, 0, 0, height };
    pane.options = PANEOPT_INSET;
    return dialog.AddPane(pane);
}

SkinItem Label(int id, const QString& text, int width)
{
    SkinItem item;
    item.id = id;
    item.text = text;
    item.layout = LAYOUT_LEFT_NEWLINE | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT;
    item.rect = { 0, 0, width, ROW_HEIGHT };
    item.marginLeft = 8;
    item.marginTop = 8;
    item.padding = 4;
    item.textAlign = TEXTALIGN_RIGHT | TEXTALIGN_VCENTER;
    return item;
}

SkinItem Holder(int id, QWidget* child, int width)
{
    SkinItem item;
    item.id = id;
    item.child = child;
    item.layout = LAYOUT_LEFT | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT;
    item.rect = { 0, 0, width, ROW_HEIGHT };
    item.marginLeft = 4;
    item.marginTop = 8;
    return item;
}

SkinItem Button(int id, const QString& text, bool right)
{
    SkinItem item;
    item.id = id;
    item.text = text;
    item.layout = (right ? LAYOUT_RIGHT : LAYOUT_LEFT) | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT;
    item.rect = { 0, 0, 80, 26 };
    item.marginLeft = 8;
    item.marginRight = 8;
    item.marginTop = 7;
    item.style = ITEMSTYLE_BORDER | ITEMSTYLE_BACKGROUND;
    item.textAlign = TEXTALIGN_CENTER | TEXTALIGN_VCENTER;
    return item;
}

SkinItem Box(int id, const QString& text, int style, bool newRow, int width)
{
    SkinItem item;
    item.id = id;
    item.text = text;
    item.style = style;
    item.layout = (newRow ? LAYOUT_LEFT_NEWLINE : LAYOUT_LEFT) | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT;
    item.rect = { 0, 0, width, ROW_HEIGHT - 2 };
    item.marginLeft = 8;
    item.marginTop = 6;
    item.padding = 2;
    return item;
}

} // namespace dialogpanes
