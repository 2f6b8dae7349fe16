#include "shell/panes/MainPanes.h"

#include "skin/BaseDialog.h"

namespace {

// Creates window as a pane of dialog. A height of 0 lets the pane take all the space that the
// panes before it leave.
template <typename Pane>
bool AddMainPane(CBaseDialog& dialog, CBaseSkin* skin, std::unique_ptr<Pane>& slot, const char* name, int id,
    int anchor, int height)
{
    slot = std::make_unique<Pane>(skin);
    if (!slot->Create(QString::fromLatin1(name), 0, &dialog, id))
        return false;
    PaneRecord pane;
    pane.pane = slot.get();
    pane.id = id;
    pane.anchor = anchor | PANE_LEFT | (height > 0 ? PANE_FIXED_HEIGHT : 0);
    pane.rect = { 0, 0, 0, height };
    // Inset like the caption, so that the dialog's resizing edge stays uncovered.
    pane.options = PANEOPT_INSET;
    pane.insetX = 1;
    pane.insetY = 1;
    return dialog.AddPane(pane);
}

} // namespace

bool CreateMainPanes(CBaseDialog& dialog, CBaseSkin* skin, MainPaneSet& panes)
{
    // The order decides the layout: each pane takes its place from what the ones before it left.
    return AddMainPane(
               dialog, skin, panes.toolBar, "ToolBarWnd", TOOLBAR_WND_ID, PANE_TOP, TOOLBAR_WND_HEIGHT)
        && AddMainPane(dialog, skin, panes.statusBar, "StatusBarWnd", STATUSBAR_WND_ID, PANE_BOTTOM,
            STATUSBAR_WND_HEIGHT)
        && AddMainPane(
            dialog, skin, panes.playerPanel, "PlayerWnd", PLAYER_WND_ID, PANE_TOP, PLAYER_WND_HEIGHT)
        && AddMainPane(
            dialog, skin, panes.listEditBar, "ListEditWnd", LISTEDIT_WND_ID, PANE_BOTTOM, LISTEDIT_WND_HEIGHT)
        && AddMainPane(
            dialog, skin, panes.playCtrlBar, "PlayCtrlWnd", PLAYCTRL_WND_ID, PANE_BOTTOM, PLAYCTRL_WND_HEIGHT)
        && AddMainPane(dialog, skin, panes.fileList, "FileListWnd", FILELIST_WND_ID, PANE_TOP, 0);
}
