#include "persist/TimeOfDay.h"

#include <gtest/gtest.h>

namespace {

TEST(TimeOfDayTest, DefaultIsMidnightAndValid)
{
    const persist::TimeOfDay time;
    EXPECT_EQ(time.Text(), "00:00:00");
    EXPECT_TRUE(time.Valid());
    EXPECT_FALSE(time.NextDay());
}

TEST(TimeOfDayTest, ParsingTrimsPiecesAndRebuildsTheText)
{
    const persist::TimeOfDay spaced(" 7 : 05 : 09 ");
    EXPECT_TRUE(spaced.Valid());
    EXPECT_EQ(spaced.Text(), "07:05:09");
    EXPECT_EQ(spaced.Hour(), 7u);
    EXPECT_EQ(spaced.Minute(), 5u);
    EXPECT_EQ(spaced.Second(), 9u);

    const persist::TimeOfDay shortForm("8:5:0");
    EXPECT_TRUE(shortForm.Valid());
    EXPECT_EQ(shortForm.Text(), "08:05:00");

    // Only the leading digits of a piece count.
    const persist::TimeOfDay trailing("10x:20:30s");
    EXPECT_TRUE(trailing.Valid());
    EXPECT_EQ(trailing.Text(), "10:20:30");

    EXPECT_FALSE(persist::TimeOfDay("23:59:59").NextDay());
    EXPECT_TRUE(persist::TimeOfDay("23:59:59").Valid());
}

TEST(TimeOfDayTest, ParsingRejectsOutOfRangeFields)
{
    EXPECT_FALSE(persist::TimeOfDay("24:00:00").Valid());
    EXPECT_FALSE(persist::TimeOfDay("12:60:00").Valid());
    EXPECT_FALSE(persist::TimeOfDay("12:00:60").Valid());
    // The constructor from numbers is deliberately looser than parsing.
    EXPECT_TRUE(persist::TimeOfDay(24, 0, 0).Valid());
    EXPECT_TRUE(persist::TimeOfDay(12, 60, 60).Valid());
    EXPECT_FALSE(persist::TimeOfDay(25, 0, 0).Valid());
    EXPECT_FALSE(persist::TimeOfDay(0, 61, 0).Valid());
    EXPECT_EQ(persist::TimeOfDay(24, 0, 0).Text(), "24:00:00");
}

TEST(TimeOfDayTest, NegativeNumbersAreInvalidAndKeepTheirSign)
{
    const persist::TimeOfDay negative("-1:00:00");
    EXPECT_FALSE(negative.Valid());
    EXPECT_EQ(negative.Text(), "-1:00:00");
    EXPECT_FALSE(persist::TimeOfDay("10:-5:00").Valid());
    // An overlong number must not wrap around into a plausible hour.
    EXPECT_FALSE(persist::TimeOfDay("4294967297:00:00").Valid());
}

TEST(TimeOfDayTest, ParsingNeedsExactlyThreePieces)
{
    EXPECT_FALSE(persist::TimeOfDay("12:30").Valid());
    EXPECT_FALSE(persist::TimeOfDay("12:30:00:00").Valid());
    EXPECT_FALSE(persist::TimeOfDay("12:30:00:").Valid());
    EXPECT_FALSE(persist::TimeOfDay(":12:30").Valid());
    EXPECT_FALSE(persist::TimeOfDay("").Valid());
    EXPECT_FALSE(persist::TimeOfDay("noon").Valid());
    EXPECT_EQ(persist::TimeOfDay("12:30").Text(), "00:00:00");
}

TEST(TimeOfDayTest, AddingCarriesAndSetsTheNextDayFlag)
{
    persist::TimeOfDay late("23:59:59");
    late.AddSecond();
    EXPECT_EQ(late.Text(), "00:00:00");
    EXPECT_TRUE(late.NextDay());
    // The flag stays set once the day has been passed.
    late.AddSeconds(5);
    EXPECT_EQ(late.Text(), "00:00:05");
    EXPECT_TRUE(late.NextDay());

    persist::TimeOfDay ten("10:00:00");
    ten.AddSeconds(7200);
    EXPECT_EQ(ten.Text(), "12:00:00");
    EXPECT_FALSE(ten.NextDay());

    persist::TimeOfDay carry("10:59:59");
    carry.AddSeconds(3601);
    EXPECT_EQ(carry.Text(), "12:00:00");

    persist::TimeOfDay wholeDay("08:00:00");
    wholeDay.AddSeconds(86400);
    EXPECT_EQ(wholeDay.Text(), "08:00:00");
    EXPECT_TRUE(wholeDay.NextDay());
}

TEST(TimeOfDayTest, AddingATimeTextCarriesTheSameWay)
{
    persist::TimeOfDay time("10:30:45");
    time.AddTime("01:29:15");
    EXPECT_EQ(time.Text(), "12:00:00");
    EXPECT_FALSE(time.NextDay());

    time.AddTime("12:00:00");
    EXPECT_EQ(time.Text(), "00:00:00");
    EXPECT_TRUE(time.NextDay());

    // An unreadable duration adds nothing instead of wrapping the fields around.
    persist::TimeOfDay unchanged("05:00:00");
    unchanged.AddTime("-1:00:00");
    unchanged.AddTime("12:30");
    EXPECT_EQ(unchanged.Text(), "05:00:00");
    EXPECT_FALSE(unchanged.NextDay());
}

TEST(TimeOfDayTest, PlusSecondsLeavesTheOriginalAlone)
{
    const persist::TimeOfDay begin("09:00:00");
    const persist::TimeOfDay next = begin.PlusSeconds(1);
    EXPECT_EQ(begin.Text(), "09:00:00");
    EXPECT_EQ(next.Text(), "09:00:01");
}

TEST(TimeOfDayTest, ComparesByHourMinuteSecondOnly)
{
    EXPECT_LT(persist::TimeOfDay("09:59:59"), persist::TimeOfDay("10:00:00"));
    EXPECT_LT(persist::TimeOfDay("10:00:00"), persist::TimeOfDay("10:00:01"));
    EXPECT_GT(persist::TimeOfDay("10:01:00"), persist::TimeOfDay("10:00:59"));
    EXPECT_EQ(persist::TimeOfDay("8:5:0"), persist::TimeOfDay(8, 5, 0));

    persist::TimeOfDay wrapped("23:59:59");
    wrapped.AddSecond();
    EXPECT_EQ(wrapped, persist::TimeOfDay());
}

TEST(TimeOfDayTest, LocalTimeSources)
{
    std::tm local {};
    local.tm_hour = 14;
    local.tm_min = 3;
    local.tm_sec = 7;
    const persist::TimeOfDay fromTm = persist::TimeOfDay::FromLocalTime(local);
    EXPECT_EQ(fromTm.Text(), "14:03:07");
    EXPECT_TRUE(fromTm.Valid());
    EXPECT_FALSE(fromTm.NextDay());

    // The calendar time source agrees with localtime_r for the same instant.
    const std::time_t instant = 1'700'000'000;
    std::tm expected {};
    ASSERT_NE(localtime_r(&instant, &expected), nullptr);
    const persist::TimeOfDay atTime = persist::TimeOfDay::AtTime(instant);
    EXPECT_EQ(atTime,
        persist::TimeOfDay(static_cast<std::uint32_t>(expected.tm_hour),
            static_cast<std::uint32_t>(expected.tm_min), static_cast<std::uint32_t>(expected.tm_sec)));
    EXPECT_TRUE(atTime.Valid());

    EXPECT_TRUE(persist::TimeOfDay::Now().Valid());
}

} // namespace
