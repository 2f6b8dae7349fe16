#pragma once

#include "shell/panes/FileListWnd.h"
#include "shell/panes/ListEditWnd.h"
#include "shell/panes/PlayCtrlWnd.h"
#include "shell/panes/PlayerWnd.h"
#include "shell/panes/StatusWnd.h"
#include "shell/panes/ToolWnd.h"

#include <memory>

class CBaseDialog;
class CBaseSkin;

// Control ids of the main window's panes; also their window ids in the colour scheme.
inline constexpr int TOOLBAR_WND_ID = 103;
inline constexpr int STATUSBAR_WND_ID = 104;
inline constexpr int PLAYER_WND_ID = 105;
inline constexpr int LISTEDIT_WND_ID = 106;
inline constexpr int PLAYCTRL_WND_ID = 107;
inline constexpr int FILELIST_WND_ID = 108;

// Heights of the bars; the file list takes what they leave.
inline constexpr int TOOLBAR_WND_HEIGHT = 40;
inline constexpr int STATUSBAR_WND_HEIGHT = 26;
inline constexpr int PLAYER_WND_HEIGHT = 52;
inline constexpr int LISTEDIT_WND_HEIGHT = 40;
inline constexpr int PLAYCTRL_WND_HEIGHT = 30;

// The main window's panes. They are child windows of the dialog, so the set must go before the
// dialog does (as a member of the dialog's class it does).
struct MainPaneSet {
    std::unique_ptr<CToolWnd> toolBar;
    std::unique_ptr<CStatusWnd> statusBar;
    std::unique_ptr<CPlayerWnd> playerPanel;
    std::unique_ptr<CListEditWnd> listEditBar;
    std::unique_ptr<CPlayCtrlWnd> playCtrlBar;
    std::unique_ptr<CFileListWnd> fileList;
};

// Creates the six panes as children of dialog and adds each to its pane layout right after
// creating it, in the order that stacks them from top to bottom as tool bar, player panel, file
// list, play control bar, list edit bar, status bar under the caption. False as soon as one
// cannot be created; the ones made before stay in panes.
[[nodiscard]] bool CreateMainPanes(CBaseDialog& dialog, CBaseSkin* skin, MainPaneSet& panes);
