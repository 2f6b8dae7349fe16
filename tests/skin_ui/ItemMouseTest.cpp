#include "UiTestSupport.h"

#include "skin/BaseWnd.h"
#include "skin/XInfoTip.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>

#include <memory>

using namespace uitest;

namespace {

constexpr int BUTTON = 1;
constexpr int DISABLED = 2;
constexpr int CHECK = 3;
constexpr int RADIO = 4;

// A bar of four items in a row: a button with a tip, a disabled check box with a tip, a check box
// and a radio box.
class ItemMouseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        host = std::make_unique<QWidget>();
        host->resize(500, 60);
        bar = std::make_unique<CBaseWnd>(&DefaultSkin());
        ASSERT_TRUE(bar->Create(QStringLiteral("ListEditWnd"), 0, host.get(), 106));
        const int styles[] = { ITEMSTYLE_BORDER | ITEMSTYLE_BACKGROUND, ITEMSTYLE_CHECKBOX,
            ITEMSTYLE_CHECKBOX, ITEMSTYLE_RADIOBOX };
        for (int id = BUTTON; id <= RADIO; ++id) {
            SkinItem item = MakeItem(id, LAYOUT_LEFT | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT, 80, 24);
            item.marginLeft = 4;
            item.marginTop = 4;
            item.style = styles[id - 1];
            item.text = QStringLiteral("Item %1").arg(id);
            bar->AddItem(item);
        }
        bar->SetItemTip(BUTTON, QStringLiteral("Add New Files"));
        bar->SetItemTip(DISABLED, QStringLiteral("Not available now"));
        bar->SetItemState(DISABLED, ITEMSTATE_DISABLED, ITEMSTATE_DISABLED);
        bar->setGeometry(0, 0, 500, 40);
        host->show();
        log.Watch(bar.get());
    }

    [[nodiscard]] SkinItem& Item(int id) const { return *bar->FindItem(id); }
    [[nodiscard]] bool IsHot(int id) const { return (Item(id).state & ITEMSTATE_HOT) != 0; }
    [[nodiscard]] bool IsChecked(int id) const { return (Item(id).state & ITEMSTATE_CHECKED) != 0; }

    std::unique_ptr<QWidget> host;
    std::unique_ptr<CBaseWnd> bar;
    NotificationLog log;
};

TEST_F(ItemMouseTest, TheItemUnderTheMouseIsHotUntilTheMouseLeavesIt)
{
    Move(bar.get(), Centre(Item(BUTTON)));
    EXPECT_TRUE(IsHot(BUTTON));
    Move(bar.get(), Centre(Item(CHECK)));
    EXPECT_FALSE(IsHot(BUTTON));
    EXPECT_TRUE(IsHot(CHECK));
    Leave(bar.get());
    EXPECT_FALSE(IsHot(CHECK));
    EXPECT_TRUE(log.entries.empty());
}

TEST_F(ItemMouseTest, ClicksNotifyTheParentWithTheItemOrWithNoItem)
{
    Click(bar.get(), Centre(Item(BUTTON)));
    Click(bar.get(), QPoint(480, 20));
    ASSERT_EQ(log.entries.size(), 2U);
    EXPECT_EQ(log.entries[0].code, ITEMNOTIFY_CLICK);
    EXPECT_EQ(log.entries[0].sender, 106);
    EXPECT_EQ(log.entries[0].itemId, BUTTON);
    EXPECT_EQ(log.entries[1].code, ITEMNOTIFY_CLICK);
    EXPECT_EQ(log.entries[1].itemId, -1);

    DoubleClick(bar.get(), Centre(Item(BUTTON)));
    ASSERT_EQ(log.entries.size(), 4U);
    EXPECT_EQ(log.entries[3].code, ITEMNOTIFY_DBLCLK);
    EXPECT_EQ(log.entries[3].itemId, BUTTON);
}

TEST_F(ItemMouseTest, CheckBoxesToggleAndRadioBoxesOnlyBecomeChecked)
{
    Click(bar.get(), Centre(Item(CHECK)));
    EXPECT_TRUE(IsChecked(CHECK));
    Click(bar.get(), Centre(Item(CHECK)));
    EXPECT_FALSE(IsChecked(CHECK));

    Click(bar.get(), Centre(Item(RADIO)));
    EXPECT_TRUE(IsChecked(RADIO));
    // A checked radio box stays checked, and the parent still hears of the click.
    Click(bar.get(), Centre(Item(RADIO)));
    EXPECT_TRUE(IsChecked(RADIO));
    ASSERT_EQ(log.entries.size(), 4U);
    EXPECT_EQ(log.entries[3].itemId, RADIO);
}

TEST_F(ItemMouseTest, ADisabledItemIsNeverHotAndIgnoresClicksButShowsItsTip)
{
    Move(bar.get(), Centre(Item(DISABLED)));
    EXPECT_FALSE(IsHot(DISABLED));
    Click(bar.get(), Centre(Item(DISABLED)));
    EXPECT_FALSE(IsChecked(DISABLED));
    // The click reaches the parent as a click on no item.
    ASSERT_EQ(log.entries.size(), 1U);
    EXPECT_EQ(log.entries[0].itemId, -1);

    Move(bar.get(), Centre(Item(DISABLED)));
    CXInfoTip* tip = bar->InfoTip();
    ASSERT_NE(tip, nullptr);
    EXPECT_FALSE(tip->IsShown());
    // The hover comes after 1500 ms and the tip 500 ms later.
    QTest::qWait(CBaseWnd::HOVER_TIME_MS - 300);
    EXPECT_FALSE(tip->IsShown());
    EXPECT_TRUE(QTest::qWaitFor([&] { return tip->IsShown(); }, 2000));
    EXPECT_EQ(tip->Text(), QStringLiteral("Not available now"));
    tip->Hide();
}

TEST_F(ItemMouseTest, AClickEndsTheWaitForTheTip)
{
    // As when the click opens a menu, which keeps every later move from the window.
    Move(bar.get(), Centre(Item(BUTTON)));
    Click(bar.get(), Centre(Item(BUTTON)));
    QTest::qWait(CBaseWnd::HOVER_TIME_MS + CBaseWnd::TIP_DELAY_MS + 300);
    EXPECT_FALSE(bar->InfoTip()->IsShown());
}

TEST_F(ItemMouseTest, SetItemCallsChangeOnlyTheNamedItem)
{
    EXPECT_TRUE(bar->SetItemState(CHECK, ITEMSTATE_CHECKED, ITEMSTATE_CHECKED));
    EXPECT_TRUE(IsChecked(CHECK));
    EXPECT_FALSE(IsChecked(RADIO));
    EXPECT_TRUE(bar->SetItemState(CHECK, ITEMSTATE_CHECKED, 0));
    EXPECT_FALSE(IsChecked(CHECK));
    EXPECT_TRUE(bar->SetItemImage(BUTTON, 13));
    EXPECT_EQ(Item(BUTTON).imageId, 13);
    EXPECT_FALSE(bar->SetItemImage(42, 13));
    EXPECT_FALSE(bar->SetItemTip(42, QStringLiteral("x")));
    EXPECT_FALSE(bar->SetItemState(42, ITEMSTATE_CHECKED, ITEMSTATE_CHECKED));
}

TEST(InfoTip, HidesOnceTheCursorHasMoved)
{
    App();
    QCursor::setPos(200, 200);
    if (QCursor::pos() != QPoint(200, 200))
        GTEST_SKIP() << "this platform does not let the test place the cursor";
    CXInfoTip tip;
    tip.Show(QStringLiteral("Elapsed Time"), QPoint(200, 200), 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tip.IsShown(); }, 1000));
    // The pointer's tip is at the point.
    EXPECT_TRUE(tip.geometry().contains(QPoint(200, 200)));
    QTest::qWait(CXInfoTip::CHECK_INTERVAL_MS + 100);
    EXPECT_TRUE(tip.IsShown());
    QCursor::setPos(260, 230);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !tip.IsShown(); }, CXInfoTip::CHECK_INTERVAL_MS + 200));

    // Empty texts are not shown at all.
    tip.Show(QString(), QPoint(200, 200), 10);
    EXPECT_FALSE(tip.IsPending());
}

TEST(InfoTip, FlipsToStayOnTheScreen)
{
    App();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    CXInfoTip tip;
    const QPoint corner = screen.bottomRight() - QPoint(2, 2);
    tip.Show(QStringLiteral("A tip near the corner"), corner, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tip.IsShown(); }, 1000));
    EXPECT_FALSE(tip.PointerAbove());
    EXPECT_TRUE(screen.contains(tip.geometry()));
    EXPECT_TRUE(tip.geometry().contains(corner));
    tip.Hide();
}

} // namespace
