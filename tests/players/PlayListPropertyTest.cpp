#include "PlayListTestSupport.h"

#include <cstdio>
#include <random>

namespace {

// Follows the notifications the way a view would, to check that they add up to the list.
class MirrorObserver : public players::PlayListObserver {
public:
    void RowsAboutToBeInserted(int first, int last) override { Begin(first, last, rows); }
    void RowsInserted(int first, int last) override
    {
        End(first, last);
        rows += last - first + 1;
    }
    void RowsAboutToBeRemoved(int first, int last) override { Begin(first, last, rows - 1); }
    void RowsRemoved(int first, int last) override
    {
        End(first, last);
        rows -= last - first + 1;
    }
    void RowsChanged(int first, int last) override
    {
        if (pending || first < 0 || last < first || last >= rows)
            broken = true;
    }

    int rows = 0;
    bool broken = false;

private:
    void Begin(int first, int last, int limit)
    {
        if (pending || first < 0 || last < first || (first > limit))
            broken = true;
        pending = true;
        pendingFirst = first;
        pendingLast = last;
    }
    void End(int first, int last)
    {
        if (!pending || first != pendingFirst || last != pendingLast)
            broken = true;
        pending = false;
    }

    bool pending = false;
    int pendingFirst = 0;
    int pendingLast = 0;
};

::testing::AssertionResult Consistent(const players::PlayList& list, bool checkNumbering)
{
    persist::TimeOfDay previousEnd;
    int segment = 1;
    for (int i = 0; i < list.RowCount(); ++i) {
        const players::PlayListEntry& row = list.Row(i);
        const persist::TimeOfDay begin(row.BeginTime);
        const persist::TimeOfDay duration(row.Duration);
        const persist::TimeOfDay end(row.EndTime);
        if (!begin.Valid() || !duration.Valid() || !end.Valid())
            return ::testing::AssertionFailure() << "row " << i << " has an unreadable time";
        if (duration < persist::TimeOfDay(0, 0, 1))
            return ::testing::AssertionFailure() << "row " << i << " lasts less than a second";
        persist::TimeOfDay expectedEnd = begin;
        expectedEnd.AddTime(duration);
        if (expectedEnd.NextDay())
            return ::testing::AssertionFailure() << "row " << i << " passes midnight";
        if (expectedEnd != end || end.Text() != row.EndTime)
            return ::testing::AssertionFailure()
                << "row " << i << " ends at " << row.EndTime << " instead of " << expectedEnd.Text();
        if (i > 0 && begin < previousEnd)
            return ::testing::AssertionFailure() << "row " << i << " begins at " << row.BeginTime
                                                 << " before the previous end " << previousEnd.Text();
        if (i > 0 && !(previousEnd.PlusSeconds(1) == begin))
            ++segment;
        if (checkNumbering && row.Segment != "Segment " + std::to_string(segment))
            return ::testing::AssertionFailure()
                << "row " << i << " is in " << row.Segment << ", expected " << segment;
        if (row.Path.substr(row.Path.rfind('/') + 1) != row.File)
            return ::testing::AssertionFailure()
                << "row " << i << " shows " << row.File << " for " << row.Path;
        previousEnd = end;
    }
    return ::testing::AssertionSuccess();
}

TEST(PlayListPropertyTest, RandomEditsKeepTheListConsistent)
{
    std::mt19937 random(20260501u);
    auto below = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };

    players::PlayList list;
    MirrorObserver mirror;
    list.SetObserver(&mirror);
    bool numbered = true;
    int fileNumber = 0;

    for (int step = 0; step < 6000; ++step) {
        const int operation = below(100);
        const int row = list.Empty() ? 0 : below(list.RowCount());
        const std::string path = "/music/f" + std::to_string(fileNumber++) + ".mp3";
        const std::int64_t durationMs = below(10) == 0 ? below(1500) : 1000 + below(20 * 60 * 1000);
        std::string what;
        if (operation < 25) {
            what = "append";
            list.AppendFile(path, durationMs);
        } else if (operation < 45) {
            char begin[16];
            std::snprintf(begin, sizeof begin, "%d:%02d:%02d", below(26), below(61), below(60));
            what = std::string("append at ") + begin;
            (void)list.AppendFileAt(path, durationMs, below(5) == 0 ? "" : begin);
        } else if (operation < 60) {
            if (list.Empty())
                continue;
            const persist::TimeOfDay earliest = list.EarliestBeginOf(row);
            persist::TimeOfDay target = earliest;
            target.AddSeconds(static_cast<std::uint32_t>(below(3 * 3600)));
            if (below(4) == 0)
                target = persist::TimeOfDay(
                    static_cast<std::uint32_t>(below(24)), static_cast<std::uint32_t>(below(60)), 0);
            what = "set begin of " + std::to_string(row) + " to " + target.Text();
            if (list.SetBeginTime(row, target))
                numbered = true;
        } else if (operation < 75) {
            what = "select";
            list.SetSelected(row, below(2) == 0);
        } else if (operation < 83) {
            what = "move up";
            list.MoveSelectedUp();
        } else if (operation < 91) {
            what = "move down";
            list.MoveSelectedDown();
        } else if (operation < 95) {
            what = "remove selected";
            list.RemoveSelected();
            numbered = false;
        } else if (operation < 97) {
            what = "remove from " + std::to_string(row);
            list.RemoveFrom(row);
        } else if (operation < 99) {
            what = "renumber";
            list.RenumberSegments();
            numbered = true;
        } else {
            what = "clear";
            list.ClearAll();
            numbered = true;
        }
        ASSERT_TRUE(Consistent(list, numbered)) << "after step " << step << ": " << what;
        ASSERT_FALSE(mirror.broken) << "after step " << step << ": " << what;
        ASSERT_EQ(mirror.rows, list.RowCount()) << "after step " << step << ": " << what;
    }
}

} // namespace
