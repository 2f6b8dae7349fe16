#include "PlayListTestSupport.h"

namespace {

using Rows = std::vector<std::string>;

// a 10:00:00-10:01:00 and b 10:01:01-10:01:31 contiguous, c 11:00:00-11:00:20 after a gap.
class PlayListMoveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Place(list, "/m/a.mp3", 60000, "10:00:00");
        Place(list, "/m/b.mp3", 30000, "");
        Place(list, "/m/c.mp3", 20000, "11:00:00");
        ASSERT_EQ(Layout(list),
            (Rows { "a.mp3 10:00:00-10:01:00 Segment 1", "b.mp3 10:01:01-10:01:31 Segment 1",
                "c.mp3 11:00:00-11:00:20 Segment 2" }));
    }

    players::PlayList list;
};

TEST_F(PlayListMoveTest, MoveUpSwapsWithAContiguousRowKeepingTheSpan)
{
    list.SetSelected(1, true);
    RecordingObserver observer;
    list.SetObserver(&observer);
    list.MoveSelectedUp();
    EXPECT_EQ(Layout(list),
        (Rows { "b.mp3 10:00:00-10:00:30 Segment 1", "a.mp3 10:00:31-10:01:31 Segment 1",
            "c.mp3 11:00:00-11:00:20 Segment 2" }));
    EXPECT_EQ(list.Row(0).Path, "/m/b.mp3");
    EXPECT_EQ(list.Row(1).Path, "/m/a.mp3");
    EXPECT_EQ(list.Row(0).Duration, "00:00:30");
    EXPECT_EQ(list.SelectedRows(), (std::vector<int> { 0 }));
    EXPECT_EQ(observer.calls, (Rows { "changed 0-1" }));
}

TEST_F(PlayListMoveTest, MoveUpLeavesTheFirstRowAndRowsAfterAGap)
{
    list.SetSelected(0, true);
    list.SetSelected(2, true);
    const Rows before = Layout(list);
    list.MoveSelectedUp();
    EXPECT_EQ(Layout(list), before);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int> { 0, 2 }));
}

TEST_F(PlayListMoveTest, MoveDownSwapsWithAContiguousRowOnly)
{
    list.SetSelected(0, true);
    list.MoveSelectedDown();
    EXPECT_EQ(Layout(list),
        (Rows { "b.mp3 10:00:00-10:00:30 Segment 1", "a.mp3 10:00:31-10:01:31 Segment 1",
            "c.mp3 11:00:00-11:00:20 Segment 2" }));
    EXPECT_EQ(list.SelectedRows(), (std::vector<int> { 1 }));

    // Row 1 is now followed by a gap: it stays.
    list.MoveSelectedDown();
    EXPECT_EQ(list.Row(1).File, "a.mp3");
    EXPECT_EQ(list.SelectedRows(), (std::vector<int> { 1 }));
}

TEST_F(PlayListMoveTest, SelectedBlockMovesTogether)
{
    Place(list, "/m/d.mp3", 5000, ""); // 11:00:21-11:00:26
    Place(list, "/m/e.mp3", 5000, ""); // 11:00:27-11:00:32
    list.SetSelected(3, true);
    list.SetSelected(4, true);
    list.MoveSelectedUp();
    EXPECT_EQ(Layout(list)[2], "d.mp3 11:00:00-11:00:05 Segment 2");
    EXPECT_EQ(Layout(list)[3], "e.mp3 11:00:06-11:00:11 Segment 2");
    EXPECT_EQ(Layout(list)[4], "c.mp3 11:00:12-11:00:32 Segment 2");
    EXPECT_EQ(list.SelectedRows(), (std::vector<int> { 2, 3 }));

    list.MoveSelectedDown();
    EXPECT_EQ(Layout(list)[2], "c.mp3 11:00:00-11:00:20 Segment 2");
    EXPECT_EQ(Layout(list)[3], "d.mp3 11:00:21-11:00:26 Segment 2");
    EXPECT_EQ(Layout(list)[4], "e.mp3 11:00:27-11:00:32 Segment 2");
    EXPECT_EQ(list.SelectedRows(), (std::vector<int> { 3, 4 }));
}

TEST_F(PlayListMoveTest, SwapRefusesRowsThatAreNotContiguous)
{
    EXPECT_FALSE(list.SwapWithNext(1));
    EXPECT_FALSE(list.SwapWithNext(2));
    EXPECT_FALSE(list.SwapWithNext(-1));
    EXPECT_TRUE(list.SwapWithNext(0));
}

TEST_F(PlayListMoveTest, SwapLeavesCheckBoxesInPlace)
{
    list.SetChecked(0, true);
    ASSERT_TRUE(list.SwapWithNext(0));
    EXPECT_TRUE(list.IsChecked(0));
    EXPECT_FALSE(list.IsChecked(1));
}

// a 10:00:00-10:05:00, b 10:05:01-10:10:01 contiguous; c 10:20:00-10:21:00 and d 10:30:00-10:31:00
// after gaps.
class PlayListBeginTimeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Place(list, "/m/a.mp3", 300000, "10:00:00");
        Place(list, "/m/b.mp3", 300000, "");
        Place(list, "/m/c.mp3", 60000, "10:20:00");
        Place(list, "/m/d.mp3", 60000, "10:30:00");
    }

    players::PlayList list;
};

TEST_F(PlayListBeginTimeTest, DragStopsAtTheFirstGapStillWideEnough)
{
    RecordingObserver observer;
    list.SetObserver(&observer);
    ASSERT_TRUE(list.SetBeginTime(0, persist::TimeOfDay("10:10:00")));
    // b follows a; c is overrun and pushed after b; d still begins after c ends.
    EXPECT_EQ(Layout(list),
        (Rows { "a.mp3 10:10:00-10:15:00 Segment 1", "b.mp3 10:15:01-10:20:01 Segment 1",
            "c.mp3 10:20:02-10:21:02 Segment 1", "d.mp3 10:30:00-10:31:00 Segment 2" }));
    EXPECT_EQ(observer.calls, (Rows { "changed 0-2", "changed 2-3", "regroup" }));
}

TEST_F(PlayListBeginTimeTest, MovingARowLaterLeavesAGapBehindIt)
{
    ASSERT_TRUE(list.SetBeginTime(1, persist::TimeOfDay("10:06:00")));
    EXPECT_EQ(Layout(list),
        (Rows { "a.mp3 10:00:00-10:05:00 Segment 1", "b.mp3 10:06:00-10:11:00 Segment 2",
            "c.mp3 10:20:00-10:21:00 Segment 3", "d.mp3 10:30:00-10:31:00 Segment 4" }));
}

TEST_F(PlayListBeginTimeTest, MovingEarlierDragsContiguousRowsBack)
{
    ASSERT_TRUE(list.SetBeginTime(0, persist::TimeOfDay("09:00:00")));
    EXPECT_EQ(Layout(list),
        (Rows { "a.mp3 09:00:00-09:05:00 Segment 1", "b.mp3 09:05:01-09:10:01 Segment 1",
            "c.mp3 10:20:00-10:21:00 Segment 2", "d.mp3 10:30:00-10:31:00 Segment 3" }));
}

TEST_F(PlayListBeginTimeTest, RowsPushedPastMidnightAreRemoved)
{
    RecordingObserver observer;
    list.SetObserver(&observer);
    ASSERT_TRUE(list.SetBeginTime(0, persist::TimeOfDay("23:52:00")));
    // a ends 23:57:00; b would end at 00:02:01 and goes, and so do the rows it would push.
    EXPECT_EQ(Layout(list), (Rows { "a.mp3 23:52:00-23:57:00 Segment 1" }));
    EXPECT_EQ(observer.calls, (Rows { "changed 0-0", "aboutToRemove 1-3", "removed 1-3", "regroup" }));
}

TEST_F(PlayListBeginTimeTest, ARowEndingAtTheLastSecondPushesTheRestPastMidnight)
{
    // c ends at 23:59:59 exactly; d, although it was after a gap, cannot stay at 10:30:00 after it.
    ASSERT_TRUE(list.SetBeginTime(2, persist::TimeOfDay("23:58:59")));
    EXPECT_EQ(Layout(list),
        (Rows { "a.mp3 10:00:00-10:05:00 Segment 1", "b.mp3 10:05:01-10:10:01 Segment 1",
            "c.mp3 23:58:59-23:59:59 Segment 2" }));
}

TEST_F(PlayListBeginTimeTest, TheSameBeginChangesNothing)
{
    // Removing c leaves the numbering with a hole; an unchanged begin must not renumber it.
    list.SetSelected(2, true);
    list.RemoveSelected();
    RecordingObserver observer;
    list.SetObserver(&observer);
    EXPECT_FALSE(list.SetBeginTime(0, persist::TimeOfDay("10:00:00")));
    EXPECT_FALSE(list.SetBeginTime(2, persist::TimeOfDay("10:30:00")));
    EXPECT_TRUE(observer.calls.empty());
    EXPECT_EQ(list.Row(2).Segment, "Segment 3");
}

TEST_F(PlayListBeginTimeTest, BeginsBeforeThePreviousRowOrInvalidAreRefused)
{
    const Rows before = Layout(list);
    EXPECT_FALSE(list.SetBeginTime(1, persist::TimeOfDay("10:05:00"))); // the previous row's end
    EXPECT_FALSE(list.SetBeginTime(0, persist::TimeOfDay("00:00:00")));
    EXPECT_FALSE(list.SetBeginTime(0, persist::TimeOfDay(24, 0, 0)));
    EXPECT_FALSE(list.SetBeginTime(4, persist::TimeOfDay("12:00:00")));
    EXPECT_FALSE(list.SetBeginTime(-1, persist::TimeOfDay("12:00:00")));
    EXPECT_EQ(Layout(list), before);

    EXPECT_TRUE(list.SetBeginTime(1, list.EarliestBeginOf(1).PlusSeconds(1)));
    EXPECT_EQ(list.Row(1).BeginTime, "10:05:02");
    EXPECT_TRUE(list.SetBeginTime(0, persist::TimeOfDay("00:00:01")));
    EXPECT_EQ(list.Row(0).BeginTime, "00:00:01");
}

TEST_F(PlayListBeginTimeTest, RenumberFollowsTheTimes)
{
    RecordingObserver observer;
    list.SetObserver(&observer);
    list.RenumberSegments();
    EXPECT_EQ(observer.calls, (Rows { "regroup" }));

    // Closing the gap between b and c joins their segments.
    ASSERT_TRUE(list.SetBeginTime(2, persist::TimeOfDay("10:10:02")));
    EXPECT_EQ(Layout(list),
        (Rows { "a.mp3 10:00:00-10:05:00 Segment 1", "b.mp3 10:05:01-10:10:01 Segment 1",
            "c.mp3 10:10:02-10:11:02 Segment 1", "d.mp3 10:30:00-10:31:00 Segment 2" }));
}

TEST_F(PlayListBeginTimeTest, RemovingRowsKeepsTheSegmentTexts)
{
    list.SetSelected(1, true);
    list.SetSelected(2, true);
    RecordingObserver observer;
    list.SetObserver(&observer);
    list.RemoveSelected();
    EXPECT_EQ(
        Layout(list), (Rows { "a.mp3 10:00:00-10:05:00 Segment 1", "d.mp3 10:30:00-10:31:00 Segment 3" }));
    EXPECT_EQ(observer.calls, (Rows { "aboutToRemove 1-2", "removed 1-2" }));
    EXPECT_EQ(list.FirstSelectedRow(), -1);
}

TEST_F(PlayListBeginTimeTest, RemoveSelectedTakesEverySelectedRun)
{
    list.SetSelected(0, true);
    list.SetSelected(2, true);
    list.SetSelected(3, true);
    RecordingObserver observer;
    list.SetObserver(&observer);
    list.RemoveSelected();
    EXPECT_EQ(Layout(list), (Rows { "b.mp3 10:05:01-10:10:01 Segment 1" }));
    EXPECT_EQ(
        observer.calls, (Rows { "aboutToRemove 0-0", "removed 0-0", "aboutToRemove 1-2", "removed 1-2" }));
}

TEST_F(PlayListBeginTimeTest, RemoveFromAndClearAll)
{
    list.RemoveFrom(2);
    EXPECT_EQ(list.RowCount(), 2);
    list.RemoveFrom(5);
    EXPECT_EQ(list.RowCount(), 2);

    RecordingObserver observer;
    list.SetObserver(&observer);
    list.ClearAll();
    EXPECT_TRUE(list.Empty());
    list.ClearAll();
    EXPECT_EQ(observer.calls, (Rows { "aboutToRemove 0-1", "removed 0-1" }));
    EXPECT_EQ(list.LastEndTime().Text(), "00:00:00");
}

TEST_F(PlayListBeginTimeTest, SelectionHelpers)
{
    RecordingObserver observer;
    list.SetObserver(&observer);
    EXPECT_EQ(list.FirstSelectedRow(), -1);
    list.SetSelected(2, true);
    list.SetSelected(2, true);
    list.SetSelected(0, true);
    list.SetSelected(7, true);
    EXPECT_EQ(list.FirstSelectedRow(), 0);
    EXPECT_EQ(list.NextSelectedRow(0), 2);
    EXPECT_EQ(list.NextSelectedRow(2), -1);
    EXPECT_EQ(list.SelectedRows(), (std::vector<int> { 0, 2 }));
    list.ClearSelection();
    EXPECT_TRUE(list.SelectedRows().empty());
    EXPECT_EQ(observer.calls, (Rows { "changed 2-2", "changed 0-0", "changed 0-0", "changed 2-2" }));
}

} // namespace
