#include "PaneTestSupport.h"

#include "skin/CaptionWnd.h"

#include <gtest/gtest.h>

#include <QTest>

#include <algorithm>
#include <memory>
#include <utility>

using namespace panetest;

namespace {

const QSize SIZES[] = { QSize(492, 420), QSize(800, 600), QSize(1280, 900) };

class MainPanesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        ASSERT_TRUE(dialog.Open(800, 600));
    }

    [[nodiscard]] static std::vector<int> IdsFromLeft(const CBaseWnd& window)
    {
        std::vector<const SkinItem*> items;
        for (int index = 0; index < window.ItemCount(); ++index)
            items.push_back(window.ItemAt(index));
        std::sort(items.begin(), items.end(),
            [](const SkinItem* a, const SkinItem* b) { return a->rect.left < b->rect.left; });
        std::vector<int> ids;
        for (const SkinItem* item : items)
            ids.push_back(item->id);
        return ids;
    }

    void Click(CBaseWnd& window, int id)
    {
        QTest::mouseClick(&window, Qt::LeftButton, {}, ItemCentre(window, id));
    }

    PanesDialog dialog;
};

TEST_F(MainPanesTest, BarsKeepTheirHeightsAndTheFileListTakesTheRest)
{
    const MainPaneSet& panes = dialog.panes;
    const std::vector<std::pair<int, QString>> added
        = { { 101, "CaptionWnd" }, { 103, "ToolBarWnd" }, { 104, "StatusBarWnd" }, { 105, "PlayerWnd" },
              { 106, "ListEditWnd" }, { 107, "PlayCtrlWnd" }, { 108, "FileListWnd" } };
    ASSERT_EQ(dialog.Panes().size(), added.size());
    for (std::size_t index = 0; index < added.size(); ++index) {
        EXPECT_EQ(dialog.Panes()[index].id, added[index].first);
        EXPECT_EQ(dialog.Panes()[index].pane->objectName(), added[index].second);
        EXPECT_EQ(static_cast<CBaseWnd*>(dialog.Panes()[index].pane)->ControlId(), added[index].first);
    }

    for (const QSize& size : SIZES) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        dialog.ResizeTo(size.width(), size.height());
        const int bars = 30 + 40 + 52 + 30 + 40 + 26;
        const std::vector<std::pair<const QWidget*, int>> fromTop
            = { { dialog.Caption(), 30 }, { panes.toolBar.get(), 40 }, { panes.playerPanel.get(), 52 },
                  { panes.fileList.get(), size.height() - bars }, { panes.playCtrlBar.get(), 30 },
                  { panes.listEditBar.get(), 40 }, { panes.statusBar.get(), 26 } };
        int top = 0;
        for (const auto& [pane, height] : fromTop) {
            EXPECT_EQ(PaneSlot(pane), QRect(0, top, size.width(), height))
                << pane->objectName().toStdString();
            top += height;
        }
    }
}

TEST_F(MainPanesTest, PlayerButtonsFormTwoRowsOfFourEqualColumns)
{
    const CPlayerWnd& panel = *dialog.panes.playerPanel;
    for (const int width : { 492, 643, 800, 1001, 1280 }) {
        SCOPED_TRACE(width);
        dialog.ResizeTo(width, 600);
        for (int row = 0; row < 2; ++row) {
            int narrowest = width;
            int widest = 0;
            for (int column = 0; column < 4; ++column) {
                const SkinRect& rect = panel.FindItem(row * 4 + column)->rect;
                narrowest = std::min(narrowest, rect.Width());
                widest = std::max(widest, rect.Width());
                EXPECT_LE(rect.bottom, panel.height());
                if (column > 0) {
                    EXPECT_GT(rect.left, panel.FindItem(row * 4 + column - 1)->rect.right);
                }
            }
            EXPECT_LE(widest - narrowest, 1) << "row " << row;
            // The same gap at both ends of the row.
            EXPECT_EQ(
                panel.width() - panel.FindItem(row * 4 + 3)->rect.right, panel.FindItem(row * 4)->rect.left);
        }
        for (int column = 0; column < 4; ++column) {
            const SkinRect& upper = panel.FindItem(column)->rect;
            const SkinRect& lower = panel.FindItem(4 + column)->rect;
            EXPECT_EQ(lower.left, upper.left);
            EXPECT_EQ(lower.right, upper.right);
            EXPECT_EQ(lower.top, upper.bottom + 4);
        }
    }
}

TEST_F(MainPanesTest, TheHighlightFollowsTheCurrentPlayer)
{
    CPlayerWnd& panel = *dialog.panes.playerPanel;
    const auto highlighted = [&] {
        std::vector<int> ids;
        for (int index = 0; index < panel.ItemCount(); ++index) {
            if ((panel.ItemAt(index)->state & ITEMSTATE_HIGHLIGHT) != 0)
                ids.push_back(panel.ItemAt(index)->id);
        }
        return ids;
    };
    EXPECT_EQ(panel.CurrentPlayer(), 0);
    EXPECT_EQ(highlighted(), std::vector<int> { 0 });
    panel.SetCurrentPlayer(5);
    EXPECT_EQ(panel.CurrentPlayer(), 5);
    EXPECT_EQ(highlighted(), std::vector<int> { 5 });
    panel.SetCurrentPlayer(8);
    panel.SetCurrentPlayer(-1);
    EXPECT_EQ(panel.CurrentPlayer(), 5);
    EXPECT_EQ(highlighted(), std::vector<int> { 5 });
    EXPECT_TRUE(panel.MovesWindow());
}

TEST_F(MainPanesTest, ClicksReachTheDialogWithPaneAndItem)
{
    MainPaneSet& panes = dialog.panes;
    // Import stands before Export, and Begin Time is the sixth text button.
    EXPECT_EQ(IdsFromLeft(*panes.toolBar), (std::vector<int> { 1, 3, 2, 4, 5, 6 }));
    EXPECT_EQ(IdsFromLeft(*panes.listEditBar), (std::vector<int> { 1, 2, 3, 4, 5, 8, 6, 7 }));

    Click(*panes.toolBar, CToolWnd::ITEM_IMPORT_LIST);
    Click(*panes.toolBar, CToolWnd::ITEM_EXPORT_LIST);
    Click(*panes.listEditBar, CListEditWnd::ITEM_BEGIN_TIME);
    Click(*panes.playerPanel, 6);
    Click(*panes.playCtrlBar, CPlayCtrlWnd::ITEM_PLAY);
    const std::vector<std::pair<int, int>> expected
        = { { 103, 3 }, { 103, 2 }, { 106, 8 }, { 105, 6 }, { 107, 1 } };
    ASSERT_EQ(dialog.clicks.size(), expected.size());
    for (std::size_t index = 0; index < expected.size(); ++index) {
        EXPECT_EQ(dialog.clicks[index].sender, expected[index].first) << index;
        EXPECT_EQ(dialog.clicks[index].item, expected[index].second) << index;
    }
}

TEST_F(MainPanesTest, SliderChangesReachTheDialog)
{
    CPlayCtrlWnd& bar = *dialog.panes.playCtrlBar;
    const SkinItem& slider = *bar.FindItem(CPlayCtrlWnd::ITEM_POSITION);
    EXPECT_EQ(slider.rect.right, bar.width() - 66);
    const QPoint threeQuarters(slider.rect.left + 4 + (slider.rect.Width() - 8) * 3 / 4, 15);
    QTest::mousePress(&bar, Qt::LeftButton, {}, threeQuarters);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, threeQuarters);
    EXPECT_NEAR(bar.GetSliderPos(CPlayCtrlWnd::ITEM_POSITION), 75, 1);
    const auto changed = std::find_if(dialog.notifications.begin(), dialog.notifications.end(),
        [](const PanesDialog::Notification& n) { return n.code == ITEMNOTIFY_SLIDER_CHANGED; });
    ASSERT_NE(changed, dialog.notifications.end());
    EXPECT_EQ(changed->sender, PLAYCTRL_WND_ID);
    EXPECT_EQ(changed->item, CPlayCtrlWnd::ITEM_POSITION);
}

TEST_F(MainPanesTest, TheFileListPaneCarriesTheGivenList)
{
    CFileListWnd& pane = *dialog.panes.fileList;
    // The lists are children of the dialog like the main window's list views.
    auto first = std::make_unique<QWidget>(&dialog);
    auto second = std::make_unique<QWidget>(&dialog);
    pane.SetList(first.get());
    EXPECT_EQ(first->geometry(), pane.geometry().adjusted(1, 0, -1, 0));
    dialog.ResizeTo(1000, 700);
    EXPECT_EQ(first->geometry(), pane.geometry().adjusted(1, 0, -1, 0));

    pane.SetList(second.get());
    EXPECT_EQ(pane.List(), second.get());
    EXPECT_EQ(second->geometry(), pane.geometry().adjusted(1, 0, -1, 0));
}

TEST_F(MainPanesTest, EveryItemStaysInsideItsBarAtTheSmallestWindow)
{
    // Text buttons are comfortable where there is room and narrow down where there is not.
    EXPECT_EQ(dialog.panes.listEditBar->FindItem(CListEditWnd::ITEM_STOP_TIMER)->padding,
        CListEditWnd::BUTTON_PADDING);
    dialog.ResizeTo(492, 420);
    const MainPaneSet& panes = dialog.panes;
    for (const CBaseWnd* bar :
        std::initializer_list<const CBaseWnd*> { panes.toolBar.get(), panes.playerPanel.get(),
            panes.playCtrlBar.get(), panes.listEditBar.get(), panes.statusBar.get() }) {
        for (int index = 0; index < bar->ItemCount(); ++index) {
            const SkinItem& item = *bar->ItemAt(index);
            SCOPED_TRACE(testing::Message() << bar->objectName().toStdString() << " item " << item.id);
            EXPECT_GE(item.rect.left, 0);
            EXPECT_GE(item.rect.top, 0);
            EXPECT_LE(item.rect.right, bar->width());
            EXPECT_LE(item.rect.bottom, bar->height());
            EXPECT_FALSE(item.rect.IsEmpty());
        }
    }
}

TEST_F(MainPanesTest, Screenshot)
{
    dialog.ResizeTo(700, 500);
    dialog.panes.playerPanel->SetCurrentPlayer(1);
    EXPECT_TRUE(dialog.grab().save(QStringLiteral(TESSALY_BUILD_DIR "/panes.png")));
}

} // namespace
