#include "PlayListTestSupport.h"

namespace {

using Rows = std::vector<std::string>;

TEST(PlayListAppendTest, FirstFileBeginsOneSecondAfterMidnightInSegmentOne)
{
    players::PlayList list;
    ASSERT_TRUE(list.AppendFile("/srv/music/morning show.mp3", 5000));
    ASSERT_EQ(list.RowCount(), 1);
    const players::PlayListEntry& row = list.Row(0);
    EXPECT_EQ(row.File, "morning show.mp3");
    EXPECT_EQ(row.Path, "/srv/music/morning show.mp3");
    EXPECT_EQ(row.Duration, "00:00:05");
    EXPECT_EQ(row.BeginTime, "00:00:01");
    EXPECT_EQ(row.EndTime, "00:00:06");
    EXPECT_EQ(row.Segment, "Segment 1");
    EXPECT_FALSE(row.Selected);
    EXPECT_EQ(row.ColumnText(players::COLUMN_BEGIN_TIME), "00:00:01");
    EXPECT_EQ(row.ColumnText(players::COLUMN_SEGMENT), "Segment 1");
}

TEST(PlayListAppendTest, DurationsAreWholeSecondsAndAtLeastOne)
{
    players::PlayList list;
    ASSERT_TRUE(list.AppendFile("jingle.wav", 400));
    ASSERT_TRUE(list.AppendFile("song.mp3", 61999));
    ASSERT_TRUE(list.AppendFile("nothing.mp3", -5));
    EXPECT_EQ(Layout(list),
        (Rows { "jingle.wav 00:00:01-00:00:02 Segment 1", "song.mp3 00:00:03-00:01:04 Segment 1",
            "nothing.mp3 00:01:05-00:01:06 Segment 1" }));
    EXPECT_EQ(list.Row(0).Duration, "00:00:01");
    EXPECT_EQ(list.Row(1).Duration, "00:01:01");
    EXPECT_EQ(list.Row(2).Duration, "00:00:01");
}

TEST(PlayListAppendTest, AFileThatWouldPassMidnightIsRefused)
{
    players::PlayList list;
    Place(list, "/late.mp3", 9000, "23:59:41"); // ends 23:59:50
    RecordingObserver observer;
    list.SetObserver(&observer);

    // Would begin 23:59:51 and end at 00:00:00.
    EXPECT_FALSE(list.AppendFile("/a.mp3", 9000));
    EXPECT_FALSE(list.AppendFile("/b.mp3", 24LL * 3600 * 1000 * 50));
    EXPECT_EQ(list.RowCount(), 1);
    EXPECT_TRUE(observer.calls.empty());

    // Ending at 23:59:59 still fits; after that nothing does.
    EXPECT_TRUE(list.AppendFile("/c.mp3", 8999));
    EXPECT_EQ(list.LastEndTime().Text(), "23:59:59");
    EXPECT_FALSE(list.AppendFile("/d.mp3", 1000));
    EXPECT_EQ(list.AppendFileAt("/e.mp3", 1000, ""), players::AppendResult::PastMidnight);
    EXPECT_EQ(list.AppendFileAt("/f.mp3", 1000, "10:00:00"), players::AppendResult::PastMidnight);
    EXPECT_EQ(list.RowCount(), 2);
}

TEST(PlayListAppendTest, SegmentNumbersGoPastNine)
{
    players::PlayList list;
    char begin[16];
    for (int hour = 1; hour <= 12; ++hour) {
        std::snprintf(begin, sizeof begin, "%02d:00:00", hour);
        Place(list, "/gap.mp3", 60000, begin);
    }
    EXPECT_EQ(list.Row(11).Segment, "Segment 12");

    ASSERT_TRUE(list.AppendFile("/joined.mp3", 1000));
    EXPECT_EQ(list.Row(12).Segment, "Segment 12");
    EXPECT_EQ(list.SegmentOf(12), 12);

    Place(list, "/after-gap.mp3", 1000, "13:00:00");
    EXPECT_EQ(list.Row(13).Segment, "Segment 13");
    EXPECT_EQ(list.SegmentOf(13), 13);
}

TEST(PlayListAppendTest, StoredBeginTimesFollowTheReadersRules)
{
    players::PlayList list;
    // A valid stored text is kept as written, and parsed when a time is needed.
    Place(list, "/a.mp3", 60000, "8:5:0");
    EXPECT_EQ(list.Row(0).BeginTime, "8:5:0");
    EXPECT_EQ(list.BeginTimeOf(0).Text(), "08:05:00");
    EXPECT_EQ(list.Row(0).EndTime, "08:06:00");

    EXPECT_EQ(list.AppendFileAt("/bad.mp3", 1000, "25:00:00"), players::AppendResult::InvalidBegin);
    EXPECT_EQ(list.AppendFileAt("/bad.mp3", 1000, "12:30"), players::AppendResult::InvalidBegin);
    EXPECT_EQ(list.RowCount(), 1);

    // Earlier than the previous end: raised to one second after it, and shown as that time.
    Place(list, "/b.mp3", 1000, "8:5:0");
    EXPECT_EQ(list.Row(1).BeginTime, "08:06:01");
    EXPECT_EQ(list.Row(1).Segment, "Segment 1");

    // No stored time: follows the last row.
    Place(list, "/c.mp3", 1000, "");
    EXPECT_EQ(list.Row(2).BeginTime, "08:06:03");
    EXPECT_EQ(list.Row(2).Segment, "Segment 1");

    // Beginning at the second the previous row ends is kept, but is not contiguous.
    Place(list, "/d.mp3", 1000, "08:06:04");
    EXPECT_EQ(list.Row(3).BeginTime, "08:06:04");
    EXPECT_EQ(list.Row(3).Segment, "Segment 2");
}

TEST(PlayListAppendTest, QueriesOutsideTheListGiveMidnightAndSegmentOne)
{
    players::PlayList list;
    EXPECT_EQ(list.FirstBeginTime().Text(), "00:00:00");
    EXPECT_EQ(list.LastEndTime().Text(), "00:00:00");
    EXPECT_EQ(list.EarliestBeginOf(0).Text(), "00:00:01");
    EXPECT_EQ(list.SegmentOf(0), 1);

    Place(list, "/a.mp3", 10000, "10:00:00");
    Place(list, "/b.mp3", 10000, "11:00:00");
    EXPECT_EQ(list.BeginTimeOf(-1).Text(), "00:00:00");
    EXPECT_EQ(list.EndTimeOf(2).Text(), "00:00:00");
    EXPECT_EQ(list.SegmentOf(-1), 1);
    EXPECT_EQ(list.SegmentOf(2), 1);
    EXPECT_EQ(list.FirstBeginTime().Text(), "10:00:00");
    EXPECT_EQ(list.LastEndTime().Text(), "11:00:10");
    EXPECT_EQ(list.EarliestBeginOf(1).Text(), "10:00:11");
}

TEST(PlayListAppendTest, FileNameIsTheTextAfterTheLastSlash)
{
    players::PlayList list;
    ASSERT_TRUE(list.AppendFile("/a/b.dir/c d.flac", 1000));
    ASSERT_TRUE(list.AppendFile("plain.ogg", 1000));
    ASSERT_TRUE(list.AppendFile("/music/", 1000));
    EXPECT_EQ(list.Row(0).File, "c d.flac");
    EXPECT_EQ(list.Row(1).File, "plain.ogg");
    EXPECT_EQ(list.Row(2).File, "");
    EXPECT_EQ(list.Row(2).Path, "/music/");
}

TEST(PlayListAppendTest, ObserverSeesEachInsertBeforeAndAfter)
{
    players::PlayList list;
    RecordingObserver observer;
    list.SetObserver(&observer);
    ASSERT_TRUE(list.AppendFile("/a.mp3", 1000));
    ASSERT_TRUE(list.AppendFile("/b.mp3", 1000));
    EXPECT_EQ(
        observer.calls, (Rows { "aboutToInsert 0-0", "inserted 0-0", "aboutToInsert 1-1", "inserted 1-1" }));

    list.SetObserver(nullptr);
    ASSERT_TRUE(list.AppendFile("/c.mp3", 1000));
    EXPECT_EQ(observer.calls.size(), 4u);
}

} // namespace
