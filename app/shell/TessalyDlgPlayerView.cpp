// The main window as the players' view and timers: the player controller shows its players' state
// through these, and the timer scheduler's timers all run on the window's one second tick.

#include "shell/TessalyDlg.h"

#include "shell/panes/MainPanes.h"
#include "skin/KVListCtrl.h"
#include "skin/PlayListModel.h"
#include "skin/QtText.h"

void CTessalyDlg::ShowPlayerStatus(int player, int imageId, std::string_view text)
{
    m_panes.playerPanel->SetItemImage(player, imageId);
    m_panes.playerPanel->SetItemTip(player, ToQString(text));
}

void CTessalyDlg::MarkPlayerButton(int player, bool selected)
{
    if (selected)
        m_panes.playerPanel->SetCurrentPlayer(player);
    else if (player != m_panes.playerPanel->CurrentPlayer())
        (void)m_panes.playerPanel->SetItemState(player, ITEMSTATE_HIGHLIGHT, 0);
}

void CTessalyDlg::ShowPlayButton(int imageId)
{
    m_panes.playCtrlBar->SetItemImage(CPlayCtrlWnd::ITEM_PLAY, imageId);
}

void CTessalyDlg::ShowPosition(int percent)
{
    m_panes.playCtrlBar->SetSliderPos(CPlayCtrlWnd::ITEM_POSITION, percent);
}

void CTessalyDlg::ShowElapsed(std::string_view text)
{
    m_panes.playCtrlBar->SetItemText(CPlayCtrlWnd::ITEM_ELAPSED, ToQString(text));
}

void CTessalyDlg::ShowList(int player)
{
    CKVListCtrl* list = List(player);
    if (list == nullptr)
        return;
    m_panes.fileList->SetList(list);
    list->show();
}

void CTessalyDlg::HideList(int player)
{
    if (CKVListCtrl* list = List(player))
        list->hide();
}

void CTessalyDlg::FocusList(int player)
{
    if (CKVListCtrl* list = List(player))
        list->setFocus();
}

void CTessalyDlg::ScrollToRow(int player, int row)
{
    if (CKVListCtrl* list = List(player))
        list->scrollTo(list->Model()->IndexOfRow(row));
}

// The one tick serves every player's timer; a timer is on while its id is stored.
std::uint32_t CTessalyDlg::Start(int player)
{
    if (!players::Players::IsPlayer(player))
        return 0;
    return players::PLAYER_TIMER_ID_BASE + static_cast<std::uint32_t>(player);
}

void CTessalyDlg::Stop(int /*player*/)
{
}

void CTessalyDlg::Post(std::function<void()> call)
{
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void CTessalyDlg::PostAfter(int delayMs, std::function<void()> call)
{
    QTimer::singleShot(delayMs, Qt::PreciseTimer, this, std::move(call));
}
