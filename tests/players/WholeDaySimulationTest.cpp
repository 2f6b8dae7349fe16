#include "PlaybackHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace {

constexpr std::int64_t secondsPerDay = 24 * 60 * 60;

// A small fixed random sequence, so that every run builds the same lists.
class Sequence {
public:
    explicit Sequence(std::uint32_t seed)
        : m_state(seed)
    {
    }
    // A number in [low, high].
    std::int64_t Next(std::int64_t low, std::int64_t high)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return low + static_cast<std::int64_t>((m_state >> 8) % static_cast<std::uint32_t>(high - low + 1));
    }

private:
    std::uint32_t m_state;
};

std::int64_t SecondOfDay(const std::string& text)
{
    const persist::TimeOfDay time(text);
    return time.Hour() * 3600 + time.Minute() * 60 + time.Second();
}

std::string Name(int player, int row)
{
    return "/zone" + std::to_string(player) + "/" + std::to_string(row) + ".mp3";
}

struct Expected {
    std::string file;
    std::int64_t opened = 0;
    std::int64_t closed = 0;
};

class WholeDaySimulationTest : public ::testing::Test {
protected:
    // Fills the player's list with segments of two to four contiguous rows, separated by gaps of a
    // second to two hours, until the day is full. The file lengths have half a second more than the
    // rows' whole seconds, as real files have a fraction over: each window closes half a second
    // before its file ends, and the file is still heard to its end.
    void FillDay(int player, std::uint32_t seed, const char* firstBegin)
    {
        Sequence random(seed);
        players::PlayList& list = h.players.Slot(player).List;
        int row = 0;
        std::string begin = firstBegin;
        for (;;) {
            const int rowsInSegment = static_cast<int>(random.Next(2, 4));
            for (int i = 0; i < rowsInSegment; ++i, ++row) {
                const std::int64_t lengthMs = random.Next(1, 40 * 60) * 1000 + 500;
                const players::AppendResult placed = list.AppendFileAt(Name(player, row), lengthMs, begin);
                if (placed != players::AppendResult::Appended)
                    return;
                h.control.durations[Name(player, row)] = static_cast<std::int32_t>(lengthMs);
                begin.clear();
            }
            persist::TimeOfDay next(list.LastEndTime());
            next.AddSeconds(static_cast<std::uint32_t>(random.Next(2, 2 * 3600)));
            if (next.NextDay())
                return;
            begin = next.Text();
        }
    }

    ScopedTimeZone zone { "Europe/Berlin" };
    PlaybackHarness h;
};

TEST_F(WholeDaySimulationTest, EveryRowPlaysExactlyInItsWindowAndNothingElsePlays)
{
    for (int player = 0; player < players::PLAYER_COUNT; ++player)
        FillDay(player, 1000u + static_cast<std::uint32_t>(player), player == 0 ? "00:00:00" : "00:00:01");
    // The last row of player 1 ends at the last second of the day.
    players::PlayList& one = h.players.Slot(1).List;
    while (one.LastEndTime() > persist::TimeOfDay(23, 0, 0))
        one.RemoveFrom(one.RowCount() - 1);
    ASSERT_EQ(one.AppendFileAt("/zone1/last.mp3", 60'000, "23:58:59"), players::AppendResult::Appended);
    ASSERT_EQ(one.LastEndTime(), persist::TimeOfDay(23, 59, 59));
    h.control.durations["/zone1/last.mp3"] = 60'500;
    // Player 6 plays by a date range that holds the day, player 7 by a week that leaves it out.
    h.players.Slot(6).Policy.Type = players::POLICY_DATE_RANGE;
    h.players.Slot(6).Policy.BeginDate = persist::CalendarDate(2026, 6, 3);
    h.players.Slot(6).Policy.EndDate = persist::CalendarDate(2026, 6, 3);
    h.players.Slot(7).Policy.Week[3] = false;

    // A Wednesday without a change of summer time.
    const std::time_t midnight = LocalTime(2026, 6, 3, 0, 0, 0);
    h.control.logCalls = false;
    h.view.logCalls = false;
    h.clock.now = midnight - 1;
    h.scheduler.StartAllTimers();

    const auto started = std::chrono::steady_clock::now();
    const std::clock_t startedCpu = std::clock();
    for (std::int64_t second = 0; second < secondsPerDay; ++second)
        h.PlaySecondAt(midnight + second);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double cpuSeconds = static_cast<double>(std::clock() - startedCpu) / CLOCKS_PER_SEC;
    std::printf("[ whole day ] %d players x %lld ticks in %.3f s (%.3f s of processor time)\n",
        players::PLAYER_COUNT, static_cast<long long>(secondsPerDay), seconds, cpuSeconds);
    RecordProperty("seconds", std::to_string(seconds));

    std::size_t rows = 0;
    for (int player = 0; player < players::PLAYER_COUNT; ++player) {
        const players::PlayList& list = h.players.Slot(player).List;
        ASSERT_GE(list.RowCount(), 6) << "player " << player;
        std::vector<Expected> expected;
        if (player != 7) {
            for (const players::PlayListEntry& row : list.Rows())
                expected.push_back(Expected {
                    row.Path, midnight + SecondOfDay(row.BeginTime), midnight + SecondOfDay(row.EndTime) });
        }
        rows += expected.size();

        // A row of the next day is opened ahead at the day's last second but not played.
        std::vector<Expected> played;
        for (const FakeSonarel::Span& span : h.control.spans) {
            if (span.stream == player && span.played >= 0) {
                played.push_back(Expected { span.file, span.played, span.closed });
                EXPECT_TRUE(span.completed) << span.file << " was cut";
            }
        }
        ASSERT_EQ(played.size(), expected.size()) << "player " << player;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(played[i].file, expected[i].file) << "player " << player << " row " << i;
            EXPECT_EQ(played[i].opened, expected[i].opened) << "player " << player << " row " << i;
            EXPECT_EQ(played[i].closed, expected[i].closed) << "player " << player << " row " << i;
        }
        EXPECT_EQ(h.State(player), players::PLAYER_STOPPED);
    }
    EXPECT_EQ(std::count_if(h.control.spans.begin(), h.control.spans.end(),
                  [](const FakeSonarel::Span& span) { return span.played >= 0; }),
        static_cast<std::ptrdiff_t>(rows));
    EXPECT_EQ(h.control.opensOverOpenStream, 0);
    EXPECT_EQ(h.poster.Pending(), 0u);
    // The first row of player 0 begins at midnight, the first tick of the day.
    EXPECT_EQ(h.control.spans.front().played, midnight);
}

} // namespace
