#include "update/UpdateHistory.h"
#include "update/KVVersionUpdate.h"

#include "UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

namespace {

using namespace std::chrono;

constexpr const char* HISTORY = "KVUpdateHistory.txt";

sys_days Day(int y, unsigned m, unsigned d)
{
    return sys_days(year_month_day(year(y), month(m), day(d)));
}

// Today's UTC date as the C library sees it, independently of the code under test.
std::string TodayText(int daysBack = 0)
{
    const std::time_t then = std::time(nullptr) - static_cast<std::time_t>(daysBack) * 86400;
    std::tm utc {};
    gmtime_r(&then, &utc);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &utc);
    return text;
}

TEST(HistoryDate, TextIsZeroPaddedUtcDate)
{
    EXPECT_EQ(HistoryDateText(Day(2024, 3, 5)), "2024-03-05");
    EXPECT_EQ(HistoryDateText(TodayUtc()), TodayText());
    EXPECT_EQ(HistoryDateFromText("2024-03-05"), Day(2024, 3, 5));
    EXPECT_EQ(HistoryDateFromText(" 2024-3-5\r\n"), Day(2024, 3, 5));
    for (const char* bad : { "", "garbage", "2024-02-30", "2024-13-01", "2024-00-10", "2024-01-00",
             "0000-01-01", "2024-01", "2024-01-05-07", "2024-01-05x", "2024--1-05", "2024-+1-05", "20240105",
             "2024 -01-05", "99999-01-01", "2024-257-05" }) {
        EXPECT_FALSE(HistoryDateFromText(bad)) << bad;
    }
}

TEST(HistoryDate, SevenDayRule)
{
    const sys_days today = Day(2024, 6, 17);
    // Checked on the 10th: not again before the 17th.
    EXPECT_FALSE(IsCheckDueOn("2024-06-17", today, 7));
    EXPECT_FALSE(IsCheckDueOn("2024-06-11", today, 7));
    EXPECT_TRUE(IsCheckDueOn("2024-06-10", today, 7));
    EXPECT_TRUE(IsCheckDueOn("2024-06-09", today, 7));
    EXPECT_FALSE(IsCheckDueOn("2024-06-10", today - days(1), 7));
    // Compared by calendar date across month and year ends.
    EXPECT_FALSE(IsCheckDueOn("2024-02-29", Day(2024, 3, 6), 7));
    EXPECT_TRUE(IsCheckDueOn("2024-02-29", Day(2024, 3, 7), 7));
    EXPECT_FALSE(IsCheckDueOn("2023-12-31", Day(2024, 1, 1), 7));
    EXPECT_TRUE(IsCheckDueOn("2023-12-31", Day(2024, 1, 7), 7));
    // Other periods.
    EXPECT_TRUE(IsCheckDueOn("2024-06-17", today, 0));
    EXPECT_FALSE(IsCheckDueOn("2024-05-20", today, 30));
}

TEST(HistoryDate, UnreadableOrFutureDatesMakeTheCheckDue)
{
    const sys_days today = Day(2024, 6, 17);
    EXPECT_TRUE(IsCheckDueOn("", today, 7));
    EXPECT_TRUE(IsCheckDueOn("zzzz-zz-zz", today, 7));
    EXPECT_TRUE(IsCheckDueOn("2024-06-18", today, 7));
    EXPECT_TRUE(IsCheckDueOn("2099-12-31", today, 7));
}

class HistoryFile : public ::testing::Test {
protected:
    TempFolder m_folder;
};

TEST_F(HistoryFile, DueAfterSevenDays)
{
    ASSERT_FALSE(m_folder.Path().empty());
    CKVVersionUpdate checker(m_folder.Path());
    EXPECT_EQ(checker.GetHistoryPath(), m_folder.File(HISTORY));

    EXPECT_TRUE(checker.IsCheckDue()) << "no history file";
    m_folder.Write(HISTORY, TodayText());
    EXPECT_FALSE(checker.IsCheckDue());
    m_folder.Write(HISTORY, TodayText(6));
    EXPECT_FALSE(checker.IsCheckDue());
    m_folder.Write(HISTORY, TodayText(7));
    EXPECT_TRUE(checker.IsCheckDue());
    m_folder.Write(HISTORY, TodayText(8));
    EXPECT_TRUE(checker.IsCheckDue());
    m_folder.Write(HISTORY, "\x01\xff garbage");
    EXPECT_TRUE(checker.IsCheckDue());
    m_folder.Write(HISTORY, "");
    EXPECT_TRUE(checker.IsCheckDue());
    // Only the first 100 bytes are read as the date.
    m_folder.Write(HISTORY, TodayText() + std::string(90, ' ') + "x");
    EXPECT_FALSE(checker.IsCheckDue());
    m_folder.Write(HISTORY, TodayText() + std::string(80, ' ') + "x");
    EXPECT_TRUE(checker.IsCheckDue());
}

TEST_F(HistoryFile, UnreadableFileMakesTheCheckDue)
{
    // A folder in the file's place opens but cannot be read, whoever runs the test.
    ASSERT_TRUE(std::filesystem::create_directory(m_folder.File(HISTORY)));
    CKVVersionUpdate checker(m_folder.Path());
    EXPECT_TRUE(checker.IsCheckDue());
}

TEST_F(HistoryFile, LivesInTheGivenFolderOnly)
{
    CKVVersionUpdate inFolderWithSlash(m_folder.Path() + "/");
    EXPECT_EQ(inFolderWithSlash.GetHistoryPath(), m_folder.File(HISTORY));
    // Without a folder there is no history, rather than a file in the current directory.
    CKVVersionUpdate noFolder("");
    EXPECT_EQ(noFolder.GetHistoryPath(), "");
    EXPECT_TRUE(noFolder.IsCheckDue());
}

TEST_F(HistoryFile, StartDoesNothingWhenNoCheckIsDueOrThereIsNoVersionAddress)
{
    m_folder.Write(HISTORY, TodayText(1));
    // Nothing listens at this address: a check that did start would fail and report.
    CKVVersionUpdate checker(m_folder.Path(), "http://127.0.0.1:9/version.xml");
    DirectReceiver receiver;
    EXPECT_EQ(checker.Start(false, &receiver), std::thread::id());
    EXPECT_FALSE(checker.IsRunning());
    EXPECT_FALSE(receiver.Log.WaitFor(1, milliseconds(200)));
    EXPECT_EQ(m_folder.Read(HISTORY), TodayText(1));

    // A build without a version address never checks, not even when asked to.
    CKVVersionUpdate noAddress(m_folder.Path(), "");
    EXPECT_FALSE(noAddress.HasVersionAddress());
    EXPECT_EQ(noAddress.Start(true, &receiver), std::thread::id());
    EXPECT_FALSE(noAddress.IsRunning());
    EXPECT_FALSE(receiver.Log.WaitFor(1, milliseconds(200)));
}

} // namespace
