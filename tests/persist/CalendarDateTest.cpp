#include "persist/CalendarDate.h"

#include <gtest/gtest.h>

namespace {

// 2024-03-15 12:00:00 UTC: the same local date in every time zone within twelve hours of UTC.
constexpr std::time_t midMarch2024 = 1'710'504'000;

TEST(CalendarDateTest, ParsingPadsTheTextAndChecksTheRanges)
{
    const persist::CalendarDate date("2010-1-5");
    EXPECT_TRUE(date.Valid());
    EXPECT_EQ(date.Text(), "2010-01-05");
    EXPECT_EQ(date.Year(), 2010u);
    EXPECT_EQ(date.Month(), 1u);
    EXPECT_EQ(date.Day(), 5u);

    EXPECT_TRUE(persist::CalendarDate(" 2099 - 12 - 31 ").Valid());
    EXPECT_EQ(persist::CalendarDate(" 2099 - 12 - 31 ").Text(), "2099-12-31");

    const persist::CalendarDate old("1999-12-31");
    EXPECT_FALSE(old.Valid());
    EXPECT_EQ(old.Text(), "1999-12-31");
    EXPECT_EQ(old.Year(), 1999u);

    EXPECT_FALSE(persist::CalendarDate("2100-01-01").Valid());
    EXPECT_FALSE(persist::CalendarDate("2010-13-01").Valid());
    EXPECT_FALSE(persist::CalendarDate("2010-12-32").Valid());
}

TEST(CalendarDateTest, TextThatIsNotThreeNumbersGivesTodayNotValid)
{
    const persist::CalendarDate today = persist::CalendarDate::AtTime(midMarch2024);
    ASSERT_EQ(today.Text(), "2024-03-15");
    for (const char* text : { "2010/1/5", "2010-1", "-2010-1-5", "", "2010-1-5-" }) {
        const persist::CalendarDate date = persist::CalendarDate::Parse(text, midMarch2024);
        EXPECT_FALSE(date.Valid()) << text;
        EXPECT_EQ(date, today) << text;
        EXPECT_EQ(date.Text(), "2024-03-15") << text;
    }
    EXPECT_EQ(persist::CalendarDate::Parse("2010-1-5", midMarch2024).Text(), "2010-01-05");
}

TEST(CalendarDateTest, ThreeNumberConstructorRanges)
{
    EXPECT_TRUE(persist::CalendarDate(2000, 12, 31).Valid());
    EXPECT_TRUE(persist::CalendarDate(2099, 1, 1).Valid());
    EXPECT_FALSE(persist::CalendarDate(1999, 1, 1).Valid());
    EXPECT_FALSE(persist::CalendarDate(2100, 1, 1).Valid());
    EXPECT_FALSE(persist::CalendarDate(2010, 13, 1).Valid());
    EXPECT_FALSE(persist::CalendarDate(2010, 1, 32).Valid());
    EXPECT_EQ(persist::CalendarDate(2010, 2, 3).Text(), "2010-02-03");
    EXPECT_FALSE(persist::CalendarDate().Valid());
    EXPECT_EQ(persist::CalendarDate().Text(), "0000-00-00");
}

TEST(CalendarDateTest, ComparesByYearMonthDay)
{
    EXPECT_LT(persist::CalendarDate(2010, 12, 31), persist::CalendarDate(2011, 1, 1));
    EXPECT_LT(persist::CalendarDate(2011, 1, 31), persist::CalendarDate(2011, 2, 1));
    EXPECT_LT(persist::CalendarDate(2011, 2, 1), persist::CalendarDate(2011, 2, 2));
    EXPECT_EQ(persist::CalendarDate("2011-2-1"), persist::CalendarDate(2011, 2, 1));
    // The flag takes no part: an out-of-range date still orders by its fields.
    EXPECT_LT(persist::CalendarDate("1999-12-31"), persist::CalendarDate(2000, 1, 1));
}

TEST(CalendarDateTest, LocalDateSources)
{
    std::tm local {};
    local.tm_year = 124;
    local.tm_mon = 1;
    local.tm_mday = 29;
    const persist::CalendarDate leapDay = persist::CalendarDate::FromLocalTime(local);
    EXPECT_EQ(leapDay.Text(), "2024-02-29");
    EXPECT_TRUE(leapDay.Valid());

    EXPECT_TRUE(persist::CalendarDate::AtTime(midMarch2024).Valid());
    EXPECT_TRUE(persist::CalendarDate::Today().Valid());
    EXPECT_GE(persist::CalendarDate::Today(), persist::CalendarDate::AtTime(midMarch2024));
}

} // namespace
