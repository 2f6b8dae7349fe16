#include "PlaybackHarness.h"

#include <gtest/gtest.h>

#include <vector>

// The timer works on the wall clock: a tick plays the row whose window holds the local time of day
// it reads, whatever happened before. So when summer time begins (Europe/Berlin, 2026-03-29, 02:00
// becomes 03:00), the clock reads no time from 02:00:00 to 02:59:59: a row wholly inside that hour
// never plays that day, and a row that runs into it is stopped at the first tick after the jump,
// because 03:00:00 lies outside its window. When summer time ends (2026-10-25, 03:00 becomes 02:00
// again), the clock reads 02:00:00 to 02:59:59 twice: a row inside that hour plays in the first pass
// and again in the second, each time from its beginning; a row that was playing at the jump is
// stopped when 02:00:00 lies outside its window and plays again when its begin comes round. A row
// whose window holds both sides of the jump keeps playing through it. The player's one stream is
// always closed before it is opened again, so two files never play at once on one player.

namespace {

struct Played {
    std::string file;
    std::time_t started = 0;
    std::time_t closed = 0;

    friend bool operator==(const Played&, const Played&) = default;
};

void PrintTo(const Played& played, std::ostream* out)
{
    *out << played.file << " " << played.started << "-" << played.closed;
}

class DaylightSavingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Without the zone's rules the clock would read UTC and the test would prove nothing.
        ASSERT_EQ(LocalTime(2026, 1, 15, 12, 0, 0), 1768474800) << "the Europe/Berlin time zone is missing";
        for (players::PlayerSlot& slot : h.players)
            slot.Policy.Week.fill(true);
        h.control.logCalls = false;
        h.view.logCalls = false;
    }

    // Runs the timers of the given players once a second from `from` to `to` (both included), with
    // the streams playing on in between.
    void Run(std::time_t from, std::time_t to, int players)
    {
        h.clock.now = from - 1;
        for (int player = 0; player < players; ++player)
            h.scheduler.StartPlayerTimer(player);
        for (std::time_t now = from; now <= to; ++now)
            h.PlaySecondAt(now);
    }

    [[nodiscard]] std::vector<Played> PlayedOn(int player) const
    {
        std::vector<Played> played;
        for (const FakeSonarel::Span& span : h.control.spans) {
            if (span.stream == player)
                played.push_back(Played { span.file, span.played, span.closed });
        }
        return played;
    }

    ScopedTimeZone zone { "Europe/Berlin" };
    PlaybackHarness h;
};

TEST_F(DaylightSavingTest, RowsInTheSkippedHourDoNotPlayAndARowRunningIntoItIsCutShort)
{
    h.Place(0, "/zone/into.mp3", 20 * 60'000, "01:50:00");
    h.Place(0, "/zone/skipped.mp3", 10 * 60'000, "02:20:00");
    h.Place(0, "/zone/after.mp3", 60'000, "03:05:00");
    // Another player's row wholly inside the skipped hour.
    h.Place(1, "/zone/gone.mp3", 30 * 60'000, "02:15:00");
    for (const players::PlayListEntry& row : h.players.Slot(0).List.Rows())
        h.control.durations[row.Path] = 60 * 60'000;

    const std::time_t midnight = LocalTime(2026, 3, 29, 0, 0, 0);
    const std::time_t jump = LocalTime(2026, 3, 29, 3, 0, 0);
    ASSERT_EQ(jump - LocalTime(2026, 3, 29, 1, 59, 59), 1) << "02:00 must become 03:00";
    Run(midnight, LocalTime(2026, 3, 29, 6, 0, 0), 2);

    EXPECT_EQ(PlayedOn(0),
        (std::vector<Played> {
            { "/zone/into.mp3", LocalTime(2026, 3, 29, 1, 50, 0), jump },
            { "/zone/after.mp3", LocalTime(2026, 3, 29, 3, 5, 0), LocalTime(2026, 3, 29, 3, 6, 0) },
        }));
    EXPECT_TRUE(PlayedOn(1).empty());
    EXPECT_EQ(h.control.opensOverOpenStream, 0);
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    EXPECT_TRUE(h.players.Slot(0).TimerOn());

    // The next day everything plays in full again.
    Run(LocalTime(2026, 3, 30, 1, 49, 0), LocalTime(2026, 3, 30, 2, 31, 0), 2);
    const std::vector<Played> nextDay = PlayedOn(0);
    ASSERT_EQ(nextDay.size(), 4u);
    EXPECT_EQ(nextDay[2].closed - nextDay[2].started, 20 * 60);
    EXPECT_EQ(nextDay[3].file, "/zone/skipped.mp3");
    EXPECT_EQ(PlayedOn(1).size(), 1u);
}

TEST_F(DaylightSavingTest, RowsInTheRepeatedHourPlayInBothPassesEachTimeFromTheirBeginning)
{
    h.Place(0, "/zone/before.mp3", 10 * 60'000, "01:30:00");
    h.Place(0, "/zone/twice.mp3", 10 * 60'000, "02:10:00");
    h.Place(0, "/zone/across.mp3", 20 * 60'000, "02:50:00");
    for (const players::PlayListEntry& row : h.players.Slot(0).List.Rows())
        h.control.durations[row.Path] = 60 * 60'000;
    // A two-hour window around the repeated hour, holding a file just as long: the window lasts
    // three hours on that day, so the file ends inside it and starts over until the window closes.
    h.Place(1, "/zone/long.mp3", 2 * 3600'000, "01:30:00");
    h.control.durations["/zone/long.mp3"] = 2 * 3600'000 + 500;

    const auto summer
        = [](int hour, int minute, int second) { return LocalTime(2026, 10, 25, hour, minute, second, 1); };
    const auto winter
        = [](int hour, int minute, int second) { return LocalTime(2026, 10, 25, hour, minute, second, 0); };
    ASSERT_EQ(winter(2, 0, 0) - summer(2, 59, 59), 1) << "03:00 must become 02:00";
    Run(LocalTime(2026, 10, 25, 0, 0, 0), winter(5, 0, 0), 2);

    EXPECT_EQ(PlayedOn(0),
        (std::vector<Played> {
            { "/zone/before.mp3", summer(1, 30, 0), summer(1, 40, 0) },
            { "/zone/twice.mp3", summer(2, 10, 0), summer(2, 20, 0) },
            // Cut off at the jump: 02:00:00 is before its window.
            { "/zone/across.mp3", summer(2, 50, 0), winter(2, 0, 0) },
            { "/zone/twice.mp3", winter(2, 10, 0), winter(2, 20, 0) },
            { "/zone/across.mp3", winter(2, 50, 0), winter(3, 10, 0) },
        }));
    EXPECT_EQ(PlayedOn(1),
        (std::vector<Played> {
            // Plays through the jump; its end after two hours is handled as any completion.
            { "/zone/long.mp3", summer(1, 30, 0), winter(2, 30, 0) },
            { "/zone/long.mp3", winter(2, 30, 1), winter(3, 30, 0) },
        }));
    EXPECT_EQ(h.control.opensOverOpenStream, 0);
    EXPECT_EQ(h.poster.Pending(), 0u);
    EXPECT_EQ(h.State(0), players::PLAYER_STOPPED);
    EXPECT_EQ(h.State(1), players::PLAYER_STOPPED);
}

} // namespace
