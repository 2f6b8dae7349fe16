#include "skin/CaptionWnd.h"

#include "skin/BaseSkin.h"

#include <QPointer>

namespace {

SkinItem CaptionButton(int id, int imageId, const QString& tip)
{
    SkinItem item;
    item.id = id;
    item.imageId = imageId;
    item.tip = tip;
    item.rect = { 0, 0, 20, 20 };
    item.marginTop = 4;
    item.style = ITEMSTYLE_BACKGROUND;
    item.layout = LAYOUT_RIGHT | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT;
    return item;
}

} // namespace

CCaptionWnd::CCaptionWnd(CBaseSkin* skin, int flags, QWidget* parent)
    : CBaseWnd(skin, parent)
    , m_flags(flags)
{
    SetMovesWindow(true);
}

bool CCaptionWnd::OnCreate()
{
    CBaseSkin& skin = *Skin();
    if ((m_flags & CAPTION_CLOSE) != 0) {
        SkinItem close = CaptionButton(ITEM_CLOSE, skin.CloseImageId(), QStringLiteral("Close"));
        close.marginLeft = 2;
        close.marginRight = 2;
        AddItem(close);
    }
    // The tip is set properly at the first size change, which comes before the bar is seen.
    if ((m_flags & CAPTION_MAXIMIZE) != 0)
        AddItem(CaptionButton(ITEM_MAXIMIZE, skin.MaximizeImageId(), QStringLiteral("Maximun")));
    if ((m_flags & CAPTION_MINIMIZE) != 0)
        AddItem(CaptionButton(ITEM_MINIMIZE, skin.MinimizeImageId(), QStringLiteral("Minimize")));
    if ((m_flags & CAPTION_MAINMENU) != 0)
        AddItem(CaptionButton(ITEM_MAINMENU, skin.MainMenuImageId(), QStringLiteral("Main menu")));
    if ((m_flags & CAPTION_LOGO) != 0) {
        SkinItem logo;
        logo.id = ITEM_LOGO;
        logo.imageId = skin.LogoImageId();
        logo.rect = { 0, 0, 20, 20 };
        logo.marginLeft = 5;
        logo.marginTop = 4;
        logo.layout = LAYOUT_LEFT | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT;
        AddItem(logo);
    }
    SkinItem title;
    title.id = ITEM_TITLE;
    title.text = window() != this ? window()->windowTitle() : QString();
    title.marginLeft = 6;
    title.marginTop = 6;
    title.layout = LAYOUT_LEFT | LAYOUT_AUTOSIZE;
    title.textAlign = TEXTALIGN_LEFT | TEXTALIGN_VCENTER;
    AddItem(title);
    return true;
}

void CCaptionWnd::SetTitle(const QString& title)
{
    (void)SetItemText(ITEM_TITLE, title);
}

void CCaptionWnd::UpdateMaximizeButton()
{
    if (FindItem(ITEM_MAXIMIZE) == nullptr)
        return;
    if (window()->isMaximized()) {
        (void)SetItemImage(ITEM_MAXIMIZE, Skin()->RestoreImageId());
        (void)SetItemTip(ITEM_MAXIMIZE, QStringLiteral("Restore"));
    } else {
        (void)SetItemImage(ITEM_MAXIMIZE, Skin()->MaximizeImageId());
        (void)SetItemTip(ITEM_MAXIMIZE, QStringLiteral("Maximum"));
    }
}

void CCaptionWnd::resizeEvent(QResizeEvent* event)
{
    CBaseWnd::resizeEvent(event);
    UpdateMaximizeButton();
}

int CCaptionWnd::OnItemHot(SkinItem* item, Qt::MouseButtons /*buttons*/, const QPoint& /*point*/)
{
    return item != nullptr && item->id == ITEM_LOGO ? 1 : 0;
}

int CCaptionWnd::OnItemLButtonDown(SkinItem* item, Qt::MouseButtons /*buttons*/, const QPoint& /*point*/)
{
    const bool maximizeButton = item != nullptr && item->id == ITEM_MAXIMIZE;
    const QPointer<CCaptionWnd> alive(this);
    DefaultItemLButtonDown(item);
    if (alive && maximizeButton)
        UpdateMaximizeButton();
    return 1;
}

int CCaptionWnd::OnItemDblClk(SkinItem* /*item*/, Qt::MouseButtons /*buttons*/, const QPoint& /*point*/)
{
    // Only a resizable dialog is told; it maximizes or restores.
    return (m_flags & CAPTION_MAXIMIZE) != 0 ? 0 : 1;
}
