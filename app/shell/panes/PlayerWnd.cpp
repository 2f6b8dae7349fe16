#include "shell/panes/PlayerWnd.h"

#include "skin/KVSkin.h"

#include <algorithm>

namespace {

constexpr int BUTTON_HEIGHT = 20;

} // namespace

CPlayerWnd::CPlayerWnd(CBaseSkin* skin, QWidget* parent)
    : CBaseWnd(skin, parent)
{
    SetMovesWindow(true);
}

bool CPlayerWnd::OnCreate()
{
    static const char* const NAMES[PLAYER_COUNT] = { "Player One", "Player Two", "Player Three",
        "Player Four", "Player Five", "Player Six", "Player Seven", "Player Eight" };
    // Each button takes its share of what the buttons before it left of the row.
    static constexpr float ROW_SHARES[COLUMN_COUNT] = { 25.0F, 33.3F, 50.0F, 100.0F };
    for (int player = 0; player < PLAYER_COUNT; ++player) {
        const int column = player % COLUMN_COUNT;
        SkinItem item;
        item.id = player;
        item.text = QString::fromLatin1(NAMES[player]);
        item.tip = QStringLiteral("Stopped");
        item.imageId = CKVSkin::IMAGE_STOP;
        item.style = ITEMSTYLE_BORDER | ITEMSTYLE_BACKGROUND;
        // The fifth button starts the lower row; the others continue their row.
        item.layout = (player == COLUMN_COUNT ? LAYOUT_LEFT_NEWLINE : LAYOUT_LEFT) | LAYOUT_FIXED_HEIGHT;
        item.rect = { 0, 0, 0, BUTTON_HEIGHT };
        item.widthPercent = ROW_SHARES[column];
        item.marginLeft = 2;
        item.marginTop = 4;
        item.padding = 4;
        item.textAlign = TEXTALIGN_CENTER | TEXTALIGN_VCENTER;
        if (player == m_current)
            item.state = ITEMSTATE_HIGHLIGHT;
        if (!AddItem(item))
            return false;
    }
    return true;
}

void CPlayerWnd::SetCurrentPlayer(int player)
{
    if (player < 0 || player >= PLAYER_COUNT || player == m_current)
        return;
    (void)SetItemState(m_current, ITEMSTATE_HIGHLIGHT, 0);
    (void)SetItemState(player, ITEMSTATE_HIGHLIGHT, ITEMSTATE_HIGHLIGHT);
    m_current = player;
}

int CPlayerWnd::OnLayoutItem(SkinItem* item)
{
    if (item == nullptr || item->id < 0 || item->id >= PLAYER_COUNT)
        return 0;
    const int column = item->id % COLUMN_COUNT;
    const int row = item->id / COLUMN_COUNT;
    // The columns share the width less one margin at the right end, so that the rows keep the same
    // gap at both edges; each button keeps its left margin inside its column.
    const int rowWidth = std::max(width() - item->marginLeft, 0);
    const int cellLeft = column * rowWidth / COLUMN_COUNT;
    const int cellRight = (column + 1) * rowWidth / COLUMN_COUNT;
    int top = item->marginTop;
    if (row > 0) {
        // Directly under the button above it.
        if (const SkinItem* above = FindItem(item->id - COLUMN_COUNT))
            top = above->rect.bottom + item->marginTop;
    }
    item->rect.left = cellLeft + item->marginLeft;
    item->rect.right = std::max(cellRight, item->rect.left);
    item->rect.top = top;
    item->rect.bottom = top + BUTTON_HEIGHT;
    return 1;
}
