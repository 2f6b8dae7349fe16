#include "UiTestSupport.h"

#include "skin/BaseWnd.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>

#include <cmath>

#include <memory>

using namespace uitest;

namespace {

class ItemLayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        host = std::make_unique<QWidget>();
        host->resize(1200, 200);
        window = std::make_unique<CBaseWnd>(&DefaultSkin());
        ASSERT_TRUE(window->Create(QStringLiteral("PlayerWnd"), 0, host.get(), 105));
        host->show();
    }

    void SetWidth(int width, int height = 52) { window->setGeometry(0, 0, width, height); }
    const SkinRect& RectOf(int id) const { return window->FindItem(id)->rect; }
    // A text's width in an item's font, rounded up to whole pixels.
    int TextWidth(int id, const QString& text) const
    {
        return static_cast<int>(std::ceil(QFontMetricsF(window->GetItemFont(id)).horizontalAdvance(text)));
    }

    // The player panel: four items flowing along the top, then one that starts a new line and three
    // that continue it, with the widths 25, 33.3, 50 and 100 % of what is left.
    void AddPlayerRows()
    {
        const float percents[] = { 25.0F, 33.3F, 50.0F, 100.0F };
        for (int id = 0; id < 8; ++id) {
            const int anchor = id == 4 ? LAYOUT_LEFT_NEWLINE : LAYOUT_LEFT;
            SkinItem item = MakeItem(id, anchor | LAYOUT_FIXED_HEIGHT, 0, 20, percents[id % 4]);
            item.marginLeft = 2;
            item.marginTop = 4;
            item.padding = 4;
            item.style = ITEMSTYLE_BORDER | ITEMSTYLE_BACKGROUND;
            item.imageId = 15;
            item.text = QStringLiteral("Player %1").arg(id + 1);
            ASSERT_TRUE(window->AddItem(item));
        }
    }

    std::unique_ptr<QWidget> host;
    std::unique_ptr<CBaseWnd> window;
};

TEST_F(ItemLayoutTest, PlayerPanelFormsTwoRowsOfFourEqualColumnsAtAnyWidth)
{
    AddPlayerRows();
    for (const int width : { 300, 400, 641, 800, 1024, 1199 }) {
        SCOPED_TRACE(width);
        SetWidth(width);
        for (int column = 0; column < 4; ++column) {
            const SkinRect& upper = RectOf(column);
            const SkinRect& lower = RectOf(column + 4);
            EXPECT_EQ(upper.top, 4);
            EXPECT_EQ(upper.Height(), 20);
            // The lower row starts right under the upper one, column for column.
            EXPECT_EQ(lower.top, upper.bottom + 4);
            EXPECT_EQ(lower.Height(), 20);
            EXPECT_EQ(lower.left, upper.left);
            EXPECT_EQ(lower.right, upper.right);
            EXPECT_NEAR(upper.Width(), width / 4, 3);
            if (column > 0) {
                EXPECT_EQ(upper.left, RectOf(column - 1).right + 2);
            }
        }
        EXPECT_EQ(RectOf(0).left, 2);
        // The last column ends at the window's edge, never beyond it.
        EXPECT_EQ(RectOf(3).right, width);
        EXPECT_LE(RectOf(7).bottom, 52);
    }
}

TEST_F(ItemLayoutTest, FlowingItemsWrapToANewLineWhenTheyDoNotFit)
{
    for (int id = 1; id <= 4; ++id) {
        SkinItem item = MakeItem(id, LAYOUT_LEFT | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT, 50, 30);
        item.marginLeft = 2;
        item.marginTop = 4;
        window->AddItem(item);
    }
    SetWidth(400, 80);
    EXPECT_EQ(RectOf(1).left, 2);
    EXPECT_EQ(RectOf(4).left, RectOf(3).right + 2);
    EXPECT_EQ(RectOf(4).top, 4);

    // 130 pixels hold two items of 50 (the test compares the next item's natural width only).
    SetWidth(130, 80);
    EXPECT_EQ(RectOf(2).left, 54);
    EXPECT_EQ(RectOf(2).top, 4);
    EXPECT_EQ(RectOf(3).left, 2);
    EXPECT_EQ(RectOf(3).top, RectOf(2).bottom + 4);
    EXPECT_EQ(RectOf(4).left, RectOf(3).right + 2);
    EXPECT_EQ(RectOf(4).top, RectOf(3).top);
}

TEST_F(ItemLayoutTest, RightAnchoredItemsLineUpFromTheRightEdgeInListOrder)
{
    const int fixed = LAYOUT_RIGHT | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT;
    SkinItem first = MakeItem(1, fixed, 20, 20);
    first.marginRight = 2;
    window->AddItem(first);
    window->AddItem(MakeItem(2, fixed, 20, 20));
    window->AddItem(MakeItem(3, fixed, 30, 20));
    SetWidth(300, 30);
    EXPECT_EQ(RectOf(1).right, 298);
    EXPECT_EQ(RectOf(2).right, RectOf(1).left);
    EXPECT_EQ(RectOf(3).right, RectOf(2).left);
    EXPECT_EQ(RectOf(3).Width(), 30);
}

TEST_F(ItemLayoutTest, BottomRightItemsOfTheStatusBarSitSideBySide)
{
    const int fixed = LAYOUT_RIGHT_BOTTOM | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT;
    SkinItem clock = MakeItem(1, fixed, 140, 26);
    clock.marginRight = 4;
    SkinItem date = MakeItem(2, fixed, 160, 26);
    date.marginRight = 4;
    window->AddItem(clock);
    window->AddItem(date);
    SetWidth(600, 26);
    EXPECT_EQ(RectOf(1), (SkinRect { 456, 0, 596, 26 }));
    EXPECT_EQ(RectOf(2), (SkinRect { 292, 0, 452, 26 }));
}

TEST_F(ItemLayoutTest, KeptRectanglesAndUnanchoredItemsStayWhereTheyAreAndAreSkipped)
{
    SkinItem kept = MakeItem(1, LAYOUT_KEEP_RECT, 0, 0);
    kept.rect = { 10, 10, 110, 30 };
    window->AddItem(kept);
    SkinItem loose = MakeItem(2, 0, 0, 0);
    loose.rect = { 5, 40, 25, 45 };
    window->AddItem(loose);
    window->AddItem(MakeItem(3, LAYOUT_LEFT | LAYOUT_FIXED_WIDTH | LAYOUT_FIXED_HEIGHT, 40, 20));
    SetWidth(300, 60);
    EXPECT_EQ(RectOf(1), (SkinRect { 10, 10, 110, 30 }));
    EXPECT_EQ(RectOf(2), (SkinRect { 5, 40, 25, 45 }));
    // The kept item does not push the flowing one aside.
    EXPECT_EQ(RectOf(3).left, 0);
}

TEST_F(ItemLayoutTest, ContentSizedTextFollowsItsText)
{
    SkinItem title = MakeItem(1, LAYOUT_LEFT | LAYOUT_AUTOSIZE, 0, 0);
    title.text = QStringLiteral("Short");
    window->AddItem(title);
    SetWidth(600, 30);
    const int shortWidth = RectOf(1).Width();
    EXPECT_EQ(shortWidth, TextWidth(1, QStringLiteral("Short")));

    ASSERT_TRUE(window->SetItemText(1, QStringLiteral("A considerably longer title")));
    EXPECT_EQ(RectOf(1).Width(), TextWidth(1, QStringLiteral("A considerably longer title")));
    EXPECT_FALSE(window->SetItemText(99, QStringLiteral("nobody")));
}

TEST_F(ItemLayoutTest, CheckBoxItemsAreWiderByTheirBoxAndEmbeddedControlsFollowTheirItem)
{
    SkinItem box = MakeItem(1, LAYOUT_LEFT | LAYOUT_AUTOSIZE | LAYOUT_FIXED_HEIGHT, 0, 20);
    box.style = ITEMSTYLE_CHECKBOX;
    box.text = QStringLiteral("Loop");
    window->AddItem(box);
    QWidget child;
    SkinItem holder = MakeItem(2, LAYOUT_LEFT_NEWLINE, 0, 0, 50.0F);
    holder.heightPercent = 50.0F;
    holder.child = &child;
    window->AddItem(holder);
    SetWidth(400, 120);
    EXPECT_EQ(RectOf(1).Width(), TextWidth(1, QStringLiteral("Loop")) + 20);
    EXPECT_EQ(child.geometry(), QRect(0, 20, 200, 50));

    // A control of the window's parent is moved over the item in its parent's coordinates, also
    // when the window only moves.
    QWidget sibling(host.get());
    sibling.show();
    ASSERT_TRUE(window->SetItemChild(2, &sibling));
    window->setGeometry(30, 40, 400, 120);
    EXPECT_EQ(sibling.geometry(), QRect(30, 60, 200, 50));
    window->move(35, 45);
    EXPECT_EQ(sibling.geometry(), QRect(35, 65, 200, 50));
    ASSERT_TRUE(window->SetItemChild(2, nullptr));
}

} // namespace
