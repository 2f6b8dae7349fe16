#include "UiTestSupport.h"

#include "skin/SliderWnd.h"

#include <gtest/gtest.h>

#include <memory>

using namespace uitest;

namespace {

constexpr int SLIDER = 6;

// The play control bar's position slider: 0 to 100, a thumb 8 pixels wide, margins 10 and 66.
class SliderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        App();
        host = std::make_unique<QWidget>();
        host->resize(400, 30);
        bar = std::make_unique<CSliderWnd>(&DefaultSkin());
        ASSERT_TRUE(bar->Create(QStringLiteral("PlayCtrlWnd"), 0, host.get(), 107));
        SkinItem item = MakeItem(SLIDER, LAYOUT_LEFT | LAYOUT_FIXED_HEIGHT, 0, 20);
        item.style = ITEMSTYLE_SLIDER;
        item.marginLeft = 10;
        item.marginRight = 66;
        item.marginTop = 5;
        SliderInfo info;
        info.pos = 0;
        info.min = 0;
        info.max = 100;
        info.trackHeight = 10;
        info.thumbWidth = 8;
        item.extra = info;
        bar->AddItem(item);
        bar->setGeometry(0, 0, 400, 30);
        host->show();
        log.Watch(bar.get());
    }

    [[nodiscard]] SkinItem& Slider() const { return *bar->FindItem(SLIDER); }
    [[nodiscard]] SliderInfo& Info() const { return *Slider().Slider(); }
    // The centre of the thumb.
    [[nodiscard]] QPoint Thumb() const { return QPoint(CSliderWnd::ThumbLeft(Slider()) + 4, 15); }
    // A point that stands for the value (the first pixel of it, as the mapping truncates).
    [[nodiscard]] QPoint At(int value) const
    {
        return QPoint(Slider().rect.left + 4 + (value * (Slider().rect.Width() - 8) + 99) / 100, 15);
    }

    std::unique_ptr<QWidget> host;
    std::unique_ptr<CSliderWnd> bar;
    NotificationLog log;
};

TEST_F(SliderTest, TheThumbTouchesTheLeftEdgeAtMinAndTheRightEdgeAtMax)
{
    EXPECT_EQ(Slider().rect, (SkinRect { 10, 5, 334, 25 }));
    EXPECT_EQ(CSliderWnd::ThumbLeft(Slider()), 10);
    ASSERT_TRUE(bar->SetSliderPos(SLIDER, 100));
    EXPECT_EQ(CSliderWnd::ThumbLeft(Slider()) + 8, 334);
    ASSERT_TRUE(bar->SetSliderPos(SLIDER, 50));
    EXPECT_EQ(CSliderWnd::ThumbLeft(Slider()), 10 + 50 * 316 / 100);
    // Values outside the range are clamped.
    ASSERT_TRUE(bar->SetSliderPos(SLIDER, 250));
    EXPECT_EQ(bar->GetSliderPos(SLIDER), 100);
    EXPECT_FALSE(bar->SetSliderPos(7, 10));
}

TEST_F(SliderTest, PointsMapToValuesClampedToTheRange)
{
    EXPECT_EQ(CSliderWnd::ValueFromX(Slider(), 14), 0);
    EXPECT_EQ(CSliderWnd::ValueFromX(Slider(), 14 + 158), 50);
    EXPECT_EQ(CSliderWnd::ValueFromX(Slider(), 330), 100);
    EXPECT_EQ(CSliderWnd::ValueFromX(Slider(), -500), 0);
    EXPECT_EQ(CSliderWnd::ValueFromX(Slider(), 5000), 100);

    // A slider without a range stays at its minimum instead of dividing by zero.
    SkinItem flat = Slider();
    flat.Slider()->min = 7;
    flat.Slider()->max = 7;
    flat.Slider()->pos = 7;
    EXPECT_EQ(CSliderWnd::ValueFromX(flat, 100), 7);
    EXPECT_EQ(CSliderWnd::ThumbLeft(flat), flat.rect.left);
}

TEST_F(SliderTest, AClickOnTheTrackMovesTheValueThereAndNotifiesOnce)
{
    Press(bar.get(), At(60));
    Release(bar.get(), At(60));
    EXPECT_EQ(Info().pos, 60);
    EXPECT_EQ(log.Count(ITEMNOTIFY_SLIDER_CHANGED), 1);
    EXPECT_EQ(log.Count(ITEMNOTIFY_CLICK), 1);
    EXPECT_EQ(log.entries.back().itemId, SLIDER);
}

TEST_F(SliderTest, DraggingTheThumbNotifiesOnlyOnReleaseAndClampsAtTheEnds)
{
    ASSERT_TRUE(bar->SetSliderPos(SLIDER, 20));
    Press(bar.get(), Thumb());
    EXPECT_EQ(Info().dragging, 1);
    EXPECT_EQ(log.Count(ITEMNOTIFY_SLIDER_CHANGED), 0);
    Move(bar.get(), At(40), true);
    EXPECT_EQ(Info().pos, 40);
    Move(bar.get(), QPoint(390, 28), true);
    EXPECT_EQ(Info().pos, 100);
    Move(bar.get(), QPoint(-40, 50), true);
    EXPECT_EQ(Info().pos, 0);
    EXPECT_EQ(log.Count(ITEMNOTIFY_SLIDER_CHANGED), 0);
    Release(bar.get(), QPoint(-40, 50));
    EXPECT_EQ(Info().dragging, 0);
    EXPECT_EQ(log.Count(ITEMNOTIFY_SLIDER_CHANGED), 1);
    // Moving after the release changes nothing.
    Move(bar.get(), At(70), true);
    EXPECT_EQ(Info().pos, 0);
}

TEST_F(SliderTest, ASliderThatAsksForItReportsEveryChangeWhileDragging)
{
    Info().notifyWhileDragging = 1;
    Press(bar.get(), Thumb());
    Move(bar.get(), At(10), true);
    Move(bar.get(), At(10), true);
    Move(bar.get(), At(30), true);
    Release(bar.get(), At(30));
    // Two changes during the drag, and the release.
    EXPECT_EQ(log.Count(ITEMNOTIFY_SLIDER_CHANGED), 3);
    EXPECT_EQ(Info().pos, 30);
}

} // namespace
