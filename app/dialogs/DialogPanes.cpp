#include "dialogs/DialogPanes.h"

#include "skin/BaseDialog.h"
#include "skin/BaseWnd.h"

#include <QDialog>

namespace dialogpanes {

namespace {
    constexpr int ROW_HEIGHT = 22;
    constexpr int FIXED_SIZE = LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT;
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

SkinItem Placed(int id, int layout, const SkinRect& rect, const ItemMargins& margins)
{
    SkinItem item;
    item.id = id;
    item.layout = layout;
    item.rect = rect;
    item.marginLeft = margins.Left;
    item.marginRight = margins.Right;
    item.marginTop = margins.Top;
    item.marginBottom = margins.Bottom;
    return item;
}

SkinItem Label(int id, const QString& text, int width)
{
    SkinItem item
        = Placed(id, LAYOUT_LEFT_NEWLINE | FIXED_SIZE, { 0, 0, width, ROW_HEIGHT }, { .Left = 8, .Top = 8 });
    item.text = text;
    item.padding = 4;
    item.textAlign = TEXTALIGN_RIGHT | TEXTALIGN_VCENTER;
    return item;
}

SkinItem Holder(int id, QWidget* child, int width)
{
    SkinItem item
        = Placed(id, LAYOUT_LEFT | FIXED_SIZE, { 0, 0, width, ROW_HEIGHT }, { .Left = 4, .Top = 8 });
    item.child = child;
    return item;
}

SkinItem Button(int id, const QString& text, bool right)
{
    SkinItem item = Placed(id, (right ? LAYOUT_RIGHT : LAYOUT_LEFT) | FIXED_SIZE, { 0, 0, 80, 26 },
        { .Left = 8, .Right = 8, .Top = 7 });
    item.text = text;
    item.style = ITEMSTYLE_BORDER | ITEMSTYLE_BACKGROUND;
    item.textAlign = TEXTALIGN_CENTER | TEXTALIGN_VCENTER;
    return item;
}

SkinItem Box(int id, const QString& text, int style, bool newRow, int width)
{
    SkinItem item = Placed(id, (newRow ? LAYOUT_LEFT_NEWLINE : LAYOUT_LEFT) | FIXED_SIZE,
        { 0, 0, width, ROW_HEIGHT - 2 }, { .Left = 8, .Top = 6 });
    item.text = text;
    item.style = style;
    item.padding = 2;
    return item;
}

bool ClickOkCancel(QDialog& dialog, int itemId, const std::function<void()>& onOk)
{
    switch (itemId) {
    case BAR_ITEM_OK:
        onOk();
        return true;
    case BAR_ITEM_CANCEL:
        dialog.reject();
        return true;
    default:
        return false;
    }
}

} // namespace dialogpanes
