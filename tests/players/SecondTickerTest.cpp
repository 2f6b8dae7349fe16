#include "players/SecondTicker.h"

#include <gtest/gtest.h>

#include <ctime>
#include <poll.h>

namespace {

TEST(SecondTicker, TicksComeJustAfterTheClocksSeconds)
{
    struct Case {
        timespec now;
        timespec next;
    };
    const long offset = players::SecondTicker::OFFSET_NS;
    const Case cases[] = {
        { { 100, 0 }, { 100, offset } },
        { { 100, offset - 1 }, { 100, offset } },
        { { 100, offset }, { 101, offset } },
        { { 100, 999'999'999 }, { 101, offset } },
    };
    for (const Case& c : cases) {
        const timespec next = players::NextTickAfter(c.now, offset);
        EXPECT_EQ(next.tv_sec, c.next.tv_sec) << c.now.tv_sec << "." << c.now.tv_nsec;
        EXPECT_EQ(next.tv_nsec, c.next.tv_nsec) << c.now.tv_sec << "." << c.now.tv_nsec;
    }

    // The real clock: two ticks, each after a second began and never before.
    players::SecondTicker ticker;
    ASSERT_TRUE(ticker.Valid());
    for (int tick = 0; tick < 2; ++tick) {
        pollfd watch { ticker.Fd(), POLLIN, 0 };
        ASSERT_EQ(::poll(&watch, 1, 3000), 1);
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        std::uint64_t seconds = 0;
        EXPECT_EQ(ticker.Acknowledge(&seconds), players::SecondTicker::Event::Seconds);
        EXPECT_GE(seconds, 1u);
        EXPECT_GE(now.tv_nsec, offset);
        // Late only by what a busy machine adds to the wake-up.
        EXPECT_LT(now.tv_nsec, 500'000'000L);
    }
    // Nothing more to read before the next second.
    EXPECT_EQ(ticker.Acknowledge(), players::SecondTicker::Event::None);
}

} // namespace
