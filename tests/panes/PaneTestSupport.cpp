#include "PaneTestSupport.h"

#include "skin/CaptionWnd.h"

#include <gtest/gtest.h>

namespace panetest {

PanesDialog::PanesDialog()
    : CBaseDialog(0, &DefaultSkin())
{
    // All caption buttons and the logo, as the main window has them.
    SetCaptionFlags(CAPTION_CLOSE | CAPTION_MAXIMIZE | CAPTION_MINIMIZE | CAPTION_MAINMENU | CAPTION_LOGO);
}

bool PanesDialog::OnInitDialog()
{
    if (!CBaseDialog::OnInitDialog())
        return false;
    SetCaptionText(QStringLiteral("Tessaly"));
    return CreateMainPanes(*this, Skin(), panes);
}

int PanesDialog::OnItemNotify(int code, const ItemNotifyInfo& info)
{
    notifications.push_back({ code, info.sender, info.item != nullptr ? info.item->id : -1 });
    return CBaseDialog::OnItemNotify(code, info);
}

int PanesDialog::OnItemClick(const ItemNotifyInfo& info)
{
    clicks.push_back({ ITEMNOTIFY_CLICK, info.sender, info.item != nullptr ? info.item->id : -1 });
    return CBaseDialog::OnItemClick(info);
}

bool PanesDialog::Open(int width, int height)
{
    if (!Create())
        return false;
    resize(width, height);
    show();
    LayoutPanes();
    return true;
}

void PanesDialog::ResizeTo(int width, int height)
{
    resize(width, height);
    LayoutPanes();
}

QRect PaneSlot(const QWidget* pane)
{
    return pane->geometry().adjusted(-1, -1, 1, 1);
}

QPoint ItemCentre(const CBaseWnd& window, int id)
{
    const SkinItem* item = window.FindItem(id);
    EXPECT_NE(item, nullptr) << "no item " << id;
    if (item == nullptr)
        return {};
    return QPoint((item->rect.left + item->rect.right) / 2, (item->rect.top + item->rect.bottom) / 2);
}

} // namespace panetest
