#include "persist/DailyLogFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::set<std::string> NamesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(DailyLogFile, DaysAndTheirNames)
{
    const persist::DailyLogFile log("/var/log/site", "Tessaly-", 31);
    EXPECT_EQ(log.PathOf({ 2026, 6, 3 }), "/var/log/site/Tessaly-2026-06-03.log");
    struct Case {
        const char* name;
        persist::LogDay day;
    };
    const Case names[] = {
        { "Tessaly-2026-06-03.log", { 2026, 6, 3 } },
        { "Tessaly-1999-12-31.log", { 1999, 12, 31 } },
        { "Tessaly-2026-13-03.log", {} },
        { "Tessaly-2026-06-00.log", {} },
        { "Tessaly-2026-6-03.log", {} },
        { "Tessaly-2026-06-03.log.1", {} },
        { "Tessaly-2026+06-03.log", {} },
        { "Other-2026-06-03.log", {} },
        { "Tessaly.cfg", {} },
    };
    for (const Case& c : names)
        EXPECT_EQ(log.DayOfName(c.name), c.day) << c.name;

    // 31 days kept: today and the 30 before it, across the ends of months, years and a leap day.
    const Case kept[] = {
        { "2026-06-03", { 2026, 5, 4 } },
        { "2026-03-01", { 2026, 1, 30 } },
        { "2024-03-30", { 2024, 2, 29 } },
        { "2027-01-15", { 2026, 12, 16 } },
    };
    const persist::LogDay days[] = { { 2026, 6, 3 }, { 2026, 3, 1 }, { 2024, 3, 30 }, { 2027, 1, 15 } };
    for (std::size_t i = 0; i < std::size(kept); ++i)
        EXPECT_EQ(log.FirstKeptDay(days[i]), kept[i].day) << kept[i].name;
}

TEST(DailyLogFile, LinesGoToTheirDaysFileAndFilesOlderThanTheKeptDaysGo)
{
    const fs::path folder = fs::temp_directory_path() / "daily-log-file-test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const char* name : { "Tessaly-2026-05-03.log", "Tessaly-2026-05-04.log", "Tessaly-2025-12-24.log",
             "Tessaly.cfg", "Other-2020-01-01.log", "Tessaly-notes.log" })
        std::ofstream(folder / name) << "old\n";

    persist::DailyLogFile log(folder.string(), "Tessaly-", 31);
    EXPECT_TRUE(log.Append({ 2026, 6, 3 }, "first"));
    EXPECT_TRUE(log.Append({ 2026, 6, 3 }, "second"));
    EXPECT_EQ(ReadText(folder / "Tessaly-2026-06-03.log"), "first\nsecond\n");
    EXPECT_EQ(NamesIn(folder),
        (std::set<std::string> { "Tessaly-2026-05-04.log", "Tessaly-2026-06-03.log", "Tessaly.cfg",
            "Other-2020-01-01.log", "Tessaly-notes.log" }));

    // The next day opens its own file, and the first day kept moves on with it.
    EXPECT_TRUE(log.Append({ 2026, 6, 4 }, "third"));
    EXPECT_EQ(ReadText(folder / "Tessaly-2026-06-04.log"), "third\n");
    EXPECT_FALSE(fs::exists(folder / "Tessaly-2026-05-04.log"));
    EXPECT_EQ(ReadText(folder / "Tessaly-2026-06-03.log"), "first\nsecond\n");

    // A folder that has gone loses the line; once it is back the next line is written.
    fs::remove_all(folder);
    EXPECT_FALSE(log.Append({ 2026, 6, 4 }, "lost"));
    fs::create_directories(folder);
    EXPECT_TRUE(log.Append({ 2026, 6, 4 }, "back"));
    EXPECT_EQ(ReadText(folder / "Tessaly-2026-06-04.log"), "back\n");
    fs::remove_all(folder);
}

} // namespace
