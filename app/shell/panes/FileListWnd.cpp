#include "shell/panes/FileListWnd.h"

CFileListWnd::CFileListWnd(CBaseSkin* skin, QWidget* parent)
    : CBaseWnd(skin, parent)
{
}

bool CFileListWnd::OnCreate()
{
    SkinItem item;
    item.id = ITEM_LIST;
    item.layout = LAYOUT_LEFT;
    item.marginLeft = 1;
    item.marginRight = 1;
    item.textAlign = TEXTALIGN_CENTER | TEXTALIGN_VCENTER;
    return AddItem(item);
}

void CFileListWnd::SetList(QWidget* list)
{
    (void)SetItemChild(ITEM_LIST, list);
    LayoutItems();
}

QWidget* CFileListWnd::List() const
{
    const SkinItem* item = FindItem(ITEM_LIST);
    return item != nullptr ? item->child : nullptr;
}
